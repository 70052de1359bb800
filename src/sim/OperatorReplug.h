#pragma once
// What the operator of the simulated station does by hand at a real one: pulls a drive out of
// its slot and plugs it in again. A tester board powers a slot when a drive is plugged in
// (SimSlot::Insert), so a drive whose slot the end of a test switched off answers again,
// booting as from power-on. It is how the operator brings back a drive that the result and
// bad-block-table pages cannot reach ("Detect Error Please Re-Plug!!", "IC ver Error") or that
// they left on its RAM code ("please re-plug in!!"). This header names no station type, so
// that the program's Qt code can include it.
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sim {

class SimStation;

struct ReplugChoice {
  std::string label;             // "Tester 3 (board 1, slot 3)"
  std::function<bool()> replug;  // false when the slot is found empty
};

// One choice per slot that holds a drive, in drive-number order. Listing them waits for no
// slot, not even one that is running a command. A choice re-plugs under its slot's lock, so it
// waits for a command that slot is running, and for no other slot.
std::vector<ReplugChoice> ReplugChoices(const std::shared_ptr<SimStation>& station);

// The simulated station the installed transport serves; null when the drives are real.
std::shared_ptr<SimStation> InstalledSimStation();

// Runs the re-plugs the operator chooses, each on a thread of its own: the one who chooses
// (the window) does not wait for a busy slot's command, and however many re-plugs wait for
// busy slots, the re-plug of an idle slot waits for none of them. Its end waits for the
// re-plugs still running, so that none outlives it.
class ReplugRunner {
 public:
  ReplugRunner();
  ~ReplugRunner();
  ReplugRunner(const ReplugRunner&) = delete;
  ReplugRunner& operator=(const ReplugRunner&) = delete;

  // Starts the re-plug and returns at once; false when no thread could be started for it (it
  // is then not run).
  bool Start(std::function<bool()> replug);

 private:
  struct Running;
  std::mutex m_mutex;
  std::list<Running> m_running;  // the re-plugs started and not yet joined
};

}  // namespace sim
