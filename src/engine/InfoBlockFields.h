#pragma once
// The info block, field by field: ONE table that gives every field of the drive's 512-byte
// info block its place (offset, size, bit range), its kind and the label and form of its
// report line. The report section prints the table in order; the info-block builder and the
// info-block check set, read and compare fields by name through it. The table follows the
// record layout of device/records/InfoBlock.h; InfoBlockFields.cpp checks every offset and
// size against that layout at compile time, and the checks below make sure the fields tile
// the 512 bytes without a gap or an overlap.
//
// Names: a field's name is its report label, except where a label is printed twice; the
// second field of such a pair is named with a "2" after the label ("ulSmartStatusRuleMap2",
// "MpInfo.Result_Code2", "MpInfo.RunInfo.SortBB_Source2"). Fields with no name (the byte at
// 0x00B and bit 26 of the run word at 0x1A0) have no report line and cannot be looked up.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace engine {

inline constexpr std::size_t kInfoBlockBytes = 512;
// MpInfo, the production result and RDT recipe, sits at 0x191; the drive also returns these
// 64 bytes on their own as the RDT information record, whose offsets count from there.
inline constexpr std::size_t kMpInfoOffset = 0x191;
inline constexpr std::size_t kMpInfoBytes = 64;

enum class InfoFieldKind : std::uint8_t {
  kNumber,       // unsigned little-endian number of 1, 2 or 4 bytes
  kBits,         // bits [firstBit, firstBit + bitCount) of the 1-, 2- or 4-byte word at offset
  kNumberArray,  // elements of elementSize bytes, each printed "%x,"
  kCharArray,    // bytes printed as characters, each followed by a comma
  kPlainText,    // characters in plain order
  kSwappedText,  // characters in two-byte pairs, the first character in the pair's second byte
  kApVersion,    // the station's five version bytes, printed as a decoded text
  kDate,         // year digit and month byte, then the day/hour/minute word
  kGoodMark,     // the stage marks, printed as the texts of the set bits
  kUnnamed,      // a byte or a bit range without a name and without a report line
};

// How a number is printed on its report line.
enum class InfoValueFormat : std::uint8_t {
  kHex,      // "%x"
  kHex2,     // "%02x"
  kHex4,     // "%04x"
  kDecimal,  // "%d"
};

struct InfoBlockField {
  std::string_view name;       // unique; empty for an unnamed field
  std::string_view label;      // as printed; empty for an unnamed field
  std::string_view separator;  // between label and value: " : ", ": " or " :"
  std::uint16_t offset;        // first byte in the block
  std::uint8_t size;           // bytes of the field; for bits, bytes of the word holding them
  InfoFieldKind kind;
  InfoValueFormat format = InfoValueFormat::kHex;
  std::uint8_t elementSize = 1;  // bytes per element; 0 for bit ranges
  std::uint8_t firstBit = 0;     // bit ranges only
  std::uint8_t bitCount = 0;     // bit ranges only

  constexpr std::size_t ElementCount() const { return elementSize == 0 ? 0 : size / elementSize; }
  constexpr bool IsBitRange() const { return elementSize == 0; }
  constexpr bool HasLine() const { return kind != InfoFieldKind::kUnnamed; }
  // The same field under another name (labels printed twice).
  constexpr InfoBlockField Named(std::string_view otherName) const {
    InfoBlockField renamed = *this;
    renamed.name = otherName;
    return renamed;
  }
};

namespace infofield {
inline constexpr std::string_view kSeparator = " : ";
inline constexpr std::string_view kTightSeparator = ": ";
inline constexpr std::string_view kLooseSeparator = " :";

constexpr InfoBlockField Number(std::string_view label, std::uint16_t offset, std::uint8_t size,
                                std::string_view separator = kSeparator,
                                InfoValueFormat format = InfoValueFormat::kHex) {
  return {label, label, separator, offset, size, InfoFieldKind::kNumber, format, size, 0, 0};
}
constexpr InfoBlockField U8(std::string_view label, std::uint16_t offset,
                            std::string_view separator = kSeparator,
                            InfoValueFormat format = InfoValueFormat::kHex) {
  return Number(label, offset, 1, separator, format);
}
constexpr InfoBlockField U16(std::string_view label, std::uint16_t offset,
                             InfoValueFormat format = InfoValueFormat::kHex) {
  return Number(label, offset, 2, kSeparator, format);
}
constexpr InfoBlockField U32(std::string_view label, std::uint16_t offset) {
  return Number(label, offset, 4);
}
constexpr InfoBlockField Bits(std::string_view label, std::uint16_t offset, std::uint8_t wordSize,
                              std::uint8_t firstBit, std::uint8_t bitCount) {
  return {label, label, kSeparator, offset, wordSize, InfoFieldKind::kBits,
          InfoValueFormat::kHex, 0, firstBit, bitCount};
}
constexpr InfoBlockField UnnamedByte(std::uint16_t offset) {
  return {{}, {}, {}, offset, 1, InfoFieldKind::kUnnamed, InfoValueFormat::kHex, 1, 0, 0};
}
constexpr InfoBlockField UnnamedBits(std::uint16_t offset, std::uint8_t wordSize, std::uint8_t firstBit,
                                     std::uint8_t bitCount) {
  return {{}, {}, {}, offset, wordSize, InfoFieldKind::kUnnamed, InfoValueFormat::kHex, 0, firstBit, bitCount};
}
constexpr InfoBlockField NumberArray(std::string_view label, std::uint16_t offset, std::uint8_t elementSize,
                                     std::uint8_t count) {
  return {label, label, kSeparator, offset, static_cast<std::uint8_t>(elementSize * count),
          InfoFieldKind::kNumberArray, InfoValueFormat::kHex, elementSize, 0, 0};
}
constexpr InfoBlockField Bytes(std::string_view label, std::uint16_t offset, std::uint8_t size,
                               InfoFieldKind kind) {
  return {label, label, kSeparator, offset, size, kind, InfoValueFormat::kHex, 1, 0, 0};
}
}  // namespace infofield

// Every field in offset order, which is also the order of the report lines.
inline constexpr auto kInfoBlockFields = [] {
  using namespace infofield;
  using K = InfoFieldKind;
  using F = InfoValueFormat;
  return std::to_array<InfoBlockField>({
      // Configuration area, 0x000-0x190.
      Bytes("u8bTervidInfoMark", 0x000, 6, K::kPlainText),
      U8("ubReserved1", 0x006),
      U8("ubSetFlashDrive", 0x007),
      U8("ubDrivingEnable", 0x008),
      U8("ubALEPads", 0x009),
      U8("ubCLEPads", 0x00A),
      UnnamedByte(0x00B),
      U8("ubnREPads", 0x00C),
      U8("ubFRDYPads", 0x00D),
      U8("ubnWPPads", 0x00E, kTightSeparator),
      U8("ubDQSPads", 0x00F),
      U8("ubDataPads", 0x010),
      U8("ubnCEPads", 0x011),
      Bytes("ubSerialNumber", 0x012, 20, K::kSwappedText),
      Bytes("ubModelNumber", 0x026, 40, K::kSwappedText),
      U8("ubFWVersionEnable", 0x04E),
      Bytes("ubFWVersion", 0x04F, 8, K::kSwappedText),
      U8("ubCustomer", 0x057),
      U8("ubWWNSupport", 0x058),
      U8("ubCENumber", 0x059),
      U16("uwWWN[0]", 0x05A),
      U16("uwWWN[1]", 0x05C),
      U16("uwWWN[2]", 0x05E),
      U16("uwWWN[3]", 0x060),
      U8("ubFormFactor", 0x062),
      U8("ubDisableEnableMicronSLCMode", 0x063),
      U32("ulSSDSize_LBA", 0x064),
      U8("ubILMode", 0x068),
      U8("ubDisableEnableMultiPlaneMode", 0x069),
      U8("ubDisableEnableA2Mode", 0x06A),
      U8("ubFlashInterface", 0x06B),
      U8("ubFlashClk", 0x06C),
      U8("ubThermalSensorMode", 0x06D),
      U8("ubDEVSLPSupport", 0x06E),
      U8("ubNCQSupport", 0x06F),
      U8("ub48BitCmdSupport", 0x070),
      U8("ubXferModeEnable", 0x071),
      U8("ubMultiDMAMode[0]", 0x072, kTightSeparator),
      U8("ubMultiDMAMode[1]", 0x073),
      U8("ubUltraDMAMode[0]", 0x074),
      U8("ubUltraDMAMode[1]", 0x075),
      U8("ubHyperMLCEnable", 0x076),
      U8("ubWriteCacheSupport", 0x077),
      U32("ulMaxPECycle_D3", 0x078),
      NumberArray("ubPMICSel", 0x07C, 1, 12),
      U32("ulSLCPoolSizeIn4KEntry", 0x088),
      NumberArray("uwIDW129_159", 0x08C, 2, 31),
      U8("ubIDW129_159Enable", 0x0CA),
      U8("ubSLCPoolEnable", 0x0CB),
      U8("ubSSC_Enable", 0x0CC),
      U8("ubHIPMSupport", 0x0CD),
      U8("ubDIPMSupport", 0x0CE),
      U8("ubAPSSupport", 0x0CF),
      U32("ulSmartStatusRuleMap", 0x0D0),
      U32("ulSmartStatusRuleMap", 0x0D4).Named("ulSmartStatusRuleMap2"),
      U32("ulTimeToDoBG_Copy", 0x0D8),
      U8("ubTimeToDoBGEnable", 0x0DC),
      U8("ubSwiftFlushEnable", 0x0DD),
      U16("uwPMASetting", 0x0DE),
      U8("ubNoPWICEnable", 0x0E0),
      U8("ubBGMLCCopyThreshold", 0x0E1),
      U8("ubBGMLCCopyReleaseThreshold", 0x0E2),
      U8("ubSetBGThreshouldEnable", 0x0E3),
      U32("ulBGSLCPoolCopyThreshold", 0x0E4),
      U32("ulBGSLCPoolReleaseThreshold", 0x0E8),
      U8("ubSpecialDataEnable", 0x0EC),
      U8("ubPadODTEnable", 0x0ED),
      U8("ubPadODT", 0x0EE),
      U8("ubSlewRateEnable", 0x0EF),
      U32("ulTotalUserUnitNumber", 0x0F0),
      U8("ubSlewRate", 0x0F4),
      U8("ubDDRDriveEnable", 0x0F5),
      U8("ubDDRDrive", 0x0F6),
      U8("ubHBRetryEnable", 0x0F7),
      U16("uwDIPM_AUTOP2S_THRESHOLD", 0x0F8),
      U8("ubDIPM_THRESHOLD", 0x0FA),
      U8("ubDIPM_P2S_THRESHOLD", 0x0FB),
      U8("ubSetEnterBG_Time_Enable", 0x0FC),
      U8("ubDCOSupport", 0x0FD),
      U8("ubHPASupport", 0x0FE),
      U8("ubAMAXSupport", 0x0FF),
      U32("ulMaxPECycle_D1", 0x100),
      U8("ubSanitizeSupport", 0x104),
      U8("ubWUNCSupport", 0x105),
      U8("ubZeroSupport", 0x106),
      U8("ubSetFlashODT", 0x107),
      U8("ubGuaranteeFlushEnable", 0x108),
      U8("ubENABLE_FW_DIPM", 0x109),
      U8("ubENABLE_HW_DIPM", 0x10A),
      U8("ubAP2SWaitIdle2Time", 0x10B),
      U16("uwDataInOutThreshold", 0x10C),
      Bytes("ubTSB_SerialNumber_Customer", 0x10E, 20, K::kSwappedText),
      U16("uwSLCPool_PE_Threshold", 0x122),
      U8("ubSecuritySupport", 0x124),
      U8("ubDLMCSupport", 0x125),
      U8("ubTrimSupport", 0x126),
      U8("ubDLMCReturnDummyAbort", 0x127),
      U16("uwWearlevelingRange_D1", 0x128),
      U16("uwWearlevelingRange_D3", 0x12A),
      U8("ubRSEL_Enable", 0x12C),
      U8("ubCustomersCustomerID", 0x12D),
      U8("ubKeepSMARTwhenKeepEC", 0x12E),
      U8("ubWLCheckRate", 0x12F),
      U8("ub_ENABLE_DPS", 0x130),
      U8("ubDPSEnableUseTimeOut", 0x131),
      U16("uwDPSWaitTimeOutMiliSec", 0x132),
      U16("uwReadSDLLOffsetCH0", 0x134),
      U16("uwReadSDLLOffsetCH1", 0x136),
      U16("uwProgramSDLLOffsetCH0", 0x138),
      U16("uwProgramSDLLOffsetCH1", 0x13A),
      U8("ubFlashInterface_Scan", 0x13C),
      U8("ubFlashClock_Scan", 0x13D),
      U8("ubACTimingTableEnable", 0x13E),
      U8("ubACTimingClock", 0x13F),
      NumberArray("ubACTimingTable", 0x140, 1, 32),
      U8("ubSMARTExecuteOfflineEnable", 0x160),
      U8("ubWriteProtectWriteSupport", 0x161),
      U8("ubCustomerGPIOSelectMode", 0x162),
      U8("ubSMARTExtendScanAllEnable", 0x163),
      U8("ubComWakeWorkaround", 0x164),
      U8("ubWPVersionEnable", 0x165, kTightSeparator),
      NumberArray("uwWPVerTable", 0x166, 2, 4),
      NumberArray("uwWPModelTable", 0x16E, 2, 10),
      U8("ubREBDuty[0]", 0x182),
      U8("ubREBDuty[1]", 0x183),
      U8("ubFlushD1VerifyMode", 0x184),
      U8("ubD3UnitReadCheckThreshold", 0x185),
      U8("ubD3UnitForceReadMoveThreshold", 0x186),
      U8("ubSMARTBufferTimeSecond", 0x187),
      U8("ubSMARTShortSelfTestTimeMin", 0x188),
      U8("ubSMARTConveyanceSelfTestTimeMin", 0x189),
      U16("uwSMARTExtendedSelfTestTimeMin", 0x18A),
      U16("uwSMARTOfflineTimeSecond", 0x18C),
      U8("ubNoUse", 0x18E),
      U8("ubGPIOEdgeMode", 0x18F),
      U8("ubVarnok_forceactiveGRSLC", 0x190),
      // MpInfo, 0x191-0x1D0: production result and RDT recipe.
      Bytes("MpInfo.Signature", 0x191, 4, K::kPlainText),
      Bits("MpInfo.Result_Code", 0x195, 4, 0, 8),
      Bits("MpInfo.Result_Code", 0x195, 4, 8, 16).Named("MpInfo.Result_Code2"),
      Bits("MpInfo.Version", 0x195, 4, 24, 8),
      Bits("MpInfo.ErrPage_Number", 0x199, 4, 0, 8),
      Bits("MpInfo.BadBlk_Number", 0x199, 4, 8, 24),
      Bits("MpInfo.RunInfo.MP_EraseCheckStatus", 0x19D, 2, 0, 1),
      Bits("MpInfo.RunInfo.AutoCap_DynamicCE_En", 0x19D, 2, 1, 1),
      Bits("MpInfo.RunInfo.TwoPassProgramType", 0x19D, 2, 2, 1),
      Bits("MpInfo.RunInfo.bReserved", 0x19D, 2, 3, 13),
      Bits("MpInfo.RunInfo.FLH_EvenLoop_TestRule", 0x19F, 1, 0, 4),
      Bits("MpInfo.RunInfo.FLH_OddLoop_TestRule", 0x19F, 1, 4, 4),
      Bits("MpInfo.RunInfo.MP_FtlWriteClock", 0x1A0, 4, 0, 3),
      Bits("MpInfo.RunInfo.MP_FtlClockEnable", 0x1A0, 4, 3, 1),
      Bits("MpInfo.RunInfo.MP_BoardType", 0x1A0, 4, 4, 4),
      Bits("MpInfo.RunInfo.MP_UserType", 0x1A0, 4, 8, 8),
      Bits("MpInfo.RunInfo.MP_FlashBinType", 0x1A0, 4, 16, 4),
      Bits("MpInfo.RunInfo.RDT_BuildDBT", 0x1A0, 4, 20, 1),
      Bits("MpInfo.RunInfo.MP_SmartC7Reset", 0x1A0, 4, 21, 1),
      Bits("MpInfo.RunInfo.MP_SmartC4Reset", 0x1A0, 4, 22, 1),
      Bits("MpInfo.RunInfo.MP_Smart01Reset", 0x1A0, 4, 23, 1),
      Bits("MpInfo.RunInfo.MP_Performance1_EN", 0x1A0, 4, 24, 1),
      Bits("MpInfo.RunInfo.MP_Performance2_EN", 0x1A0, 4, 25, 1),
      UnnamedBits(0x1A0, 4, 26, 1),
      Bits("RunInfo.bReserved1", 0x1A0, 4, 27, 3),
      Bits("MpInfo.RunInfo.RDT_ReTest", 0x1A0, 4, 30, 1),
      Bits("MpInfo.RunInfo.FLH_CacheTest", 0x1A0, 4, 31, 1),
      U16("MpInfo.RunInfo.CEBitMap", 0x1A4, F::kHex4),
      U16("MpInfo.RunInfo.DBTCheckSum", 0x1A6),
      Bits("MpInfo.RunInfo.SkipFLH_SortCheck", 0x1A8, 1, 0, 1),
      Bits("MpInfo.RunInfo.SkipFLH_EarlyBadTest", 0x1A8, 1, 1, 1),
      Bits("MpInfo.RunInfo.SkipFLH_EraseTest", 0x1A8, 1, 2, 1),
      Bits("MpInfo.RunInfo.SkipFLH_ProgramTest", 0x1A8, 1, 3, 1),
      Bits("MpInfo.RunInfo.SkipFLH_ReadTest", 0x1A8, 1, 4, 1),
      Bits("MpInfo.RunInfo.FLH_MultiPlaneTest", 0x1A8, 1, 5, 1),
      Bits("MpInfo.RunInfo.FLH_ReadRetryTest", 0x1A8, 1, 6, 1),
      Bits("MpInfo.RunInfo.RDT_Reverse_Test", 0x1A8, 1, 7, 1),
      U8("MpInfo.RunInfo.RUN_FixTemperature", 0x1A9),
      U8("MpInfo.RunInfo.RUN_MaxTemperature", 0x1AA),
      U8("MpInfo.RunInfo.SortBB_Source", 0x1AB),
      Bits("MpInfo.RunInfo.SortBB_Source", 0x1AC, 1, 0, 2).Named("MpInfo.RunInfo.SortBB_Source2"),
      Bits("MpInfo.RunInfo.u8Reserved", 0x1AC, 1, 2, 6),
      NumberArray("MpInfo.u8Reserved", 0x1AD, 1, 8),
      U16("MpInfo.MaxEraseBadBlkNumLimit", 0x1B5),
      U16("MpInfo.MaxProgBadBlkNumLimit", 0x1B7),
      U16("MpInfo.MaxReadBadBlkNumLimit", 0x1B9),
      U16("MpInfo.FLH_TestUnitNum", 0x1BB),
      U16("MpInfo.CEBitMapForBBStatus", 0x1BD),
      U8("MpInfo.FactoryCode", 0x1BF),
      U8("MpInfo.MinTemperature", 0x1C0, kLooseSeparator),
      U8("MpInfo.MaxTemperature", 0x1C1, kLooseSeparator),
      U8("MpInfo.Temperature", 0x1C2),
      Bytes("MpInfo.FW_Version", 0x1C3, 4, K::kPlainText),
      U8("MpInfo.MaxBadBlkRatio_PerPlane", 0x1C7),
      U8("MpInfo.RDT_SLC_BLK_Ratio", 0x1C8),
      U8("MpInfo.SLC_RDT_Loop", 0x1C9),
      U8("MpInfo.TLC_RDT_Loop", 0x1CA),
      U8("MpInfo.SLC_ECC_Threshold", 0x1CB),
      U8("MpInfo.TLC_ECC_Threshold", 0x1CC),
      U32("MpInfo.RDT_TotalTime", 0x1CD),
      // AP area, 0x1D1-0x1FF: the station's own marks.
      U8("ubAP_APVer1", 0x1D1, kSeparator, F::kHex2),
      U8("ubAP_APVer2", 0x1D2, kSeparator, F::kHex2),
      NumberArray("ubAP_Reserved1", 0x1D3, 1, 8),
      U8("ubAP_ScanMaxBad", 0x1DB, kSeparator, F::kDecimal),
      Bytes("ubAP_WO", 0x1DC, 16, K::kCharArray),
      Bytes("ubAP_RDTFWVer", 0x1EC, 8, K::kSwappedText),
      U8("ubAP_ToolID", 0x1F4),
      Bytes("ubAP_APVer", 0x1F5, 5, K::kApVersion),
      Bytes("ubAP_CurrentDate", 0x1FA, 3, K::kDate),
      U8("ubAP_Reserved2", 0x1FD),
      U8("ubAP_IndustrialSpecification", 0x1FE),
      Bytes("ubAP_GoodMark", 0x1FF, 1, K::kGoodMark),
  });
}();

namespace infofield {
// True when the fields follow each other from byte 0 to byte 512 with no gap and no overlap;
// the bit ranges of one word follow each other from bit 0 and fill the word exactly.
constexpr bool TileTheBlock() {
  std::size_t next = 0;        // first byte not yet covered
  std::size_t wordStart = 0;   // the word whose bits are being walked
  std::size_t wordSize = 0;    // 0 when no word is open
  std::size_t nextBit = 0;
  for (const InfoBlockField& field : kInfoBlockFields) {
    if (field.size == 0) return false;
    if (!field.IsBitRange()) {
      if (wordSize != 0 || field.offset != next || field.size % field.elementSize != 0) return false;
      next += field.size;
      continue;
    }
    if (field.size != 1 && field.size != 2 && field.size != 4) return false;
    if (wordSize == 0) {
      if (field.offset != next || field.firstBit != 0) return false;
      wordStart = field.offset;
      wordSize = field.size;
      nextBit = 0;
    }
    if (field.offset != wordStart || field.size != wordSize || field.firstBit != nextBit ||
        field.bitCount == 0)
      return false;
    nextBit += field.bitCount;
    if (nextBit > wordSize * 8) return false;
    if (nextBit == wordSize * 8) {
      next = wordStart + wordSize;
      wordSize = 0;
    }
  }
  return wordSize == 0 && next == kInfoBlockBytes;
}

constexpr bool NamesAreUnique() {
  for (std::size_t i = 0; i < kInfoBlockFields.size(); ++i) {
    if (kInfoBlockFields[i].name.empty()) continue;
    for (std::size_t j = i + 1; j < kInfoBlockFields.size(); ++j) {
      if (kInfoBlockFields[i].name == kInfoBlockFields[j].name) return false;
    }
  }
  return true;
}

// Every named field has a line; unnamed ones have neither name nor label.
constexpr bool NamesMatchLines() {
  for (const InfoBlockField& field : kInfoBlockFields) {
    if (field.HasLine() == field.name.empty() || field.HasLine() == field.label.empty()) return false;
  }
  return true;
}
}  // namespace infofield

static_assert(infofield::TileTheBlock(), "info-block fields must tile the 512 bytes exactly");
static_assert(infofield::NamesAreUnique(), "info-block field names must be unique");
static_assert(infofield::NamesMatchLines(), "named fields have a report line, unnamed ones none");

// The field of that name; a name that is not in the table does not compile.
consteval const InfoBlockField& InfoField(std::string_view name) {
  for (const InfoBlockField& field : kInfoBlockFields) {
    if (!name.empty() && field.name == name) return field;
  }
  throw "no info-block field of that name";
}

// The field of that name, or nullptr (names that come from text at run time).
const InfoBlockField* FindInfoField(std::string_view name);

using InfoBlockView = std::span<const std::uint8_t, kInfoBlockBytes>;
using InfoBlockSpan = std::span<std::uint8_t, kInfoBlockBytes>;

// The number that a number field or a bit range holds (bits shifted down to bit 0); for
// other kinds, the first element.
std::uint32_t GetInfoFieldValue(InfoBlockView block, const InfoBlockField& field);
// Stores a number in a number field or a bit range, cut to its width; the other bits of a
// bit range's word are kept. For other kinds it sets the first element.
void SetInfoFieldValue(InfoBlockSpan block, const InfoBlockField& field, std::uint32_t value);

// Element i of a field (arrays; texts, version and date bytes as single bytes); 0 when i is
// not below the field's element count.
std::uint32_t GetInfoFieldElement(InfoBlockView block, const InfoBlockField& field, std::size_t index);
// Returns false, changing nothing, when i is not below the field's element count.
bool SetInfoFieldElement(InfoBlockSpan block, const InfoBlockField& field, std::size_t index,
                         std::uint32_t value);

// The characters of a byte field in reading order (a word-swapped field is swapped back);
// zero bytes are kept.
std::string GetInfoFieldText(InfoBlockView block, const InfoBlockField& field);
// Stores text in reading order, cut to the field's size and padded with the fill byte;
// a word-swapped field is stored swapped. Bit ranges are left alone.
void SetInfoFieldText(InfoBlockSpan block, const InfoBlockField& field, std::string_view text,
                      char fill = ' ');

// True when the field holds the same value in both blocks (for a bit range: the same bits).
bool InfoFieldEquals(InfoBlockView a, InfoBlockView b, const InfoBlockField& field);

// An RDT information record (the 64 bytes of MpInfo on their own) placed at the MpInfo
// position of an otherwise zero block, so that its fields read through the table.
std::array<std::uint8_t, kInfoBlockBytes> MpInfoAsBlock(std::span<const std::uint8_t, kMpInfoBytes> record);

// The production date of the AP area (`ubAP_CurrentDate`): the byte at 0x1FA holds the year
// digit (bits 0-3) and the month (bits 4-7); the word at 0x1FB holds the day (bits 0-4), the
// hour (bits 5-9) and the minute (bits 10-15). The year is 2010 plus the digit.
struct InfoBlockDate {
  unsigned yearDigit = 0;
  unsigned month = 0;
  unsigned day = 0;
  unsigned hour = 0;
  unsigned minute = 0;
};
InfoBlockDate GetInfoBlockDate(InfoBlockView block);
// Each part is cut to its bits.
void SetInfoBlockDate(InfoBlockSpan block, const InfoBlockDate& date);

}  // namespace engine
