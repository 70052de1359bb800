#include "engine/InfoBlockFields.h"

#include <algorithm>

#include "device/ByteOrder.h"
#include "device/records/InfoBlock.h"

namespace engine {

// The table and the record layout must agree field for field: offset and size of every
// named field, and, for bit ranges, the word that holds them.
#define CHECK_INFO_FIELD(fieldName, member)                                                     \
  static_assert(InfoField(fieldName).offset == offsetof(InfoBlockRecord, member) &&             \
                    InfoField(fieldName).size == sizeof(static_cast<InfoBlockRecord*>(nullptr)->member), \
                fieldName " does not match the record layout")

static_assert(sizeof(InfoBlockRecord) == kInfoBlockBytes);
static_assert(sizeof(MpInfo) == kMpInfoBytes && offsetof(InfoBlockRecord, mpInfo) == kMpInfoOffset);
static_assert(offsetof(InfoBlockRecord, unnamed00B) == 0x00B);

CHECK_INFO_FIELD("u8bTervidInfoMark", tervidInfoMark);
CHECK_INFO_FIELD("ubReserved1", reserved1);
CHECK_INFO_FIELD("ubSetFlashDrive", setFlashDrive);
CHECK_INFO_FIELD("ubDrivingEnable", drivingEnable);
CHECK_INFO_FIELD("ubALEPads", alePads);
CHECK_INFO_FIELD("ubCLEPads", clePads);
CHECK_INFO_FIELD("ubnREPads", nrePads);
CHECK_INFO_FIELD("ubFRDYPads", frdyPads);
CHECK_INFO_FIELD("ubnWPPads", nwpPads);
CHECK_INFO_FIELD("ubDQSPads", dqsPads);
CHECK_INFO_FIELD("ubDataPads", dataPads);
CHECK_INFO_FIELD("ubnCEPads", nCePads);
CHECK_INFO_FIELD("ubSerialNumber", serialNumber);
CHECK_INFO_FIELD("ubModelNumber", modelNumber);
CHECK_INFO_FIELD("ubFWVersionEnable", fwVersionEnable);
CHECK_INFO_FIELD("ubFWVersion", fwVersion);
CHECK_INFO_FIELD("ubCustomer", customer);
CHECK_INFO_FIELD("ubWWNSupport", wwnSupport);
CHECK_INFO_FIELD("ubCENumber", ceNumber);
CHECK_INFO_FIELD("uwWWN[0]", wwn[0]);
CHECK_INFO_FIELD("uwWWN[1]", wwn[1]);
CHECK_INFO_FIELD("uwWWN[2]", wwn[2]);
CHECK_INFO_FIELD("uwWWN[3]", wwn[3]);
CHECK_INFO_FIELD("ubFormFactor", formFactor);
CHECK_INFO_FIELD("ubDisableEnableMicronSLCMode", disableEnableMicronSlcMode);
CHECK_INFO_FIELD("ulSSDSize_LBA", ssdSizeLba);
CHECK_INFO_FIELD("ubILMode", ilMode);
CHECK_INFO_FIELD("ubDisableEnableMultiPlaneMode", disableEnableMultiPlaneMode);
CHECK_INFO_FIELD("ubDisableEnableA2Mode", disableEnableA2Mode);
CHECK_INFO_FIELD("ubFlashInterface", flashInterface);
CHECK_INFO_FIELD("ubFlashClk", flashClk);
CHECK_INFO_FIELD("ubThermalSensorMode", thermalSensorMode);
CHECK_INFO_FIELD("ubDEVSLPSupport", devslpSupport);
CHECK_INFO_FIELD("ubNCQSupport", ncqSupport);
CHECK_INFO_FIELD("ub48BitCmdSupport", cmd48BitSupport);
CHECK_INFO_FIELD("ubXferModeEnable", xferModeEnable);
CHECK_INFO_FIELD("ubMultiDMAMode[0]", multiDmaMode[0]);
CHECK_INFO_FIELD("ubMultiDMAMode[1]", multiDmaMode[1]);
CHECK_INFO_FIELD("ubUltraDMAMode[0]", ultraDmaMode[0]);
CHECK_INFO_FIELD("ubUltraDMAMode[1]", ultraDmaMode[1]);
CHECK_INFO_FIELD("ubHyperMLCEnable", hyperMlcEnable);
CHECK_INFO_FIELD("ubWriteCacheSupport", writeCacheSupport);
CHECK_INFO_FIELD("ulMaxPECycle_D3", maxPeCycleD3);
CHECK_INFO_FIELD("ubPMICSel", pmicSel);
CHECK_INFO_FIELD("ulSLCPoolSizeIn4KEntry", slcPoolSizeIn4KEntry);
CHECK_INFO_FIELD("uwIDW129_159", idw129to159);
CHECK_INFO_FIELD("ubIDW129_159Enable", idw129to159Enable);
CHECK_INFO_FIELD("ubSLCPoolEnable", slcPoolEnable);
CHECK_INFO_FIELD("ubSSC_Enable", sscEnable);
CHECK_INFO_FIELD("ubHIPMSupport", hipmSupport);
CHECK_INFO_FIELD("ubDIPMSupport", dipmSupport);
CHECK_INFO_FIELD("ubAPSSupport", apsSupport);
CHECK_INFO_FIELD("ulSmartStatusRuleMap", smartStatusRuleMap[0]);
CHECK_INFO_FIELD("ulSmartStatusRuleMap2", smartStatusRuleMap[1]);
CHECK_INFO_FIELD("ulTimeToDoBG_Copy", timeToDoBgCopy);
CHECK_INFO_FIELD("ubTimeToDoBGEnable", timeToDoBgEnable);
CHECK_INFO_FIELD("ubSwiftFlushEnable", swiftFlushEnable);
CHECK_INFO_FIELD("uwPMASetting", pmaSetting);
CHECK_INFO_FIELD("ubNoPWICEnable", noPwicEnable);
CHECK_INFO_FIELD("ubBGMLCCopyThreshold", bgMlcCopyThreshold);
CHECK_INFO_FIELD("ubBGMLCCopyReleaseThreshold", bgMlcCopyReleaseThreshold);
CHECK_INFO_FIELD("ubSetBGThreshouldEnable", setBgThresholdEnable);
CHECK_INFO_FIELD("ulBGSLCPoolCopyThreshold", bgSlcPoolCopyThreshold);
CHECK_INFO_FIELD("ulBGSLCPoolReleaseThreshold", bgSlcPoolReleaseThreshold);
CHECK_INFO_FIELD("ubSpecialDataEnable", specialDataEnable);
CHECK_INFO_FIELD("ubPadODTEnable", padOdtEnable);
CHECK_INFO_FIELD("ubPadODT", padOdt);
CHECK_INFO_FIELD("ubSlewRateEnable", slewRateEnable);
CHECK_INFO_FIELD("ulTotalUserUnitNumber", totalUserUnitNumber);
CHECK_INFO_FIELD("ubSlewRate", slewRate);
CHECK_INFO_FIELD("ubDDRDriveEnable", ddrDriveEnable);
CHECK_INFO_FIELD("ubDDRDrive", ddrDrive);
CHECK_INFO_FIELD("ubHBRetryEnable", hbRetryEnable);
CHECK_INFO_FIELD("uwDIPM_AUTOP2S_THRESHOLD", dipmAutoP2sThreshold);
CHECK_INFO_FIELD("ubDIPM_THRESHOLD", dipmThreshold);
CHECK_INFO_FIELD("ubDIPM_P2S_THRESHOLD", dipmP2sThreshold);
CHECK_INFO_FIELD("ubSetEnterBG_Time_Enable", setEnterBgTimeEnable);
CHECK_INFO_FIELD("ubDCOSupport", dcoSupport);
CHECK_INFO_FIELD("ubHPASupport", hpaSupport);
CHECK_INFO_FIELD("ubAMAXSupport", amaxSupport);
CHECK_INFO_FIELD("ulMaxPECycle_D1", maxPeCycleD1);
CHECK_INFO_FIELD("ubSanitizeSupport", sanitizeSupport);
CHECK_INFO_FIELD("ubWUNCSupport", wuncSupport);
CHECK_INFO_FIELD("ubZeroSupport", zeroSupport);
CHECK_INFO_FIELD("ubSetFlashODT", setFlashOdt);
CHECK_INFO_FIELD("ubGuaranteeFlushEnable", guaranteeFlushEnable);
CHECK_INFO_FIELD("ubENABLE_FW_DIPM", enableFwDipm);
CHECK_INFO_FIELD("ubENABLE_HW_DIPM", enableHwDipm);
CHECK_INFO_FIELD("ubAP2SWaitIdle2Time", ap2sWaitIdle2Time);
CHECK_INFO_FIELD("uwDataInOutThreshold", dataInOutThreshold);
CHECK_INFO_FIELD("ubTSB_SerialNumber_Customer", tsbSerialNumberCustomer);
CHECK_INFO_FIELD("uwSLCPool_PE_Threshold", slcPoolPeThreshold);
CHECK_INFO_FIELD("ubSecuritySupport", securitySupport);
CHECK_INFO_FIELD("ubDLMCSupport", dlmcSupport);
CHECK_INFO_FIELD("ubTrimSupport", trimSupport);
CHECK_INFO_FIELD("ubDLMCReturnDummyAbort", dlmcReturnDummyAbort);
CHECK_INFO_FIELD("uwWearlevelingRange_D1", wearlevelingRangeD1);
CHECK_INFO_FIELD("uwWearlevelingRange_D3", wearlevelingRangeD3);
CHECK_INFO_FIELD("ubRSEL_Enable", rselEnable);
CHECK_INFO_FIELD("ubCustomersCustomerID", customersCustomerId);
CHECK_INFO_FIELD("ubKeepSMARTwhenKeepEC", keepSmartWhenKeepEc);
CHECK_INFO_FIELD("ubWLCheckRate", wlCheckRate);
CHECK_INFO_FIELD("ub_ENABLE_DPS", enableDps);
CHECK_INFO_FIELD("ubDPSEnableUseTimeOut", dpsEnableUseTimeOut);
CHECK_INFO_FIELD("uwDPSWaitTimeOutMiliSec", dpsWaitTimeOutMiliSec);
CHECK_INFO_FIELD("uwReadSDLLOffsetCH0", readSdllOffsetCh0);
CHECK_INFO_FIELD("uwReadSDLLOffsetCH1", readSdllOffsetCh1);
CHECK_INFO_FIELD("uwProgramSDLLOffsetCH0", programSdllOffsetCh0);
CHECK_INFO_FIELD("uwProgramSDLLOffsetCH1", programSdllOffsetCh1);
CHECK_INFO_FIELD("ubFlashInterface_Scan", flashInterfaceScan);
CHECK_INFO_FIELD("ubFlashClock_Scan", flashClockScan);
CHECK_INFO_FIELD("ubACTimingTableEnable", acTimingTableEnable);
CHECK_INFO_FIELD("ubACTimingClock", acTimingClock);
CHECK_INFO_FIELD("ubACTimingTable", acTimingTable);
CHECK_INFO_FIELD("ubSMARTExecuteOfflineEnable", smartExecuteOfflineEnable);
CHECK_INFO_FIELD("ubWriteProtectWriteSupport", writeProtectWriteSupport);
CHECK_INFO_FIELD("ubCustomerGPIOSelectMode", customerGpioSelectMode);
CHECK_INFO_FIELD("ubSMARTExtendScanAllEnable", smartExtendScanAllEnable);
CHECK_INFO_FIELD("ubComWakeWorkaround", comWakeWorkaround);
CHECK_INFO_FIELD("ubWPVersionEnable", wpVersionEnable);
CHECK_INFO_FIELD("uwWPVerTable", wpVerTable);
CHECK_INFO_FIELD("uwWPModelTable", wpModelTable);
CHECK_INFO_FIELD("ubREBDuty[0]", rebDuty[0]);
CHECK_INFO_FIELD("ubREBDuty[1]", rebDuty[1]);
CHECK_INFO_FIELD("ubFlushD1VerifyMode", flushD1VerifyMode);
CHECK_INFO_FIELD("ubD3UnitReadCheckThreshold", d3UnitReadCheckThreshold);
CHECK_INFO_FIELD("ubD3UnitForceReadMoveThreshold", d3UnitForceReadMoveThreshold);
CHECK_INFO_FIELD("ubSMARTBufferTimeSecond", smartBufferTimeSecond);
CHECK_INFO_FIELD("ubSMARTShortSelfTestTimeMin", smartShortSelfTestTimeMin);
CHECK_INFO_FIELD("ubSMARTConveyanceSelfTestTimeMin", smartConveyanceSelfTestTimeMin);
CHECK_INFO_FIELD("uwSMARTExtendedSelfTestTimeMin", smartExtendedSelfTestTimeMin);
CHECK_INFO_FIELD("uwSMARTOfflineTimeSecond", smartOfflineTimeSecond);
CHECK_INFO_FIELD("ubNoUse", noUse);
CHECK_INFO_FIELD("ubGPIOEdgeMode", gpioEdgeMode);
CHECK_INFO_FIELD("ubVarnok_forceactiveGRSLC", varnokForceActiveGrSlc);
CHECK_INFO_FIELD("MpInfo.Signature", mpInfo.signature);
CHECK_INFO_FIELD("MpInfo.Result_Code", mpInfo.resultWord);
CHECK_INFO_FIELD("MpInfo.Result_Code2", mpInfo.resultWord);
CHECK_INFO_FIELD("MpInfo.Version", mpInfo.resultWord);
CHECK_INFO_FIELD("MpInfo.ErrPage_Number", mpInfo.errorWord);
CHECK_INFO_FIELD("MpInfo.BadBlk_Number", mpInfo.errorWord);
CHECK_INFO_FIELD("MpInfo.RunInfo.MP_EraseCheckStatus", mpInfo.runFlags);
CHECK_INFO_FIELD("MpInfo.RunInfo.bReserved", mpInfo.runFlags);
CHECK_INFO_FIELD("MpInfo.RunInfo.FLH_EvenLoop_TestRule", mpInfo.loopRules);
CHECK_INFO_FIELD("MpInfo.RunInfo.FLH_OddLoop_TestRule", mpInfo.loopRules);
CHECK_INFO_FIELD("MpInfo.RunInfo.MP_FtlWriteClock", mpInfo.runWord);
CHECK_INFO_FIELD("MpInfo.RunInfo.RDT_BuildDBT", mpInfo.runWord);
CHECK_INFO_FIELD("RunInfo.bReserved1", mpInfo.runWord);
CHECK_INFO_FIELD("MpInfo.RunInfo.FLH_CacheTest", mpInfo.runWord);
CHECK_INFO_FIELD("MpInfo.RunInfo.CEBitMap", mpInfo.ceBitMap);
CHECK_INFO_FIELD("MpInfo.RunInfo.DBTCheckSum", mpInfo.dbtCheckSum);
CHECK_INFO_FIELD("MpInfo.RunInfo.SkipFLH_SortCheck", mpInfo.skipFlags);
CHECK_INFO_FIELD("MpInfo.RunInfo.RDT_Reverse_Test", mpInfo.skipFlags);
CHECK_INFO_FIELD("MpInfo.RunInfo.RUN_FixTemperature", mpInfo.runFixTemperature);
CHECK_INFO_FIELD("MpInfo.RunInfo.RUN_MaxTemperature", mpInfo.runMaxTemperature);
CHECK_INFO_FIELD("MpInfo.RunInfo.SortBB_Source", mpInfo.sortBbSource);
CHECK_INFO_FIELD("MpInfo.RunInfo.SortBB_Source2", mpInfo.sortBbSourceBits);
CHECK_INFO_FIELD("MpInfo.RunInfo.u8Reserved", mpInfo.sortBbSourceBits);
CHECK_INFO_FIELD("MpInfo.u8Reserved", mpInfo.reserved1C);
CHECK_INFO_FIELD("MpInfo.MaxEraseBadBlkNumLimit", mpInfo.maxEraseBadBlkNumLimit);
CHECK_INFO_FIELD("MpInfo.MaxProgBadBlkNumLimit", mpInfo.maxProgBadBlkNumLimit);
CHECK_INFO_FIELD("MpInfo.MaxReadBadBlkNumLimit", mpInfo.maxReadBadBlkNumLimit);
CHECK_INFO_FIELD("MpInfo.FLH_TestUnitNum", mpInfo.flhTestUnitNum);
CHECK_INFO_FIELD("MpInfo.CEBitMapForBBStatus", mpInfo.ceBitMapForBbStatus);
CHECK_INFO_FIELD("MpInfo.FactoryCode", mpInfo.factoryCode);
CHECK_INFO_FIELD("MpInfo.MinTemperature", mpInfo.minTemperature);
CHECK_INFO_FIELD("MpInfo.MaxTemperature", mpInfo.maxTemperature);
CHECK_INFO_FIELD("MpInfo.Temperature", mpInfo.temperature);
CHECK_INFO_FIELD("MpInfo.FW_Version", mpInfo.fwVersion);
CHECK_INFO_FIELD("MpInfo.MaxBadBlkRatio_PerPlane", mpInfo.maxBadBlkRatioPerPlane);
CHECK_INFO_FIELD("MpInfo.RDT_SLC_BLK_Ratio", mpInfo.rdtSlcBlkRatio);
CHECK_INFO_FIELD("MpInfo.SLC_RDT_Loop", mpInfo.slcRdtLoop);
CHECK_INFO_FIELD("MpInfo.TLC_RDT_Loop", mpInfo.tlcRdtLoop);
CHECK_INFO_FIELD("MpInfo.SLC_ECC_Threshold", mpInfo.slcEccThreshold);
CHECK_INFO_FIELD("MpInfo.TLC_ECC_Threshold", mpInfo.tlcEccThreshold);
CHECK_INFO_FIELD("MpInfo.RDT_TotalTime", mpInfo.rdtTotalTime);
CHECK_INFO_FIELD("ubAP_APVer1", apApVer1);
CHECK_INFO_FIELD("ubAP_APVer2", apApVer2);
CHECK_INFO_FIELD("ubAP_Reserved1", apReserved1);
CHECK_INFO_FIELD("ubAP_ScanMaxBad", apScanMaxBad);
CHECK_INFO_FIELD("ubAP_WO", apWorkOrder);
CHECK_INFO_FIELD("ubAP_RDTFWVer", apRdtFwVer);
CHECK_INFO_FIELD("ubAP_ToolID", apToolId);
CHECK_INFO_FIELD("ubAP_APVer", apApVer);
CHECK_INFO_FIELD("ubAP_Reserved2", apReserved2);
CHECK_INFO_FIELD("ubAP_IndustrialSpecification", apIndustrialGrade);
CHECK_INFO_FIELD("ubAP_GoodMark", apGoodMark);
static_assert(InfoField("ubAP_CurrentDate").offset == offsetof(InfoBlockRecord, apDateYearMonth) &&
              offsetof(InfoBlockRecord, apDateDayTime) == offsetof(InfoBlockRecord, apDateYearMonth) + 1 &&
              InfoField("ubAP_CurrentDate").size ==
                  sizeof(InfoBlockRecord::apDateYearMonth) + sizeof(InfoBlockRecord::apDateDayTime));
// The RDT information record is MpInfo on its own: the fields that readers of that record
// take keep their place counted from 0x191.
static_assert(InfoField("MpInfo.RunInfo.CEBitMap").offset - kMpInfoOffset == offsetof(MpInfo, ceBitMap));
static_assert(InfoField("MpInfo.RDT_TotalTime").offset - kMpInfoOffset == offsetof(MpInfo, rdtTotalTime));

#undef CHECK_INFO_FIELD

namespace {

std::uint32_t LoadWord(InfoBlockView block, std::size_t at, std::size_t width) {
  return static_cast<std::uint32_t>(device::LoadLittleEndian(block.data() + at, width));
}

std::uint32_t BitMask(const InfoBlockField& field) {
  return field.bitCount >= 32 ? 0xFFFFFFFFu : ((1u << field.bitCount) - 1u);
}

// Byte position of element i; the table guarantees it lies inside the block.
std::size_t ElementOffset(const InfoBlockField& field, std::size_t index) {
  return field.offset + index * field.elementSize;
}

// A swapped-text field holds each pair of characters swapped; the swap is its own inverse.
void SwapCharacterPairs(const InfoBlockField& field, std::string& text) {
  if (field.kind != InfoFieldKind::kSwappedText) return;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) std::swap(text[i], text[i + 1]);
}

}  // namespace

const InfoBlockField* FindInfoField(std::string_view name) {
  if (name.empty()) return nullptr;
  const auto found = std::find_if(kInfoBlockFields.begin(), kInfoBlockFields.end(),
                                  [name](const InfoBlockField& field) { return field.name == name; });
  return found == kInfoBlockFields.end() ? nullptr : &*found;
}

std::uint32_t GetInfoFieldValue(InfoBlockView block, const InfoBlockField& field) {
  if (field.IsBitRange()) {
    return (LoadWord(block, field.offset, field.size) >> field.firstBit) & BitMask(field);
  }
  return GetInfoFieldElement(block, field, 0);
}

void SetInfoFieldValue(InfoBlockSpan block, const InfoBlockField& field, std::uint32_t value) {
  if (!field.IsBitRange()) {
    SetInfoFieldElement(block, field, 0, value);
    return;
  }
  const std::uint32_t mask = BitMask(field) << field.firstBit;
  const std::uint32_t word = LoadWord(block, field.offset, field.size);
  device::StoreLittleEndian(block.data() + field.offset, field.size,
                            (word & ~mask) | ((value << field.firstBit) & mask));
}

std::uint32_t GetInfoFieldElement(InfoBlockView block, const InfoBlockField& field, std::size_t index) {
  if (index >= field.ElementCount()) return 0;
  return LoadWord(block, ElementOffset(field, index), field.elementSize);
}

bool SetInfoFieldElement(InfoBlockSpan block, const InfoBlockField& field, std::size_t index,
                         std::uint32_t value) {
  if (index >= field.ElementCount()) return false;
  device::StoreLittleEndian(block.data() + ElementOffset(field, index), field.elementSize, value);
  return true;
}

std::string GetInfoFieldText(InfoBlockView block, const InfoBlockField& field) {
  if (field.IsBitRange()) return {};
  std::string text(reinterpret_cast<const char*>(block.data() + field.offset), field.size);
  SwapCharacterPairs(field, text);
  return text;
}

void SetInfoFieldText(InfoBlockSpan block, const InfoBlockField& field, std::string_view text, char fill) {
  if (field.IsBitRange()) return;
  std::string stored(field.size, fill);
  std::copy_n(text.begin(), std::min(text.size(), stored.size()), stored.begin());
  SwapCharacterPairs(field, stored);
  std::copy(stored.begin(), stored.end(), block.begin() + field.offset);
}

bool InfoFieldEquals(InfoBlockView a, InfoBlockView b, const InfoBlockField& field) {
  if (field.IsBitRange()) return GetInfoFieldValue(a, field) == GetInfoFieldValue(b, field);
  return std::equal(a.begin() + field.offset, a.begin() + field.offset + field.size, b.begin() + field.offset);
}

std::array<std::uint8_t, kInfoBlockBytes> MpInfoAsBlock(std::span<const std::uint8_t, kMpInfoBytes> record) {
  std::array<std::uint8_t, kInfoBlockBytes> block{};
  std::copy(record.begin(), record.end(), block.begin() + kMpInfoOffset);
  return block;
}

namespace {
constexpr const InfoBlockField& kDateField = InfoField("ubAP_CurrentDate");
}  // namespace

InfoBlockDate GetInfoBlockDate(InfoBlockView block) {
  const std::uint8_t yearMonth = block[kDateField.offset];
  const auto dayTime = static_cast<std::uint32_t>(device::LoadLittleEndian(block.data() + kDateField.offset + 1, 2));
  InfoBlockDate date;
  date.yearDigit = yearMonth & 0x0Fu;
  date.month = yearMonth >> 4;
  date.day = dayTime & 0x1Fu;
  date.hour = (dayTime >> 5) & 0x1Fu;
  date.minute = (dayTime >> 10) & 0x3Fu;
  return date;
}

void SetInfoBlockDate(InfoBlockSpan block, const InfoBlockDate& date) {
  block[kDateField.offset] = static_cast<std::uint8_t>((date.yearDigit & 0x0Fu) | ((date.month & 0x0Fu) << 4));
  const std::uint32_t dayTime = (date.day & 0x1Fu) | ((date.hour & 0x1Fu) << 5) | ((date.minute & 0x3Fu) << 10);
  device::StoreLittleEndian(block.data() + kDateField.offset + 1, 2, dayTime);
}

}  // namespace engine
