#include "pages/results/ScanBadBlockLine.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "engine/scan/BlockKinds.h"

namespace {

struct KnownKind {
  std::string text;
  std::string compact;
  std::uint32_t marks = 0;
};

}  // namespace

std::uint32_t KindMarksOf(std::string_view kind) {
  auto has = [kind](std::string_view word) { return kind.find(word) != std::string_view::npos; };
  std::uint32_t marks = 0;
  if (has("Erase Bad-RDT")) marks |= kKindEraseRdt;
  if (has("Program Bad-RDT")) marks |= kKindProgramRdt;
  if (has("Read Bad-RDT")) marks |= kKindReadRdt;
  if (has("Erase Bad-Run")) marks |= kKindEraseRun;
  if (has("Program Bad-Run")) marks |= kKindProgramRun;
  if (has("Read Bad-Run")) marks |= kKindReadRun;
  if (has("Erase-OLB") || has("Program-OLB") || has("Read-OLB") || has("Raid-OLB")) marks |= kKindOlb;
  if (has("RDT")) marks |= kKindRdtWord;
  return marks;
}

namespace {

// Every kind text the scan writes, taken from the scan's own classification of the 256
// block states.
const std::vector<KnownKind>& KnownKinds() {
  static const std::vector<KnownKind> kinds = [] {
    std::vector<KnownKind> list;
    for (int status = 0; status < 256; ++status) {
      const BlockKind kind = ClassifyBlock(static_cast<std::uint8_t>(status));
      if (!IsBadGroup(kind.group)) continue;
      const std::string text(kind.text);
      if (std::any_of(list.begin(), list.end(), [&](const KnownKind& known) { return known.text == text; })) continue;
      std::string compact = text;
      compact.erase(std::remove(compact.begin(), compact.end(), ' '), compact.end());
      list.push_back(KnownKind{text, compact, KindMarksOf(text)});
    }
    return list;
  }();
  return kinds;
}

class LineCursor {
 public:
  explicit LineCursor(std::string_view line) : m_line(line) {}
  void SkipSpaces() {
    while (m_at < m_line.size() && m_line[m_at] == ' ') ++m_at;
  }
  template <std::size_t N>
  bool Literal(const char (&text)[N]) {
    constexpr std::size_t kLength = N - 1;
    if (m_line.size() - m_at < kLength) return false;
    const char* const at = m_line.data() + m_at;
    for (std::size_t i = 0; i < kLength; ++i) {
      if (at[i] != text[i]) return false;
    }
    m_at += kLength;
    return true;
  }
  bool Digits(std::string_view& out, bool hex) {
    const std::size_t start = m_at;
    while (m_at < m_line.size() && IsDigit(m_line[m_at], hex)) ++m_at;
    out = m_line.substr(start, m_at - start);
    return m_at > start;
  }
  std::string_view Rest() const { return m_line.substr(m_at); }
  std::string_view From(std::size_t start) const { return m_line.substr(start, m_at - start); }
  std::size_t At() const { return m_at; }

 private:
  static bool IsDigit(char c, bool hex) {
    return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
  }
  std::string_view m_line;
  std::size_t m_at = 0;
};

}  // namespace

bool ParseEngineBadBlockLine(std::string_view line, EngineBadBlockLine& parsed) {
  LineCursor cursor(line);
  cursor.SkipSpaces();
  if (!cursor.Literal("Channel:") || !cursor.Digits(parsed.channel, false)) return false;
  if (!cursor.Literal(",CE:") || !cursor.Digits(parsed.ce, false)) return false;
  if (!cursor.Literal(",Die:") || !cursor.Digits(parsed.die, false)) return false;
  if (!cursor.Literal(",Plane:") || !cursor.Digits(parsed.plane, false)) return false;
  if (!cursor.Literal(";")) return false;
  cursor.SkipSpaces();
  if (cursor.Literal("Early Bad Block_")) {
    parsed.early = true;
  } else if (cursor.Literal("Later Bad Block_")) {
    parsed.early = false;
  } else {
    return false;
  }
  if (!cursor.Digits(parsed.block, false) || !cursor.Literal(" (")) return false;
  const std::size_t addressStart = cursor.At();
  std::string_view hexDigits;
  if (!cursor.Literal("0x") || !cursor.Digits(hexDigits, true)) return false;
  parsed.address = cursor.From(addressStart);
  if (!cursor.Literal(")")) return false;
  const std::string_view kind = cursor.Rest();
  for (const KnownKind& known : KnownKinds()) {
    if (known.text.size() == kind.size() && (kind.empty() || known.text[0] == kind[0]) && known.text == kind) {
      parsed.kindText = kind;
      parsed.compactKind = known.compact;
      parsed.marks = known.marks;
      return true;
    }
  }
  return false;
}
