#include "device/ScsiPassThrough.h"

#include <algorithm>
#include <cstring>

#include "device/DeviceCommand.h"
#include "device/DevicePaths.h"
#include "device/Transport.h"
#include "platform/Debug.h"
#include "platform/Text.h"

namespace {

// A blank-padded INQUIRY text field without its padding.
std::string_view FieldText(const char* field, std::size_t width) {
  std::size_t length = strnlen(field, width);
  while (length > 0 && field[length - 1] == ' ') --length;
  return std::string_view(field, length);
}

}  // namespace

bool CScsiPassThrough::IsTesterInquiry(std::span<const std::uint8_t> data, std::uint32_t length, int& testerNumber) {
  if (data.size() < sizeof(device::InquiryData) || length < device::kInquiryTesterReplyMinimum ||
      length > data.size()) {
    return false;
  }
  device::InquiryData inquiry;
  std::memcpy(&inquiry, data.data(), sizeof(inquiry));
  // The drive's own length field must reach the tester number too.
  if (inquiry.additionalLength + 5u < device::kInquiryTesterReplyMinimum) return false;
  if (FieldText(inquiry.vendor, sizeof(inquiry.vendor)) != device::kTesterVendor) return false;
  const std::string_view product = FieldText(inquiry.product, sizeof(inquiry.product));
  if (product != device::kTesterProductSataS && product != device::kTesterProductSata3) return false;
  testerNumber = inquiry.testerNumber;
  return true;
}

std::uint8_t CScsiPassThrough::InquiryAt(const std::string& pathText, std::span<std::uint8_t> data,
                                         std::uint32_t& length) {
  CDeviceCommand command(pathText);
  if (!command.Inquiry(data)) {
    m_lastError = command.LastErrorMessage();
    return 0;
  }
  length = command.LastTransferred();
  m_lastError.clear();
  return 1;
}

std::uint8_t CScsiPassThrough::Inquiry(int driveNumber, std::span<std::uint8_t> data, std::uint32_t& length) {
  return InquiryAt(device::PhysicalDrivePathText(driveNumber), data, length);
}

std::uint8_t CScsiPassThrough::DetectTesterBoards(std::uint8_t /*flag*/, std::string /*text*/) {
  std::fill(std::begin(m_TesterDrive), std::end(m_TesterDrive), 0u);
  const auto transport = device::GetTransport();
  if (!transport) {
    m_lastError = "no transport is installed";
    return 0;
  }
  const std::vector<device::TransportDisk> disks = transport->ListDisks();
  bool complete = true;
  std::string problem;
  int found = 0;
  for (std::size_t index = 0; index < disks.size(); ++index) {
    const int driveNumber = static_cast<int>(index) + 1;
    if (disks[index].devicePath.empty()) continue;
    std::array<std::uint8_t, device::kInquiryLength> data{};
    std::uint32_t length = 0;
    if (!InquiryAt(disks[index].devicePath, data, length)) continue;  // not a drive that answers: no tester
    int number = 0;
    if (!IsTesterInquiry(data, length, number)) continue;
    if (number < 1 || number > device::kMaxTesterNumber) {
      complete = false;
      problem = platform::Format("the tester on drive %d reports the number %d, outside 1..%d", driveNumber, number,
                                 device::kMaxTesterNumber);
      continue;
    }
    if (m_TesterDrive[number] != 0) {
      complete = false;
      problem = platform::Format("the testers on drives %u and %d both report the number %d", m_TesterDrive[number],
                                 driveNumber, number);
      continue;
    }
    m_TesterDrive[number] = static_cast<std::uint32_t>(driveNumber);
    ++found;
  }
  if (found == 0 && problem.empty()) problem = "no tester board was found";
  m_lastError = problem;
  if (!problem.empty()) platform::DebugOutput("DetectTesterBoards: " + problem + "\n");
  return (complete && found > 0) ? 1 : 0;
}

int CScsiPassThrough::TesterCount() const {
  return static_cast<int>(std::count_if(std::begin(m_TesterDrive) + 1, std::end(m_TesterDrive),
                                        [](std::uint32_t drive) { return drive != 0; }));
}
