// Summary.csv of the MP station: one row per drive under "<work folder>MPTestSummary".
#include <fstream>

#include "device/StationHelpers.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "run/IniText.h"
#include "run/OperatorNotice.h"
#include "run/SlotTestTask.h"

namespace {

constexpr const char* kSummaryHeader = "Date,Cap,SN,TestResult\n";

bool AppendToFile(const std::string& path, std::string_view text) {
  std::ofstream file(platform::ToNativePath(path), std::ios::binary | std::ios::app);
  if (!file) return false;
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  return static_cast<bool>(file.flush());
}

}  // namespace

void CSlotTestTask::WriteSummaryCsv(CMPDevice* device, int result) {
  if (device == nullptr) return;
  const std::string folder = g_WorkFolder.Get() + "MPTestSummary";
  MakeDirectoryPath(folder);
  const std::string path = folder + "\\Summary.csv";
  if (!platform::FileExists(path)) {
    std::ofstream created(platform::ToNativePath(path), std::ios::binary | std::ios::trunc);
    if (!created || !created.write(kSummaryHeader, static_cast<std::streamsize>(std::string_view(kSummaryHeader).size())) ||
        !created.flush()) {
      ShowNoticeWithoutWaiting("Create file fail (Summary.csv)");
      return;
    }
  }
  const platform::LocalTime now = platform::Now();
  const std::string verdict = result != 0 ? std::string("Pass") : CMPDevice::ErrorTagToCode(device->m_ErrorTag);
  const std::string row = platform::Format("%04d%02d%02d,%d,%s,%s\n", now.year, now.month, now.day,
                                           static_cast<int>(device->GetCapacity()),
                                           IniValueText(device->m_DriveSerial).c_str(), verdict.c_str());
  AppendToFile(path, row);
}
