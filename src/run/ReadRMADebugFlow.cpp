// The flow of the returned-drive debug station: the drive is brought to its boot code, gets
// the MP firmware in controller RAM, and two debug-information sectors are read from it: the
// SMART page, written into the slot report attribute by attribute and summed up in the pass
// text, and the info block, written into the slot report field by field. Nothing is written to
// the drive's flash. Failures end through FinishSlotStatus.
#include <array>

#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "run/SlotTestTask.h"

namespace {

// Progress points of the flow.
constexpr int kProgressIdentified = 20;
constexpr int kProgressImageLoaded = 40;
constexpr int kProgressSmartRead = 70;
constexpr int kProgressInfoBlockRead = 90;

// Selectors of the debug-information read.
constexpr std::uint8_t kSmartPage = 0;
constexpr std::uint8_t kInfoBlock = 1;

}  // namespace

std::uint8_t CSlotTestTask::RunReadRMADebugFlow() {
  CMPDevice& device = *m_pDevice;
  std::array<std::uint8_t, CMPDevice::kSectorBytes> sector{};
  const std::uint64_t start = platform::TickCountMs();
  device.WriteReportLine("START", CMPDevice::kSuccessLine);
  SetProgress(kProgressStarted);
  if (!IdentifyForBootCodeWork()) return 0;

  // A drive on the RDT firmware runs code from flash too: it is forced down like any other.
  SetProgress(kProgressIdentified);
  if (device.m_RunOnFlashCode && !BringFlashCodeToBootCode()) return 0;
  if (!device.LoadPRAMCode(CMPDevice::kMpImage, "")) return FailOut();

  SetProgress(kProgressImageLoaded);
  device.WriteReportLine("SMART Information", CMPDevice::kPlainLine);
  sector.fill(0);
  if (!device.ReadDebugData(sector, 1, kSmartPage)) return FailOut();
  const std::string smartSummary = device.WriteSmartReport(sector.data());

  SetProgress(kProgressSmartRead);
  device.WriteReportLine("Info Block Information", CMPDevice::kPlainLine);
  sector.fill(0);
  if (!device.ReadDebugData(sector, 1, kInfoBlock)) return FailOut();
  device.WriteInfoBlockReport(sector.data());

  SetProgress(kProgressInfoBlockRead);
  WriteTotalTimeLine("Read RMA DBG Info", start);
  return PassOut("Pass*" + smartSummary);
}
