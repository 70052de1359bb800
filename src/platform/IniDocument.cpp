#include "platform/IniDocument.h"

#include <algorithm>

#include "platform/Text.h"

namespace platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimView(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

bool IsBlankLine(std::string_view text) { return TrimView(text).empty(); }

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

IniDocument::IniDocument(std::string bytes) : m_bytes(std::move(bytes)) { Parse(); }

void IniDocument::Parse() {
  if (std::string_view(m_bytes).starts_with(kUtf8ByteOrderMark)) m_byteOrderMark = kUtf8ByteOrderMark.size();
  std::size_t offset = m_byteOrderMark;
  while (offset < m_bytes.size()) {
    Line line;
    line.offset = offset;
    const std::size_t lineFeed = m_bytes.find('\n', offset);
    if (lineFeed == std::string::npos) {
      line.length = m_bytes.size() - offset;
      offset = m_bytes.size();
    } else {
      line.length = lineFeed - offset;
      line.endLength = 1;
      if (line.length > 0 && m_bytes[lineFeed - 1] == '\r') {
        --line.length;
        line.endLength = 2;
      }
      offset = lineFeed + 1;
    }

    const std::string_view text = Text(line);
    const std::string_view trimmed = TrimView(text);
    const std::size_t equals = text.find('=');
    if (!trimmed.empty() && trimmed.front() == '[' && equals == std::string_view::npos) {
      std::string_view name = trimmed.substr(1);
      name = TrimView(name.substr(0, name.find(']')));
      line.kind = Kind::Header;
      line.name = name;
      if (!m_sections.empty()) m_sections.back().end = m_lines.size();
      Section section;
      section.name = name;
      section.header = m_lines.size();
      m_firstSection.try_emplace(ToLower(name), m_sections.size());
      m_sections.push_back(std::move(section));
    } else if (equals != std::string_view::npos && trimmed.front() != ';') {
      const std::string_view key = TrimView(text.substr(0, equals));
      if (!key.empty()) {
        line.kind = Kind::Key;
        line.name = key;
        line.value = Unquote(TrimView(text.substr(equals + 1)));
        if (!m_sections.empty()) m_sections.back().firstKeyLine.try_emplace(ToLower(key), m_lines.size());
      }
    }
    m_lines.push_back(line);
  }
  if (!m_sections.empty()) m_sections.back().end = m_lines.size();
}

const IniDocument::Section* IniDocument::FindSection(std::string_view section) const {
  const auto found = m_firstSection.find(ToLower(section));
  return found == m_firstSection.end() ? nullptr : &m_sections[found->second];
}

std::optional<std::size_t> IniDocument::FindKeyLine(const Section& section, std::string_view key) const {
  const auto found = section.firstKeyLine.find(ToLower(key));
  if (found == section.firstKeyLine.end()) return std::nullopt;
  return found->second;
}

std::optional<std::string_view> IniDocument::Value(std::string_view section, std::string_view key) const {
  const Section* found = FindSection(section);
  if (found == nullptr) return std::nullopt;
  const auto line = FindKeyLine(*found, key);
  if (!line) return std::nullopt;
  return m_lines[*line].value;
}

std::vector<std::pair<std::string, std::string>> IniDocument::Pairs(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> pairs;
  const Section* found = FindSection(section);
  if (found == nullptr) return pairs;
  for (std::size_t index = found->header + 1; index < found->end; ++index) {
    const Line& line = m_lines[index];
    // Only the first line of each key counts.
    if (line.kind == Kind::Key && FindKeyLine(*found, line.name) == index) {
      pairs.emplace_back(std::string(line.name), std::string(line.value));
    }
  }
  return pairs;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  for (auto& pair : Pairs(section)) names.push_back(std::move(pair.first));
  return names;
}

std::vector<std::string> IniDocument::BodyLines(std::string_view section) const {
  std::vector<std::string> lines;
  const Section* found = FindSection(section);
  if (found == nullptr) return lines;
  for (std::size_t index = found->header + 1; index < found->end; ++index) {
    lines.emplace_back(Text(m_lines[index]));
  }
  return lines;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (std::size_t index = 0; index < m_sections.size(); ++index) {
    const Section& section = m_sections[index];
    if (FindSection(section.name) == &section) names.emplace_back(section.name);
  }
  return names;
}

std::vector<IniDocument::LineInfo> IniDocument::Lines() const {
  std::vector<LineInfo> lines;
  lines.reserve(m_lines.size());
  std::string_view section;
  for (std::size_t index = 0; index < m_lines.size(); ++index) {
    const Line& line = m_lines[index];
    LineInfo info;
    info.number = index + 1;
    info.text = Text(line);
    const std::string_view trimmed = TrimView(info.text);
    switch (line.kind) {
      case Kind::Header:
        section = line.name;
        info.kind = LineKind::Header;
        info.name = line.name;
        break;
      case Kind::Key:
        info.kind = LineKind::Key;
        info.name = line.name;
        info.value = line.value;
        break;
      case Kind::Other:
        info.kind = trimmed.empty()          ? LineKind::Blank
                    : trimmed.front() == ';' ? LineKind::Comment
                                             : LineKind::Other;
        break;
    }
    info.section = section;
    lines.push_back(info);
  }
  return lines;
}

std::size_t IniDocument::LineOfKey(std::string_view section, std::string_view key) const {
  const Section* found = FindSection(section);
  if (found == nullptr) return 0;
  const auto line = FindKeyLine(*found, key);
  return line ? *line + 1 : 0;
}

std::size_t IniDocument::BodyEnd(const Section& section) const {
  std::size_t end = section.end;
  while (end > section.header + 1 && IsBlankLine(Text(m_lines[end - 1]))) --end;
  return end;
}

std::vector<IniDocument::OutLine> IniDocument::Originals(std::size_t from, std::size_t to) const {
  std::vector<OutLine> lines;
  lines.reserve(to - from);
  for (std::size_t index = from; index < to; ++index) lines.push_back({index, {}});
  return lines;
}

std::string IniDocument::Serialise(const std::vector<OutLine>& lines) const {
  std::string bytes(m_bytes, 0, m_byteOrderMark);
  bytes.reserve(m_bytes.size() + 64);
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const OutLine& out = lines[index];
    if (out.original == kNewLine) {
      bytes += out.text;
      bytes += "\r\n";
      continue;
    }
    const Line& line = m_lines[out.original];
    bytes.append(m_bytes, line.offset, line.length + line.endLength);
    // The old last line had no line end; a line now follows it.
    if (line.endLength == 0 && index + 1 < lines.size()) bytes += "\r\n";
  }
  return bytes;
}

std::optional<std::string> IniDocument::WithValue(std::string_view section, std::string_view key,
                                                  std::string_view value) const {
  std::vector<OutLine> lines = Originals(0, m_lines.size());
  const Section* found = FindSection(section);
  if (found == nullptr) {
    lines.push_back({kNewLine, "[" + std::string(section) + "]"});
    lines.push_back({kNewLine, std::string(key) + "=" + std::string(value)});
    return Serialise(lines);
  }
  if (const auto keyLine = FindKeyLine(*found, key)) {
    lines[*keyLine] = {kNewLine, std::string(m_lines[*keyLine].name) + "=" + std::string(value)};
  } else {
    const std::size_t at = BodyEnd(*found);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at),
                 OutLine{kNewLine, std::string(key) + "=" + std::string(value)});
  }
  std::string bytes = Serialise(lines);
  if (bytes == m_bytes) return std::nullopt;
  return bytes;
}

std::optional<std::string> IniDocument::WithValues(std::span<const ValueEdit> values) const {
  // What the edits do to the parse: original key lines rewritten, new lines to go before an
  // original line (or at the end), and new sections after everything.
  struct NewSection {
    std::string name;
    std::vector<std::string> lines;  // "key=value", in the order written
  };
  std::unordered_map<std::size_t, std::string> rewritten;
  std::unordered_map<std::size_t, std::vector<std::string>> insertedBefore;
  std::vector<NewSection> newSections;
  // The key of a line this batch added, as a parse of the new bytes would name it.
  const auto addedKey = [](const std::string& line) { return TrimView(std::string_view(line).substr(0, line.find('='))); };
  // A key line this batch added that a later value of the key (matched as the parse matches
  // keys) rewrites.
  const auto findAdded = [&addedKey](std::vector<std::string>& lines, std::string_view key) -> std::string* {
    for (std::string& line : lines) {
      if (EqualsNoCase(addedKey(line), key)) return &line;
    }
    return nullptr;
  };
  const auto keyLine = [](std::string_view name, std::string_view value) {
    std::string line(name);
    line += '=';
    line += value;
    return line;
  };

  for (const ValueEdit& edit : values) {
    if (const Section* found = FindSection(edit.section)) {
      if (const auto line = FindKeyLine(*found, edit.key)) {
        rewritten[*line] = keyLine(m_lines[*line].name, edit.value);
        continue;
      }
      std::vector<std::string>& added = insertedBefore[BodyEnd(*found)];
      if (std::string* earlier = findAdded(added, edit.key)) {
        *earlier = keyLine(addedKey(*earlier), edit.value);
      } else {
        added.push_back(keyLine(edit.key, edit.value));
      }
      continue;
    }
    auto section = std::find_if(newSections.begin(), newSections.end(),
                                [&](const NewSection& made) { return EqualsNoCase(TrimView(made.name), edit.section); });
    if (section == newSections.end()) {
      newSections.push_back({std::string(edit.section), {}});
      section = std::prev(newSections.end());
    }
    if (std::string* earlier = findAdded(section->lines, edit.key)) {
      *earlier = keyLine(addedKey(*earlier), edit.value);
    } else {
      section->lines.push_back(keyLine(edit.key, edit.value));
    }
  }

  std::vector<OutLine> lines;
  lines.reserve(m_lines.size() + values.size() * 2);
  for (std::size_t index = 0; index <= m_lines.size(); ++index) {
    if (const auto added = insertedBefore.find(index); added != insertedBefore.end()) {
      for (std::string& text : added->second) lines.push_back({kNewLine, std::move(text)});
    }
    if (index == m_lines.size()) break;
    if (auto line = rewritten.find(index); line != rewritten.end()) {
      lines.push_back({kNewLine, std::move(line->second)});
    } else {
      lines.push_back({index, {}});
    }
  }
  for (NewSection& section : newSections) {
    lines.push_back({kNewLine, "[" + section.name + "]"});
    for (std::string& text : section.lines) lines.push_back({kNewLine, std::move(text)});
  }
  std::string bytes = Serialise(lines);
  if (bytes == m_bytes) return std::nullopt;
  return bytes;
}

std::optional<std::string> IniDocument::WithoutKey(std::string_view section, std::string_view key) const {
  const Section* found = FindSection(section);
  if (found == nullptr || !FindKeyLine(*found, key)) return std::nullopt;
  std::vector<OutLine> lines;
  for (std::size_t index = 0; index < m_lines.size(); ++index) {
    const Line& line = m_lines[index];
    const bool inSection = index > found->header && index < found->end;
    if (inSection && line.kind == Kind::Key && EqualsNoCase(line.name, key)) continue;
    lines.push_back({index, {}});
  }
  return Serialise(lines);
}

std::optional<std::string> IniDocument::WithoutSection(std::string_view section) const {
  if (FindSection(section) == nullptr) return std::nullopt;
  std::vector<OutLine> lines = Originals(0, m_sections.front().header);
  for (const Section& each : m_sections) {
    if (EqualsNoCase(each.name, section)) continue;
    const auto kept = Originals(each.header, each.end);
    lines.insert(lines.end(), kept.begin(), kept.end());
  }
  return Serialise(lines);
}

std::optional<std::string> IniDocument::WithSectionBody(std::string_view section,
                                                        const std::vector<std::string>& body) const {
  const Section* found = FindSection(section);
  std::vector<OutLine> lines;
  std::size_t resumeAt = m_lines.size();
  if (found == nullptr) {
    lines = Originals(0, m_lines.size());
    lines.push_back({kNewLine, "[" + std::string(section) + "]"});
  } else {
    lines = Originals(0, found->header + 1);
    resumeAt = BodyEnd(*found);
  }
  for (const std::string& text : body) lines.push_back({kNewLine, text});
  const auto rest = Originals(resumeAt, m_lines.size());
  lines.insert(lines.end(), rest.begin(), rest.end());
  std::string bytes = Serialise(lines);
  if (bytes == m_bytes) return std::nullopt;
  return bytes;
}

}  // namespace platform
