#include "engine/reports/InfoBlockReport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

#include "engine/InfoBlockFields.h"

namespace {

using Block = std::array<std::uint8_t, engine::kInfoBlockBytes>;

// The section of an all-zero block, line by line.
const char kAllZeroSection[] =
    "   u8bTervidInfoMark : \r\n"
    "   ubReserved1 : 0\r\n"
    "   ubSetFlashDrive : 0\r\n"
    "   ubDrivingEnable : 0\r\n"
    "   ubALEPads : 0\r\n"
    "   ubCLEPads : 0\r\n"
    "   ubnREPads : 0\r\n"
    "   ubFRDYPads : 0\r\n"
    "   ubnWPPads: 0\r\n"
    "   ubDQSPads : 0\r\n"
    "   ubDataPads : 0\r\n"
    "   ubnCEPads : 0\r\n"
    "   ubSerialNumber : \r\n"
    "   ubModelNumber : \r\n"
    "   ubFWVersionEnable : 0\r\n"
    "   ubFWVersion : \r\n"
    "   ubCustomer : 0\r\n"
    "   ubWWNSupport : 0\r\n"
    "   ubCENumber : 0\r\n"
    "   uwWWN[0] : 0\r\n"
    "   uwWWN[1] : 0\r\n"
    "   uwWWN[2] : 0\r\n"
    "   uwWWN[3] : 0\r\n"
    "   ubFormFactor : 0\r\n"
    "   ubDisableEnableMicronSLCMode : 0\r\n"
    "   ulSSDSize_LBA : 0\r\n"
    "   ubILMode : 0\r\n"
    "   ubDisableEnableMultiPlaneMode : 0\r\n"
    "   ubDisableEnableA2Mode : 0\r\n"
    "   ubFlashInterface : 0\r\n"
    "   ubFlashClk : 0\r\n"
    "   ubThermalSensorMode : 0\r\n"
    "   ubDEVSLPSupport : 0\r\n"
    "   ubNCQSupport : 0\r\n"
    "   ub48BitCmdSupport : 0\r\n"
    "   ubXferModeEnable : 0\r\n"
    "   ubMultiDMAMode[0]: 0\r\n"
    "   ubMultiDMAMode[1] : 0\r\n"
    "   ubUltraDMAMode[0] : 0\r\n"
    "   ubUltraDMAMode[1] : 0\r\n"
    "   ubHyperMLCEnable : 0\r\n"
    "   ubWriteCacheSupport : 0\r\n"
    "   ulMaxPECycle_D3 : 0\r\n"
    "   ubPMICSel : 0,0,0,0,0,0,0,0,0,0,0,0,\r\n"
    "   ulSLCPoolSizeIn4KEntry : 0\r\n"
    "   uwIDW129_159 : 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,\r\n"
    "   ubIDW129_159Enable : 0\r\n"
    "   ubSLCPoolEnable : 0\r\n"
    "   ubSSC_Enable : 0\r\n"
    "   ubHIPMSupport : 0\r\n"
    "   ubDIPMSupport : 0\r\n"
    "   ubAPSSupport : 0\r\n"
    "   ulSmartStatusRuleMap : 0\r\n"
    "   ulSmartStatusRuleMap : 0\r\n"
    "   ulTimeToDoBG_Copy : 0\r\n"
    "   ubTimeToDoBGEnable : 0\r\n"
    "   ubSwiftFlushEnable : 0\r\n"
    "   uwPMASetting : 0\r\n"
    "   ubNoPWICEnable : 0\r\n"
    "   ubBGMLCCopyThreshold : 0\r\n"
    "   ubBGMLCCopyReleaseThreshold : 0\r\n"
    "   ubSetBGThreshouldEnable : 0\r\n"
    "   ulBGSLCPoolCopyThreshold : 0\r\n"
    "   ulBGSLCPoolReleaseThreshold : 0\r\n"
    "   ubSpecialDataEnable : 0\r\n"
    "   ubPadODTEnable : 0\r\n"
    "   ubPadODT : 0\r\n"
    "   ubSlewRateEnable : 0\r\n"
    "   ulTotalUserUnitNumber : 0\r\n"
    "   ubSlewRate : 0\r\n"
    "   ubDDRDriveEnable : 0\r\n"
    "   ubDDRDrive : 0\r\n"
    "   ubHBRetryEnable : 0\r\n"
    "   uwDIPM_AUTOP2S_THRESHOLD : 0\r\n"
    "   ubDIPM_THRESHOLD : 0\r\n"
    "   ubDIPM_P2S_THRESHOLD : 0\r\n"
    "   ubSetEnterBG_Time_Enable : 0\r\n"
    "   ubDCOSupport : 0\r\n"
    "   ubHPASupport : 0\r\n"
    "   ubAMAXSupport : 0\r\n"
    "   ulMaxPECycle_D1 : 0\r\n"
    "   ubSanitizeSupport : 0\r\n"
    "   ubWUNCSupport : 0\r\n"
    "   ubZeroSupport : 0\r\n"
    "   ubSetFlashODT : 0\r\n"
    "   ubGuaranteeFlushEnable : 0\r\n"
    "   ubENABLE_FW_DIPM : 0\r\n"
    "   ubENABLE_HW_DIPM : 0\r\n"
    "   ubAP2SWaitIdle2Time : 0\r\n"
    "   uwDataInOutThreshold : 0\r\n"
    "   ubTSB_SerialNumber_Customer : \r\n"
    "   uwSLCPool_PE_Threshold : 0\r\n"
    "   ubSecuritySupport : 0\r\n"
    "   ubDLMCSupport : 0\r\n"
    "   ubTrimSupport : 0\r\n"
    "   ubDLMCReturnDummyAbort : 0\r\n"
    "   uwWearlevelingRange_D1 : 0\r\n"
    "   uwWearlevelingRange_D3 : 0\r\n"
    "   ubRSEL_Enable : 0\r\n"
    "   ubCustomersCustomerID : 0\r\n"
    "   ubKeepSMARTwhenKeepEC : 0\r\n"
    "   ubWLCheckRate : 0\r\n"
    "   ub_ENABLE_DPS : 0\r\n"
    "   ubDPSEnableUseTimeOut : 0\r\n"
    "   uwDPSWaitTimeOutMiliSec : 0\r\n"
    "   uwReadSDLLOffsetCH0 : 0\r\n"
    "   uwReadSDLLOffsetCH1 : 0\r\n"
    "   uwProgramSDLLOffsetCH0 : 0\r\n"
    "   uwProgramSDLLOffsetCH1 : 0\r\n"
    "   ubFlashInterface_Scan : 0\r\n"
    "   ubFlashClock_Scan : 0\r\n"
    "   ubACTimingTableEnable : 0\r\n"
    "   ubACTimingClock : 0\r\n"
    "   ubACTimingTable : 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,\r\n"
    "   ubSMARTExecuteOfflineEnable : 0\r\n"
    "   ubWriteProtectWriteSupport : 0\r\n"
    "   ubCustomerGPIOSelectMode : 0\r\n"
    "   ubSMARTExtendScanAllEnable : 0\r\n"
    "   ubComWakeWorkaround : 0\r\n"
    "   ubWPVersionEnable: 0\r\n"
    "   uwWPVerTable : 0,0,0,0,\r\n"
    "   uwWPModelTable : 0,0,0,0,0,0,0,0,0,0,\r\n"
    "   ubREBDuty[0] : 0\r\n"
    "   ubREBDuty[1] : 0\r\n"
    "   ubFlushD1VerifyMode : 0\r\n"
    "   ubD3UnitReadCheckThreshold : 0\r\n"
    "   ubD3UnitForceReadMoveThreshold : 0\r\n"
    "   ubSMARTBufferTimeSecond : 0\r\n"
    "   ubSMARTShortSelfTestTimeMin : 0\r\n"
    "   ubSMARTConveyanceSelfTestTimeMin : 0\r\n"
    "   uwSMARTExtendedSelfTestTimeMin : 0\r\n"
    "   uwSMARTOfflineTimeSecond : 0\r\n"
    "   ubNoUse : 0\r\n"
    "   ubGPIOEdgeMode : 0\r\n"
    "   ubVarnok_forceactiveGRSLC : 0\r\n"
    "   MpInfo.Signature : \r\n"
    "   MpInfo.Result_Code : 0\r\n"
    "   MpInfo.Result_Code : 0\r\n"
    "   MpInfo.Version : 0\r\n"
    "   MpInfo.ErrPage_Number : 0\r\n"
    "   MpInfo.BadBlk_Number : 0\r\n"
    "   MpInfo.RunInfo.MP_EraseCheckStatus : 0\r\n"
    "   MpInfo.RunInfo.AutoCap_DynamicCE_En : 0\r\n"
    "   MpInfo.RunInfo.TwoPassProgramType : 0\r\n"
    "   MpInfo.RunInfo.bReserved : 0\r\n"
    "   MpInfo.RunInfo.FLH_EvenLoop_TestRule : 0\r\n"
    "   MpInfo.RunInfo.FLH_OddLoop_TestRule : 0\r\n"
    "   MpInfo.RunInfo.MP_FtlWriteClock : 0\r\n"
    "   MpInfo.RunInfo.MP_FtlClockEnable : 0\r\n"
    "   MpInfo.RunInfo.MP_BoardType : 0\r\n"
    "   MpInfo.RunInfo.MP_UserType : 0\r\n"
    "   MpInfo.RunInfo.MP_FlashBinType : 0\r\n"
    "   MpInfo.RunInfo.RDT_BuildDBT : 0\r\n"
    "   MpInfo.RunInfo.MP_SmartC7Reset : 0\r\n"
    "   MpInfo.RunInfo.MP_SmartC4Reset : 0\r\n"
    "   MpInfo.RunInfo.MP_Smart01Reset : 0\r\n"
    "   MpInfo.RunInfo.MP_Performance1_EN : 0\r\n"
    "   MpInfo.RunInfo.MP_Performance2_EN : 0\r\n"
    "   RunInfo.bReserved1 : 0\r\n"
    "   MpInfo.RunInfo.RDT_ReTest : 0\r\n"
    "   MpInfo.RunInfo.FLH_CacheTest : 0\r\n"
    "   MpInfo.RunInfo.CEBitMap : 0000\r\n"
    "   MpInfo.RunInfo.DBTCheckSum : 0\r\n"
    "   MpInfo.RunInfo.SkipFLH_SortCheck : 0\r\n"
    "   MpInfo.RunInfo.SkipFLH_EarlyBadTest : 0\r\n"
    "   MpInfo.RunInfo.SkipFLH_EraseTest : 0\r\n"
    "   MpInfo.RunInfo.SkipFLH_ProgramTest : 0\r\n"
    "   MpInfo.RunInfo.SkipFLH_ReadTest : 0\r\n"
    "   MpInfo.RunInfo.FLH_MultiPlaneTest : 0\r\n"
    "   MpInfo.RunInfo.FLH_ReadRetryTest : 0\r\n"
    "   MpInfo.RunInfo.RDT_Reverse_Test : 0\r\n"
    "   MpInfo.RunInfo.RUN_FixTemperature : 0\r\n"
    "   MpInfo.RunInfo.RUN_MaxTemperature : 0\r\n"
    "   MpInfo.RunInfo.SortBB_Source : 0\r\n"
    "   MpInfo.RunInfo.SortBB_Source : 0\r\n"
    "   MpInfo.RunInfo.u8Reserved : 0\r\n"
    "   MpInfo.u8Reserved : 0,0,0,0,0,0,0,0,\r\n"
    "   MpInfo.MaxEraseBadBlkNumLimit : 0\r\n"
    "   MpInfo.MaxProgBadBlkNumLimit : 0\r\n"
    "   MpInfo.MaxReadBadBlkNumLimit : 0\r\n"
    "   MpInfo.FLH_TestUnitNum : 0\r\n"
    "   MpInfo.CEBitMapForBBStatus : 0\r\n"
    "   MpInfo.FactoryCode : 0\r\n"
    "   MpInfo.MinTemperature :0\r\n"
    "   MpInfo.MaxTemperature :0\r\n"
    "   MpInfo.Temperature : 0\r\n"
    "   MpInfo.FW_Version : \r\n"
    "   MpInfo.MaxBadBlkRatio_PerPlane : 0\r\n"
    "   MpInfo.RDT_SLC_BLK_Ratio : 0\r\n"
    "   MpInfo.SLC_RDT_Loop : 0\r\n"
    "   MpInfo.TLC_RDT_Loop : 0\r\n"
    "   MpInfo.SLC_ECC_Threshold : 0\r\n"
    "   MpInfo.TLC_ECC_Threshold : 0\r\n"
    "   MpInfo.RDT_TotalTime : 0\r\n"
    "   ubAP_APVer1 : 00\r\n"
    "   ubAP_APVer2 : 00\r\n"
    "   ubAP_Reserved1 : 0,0,0,0,0,0,0,0,\r\n"
    "   ubAP_ScanMaxBad : 0\r\n"
    "   ubAP_WO : \r\n"
    "   ubAP_RDTFWVer : \r\n"
    "   ubAP_ToolID : 0\r\n"
    "   ubAP_APVer : MP:TV3160 V0000 FW:00ST00\r\n"
    "   ubAP_CurrentDate : 2010/0/0 00:00\r\n"
    "   ubAP_Reserved2 : 0\r\n"
    "   ubAP_IndustrialSpecification : 0\r\n"
    "   ubAP_GoodMark : MP: none   QC: none   BurnIn: none\r\n";

std::string LineOf(const std::string& section, const std::string& head) {
  const std::size_t start = section.find(head);
  if (start == std::string::npos) return "(no line " + head + ")";
  const std::size_t end = section.find("\r\n", start);
  return section.substr(start, end == std::string::npos ? std::string::npos : end + 2 - start);
}

void Put(Block& block, std::size_t offset, std::initializer_list<std::uint8_t> bytes) {
  for (std::uint8_t byte : bytes) block[offset++] = byte;
}

TEST(InfoBlockSection, AllZeroBlockGivesEveryLineWithItsLineEnd) {
  const Block block{};
  EXPECT_EQ(engine::FormatInfoBlockSection(block), kAllZeroSection);
}

TEST(InfoBlockSection, ATextFieldStopsAtItsFirstZeroByteButKeepsItsLineEnd) {
  Block block{};
  Put(block, 0x000, {'T', 'e', 'r', 0, 'i', 'd'});
  Put(block, 0x191, {'T', 'V', 'R', 'T'});
  Put(block, 0x1C3, {'T', '0', 0, '1'});
  const std::string section = engine::FormatInfoBlockSection(block);
  EXPECT_EQ(section.substr(0, 48), "   u8bTervidInfoMark : Ter\r\n   ubReserved1 : 0\r\n");
  EXPECT_EQ(LineOf(section, "   MpInfo.Signature"), "   MpInfo.Signature : TVRT\r\n");
  EXPECT_EQ(LineOf(section, "   MpInfo.FW_Version"), "   MpInfo.FW_Version : T0\r\n");
}

TEST(InfoBlockSection, WordSwappedTextsReadInPairsAndDropZeroBytes) {
  Block block{};
  engine::SetInfoFieldText(block, engine::InfoField("ubSerialNumber"), "ABCD", ' ');
  ASSERT_EQ(block[0x12], 0x42);
  ASSERT_EQ(block[0x13], 0x41);
  EXPECT_EQ(LineOf(engine::FormatInfoBlockSection(block), "   ubSerialNumber"),
            "   ubSerialNumber : ABCD                \r\n");

  // ubFWVersion starts at an odd offset; pairs count from there. A pair whose second byte
  // is zero prints nothing; a zero first byte is dropped alone.
  Put(block, 0x04F, {'2', '1', 0, '3', '5', 0, 0, '4'});
  EXPECT_EQ(LineOf(engine::FormatInfoBlockSection(block), "   ubFWVersion :"), "   ubFWVersion : 1234\r\n");
}

TEST(InfoBlockSection, NumbersPrintInTheirFormatsAndBitRangesShiftedDown) {
  Block block{};
  Put(block, 0x064, {0x00, 0x10, 0xA3, 0x0E});           // ulSSDSize_LBA
  Put(block, 0x195, {0x12, 0x34, 0x56, 0x78});           // result word
  Put(block, 0x199, {0x01, 0x02, 0x00, 0x01});           // error word
  Put(block, 0x1A4, {0x1F, 0x00});                       // CE bit map, "%04x"
  Put(block, 0x1D1, {0x05, 0xAB});                       // AP versions, "%02x"
  block[0x1DB] = 200;                                    // decimal
  block[0x1C0] = 0x23;                                   // " :" without a trailing blank
  Put(block, 0x08C, {0x34, 0x12, 0xFF, 0x00});           // first two words of a word array
  const std::string section = engine::FormatInfoBlockSection(block);
  EXPECT_EQ(LineOf(section, "   ulSSDSize_LBA"), "   ulSSDSize_LBA : ea31000\r\n");
  EXPECT_EQ(LineOf(section, "   MpInfo.Result_Code"), "   MpInfo.Result_Code : 12\r\n");
  EXPECT_NE(section.find("   MpInfo.Result_Code : 12\r\n   MpInfo.Result_Code : 5634\r\n   MpInfo.Version : 78\r\n"),
            std::string::npos);
  EXPECT_NE(section.find("   MpInfo.ErrPage_Number : 1\r\n   MpInfo.BadBlk_Number : 10002\r\n"), std::string::npos);
  EXPECT_EQ(LineOf(section, "   MpInfo.RunInfo.CEBitMap"), "   MpInfo.RunInfo.CEBitMap : 001f\r\n");
  EXPECT_EQ(LineOf(section, "   ubAP_APVer1"), "   ubAP_APVer1 : 05\r\n");
  EXPECT_EQ(LineOf(section, "   ubAP_APVer2"), "   ubAP_APVer2 : ab\r\n");
  EXPECT_EQ(LineOf(section, "   ubAP_ScanMaxBad"), "   ubAP_ScanMaxBad : 200\r\n");
  EXPECT_EQ(LineOf(section, "   MpInfo.MinTemperature"), "   MpInfo.MinTemperature :23\r\n");
  EXPECT_EQ(LineOf(section, "   uwIDW129_159"),
            "   uwIDW129_159 : 1234,ff,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,\r\n");
}

TEST(InfoBlockSection, RunWordBitsEachGetTheirLineButBit26NeverShows) {
  Block block{};
  Put(block, 0x1A0, {0xFF, 0xFF, 0xFF, 0xFF});
  block[0x00B] = 0x5A;
  const std::string section = engine::FormatInfoBlockSection(block);
  EXPECT_NE(section.find("   MpInfo.RunInfo.MP_FtlWriteClock : 7\r\n"
                         "   MpInfo.RunInfo.MP_FtlClockEnable : 1\r\n"
                         "   MpInfo.RunInfo.MP_BoardType : f\r\n"
                         "   MpInfo.RunInfo.MP_UserType : ff\r\n"
                         "   MpInfo.RunInfo.MP_FlashBinType : f\r\n"
                         "   MpInfo.RunInfo.RDT_BuildDBT : 1\r\n"
                         "   MpInfo.RunInfo.MP_SmartC7Reset : 1\r\n"
                         "   MpInfo.RunInfo.MP_SmartC4Reset : 1\r\n"
                         "   MpInfo.RunInfo.MP_Smart01Reset : 1\r\n"
                         "   MpInfo.RunInfo.MP_Performance1_EN : 1\r\n"
                         "   MpInfo.RunInfo.MP_Performance2_EN : 1\r\n"
                         "   RunInfo.bReserved1 : 7\r\n"
                         "   MpInfo.RunInfo.RDT_ReTest : 1\r\n"
                         "   MpInfo.RunInfo.FLH_CacheTest : 1\r\n"),
            std::string::npos);
  // The unnamed byte at 0x00B has no line: the pad lines around it follow each other.
  EXPECT_NE(section.find("   ubCLEPads : 0\r\n   ubnREPads : 0\r\n"), std::string::npos);
  EXPECT_EQ(section.find("5a"), std::string::npos);
}

TEST(InfoBlockSection, WorkOrderCharactersSkipZeroBytesWithTheirCommas) {
  Block block{};
  Put(block, 0x1DC, {'W', 'O', 0, '1'});
  EXPECT_EQ(LineOf(engine::FormatInfoBlockSection(block), "   ubAP_WO"), "   ubAP_WO : W,O,1,\r\n");
}

TEST(InfoBlockSection, DateShowsTheYearAs2010PlusItsDigit) {
  Block block{};
  engine::SetInfoBlockDate(block, {6, 11, 23, 14, 5});
  EXPECT_EQ(block[0x1FA], 0xB6);
  EXPECT_EQ(LineOf(engine::FormatInfoBlockSection(block), "   ubAP_CurrentDate"),
            "   ubAP_CurrentDate : 2016/11/23 14:05\r\n");
  // A digit above 9 is a later year, not a five-digit one.
  engine::SetInfoBlockDate(block, {12, 1, 2, 3, 4});
  EXPECT_EQ(LineOf(engine::FormatInfoBlockSection(block), "   ubAP_CurrentDate"),
            "   ubAP_CurrentDate : 2022/1/2 03:04\r\n");
}

TEST(InfoBlockApVersion, LetterFormsShowTheirTwoNumbersInHexadecimal) {
  EXPECT_EQ(engine::FormatApVersion(std::array<std::uint8_t, 5>{'A', 'P', 'V', 0x01, 0x2A}), "APV1.2A");
  EXPECT_EQ(engine::FormatApVersion(std::array<std::uint8_t, 5>{'T', 'V', 'T', 0x10, 0x03}), "TVT10.3");
}

TEST(InfoBlockApVersion, CodedFormsNameControllerStageAndFirmware) {
  EXPECT_EQ(engine::FormatApVersion(std::array<std::uint8_t, 5>{0x06, 0x01, 0x02, 0x00, 0x07}),
            "MP:TV3160 V0102 FW:S1ST07");
  EXPECT_EQ(engine::FormatApVersion(std::array<std::uint8_t, 5>{0x26, 0x01, 0x02, 0x03, 0x07}),
            "MP:TV3160 V0102_T3 FW:S1I307");
  EXPECT_EQ(engine::FormatApVersion(std::array<std::uint8_t, 5>{0x06, 0x01, 0x02, 0x03, 0x07}),
            "MP:TV3160 V0102_T3 FW:S1S307");
  EXPECT_EQ(engine::FormatApVersion(std::array<std::uint8_t, 5>{0x21 | (5 << 2), 0x0A, 0x00, 0x00, 0x63}),
            "MP:TV3160L V1000 FW:S5IM99");
  // Controller code 3; stage 6 and 7 give "00"; bits 6-7 change nothing.
  EXPECT_EQ(engine::FormatApVersion(std::array<std::uint8_t, 5>{0xC3 | (6 << 2), 0x02, 0x10, 0x00, 0x01}),
            "MP:KQ4471 V0216 FW:00ST01");
}

TEST(InfoBlockGoodMark, ShowsTheStagesInTheirOrder) {
  EXPECT_EQ(engine::FormatGoodMark(0x00), "MP: none   QC: none   BurnIn: none");
  EXPECT_EQ(engine::FormatGoodMark(0x27), "MP: OK   QC: OK   BurnIn: OKUpLoad: OK");
  EXPECT_EQ(engine::FormatGoodMark(0xFF), "MP: OK   QC: OK   BurnIn: OK   PC BurnIn: OK   NTFS: OKUpLoad: OK");
  // Bits 3 and 6 are not shown.
  EXPECT_EQ(engine::FormatGoodMark(0x48), "MP: none   QC: none   BurnIn: none");
  Block block{};
  block[0x1FF] = 0x05;
  EXPECT_EQ(LineOf(engine::FormatInfoBlockSection(block), "   ubAP_GoodMark"),
            "   ubAP_GoodMark : MP: OK   QC: none   BurnIn: OK\r\n");
}

}  // namespace
