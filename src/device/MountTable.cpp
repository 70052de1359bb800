#include "device/MountTable.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "platform/Text.h"

namespace device {
namespace {

// Decodes the octal escapes of a table field ("\040" is a blank).
std::string Unescape(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        text.push_back(static_cast<char>(((a - '0') << 6) | ((b - '0') << 3) | (c - '0')));
        i += 3;
        continue;
      }
    }
    text.push_back(field[i]);
  }
  return text;
}

// The fields of a line, split at blanks and tabs.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    const std::size_t start = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
    if (at > start) fields.push_back(line.substr(start, at - start));
  }
  return fields;
}

bool ParseNumber(std::string_view text, std::uint32_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::vector<MountEntry> ParseMountTable(std::string_view text) {
  std::vector<MountEntry> entries;
  for (const std::string& line : platform::Split(text, '\n')) {
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 2) continue;
    entries.push_back({Unescape(fields[0]), Unescape(fields[1])});
  }
  return entries;
}

std::vector<MountInfoEntry> ParseMountInfo(std::string_view text) {
  // "36 35 98:0 /mnt1 /mnt2 rw,noatime master:1 - ext3 /dev/root rw": mount id, parent id,
  // major:minor, root, mount point, options, optional fields up to "-", type, source, options.
  std::vector<MountInfoEntry> entries;
  for (const std::string& line : platform::Split(text, '\n')) {
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 6) continue;
    std::size_t separator = 6;
    while (separator < fields.size() && fields[separator] != "-") ++separator;
    if (separator + 2 >= fields.size()) continue;
    const std::string_view number = fields[2];
    const std::size_t colon = number.find(':');
    MountInfoEntry entry;
    if (colon == std::string_view::npos || !ParseNumber(number.substr(0, colon), entry.major) ||
        !ParseNumber(number.substr(colon + 1), entry.minor)) {
      continue;
    }
    entry.mountPoint = Unescape(fields[4]);
    entry.type = Unescape(fields[separator + 1]);
    entry.source = Unescape(fields[separator + 2]);
    // Options are split before they are decoded: a comma inside a value comes escaped.
    if (separator + 3 < fields.size()) {
      for (const std::string& option : platform::Split(fields[separator + 3], ',')) {
        if (!option.empty()) entry.options.push_back(Unescape(option));
      }
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<SwapEntry> ParseSwaps(std::string_view text) {
  // "Filename Type Size Used Priority", then one line per swap area.
  std::vector<SwapEntry> entries;
  for (const std::string& line : platform::Split(text, '\n')) {
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 2 || fields[0] == "Filename") continue;
    entries.push_back({Unescape(fields[0]), fields[1] == "file"});
  }
  return entries;
}

std::optional<std::string> ReadKernelTable(const std::string& path) {
  std::ifstream file(path);
  if (!file.is_open()) return std::nullopt;
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

}  // namespace device
