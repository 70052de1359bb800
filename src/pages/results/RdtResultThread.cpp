// RdtResultThread: the RDT result page's Show Result worker. It makes its own engine object for
// the chosen drive, checks the controller and its running code, lets the engine read and judge
// the drive's RDT results into the slot report (with the page's limit), and reads the report
// back into the page whatever happened before.
#include <array>
#include <cstring>
#include <memory>

#include "device/records/InfoBlock.h"
#include "engine/BlockInfoRecord.h"
#include "engine/MPDevice.h"
#include "pages/results/RdtReportReader.h"
#include "pages/results/RdtResultPage.h"
#include "pages/results/ReportText.h"
#include "pages/results/ResultWorkerSteps.h"
#include "platform/Clock.h"

namespace {

// Task kind of the worker's engine and the kind its logs are named by.
constexpr int kEngineTaskKind = 10;
constexpr int kLogKind = 2;

}  // namespace

void RdtResultThread(CPropertyPage_RDTResult& page, const ResultRun& run) {
  CResultWorkerSteps steps(page.Status(), page.Progress());
  std::array<std::uint8_t, CMPDevice::kRecordBytes> record{};
  auto blockInfo = std::make_unique<BlockInfoRecord>();
  auto engine = std::make_unique<CMPDevice>(run.driveNumber, kEngineTaskKind, run.location.port, run.location.logFolder,
                                            &page.Status(), nullptr);
  // Only this engine's reading takes the page's limit.
  engine->TakeRdtLimitRequest();
  engine->SetLogFileNames(kLogKind);
  engine->WriteReportLine("START", CMPDevice::kSuccessLine);
  PrepareRdtPageLists(page.View());
  page.Status().SetWindowText("");
  page.Progress().SetPos(5);

  bool driveDone = steps.CheckController(*engine, CMPDevice::kRequireFlashCode);
  if (driveDone) {
    page.Progress().SetPos(20);
    if (engine->ReadRDTLog({.progress = &page.Progress(),
                            .progressSpan = kRdtReadingProgressSpan,
                            .infoRecordOut = record.data(),
                            .blockInfo = blockInfo.get()})) {
      page.Progress().SetPos(90);
    } else {
      driveDone = steps.Fail(*engine);
    }
  }
  MpInfo info;
  std::memcpy(&info, record.data(), sizeof(info));
  if (std::memcmp(info.signature.chars, kRdtInfoSignature, 4) == 0) {
    page.View().SetBox(ResultBox::EccXs, report_text::DecimalText(info.tlcEccThreshold));
  }
  ParseRdtReport(run.location.reportPath, page.View(), 0, RdtReading::RdtPageWorker, nullptr);
  steps.Finish(driveDone);
  engine.reset();
  platform::Sleep(kWorkerPauseMs);
}
