// Construction and destruction of the engine object, and the helpers every block shares.
#include "engine/MPDevice.h"

#include <utility>

#include "device/StationHelpers.h"
#include "platform/Host.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

int g_WindowsVersionCode = 5;

namespace {

// The report name: the host's MAC text from ".\PC_MAC_Address.txt", else the computer name.
std::string HostLabel() {
  std::string mac = platform::Trim(settings::ReadText(settings::keys::PcMacAddress, 251));
  if (!mac.empty()) return mac;
  return platform::ComputerName();
}

// "<log folder>\D_Reports\"; a report of an engine without a log folder goes to the
// station's own D_Reports folder rather than to the root of the file system.
std::string ReportFolderOf(const std::string& logFolder) {
  return (logFolder.empty() ? std::string(".") : logFolder) + "\\D_Reports\\";
}

}  // namespace

CMPDevice::CMPDevice(int driveNumber, int taskKind, int portNumber, std::string logFolder, CColorEdit* statusCell,
                     ui::CWnd* keptPage)
    : m_DriveNumber(driveNumber),
      m_TaskKind(taskKind),
      m_SlotNumber(portNumber),
      m_LogFolder(std::move(logFolder)),
      m_VolumeLock(std::make_unique<CVolumeLock>()),
      m_DeviceCommand(std::make_unique<CDeviceCommand>(driveNumber)),
      m_StatusCell(statusCell),
      m_KeptPage(keptPage) {
  InitBuffers();
  m_StationIndex = GetTestStationIndex();
  m_ReportFolder = ReportFolderOf(m_LogFolder);
  m_ReportName = HostLabel();
}

CMPDevice::CMPDevice(int driveNumber, int taskKind, std::string fileName, int, int)
    : m_DriveNumber(driveNumber),
      m_TaskKind(taskKind),
      m_FileName(std::move(fileName)),
      m_VolumeLock(std::make_unique<CVolumeLock>()),
      m_DeviceCommand(std::make_unique<CDeviceCommand>(driveNumber)) {
  InitBuffers();
  m_StationIndex = -1;  // no settings are read: the station is not known ("unKnown")
}

CMPDevice::~CMPDevice() {
  // A flow that failed after LockDiskVolumes may leave the drive held; release it (the lock
  // would otherwise outlive the engine).
  if (m_VolumeLock && m_VolumeLock->IsHeld()) m_VolumeLock->Close();
}

void CMPDevice::InitBuffers() {
  m_IdentifyBuffer.assign(kIdentifyBytes, 0);
  m_SystemInfoBuffer.assign(kSystemInfoBytes, 0);
  m_TransferBuffer.assign(kTransferBytes, 0);
  m_InfoBlockImage.assign(kInfoBlockImageBytes, 0);
  m_TesterPage.assign(kTesterPageBytes, 0);
}

std::uint8_t CMPDevice::Fail(std::string_view tag, std::string message) {
  m_ErrorTag.assign(tag);
  m_ErrorMessage = std::move(message);
  return 0;
}

std::uint8_t CMPDevice::FailWithRecord(std::string_view tag, std::string message) {
  Fail(tag, std::move(message));
  return RecordFailure();
}

std::uint8_t CMPDevice::RecordFailure() {
  WriteFailReport();
  return 0;
}
