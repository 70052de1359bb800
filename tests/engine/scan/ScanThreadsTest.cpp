// Scans of many slots at once, as the production flows run them, while the later-bad page's
// worker takes its request on a thread of its own: every slot's record holds its own drive's
// counts, and only the page's engine sees the page's limit.
#include <thread>

#include "ScanFixture.h"
#include "engine/scan/LaterBadRequest.h"

namespace {

constexpr unsigned kSlots = 8;

class ScanThreads : public scantest::ScanTest {};

TEST_F(ScanThreads, ConcurrentScansKeepTheirSlotsAndThePageKeepsItsRequest) {
  sim::DriveProfile profile = scantest::SmallDrive();
  profile.badBlocks.earlyBadPerCe = 3;
  profile.badBlocks.laterBadPerCe = 2;
  Install(profile, kSlots + 1);
  Set(settings::keys::ScanMaxBadPercent, "50");
  // The page's button handler sets the request before it starts its worker.
  g_LaterBadRequest = 1;
  g_LaterBadLimitText = "20";
  std::vector<BlockInfoRecord> records(kSlots);
  std::vector<std::uint8_t> results(kSlots + 1, 0);
  std::vector<std::thread> threads;
  for (unsigned slot = 1; slot <= kSlots; ++slot) {
    threads.emplace_back([&, slot] {
      CMPDevice engine(static_cast<int>(slot), 1, static_cast<int>(slot), enginetest::kLogFolder, nullptr, nullptr);
      engine.WriteReportLine("START", 0);
      results[slot - 1] = engine.ScanBadBlock(0, 0, nullptr, 10, 0, &records[slot - 1], 0);
    });
  }
  threads.emplace_back([&] {
    CMPDevice page(kSlots + 1, 10, kSlots + 1, enginetest::kLogFolder, nullptr, nullptr);
    page.TakeLaterBadRequest();
    page.WriteReportLine("START", 0);
    results[kSlots] = page.ScanBadBlock(0, 0, nullptr, 50, 1, nullptr, 0);
  });
  for (std::thread& thread : threads) thread.join();
  for (unsigned slot = 1; slot <= kSlots; ++slot) {
    ASSERT_EQ(results[slot - 1], 1) << "slot " << slot;
    const sim::BadBlockMap& map = Drive(slot).BadBlocks();
    for (unsigned ce = 0; ce < 2; ++ce) {
      const BlockInfoRecord& record = records[slot - 1];
      EXPECT_EQ(record.early[ce][0][0] + record.early[ce][0][1], map.CountEarly(ce)) << "slot " << slot;
      EXPECT_EQ(record.later[ce][0][0][kLaterTotal] + record.later[ce][0][1][kLaterTotal], map.CountLater(ce));
    }
    const std::string report =
        station.ReadFile("WO1_PC/D_Reports/" + std::string(enginetest::kHost) + "_" + std::to_string(slot) + "_Report.txt");
    EXPECT_EQ(report.find("Later Bad Result"), std::string::npos) << "slot " << slot;
  }
  ASSERT_EQ(results[kSlots], 1);
  const std::string pageReport = station.ReadFile("WO1_PC/D_Reports/" + std::string(enginetest::kHost) + "_" +
                                                  std::to_string(kSlots + 1) + "_Report.txt");
  EXPECT_NE(pageReport.find("   Later Bad Result max bad pre plane = 20 \r\n"), std::string::npos);
  EXPECT_EQ(g_LaterBadRequest, 0);
}

}  // namespace
