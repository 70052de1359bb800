#include "run/PassRecord.h"

#include <utility>

#include "engine/ErrorTags.h"
#include "engine/MPDevice.h"
#include "engine/core/SlotReportText.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "run/RunGlobals.h"
#include "run/SharedText.h"
#include "run/SlotTestTask.h"
#include "run/VerdictRecords.h"

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

  // A take-back the disk refuses is owed, and written as soon as it can be (VerdictRecords.h).
  const auto takeBack = [&](RecordTakeBack recordTakeBack) {
    const std::string file = recordTakeBack.file;
    return Noted(WriteOrOweTakeBack(std::move(recordTakeBack), slot, record.serial), file);
  };
  bool written = true;
  if (!record.reportPath.empty()) {
    const std::string failRecord = engine::report::FailRecordText(tag, CMPDevice::ErrorTagToCode(tag), failure,
                                                                  record.serial, record.slot, platform::Now());
    written = takeBack({record.reportPath, "still says PASS", [path = record.reportPath, failRecord] {
                          return !platform::FileExists(path) || platform::AppendToFile(path, failRecord, false);
                        }});
    if (written && !record.failLogCopy.empty()) {
      written = Noted(CMPDevice::CopyReportToFailLog(record.reportPath, record.failLogCopy), record.failLogCopy);
    }
  }
  if (!record.listLine.workOrder.empty()) {
    written = takeBack(ResultsListLineTakeBack(record.listLine, tag, failure)) && written;
  }
  if (!record.summaryRow.path.empty()) written = takeBack(SummaryCsvRowTakeBack(record.summaryRow)) && written;
  return written;
}
