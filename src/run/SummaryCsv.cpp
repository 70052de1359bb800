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

// Where the last whole line that equals the row starts (at the start of the text or after a
// line break); npos when none does.
std::size_t LastWholeRow(const std::string& text, const std::string& row) {
  std::size_t at = text.rfind(row);
  while (at != std::string::npos && at != 0 && text[at - 1] != '\n') {
    at = text.rfind(row, at - 1);
  }
  return at;
}

}  // namespace

bool TakeBackSummaryCsvRow(const SummaryCsvRow& row) {
  if (row.path.empty()) return true;
  std::optional<std::string> text = platform::ReadWholeFile(row.path);
  if (!text || row.passRow.empty()) return false;
  const std::size_t at = LastWholeRow(*text, row.passRow);
  if (at == std::string::npos) return false;
  text->replace(at, row.passRow.size(), row.failRow);
  return platform::WriteWholeFile(row.path, *text);
}

std::function<bool()> SummaryCsvRowTakeBack(const SummaryCsvRow& row) {
  return [row] {
    if (!platform::FileExists(row.path)) return true;
    const std::optional<std::string> text = platform::ReadWholeFile(row.path);
    if (text && LastWholeRow(*text, row.passRow) == std::string::npos) return true;
    return TakeBackSummaryCsvRow(row);
  };
}
