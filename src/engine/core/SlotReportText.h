#pragma once
// Every line form of the slot report in one place. The report is a plain text file with CRLF
// line ends; the result pages read it back by searching substrings, so the forms written
// here must never contain the texts the readers look for ("=" is not used, nor "[total]",
// "/Die_", "Channel:" and the like).
//
//   START  (creates or empties the report)       the banner:
//     ============================================================
//     START
//     Date Time  : 2024/05/06 07:08:09
//     Slot       : 3
//     Drive      : 3
//     Station    : MP
//     Host       : 00:11:22:33:44:55
//     ============================================================
//   a plain line (flag 1)                        "   <text> "
//   a success line (flag 0)                      "[ Success ] <text> "
//   END                                          the end line and the pass line:
//     ============================================================
//     END        : 2024/05/06 07:18:09
//     Result     : PASS
//     ============================================================
//   the fail record (WriteFailReport)
//     ------------------------- FAIL -------------------------
//     Error Tag  : I_x06
//     Error Code : 0x40A
//     Message    : Issue Identify Command Fail.
//     Serial     : SIM01030001
//     Slot       : 3
//     Date Time  : 2024/05/06 07:08:19
//     --------------------------------------------------------
// The temporary twin "_Report_Temp.txt" starts with the same banner.
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace engine::report {

// What the banner and the fail record tell besides the texts of the line itself.
struct SlotFacts {
  int slot = 0;
  int driveNumber = 0;
  std::string station;     // station name
  std::string host;        // the report name (MAC text or computer name)
};

std::string BannerText(const SlotFacts& facts, const platform::LocalTime& time);
std::string PlainLineText(std::string_view text);
// The same line added to a text that gathers many (rows that go to the report in one piece).
void AppendPlainLine(std::string& lines, std::string_view text);
std::string SuccessLineText(std::string_view text);
std::string EndText(const platform::LocalTime& time);
std::string FailRecordText(std::string_view tag, std::string_view code, std::string_view message,
                           std::string_view serial, int slot, const platform::LocalTime& time);

// The message of a record that could not be written: "Log write failed: <path>: <reason>",
// with the native path of the station path text and the system's text for the errno.
std::string LostRecordText(std::string_view path, int error);

}  // namespace engine::report
