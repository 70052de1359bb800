#include "engine/core/SlotReportText.h"

#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace engine::report {

namespace {

constexpr std::string_view kRule = "============================================================\r\n";
constexpr std::string_view kFailHead = "------------------------- FAIL -------------------------\r\n";
constexpr std::string_view kFailTail = "--------------------------------------------------------\r\n";

std::string TimeText(const platform::LocalTime& time) {
  return platform::Format("%04d/%02d/%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour, time.minute,
                          time.second);
}

// One "Label      : value" line; the labels are padded to one width.
std::string FactLine(std::string_view label, std::string_view value) {
  std::string line(label);
  if (line.size() < 11) line.append(11 - line.size(), ' ');
  line += ": ";
  line += value;
  line += "\r\n";
  return line;
}

// A text that goes inside one line of the report: line breaks become blanks.
std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return line;
}

}  // namespace

std::string BannerText(const SlotFacts& facts, const platform::LocalTime& time) {
  std::string text(kRule);
  text += "START\r\n";
  text += FactLine("Date Time", TimeText(time));
  text += FactLine("Slot", std::to_string(facts.slot));
  text += FactLine("Drive", std::to_string(facts.driveNumber));
  text += FactLine("Station", OneLine(facts.station));
  text += FactLine("Host", OneLine(facts.host));
  text += kRule;
  return text;
}

std::string PlainLineText(std::string_view text) {
  std::string line;
  AppendPlainLine(line, text);
  return line;
}

void AppendPlainLine(std::string& lines, std::string_view text) { lines.append("   ").append(text).append(" \r\n"); }

std::string SuccessLineText(std::string_view text) { return "[ Success ] " + std::string(text) + " \r\n"; }

std::string EndText(const platform::LocalTime& time) {
  std::string text(kRule);
  text += FactLine("END", TimeText(time));
  text += FactLine("Result", "PASS");
  text += kRule;
  return text;
}

std::string FailRecordText(std::string_view tag, std::string_view code, std::string_view message,
                           std::string_view serial, int slot, const platform::LocalTime& time) {
  std::string text(kFailHead);
  text += FactLine("Error Tag", OneLine(tag));
  text += FactLine("Error Code", code);
  text += FactLine("Message", OneLine(message));
  text += FactLine("Serial", OneLine(serial));
  text += FactLine("Slot", std::to_string(slot));
  text += FactLine("Date Time", TimeText(time));
  text += kFailTail;
  return text;
}

std::string LostRecordText(std::string_view path, int error) {
  std::string where(path);
  try {
    where = platform::ToNativePath(path).string();
  } catch (...) {
    // The path text as the station wrote it still names the record.
  }
  return platform::Format("Log write failed: %s: %s", where.c_str(), platform::ErrnoText(error).c_str());
}

}  // namespace engine::report
