// The bad-block scan: the drive tests its flash (unless it runs its ROM code, whose table is
// current), the station reads the bad-block table, reports every CE and die with its bad
// blocks, judges every plane against the limit and fills the block-information record.
#include <algorithm>
#include <array>
#include <cstring>

#include "device/records/InfoBlock.h"
#include "device/records/SystemInfoSector.h"
#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"
#include "engine/core/SettingLists.h"
#include "engine/firmware/DriveProgress.h"
#include "engine/rdtlog/RdtOutput.h"
#include "engine/rdtlog/TemperatureLog.h"
#include "engine/scan/LaterBadRequest.h"
#include "engine/scan/ScanReportLines.h"
#include "engine/scan/ScanTags.h"
#include "engine/scan/ScanTally.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

using engine::firmware::PollOutcome;
using engine::firmware::ProgressShare;

namespace {

// The scan command's own time-out (VendorCommands.h) bounds the polling too.
constexpr std::uint32_t kScanLimitSeconds = 1800;
// Shares of the step's progress points: the drive's test, then the table and the report.
constexpr int kScanDonePercent = 80;

// The RDT information lines go to the slot report as plain lines.
class ScanReportOutput final : public RdtOutput {
 public:
  explicit ScanReportOutput(CMPDevice& engine) : m_engine(engine) {}
  void ReportLine(const std::string& text) override { m_engine.WriteReportLine(text, CMPDevice::kPlainLine); }
  void TempReportLine(const std::string&) override {}
  void CsvLine(RdtCsv, const std::string&) override {}
  bool Writes(RdtCsv) const override { return false; }

 private:
  CMPDevice& m_engine;
};

void Fill(BlockInfoRecord& record, const ScanTally& tally, bool withLater) {
  for (const ScanDieTally& die : tally.dies) {
    if (die.ce >= kBlockInfoCeSlots || die.channel >= kBlockInfoChannelSlots) continue;
    for (unsigned plane = 0; plane < kBlockInfoPlanes; ++plane) {
      record.early[die.ce][die.channel][plane] += die.factory[plane];
      if (withLater) record.later[die.ce][die.channel][plane][kLaterTotal] += die.rdt[plane] + die.run[plane];
    }
  }
}

}  // namespace

bool CMPDevice::ChoosesCapacityAfterScan(bool laterBadRequest) {
  return !laterBadRequest && settings::ReadInt(settings::keys::AutoCapacityEnable) != 0;
}

std::uint32_t CMPDevice::ScanMaxBadPercent(const engine::BadPercentSettings& limitSettings) {
  if (limitSettings.scanMaxBadPercent > 0) return static_cast<std::uint32_t>(limitSettings.scanMaxBadPercent);
  if (!limitSettings.table) return 0;  // the table is read whenever the percentage is 0
  const engine::CapacityTable& table = *limitSettings.table;
  const std::uint32_t capacity =
      limitSettings.setSsdSize > 0 ? static_cast<std::uint32_t>(limitSettings.setSsdSize) : GetCapacity(&table);
  const std::uint32_t percent = SelectAutoCapacity(table, capacity);
  if (percent != 0) {
    WriteReportLine(platform::Format("Get XCE %u GB, Max Bad block number Percent= %u ", capacity, percent),
                    kPlainLine);
  }
  return percent;
}

std::uint8_t CMPDevice::SendScanCommand(std::uint8_t firstScan, std::uint8_t scanMode, std::uint8_t polling,
                                        ui::CProgressCtrl* progress, int progressPoints) {
  using namespace scan_tags;
  ProgressShare share(progress, progressPoints);
  if (!Command().ScanFlash(scanMode, firstScan != 0, polling != 0)) {
    return FailWithRecord(kScanCommand, "Issue Scan Bad Block Command Failed !!! " + Command().LastErrorMessage());
  }
  if (polling == 0) {
    share.Finish();
    return 1;
  }
  switch (engine::firmware::PollUntilReady(Command(), kScanLimitSeconds, share)) {
    case PollOutcome::Ready:
      share.Finish();
      return 1;
    case PollOutcome::CommandFailed:
      return FailWithRecord(kScanCommand, "Scan Bad Block: Issue Read Device Status Command Failed !!!");
    case PollOutcome::TimedOut: break;
  }
  return FailWithRecord(kScanCommand, platform::Format("Scan Bad Block not done in %u sec. !!!", kScanLimitSeconds));
}

std::uint32_t CMPDevice::ChooseAutoCapacity(const engine::CapacityTable& table, std::uint32_t worstPlane,
                                            std::uint32_t& percentOut) {
  m_SelectedCapacity = 0;
  for (const std::uint32_t capacity : table.SizesLargestFirst()) {
    const std::uint32_t percent = SelectAutoCapacity(table, capacity);
    if (percent == 0) continue;
    const std::uint32_t limit = MaxBadPerPlane(m_BlocksPerCE, percent, m_DiesPerCE, m_Planes);
    if (worstPlane > limit) continue;
    m_SelectedCapacity = capacity;
    percentOut = percent;
    WriteReportLine(platform::Format("Auto Capacity Select %u GB, Max Bad block number Percent= %u, per Plane = %u",
                                     capacity, percent, limit),
                    kPlainLine);
    return capacity;
  }
  return 0;
}

void CMPDevice::WriteScanRdtInfoLines() {
  std::array<std::uint8_t, kSectorBytes> sector{};
  if (!Command().ReadRdtInfo(sector) || std::memcmp(sector.data(), kRdtInfoSignature, 4) != 0) return;
  MpInfo info;
  std::memcpy(&info, sector.data(), sizeof(info));
  SystemInfoSector system;
  std::memcpy(&system, m_SystemInfoBuffer.data(), std::min(sizeof(system), m_SystemInfoBuffer.size()));
  ScanReportOutput out(*this);
  WriteRdtInfoLines(info, std::string(system.rdtFirmwareDate.chars, strnlen(system.rdtFirmwareDate.chars, 9)), out);
  WriteReportLine(std::string("RDT Info_MultiPlane   = ") + ((info.skipFlags & kMultiPlaneTest) ? "Enable" : "Disable"),
                  kPlainLine);
  WriteReportLine(platform::Format("RDT Info_BBSource     =%u", info.sortBbSource), kPlainLine);
}

std::uint8_t CMPDevice::ScanBadBlock(std::uint8_t firstScan, std::uint8_t scanMode, ui::CProgressCtrl* progress,
                                     int progressPoints, std::uint8_t scanOption, BlockInfoRecord* blockInfo,
                                     std::uint8_t romMode) {
  using namespace scan_tags;
  const std::uint64_t start = platform::TickCountMs();
  const int testPoints = progressPoints * kScanDonePercent / 100;
  ProgressShare reportShare(progress, progressPoints - testPoints);
  // The later-bad page's request is used by this scan only.
  const bool request = m_LaterBadRequest != 0;
  const std::string limitText = request ? platform::Trim(m_LaterBadLimitText) : std::string();
  m_LaterBadRequest = 0;
  m_LaterBadLimitText.clear();
  if (blockInfo) blockInfo->SetTag(firstScan ? "SCA1" : "SCA2");

  if (!ReadSystemInfo()) {
    WriteFailReport();
    return 0;
  }
  if (m_DiesPerCE == 0 || m_Planes == 0 || m_BlocksPerCE == 0) {
    return FailWithRecord("I_x20", platform::Format("Scan Bad Block: geometry not valid (dies %u, planes %u, blocks %u) !!!",
                                                    m_DiesPerCE, m_Planes, m_BlocksPerCE));
  }
  std::uint32_t pageLimit = 0;
  if (!limitText.empty() && limitText != "0") {
    WriteReportLine(platform::Format("Later Bad Result Bad Block limit = %s", limitText.c_str()), kPlainLine);
    pageLimit = MaxBadPerPlaneOfLimit(limitText, m_BlocksPerCE, m_DiesPerCE, m_Planes);
    WriteReportLine(platform::Format("Later Bad Result max bad pre plane = %u", pageLimit), kPlainLine);
  }
  ScanLimitLines limits;
  limits.dies = m_DiesPerCE;
  limits.planes = m_Planes;
  limits.blocksPerCe = m_BlocksPerCE;
  const bool chosenAfterScan = ChoosesCapacityAfterScan(request);
  const engine::BadPercentSettings limitSettings = engine::ReadBadPercentSettings(m_CECount, chosenAfterScan);
  if (!limitSettings.problem.empty()) return FailWithRecord(engine::kLimitSettingTag, limitSettings.problem);
  limits.percent = ScanMaxBadPercent(limitSettings);
  limits.maxBadPerPlane = pageLimit != 0 ? pageLimit : MaxBadPerPlane(m_BlocksPerCE, limits.percent, m_DiesPerCE, m_Planes);
  for (const std::string& line : ScanGeometryLines(limits)) WriteReportLine(line, kPlainLine);
  if (blockInfo) blockInfo->perPlaneLimit = limits.maxBadPerPlane;
  // A limit of 0 would judge nothing: the drive is not scanned without one. With the
  // automatic capacity choice the limit is chosen after the scan, by the table read with it.
  if (limits.maxBadPerPlane == 0 && !chosenAfterScan) {
    return FailWithRecord(engine::kLimitSettingTag, engine::NoBadBlockLimitText(limits.percent, m_BlocksPerCE));
  }

  // A drive on its ROM code keeps its table current: it is read without a test.
  if (romMode == 0) {
    if (!SendScanCommand(firstScan, scanMode, scanOption, progress, testPoints)) return 0;
  } else {
    ProgressShare(progress, testPoints).Finish();
  }
  std::array<std::uint8_t, kRecordBytes> parameter{};
  if (!ReadBadBlockTable(parameter.data(), nullptr)) {
    WriteFailReport();
    return 0;
  }
  ScanMapView view;
  view.map = m_BBTBuffer;
  view.layout = *DescribeBlockMap(parameter.data());
  view.record = ParameterRecordOf(parameter.data());
  view.ceMap = m_SystemCEMap;
  view.ceNumberedByMap = m_CEMaskFlag != 0;
  view.planes = m_Planes;
  const ScanTally tally = TallyBlockMap(view);
  for (const std::string& line : ScanDieLines(tally, scanMode == 0)) WriteReportLine(line, kPlainLine);
  for (const std::string& line : ScanCountLines(tally)) WriteReportLine(line, kPlainLine);
  if (blockInfo) Fill(*blockInfo, tally, firstScan == 0);

  std::uint32_t limit = limits.maxBadPerPlane;
  std::uint32_t percent = limits.percent;
  if (chosenAfterScan) {
    if (ChooseAutoCapacity(*limitSettings.table, tally.WorstPlane(), percent) == 0) {
      return FailWithRecord(kNoCapacityFits, platform::Format("Auto Capacity: no capacity fits the bad blocks "
                                                              "(worst plane %u) !!!", tally.WorstPlane()));
    }
    limit = MaxBadPerPlane(m_BlocksPerCE, percent, m_DiesPerCE, m_Planes);
    if (blockInfo) blockInfo->perPlaneLimit = limit;
    if (limit == 0) return FailWithRecord(engine::kLimitSettingTag, engine::NoBadBlockLimitText(percent, m_BlocksPerCE));
  }
  WriteReportLine("Identify_FW Version = " + m_FirmwareName, kPlainLine);
  WriteReportLine(platform::Format("Info Block_Max Bad Percent = %u", percent), kPlainLine);
  WriteScanRdtInfoLines();
  const std::vector<std::string> errors = ScanPlaneErrorLines(tally, limit);
  for (const std::string& line : errors) WriteReportLine(line, kPlainLine);
  if (!errors.empty()) {
    return FailWithRecord(kPlaneOverLimit, platform::Format("Bad Block over Spec!!! All Bad PrePlane Number(%u) over "
                                                            "Spec(%u)", tally.WorstPlane(), limit));
  }
  m_ScanStage = firstScan ? 1 : 2;
  reportShare.Finish();
  const double seconds = static_cast<double>(platform::TickCountMs() - start) / 1000.0;
  WriteReportLine(platform::Format("Scan Bad Block, Total take %.3f sec.", seconds), kSuccessLine);
  return 1;
}
