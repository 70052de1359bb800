// The SCSI generic transport on the fake kernel (its sysfs tree staged on the temporary folder,
// a tmpfs where TMPDIR names one): 26 disks, 24 of them behind USB bridges at USB 3 ports whose
// USB 2 peers are linked, two on ATA ports held by an md array. Measured, with sg nodes and
// without the sg driver (sd nodes): a listing, and a drive's first request, which looks its
// disk's node up from its address. Reported beside the time: the sysfs reads of each (link
// resolutions, file reads, folder listings); a lookup's reads stay those of its own disk
// whatever the number of disks on the bus.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "FakeSgStation.h"
#include "device/SgTransport.h"
#include "device/SysfsFiles.h"

namespace {

using devicetest::FakeSgStation;

constexpr int kUsbDisks = 24;
constexpr int kLookedUpDrive = 12;

// The layout, with sg nodes (sg0..sg25 beside sda..sdz) or sd nodes alone.
struct StagedStation {
  explicit StagedStation(bool generic) {
    const auto attach = [&](int n, const FakeSgStation::Address& address) {
      const std::string block = "sd" + std::string(1, static_cast<char>('a' + n));
      if (generic) {
        kernel.AddDisk("sg" + std::to_string(n), address, block, 8, 16 * n);
      } else {
        kernel.AddBlockDisk(block, address, 8, 16 * n);
      }
    };
    attach(0, {"/pci0000:00/0000:00:1f.2/ata1", 0});
    attach(1, {"/pci0000:00/0000:00:1f.2/ata2", 1});
    kernel.AddStackedDevice("md0", 9, 0, {"sda", "sdb"});
    for (int port = 1; port <= kUsbDisks; ++port) {
      const std::string number = std::to_string(port);
      kernel.PeerUsbPorts("usb2-port" + number, "usb1-port" + number);
      attach(1 + port, {"2-" + number + "/2-" + number + ":1.0", FakeSgStation::kNewHost});
    }
    kernel.answer = [](sg_io_hdr_t& header) { header.resid = 0; };
  }
  FakeSgStation kernel;
};

void ReportSysfsReads(benchmark::State& state, std::uint64_t reads) {
  state.counters["sysfs_reads"] = benchmark::Counter(static_cast<double>(reads), benchmark::Counter::kAvgIterations);
}

void BM_Listing(benchmark::State& state) {
  StagedStation staged(state.range(0) != 0);
  device::SgTransport transport(staged.kernel.System());
  const std::uint64_t before = device::SysfsReadsOfThisThread();
  for (auto _ : state) {
    if (transport.ListDisks().size() != kUsbDisks) {
      state.SkipWithError("the USB disks were not listed");
      break;
    }
  }
  ReportSysfsReads(state, device::SysfsReadsOfThisThread() - before);
}
BENCHMARK(BM_Listing)->ArgName("sg")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// Each lookup on a transport of its own, listed beforehand, as a pass's first command finds it.
void BM_Lookup(benchmark::State& state) {
  StagedStation staged(state.range(0) != 0);
  device::PassThroughRequest request;
  request.cdbLength = 16;
  std::uint64_t reads = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto transport = std::make_unique<device::SgTransport>(staged.kernel.System());
    transport->ListDisks();
    const std::string identity = transport->IdentityOfDrive(kLookedUpDrive);
    const std::uint64_t before = device::SysfsReadsOfThisThread();
    state.ResumeTiming();
    const bool sent = transport->ExecuteOn(identity, request).Succeeded();
    state.PauseTiming();
    reads += device::SysfsReadsOfThisThread() - before;
    transport.reset();
    state.ResumeTiming();
    if (!sent) {
      state.SkipWithError("the request did not reach the disk");
      break;
    }
  }
  ReportSysfsReads(state, reads);
}
BENCHMARK(BM_Lookup)->ArgName("sg")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
