// Checks of the drive itself: eFuses, SMART status and temperature, SMART reset, security
// erase and the controller's DRAM.
#include <algorithm>
#include <array>
#include <cstring>
#include <optional>

#include "device/ReplyLayouts.h"
#include "device/VendorCommands.h"
#include "device/records/SmartPage.h"
#include "engine/MPDevice.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"
#include "ui/ProgressCtrl.h"

namespace {

constexpr int kCutEFuseTries = 3;
constexpr std::uint32_t kCutEFuseRetryMs = 100;
constexpr std::uint32_t kResetSmartReadySeconds = 20;
// SMART attribute 194: the drive's temperature in degrees Celsius; a sensor that answers
// outside this range is broken.
constexpr std::uint8_t kTemperatureAttribute = 0xC2;
constexpr std::uint64_t kLowestTemperature = 1;
constexpr std::uint64_t kHighestTemperature = 100;
// The DRAM test covers the first 16 MB in pieces of one transfer buffer (128 sectors).
constexpr std::uint32_t kDramTestBytes = 16u * 1024 * 1024;
constexpr std::uint32_t kDramPieceSectors = 128;
constexpr std::uint32_t kDramPatternSeed = 0x5AA55AA5u;
// Security erase: the user password the station sets and erases with.
constexpr char kSecurityPassword[] = "TV3160";

// The pattern word at a DRAM byte address: its own address mixed with a seed, so a stuck
// address line shows as well as a stuck data bit.
std::uint32_t PatternWord(std::uint32_t byteAddress) { return byteAddress ^ kDramPatternSeed; }

void FillPattern(std::span<std::uint8_t> piece, std::uint32_t firstByte) {
  const std::size_t words = piece.size() / 4;
  std::uint8_t* const out = piece.data();
  for (std::size_t word = 0; word < words; ++word) {
    const std::uint32_t value = PatternWord(firstByte + static_cast<std::uint32_t>(word * 4));
    std::memcpy(out + word * 4, &value, 4);
  }
}

// Where a piece read back first differs from the pattern at its address (bytes after the last
// whole word are expected to be zero); nullopt when it holds the pattern. The words are
// compared in runs without a copy of the pattern, and only a run that differs is searched
// byte by byte.
std::optional<std::size_t> FirstPatternDifference(std::span<const std::uint8_t> piece, std::uint32_t firstByte) {
  constexpr std::size_t kRunWords = 64;
  const std::size_t words = piece.size() / 4;
  const std::uint8_t* const in = piece.data();
  for (std::size_t run = 0; run < words; run += kRunWords) {
    const std::size_t end = std::min(words, run + kRunWords);
    std::uint32_t differ = 0;
    if (end - run == kRunWords) {
      // A whole run: a count the compiler knows, so that the words are compared side by side.
      const std::uint8_t* const runIn = in + run * 4;
      const std::uint32_t runByte = firstByte + static_cast<std::uint32_t>(run * 4);
      for (std::size_t word = 0; word < kRunWords; ++word) {
        std::uint32_t value;
        std::memcpy(&value, runIn + word * 4, 4);
        differ |= value ^ PatternWord(runByte + static_cast<std::uint32_t>(word * 4));
      }
    } else {
      for (std::size_t word = run; word < end; ++word) {
        std::uint32_t value;
        std::memcpy(&value, in + word * 4, 4);
        differ |= value ^ PatternWord(firstByte + static_cast<std::uint32_t>(word * 4));
      }
    }
    if (differ == 0) continue;
    for (std::size_t word = run; word < end; ++word) {
      const std::uint32_t expected = PatternWord(firstByte + static_cast<std::uint32_t>(word * 4));
      std::uint8_t expectedBytes[4];
      std::memcpy(expectedBytes, &expected, 4);
      for (std::size_t byte = 0; byte < 4; ++byte) {
        if (in[word * 4 + byte] != expectedBytes[byte]) return word * 4 + byte;
      }
    }
  }
  for (std::size_t byte = words * 4; byte < piece.size(); ++byte) {
    if (in[byte] != 0) return byte;
  }
  return std::nullopt;
}

void AdvanceProgress(ui::CProgressCtrl* progress, int points) {
  if (progress != nullptr && points > 0) progress->OffsetPos(points);
}

}  // namespace

std::uint8_t CMPDevice::CheckEFuse(std::uint8_t afterCut, std::uint8_t qcCheck, std::uint8_t uartCut,
                                   std::uint8_t jtagCut) {
  std::array<std::uint8_t, kSectorBytes> reply{};
  if (!Command().ReadEFuse(reply)) return FailWithRecord("I_x16", "Issue Read eFuse command Fail.");
  device::EFuseReply fuse;
  std::memcpy(&fuse, reply.data(), sizeof(fuse));
  if (fuse.signature != device::kEFuseReplySignature ||
      fuse.sum != static_cast<std::uint8_t>(fuse.signature + fuse.cutFlags)) {
    return FailWithRecord("I_x17", platform::Format("eFuse data error(%02X %02X %02X)", fuse.signature,
                                                    fuse.cutFlags, fuse.sum));
  }
  // After a cut, the fuses asked for must be cut; at QC, the fuses the settings cut at MP.
  bool wantUart = afterCut && uartCut;
  bool wantJtag = afterCut && jtagCut;
  if (qcCheck && settings::ReadInt(settings::keys::CutEFuse) == 1) {
    wantUart = wantUart || settings::ReadInt(settings::keys::CutUART) != 0;
    wantJtag = wantJtag || settings::ReadInt(settings::keys::CutJTAG) != 0;
  }
  if (wantUart && (fuse.cutFlags & device::kEFuseCutUart) == 0) return FailWithRecord("I_x19", "UART eFuse is not cut.");
  if (wantJtag && (fuse.cutFlags & device::kEFuseCutJtag) == 0) return FailWithRecord("I_x19", "JTAG eFuse is not cut.");
  return 1;
}

std::uint8_t CMPDevice::CutEFuse(std::uint8_t uart, std::uint8_t jtag, std::uint8_t aes) {
  if (!uart && !jtag && !aes) return 1;
  for (int attempt = 0; attempt < kCutEFuseTries; ++attempt) {
    if (Command().CutEFuse(uart != 0, jtag != 0, aes != 0)) return 1;
    platform::Sleep(kCutEFuseRetryMs);
  }
  return FailWithRecord("T_x18", "Issue Cut eFuse command Fail.");
}

std::uint8_t CMPDevice::CheckSmartReturnStatus() {
  bool exceeded = false;
  if (!Command().SmartReturnStatus(exceeded)) return FailWithRecord("M_x70", "Issue SMART Return Status command Fail.");
  if (exceeded) return FailWithRecord("M_x71", "SMART threshold exceeded.");
  return 1;
}

std::uint8_t CMPDevice::CheckThermalSensor() {
  std::array<std::uint8_t, kSmartPageBytes> page{};
  if (!Command().SmartReadData(page)) return FailWithRecord("M_x72", "Issue SMART Read Data command Fail.");
  for (std::size_t entry = 0; entry < kSmartPageMaxEntries; ++entry) {
    SmartPageEntry attribute;
    std::memcpy(&attribute, page.data() + entry * sizeof(SmartPageEntry), sizeof(attribute));
    if (attribute.id == 0) break;
    if (attribute.id != kTemperatureAttribute) continue;
    const std::uint64_t celsius = attribute.value.Get();
    if (celsius < kLowestTemperature || celsius > kHighestTemperature) {
      return FailWithRecord("M_x73", platform::Format("Thermal Sensor error(%llu C)",
                                                      static_cast<unsigned long long>(celsius)));
    }
    return 1;
  }
  return FailWithRecord("M_x73", "Thermal Sensor not found.");
}

std::uint8_t CMPDevice::ResetSmart() {
  if (!Command().ResetSmart()) return FailWithRecord("M_x74", "Issue Reset SMART command Fail.");
  return PollDeviceStatus(kResetSmartReadySeconds);
}

std::uint8_t CMPDevice::DoSecurityErase() {
  std::array<std::uint8_t, kSectorBytes> password{};
  // Word 0 bit 0 = 0: the user password; the password text from word 1.
  std::memcpy(password.data() + 2, kSecurityPassword, sizeof(kSecurityPassword) - 1);
  if (!Command().SecuritySetPassword(password)) return FailWithRecord("F_x80", "Security Erase Fail(Set Password).");
  if (!Command().SecurityErasePrepare()) return FailWithRecord("F_x80", "Security Erase Fail(Erase Prepare).");
  if (!Command().SecurityEraseUnit(password)) return FailWithRecord("F_x80", "Security Erase Fail(Erase Unit).");
  return 1;
}

std::uint8_t CMPDevice::DoSDRWriteReadTest(ui::CProgressCtrl* progress, int progressPoints, std::uint8_t reserved) {
  (void)reserved;
  const std::span<std::uint8_t> piece = std::span<std::uint8_t>(m_TransferBuffer).first(kDramPieceSectors * kSectorBytes);
  const std::uint32_t pieceBytes = static_cast<std::uint32_t>(piece.size());
  for (std::uint32_t address = 0; address < kDramTestBytes; address += pieceBytes) {
    FillPattern(piece, address);
    if (!Command().WriteDram(piece, address / kSectorBytes, kDramPieceSectors)) {
      return FailWithRecord("D_x08", platform::Format("Issue DRAM Write command Fail(0x%08X).", address));
    }
  }
  AdvanceProgress(progress, progressPoints / 2);
  for (std::uint32_t address = 0; address < kDramTestBytes; address += pieceBytes) {
    if (!Command().ReadDram(piece, address / kSectorBytes, kDramPieceSectors)) {
      return FailWithRecord("D_x08", platform::Format("Issue DRAM Read command Fail(0x%08X).", address));
    }
    if (const std::optional<std::size_t> at = FirstPatternDifference(piece, address)) {
      return FailWithRecord("D_x07", platform::Format("SDR Write/Read Compare Fail at 0x%08X.",
                                                      address + static_cast<std::uint32_t>(*at)));
    }
  }
  AdvanceProgress(progress, progressPoints - progressPoints / 2);
  return 1;
}
