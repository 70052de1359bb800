#include "pages/results/ScanBadBlockLine.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "engine/scan/BlockKinds.h"
#include "pages/results/ReportLineCursor.h"

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

ScanFailKind ScanFailKindOf(std::string_view type) {
  auto holds = [type](std::string_view word) { return type.find(word) != std::string_view::npos; };
  if (type == "EraseBad-RDT") return ScanFailKind::EraseRdt;
  if (type == "ProgramBad-RDT") return ScanFailKind::ProgramRdt;
  if (holds("ReadBad-RDT")) return ScanFailKind::ReadRdt;
  if (type == "EraseBad-Run") return ScanFailKind::EraseRun;
  if (type == "ProgramBad-Run") return ScanFailKind::ProgramRun;
  if (holds("ReadBad-Run")) return ScanFailKind::ReadRun;
  return ScanFailKind::None;
}

namespace {

struct KnownKind {
  std::string text;
  std::string compact;
  std::uint32_t marks = 0;
  ScanFailKind failKind = ScanFailKind::None;
};

// Every kind text the scan writes, taken from the scan's own classification of the 256 block
// states, ordered by length so that a kind read from a line is compared with the few of its
// length only.
class KnownKinds {
 public:
  KnownKinds() {
    for (int status = 0; status < 256; ++status) {
      const BlockKind kind = ClassifyBlock(static_cast<std::uint8_t>(status));
      if (!IsBadGroup(kind.group)) continue;
      const std::string text(kind.text);
      if (std::any_of(m_kinds.begin(), m_kinds.end(), [&](const KnownKind& known) { return known.text == text; })) {
        continue;
      }
      std::string compact = text;
      compact.erase(std::remove(compact.begin(), compact.end(), ' '), compact.end());
      const ScanFailKind failKind = ScanFailKindOf(compact);
      m_kinds.push_back(KnownKind{text, std::move(compact), KindMarksOf(text), failKind});
    }
    std::stable_sort(m_kinds.begin(), m_kinds.end(),
                     [](const KnownKind& a, const KnownKind& b) { return a.text.size() < b.text.size(); });
    // m_first[n]: the first kind of length n or more.
    std::size_t at = 0;
    for (std::size_t length = 0; length < m_first.size(); ++length) {
      while (at < m_kinds.size() && m_kinds[at].text.size() < length) ++at;
      m_first[length] = at;
    }
  }

  const KnownKind* Find(std::string_view kind) const {
    if (kind.size() + 1 >= m_first.size()) return nullptr;
    for (std::size_t i = m_first[kind.size()]; i < m_first[kind.size() + 1]; ++i) {
      const KnownKind& known = m_kinds[i];
      if (CReportLineCursor::SameBytes(known.text.data(), kind.data(), kind.size())) return &known;
    }
    return nullptr;
  }

 private:
  std::vector<KnownKind> m_kinds;
  std::array<std::size_t, 34> m_first{};
};

const KnownKinds& TheKnownKinds() {
  static const KnownKinds kinds;
  return kinds;
}

}  // namespace

bool ParseEngineBadBlockLine(std::string_view line, EngineBadBlockLine& parsed) {
  CReportLineCursor cursor(line);
  cursor.SkipSpaces();
  if (!cursor.Literal("Channel:") || !cursor.Digits(parsed.channel)) return false;
  if (!cursor.Literal(",CE:") || !cursor.Digits(parsed.ce)) return false;
  if (!cursor.Literal(",Die:") || !cursor.Digits(parsed.die)) return false;
  if (!cursor.Literal(",Plane:") || !cursor.Digits(parsed.plane)) return false;
  if (!cursor.Literal(";")) return false;
  cursor.SkipSpaces();
  if (cursor.Literal("Early Bad Block_")) {
    parsed.early = true;
  } else if (cursor.Literal("Later Bad Block_")) {
    parsed.early = false;
  } else {
    return false;
  }
  if (!cursor.Digits(parsed.block) || !cursor.Literal(" (")) return false;
  const std::size_t addressStart = cursor.At();
  std::string_view hexDigits;
  if (!cursor.Literal("0x") || !cursor.HexDigits(hexDigits)) return false;
  parsed.address = cursor.From(addressStart);
  if (!cursor.Literal(")")) return false;
  const KnownKind* const known = TheKnownKinds().Find(cursor.Rest());
  if (known == nullptr) return false;
  parsed.kindText = cursor.Rest();
  parsed.compactKind = known->compact;
  parsed.marks = known->marks;
  parsed.failKind = known->failKind;
  return true;
}
