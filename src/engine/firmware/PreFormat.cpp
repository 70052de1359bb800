// The preformat: the drive's layout from the SMART array, the RDT parameters and the info
// block (firmware/PreformatData.h).
#include <array>
#include <cstring>
#include <vector>

#include "device/records/PreformatParameters.h"
#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"
#include "engine/firmware/DriveProgress.h"
#include "engine/firmware/InfoBlockBuilder.h"
#include "engine/firmware/PreformatData.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace fw = engine::firmware;

namespace {

constexpr char kTagPreformatCommand[] = "F_x60";
constexpr char kTagPreformatIncomplete[] = "F_x61";
constexpr std::uint32_t kPreformatLimitSeconds = 600;

}  // namespace

// The MP flow has written its info block just before (ModifyInfoBlock) and the preformat
// carries that one; the RDT pretest builds it here from the serial number and the settings.
std::uint8_t CMPDevice::PreFormat(std::uint8_t fromMpFlow, ui::CProgressCtrl* progress, int progressPoints,
                                  std::uint8_t keepRdt, std::uint8_t usePolling, std::uint16_t ceMap) {
  const std::uint64_t start = platform::TickCountMs();
  const fw::PreformatRdtSettings rdt = fw::ReadPreformatRdtSettings(m_RDT_Loops, m_RDTFastPageLoops);
  if (!rdt.parameters) return FailWithRecord(engine::kLimitSettingTag, rdt.problem);
  std::array<std::uint8_t, kInfoBlockImageBytes> block{};
  const bool haveBuiltBlock = fromMpFlow != 0 && m_InfoBlockImage.size() == kInfoBlockImageBytes &&
                              fw::HasInfoBlockMark(m_InfoBlockImage.data());
  if (haveBuiltBlock) {
    std::copy(m_InfoBlockImage.begin(), m_InfoBlockImage.end(), block.begin());
  } else {
    bool tookRunInfo = false;
    if (BuildDriveInfoBlock(false, nullptr, false, block, tookRunInfo) == 0) return 0;
  }
  const std::uint16_t map = ceMap != 0 ? ceMap : m_CEMap;
  const std::uint8_t flags = static_cast<std::uint8_t>((m_RDTInfoValid != 0 ? kPreformatRdtInfoValid : 0) |
                                                       (m_RDTTwoPass != 0 ? kPreformatRdtTwoPass : 0) |
                                                       (m_SLCCycleRDT != 0 ? kPreformatSlcCycleRdt : 0) |
                                                       (keepRdt != 0 ? kPreformatKeepRdt : 0));
  std::vector<std::uint8_t> parameters =
      fw::BuildPreformatParameters(fromMpFlow != 0 ? 1 : 0, flags, map, *rdt.parameters, block);

  fw::ProgressShare share(progress, progressPoints);
  const std::uint8_t options = keepRdt != 0 ? kPreformatOptionKeepRdt : 0;
  if (Command().Preformat(parameters, kPreformatSectors, map, options, usePolling != 0) == 0) {
    return FailWithRecord(kTagPreformatCommand, "Issue PreFormat command Fail.");
  }
  if (usePolling != 0) {
    switch (fw::PollUntilReady(Command(), kPreformatLimitSeconds, share)) {
      case fw::PollOutcome::Ready: break;
      case fw::PollOutcome::CommandFailed: return FailWithRecord(kTagPreformatIncomplete, "Polling PreFormat status Fail.");
      case fw::PollOutcome::TimedOut: return FailWithRecord(kTagPreformatIncomplete, "PreFormat Time Out.");
    }
  }
  share.Finish();
  m_InfoBlockImage.assign(block.begin(), block.end());
  const double seconds = static_cast<double>(platform::TickCountMs() - start) / 1000.0;
  WriteReportLine(platform::Format("PreFormat OK, Total take %.3f sec.", seconds), kSuccessLine);
  return 1;
}
