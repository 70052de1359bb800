#include "device/UdevRecords.h"

#include <fstream>
#include <string_view>

namespace device {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An "_ENC" value with its "\xNN" escapes turned back into their bytes.
std::string DecodeUdevText(std::string_view text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 2) == "\\x" && i + 3 < text.size() && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
      decoded.push_back(static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3])));
      i += 3;
    } else {
      decoded.push_back(text[i]);
    }
  }
  return decoded;
}

// The text after the kind of every line of one kind ("E:", "S:") of the device's record.
std::vector<std::string> RecordLines(const std::filesystem::path& udevDataRoot, const std::string& number,
                                     std::string_view kind) {
  std::vector<std::string> lines;
  std::ifstream record(udevDataRoot / ("b" + number));
  std::string line;
  while (std::getline(record, line)) {
    if (line.compare(0, kind.size(), kind) == 0) lines.push_back(line.substr(kind.size()));
  }
  return lines;
}

}  // namespace

UdevProperties ReadUdevProperties(const std::filesystem::path& udevDataRoot, const std::string& number) {
  UdevProperties properties;
  for (const std::string& property : RecordLines(udevDataRoot, number, "E:")) {
    const std::size_t equals = property.find('=');
    if (equals != std::string::npos) properties[property.substr(0, equals)] = property.substr(equals + 1);
  }
  return properties;
}

std::vector<std::string> ReadUdevLinks(const std::filesystem::path& udevDataRoot, const std::string& number) {
  return RecordLines(udevDataRoot, number, "S:");
}

std::string FileSystemLabel(const UdevProperties& properties) {
  const auto encoded = properties.find("ID_FS_LABEL_ENC");
  if (encoded != properties.end()) return DecodeUdevText(encoded->second);
  const auto plain = properties.find("ID_FS_LABEL");
  return plain == properties.end() ? std::string() : plain->second;
}

}  // namespace device
