// Vendor-command access and the running-code check: which code the controller runs, read
// from its firmware name.
#include <array>
#include <cstring>

#include "device/ReplyLayouts.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

constexpr int kApKeyTries = 3;

// Firmware-name prefixes of the controller's codes.
constexpr std::string_view kBootPrefix = "SBR";
constexpr std::string_view kBurnerPrefix = "SBB";
constexpr std::string_view kFlashPrefix = "SBF";
constexpr std::string_view kRdtPrefixes[] = {"SBS", "RBS", "RDT"};

bool StartsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

// The name in a firmware-name reply: up to the first NUL, blanks trimmed.
std::string NameOfReply(std::span<const std::uint8_t> reply) {
  const std::size_t limit = std::min(reply.size(), sizeof(device::FirmwareNameReply::name));
  std::size_t length = 0;
  while (length < limit && reply[length] != 0) ++length;
  return platform::Trim(std::string_view(reinterpret_cast<const char*>(reply.data()), length));
}

}  // namespace

std::uint8_t CMPDevice::EnableAPKey(std::uint8_t checkReply, std::uint32_t waitMs) {
  bool commandFailed = false;
  for (int attempt = 1; attempt <= kApKeyTries; ++attempt) {
    std::array<std::uint8_t, kSectorBytes> reply{};
    commandFailed = !Command().SetApKey(reply);
    if (!commandFailed && (!checkReply || reply[offsetof(device::ApKeyReply, enabled)] == device::kApKeyEnabled)) {
      return 1;
    }
    WriteReportLine(platform::Format("Set AP Key retry = %d", attempt), kPlainLine);
    platform::Sleep(waitMs);
  }
  return commandFailed ? Fail("I_x01", "Issue Set AP key command Fail.") : Fail("I_x02", "AP-key NOT Enable by Device.");
}

std::uint8_t CMPDevice::ReadFirmwareName(std::uint8_t* identify512, std::uint8_t bridgeMode) {
  if (!IdentifyDrive(bridgeMode ? "I_B06" : "I_x06")) return 0;
  if (identify512 != nullptr) std::memcpy(identify512, m_IdentifyBuffer.data(), kIdentifyBytes);
  // The vendor command names the running code; a bridge or code that refuses it leaves the
  // name that IDENTIFY reports as the firmware revision.
  std::array<std::uint8_t, kSectorBytes> reply{};
  const std::string name = Command().ReadFirmwareName(reply) ? NameOfReply(reply) : std::string();
  m_FirmwareName = name.empty() ? m_FirmwareRevision : name;
  return 1;
}

std::uint8_t CMPDevice::ChkRC(std::uint8_t requiredCode, std::uint8_t checkVersions, std::uint8_t writeFailRecord,
                              std::string_view expectedName, std::uint8_t* identify512) {
  checkVersions = 0;  // cleared on entry: no version check runs
  (void)checkVersions;
  m_RunOnBootCode = m_RunOnBurnerCode = m_RunOnFlashCode = m_RunRDTFirmware = 0;
  m_BurnerVersion.clear();
  const auto fail = [&](std::string_view tag, std::string message) {
    Fail(tag, std::move(message));
    return writeFailRecord ? RecordFailure() : std::uint8_t{0};
  };

  std::array<std::uint8_t, kSectorBytes> reply{};
  const std::string name = Command().ReadFirmwareName(reply) ? NameOfReply(reply) : std::string();
  if (name.empty()) return fail("I_x64", "[ChkRC]Read Firmware Name Fail");
  m_FirmwareName = name;

  const std::string mpName =
      platform::Trim(expectedName.empty() ? settings::ReadText(settings::keys::SetFirmwareName, 64) : expectedName);
  const bool anyCode =
      requiredCode != kRequireBootCode && requiredCode != kRequireBurnerCode && requiredCode != kRequireFlashCode;
  if (StartsWith(name, kBootPrefix)) {
    m_RunOnBootCode = 1;
  } else if (StartsWith(name, kBurnerPrefix)) {
    m_RunOnBurnerCode = 1;
    m_BurnerVersion = name.substr(kBurnerPrefix.size());
  } else if (StartsWith(name, kFlashPrefix)) {
    m_RunOnFlashCode = 1;
  } else if (StartsWith(name, kRdtPrefixes[0]) || StartsWith(name, kRdtPrefixes[1]) ||
             StartsWith(name, kRdtPrefixes[2])) {
    m_RunOnFlashCode = 1;
    m_RunRDTFirmware = 1;
  } else if ((!mpName.empty() && platform::StartsWithNoCase(name, mpName)) || anyCode) {
    // The MP firmware under a name of its own; with "any code" every unknown name is taken
    // for code from flash.
    m_RunOnFlashCode = 1;
  } else {
    return fail("I_x68", platform::Format("[ChkRC]Unknown Running Code(%s)", name.c_str()));
  }

  if (identify512 != nullptr && m_RunOnFlashCode && !m_RunRDTFirmware) {
    if (!IdentifyDrive("I_x06")) return writeFailRecord ? RecordFailure() : std::uint8_t{0};
    std::memcpy(identify512, m_IdentifyBuffer.data(), kIdentifyBytes);
  }

  switch (requiredCode) {
    case kRequireBootCode:
      if (!m_RunOnBootCode) return fail("I_x65", "[ChkRC]Not Running on Boot Code now");
      break;
    case kRequireBurnerCode:
      if (!m_RunOnBurnerCode) return fail("I_x66", "[ChkRC]Not Running on Burner Code now");
      break;
    case kRequireFlashCode:
      if (!m_RunOnFlashCode) return fail("I_x67", "[ChkRC]Not Running on Flash Code now");
      break;
    default:
      break;
  }
  return 1;
}
