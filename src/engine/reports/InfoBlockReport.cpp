#include "engine/reports/InfoBlockReport.h"

#include <string_view>

#include "device/records/InfoBlock.h"
#include "platform/Text.h"

namespace engine {
namespace {

std::string FormatNumber(std::uint32_t value, InfoValueFormat format) {
  switch (format) {
    case InfoValueFormat::kHex2:
      return platform::Format("%02x", value);
    case InfoValueFormat::kHex4:
      return platform::Format("%04x", value);
    case InfoValueFormat::kDecimal:
      return platform::Format("%u", value);
    case InfoValueFormat::kHex:
      break;
  }
  return platform::Format("%x", value);
}

// The characters of a plain text field, up to its first zero byte.
std::string PlainCharacters(InfoBlockView block, const InfoBlockField& field) {
  std::string text;
  for (std::size_t i = 0; i < field.size && block[field.offset + i] != 0; ++i) {
    text += static_cast<char>(block[field.offset + i]);
  }
  return text;
}

// A word-swapped field in reading order: per pair the second byte, then the first; a zero
// second byte writes nothing of its pair, a zero first byte is dropped alone.
std::string SwappedCharacters(InfoBlockView block, const InfoBlockField& field) {
  std::string text;
  for (std::size_t i = 0; i + 1 < field.size; i += 2) {
    const std::uint8_t first = block[field.offset + i + 1];
    const std::uint8_t second = block[field.offset + i];
    if (first == 0) continue;
    text += static_cast<char>(first);
    if (second != 0) text += static_cast<char>(second);
  }
  return text;
}

std::string ElementList(InfoBlockView block, const InfoBlockField& field) {
  std::string text;
  for (std::size_t i = 0; i < field.ElementCount(); ++i) {
    text += platform::Format("%x,", GetInfoFieldElement(block, field, i));
  }
  return text;
}

std::string CharacterList(InfoBlockView block, const InfoBlockField& field) {
  std::string text;
  for (std::size_t i = 0; i < field.size; ++i) {
    const std::uint8_t byte = block[field.offset + i];
    if (byte == 0) continue;
    text += static_cast<char>(byte);
    text += ',';
  }
  return text;
}

std::string FormatDate(InfoBlockView block) {
  const InfoBlockDate date = GetInfoBlockDate(block);
  return platform::Format("%u/%u/%u %02u:%02u", 2010 + date.yearDigit, date.month, date.day, date.hour,
                          date.minute);
}

std::string FieldValue(InfoBlockView block, const InfoBlockField& field) {
  switch (field.kind) {
    case InfoFieldKind::kNumber:
    case InfoFieldKind::kBits:
      return FormatNumber(GetInfoFieldValue(block, field), field.format);
    case InfoFieldKind::kNumberArray:
      return ElementList(block, field);
    case InfoFieldKind::kCharArray:
      return CharacterList(block, field);
    case InfoFieldKind::kPlainText:
      return PlainCharacters(block, field);
    case InfoFieldKind::kSwappedText:
      return SwappedCharacters(block, field);
    case InfoFieldKind::kApVersion:
      return FormatApVersion(block.subspan(field.offset).first<5>());
    case InfoFieldKind::kDate:
      return FormatDate(block);
    case InfoFieldKind::kGoodMark:
      return FormatGoodMark(block[field.offset]);
    case InfoFieldKind::kUnnamed:
      break;
  }
  return {};
}

// Bits 0-1 of the first version byte name the controller.
std::string_view ControllerWord(std::uint8_t code) {
  switch (code & 0x03) {
    case 1:
      return "TV3160L";
    case 3:
      return "KQ4471";
    default:
      return "TV3160";
  }
}

}  // namespace

std::string FormatApVersion(std::span<const std::uint8_t, 5> version) {
  const auto startsWith = [&version](std::string_view letters) {
    return version[0] == letters[0] && version[1] == letters[1] && version[2] == letters[2];
  };
  if (startsWith("TVT")) return platform::Format("TVT%X.%X", version[3], version[4]);
  if (startsWith("APV")) return platform::Format("APV%X.%X", version[3], version[4]);

  const std::uint8_t codes = version[0];
  const unsigned stage = (codes >> 2) & 0x07;
  const std::string stageWord = stage >= 1 && stage <= 5 ? platform::Format("S%u", stage) : "00";
  const bool industrial = (codes & 0x20) != 0;
  const std::string controller(ControllerWord(codes));
  if (version[3] != 0) {
    const std::string firmware = platform::Format(industrial ? "%sI%d%02d" : "%sS%d%02d", stageWord.c_str(),
                                                  version[3], version[4]);
    return platform::Format("MP:%s V%02d%02d_T%d FW:%s", controller.c_str(), version[1], version[2], version[3],
                            firmware.c_str());
  }
  const std::string firmware =
      platform::Format(industrial ? "%sIM%02d" : "%sST%02d", stageWord.c_str(), version[4]);
  return platform::Format("MP:%s V%02d%02d FW:%s", controller.c_str(), version[1], version[2], firmware.c_str());
}

std::string FormatGoodMark(std::uint8_t mark) {
  std::string text;
  text += (mark & kGoodMarkMp) ? "MP: OK" : "MP: none";
  text += (mark & kGoodMarkQc) ? "   QC: OK" : "   QC: none";
  text += (mark & kGoodMarkBurnIn) ? "   BurnIn: OK" : "   BurnIn: none";
  if (mark & kGoodMarkPcBurnIn) text += "   PC BurnIn: OK";
  if (mark & kGoodMarkNtfs) text += "   NTFS: OK";
  if (mark & kGoodMarkUpload) text += "UpLoad: OK";
  return text;
}

std::string FormatInfoBlockSection(InfoBlockView block) {
  std::string section;
  for (const InfoBlockField& field : kInfoBlockFields) {
    if (!field.HasLine()) continue;
    section += "   ";
    section += field.label;
    section += field.separator;
    section += FieldValue(block, field);
    section += "\r\n";
  }
  return section;
}

}  // namespace engine
