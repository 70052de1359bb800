// The debug-output sink. One lock serialises every line, so lines written by different
// threads never interleave, whether they go to standard error or to a test's sink.
#include "platform/Debug.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unistd.h>

namespace platform {

namespace {

// Both never destroyed: detached threads may still write while the program exits. The
// lock is recursive because a sink may itself write debug output.
std::recursive_mutex& SinkLock() {
  static auto* const lock = new std::recursive_mutex;
  return *lock;
}

std::function<void(std::string_view)>& ReplacementSink() {
  static auto* const sink = new std::function<void(std::string_view)>;
  return *sink;
}

// Whether a sink is set: lines that go nowhere cost no lock.
std::atomic<bool> g_hasSink{false};

bool DebugEnabled() {
  static const bool enabled = std::getenv("TV_DEBUG") != nullptr;
  return enabled;
}

// Writes the text to standard error in one piece, ending it with a line end when it has
// none, so that a line shows whole.
void WriteToStandardError(std::string_view text) {
  std::string line(text);
  if (line.empty() || line.back() != '\n') line.push_back('\n');
  const char* data = line.data();
  std::size_t left = line.size();
  while (left > 0) {
    const ssize_t written = ::write(STDERR_FILENO, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // nothing more can be done about a broken standard error
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

}  // namespace

void DebugOutput(std::string_view text) {
  if (!g_hasSink.load(std::memory_order_acquire) && !DebugEnabled()) return;
  std::lock_guard<std::recursive_mutex> lock(SinkLock());
  // A copy, so that a sink that replaces itself does not destroy the function it runs in.
  if (const auto sink = ReplacementSink()) {
    sink(text);
  } else if (DebugEnabled()) {
    WriteToStandardError(text);
  }
}

void SetDebugSink(std::function<void(std::string_view)> sink) {
  std::lock_guard<std::recursive_mutex> lock(SinkLock());
  ReplacementSink() = std::move(sink);
  g_hasSink.store(static_cast<bool>(ReplacementSink()), std::memory_order_release);
}

}  // namespace platform
