#include "engine/scan/BadBlockTextFile.h"

#include <charconv>
#include <span>

#include "device/Crc16.h"
#include "engine/scan/BlockKinds.h"
#include "engine/scan/BlockMapLayout.h"
#include "platform/Text.h"

namespace {

constexpr std::size_t kRecordBytes = 64;
constexpr std::size_t kBytesPerRawLine = 16;

struct Section {
  const char* title;
  bool (*holds)(BlockGroup group);
};

bool HoldsFactory(BlockGroup group) { return group == BlockGroup::Factory; }
bool HoldsLater(BlockGroup group) { return group == BlockGroup::Run || group == BlockGroup::Marked; }
bool HoldsRdt(BlockGroup group) { return group == BlockGroup::Rdt; }

constexpr Section kSections[] = {
    {"[Early Bad Block]", HoldsFactory},
    {"[Later Bad Block]", HoldsLater},
    {"[RDT Bad Block]", HoldsRdt},
};
constexpr const char* kFileTitle = "[Bad Block File]";
constexpr const char* kRdtInfoTitle = "[RDT Info]";
constexpr const char* kParameterTitle = "[BBT Parameter]";
constexpr const char* kEndTitle = "[End]";

// Where a block of the map sits on the flash, for the entry line.
struct BlockPlace {
  unsigned ce = 0;
  std::uint32_t die = 0;
  std::uint32_t plane = 0;
};

BlockPlace PlaceOf(const BadBlockFileImage& image, unsigned slot, std::uint32_t block) {
  const std::uint32_t blocksPerDie = image.unitsPerCe == 0 ? image.blocksPerSlot : image.blocksPerSlot / image.unitsPerCe;
  BlockPlace place;
  place.ce = CeOfSlot(slot, image.ceMap, image.ceNumberedByMap);
  place.die = blocksPerDie == 0 ? 0 : block / blocksPerDie;
  place.plane = image.planes == 0 ? 0 : block % image.planes;
  return place;
}

std::uint16_t RecordCrc(std::span<const std::uint8_t> record) { return CCrc16::Ccitt(record.data(), record.size()); }

void AppendLine(std::string& out, std::string_view text) {
  out.append(text);
  out.append("\r\n");
}

void AppendRecord(std::string& out, const char* title, const std::array<std::uint8_t, kRecordBytes>& record) {
  AppendLine(out, title);
  for (std::size_t row = 0; row < kRecordBytes; row += kBytesPerRawLine) {
    std::string line;
    for (std::size_t i = 0; i < kBytesPerRawLine; ++i) {
      if (i != 0) line += ' ';
      line += platform::Format("%02X", record[row + i]);
    }
    AppendLine(out, line);
  }
  AppendLine(out, platform::Format("CRC=0x%04X", RecordCrc(record)));
  AppendLine(out, "");
}

// Reads one line after another (blank lines are skipped), reporting where a text stops
// making sense by the line's number in the file.
class LineReader {
 public:
  explicit LineReader(std::string_view text) {
    std::size_t start = 0;
    std::size_t number = 0;
    while (start < text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      ++number;
      std::string line = platform::TrimRight(text.substr(start, end - start));
      if (!line.empty()) m_lines.push_back({number, std::move(line)});
      start = end + 1;
    }
    m_endNumber = number + 1;
  }
  bool AtEnd() const { return m_next >= m_lines.size(); }
  const std::string& Peek() const { return m_lines[m_next].text; }
  void Take() { ++m_next; }
  // The number of the line looked at now (the line after the last one at the end).
  std::size_t Number() const { return AtEnd() ? m_endNumber : m_lines[m_next].number; }
  // The number of the line taken last.
  std::size_t LastNumber() const { return m_next == 0 ? 1 : m_lines[m_next - 1].number; }

 private:
  struct Line {
    std::size_t number;
    std::string text;
  };
  std::vector<Line> m_lines;   // the non-blank lines
  std::size_t m_next = 0;
  std::size_t m_endNumber = 1;
};

// A cursor over one line with strict number reads (no blanks, no signs).
class Cursor {
 public:
  explicit Cursor(std::string_view text) : m_rest(text) {}
  bool Literal(std::string_view text) {
    if (m_rest.substr(0, text.size()) != text) return false;
    m_rest.remove_prefix(text.size());
    return true;
  }
  bool Number(std::uint64_t& value, int base) {
    const auto result = std::from_chars(m_rest.data(), m_rest.data() + m_rest.size(), value, base);
    if (result.ec != std::errc() || result.ptr == m_rest.data()) return false;
    m_rest.remove_prefix(static_cast<std::size_t>(result.ptr - m_rest.data()));
    return true;
  }
  std::string_view Rest() const { return m_rest; }

 private:
  std::string_view m_rest;
};

class Parser {
 public:
  Parser(std::string_view text, std::string& problem) : m_lines(text), m_problem(problem) {}

  std::optional<BadBlockFileImage> Run() {
    BadBlockFileImage image;
    if (!Header(image)) return std::nullopt;
    for (const Section& section : kSections) {
      if (!Entries(section, image)) return std::nullopt;
    }
    if (RecordCrc(image.map) != m_mapCrc) {
      RefuseAt(m_mapCrcLine, "the listed blocks do not give the map's CRC");
      return std::nullopt;
    }
    if (!Record(kRdtInfoTitle, image.rdtInfo) || !Record(kParameterTitle, image.bbtParameter)) return std::nullopt;
    if (!Title(kEndTitle)) return std::nullopt;
    if (!m_lines.AtEnd()) {
      Refuse("text after the end line");
      return std::nullopt;
    }
    return image;
  }

 private:
  // A problem of the line looked at now.
  bool Refuse(const std::string& why) { return RefuseAt(m_lines.Number(), why); }
  // A problem of the line taken last.
  bool RefuseTaken(const std::string& why) { return RefuseAt(m_lines.LastNumber(), why); }
  bool RefuseAt(std::size_t line, const std::string& why) {
    m_problem = platform::Format("line %zu: %s", line, why.c_str());
    return false;
  }

  bool Title(const char* title) {
    if (m_lines.AtEnd()) return Refuse(platform::Format("%s missing (file cut short)", title));
    if (m_lines.Peek() != title) return Refuse(platform::Format("%s expected", title));
    m_lines.Take();
    return true;
  }

  // "name=<number>"; a hexadecimal number may carry "0x".
  bool Key(const char* name, int base, std::uint64_t limit, std::uint64_t& value) {
    if (m_lines.AtEnd()) return Refuse(platform::Format("%s missing (file cut short)", name));
    Cursor cursor(m_lines.Peek());
    if (!cursor.Literal(name) || !cursor.Literal("=")) return Refuse(platform::Format("%s=<value> expected", name));
    if (base == 16) cursor.Literal("0x");
    if (!cursor.Number(value, base) || !cursor.Rest().empty() ||
        value > limit) {
      return Refuse(platform::Format("%s=<value> expected", name));
    }
    m_lines.Take();
    return true;
  }

  bool Header(BadBlockFileImage& image) {
    std::uint64_t ceSlots = 0, ceMap = 0, numbered = 0, perSlot = 0, units = 0, planes = 0, mapBytes = 0;
    if (!Title(kFileTitle) || !Key("CE Count", 10, 64, ceSlots) || !Key("CE Map", 16, ~0ull, ceMap) ||
        !Key("CE Numbered By Map", 10, 1, numbered) || !Key("Block Per CE", 10, kLargestBlockMapBytes, perSlot) ||
        !Key("Die Per CE", 10, 255, units) || !Key("Plane Number", 10, 4, planes) ||
        !Key("Map Bytes", 10, kLargestBlockMapBytes, mapBytes)) {
      return false;
    }
    if (ceSlots == 0 || perSlot == 0 || units == 0 || planes == 0) return RefuseTaken("empty geometry");
    if (ceSlots * perSlot > mapBytes) return RefuseTaken("the CEs listed do not fit the block map");
    if (!Key("Map CRC", 16, 0xFFFF, m_mapCrc)) return false;
    m_mapCrcLine = m_lines.LastNumber();
    image.ceSlots = static_cast<std::uint32_t>(ceSlots);
    image.ceMap = ceMap;
    image.ceNumberedByMap = numbered != 0;
    image.blocksPerSlot = static_cast<std::uint32_t>(perSlot);
    image.unitsPerCe = static_cast<std::uint32_t>(units);
    image.planes = static_cast<std::uint32_t>(planes);
    image.map.assign(static_cast<std::size_t>(mapBytes), 0);
    return true;
  }

  bool Entries(const Section& section, BadBlockFileImage& image) {
    std::uint64_t count = 0;
    if (!Title(section.title) || !Key("Count", 10, image.map.size(), count)) return false;
    for (std::uint64_t i = 0; i < count; ++i) {
      if (m_lines.AtEnd() || m_lines.Peek().front() == '[') return Refuse("fewer entries than counted");
      if (!Entry(section, image)) return false;
      m_lines.Take();
    }
    if (!m_lines.AtEnd() && m_lines.Peek().front() != '[') return Refuse("more entries than counted");
    return true;
  }

  bool Entry(const Section& section, BadBlockFileImage& image) {
    std::uint64_t ce = 0, die = 0, plane = 0, block = 0, blockHex = 0, status = 0;
    Cursor cursor(m_lines.Peek());
    const bool parsed = cursor.Literal("CE:") && cursor.Number(ce, 10) && cursor.Literal(",Die:") &&
                        cursor.Number(die, 10) && cursor.Literal(",Plane:") && cursor.Number(plane, 10) &&
                        cursor.Literal(",Block:") && cursor.Number(block, 10) && cursor.Literal("(0x") &&
                        cursor.Number(blockHex, 16) && cursor.Literal("),Status=0x") && cursor.Number(status, 16) &&
                        (cursor.Rest().empty() || cursor.Literal(","));
    if (!parsed) return Refuse("bad-block entry does not parse");
    if (block != blockHex) return Refuse("block number and its hexadecimal form differ");
    if (ce >= 64 || block >= image.blocksPerSlot || status == 0 || status > 0xFF) {
      return Refuse("bad-block entry outside the block map");
    }
    const std::optional<unsigned> slot = SlotOfCe(static_cast<unsigned>(ce), image.ceMap, image.ceNumberedByMap);
    if (!slot || *slot >= image.ceSlots) return Refuse("CE not listed in the file's CE map");
    const BlockPlace place = PlaceOf(image, *slot, static_cast<std::uint32_t>(block));
    if (place.die != die || place.plane != plane) return Refuse("die or plane does not match the block");
    const auto statusByte = static_cast<std::uint8_t>(status);
    if (!section.holds(ClassifyBlock(statusByte).group)) return Refuse("status does not belong to this section");
    std::uint8_t& entry = image.map[static_cast<std::size_t>(*slot) * image.blocksPerSlot + block];
    if (entry != 0) return Refuse("block listed twice");
    entry = statusByte;
    return true;
  }

  bool Record(const char* title, std::array<std::uint8_t, kRecordBytes>& record) {
    if (!Title(title)) return false;
    for (std::size_t row = 0; row < kRecordBytes; row += kBytesPerRawLine) {
      if (m_lines.AtEnd()) return Refuse("record cut short");
      Cursor cursor(m_lines.Peek());
      for (std::size_t i = 0; i < kBytesPerRawLine; ++i) {
        const std::string_view rest = cursor.Rest();
        std::uint64_t value = 0;
        if ((i != 0 && !cursor.Literal(" ")) || !cursor.Number(value, 16) ||
            rest.size() - cursor.Rest().size() != (i != 0 ? 3u : 2u)) {
          return Refuse("record line must hold 16 bytes of two hexadecimal digits");
        }
        record[row + i] = static_cast<std::uint8_t>(value);
      }
      if (!cursor.Rest().empty()) return Refuse("record line must hold 16 bytes");
      m_lines.Take();
    }
    std::uint64_t crc = 0;
    if (!Key("CRC", 16, 0xFFFF, crc)) return false;
    if (crc != RecordCrc(record)) return RefuseTaken(platform::Format("%s fails its CRC", title));
    return true;
  }

  LineReader m_lines;
  std::string& m_problem;
  std::uint64_t m_mapCrc = 0;
  std::size_t m_mapCrcLine = 0;
};

}  // namespace

std::string FormatBadBlockFile(const BadBlockFileImage& image) {
  std::string out;
  AppendLine(out, kFileTitle);
  AppendLine(out, platform::Format("CE Count=%u", image.ceSlots));
  AppendLine(out, platform::Format("CE Map=%016llX", static_cast<unsigned long long>(image.ceMap)));
  AppendLine(out, platform::Format("CE Numbered By Map=%d", image.ceNumberedByMap ? 1 : 0));
  AppendLine(out, platform::Format("Block Per CE=%u", image.blocksPerSlot));
  AppendLine(out, platform::Format("Die Per CE=%u", image.unitsPerCe));
  AppendLine(out, platform::Format("Plane Number=%u", image.planes));
  AppendLine(out, platform::Format("Map Bytes=%zu", image.map.size()));
  AppendLine(out, platform::Format("Map CRC=0x%04X", RecordCrc(image.map)));
  AppendLine(out, "");
  for (const Section& section : kSections) {
    std::vector<std::string> entries;
    for (unsigned slot = 0; slot < image.ceSlots; ++slot) {
      for (std::uint32_t block = 0; block < image.blocksPerSlot; ++block) {
        const std::size_t at = static_cast<std::size_t>(slot) * image.blocksPerSlot + block;
        if (at >= image.map.size()) break;
        const std::uint8_t status = image.map[at];
        const BlockKind kind = ClassifyBlock(status);
        if (status == 0 || !section.holds(kind.group)) continue;
        const BlockPlace place = PlaceOf(image, slot, block);
        std::string entry = platform::Format("CE:%u,Die:%u,Plane:%u,Block:%u(0x%04X),Status=0x%02X", place.ce,
                                             place.die, place.plane, block, block, status);
        if (!kind.text.empty()) entry += "," + std::string(kind.text);
        entries.push_back(std::move(entry));
      }
    }
    AppendLine(out, section.title);
    AppendLine(out, platform::Format("Count=%zu", entries.size()));
    for (const std::string& entry : entries) AppendLine(out, entry);
    AppendLine(out, "");
  }
  AppendRecord(out, kRdtInfoTitle, image.rdtInfo);
  AppendRecord(out, kParameterTitle, image.bbtParameter);
  AppendLine(out, kEndTitle);
  return out;
}

std::optional<BadBlockFileImage> ParseBadBlockFile(std::string_view text, std::string& problem) {
  return Parser(text, problem).Run();
}
