#include "sim/ScenarioLoader.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <map>
#include <optional>
#include <type_traits>
#include <variant>

#include "platform/Files.h"
#include "platform/IniDocument.h"
#include "platform/Text.h"
#include "sim/FirmwareImageHeader.h"
#include "sim/ScenarioKeys.h"
#include "sim/TimeScale.h"

namespace sim {

namespace {

constexpr unsigned kMaxBoards = 8;
constexpr unsigned kMaxSlots = 48;
constexpr unsigned kMaxTesterNumber = 48;
constexpr char kEmpty[] = "Empty";
constexpr char kDriveSection[] = "Drive";

constexpr std::uint64_t kMaxScenarioBytes = 1u << 20;
constexpr std::int64_t kMaxPatchOffset = 16 << 20;  // no RDT log is larger
constexpr std::uint64_t kMaxImageFileBytes = 8u << 20;  // no firmware image is larger
// What one simulated station may hold, so that a scenario cannot exhaust the machine: the
// blocks of one drive's block map (its CE slots times the blocks per CE), the bad blocks of
// one drive (every one is a line of its report and an entry of its logs), and the blocks of
// every drive of the station together.
constexpr std::uint64_t kMaxBlocksPerDrive = 1u << 20;
constexpr std::uint64_t kMaxBadBlocksPerDrive = 1u << 16;
constexpr std::uint64_t kMaxBlocksPerStation = 1u << 24;
// The first blocks of a CE stay good unless named (BadBlockMap.h).
constexpr std::uint32_t kAlwaysGoodBlocks = 4;

// One key of the file: its value and where it stands.
struct KeyEntry {
  std::string name;     // as written
  std::string value;
  std::string section;  // the section it stands in, as written
  std::size_t line = 0;
};
using KeyMap = std::map<std::string, KeyEntry>;  // lower-case key -> entry

struct CheckedSection {
  std::string name;
  std::size_t line = 0;
  KeyMap keys;
};

// A scenario file that passed the line check: every line a section header, a key of its
// section or a comment, each section and key once.
struct CheckedFile {
  std::string path;
  std::map<std::string, CheckedSection> sections;  // lower-case name -> section

  const CheckedSection* Find(const std::string& name) const {
    const auto found = sections.find(platform::ToLower(name));
    return found == sections.end() ? nullptr : &found->second;
  }
  KeyMap Keys(const std::string& name) const {
    const CheckedSection* section = Find(name);
    return section ? section->keys : KeyMap{};
  }
};

// "<file> line <n>: " or "<file> line <n>, [<section>] <key>: ".
std::string At(const std::string& file, std::size_t line) { return platform::Format("%s line %zu", file.c_str(), line); }

// The board number of a section named "Board<b>" (b from 1, no leading zero), or 0.
unsigned BoardNumber(std::string_view section) {
  constexpr std::string_view kBoard = "Board";
  if (section.size() <= kBoard.size() || !platform::StartsWithNoCase(section, kBoard)) return 0;
  const std::string_view digits = section.substr(kBoard.size());
  if (digits.front() == '0' || digits.size() > 3) return 0;
  unsigned number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return 0;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  return number;
}

ScenarioSection KindOf(std::string_view section) {
  if (platform::EqualsNoCase(section, "Station")) return ScenarioSection::Station;
  if (BoardNumber(section) != 0) return ScenarioSection::Board;
  return ScenarioSection::Drive;
}

// The first byte of the line that text files do not hold (control characters but tab).
std::optional<unsigned char> ControlCharacter(std::string_view text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && byte != '\t') || byte == 0x7F) return byte;
  }
  return std::nullopt;
}

// The line check: a line that is not a section header, a key or a comment, a key outside a
// section, a key that the section's kind does not know, and a section or key written twice
// are refused with the file, the line and the reason.
bool CheckScenarioFile(const std::string& path, std::string bytes, CheckedFile& file, std::string& error) {
  file.path = path;
  const platform::IniDocument document(std::move(bytes));
  CheckedSection* current = nullptr;
  for (const platform::IniDocument::LineInfo& line : document.Lines()) {
    using Kind = platform::IniDocument::LineKind;
    if (const auto control = ControlCharacter(line.text)) {
      error = At(path, line.number) + platform::Format(": not a line of text (byte 0x%02X)", *control);
      return false;
    }
    if (line.kind == Kind::Blank || line.kind == Kind::Comment) continue;
    if (line.kind == Kind::Other) {
      error = At(path, line.number) + ": not a section, a key or a comment";
      return false;
    }
    if (line.kind == Kind::Header) {
      const std::string trimmed = platform::Trim(line.text);
      if (line.name.empty() || trimmed.back() != ']' || trimmed.find(']') != trimmed.size() - 1) {
        error = At(path, line.number) + ": not a section header (expected [<name>])";
        return false;
      }
      const std::string lower = platform::ToLower(line.name);
      if (const CheckedSection* earlier = file.Find(std::string(line.name))) {
        error = At(path, line.number) + platform::Format(": section [%s] is already on line %zu",
                                                         std::string(line.name).c_str(), earlier->line);
        return false;
      }
      current = &file.sections[lower];
      current->name = std::string(line.name);
      current->line = line.number;
      continue;
    }
    const std::string key(line.name);
    if (current == nullptr) {
      error = At(path, line.number) + ", " + key + ": a key before the first section";
      return false;
    }
    const std::string where = At(path, line.number) + ", [" + current->name + "] " + key + ": ";
    if (!IsScenarioKey(KindOf(current->name), key)) {
      error = where + "unknown key";
      return false;
    }
    const auto [entry, added] = current->keys.try_emplace(platform::ToLower(key));
    if (!added) {
      error = where + platform::Format("already set on line %zu", entry->second.line);
      return false;
    }
    entry->second = {key, std::string(line.value), current->name, line.number};
  }
  if (file.sections.empty()) {
    error = path + ": no section: not a scenario file";
    return false;
  }
  return true;
}

std::optional<std::int64_t> ParseDecimal(std::string_view text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> ParseHexText(std::string_view text) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text.remove_prefix(2);
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

// The range of one field of a listed entry.
struct FieldRange {
  std::int64_t low;
  std::int64_t high;
  bool hex = false;
};
constexpr FieldRange kByte{0, 0xFF};
constexpr FieldRange kHexByte{0, 0xFF, true};
constexpr FieldRange kNibble{0, 0xF};
constexpr FieldRange kWord{0, 0xFFFF};
constexpr FieldRange kLong{0, 0xFFFFFFFFll};
constexpr FieldRange kSignedByte{-128, 127};

// Fields of a comma-separated entry, trimmed.
std::vector<std::string> Fields(const std::string& text) {
  std::vector<std::string> fields;
  for (const auto& field : platform::Split(text, ',')) fields.push_back(platform::Trim(field));
  return fields;
}

// Reads typed values from one section's keys, remembering the first error.
class KeyReader {
 public:
  // sectionLine: the line of the section's header (0 when the file has no such section), named
  // by errors about a key the section does not set.
  KeyReader(std::string file, const CheckedFile& checked, std::string section, ScenarioSection kind, KeyMap keys,
            std::string& error)
      : m_file(std::move(file)),
        m_section(std::move(section)),
        m_sectionLine(checked.Find(m_section) ? checked.Find(m_section)->line : 0),
        m_kind(kind),
        m_keys(std::move(keys)),
        m_error(error) {}

  bool Has(const std::string& key) {
    Declared(key);
    return m_keys.count(platform::ToLower(key)) != 0;
  }
  std::string Text(const std::string& key, const std::string& fallback) {
    Declared(key);
    const auto found = m_keys.find(platform::ToLower(key));
    return found == m_keys.end() ? fallback : found->second.value;
  }
  // A text value of at most `limit` bytes.
  std::string Text(const std::string& key, const std::string& fallback, std::size_t limit) {
    std::string text = Text(key, fallback);
    if (text.size() > limit) {
      Fail(key, platform::Format("expected at most %zu characters", limit));
      text.resize(limit);
    }
    return text;
  }
  std::int64_t Int(const std::string& key, std::int64_t fallback, std::int64_t low, std::int64_t high) {
    if (!Has(key)) return fallback;
    const auto value = ParseDecimal(Text(key, ""));
    if (!value || *value < low || *value > high) {
      Fail(key, platform::Format("expected a number from %lld to %lld", static_cast<long long>(low),
                                 static_cast<long long>(high)));
      return fallback;
    }
    return *value;
  }
  std::uint64_t Hex(const std::string& key, std::uint64_t fallback, std::uint64_t high) {
    if (!Has(key)) return fallback;
    const auto value = ParseHexText(Text(key, ""));
    if (!value || *value > high) {
      Fail(key, "expected a hexadecimal number");
      return fallback;
    }
    return *value;
  }
  // One of the given words (without regard to case); its index.
  std::size_t Choice(const std::string& key, std::size_t fallback, const std::vector<std::string>& words) {
    if (!Has(key)) return fallback;
    const std::string value = Text(key, "");
    for (std::size_t i = 0; i < words.size(); ++i) {
      if (platform::EqualsNoCase(value, words[i])) return i;
    }
    Fail(key, "unknown value \"" + value + "\"");
    return fallback;
  }
  // Keys <prefix><k> with k = 1, 2, ... in the order of k, as (key, value).
  std::vector<std::pair<std::string, std::string>> Listed(const std::string& prefix) {
    Declared(prefix + "1");
    std::vector<std::pair<std::int64_t, std::pair<std::string, std::string>>> found;
    const std::string lowerPrefix = platform::ToLower(prefix);
    for (const auto& [key, entry] : m_keys) {
      if (key.size() <= lowerPrefix.size() || key.compare(0, lowerPrefix.size(), lowerPrefix) != 0) continue;
      const auto index = ParseDecimal(std::string_view(key).substr(lowerPrefix.size()));
      if (index && *index >= 1) found.push_back({*index, {prefix + key.substr(lowerPrefix.size()), entry.value}});
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::pair<std::string, std::string>> entries;
    for (auto& item : found) entries.push_back(std::move(item.second));
    return entries;
  }
  // The numbers of a listed entry: exactly one field per range, each decimal (or hex where
  // the range says so) and within its range.
  std::optional<std::vector<std::int64_t>> Numbers(const std::string& key, const std::string& value,
                                                   const std::vector<FieldRange>& ranges) {
    const auto fields = Fields(value);
    std::vector<std::int64_t> numbers;
    for (std::size_t i = 0; i < fields.size() && i < ranges.size(); ++i) {
      std::optional<std::int64_t> number;
      if (!ranges[i].hex) {
        number = ParseDecimal(fields[i]);
      } else if (const auto hexValue = ParseHexText(fields[i]); hexValue && *hexValue <= 0xFFFFFFFFull) {
        number = static_cast<std::int64_t>(*hexValue);
      }
      if (!number) break;
      if (*number < ranges[i].low || *number > ranges[i].high) {
        Fail(key, platform::Format("field %zu: expected a number from %lld to %lld", i + 1,
                                   static_cast<long long>(ranges[i].low), static_cast<long long>(ranges[i].high)));
        return std::nullopt;
      }
      numbers.push_back(*number);
    }
    if (numbers.size() != ranges.size() || fields.size() != ranges.size()) {
      Fail(key, platform::Format("expected %zu numbers", ranges.size()));
      return std::nullopt;
    }
    return numbers;
  }
  // The first error of the load, with the line of the key and the section it stands in (a
  // profile's value may come from [Drive]).
  void Fail(const std::string& key, const std::string& what) {
    if (!m_error.empty()) return;
    const auto found = m_keys.find(platform::ToLower(key));
    if (found == m_keys.end()) {
      m_error = (m_sectionLine != 0 ? At(m_file, m_sectionLine) : m_file) + ", [" + m_section + "] " + key + ": " + what;
    } else {
      m_error = At(m_file, found->second.line) + ", [" + found->second.section + "] " + found->second.name + ": " + what;
    }
  }
  bool Failed() const { return !m_error.empty(); }

 private:
  // The reading code may ask only for keys the table declares (ScenarioKeys.h).
  void Declared(const std::string& key) {
    if (!IsScenarioKey(m_kind, key)) Fail(key, "read by the loader but missing from the scenario key table");
  }

  std::string m_file;
  std::string m_section;
  std::size_t m_sectionLine;
  ScenarioSection m_kind;
  KeyMap m_keys;
  std::string& m_error;
};

std::uint8_t Byte(std::int64_t value) { return static_cast<std::uint8_t>(value); }

// ---- keys that set one field each -----------------------------------------------------------

// A key that sets one field of the object a table reads into: a decimal number from low to
// high (a flag is one from 0 to 1), a hexadecimal number up to high, or a text of at most high
// characters. The field's value before the read is the key's fallback. Once the key is read,
// `refuse` names what the object may not be (the reason; null where it may be).
template <class Target>
struct FieldKey {
  using Field = std::variant<bool Target::*, std::uint8_t Target::*, std::uint16_t Target::*, std::uint32_t Target::*,
                             std::uint64_t Target::*, std::string Target::*>;
  using Refusal = const char* (*)(const Target&);

  const char* key;
  Field field;
  bool hex;  // a number written in hexadecimal (a text is told by its field)
  std::int64_t low;
  std::uint64_t high;
  Refusal refuse;
};

template <class Target, class Value>
constexpr FieldKey<Target> DecimalKey(const char* key, Value Target::*field, std::int64_t low, std::int64_t high,
                                      typename FieldKey<Target>::Refusal refuse = nullptr) {
  return {key, field, false, low, static_cast<std::uint64_t>(high), refuse};
}
template <class Target, class Value>
constexpr FieldKey<Target> HexKey(const char* key, Value Target::*field, std::uint64_t high) {
  return {key, field, true, 0, high, nullptr};
}
template <class Target>
constexpr FieldKey<Target> FlagKey(const char* key, bool Target::*field) {
  return {key, field, false, 0, 1, nullptr};
}
template <class Target>
constexpr FieldKey<Target> TextKey(const char* key, std::string Target::*field, std::size_t limit = std::string::npos,
                                   typename FieldKey<Target>::Refusal refuse = nullptr) {
  return {key, field, false, 0, limit, refuse};
}

// Reads the keys of the table in its order into the target.
template <class Target, std::size_t N>
void ReadFields(KeyReader& keys, const FieldKey<Target> (&table)[N], Target& target) {
  for (const FieldKey<Target>& entry : table) {
    std::visit(
        [&](auto member) {
          auto& field = target.*member;
          using Value = std::remove_reference_t<decltype(field)>;
          if constexpr (std::is_same_v<Value, std::string>) {
            field = keys.Text(entry.key, field, static_cast<std::size_t>(entry.high));
          } else if (entry.hex) {
            field = static_cast<Value>(keys.Hex(entry.key, field, entry.high));
          } else {
            field = static_cast<Value>(keys.Int(entry.key, static_cast<std::int64_t>(field), entry.low,
                                                static_cast<std::int64_t>(entry.high)));
          }
        },
        entry.field);
    if (entry.refuse == nullptr) continue;
    if (const char* reason = entry.refuse(target)) keys.Fail(entry.key, reason);
  }
}

constexpr FieldKey<BoardProfile> kBoardKeys[] = {
    TextKey("Product", &BoardProfile::product, std::string::npos,
            [](const BoardProfile& board) -> const char* {
              return platform::EqualsNoCase(board.product, device::kTesterProductSataS) ||
                             platform::EqualsNoCase(board.product, device::kTesterProductSata3)
                         ? nullptr
                         : "expected SATA TESTER-S or SATA3-TESTER";
            }),
    DecimalKey("Slots", &BoardProfile::slots, 1, kMaxSlots),
    DecimalKey("FirstTester", &BoardProfile::firstTesterNumber, 1, kMaxTesterNumber,
               [](const BoardProfile& board) -> const char* {
                 return board.firstTesterNumber + board.slots - 1 > kMaxTesterNumber
                            ? "slot tester numbers must stay within 1..48"
                            : nullptr;
               }),
    DecimalKey("TesterType", &BoardProfile::testerType, 1, 4),
};

// IDENTIFY DEVICE holds 20 characters of serial number and 40 of model number.
constexpr FieldKey<DriveProfile> kDriveIdentityKeys[] = {
    TextKey("BootName", &DriveProfile::bootName),
    TextKey("BurnerName", &DriveProfile::burnerName),
    TextKey("FlashName", &DriveProfile::flashName),
    TextKey("RdtName", &DriveProfile::rdtName),
    TextKey("Serial", &DriveProfile::serialNumber, 20),
    TextKey("Model", &DriveProfile::modelNumber, 40),
    TextKey("BinType", &DriveProfile::binType),
    HexKey("IcVersion", &DriveProfile::icVersion, 0xFFFF),
};

constexpr FieldKey<FlashGeometry> kGeometryKeys[] = {
    HexKey("CeMap", &FlashGeometry::ceMap, ~0ull),
    FlagKey("CeNumberedByMap", &FlashGeometry::ceNumberedByMap),
    DecimalKey("Dies", &FlashGeometry::diesPerCe, 1, 8),
    DecimalKey("Planes", &FlashGeometry::planes, 1, 4,
               [](const FlashGeometry& geometry) -> const char* {
                 return geometry.planes == 3 ? "expected 1, 2 or 4" : nullptr;
               }),
    DecimalKey("BlocksPerCe", &FlashGeometry::blocksPerCe, 8, 65535,
               [](const FlashGeometry& geometry) -> const char* {
                 return geometry.blocksPerCe % geometry.diesPerCe != 0 ? "must divide evenly by Dies" : nullptr;
               }),
    DecimalKey("DiesPerChip", &FlashGeometry::diesPerChip, 0, 8,
               [](const FlashGeometry& geometry) -> const char* {
                 return geometry.diesPerChip != 0 && geometry.diesPerCe % geometry.diesPerChip != 0
                            ? "must divide Dies evenly"
                            : nullptr;
               }),
    DecimalKey("PageSectors", &FlashGeometry::pageSectors, 1, 256),
    DecimalKey("CeSizeExponent", &FlashGeometry::ceSizeExponent, 0, 10),
};

constexpr FieldKey<BadBlockPlan> kBadBlockCountKeys[] = {
    DecimalKey("EarlyBadPerCe", &BadBlockPlan::earlyBadPerCe, 0, 65535),
    DecimalKey("LaterBadPerCe", &BadBlockPlan::laterBadPerCe, 0, 65535),
};

// What an earlier run left on the drive, and the drive's own faults.
constexpr FieldKey<DriveProfile> kDriveStateKeys[] = {
    HexKey("GoodMark", &DriveProfile::goodMark, 0xFF),
    FlagKey("DramFail", &DriveProfile::dramFail),
    FlagKey("EFuseBad", &DriveProfile::eFuseBad),
    FlagKey("SmartThresholdExceeded", &DriveProfile::smartThresholdExceeded),
    FlagKey("ApKeyRefused", &DriveProfile::apKeyRefused),
};

// The RDT's results and settings before its firmware version ...
constexpr FieldKey<RdtPlan> kRdtResultKeys[] = {
    HexKey("RdtResultCode", &RdtPlan::resultCode, 0xFF),
    DecimalKey("RdtBadBlockNumber", &RdtPlan::badBlockNumber, 0, 0xFFFFFF),
    HexKey("RdtCeMap", &RdtPlan::ceMap, 0xFFFF),
    DecimalKey("RdtTlcLoops", &RdtPlan::tlcLoops, 0, 255),
    DecimalKey("RdtSlcLoops", &RdtPlan::slcLoops, 0, 255),
    DecimalKey("RdtTlcEcc", &RdtPlan::tlcEccThreshold, 0, 255),
    DecimalKey("RdtSlcEcc", &RdtPlan::slcEccThreshold, 0, 255),
    DecimalKey("RdtMinTemp", &RdtPlan::minTemperature, 0, 255),
    DecimalKey("RdtMaxTemp", &RdtPlan::maxTemperature, 0, 255),
    DecimalKey("RdtTemp", &RdtPlan::temperature, 0, 255),
    DecimalKey("RdtTotalTime", &RdtPlan::totalTimeSeconds, 0, 0xFFFFFFFF),
};
// ... and the run information after it.
constexpr FieldKey<RdtPlan> kRdtRunKeys[] = {
    HexKey("RdtSkipFlags", &RdtPlan::skipFlags, 0xFF),
    HexKey("RdtRunFlags", &RdtPlan::runFlags, 0xFFFF),
    HexKey("RdtRunWord", &RdtPlan::runWord, 0xFFFFFFFF),
    DecimalKey("RdtTestUnit", &RdtPlan::testUnitNumber, 0, 65535),
    FlagKey("RdtDramFail", &RdtPlan::dramFail),
};

// ---- listed entries of numbers --------------------------------------------------------------

// One number of a listed entry: its range and how it goes into the record (Field, HighNibble
// or LowNibble below).
template <class Record>
struct EntryNumber {
  FieldRange range;
  void (*store)(Record&, std::int64_t);
};

// The number as the record's field `member`.
template <auto member, class Record>
void Field(Record& record, std::int64_t number) {
  auto& value = record.*member;
  using Value = std::remove_reference_t<decltype(value)>;
  if constexpr (std::is_integral_v<Value>) {
    value = static_cast<Value>(number);
  } else {
    value.Set(static_cast<std::uint64_t>(number));
  }
}
// The number (4 bits) as the high or the low half of the byte `member`.
template <auto member, class Record>
void HighNibble(Record& record, std::int64_t number) {
  record.*member = static_cast<std::uint8_t>(record.*member | (number & 0x0F) << 4);
}
template <auto member, class Record>
void LowNibble(Record& record, std::int64_t number) {
  record.*member = static_cast<std::uint8_t>(record.*member | (number & 0x0F));
}

// The entries <prefix><k>, one record each of the numbers in the table's order; `given`, when
// there is one, is set once an entry is taken.
template <class Record, std::size_t N>
void ReadEntries(KeyReader& keys, const std::string& prefix, const EntryNumber<Record> (&table)[N],
                 std::vector<Record>& records, bool* given = nullptr) {
  std::vector<FieldRange> ranges;
  for (const EntryNumber<Record>& number : table) ranges.push_back(number.range);
  for (const auto& [key, value] : keys.Listed(prefix)) {
    const auto numbers = keys.Numbers(key, value, ranges);
    if (!numbers) continue;
    Record record{};
    for (std::size_t i = 0; i < N; ++i) table[i].store(record, (*numbers)[i]);
    records.push_back(record);
    if (given != nullptr) *given = true;
  }
}

// A SMART raw value has 48 bits.
constexpr FieldRange kSmartRawValue{0, 0xFFFFFFFFFFFFll};
constexpr EntryNumber<SmartAttribute> kSmartAttribute[] = {
    {kHexByte, Field<&SmartAttribute::id>},
    {kSmartRawValue, Field<&SmartAttribute::value>},
};

constexpr EntryNumber<TemperatureLogRecord> kTemperatureRecord[] = {
    {kByte, Field<&TemperatureLogRecord::cycle>},
    {kNibble, HighNibble<&TemperatureLogRecord::stepAndKind>},
    {kNibble, LowNibble<&TemperatureLogRecord::stepAndKind>},
    {kByte, Field<&TemperatureLogRecord::temperatureCode>},
    {kLong, Field<&TemperatureLogRecord::value>},
};

constexpr EntryNumber<SdrLogRecord> kSdrRecord[] = {
    {kByte, Field<&SdrLogRecord::result>},
    {kByte, Field<&SdrLogRecord::cycle>},
    {kNibble, HighNibble<&SdrLogRecord::step>},
    {kByte, Field<&SdrLogRecord::temperatureCode>},
    {kLong, Field<&SdrLogRecord::timeMs>},
};

constexpr EntryNumber<RdtSpecialLogEntry> kSpecialEntry[] = {
    {kHexByte, Field<&RdtSpecialLogEntry::failureType>},
    {kByte, Field<&RdtSpecialLogEntry::ce>},
    {kByte, Field<&RdtSpecialLogEntry::channel>},
    {kByte, Field<&RdtSpecialLogEntry::plane>},
    {kWord, Field<&RdtSpecialLogEntry::block>},
    {kWord, Field<&RdtSpecialLogEntry::page>},
    {kSignedByte, Field<&RdtSpecialLogEntry::temperature>},
    {kByte, Field<&RdtSpecialLogEntry::retryCount>},
    {kByte, Field<&RdtSpecialLogEntry::cellMode>},
    {kWord, Field<&RdtSpecialLogEntry::rawBitErrors>},
    {kHexByte, Field<&RdtSpecialLogEntry::logKind>},
    {kLong, Field<&RdtSpecialLogEntry::maxProgramTimeUs>},
    {kWord, Field<&RdtSpecialLogEntry::cycle>},
};

constexpr EntryNumber<RdtBadBlockLogEntry> kBadBlockEntry[] = {
    {kHexByte, Field<&RdtBadBlockLogEntry::failType>},
    {kByte, Field<&RdtBadBlockLogEntry::ce>},
    {kByte, Field<&RdtBadBlockLogEntry::channel>},
    {kByte, Field<&RdtBadBlockLogEntry::totalLoop>},
    {kWord, Field<&RdtBadBlockLogEntry::block>},
    {kWord, Field<&RdtBadBlockLogEntry::page>},
    {kByte, Field<&RdtBadBlockLogEntry::runLoop>},
    {kByte, Field<&RdtBadBlockLogEntry::runCycle>},
    {kNibble, HighNibble<&RdtBadBlockLogEntry::stepAndStage>},
    {kNibble, LowNibble<&RdtBadBlockLogEntry::stepAndStage>},
    {kWord, Field<&RdtBadBlockLogEntry::overThresholdBits>},
    {kLong, Field<&RdtBadBlockLogEntry::timeStamp>},
    {kByte, Field<&RdtBadBlockLogEntry::slcMode>},
    {kByte, Field<&RdtBadBlockLogEntry::plane>},
};

constexpr EntryNumber<RdtEccBitRecord> kEccRecord[] = {
    {kByte, Field<&RdtEccBitRecord::ce>},
    {kByte, Field<&RdtEccBitRecord::maxErrorBits>},
    {kWord, Field<&RdtEccBitRecord::block>},
};

// ---- drive profiles -------------------------------------------------------------------------

void ReadGeometry(KeyReader& keys, FlashGeometry& geometry) {
  ReadFields(keys, kGeometryKeys, geometry);
  if (geometry.ceMap == 0) keys.Fail("CeMap", "at least one CE must carry flash");
  if (keys.Has("FlashId")) {
    std::vector<std::uint8_t> bytes;
    for (const auto& field : platform::Split(platform::Trim(keys.Text("FlashId", "")), ' ')) {
      if (field.empty()) continue;
      const auto byte = ParseHexText(field);
      if (!byte || *byte > 0xFF) break;
      bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    if (bytes.size() != geometry.flashId.size()) {
      keys.Fail("FlashId", "expected 7 hexadecimal bytes");
    } else {
      std::copy(bytes.begin(), bytes.end(), geometry.flashId.begin());
    }
  }
}

void ReadBadBlocks(KeyReader& keys, BadBlockPlan& plan, std::uint32_t blocksPerCe) {
  ReadFields(keys, kBadBlockCountKeys, plan);
  static const std::vector<std::string> kinds = {"Factory", "Erase", "Program", "Read"};
  static const std::uint8_t statuses[] = {kBlockFactoryBad, kBlockEraseFail, kBlockProgramFail, kBlockReadFail};
  for (const auto& [key, value] : keys.Listed("BadBlock")) {
    const auto fields = Fields(value);
    const auto ce = fields.size() == 3 ? ParseDecimal(fields[0]) : std::nullopt;
    const auto block = fields.size() == 3 ? ParseDecimal(fields[1]) : std::nullopt;
    const auto kind = fields.size() == 3 ? std::find_if(kinds.begin(), kinds.end(), [&](const std::string& word) {
      return platform::EqualsNoCase(word, fields[2]);
    })
                                         : kinds.end();
    if (!ce || !block || *ce < 0 || *ce > 63 || *block < 0 || kind == kinds.end()) {
      keys.Fail(key, "expected <ce>,<block>,Factory|Erase|Program|Read");
      continue;
    }
    if (*block >= static_cast<std::int64_t>(blocksPerCe)) {
      keys.Fail(key, platform::Format("block %lld is beyond the %u blocks of a CE", static_cast<long long>(*block),
                                      blocksPerCe));
      continue;
    }
    plan.named.push_back({static_cast<unsigned>(*ce), static_cast<std::uint32_t>(*block),
                          statuses[kind - kinds.begin()]});
  }
}

// The blocks of one drive's block map.
std::uint64_t MapBlocksOf(const FlashGeometry& geometry) {
  return static_cast<std::uint64_t>(geometry.CeSlots()) * geometry.blocksPerCe;
}

// A drive no larger than one simulated station may hold, with no more bad blocks than its
// CEs have.
void CheckDriveSize(KeyReader& keys, const DriveProfile& drive) {
  const FlashGeometry& geometry = drive.geometry;
  if (MapBlocksOf(geometry) > kMaxBlocksPerDrive) {
    keys.Fail("BlocksPerCe", platform::Format("%u CE slots of %u blocks are %llu blocks, more than a simulated drive "
                                              "may hold (%llu)",
                                              geometry.CeSlots(), geometry.blocksPerCe,
                                              static_cast<unsigned long long>(MapBlocksOf(geometry)),
                                              static_cast<unsigned long long>(kMaxBlocksPerDrive)));
    return;
  }
  const BadBlockPlan& bad = drive.badBlocks;
  const std::uint64_t perCe = static_cast<std::uint64_t>(bad.earlyBadPerCe) + bad.laterBadPerCe;
  const char* const key = keys.Has("EarlyBadPerCe") ? "EarlyBadPerCe" : "LaterBadPerCe";
  if (perCe > geometry.blocksPerCe - kAlwaysGoodBlocks) {
    keys.Fail(key, platform::Format("%llu bad blocks per CE (early and later) are more than a CE of %u blocks has "
                                    "beside its first %u",
                                    static_cast<unsigned long long>(perCe), geometry.blocksPerCe, kAlwaysGoodBlocks));
    return;
  }
  const std::uint64_t perDrive = perCe * geometry.CeCount() + bad.named.size();
  if (perDrive > kMaxBadBlocksPerDrive) {
    keys.Fail(key, platform::Format("%llu bad blocks per drive are more than a simulated drive may hold (%llu)",
                                    static_cast<unsigned long long>(perDrive),
                                    static_cast<unsigned long long>(kMaxBadBlocksPerDrive)));
  }
}

// Corrupt<k>: bytes written over an encoded log.
void ReadLogPatches(KeyReader& keys, std::vector<LogPatch>& patches) {
  static const std::vector<std::string> logs = {"Temperature", "Sdr", "Special", "BadBlock"};
  for (const auto& [key, value] : keys.Listed("Corrupt")) {
    const auto fields = Fields(value);
    LogPatch patch;
    const auto log = fields.size() == 3 ? std::find_if(logs.begin(), logs.end(), [&](const std::string& word) {
      return platform::EqualsNoCase(word, fields[0]);
    })
                                        : logs.end();
    const auto offset = fields.size() == 3 ? ParseDecimal(fields[1]) : std::nullopt;
    if (log == logs.end() || !offset || *offset < 0 || *offset > kMaxPatchOffset) {
      keys.Fail(key, "expected Temperature|Sdr|Special|BadBlock,<offset>,<hex bytes>");
      continue;
    }
    patch.log = static_cast<RdtLogKind>(log - logs.begin());
    patch.offset = static_cast<std::uint32_t>(*offset);
    for (const auto& byteText : platform::Split(fields[2], ' ')) {
      if (byteText.empty()) continue;
      const auto byte = ParseHexText(byteText);
      if (!byte || *byte > 0xFF) {
        keys.Fail(key, "expected hexadecimal bytes");
        break;
      }
      patch.bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    patches.push_back(std::move(patch));
  }
}

void ReadRdt(KeyReader& keys, RdtPlan& rdt) {
  rdt.state = static_cast<RdtState>(keys.Choice("RdtState", static_cast<std::size_t>(rdt.state),
                                                {"NotRun", "Running", "Done"}));
  ReadFields(keys, kRdtResultKeys, rdt);
  if (keys.Has("RdtFwVersion")) {
    const std::string version = keys.Text("RdtFwVersion", "");
    if (version.size() != 4) keys.Fail("RdtFwVersion", "expected 4 characters");
    std::memcpy(rdt.firmwareVersion, version.data(), std::min<std::size_t>(version.size(), 4));
  }
  ReadFields(keys, kRdtRunKeys, rdt);
  ReadEntries(keys, "RdtTemperature", kTemperatureRecord, rdt.temperatureRecords, &rdt.temperatureRecordsGiven);
  ReadEntries(keys, "RdtSdr", kSdrRecord, rdt.sdrRecords, &rdt.sdrRecordsGiven);
  ReadEntries(keys, "RdtSpecial", kSpecialEntry, rdt.specialEntries);
  ReadEntries(keys, "RdtBadBlock", kBadBlockEntry, rdt.badBlockEntries, &rdt.badBlockEntriesGiven);
  ReadEntries(keys, "RdtEcc", kEccRecord, rdt.eccRecords);
  ReadLogPatches(keys, rdt.patches);
  const std::size_t log = keys.Choice("RdtBadBlockLog", rdt.badBlockEntriesGiven ? 1 : 0, {"Map", "Listed"});
  rdt.badBlockEntriesGiven = log == 1;
}

// The flash sections of the image files a scenario names, each file read once.
using FlashImages = std::map<std::string, std::vector<std::uint8_t>>;

void ReadFlashImage(KeyReader& keys, DriveProfile& drive, FlashImages& images) {
  if (!keys.Has("FlashImage")) return;
  const std::string path = platform::Trim(keys.Text("FlashImage", ""));
  if (drive.flashFirmware == FlashFirmware::None) {
    keys.Fail("FlashImage", "flash holds firmware only with Code=Flash or Code=Rdt");
    return;
  }
  auto found = images.find(path);
  if (found == images.end()) {
    const std::optional<std::uint64_t> size = platform::FileSize(path);
    const std::optional<std::string> bytes =
        size && *size <= kMaxImageFileBytes ? platform::ReadWholeFile(path) : std::nullopt;
    if (!bytes) {
      keys.Fail("FlashImage", "cannot read the firmware image " + path);
      return;
    }
    const auto section = FlashSectionOfImageFile(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()));
    if (!section) {
      keys.Fail("FlashImage", path + " is not a firmware image (its header's section sizes do not add up)");
      return;
    }
    found = images.emplace(path, *section).first;
  }
  drive.flashImage = found->second;
}

DriveProfile ReadDriveProfile(KeyReader& keys, FlashImages& images) {
  DriveProfile drive;
  const std::size_t code = keys.Choice("Code", 0, {"Boot", "Burner", "Flash", "Rdt"});
  drive.startOnBurner = code == 1;
  drive.flashFirmware = code == 2 ? FlashFirmware::Mp : code == 3 ? FlashFirmware::Rdt : FlashFirmware::None;
  ReadFlashImage(keys, drive, images);
  ReadFields(keys, kDriveIdentityKeys, drive);
  ReadGeometry(keys, drive.geometry);
  ReadBadBlocks(keys, drive.badBlocks, drive.geometry.blocksPerCe);
  CheckDriveSize(keys, drive);
  drive.infoBlockWritten = keys.Choice("InfoBlock", 0, {"Blank", "Written"}) == 1;
  ReadFields(keys, kDriveStateKeys, drive);
  ReadEntries(keys, "Smart", kSmartAttribute, drive.smart);
  for (const auto& [key, value] : keys.Listed("Fault")) {
    const auto rule = ParseFaultRule(value);
    if (!rule) {
      keys.Fail(key, "expected <command>,<skip>,<action>[,...]");
      continue;
    }
    drive.faults.push_back(*rule);
  }
  ReadRdt(keys, drive.rdt);
  return drive;
}

// ---- the station and its boards -------------------------------------------------------------

// Slot numbers of a list such as "3,5-7"; false on a malformed item or a slot outside 1..slots.
bool ParseSlotList(const std::string& text, unsigned slots, std::vector<unsigned>& out) {
  for (const auto& item : Fields(text)) {
    if (item.empty()) continue;
    const auto dash = item.find('-');
    const auto first = ParseDecimal(item.substr(0, dash));
    const auto last = dash == std::string::npos ? first : ParseDecimal(item.substr(dash + 1));
    if (!first || !last || *first < 1 || *last < *first || *last > static_cast<std::int64_t>(slots)) return false;
    for (auto slot = *first; slot <= *last; ++slot) out.push_back(static_cast<unsigned>(slot));
  }
  return true;
}

// The scenario file read and checked line by line; false with the error where it cannot be.
bool ReadScenarioFile(const std::string& file, CheckedFile& checked, std::string& error) {
  if (!platform::FileExists(file) || platform::IsDirectory(file)) {
    error = "Scenario file " + file + " not found";
    return false;
  }
  const std::optional<std::uint64_t> size = platform::FileSize(file);
  if (!size || *size > kMaxScenarioBytes) {
    error = "Scenario file " + file + (size ? " is too large to be a scenario" : " cannot be read");
    return false;
  }
  std::optional<std::string> bytes = platform::ReadWholeFile(file);
  if (!bytes) {
    error = "Scenario file " + file + " cannot be read: " + platform::ErrnoText(platform::LastFileErrno());
    return false;
  }
  return CheckScenarioFile(file, std::move(*bytes), checked, error);
}

// Reads a checked scenario file into a plan: [Station], then every board with the drive
// profile of each of its slots. The first error ends the reading.
class PlanReader {
 public:
  PlanReader(std::string file, const CheckedFile& checked, std::string& error)
      : m_file(std::move(file)), m_checked(checked), m_error(error), m_driveDefaults(checked.Keys(kDriveSection)) {}

  bool Read(StationPlan& plan) {
    plan = StationPlan{};
    const unsigned boards = ReadStation(plan);
    if (!m_error.empty() || !RefuseBoardsBeyond(boards)) return false;
    for (unsigned b = 1; b <= boards && m_error.empty(); ++b) plan.boards.push_back(ReadBoard(b, plan.seed));
    return m_error.empty();
  }

 private:
  // [Station]: the plan's seed and time scale; the number of boards.
  unsigned ReadStation(StationPlan& plan) {
    KeyReader station(m_file, m_checked, "Station", ScenarioSection::Station, m_checked.Keys("Station"), m_error);
    const auto boards = static_cast<unsigned>(station.Int("Boards", 1, 1, kMaxBoards));
    plan.seed = static_cast<std::uint64_t>(station.Int("Seed", 1, 0, INT64_MAX));
    if (station.Has("TimeScale")) {
      // The range of Platform.ini's own scale.
      const auto scale = ParseTimeScale(platform::Trim(station.Text("TimeScale", "")));
      if (!scale) station.Fail("TimeScale", platform::Format("expected a number from 0 to %g", kMaxTimeScale));
      plan.timeScale = scale.value_or(1.0);
    }
    return boards;
  }

  // A board section the station does not have would be ignored: it is refused instead.
  bool RefuseBoardsBeyond(unsigned boards) {
    for (const auto& [lower, section] : m_checked.sections) {
      if (BoardNumber(section.name) > boards) {
        m_error = At(m_file, section.line) + platform::Format(", [%s]: unknown section (the station has %u board%s)",
                                                              section.name.c_str(), boards, boards == 1 ? "" : "s");
        return false;
      }
    }
    return true;
  }

  BoardPlan ReadBoard(unsigned b, std::uint64_t seed) {
    const std::string sectionName = platform::Format("Board%u", b);
    KeyReader section(m_file, m_checked, sectionName, ScenarioSection::Board, m_checked.Keys(sectionName), m_error);
    BoardPlan board;
    board.board.firstTesterNumber = m_nextTester;
    ReadFields(section, kBoardKeys, board.board);
    m_nextTester = board.board.firstTesterNumber + board.board.slots;
    ReadVersion(section, board.board);
    board.board.extraValue = Byte(section.Int("ExtraValue", 0, 0, 255));
    std::vector<unsigned> empty;
    if (!ParseSlotList(section.Text("Empty", ""), board.board.slots, empty)) section.Fail("Empty", "bad slot list");
    // Slot keys beyond the board's slots would be ignored: they are refused instead.
    for (const auto& [key, value] : section.Listed("Slot")) {
      const auto slot = ParseDecimal(std::string_view(key).substr(4));
      if (slot && *slot > static_cast<std::int64_t>(board.board.slots)) {
        section.Fail(key, platform::Format("the board has %u slots", board.board.slots));
      }
    }
    const std::string boardProfile = section.Text("Drive", kDriveSection);
    for (unsigned s = 1; s <= board.board.slots && m_error.empty(); ++s, ++m_position) {
      const std::string slotKey = platform::Format("Slot%u", s);
      const std::string profileName = section.Text(slotKey, boardProfile);
      const bool listedEmpty = std::find(empty.begin(), empty.end(), s) != empty.end();
      if (listedEmpty || profileName.empty() || platform::EqualsNoCase(profileName, kEmpty)) {
        board.slots.push_back(SlotPlan{});
        continue;
      }
      if (!platform::EqualsNoCase(profileName, kDriveSection) && m_checked.Find(profileName) == nullptr) {
        section.Fail(section.Has(slotKey) ? slotKey : "Drive", "no section [" + profileName + "]");
        break;
      }
      board.slots.push_back(ReadSlotDrive(section, s, profileName));
      SlotPlan& slot = board.slots.back();
      slot.drive.badBlocks.seed = seed + m_position;
      if (slot.drive.serialNumber.empty()) slot.drive.serialNumber = platform::Format("SIM%02u%02u0001", b, s);
    }
    return board;
  }

  // Version=<major>.<minor hex>.
  static void ReadVersion(KeyReader& section, BoardProfile& board) {
    if (!section.Has("Version")) return;
    const auto parts = platform::Split(section.Text("Version", ""), '.');
    const auto major = parts.size() == 2 ? ParseDecimal(parts[0]) : std::nullopt;
    const auto minor = parts.size() == 2 ? ParseHexText(parts[1]) : std::nullopt;
    if (!major || !minor || *major < 0 || *major > 255 || *minor > 255) {
      section.Fail("Version", "expected <major>.<minor hex>");
      return;
    }
    board.versionMajor = Byte(*major);
    board.versionMinor = static_cast<std::uint8_t>(*minor);
  }

  // The drive of a slot: [Drive] with the keys of its profile section over it. The station's
  // drives together stay within what one simulated station may hold.
  SlotPlan ReadSlotDrive(KeyReader& section, unsigned s, const std::string& profileName) {
    const std::string slotKey = platform::Format("Slot%u", s);
    KeyMap keys = m_driveDefaults;
    if (!platform::EqualsNoCase(profileName, kDriveSection)) {
      for (auto& [key, entry] : m_checked.Keys(profileName)) keys[key] = entry;
    }
    KeyReader profile(m_file, m_checked, profileName, ScenarioSection::Drive, std::move(keys), m_error);
    SlotPlan slot;
    slot.empty = false;
    slot.drive = ReadDriveProfile(profile, m_flashImages);
    m_stationBlocks += MapBlocksOf(slot.drive.geometry);
    if (m_error.empty() && m_stationBlocks > kMaxBlocksPerStation) {
      section.Fail(section.Has(slotKey) ? slotKey : "Slots",
                   platform::Format("the drives up to slot %u hold %llu blocks, more than one simulated station "
                                    "may hold (%llu)",
                                    s, static_cast<unsigned long long>(m_stationBlocks),
                                    static_cast<unsigned long long>(kMaxBlocksPerStation)));
    }
    return slot;
  }

  std::string m_file;
  const CheckedFile& m_checked;
  std::string& m_error;
  const KeyMap m_driveDefaults;
  FlashImages m_flashImages;
  std::uint64_t m_stationBlocks = 0;  // of the drives read so far
  unsigned m_nextTester = 1;          // the default first tester number of the next board
  unsigned m_position = 0;            // device position of the next slot, from 0
};

}  // namespace

std::string ScenarioPath(const std::string& file) {
  if (file.find('\\') != std::string::npos || file.find('/') != std::string::npos) return file;
  return std::string(kScenarioFolder) + file;
}

bool LoadStationPlan(const std::string& fileText, StationPlan& plan, std::string& error) {
  const std::string file = ScenarioPath(fileText);
  error.clear();
  CheckedFile checked;
  if (!ReadScenarioFile(file, checked, error)) return false;
  return PlanReader(file, checked, error).Read(plan);
}

std::shared_ptr<SimStation> BuildStation(const StationPlan& plan) {
  auto station = std::make_shared<SimStation>();
  station->SetDelayScale(plan.timeScale);
  for (const auto& boardPlan : plan.boards) {
    SimBoard& board = station->AddBoard(boardPlan.board);
    for (unsigned s = 1; s <= boardPlan.slots.size(); ++s) {
      const SlotPlan& slotPlan = boardPlan.slots[s - 1];
      if (slotPlan.empty) continue;
      board.Slot(s).Insert(std::make_shared<SimDrive>(slotPlan.drive, slotPlan.drive.serialNumber));
    }
  }
  return station;
}

ScenarioResult LoadScenario(const std::string& file) {
  ScenarioResult result;
  StationPlan plan;
  if (LoadStationPlan(file, plan, result.error)) result.station = BuildStation(plan);
  return result;
}

}  // namespace sim
