// A whole simulated production run: 24 drives on one board, each on its own thread, going
// through the commands an MP run sends (identification, program-RAM load, erase, scan, table,
// info block, preformat, flash program, power cycle, identify). With the time scale at 0 the
// run must take well under a second.
#include <benchmark/benchmark.h>

#include <thread>
#include <vector>

#include "device/DeviceCommand.h"
#include "device/DevicePaths.h"
#include "device/Transport.h"
#include "platform/Clock.h"
#include "sim/SimDrive.h"
#include "sim/SimStation.h"
#include "sim/SimTransport.h"

namespace {

std::shared_ptr<sim::SimStation> MakeStation() {
  auto station = std::make_shared<sim::SimStation>();
  sim::BoardProfile board;
  board.slots = 24;
  auto& added = station->AddBoard(board);
  for (unsigned slot = 1; slot <= 24; ++slot) {
    sim::DriveProfile drive;
    drive.badBlocks.seed = slot;
    drive.badBlocks.earlyBadPerCe = 6;
    drive.badBlocks.laterBadPerCe = 1;
    added.Slot(slot).Insert(std::make_shared<sim::SimDrive>(drive, "BENCH" + std::to_string(slot)));
  }
  return station;
}

bool RunOneDrive(int driveNumber) {
  CDeviceCommand command(driveNumber);
  std::vector<std::uint8_t> sector(512);
  std::vector<std::uint8_t> image(128 * 512, 0x5A);
  bool ok = command.Identify(sector) && command.SetApKey(sector) && command.GetSystemInfo(sector, 1) &&
            command.ScanAllFlashId(sector);
  for (std::uint32_t first = 0; ok && first < 512; first += 128) ok = command.WritePram(image, first, 128);
  std::uint16_t checksum = 0;
  for (int piece = 0; piece < 4; ++piece) {
    for (auto byte : image) checksum = static_cast<std::uint16_t>(checksum + byte);
  }
  ok = ok && command.StartPram(checksum) && command.EraseByType(9, false) && command.ScanFlash(0, true, false) &&
       command.ReadBbtParameter(sector);
  std::vector<std::uint8_t> table(8 * 512);
  ok = ok && command.ReadBadBlockTable(table, 0, 8) && command.DirectWriteInfoBlock(sector, 0) &&
       command.Preformat(sector, 1, 0xF, 0, false);
  for (std::uint32_t first = 0; ok && first < 512; first += 128) ok = command.WriteFlashCode(image, first, 128);
  return ok && command.TesterSetPower(0, 0, 0, 0) && command.TesterSetPower(1, 0, 0, 0) && command.Identify(sector);
}

void BM_TwentyFourDriveRun(benchmark::State& state) {
  platform::SetTimeScale(0.0);
  g_U2AMode = 0;
  for (auto _ : state) {
    device::SetTransport(std::make_shared<sim::SimTransport>(MakeStation()));
    std::vector<std::thread> workers;
    std::atomic<int> failures{0};
    for (int drive = 1; drive <= 24; ++drive) {
      workers.emplace_back([drive, &failures] {
        if (!RunOneDrive(drive)) ++failures;
      });
    }
    for (auto& worker : workers) worker.join();
    if (failures != 0) state.SkipWithError("a drive failed its run");
  }
  device::SetTransport(nullptr);
}
BENCHMARK(BM_TwentyFourDriveRun)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
