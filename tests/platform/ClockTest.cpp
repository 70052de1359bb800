#include <gtest/gtest.h>

#include <cmath>

#include "platform/Clock.h"

namespace {

using platform::LocalTime;

// Restores the test binary's time scale (0) when a test changed it.
struct TimeScaleRestorer {
  ~TimeScaleRestorer() { platform::SetTimeScale(0.0); }
};

TEST(Clock, SleepAtScaleZeroOnlyYields) {
  ASSERT_EQ(platform::TimeScale(), 0.0);
  // An hour at scale 1; at scale 0 the test would hang here if the sleep waited.
  platform::Sleep(3600u * 1000u);
  platform::Sleep(0);
}

TEST(Clock, TimeScaleRejectsNegativeAndNotANumber) {
  TimeScaleRestorer restore;
  platform::SetTimeScale(0.25);
  EXPECT_EQ(platform::TimeScale(), 0.25);
  platform::SetTimeScale(-3.0);
  EXPECT_EQ(platform::TimeScale(), 0.0);
  platform::SetTimeScale(std::nan(""));
  EXPECT_EQ(platform::TimeScale(), 0.0);
  platform::SetTimeScale(1e-9);  // a scaled sleep below a microsecond only yields
  platform::Sleep(100);
}

TEST(Clock, TickSourceReplacesTheClockUntilRestored) {
  std::uint64_t fake = 5000;
  platform::SetTickSource([&] { return fake; });
  EXPECT_EQ(platform::TickCountMs(), 5000u);
  fake += 1234;
  EXPECT_EQ(platform::TickCountMs(), 6234u);
  platform::SetTickSource({});
  const std::uint64_t first = platform::TickCountMs();
  EXPECT_LT(first, 6234u * 1000u);  // counts from the program's start, not from 1970
  EXPECT_GE(platform::TickCountMs(), first);
}

LocalTime MakeTime(int year, int month, int day, int hour, int minute, int second, int milliseconds,
                   int dayOfWeek) {
  LocalTime time;
  time.year = year;
  time.month = month;
  time.day = day;
  time.hour = hour;
  time.minute = minute;
  time.second = second;
  time.milliseconds = milliseconds;
  time.dayOfWeek = dayOfWeek;
  return time;
}

void ExpectSameTime(const LocalTime& actual, const LocalTime& expected) {
  EXPECT_EQ(actual.year, expected.year);
  EXPECT_EQ(actual.month, expected.month);
  EXPECT_EQ(actual.day, expected.day);
  EXPECT_EQ(actual.hour, expected.hour);
  EXPECT_EQ(actual.minute, expected.minute);
  EXPECT_EQ(actual.second, expected.second);
  EXPECT_EQ(actual.milliseconds, expected.milliseconds);
  EXPECT_EQ(actual.dayOfWeek, expected.dayOfWeek);
}

TEST(Clock, FixedLocalTimeIsReturnedUntilCleared) {
  const LocalTime fixed = MakeTime(2023, 11, 7, 13, 5, 9, 42, 2);
  platform::SetFixedLocalTime(fixed);
  const LocalTime now = platform::Now();
  platform::SetFixedLocalTime(std::nullopt);
  ExpectSameTime(now, fixed);

  const LocalTime real = platform::Now();
  EXPECT_GE(real.year, 2024);
  EXPECT_GE(real.milliseconds, 0);
  EXPECT_LT(real.milliseconds, 1000);
  EXPECT_GE(real.month, 1);
  EXPECT_LE(real.month, 12);
}

TEST(Clock, EpochConversionsRoundTripAndGiveTheWeekday) {
  const LocalTime leapDay = MakeTime(2024, 2, 29, 23, 59, 58, 0, 4);  // a Thursday
  const std::int64_t seconds = platform::ToEpochSeconds(leapDay);
  ExpectSameTime(platform::FromEpochSeconds(seconds), leapDay);
  ExpectSameTime(platform::FromEpochSeconds(seconds + 2), MakeTime(2024, 3, 1, 0, 0, 0, 0, 5));
}

}  // namespace
