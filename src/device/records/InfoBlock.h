#pragma once
// The drive's info block (512 bytes) and its production-result area MpInfo (64 bytes), which
// the drive also returns on its own as the RDT information record ("TVRT") and which the RDT
// firmware leaves in its temperature/time log. Fields follow each other without gaps, many at
// odd offsets; numbers are little-endian; bit fields are documented on the word that holds them.
#include <cstddef>
#include <cstdint>

#include "device/records/FieldTypes.h"

#pragma pack(push, 1)
struct MpInfo {
  PlainText<4> signature;              // 0x00: "TVRT" in an RDT information record
  LeU32 resultWord;                    // 0x04: bits 0-7 result code, 8-23 second result code,
                                       //       24-31 version
  LeU32 errorWord;                     // 0x08: bits 0-7 error page number, 8-31 bad-block number
  LeU16 runFlags;                      // 0x0C: bit 0 erase-check status, bit 1 dynamic CE,
                                       //       bit 2 two-pass program type
  std::uint8_t loopRules;              // 0x0E: bits 0-3 even-loop rule, 4-7 odd-loop rule
  LeU32 runWord;                       // 0x0F: see the kRunWord bits below
  LeU16 ceBitMap;                      // 0x13: bit n = CE n under test
  LeU16 dbtCheckSum;                   // 0x15: CRC-16 of the bad-block table the RDT built
  std::uint8_t skipFlags;              // 0x17: see the kSkip bits below
  std::uint8_t runFixTemperature;      // 0x18
  std::uint8_t runMaxTemperature;      // 0x19
  std::uint8_t sortBbSource;           // 0x1A
  std::uint8_t sortBbSourceBits;       // 0x1B: bits 0-1 sort source, 2-7 reserved
  std::uint8_t reserved1C[8];          // 0x1C
  LeU16 maxEraseBadBlkNumLimit;        // 0x24
  LeU16 maxProgBadBlkNumLimit;         // 0x26
  LeU16 maxReadBadBlkNumLimit;         // 0x28
  LeU16 flhTestUnitNum;                // 0x2A
  LeU16 ceBitMapForBbStatus;           // 0x2C
  std::uint8_t factoryCode;            // 0x2E
  std::uint8_t minTemperature;         // 0x2F
  std::uint8_t maxTemperature;         // 0x30
  std::uint8_t temperature;            // 0x31
  PlainText<4> fwVersion;              // 0x32: the RDT firmware's version characters
  std::uint8_t maxBadBlkRatioPerPlane; // 0x36
  std::uint8_t rdtSlcBlkRatio;         // 0x37
  std::uint8_t slcRdtLoop;             // 0x38
  std::uint8_t tlcRdtLoop;             // 0x39
  std::uint8_t slcEccThreshold;        // 0x3A
  std::uint8_t tlcEccThreshold;        // 0x3B
  LeU32 rdtTotalTime;                  // 0x3C: seconds
};
#pragma pack(pop)

static_assert(sizeof(MpInfo) == 64);
static_assert(offsetof(MpInfo, resultWord) == 0x04);
static_assert(offsetof(MpInfo, errorWord) == 0x08);
static_assert(offsetof(MpInfo, runFlags) == 0x0C);
static_assert(offsetof(MpInfo, runWord) == 0x0F);
static_assert(offsetof(MpInfo, ceBitMap) == 0x13);
static_assert(offsetof(MpInfo, dbtCheckSum) == 0x15);
static_assert(offsetof(MpInfo, skipFlags) == 0x17);
static_assert(offsetof(MpInfo, maxEraseBadBlkNumLimit) == 0x24);
static_assert(offsetof(MpInfo, flhTestUnitNum) == 0x2A);
static_assert(offsetof(MpInfo, minTemperature) == 0x2F);
static_assert(offsetof(MpInfo, temperature) == 0x31);
static_assert(offsetof(MpInfo, fwVersion) == 0x32);
static_assert(offsetof(MpInfo, slcRdtLoop) == 0x38);
static_assert(offsetof(MpInfo, tlcEccThreshold) == 0x3B);
static_assert(offsetof(MpInfo, rdtTotalTime) == 0x3C);

// Bits of MpInfo::runFlags.
inline constexpr std::uint16_t kRunFlagEraseCheckStatus = 0x0001;
inline constexpr std::uint16_t kRunFlagDynamicCe = 0x0002;
inline constexpr std::uint16_t kRunFlagTwoPassProgram = 0x0004;
// Bits of MpInfo::runWord.
inline constexpr std::uint32_t kRunWordRdtBuildDbt = 1u << 20;
inline constexpr std::uint32_t kRunWordReTest = 1u << 30;
inline constexpr std::uint32_t kRunWordCacheTest = 1u << 31;
// Bits of MpInfo::skipFlags.
inline constexpr std::uint8_t kSkipSortCheck = 0x01;
inline constexpr std::uint8_t kSkipEarlyBadTest = 0x02;
inline constexpr std::uint8_t kSkipEraseTest = 0x04;
inline constexpr std::uint8_t kSkipProgramTest = 0x08;
inline constexpr std::uint8_t kSkipReadTest = 0x10;
inline constexpr std::uint8_t kMultiPlaneTest = 0x20;
inline constexpr std::uint8_t kReadRetryTest = 0x40;
inline constexpr std::uint8_t kReverseTest = 0x80;   // loop counts are printed doubled

inline constexpr char kRdtInfoSignature[] = "TVRT";

#pragma pack(push, 1)
struct InfoBlockRecord {
  // Configuration area, 0x000-0x190.
  PlainText<6> tervidInfoMark;                 // 0x000: "Tervid"
  std::uint8_t reserved1;                      // 0x006
  std::uint8_t setFlashDrive;                  // 0x007
  std::uint8_t drivingEnable;                  // 0x008
  std::uint8_t alePads;                        // 0x009
  std::uint8_t clePads;                        // 0x00A
  std::uint8_t unnamed00B;                     // 0x00B
  std::uint8_t nrePads;                        // 0x00C
  std::uint8_t frdyPads;                       // 0x00D
  std::uint8_t nwpPads;                        // 0x00E
  std::uint8_t dqsPads;                        // 0x00F
  std::uint8_t dataPads;                       // 0x010
  std::uint8_t nCePads;                        // 0x011
  WordSwappedText<20> serialNumber;            // 0x012
  WordSwappedText<40> modelNumber;             // 0x026
  std::uint8_t fwVersionEnable;                // 0x04E
  WordSwappedText<8> fwVersion;                // 0x04F
  std::uint8_t customer;                       // 0x057
  std::uint8_t wwnSupport;                     // 0x058
  std::uint8_t ceNumber;                       // 0x059
  LeU16 wwn[4];                                // 0x05A
  std::uint8_t formFactor;                     // 0x062
  std::uint8_t disableEnableMicronSlcMode;     // 0x063
  LeU32 ssdSizeLba;                            // 0x064
  std::uint8_t ilMode;                         // 0x068
  std::uint8_t disableEnableMultiPlaneMode;    // 0x069
  std::uint8_t disableEnableA2Mode;            // 0x06A
  std::uint8_t flashInterface;                 // 0x06B
  std::uint8_t flashClk;                       // 0x06C
  std::uint8_t thermalSensorMode;              // 0x06D
  std::uint8_t devslpSupport;                  // 0x06E
  std::uint8_t ncqSupport;                     // 0x06F
  std::uint8_t cmd48BitSupport;                // 0x070
  std::uint8_t xferModeEnable;                 // 0x071
  std::uint8_t multiDmaMode[2];                // 0x072
  std::uint8_t ultraDmaMode[2];                // 0x074
  std::uint8_t hyperMlcEnable;                 // 0x076
  std::uint8_t writeCacheSupport;              // 0x077
  LeU32 maxPeCycleD3;                          // 0x078
  std::uint8_t pmicSel[12];                    // 0x07C
  LeU32 slcPoolSizeIn4KEntry;                  // 0x088
  LeU16 idw129to159[31];                       // 0x08C
  std::uint8_t idw129to159Enable;              // 0x0CA
  std::uint8_t slcPoolEnable;                  // 0x0CB
  std::uint8_t sscEnable;                      // 0x0CC
  std::uint8_t hipmSupport;                    // 0x0CD
  std::uint8_t dipmSupport;                    // 0x0CE
  std::uint8_t apsSupport;                     // 0x0CF
  LeU32 smartStatusRuleMap[2];                 // 0x0D0
  LeU32 timeToDoBgCopy;                        // 0x0D8
  std::uint8_t timeToDoBgEnable;               // 0x0DC
  std::uint8_t swiftFlushEnable;               // 0x0DD
  LeU16 pmaSetting;                            // 0x0DE
  std::uint8_t noPwicEnable;                   // 0x0E0
  std::uint8_t bgMlcCopyThreshold;             // 0x0E1
  std::uint8_t bgMlcCopyReleaseThreshold;      // 0x0E2
  std::uint8_t setBgThresholdEnable;           // 0x0E3
  LeU32 bgSlcPoolCopyThreshold;                // 0x0E4
  LeU32 bgSlcPoolReleaseThreshold;             // 0x0E8
  std::uint8_t specialDataEnable;              // 0x0EC
  std::uint8_t padOdtEnable;                   // 0x0ED
  std::uint8_t padOdt;                         // 0x0EE
  std::uint8_t slewRateEnable;                 // 0x0EF
  LeU32 totalUserUnitNumber;                   // 0x0F0
  std::uint8_t slewRate;                       // 0x0F4
  std::uint8_t ddrDriveEnable;                 // 0x0F5
  std::uint8_t ddrDrive;                       // 0x0F6
  std::uint8_t hbRetryEnable;                  // 0x0F7
  LeU16 dipmAutoP2sThreshold;                  // 0x0F8
  std::uint8_t dipmThreshold;                  // 0x0FA
  std::uint8_t dipmP2sThreshold;               // 0x0FB
  std::uint8_t setEnterBgTimeEnable;           // 0x0FC
  std::uint8_t dcoSupport;                     // 0x0FD
  std::uint8_t hpaSupport;                     // 0x0FE
  std::uint8_t amaxSupport;                    // 0x0FF
  LeU32 maxPeCycleD1;                          // 0x100
  std::uint8_t sanitizeSupport;                // 0x104
  std::uint8_t wuncSupport;                    // 0x105
  std::uint8_t zeroSupport;                    // 0x106
  std::uint8_t setFlashOdt;                    // 0x107
  std::uint8_t guaranteeFlushEnable;           // 0x108
  std::uint8_t enableFwDipm;                   // 0x109
  std::uint8_t enableHwDipm;                   // 0x10A
  std::uint8_t ap2sWaitIdle2Time;              // 0x10B
  LeU16 dataInOutThreshold;                    // 0x10C
  WordSwappedText<20> tsbSerialNumberCustomer; // 0x10E
  LeU16 slcPoolPeThreshold;                    // 0x122
  std::uint8_t securitySupport;                // 0x124
  std::uint8_t dlmcSupport;                    // 0x125
  std::uint8_t trimSupport;                    // 0x126
  std::uint8_t dlmcReturnDummyAbort;           // 0x127
  LeU16 wearlevelingRangeD1;                   // 0x128
  LeU16 wearlevelingRangeD3;                   // 0x12A
  std::uint8_t rselEnable;                     // 0x12C
  std::uint8_t customersCustomerId;            // 0x12D
  std::uint8_t keepSmartWhenKeepEc;            // 0x12E
  std::uint8_t wlCheckRate;                    // 0x12F
  std::uint8_t enableDps;                      // 0x130
  std::uint8_t dpsEnableUseTimeOut;            // 0x131
  LeU16 dpsWaitTimeOutMiliSec;                 // 0x132
  LeU16 readSdllOffsetCh0;                     // 0x134
  LeU16 readSdllOffsetCh1;                     // 0x136
  LeU16 programSdllOffsetCh0;                  // 0x138
  LeU16 programSdllOffsetCh1;                  // 0x13A
  std::uint8_t flashInterfaceScan;             // 0x13C
  std::uint8_t flashClockScan;                 // 0x13D
  std::uint8_t acTimingTableEnable;            // 0x13E
  std::uint8_t acTimingClock;                  // 0x13F
  std::uint8_t acTimingTable[32];              // 0x140
  std::uint8_t smartExecuteOfflineEnable;      // 0x160
  std::uint8_t writeProtectWriteSupport;       // 0x161
  std::uint8_t customerGpioSelectMode;         // 0x162
  std::uint8_t smartExtendScanAllEnable;       // 0x163
  std::uint8_t comWakeWorkaround;              // 0x164
  std::uint8_t wpVersionEnable;                // 0x165
  LeU16 wpVerTable[4];                         // 0x166
  LeU16 wpModelTable[10];                      // 0x16E
  std::uint8_t rebDuty[2];                     // 0x182
  std::uint8_t flushD1VerifyMode;              // 0x184
  std::uint8_t d3UnitReadCheckThreshold;       // 0x185
  std::uint8_t d3UnitForceReadMoveThreshold;   // 0x186
  std::uint8_t smartBufferTimeSecond;          // 0x187
  std::uint8_t smartShortSelfTestTimeMin;      // 0x188
  std::uint8_t smartConveyanceSelfTestTimeMin; // 0x189
  LeU16 smartExtendedSelfTestTimeMin;          // 0x18A
  LeU16 smartOfflineTimeSecond;                // 0x18C
  std::uint8_t noUse;                          // 0x18E
  std::uint8_t gpioEdgeMode;                   // 0x18F
  std::uint8_t varnokForceActiveGrSlc;         // 0x190
  // Production result and reliability-test recipe, 0x191-0x1D0.
  MpInfo mpInfo;                               // 0x191
  // The station's own marks, 0x1D1-0x1FF.
  std::uint8_t apApVer1;                       // 0x1D1
  std::uint8_t apApVer2;                       // 0x1D2
  std::uint8_t apReserved1[8];                 // 0x1D3
  std::uint8_t apScanMaxBad;                   // 0x1DB
  std::uint8_t apWorkOrder[16];                // 0x1DC
  WordSwappedText<8> apRdtFwVer;               // 0x1EC
  std::uint8_t apToolId;                       // 0x1F4
  std::uint8_t apApVer[5];                     // 0x1F5
  std::uint8_t apDateYearMonth;                // 0x1FA: bits 0-3 year digit, 4-7 month
  LeU16 apDateDayTime;                         // 0x1FB: bits 0-4 day, 5-9 hour, 10-15 minute
  std::uint8_t apReserved2;                    // 0x1FD
  std::uint8_t apIndustrialGrade;              // 0x1FE
  std::uint8_t apGoodMark;                     // 0x1FF: see the kGoodMark bits below
};
#pragma pack(pop)

static_assert(sizeof(InfoBlockRecord) == 512);
static_assert(offsetof(InfoBlockRecord, nrePads) == 0x00C);
static_assert(offsetof(InfoBlockRecord, serialNumber) == 0x012);
static_assert(offsetof(InfoBlockRecord, modelNumber) == 0x026);
static_assert(offsetof(InfoBlockRecord, fwVersion) == 0x04F);
static_assert(offsetof(InfoBlockRecord, wwn) == 0x05A);
static_assert(offsetof(InfoBlockRecord, ssdSizeLba) == 0x064);
static_assert(offsetof(InfoBlockRecord, maxPeCycleD3) == 0x078);
static_assert(offsetof(InfoBlockRecord, idw129to159) == 0x08C);
static_assert(offsetof(InfoBlockRecord, idw129to159Enable) == 0x0CA);
static_assert(offsetof(InfoBlockRecord, smartStatusRuleMap) == 0x0D0);
static_assert(offsetof(InfoBlockRecord, bgSlcPoolCopyThreshold) == 0x0E4);
static_assert(offsetof(InfoBlockRecord, totalUserUnitNumber) == 0x0F0);
static_assert(offsetof(InfoBlockRecord, maxPeCycleD1) == 0x100);
static_assert(offsetof(InfoBlockRecord, tsbSerialNumberCustomer) == 0x10E);
static_assert(offsetof(InfoBlockRecord, slcPoolPeThreshold) == 0x122);
static_assert(offsetof(InfoBlockRecord, acTimingTable) == 0x140);
static_assert(offsetof(InfoBlockRecord, wpVerTable) == 0x166);
static_assert(offsetof(InfoBlockRecord, wpModelTable) == 0x16E);
static_assert(offsetof(InfoBlockRecord, rebDuty) == 0x182);
static_assert(offsetof(InfoBlockRecord, varnokForceActiveGrSlc) == 0x190);
static_assert(offsetof(InfoBlockRecord, mpInfo) == 0x191);
static_assert(offsetof(InfoBlockRecord, apApVer1) == 0x1D1);
static_assert(offsetof(InfoBlockRecord, apScanMaxBad) == 0x1DB);
static_assert(offsetof(InfoBlockRecord, apWorkOrder) == 0x1DC);
static_assert(offsetof(InfoBlockRecord, apRdtFwVer) == 0x1EC);
static_assert(offsetof(InfoBlockRecord, apToolId) == 0x1F4);
static_assert(offsetof(InfoBlockRecord, apApVer) == 0x1F5);
static_assert(offsetof(InfoBlockRecord, apDateYearMonth) == 0x1FA);
static_assert(offsetof(InfoBlockRecord, apGoodMark) == 0x1FF);

// Bits of InfoBlockRecord::apGoodMark.
inline constexpr std::uint8_t kGoodMarkMp = 0x01;
inline constexpr std::uint8_t kGoodMarkQc = 0x02;
inline constexpr std::uint8_t kGoodMarkBurnIn = 0x04;
inline constexpr std::uint8_t kGoodMarkPcBurnIn = 0x10;
inline constexpr std::uint8_t kGoodMarkUpload = 0x20;
inline constexpr std::uint8_t kGoodMarkNtfs = 0x80;

inline constexpr char kInfoBlockMark[] = "Tervid";

