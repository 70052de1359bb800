// Write-read tests of the user area, on a drive that runs its MP firmware from flash:
//  - the copy-compare tests write a pattern into 16 ranges spread over the drive, read each
//    back and compare it, with UDMA (DMA) or PIO transfers;
//  - the burn-in writes a share of the drive (a percentage of its capacity, or a number of
//    GB) from sector 0 on, then reads it all back and compares, as many times as asked.
// Every sector's pattern carries its own sector number and the pass, so data that reach the
// wrong sector or are left from an earlier pass are found.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "engine/MPDevice.h"
#include "engine/firmware/DriveProgress.h"
#include "engine/scan/ScanTags.h"
#include "engine/scan/SectorPieces.h"
#include "platform/Clock.h"
#include "platform/Text.h"

using engine::firmware::ProgressShare;

namespace {

constexpr std::uint32_t kSectorsPerCommand = 128;   // the engine's 64 KB transfer buffer
constexpr std::uint32_t kCopyCompareRanges = 16;
constexpr std::uint64_t kSectorsPerGB = 1000000000ull / 512;

const char* TransferName(bool dma) { return dma ? "DMA" : "PIO"; }

// 0, 1, ..., 255, 0, 1, ...: every run of 500 bytes from any start below 256 is in it.
constexpr std::array<std::uint8_t, 256 + 512> kByteRamp = [] {
  std::array<std::uint8_t, 256 + 512> ramp{};
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(i);
  return ramp;
}();

void FillPattern(std::span<std::uint8_t> data, std::uint64_t firstLba, std::uint32_t pass) {
  for (std::size_t sector = 0; sector < data.size() / 512; ++sector) {
    std::uint8_t* bytes = data.data() + sector * 512;
    const std::uint64_t lba = firstLba + sector;
    for (std::size_t i = 0; i < 8; ++i) bytes[i] = static_cast<std::uint8_t>(lba >> (8 * i));
    for (std::size_t i = 0; i < 4; ++i) bytes[8 + i] = static_cast<std::uint8_t>(pass >> (8 * i));
    // The byte at i is (lba x 31 + i + pass x 7) mod 256: a run of the byte ramp.
    const auto base = static_cast<std::uint8_t>(lba * 31 + pass * 7);
    std::memcpy(bytes + 12, kByteRamp.data() + base + 12, 512 - 12);
  }
}

std::uint8_t Send(CDeviceCommand& command, bool dma, bool write, std::span<std::uint8_t> data, std::uint64_t lba,
                  std::uint32_t count) {
  if (dma) return write ? command.WriteDma(data, lba, count) : command.ReadDma(data, lba, count);
  return write ? command.WritePio(data, lba, count) : command.ReadPio(data, lba, count);
}

// The first sector of a read range that differs from its pattern, or nothing.
std::optional<std::uint64_t> FirstDifference(std::span<const std::uint8_t> read, std::span<std::uint8_t> expected,
                                             std::uint64_t firstLba, std::uint32_t pass) {
  FillPattern(expected, firstLba, pass);
  for (std::size_t sector = 0; sector < read.size() / 512; ++sector) {
    if (std::memcmp(read.data() + sector * 512, expected.data() + sector * 512, 512) != 0) return firstLba + sector;
  }
  return std::nullopt;
}

}  // namespace

std::uint8_t CMPDevice::WriteReadRange(bool dma, bool write, std::uint64_t lba, std::uint32_t count,
                                       std::uint32_t pass) {
  using namespace scan_tags;
  const std::span<std::uint8_t> data(m_TransferBuffer.data(), static_cast<std::size_t>(count) * kSectorBytes);
  if (write) FillPattern(data, lba, pass);
  if (!Send(Command(), dma, write, data, lba, count)) {
    return FailWithRecord(kWriteReadCommand, platform::Format("%s %s Fail at LBA 0x%llX !!! %s", TransferName(dma),
                                                              write ? "Write" : "Read",
                                                              static_cast<unsigned long long>(lba),
                                                              Command().LastErrorMessage().c_str()));
  }
  if (write) return 1;
  std::vector<std::uint8_t> expected(data.size());
  if (const auto bad = FirstDifference(data, expected, lba, pass)) {
    return FailWithRecord(kWriteReadCompare, platform::Format("%s Write Read Compare Fail at LBA 0x%llX !!!",
                                                              TransferName(dma),
                                                              static_cast<unsigned long long>(*bad)));
  }
  return 1;
}

std::uint8_t CMPDevice::BeginWriteReadTest(std::uint64_t& userSectors) {
  // The current reading of the statistics is due for this test.
  m_WRCurrentPending = m_WRCurrentStatistics;
  if (!IdentifyDrive(scan_tags::kWriteReadCommand)) {
    WriteFailReport();
    return 0;
  }
  userSectors = m_IdentifiedSectors;
  if (userSectors == 0) return FailWithRecord(scan_tags::kWriteReadCommand, "Write Read Test: drive reports no sectors !!!");
  if (m_TransferBuffer.size() < kSectorsPerCommand * kSectorBytes) m_TransferBuffer.resize(kSectorsPerCommand * kSectorBytes);
  return 1;
}

void CMPDevice::EndWriteReadTest(const char* what, std::uint64_t start) {
  if (m_WRCurrentStatistics != 0 && m_WRCurrentPending != 0) {
    double milliamps = 0;
    if (ReadMaxCurrent(milliamps, 0)) {
      m_WRCurrentText = platform::Format("%.2f", milliamps);
      m_WRCurrentPending = 0;
    }
  }
  const double seconds = static_cast<double>(platform::TickCountMs() - start) / 1000.0;
  WriteReportLine(platform::Format("%s, Total take %.3f sec.", what, seconds), kSuccessLine);
}

std::uint8_t CMPDevice::CopyCompareTest(ui::CProgressCtrl* progress, int progressPoints, bool dma) {
  const std::uint64_t start = platform::TickCountMs();
  ProgressShare share(progress, progressPoints);
  std::uint64_t userSectors = 0;
  if (!BeginWriteReadTest(userSectors)) return 0;
  const std::uint32_t rangeSectors = static_cast<std::uint32_t>(std::min<std::uint64_t>(kSectorsPerCommand, userSectors));
  const std::uint64_t lastStart = userSectors - rangeSectors;
  for (std::uint32_t range = 0; range < kCopyCompareRanges; ++range) {
    const std::uint64_t lba = lastStart * range / (kCopyCompareRanges - 1);
    if (!WriteReadRange(dma, true, lba, rangeSectors, range) || !WriteReadRange(dma, false, lba, rangeSectors, range)) {
      return 0;
    }
    share.AdvanceTo(static_cast<int>((range + 1) * 100 / kCopyCompareRanges));
  }
  EndWriteReadTest(platform::Format("Copy Compare Test %s OK", TransferName(dma)).c_str(), start);
  return 1;
}

std::uint8_t CMPDevice::CopyCompareTestDMA(ui::CProgressCtrl* progress, int progressPoints) {
  return CopyCompareTest(progress, progressPoints, true);
}

std::uint8_t CMPDevice::CopyCompareTestPIO(ui::CProgressCtrl* progress, int progressPoints) {
  return CopyCompareTest(progress, progressPoints, false);
}

std::uint8_t CMPDevice::WriteReadBurnIn(ui::CProgressCtrl* progress, int progressPoints, float amount,
                                        std::uint8_t byCapacity, std::uint32_t loops) {
  using namespace scan_tags;
  const std::uint64_t start = platform::TickCountMs();
  if (!std::isfinite(amount) || amount <= 0.0f) {
    return FailWithRecord(kWriteReadAmount, platform::Format("Write Read BurnIn amount error (%s %f) !!!",
                                                             byCapacity ? "GB" : "Percent", static_cast<double>(amount)));
  }
  std::uint64_t userSectors = 0;
  if (!BeginWriteReadTest(userSectors)) return 0;
  const double wanted = byCapacity ? static_cast<double>(amount) * kSectorsPerGB
                                   : static_cast<double>(userSectors) * static_cast<double>(amount) / 100.0;
  const std::uint64_t sectors = static_cast<std::uint64_t>(std::min<double>(wanted, static_cast<double>(userSectors)));
  if (sectors == 0) {
    return FailWithRecord(kWriteReadAmount, platform::Format("Write Read BurnIn amount error (%s %f: no sector) !!!",
                                                             byCapacity ? "GB" : "Percent", static_cast<double>(amount)));
  }
  const std::uint32_t passes = std::max<std::uint32_t>(loops, 1);
  ProgressShare share(progress, progressPoints);
  const std::uint64_t steps = static_cast<std::uint64_t>(passes) * 2;
  for (std::uint32_t pass = 0; pass < passes; ++pass) {
    for (const bool write : {true, false}) {
      const bool done = ForEachPiece(sectors, kSectorsPerCommand, [&](std::uint64_t first, std::uint32_t count) {
        return WriteReadRange(true, write, first, count, pass) != 0;
      });
      if (!done) return 0;
      const std::uint64_t step = static_cast<std::uint64_t>(pass) * 2 + (write ? 1 : 2);
      share.AdvanceTo(static_cast<int>(step * 100 / steps));
    }
  }
  EndWriteReadTest(platform::Format("Write Read BurnIn %u loop(s) of %llu sectors OK", passes,
                                    static_cast<unsigned long long>(sectors)).c_str(),
                   start);
  return 1;
}
