#pragma once
// Fault injection at every I/O call, so that tests of the device layer and the engine can
// stage each bad answer a drive or a tester board can give. Every request that reaches a
// simulated device is one call; a rule matches calls by command name ("Any" matches every
// call), lets a number of matching calls pass, then fires a number of times:
//  - Timeout: the request is not answered in time (host status "timed out" after the
//    request's time-out, scaled like every simulated delay);
//  - Pull: the drive is pulled from its slot in the middle of the command: the request fails
//    with "no such device", and so does every later request to that drive;
//  - Short: the command runs but moves fewer bytes than asked;
//  - Sense: CHECK CONDITION with the given sense key, ASC and ASCQ; the command does not run;
//  - Garbage: the command runs, but the data it returns is overwritten with noise.
// Rules can come from a scenario file ("Fault<n>=<command>,<skip>,<action>[,...]") or from
// a test. Arming rule (Any, n, action) for n = 0, 1, 2, ... walks a fault through every
// call of a sequence, as SQLite's tests do.
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class FaultAction { Timeout, Pull, Short, Sense, Garbage };

struct FaultRule {
  std::string command = "Any";   // command name as the decoder gives it, or "Any"
  unsigned skip = 0;             // matching calls that pass before the rule fires
  unsigned times = 1;            // calls on which it fires; 0 = every call from then on
  FaultAction action = FaultAction::Timeout;
  std::uint32_t shortBytes = 0;  // Short: bytes actually moved
  std::uint8_t senseKey = 0x0B;  // Sense: ABORTED COMMAND by default
  std::uint8_t asc = 0x00;
  std::uint8_t ascq = 0x00;
};

// Parses "<command>,<skip>,<action>[,<argument>...][,times=<n>]": actions "Timeout",
// "Pull", "Short,<bytes>", "Sense,<key>,<asc>,<ascq>" (hexadecimal), "Garbage".
std::optional<FaultRule> ParseFaultRule(std::string_view text);

class FaultInjector {
 public:
  void Add(const FaultRule& rule);
  void Clear();
  // Called once per I/O call with the command's name; the fault to apply, if any.
  std::optional<FaultRule> OnCall(std::string_view command);
  unsigned Calls() const;

 private:
  struct ArmedRule {
    FaultRule rule;
    unsigned seen = 0;
    unsigned fired = 0;
  };
  mutable std::mutex m_mutex;
  std::vector<ArmedRule> m_rules;
  unsigned m_calls = 0;
};

}  // namespace sim
