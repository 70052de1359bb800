#include "run/PassRecord.h"

#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"
#include "engine/core/SlotReportText.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "run/RunGlobals.h"
#include "run/SharedText.h"
#include "run/SlotTestTask.h"

namespace {

bool Noted(bool written, const std::string& path) {
  if (!written) {
    platform::DebugOutput(engine::report::LostRecordText(path, platform::LastFileErrno()) + "\r\n");
  }
  return written;
}

}  // namespace

bool TakeBackPass(int slot, const SlotPassRecord& record, const std::string& failure, CColorEdit& cell,
                  CSharedText& resultText) {
  const char* const tag = engine::kRecordWriteFailedTag;
  PaintSlotCell(cell, kSlotFail, tag, failure);
  resultText.Set(tag);
  if (slot >= 1 && slot <= kSlotCount) g_PortState[static_cast<std::size_t>(slot - 1)] = kPortFail;
  if (record.slot != slot) return true;  // no pass of the slot was recorded

  bool written = true;
  if (!record.reportPath.empty()) {
    const std::string failRecord = engine::report::FailRecordText(tag, CMPDevice::ErrorTagToCode(tag), failure,
                                                                  record.serial, record.slot, platform::Now());
    if (Noted(platform::AppendToFile(record.reportPath, failRecord, false), record.reportPath)) {
      if (!record.failLogCopy.empty()) {
        written = Noted(CMPDevice::CopyReportToFailLog(record.reportPath, record.failLogCopy), record.failLogCopy);
      }
    } else {
      written = false;
    }
  }
  if (!record.listLine.workOrder.empty()) {
    written = Noted(WriteResultsListEntry(record.listLine, false, tag, failure), record.listLine.workOrder) && written;
  }
  if (!record.summaryRow.path.empty()) {
    written = Noted(TakeBackSummaryCsvRow(record.summaryRow), record.summaryRow.path) && written;
  }
  return written;
}
