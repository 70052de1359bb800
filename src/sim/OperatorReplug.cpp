#include "sim/OperatorReplug.h"

#include <iterator>

#include "device/Transport.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "sim/SimStation.h"
#include "sim/SimTransport.h"

namespace sim {

std::vector<ReplugChoice> ReplugChoices(const std::shared_ptr<SimStation>& station) {
  std::vector<ReplugChoice> choices;
  for (SimSlot* slot : station->Slots()) {
    // Read without the slot's lock, which a running command holds.
    if (!slot->HoldsDrive()) continue;
    ReplugChoice choice;
    choice.label =
        platform::Format("Tester %u (board %u, slot %u)", slot->TesterNumber(), slot->BoardNumber(), slot->SlotNumber());
    // The station owns its slots: holding it keeps the slot alive.
    choice.replug = [station, slot] {
      std::lock_guard<std::mutex> guard(slot->Lock());
      return slot->Replug();
    };
    choices.push_back(std::move(choice));
  }
  return choices;
}

std::shared_ptr<SimStation> InstalledSimStation() {
  const auto simulated = std::dynamic_pointer_cast<SimTransport>(device::GetTransport());
  return simulated ? simulated->SharedStation() : nullptr;
}

struct ReplugRunner::Running {
  platform::Thread thread;
  bool ended = false;  // under the runner's lock: the re-plug is done, its thread may be joined
};

ReplugRunner::ReplugRunner() = default;

ReplugRunner::~ReplugRunner() {
  std::list<Running> running;
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    running.swap(m_running);
  }
  // Each thread takes the lock once more at its end: it is joined without it.
  for (Running& replug : running) replug.thread.Join();
}

bool ReplugRunner::Start(std::function<bool()> replug) {
  std::list<Running> ended;
  bool started = false;
  {
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_running.begin(); it != m_running.end();) {
      const auto next = std::next(it);
      if (it->ended) ended.splice(ended.end(), m_running, it);
      it = next;
    }
    Running& running = m_running.emplace_back();
    started = running.thread.Start([this, &running, replug = std::move(replug)] {
      replug();
      const std::lock_guard<std::mutex> lock(m_mutex);
      running.ended = true;
    });
    if (!started) m_running.pop_back();
  }
  // The threads of re-plugs that have ended are joined: a thread kept unjoined keeps its stack.
  for (Running& done : ended) done.thread.Join();
  return started;
}

}  // namespace sim
