// Summary.csv of the MP station: one row per drive under "<work folder>MPTestSummary".
#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "run/IniText.h"
#include "engine/ErrorTags.h"
#include "run/OperatorNotice.h"
#include "run/PassRecord.h"
#include "run/SlotTestTask.h"
#include "run/VerdictRecords.h"

namespace {

constexpr std::string_view kSummaryHeader = "Date,Cap,SN,TestResult\n";

}  // namespace

bool CSlotTestTask::WriteSummaryCsv(CMPDevice* device, int result) {
  if (device == nullptr) return true;
  MakeDirectoryPath(SummaryCsvFolder());
  const std::string path = SummaryCsvPath();
  WriteOwedTakeBacks(path);
  if (!platform::FileExists(path) && !platform::WriteWholeFile(path, kSummaryHeader)) {
    NoteLostRecord(path);
    ShowNoticeWithoutWaiting("Create file fail (Summary.csv)");
    return false;
  }
  const platform::LocalTime now = platform::Now();
  const std::string fields = platform::Format("%04d%02d%02d,%d,%s,", now.year, now.month, now.day,
                                              static_cast<int>(device->GetCapacity()),
                                              IniValueText(device->RecordedSerial()).c_str());
  const std::string verdict = result != 0 ? std::string("Pass") : CMPDevice::ErrorTagToCode(device->m_ErrorTag);
  const std::string row = fields + verdict + "\n";
  if (!platform::AppendToFile(path, row, false)) return NoteLostRecord(path);
  // A pass row is kept, so that a pass taken back afterwards can say so in its row too.
  if (result != 0) {
    m_SummaryRow = {path, row, fields + CMPDevice::ErrorTagToCode(engine::kRecordWriteFailedTag) + "\n"};
  }
  return true;
}

namespace {

enum class RowReplaced { Yes, NotFound, Failed };

// Replaces the last whole line that equals the pass row (at the start of the file or after a
// line break) by the fail row, in one replacement of the file.
RowReplaced ReplacePassRow(const SummaryCsvRow& row) {
  std::optional<std::string> text = platform::ReadWholeFile(row.path);
  if (!text || row.passRow.empty()) return RowReplaced::Failed;
  std::size_t at = text->rfind(row.passRow);
  while (at != std::string::npos && at != 0 && (*text)[at - 1] != '\n') {
    at = text->rfind(row.passRow, at - 1);
  }
  if (at == std::string::npos) return RowReplaced::NotFound;
  text->replace(at, row.passRow.size(), row.failRow);
  return platform::WriteWholeFile(row.path, *text) ? RowReplaced::Yes : RowReplaced::Failed;
}

}  // namespace

bool TakeBackSummaryCsvRow(const SummaryCsvRow& row) {
  return row.path.empty() || ReplacePassRow(row) == RowReplaced::Yes;
}

RecordTakeBack SummaryCsvRowTakeBack(const SummaryCsvRow& row) {
  return {row.path, "still has the drive's row as Pass",
          [row] { return !platform::FileExists(row.path) || ReplacePassRow(row) != RowReplaced::Failed; }};
}
