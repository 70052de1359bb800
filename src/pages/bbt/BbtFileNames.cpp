#include "pages/bbt/BbtFileNames.h"

#include <algorithm>

#include "platform/Text.h"

namespace {
constexpr std::size_t kReplacedCharacters = 4;
constexpr std::size_t kLineCharacters = 511;
}  // namespace

std::string_view FileNameOf(std::string_view path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::optional<std::string> NamedAfter(std::string_view path, std::string_view extension) {
  if (FileNameOf(path).size() < kReplacedCharacters) return std::nullopt;
  std::string name(path.substr(0, path.size() - kReplacedCharacters));
  name.append(extension);
  return name;
}

std::optional<std::string> ImageNameOf(std::string_view textFile, std::string_view extension) {
  std::optional<std::string> name = NamedAfter(textFile, extension);
  if (name && platform::EqualsNoCase(*name, textFile)) *name = std::string(textFile) + std::string(extension);
  return name;
}

bool HasSotExtension(std::string_view path) {
  return path.size() >= kSotExtension.size() &&
         platform::EqualsNoCase(path.substr(path.size() - kSotExtension.size()), kSotExtension);
}

std::vector<std::string> ListedLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    const std::size_t lineEnd = end == std::string_view::npos ? text.size() : end + 1;
    const std::size_t length = std::min(lineEnd - at, kLineCharacters);
    lines.push_back(platform::TrimRight(text.substr(at, length)));
    at += length;
  }
  return lines;
}
