#include "platform/FileFaults.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "platform/Text.h"

namespace platform {

namespace {

struct ArmedFault {
  FileFault fault;
  unsigned seen = 0;     // matching writes so far
  unsigned struck = 0;   // of them failed
};

struct Registry {
  std::mutex lock;
  std::vector<ArmedFault> faults;
  std::atomic<bool> armed{false};
  std::atomic<unsigned> strikes{0};
  std::optional<std::uint64_t> available;  // the room every file system reports
};

Registry& Faults() {
  static Registry registry;
  return registry;
}

// The errno of the first armed fault that strikes this access (kind: one FileWriteKind or
// FileReadKind bit), or 0.
int Strike(const std::filesystem::path& target, std::uint8_t kind, bool carriesData) {
  Registry& registry = Faults();
  if (!registry.armed.load(std::memory_order_acquire)) return 0;
  const std::string name = target.filename().string();
  std::lock_guard guard(registry.lock);
  for (ArmedFault& armed : registry.faults) {
    const FileFault& fault = armed.fault;
    if ((fault.kinds & kind) == 0 || !WildcardMatchesNoCase(fault.namePattern, name)) continue;
    if (!carriesData && FaultStrikesAfterPartialWrite(fault.error)) continue;
    if (armed.seen++ < fault.skip) return 0;
    if (fault.times != 0 && armed.struck >= fault.times) continue;
    ++armed.struck;
    registry.strikes.fetch_add(1);
    return fault.error;
  }
  return 0;
}

}  // namespace

void ArmFileFault(const FileFault& fault) {
  Registry& registry = Faults();
  std::lock_guard guard(registry.lock);
  registry.faults.push_back({fault});
  registry.armed.store(true);
}

void ArmSpaceFault(std::uint64_t available) {
  Registry& registry = Faults();
  std::lock_guard guard(registry.lock);
  registry.available = available;
  registry.armed.store(true);
}

void DisarmFileFaults() {
  Registry& registry = Faults();
  std::lock_guard guard(registry.lock);
  registry.faults.clear();
  registry.available.reset();
  registry.armed.store(false);
  registry.strikes.store(0);
}

unsigned FileFaultStrikes() { return Faults().strikes.load(); }

int FileFaultFor(const std::filesystem::path& target, FileWriteKind kind, bool carriesData) {
  return Strike(target, kind, carriesData);
}

int FileFaultFor(const std::filesystem::path& folder, FileReadKind kind) { return Strike(folder, kind, true); }

std::optional<std::uint64_t> SpaceFault() {
  Registry& registry = Faults();
  if (!registry.armed.load(std::memory_order_acquire)) return std::nullopt;
  std::lock_guard guard(registry.lock);
  return registry.available;
}

bool FaultStrikesBeforeOpening(int error) { return error == EROFS || error == EACCES || error == EPERM; }

bool FaultStrikesAfterPartialWrite(int error) { return error == ENOSPC || error == EDQUOT || error == EFBIG; }

}  // namespace platform
