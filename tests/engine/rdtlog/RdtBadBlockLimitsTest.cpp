// The bad-block limits of the RDT judgement.
#include <gtest/gtest.h>

#include "engine/rdtlog/RdtBadBlockSpec.h"
#include "engine/rdtlog/RdtLogTestSupport.h"
#include "support/ScratchStation.h"

namespace {

using rdtlogtest::CollectedOutput;
using Strings = std::vector<std::string>;

class FixedCapacity final : public RdtCapacityChoice {
 public:
  std::uint32_t CapacityGb(const engine::CapacityTable&) override {
    ++capacityAsked;
    return capacity;
  }
  std::uint32_t MaxBadPercentFor(const engine::CapacityTable&, std::uint32_t capacityGb) override {
    askedFor = capacityGb;
    return percent;
  }
  std::uint32_t capacity = 256;
  std::uint32_t percent = 0;
  std::uint32_t askedFor = 0;
  int capacityAsked = 0;
};

RdtFlashGeometry Geometry(std::uint32_t blocks, std::uint32_t dies, std::uint32_t planes) {
  RdtFlashGeometry geometry;
  geometry.blocksPerCe = blocks;
  geometry.diesPerCe = dies;
  geometry.planes = planes;
  geometry.ceCount = 4;
  geometry.ceSizeExponent = 6;
  return geometry;
}

TEST(RdtBadBlockLimits, TheWorkedExampleOfOneDieTwoPlanesAndFourPercent) {
  RdtSpecSettings settings;
  settings.badPercent.scanMaxBadPercent = 4;
  FixedCapacity capacity;
  CollectedOutput out;
  const auto spec = BuildRdtBadBlockSpec(settings, Geometry(2000, 1, 2), capacity, out);
  const Strings lines = {
      "Die Size = 64 GB",
      "Die Per Flash    = 1;",
      "Plane Number     = 2;",
      "Max Block Per CE = 2000; ",
      "Get Max Bad block number Percent   = 4 ",
      "Get Max Bad block number per Plane = 40",
      "Max All Bad Block = 80, EarlyBad_Spec = 0",
      "Read RDT Log:",
      "[start]Total CE Number = 4, Die per CE = 1",
  };
  EXPECT_EQ(out.report, lines);
  EXPECT_EQ(spec.maxBadPercent, 4u);
  EXPECT_EQ(spec.maxBadPerPlane, 40u);
  EXPECT_EQ(spec.maxAllBad, 80u);
  EXPECT_EQ(spec.earlyBadSpec, 0u);
  EXPECT_EQ(capacity.capacityAsked, 0);
}

TEST(RdtBadBlockLimits, EarlyBadPercentages) {
  EXPECT_EQ(EarlyBadSpecFromPercent("2.5%", 1000, 7), 25u);
  EXPECT_EQ(EarlyBadSpecFromPercent("3%", 1000, 7), 30u);
  EXPECT_EQ(EarlyBadSpecFromPercent("3.5%", 1000, 7), 35u);
  EXPECT_EQ(EarlyBadSpecFromPercent("4%", 1000, 7), 40u);
  EXPECT_EQ(EarlyBadSpecFromPercent("2%", 2000, 70), 40u);
  EXPECT_EQ(EarlyBadSpecFromPercent("2%abc", 2000, 70), 40u);
  EXPECT_EQ(EarlyBadSpecFromPercent("5%", 1000, 7), 7u);
  EXPECT_EQ(EarlyBadSpecFromPercent("2.50", 1000, 7), 7u);
  EXPECT_EQ(EarlyBadSpecFromPercent("", 1000, 7), 7u);
}

TEST(RdtBadBlockLimits, SettingsAreReadFromTheRunParameterFileAndCut) {
  testsupport::ScratchStation station;
  station.WriteFile("param.ini",
                    "[Options]\r\nskip_BadSpec_byFW=1\r\nEarlyBad_Spec=70\r\nEarlyBad_Spec_Percent=2.50%\r\n"
                    "Total_LaterBad_Spec=12\r\nScan_MaxBadPercent=3\r\nSetSSDSize=123456789012345678901234\r\n"
                    "STL_LaterBad_Spec=2\r\nBTL_LaterBad_Spec=5\r\n");
  const auto settings = RdtSpecSettings::Read(4);
  EXPECT_EQ(settings.skipBadSpecByFw, 1);
  EXPECT_EQ(settings.earlyBadSpec, 70);
  EXPECT_EQ(settings.earlyBadSpecPercent, "2.50");
  EXPECT_EQ(settings.totalLaterBadSpec, 12);
  EXPECT_EQ(settings.badPercent.scanMaxBadPercent, 3);
  EXPECT_EQ(settings.stlLaterBadSpec, 2);
  EXPECT_EQ(settings.btlLaterBadSpec, 5);
  // The size and the capacity table choose nothing while the percentage is set.
  EXPECT_FALSE(settings.badPercent.table);
  EXPECT_EQ(settings.problem, "");

  // The cut percentage matches no row: the early-bad spec stays 70, above the all-bad limit.
  FixedCapacity capacity;
  CollectedOutput out;
  const auto spec = BuildRdtBadBlockSpec(settings, Geometry(1000, 2, 2), capacity, out);
  EXPECT_EQ(out.report.front(), "Die Per Flash    = 2;");  // no "Die Size" line
  EXPECT_EQ(spec.earlyBadSpec, 70u);
  EXPECT_EQ(spec.maxBadPerPlane, 7u);
  EXPECT_EQ(spec.maxAllBad, 70u);
  EXPECT_EQ(spec.totalLaterBadSpec, 12u);
  EXPECT_EQ(spec.stlLaterBadSpec, 2u);
  EXPECT_EQ(spec.btlLaterBadSpec, 5u);
  EXPECT_EQ(out.report[5], "Max All Bad Block = 30, EarlyBad_Spec = 70");
  EXPECT_EQ(out.report[6], "Max All Bad Block = EarlyBad_Spec = 70");

  // A capacity beyond any drive's, cut to its 19 characters, is no setting to choose a limit by.
  station.WriteFile("param.ini", "[Options]\r\nScan_MaxBadPercent=0\r\nSetSSDSize=123456789012345678901234\r\n");
  EXPECT_EQ(RdtSpecSettings::Read(4).problem,
            "SetSSDSize of [Options] in .\\param.ini is \"1234567890123456789\": expected a whole number from 0 to "
            "1048576");
}

TEST(RdtBadBlockLimits, PercentByCapacityFromTheSetSizeOrTheDrive) {
  RdtSpecSettings settings;
  settings.badPercent.setSsdSize = 480;
  settings.badPercent.table = engine::CapacityTable{};
  FixedCapacity capacity;
  capacity.percent = 5;
  CollectedOutput out;
  auto spec = BuildRdtBadBlockSpec(settings, Geometry(2000, 1, 2), capacity, out);
  EXPECT_EQ(capacity.askedFor, 480u);
  EXPECT_EQ(capacity.capacityAsked, 0);
  EXPECT_EQ(spec.maxBadPercent, 5u);
  EXPECT_EQ(out.report[1], "Get XCE 480 GB, Max Bad block number Percent= 5 ");

  // A size of 0 (empty or "0") asks the drive's capacity.
  settings.badPercent.setSsdSize = 0;
  FixedCapacity drive;
  drive.capacity = 960;
  CollectedOutput lines;
  BuildRdtBadBlockSpec(settings, Geometry(2000, 1, 2), drive, lines);
  EXPECT_EQ(drive.capacityAsked, 1);
  EXPECT_EQ(drive.askedFor, 960u);
}

TEST(RdtBadBlockLimits, NoCapacityRowGivesZeroLimitsAndTheEarlyBadFloor) {
  RdtSpecSettings settings;
  settings.earlyBadSpec = 50;
  settings.badPercent.table = engine::CapacityTable{};
  FixedCapacity capacity;  // percent 0
  CollectedOutput out;
  const auto spec = BuildRdtBadBlockSpec(settings, Geometry(2000, 1, 2), capacity, out);
  EXPECT_EQ(spec.maxBadPercent, 0u);
  EXPECT_EQ(spec.maxBadPerPlane, 0u);
  EXPECT_EQ(spec.maxAllBad, 50u);
  const Strings expected = {
      "Die Size = 64 GB",
      "Die Per Flash    = 1;",
      "Plane Number     = 2;",
      "Max Block Per CE = 2000; ",
      "Get Max Bad block number Percent   = 0 ",
      "Get Max Bad block number per Plane = 0",
      "Max All Bad Block = 0, EarlyBad_Spec = 50",
      "Max All Bad Block = EarlyBad_Spec = 50",
      "Read RDT Log:",
      "[start]Total CE Number = 4, Die per CE = 1",
  };
  EXPECT_EQ(out.report, expected);
}

TEST(RdtBadBlockLimits, ZeroDiesOrPlanesAreLeftOutOfTheDivisions) {
  RdtSpecSettings settings;
  settings.badPercent.scanMaxBadPercent = 10;
  FixedCapacity capacity;
  CollectedOutput out;
  const auto spec = BuildRdtBadBlockSpec(settings, Geometry(1000, 0, 0), capacity, out);
  EXPECT_EQ(out.report.front(), "Die Size = 64 GB");
  EXPECT_EQ(spec.maxBadPerPlane, 100u);
  EXPECT_EQ(MaxBadPerPlaneOf(Geometry(1000, 2, 4), 10), 12u);
}

TEST(RdtBadBlockLimits, ApVersionText) { EXPECT_EQ(RdtApVersionText(), "2.0a "); }

}  // namespace
