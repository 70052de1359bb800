// CMPDevice::ReadRDTLog: one reader object per call (RdtLogReader.h) does the work.
#include <exception>
#include <memory>
#include <new>

#include "engine/MPDevice.h"
#include "engine/rdtlog/RdtLimitRequest.h"
#include "engine/rdtlog/RdtLogReader.h"

std::uint8_t CMPDevice::ReadRDTLog(std::uint8_t saveCsv, std::uint8_t ignored, ui::CProgressCtrl* progress,
                                   int progressSpan, std::uint8_t dramOnly, std::uint8_t probe,
                                   std::uint8_t* infoRecordOut64, BlockInfoRecord* blockInfo,
                                   std::uint8_t ignoreBadBlockVerdict) {
  (void)ignored;
  RdtReadRequest request;
  request.saveCsv = saveCsv != 0;
  request.progress = progress;
  request.progressSpan = progressSpan;
  request.dramOnly = dramOnly != 0;
  request.probe = probe != 0;
  request.infoRecordOut = infoRecordOut64;
  request.blockInfo = blockInfo;
  request.ignoreBadBlockVerdict = ignoreBadBlockVerdict != 0;
  try {
    // The reader holds the tallies of a whole log; it lives on the heap, not on the stack.
    auto reader = std::make_unique<CRdtLogReader>(*this, request);
    return reader->Run();
  } catch (const std::bad_alloc&) {
    return FailWithRecord("I_T51", "Memory malloc fail !!");
  } catch (const std::exception& error) {
    return FailWithRecord("I_T51", error.what());
  }
}

void CMPDevice::TakeRdtLimitRequest() {
  m_RdtRequest = g_RdtRequest;
  m_RdtLimitText = g_RdtLimitText;
  g_RdtRequest = 0;
}
