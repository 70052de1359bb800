#pragma once
// Time as the station measures it. Never call clock() (CPU time on Linux): elapsed times
// come from the steady millisecond clock here. Sleep goes through the time scale: 1 in the
// program, 0 in unit tests (a sleep then only yields), small in simulated end-to-end runs.
#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// Milliseconds of a steady clock (the C runtime clock of the original, in ms).
std::uint64_t TickCountMs();

// Sleeps ms x time scale milliseconds; with scale 0 it only yields.
void Sleep(std::uint32_t ms);
void SetTimeScale(double scale);
double TimeScale();

struct LocalTime {
  int year = 1970;
  int month = 1;       // 1..12
  int day = 1;         // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int milliseconds = 0;
  int dayOfWeek = 4;   // 0 = Sunday
};

// Local time with milliseconds.
LocalTime Now();
// Seconds since 1970 of a local time (for differences of dates).
std::int64_t ToEpochSeconds(const LocalTime& time);
LocalTime FromEpochSeconds(std::int64_t seconds);

// Test hooks: a fixed local time and a replacement tick source (nullopt / empty restores).
void SetFixedLocalTime(std::optional<LocalTime> time);
void SetTickSource(std::function<std::uint64_t()> source);

}  // namespace platform
