// The steady millisecond clock, the scaled sleep and the local time, each with the test
// hook its header names. The hooks are process-wide; a flag keeps the common path (no hook)
// free of locks.
#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <ctime>
#include <mutex>
#include <thread>

namespace platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// The clock counts from its first use, near the start of the program, as the C runtime
// clock counts from the program's start. A function-local value is ready even for callers
// in static initialisers.
SteadyClock::time_point ProgramStart() {
  static const SteadyClock::time_point start = SteadyClock::now();
  return start;
}

std::atomic<double> g_timeScale{1.0};

std::mutex g_hookLock;
std::atomic<bool> g_hasTickSource{false};
std::function<std::uint64_t()> g_tickSource;  // guarded by g_hookLock
std::atomic<bool> g_hasFixedTime{false};
LocalTime g_fixedTime;                         // guarded by g_hookLock

LocalTime FromTm(const std::tm& parts, int milliseconds) {
  LocalTime time;
  time.year = parts.tm_year + 1900;
  time.month = parts.tm_mon + 1;
  time.day = parts.tm_mday;
  time.hour = parts.tm_hour;
  time.minute = parts.tm_min;
  time.second = parts.tm_sec;
  time.milliseconds = milliseconds;
  time.dayOfWeek = parts.tm_wday;
  return time;
}

}  // namespace

std::uint64_t TickCountMs() {
  if (g_hasTickSource.load(std::memory_order_acquire)) {
    std::function<std::uint64_t()> source;
    {
      std::lock_guard<std::mutex> lock(g_hookLock);
      source = g_tickSource;
    }
    if (source) return source();
  }
  const auto elapsed = SteadyClock::now() - ProgramStart();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

void SetTickSource(std::function<std::uint64_t()> source) {
  std::lock_guard<std::mutex> lock(g_hookLock);
  g_tickSource = std::move(source);
  g_hasTickSource.store(static_cast<bool>(g_tickSource), std::memory_order_release);
}

void Sleep(std::uint32_t ms) {
  const double scale = g_timeScale.load(std::memory_order_relaxed);
  const double scaledUs = static_cast<double>(ms) * scale * 1000.0;
  if (scaledUs < 1.0) {
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::microseconds(static_cast<std::int64_t>(scaledUs)));
}

// A negative or not-a-number scale means "do not wait" (0); an infinite one is kept from
// turning a sleep into an endless wait by the cap of one hour per millisecond.
void SetTimeScale(double scale) {
  if (!(scale > 0.0)) scale = 0.0;
  if (scale > 3600.0) scale = 3600.0;
  g_timeScale.store(scale, std::memory_order_relaxed);
}

double TimeScale() { return g_timeScale.load(std::memory_order_relaxed); }

LocalTime Now() {
  if (g_hasFixedTime.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> lock(g_hookLock);
    if (g_hasFixedTime.load(std::memory_order_relaxed)) return g_fixedTime;
  }
  const auto now = std::chrono::system_clock::now();
  const auto sinceEpoch = now.time_since_epoch();
  const auto seconds = std::chrono::floor<std::chrono::seconds>(sinceEpoch);
  const int milliseconds =
      static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch - seconds).count());
  const std::time_t whole = static_cast<std::time_t>(seconds.count());
  std::tm parts{};
  ::localtime_r(&whole, &parts);
  return FromTm(parts, milliseconds);
}

void SetFixedLocalTime(std::optional<LocalTime> time) {
  std::lock_guard<std::mutex> lock(g_hookLock);
  if (time) g_fixedTime = *time;
  g_hasFixedTime.store(time.has_value(), std::memory_order_release);
}

std::int64_t ToEpochSeconds(const LocalTime& time) {
  std::tm parts{};
  parts.tm_year = time.year - 1900;
  parts.tm_mon = time.month - 1;
  parts.tm_mday = time.day;
  parts.tm_hour = time.hour;
  parts.tm_min = time.minute;
  parts.tm_sec = time.second;
  parts.tm_isdst = -1;  // let the zone rules decide
  return static_cast<std::int64_t>(std::mktime(&parts));
}

LocalTime FromEpochSeconds(std::int64_t seconds) {
  const std::time_t whole = static_cast<std::time_t>(seconds);
  std::tm parts{};
  if (::localtime_r(&whole, &parts) == nullptr) return LocalTime{};
  return FromTm(parts, 0);
}

}  // namespace platform
