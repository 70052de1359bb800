#include "engine/firmware/SerialNumbers.h"

#include <algorithm>
#include <optional>

#include "device/StationHelpers.h"
#include "platform/Clock.h"
#include "platform/IniDocument.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Sync.h"
#include "platform/Text.h"

namespace engine::firmware {

namespace {

constexpr std::uint32_t kLastCounter = 99999999;
// How far the counter may move on past numbers the record already lists.
constexpr std::uint32_t kMaxSkips = 100000;

platform::CriticalSection& HandOutLock() {
  static platform::CriticalSection lock;
  return lock;
}

struct SerialPosition {
  std::string prefix;
  std::uint32_t counter = 0;

  std::string Text() const { return prefix + platform::Format("%08u", counter); }
};

// The next serial number of the series, or nullopt with the reason.
std::optional<SerialPosition> NextOfSeries(std::string& message) {
  const std::string last = platform::Trim(settings::ReadText(settings::keys::LastSN, 251));
  SerialPosition next;
  if (last.empty()) {
    const std::string start = platform::Trim(settings::ReadText(settings::keys::SerialNum));
    const bool digitsOnly = !start.empty() && start.size() <= kSerialCounterDigits &&
                            std::all_of(start.begin(), start.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digitsOnly) {
      message = platform::Format("SerialNum of param.ini is not a serial counter (%s)", start.c_str());
      return std::nullopt;
    }
    next.counter = static_cast<std::uint32_t>(std::stoul(start));
    return next;
  }
  const bool counterRight =
      last.size() >= kSerialCounterDigits && last.size() <= kSerialCounterDigits + kSerialPrefixMaxLength &&
      std::all_of(last.end() - kSerialCounterDigits, last.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!counterRight) {
    message = platform::Format("Last SN of SATA_Setting.ini is not a serial number (%s)", last.c_str());
    return std::nullopt;
  }
  next.prefix = last.substr(0, last.size() - kSerialCounterDigits);
  next.counter = static_cast<std::uint32_t>(std::stoul(last.substr(last.size() - kSerialCounterDigits)));
  return next;
}

bool AlreadyHandedOut(const std::string& recordPath, const std::string& serial) {
  return !platform::ReadProfileString(recordPath, kHandedOutSection, serial, "").empty();
}

std::string TimeKeyText() {
  const platform::LocalTime now = platform::Now();
  return platform::Format("[%04d-%02d-%02d-%02d-%02d-%02d]", now.year, now.month, now.day, now.hour, now.minute,
                          now.second);
}

}  // namespace

std::string SerialRecordPath(std::string_view logFolder) {
  std::string folder = platform::Trim(settings::ReadText(settings::keys::SNLogPath, 251));
  if (folder.empty()) folder.assign(logFolder);
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  if (folder.empty()) return std::string(".\\") + kSerialRecordFileName;
  return folder + "\\" + kSerialRecordFileName;
}

SerialHandOut HandOutSerialNumber(int port, std::string_view logFolder) {
  platform::CriticalSectionGuard guard(HandOutLock());
  SerialHandOut result;
  std::optional<SerialPosition> next = NextOfSeries(result.message);
  if (!next) return result;

  const std::string recordPath = SerialRecordPath(logFolder);
  const std::string recordFolder = recordPath.substr(0, recordPath.find_last_of('\\'));
  if (!recordFolder.empty() && MakeDirectoryPath(recordFolder) == 0) {
    result.message = platform::Format("Cannot make the serial record folder %s", recordFolder.c_str());
    return result;
  }
  for (std::uint32_t skips = 0; AlreadyHandedOut(recordPath, next->Text()); ++skips) {
    if (skips == kMaxSkips || next->counter == kLastCounter) {
      result.message = platform::Format("No free serial number after %s", next->Text().c_str());
      return result;
    }
    ++next->counter;
  }
  if (next->counter == kLastCounter) {
    result.message = platform::Format("Serial number series is used up (%s)", next->Text().c_str());
    return result;
  }
  const std::string serial = next->Text();
  SerialPosition after = *next;
  ++after.counter;

  // The counter first: once it has moved on, no other drive can get this number.
  if (!settings::WriteText(settings::keys::LastSN, after.Text())) {
    result.message = "Cannot write Last SN of SATA_Setting.ini";
    return result;
  }
  // The record takes the series' first number (once), its last and the drive's entry in one
  // replacement of the file.
  const std::string afterText = after.Text();
  const std::string handedOut = platform::Format("Tester-%d %s", port, TimeKeyText().c_str());
  const bool recorded = platform::UpdateProfileStrings(recordPath, [&](const platform::IniDocument& record) {
    std::vector<platform::ProfileValue> values;
    if (record.Value(kSerialRecordSection, "Start Serial Number").value_or("").empty()) {
      values.push_back({kSerialRecordSection, "Start Serial Number", serial});
    }
    values.push_back({kSerialRecordSection, "Last Serial Number", afterText});
    values.push_back({kHandedOutSection, serial, handedOut});
    return values;
  });
  if (!recorded) {
    result.message = platform::Format("Cannot record serial number %s in %s", serial.c_str(), recordPath.c_str());
    return result;
  }
  result.ok = true;
  result.serial = serial;
  return result;
}

}  // namespace engine::firmware
