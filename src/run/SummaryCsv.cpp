// Summary.csv of the MP station: one row per drive under "<work folder>MPTestSummary".
#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "run/IniText.h"
#include "run/OperatorNotice.h"
#include "run/SlotTestTask.h"

namespace {

constexpr std::string_view kSummaryHeader = "Date,Cap,SN,TestResult\n";

}  // namespace

bool CSlotTestTask::WriteSummaryCsv(CMPDevice* device, int result) {
  if (device == nullptr) return true;
  const std::string folder = g_WorkFolder.Get() + "MPTestSummary";
  MakeDirectoryPath(folder);
  const std::string path = folder + "\\Summary.csv";
  if (!platform::FileExists(path) && !platform::WriteWholeFile(path, kSummaryHeader)) {
    NoteLostRecord(path);
    ShowNoticeWithoutWaiting("Create file fail (Summary.csv)");
    return false;
  }
  const platform::LocalTime now = platform::Now();
  const std::string verdict = result != 0 ? std::string("Pass") : CMPDevice::ErrorTagToCode(device->m_ErrorTag);
  const std::string row = platform::Format("%04d%02d%02d,%d,%s,%s\n", now.year, now.month, now.day,
                                           static_cast<int>(device->GetCapacity()),
                                           IniValueText(device->m_DriveSerial).c_str(), verdict.c_str());
  return platform::AppendToFile(path, row, false) || NoteLostRecord(path);
}
