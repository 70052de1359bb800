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
  return ReadRDTLog(RdtReadRequest{.saveCsv = saveCsv != 0,
                                   .progress = progress,
                                   .progressSpan = progressSpan,
                                   .dramOnly = dramOnly != 0,
                                   .probe = probe != 0,
                                   .infoRecordOut = infoRecordOut64,
                                   .blockInfo = blockInfo,
                                   .ignoreBadBlockVerdict = ignoreBadBlockVerdict != 0});
}

std::uint8_t CMPDevice::ReadRDTLog(const RdtReadRequest& request) {
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
