#include "device/DevicePaths.h"

#include "device/DeviceListing.h"
#include "device/Transport.h"
#include "platform/Text.h"

std::atomic<std::uint8_t> g_U2AMode{1};

namespace device {
namespace {
constexpr std::string_view kPhysicalDrivePrefix = "\\\\.\\PhysicalDrive";
}

std::string PhysicalDrivePathText(int driveNumber) {
  return platform::Format("\\\\.\\PhysicalDrive%d", driveNumber);
}

std::optional<int> ParsePhysicalDrivePath(std::string_view text) {
  if (!platform::StartsWithNoCase(text, kPhysicalDrivePrefix)) return std::nullopt;
  const std::string_view digits = text.substr(kPhysicalDrivePrefix.size());
  if (digits.empty() || digits.size() > 6) return std::nullopt;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  return number;
}

std::string DevicePathOfDrive(int driveNumber) {
  if (g_U2AMode.load() != 0) return DevicePathOfListedDrive(driveNumber);
  const auto transport = GetTransport();
  return transport ? transport->DevicePathOfDrive(driveNumber) : std::string();
}

std::string IdentityOfDrive(Transport& transport, int driveNumber) {
  return g_U2AMode.load() != 0 ? IdentityOfListedDrive(driveNumber) : transport.IdentityOfDrive(driveNumber);
}

std::string ListingProblemOfDrives(Transport& transport) {
  return g_U2AMode.load() != 0 ? ListingProblemOfLastListing() : transport.ListingProblem();
}

std::string WhyDriveIsKeptOut(Transport& transport, int driveNumber) {
  return g_U2AMode.load() != 0 ? WhyListedDriveIsKeptOut(driveNumber) : transport.WhyDriveIsKeptOut(driveNumber);
}

std::string WhyPathTextIsKeptOut(Transport& transport, std::string_view pathText) {
  const auto driveNumber = ParsePhysicalDrivePath(pathText);
  return driveNumber ? transport.WhyDriveIsKeptOut(*driveNumber) : std::string();
}

std::string IdentityOfPathText(Transport& transport, std::string_view pathText) {
  if (const auto driveNumber = ParsePhysicalDrivePath(pathText)) return transport.IdentityOfDrive(*driveNumber);
  return transport.IdentityOf(std::string(pathText));
}

}  // namespace device
