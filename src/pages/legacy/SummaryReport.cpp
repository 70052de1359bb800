#include "pages/legacy/SummaryReport.h"

#include <array>

#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

constexpr std::size_t kHeaderBytes = 512;

// A character of the header, left out when it is a zero byte (the text ends there).
std::string CharText(std::uint8_t byte) { return byte == 0 ? std::string() : std::string(1, static_cast<char>(byte)); }

std::string Hex(std::span<const std::uint8_t> bytes) {
  std::string text;
  for (std::uint8_t byte : bytes) text += platform::Format("%02x", byte);
  return text;
}

}  // namespace

std::vector<SummaryRow> CardTotalRows(int fail, int pass) {
  const int total = fail + pass;
  const double failRate = fail == 0 || total == 0 ? 0.0 : static_cast<double>(fail) / total * 100.0;
  const double passRate = pass == 0 || total == 0 ? 0.0 : 100.0 - failRate;
  return {
      {"Total Card", platform::Format("%d", total), "100%"},
      {"Total Pass Card", platform::Format("%d", pass), platform::Format("%2.2f%%", passRate)},
      {"Total Fail Card", platform::Format("%d", fail), platform::Format("%2.2f%%", failRate)},
  };
}

std::vector<SummaryRow> ErrorCodeRows(const std::string& summaryLog, int fail) {
  std::vector<SummaryRow> rows;
  for (const std::string& key : platform::ReadProfileKeys(summaryLog, "ErrorList")) {
    const int count = platform::ReadProfileInt(summaryLog, "ErrorList", key, 0);
    const double rate = fail == 0 ? 0.0 : static_cast<double>(count) / fail * 100.0;
    rows.push_back({key, platform::Format("%u", static_cast<unsigned>(count)), platform::Format("%3.2f%%", rate)});
  }
  return rows;
}

int BcdValue(std::uint8_t byte) { return platform::ParseLeadingInt(platform::Format("%02x", byte)); }

std::vector<std::string> BinHeaderLines(std::span<const std::uint8_t> header) {
  std::array<std::uint8_t, kHeaderBytes> bytes{};
  for (std::size_t i = 0; i < header.size() && i < bytes.size(); ++i) bytes[i] = header[i];
  const int year = platform::ParseLeadingInt(platform::Format("%02x%02x", bytes[503], bytes[504]));
  const std::span<const std::uint8_t> all(bytes);
  return {
      platform::Format("BIN Build Time: %04d-%02d%02d-%02d:%02d:%02d\r", year, BcdValue(bytes[505]),
                       BcdValue(bytes[506]), BcdValue(bytes[507]), BcdValue(bytes[508]), BcdValue(bytes[509])),
      "Header Mark: " + CharText(bytes[0]) + CharText(bytes[1]) + "\r",
      platform::Format("IC Version: %d", (bytes[2] << 8) | bytes[3]) + CharText(bytes[21]) + CharText(bytes[22]) + "\r",
      "IC Firmware Version: " + Hex(all.subspan(2, 2)) + "\r",
      "PRAM Code Size= 0x" + Hex(all.subspan(7, 4)) + "\r",
      "PRAM Code CHKSUM= " + Hex(all.subspan(11, 2)) + "\r",
      "Flash Code Size= 0x" + Hex(all.subspan(14, 4)) + "\r",
      "Flash Code CHKSUM= " + Hex(all.subspan(18, 2)) + "\r",
      "Header Mark: " + Hex(all.subspan(510, 2)) + "\r",
  };
}
