// The RDT bad-block judgement: the "[OB]", "[RB]", "[RB_SLC]" and "[total]" lines, the
// per-plane check, the block-information words, the CE numbering and the result page's
// limit.
#include <gtest/gtest.h>

#include <memory>

#include "engine/rdtlog/BadBlockJudgement.h"
#include "engine/rdtlog/RdtLogTestSupport.h"
#include "support/ScratchStation.h"

namespace {

using rdtlogtest::BadBlock;
using rdtlogtest::CollectedOutput;
using rdtlogtest::LogBytes;
using Strings = std::vector<std::string>;

RdtBadBlockTallies TalliesOf(const std::vector<BadBlock>& entries, std::uint32_t planes = 2) {
  LogBytes log;
  for (const auto& entry : entries) log.Add(entry.Entry());
  log.AddBytes({0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55}).PadTo(512);
  BadBlockWalkSettings settings;
  settings.planes = planes;
  RdtBadBlockTallies tallies;
  BadBlockWalkResult result;
  CollectedOutput rows;
  WalkBadBlockLog(log.Bytes(), settings, tallies, result, rows);
  return tallies;
}

// 3 factory bad blocks, 30 TLC later bad (5 erase, 20 program, 4 read-related, 1
// unclassified) and 10 SLC entries (2 erase, 8 program) at even block addresses, all on
// plane 0 of CE 0, channel 0.
std::vector<BadBlock> WorkedExample(std::uint8_t ce = 0, std::uint8_t channel = 0) {
  std::vector<BadBlock> entries;
  const auto add = [&](int count, BadBlock entry) {
    entry.ce = ce;
    entry.channel = channel;
    for (int i = 0; i < count; ++i) {
      entries.push_back(entry);
      if (entry.slc) entry.block = static_cast<std::uint16_t>(entry.block + 2);
    }
  };
  add(3, {.type = 0x01});
  add(5, {.type = 0x02});
  add(20, {.type = 0x03});
  add(4, {.type = 0x06});
  add(1, {.type = 0x0E});
  add(2, {.type = 0x02, .block = 100, .slc = 1});
  add(8, {.type = 0x03, .block = 200, .slc = 1});
  return entries;
}

struct Judged {
  CollectedOutput out;
  BadBlockJudgement judgement;
  std::unique_ptr<BlockInfoRecord> blockInfo = std::make_unique<BlockInfoRecord>();
};

std::unique_ptr<Judged> Judge(const RdtBadBlockTallies& tallies, std::uint32_t planes, std::uint32_t maxBadPerPlane,
                              std::uint64_t ceMap = 0, bool numberedByMap = false,
                              RdtLimitRequest* request = nullptr) {
  auto judged = std::make_unique<Judged>();
  judged->blockInfo->Clear();
  BadBlockJudgementInputs inputs;
  inputs.tallies = &tallies;
  inputs.maxAllBad = 80;
  inputs.maxBadPerPlane = maxBadPerPlane;
  inputs.geometry.blocksPerCe = 2000;
  inputs.geometry.diesPerCe = 1;
  inputs.geometry.planes = planes;
  inputs.ceMap = ceMap;
  inputs.ceNumberedByMap = numberedByMap;
  inputs.request = request;
  inputs.blockInfo = judged->blockInfo.get();
  judged->judgement = JudgeRdtBadBlocks(inputs, judged->out);
  return judged;
}

TEST(RdtBadBlockJudgement, TheWorkedExampleOfOneChannel) {
  testsupport::ScratchStation station;  // no flash map
  const auto tallies = TalliesOf(WorkedExample());
  const auto judged = Judge(tallies, 2, 40);
  const Strings report = {
      "[All Bad Spec] 80",
      "[Plane Bad Spec] 40",
      "[OB]   CE: 0, CH: 0, Plane0=3, Plane1=0",
      "[RB]   CE: 0, CH: 0, Plane0=30, Plane1=0",
      "[RB_SLC] CE: 0, CH: 0, Plane0=10, Plane1=0",
      "[Error] CE: 0, CH: 0, P0, All Bad PrePlane Number(43) over Spec(40)",
      "[total] CE_0, CH_0: All Bad = 43, OB = 3, RB = 40(SLCEB:2/SLCPB:8/SLCRB:0/E:5/P:20/R:4/un:11)",
  };
  EXPECT_EQ(judged->out.report, report);
  EXPECT_EQ(judged->out.temp,
            Strings{"[total]CE0,CH0:AllB=43,OB=3,RB=40(SLCEB:2/SLCPB:8/SLCRB:0/E:5/P:20/R:4/un:11)"});
  EXPECT_TRUE(judged->judgement.failing);
  EXPECT_EQ(judged->judgement.failingFlash, "[]");
  EXPECT_EQ(judged->judgement.totalLaterBad, 40u);
  // The block-information words of plane 0.
  const auto& record = *judged->blockInfo;
  EXPECT_EQ(record.early[0][0][0], 3u);
  EXPECT_EQ(record.later[0][0][0][kLaterTotal], 40u);
  EXPECT_EQ(record.later[0][0][0][kLaterErase], 5u);
  EXPECT_EQ(record.later[0][0][0][kLaterProgram], 20u);
  EXPECT_EQ(record.later[0][0][0][kLaterRead], 4u);
  EXPECT_EQ(record.later[0][0][0][4], 0u);
  EXPECT_EQ(record.later[0][0][1][kLaterTotal], 0u);
}

TEST(RdtBadBlockJudgement, TheBlockInformationWordsLieAtTheirFileOffsets) {
  const auto tallies = TalliesOf(WorkedExample(3, 2));
  const auto judged = Judge(tallies, 2, 0);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(judged->blockInfo.get());
  const auto wordAt = [bytes](std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                                      bytes[offset + 3] << 24);
  };
  EXPECT_EQ(wordAt(0x0C + 3 * 0x100 + 2 * 0x10), 3u);
  EXPECT_EQ(wordAt(0x400C + 3 * 0xD00 + 2 * 0xD0), 40u);
  EXPECT_EQ(wordAt(0x400C + 3 * 0xD00 + 2 * 0xD0 + 4), 5u);
  EXPECT_EQ(wordAt(0x400C + 3 * 0xD00 + 2 * 0xD0 + 8), 20u);
  EXPECT_EQ(wordAt(0x400C + 3 * 0xD00 + 2 * 0xD0 + 12), 4u);
  // Without a plane limit nothing is tested and nothing fails.
  EXPECT_FALSE(judged->judgement.failing);
  EXPECT_EQ(judged->judgement.failingFlash, "");
}

TEST(RdtBadBlockJudgement, ALogWithoutEntriesWritesOnlyTheSpecLinesAndKeepsTheRequestPending) {
  const RdtBadBlockTallies tallies{};
  RdtLimitRequest request{true, "25"};
  const auto judged = Judge(tallies, 2, 40, 0, false, &request);
  EXPECT_EQ(judged->out.report, (Strings{"[All Bad Spec] 80", "[Plane Bad Spec] 40"}));
  EXPECT_TRUE(judged->out.temp.empty());
  EXPECT_TRUE(request.pending);
  EXPECT_FALSE(judged->judgement.failing);
}

TEST(RdtBadBlockJudgement, LoopMarksMakeAChannelPresentAndCountAsUnclassified) {
  const auto tallies = TalliesOf({{.type = 0x0F, .ce = 1, .channel = 3}, {.type = 0x0F, .ce = 1, .channel = 3}});
  const auto judged = Judge(tallies, 1, 0);
  const Strings report = {
      "[All Bad Spec] 80",
      "[Plane Bad Spec] 0",
      "[OB]   CE: 1, CH: 3, Plane0=0",
      "[RB]   CE: 1, CH: 3, Plane0=2",
      "[RB_SLC] CE: 1, CH: 3, Plane0=0",
      "[total] CE_1, CH_3: All Bad = 2, OB = 0, RB = 2(SLCEB:0/SLCPB:0/SLCRB:0/E:0/P:0/R:0/un:2)",
  };
  EXPECT_EQ(judged->out.report, report);
}

TEST(RdtBadBlockJudgement, PlaneLinesFollowThePlaneCount) {
  const auto tallies = TalliesOf({{.type = 0x01, .plane = 2}});
  EXPECT_EQ(Judge(tallies, 3, 0)->out.report[2], "[OB]   CE: 0, CH: 0, Plane0=0, Plane1=0, Plane2=1");
  EXPECT_EQ(Judge(tallies, 4, 0)->out.report[3], "[RB]   CE: 0, CH: 0, Plane0=0, Plane1=0, Plane2=0, Plane3=0");
  // Any other plane count writes no plane line, only the totals.
  const auto judged = Judge(tallies, 8, 0);
  ASSERT_EQ(judged->out.report.size(), 3u);
  EXPECT_EQ(judged->out.report[2].substr(0, 17), "[total] CE_0, CH_");
}

TEST(RdtBadBlockJudgement, EveryPlaneIsCheckedWhateverThePlaneCount) {
  std::vector<BadBlock> entries(3, BadBlock{.type = 0x02, .ce = 2, .plane = 3});
  entries.push_back({.type = 0x02, .ce = 2, .plane = 1});
  entries.push_back({.type = 0x02, .ce = 2, .plane = 1});
  entries.push_back({.type = 0x02, .ce = 2, .plane = 1});
  const auto judged = Judge(TalliesOf(entries, 1), 1, 2);
  EXPECT_EQ(judged->out.report[2], "[OB]   CE: 2, CH: 0, Plane0=0");
  EXPECT_EQ(judged->out.report[5], "[Error] CE: 2, CH: 0, P1, All Bad PrePlane Number(3) over Spec(2)");
  EXPECT_EQ(judged->out.report[6], "[Error] CE: 2, CH: 0, P3, All Bad PrePlane Number(3) over Spec(2)");
  EXPECT_TRUE(judged->judgement.failing);
}

TEST(RdtBadBlockJudgement, FailingPlanesNameTheirPackagesOnce) {
  testsupport::ScratchStation station(testsupport::ScratchStation::Template::Copy);
  std::vector<BadBlock> entries;
  for (int i = 0; i < 3; ++i) {
    entries.push_back({.type = 0x02, .ce = 5, .plane = 0});
    entries.push_back({.type = 0x02, .ce = 5, .plane = 1});
    entries.push_back({.type = 0x02, .ce = 6, .channel = 1});
    entries.push_back({.type = 0x02, .ce = 13});
  }
  const auto judged = Judge(TalliesOf(entries), 2, 2);
  EXPECT_EQ(judged->judgement.failingFlash, "[F1,3]");
  std::size_t errors = 0;
  for (const auto& line : judged->out.report) errors += line.rfind("[Error]", 0) == 0 ? 1 : 0;
  EXPECT_EQ(errors, 4u);
}

TEST(RdtBadBlockJudgement, PrintedCeNumbers) {
  // CE map with bits 0 and 2, numbered by position: index 0 is CE 0, index 1 is CE 2, later
  // indexes keep CE 2.
  std::uint32_t previous = 0;
  const std::uint32_t expected[] = {0, 2, 2, 2};
  for (std::uint32_t index = 0; index < 4; ++index) {
    const PrintedCe printed = PrintedCeOf(index, 0b101, false, previous);
    EXPECT_TRUE(printed.visited);
    EXPECT_EQ(printed.number, expected[index]) << index;
    previous = printed.number;
  }
  // Numbered by the map: only the set bits are visited, as themselves.
  EXPECT_TRUE(PrintedCeOf(0, 0b101, true, 0).visited);
  EXPECT_FALSE(PrintedCeOf(1, 0b101, true, 0).visited);
  EXPECT_EQ(PrintedCeOf(2, 0b101, true, 0).number, 2u);
  // Low 32 bits clear: every index as itself.
  EXPECT_EQ(PrintedCeOf(7, 0xF00000000ull, true, 0).number, 7u);
  EXPECT_TRUE(PrintedCeOf(7, 0xF00000000ull, true, 0).visited);
  // Positions above bit 31 come from the whole 64-bit map.
  EXPECT_EQ(PrintedCeOf(1, 0x100000001ull, false, 0).number, 32u);
}

TEST(RdtBadBlockJudgement, CeNumberingInTheLinesAndTheRecord) {
  const auto tallies = TalliesOf({{.type = 0x01, .ce = 1}, {.type = 0x01, .ce = 0}});
  const auto byPosition = Judge(tallies, 1, 0, 0b101, false);
  EXPECT_EQ(byPosition->out.report[2], "[OB]   CE: 0, CH: 0, Plane0=1");
  EXPECT_EQ(byPosition->out.report[6], "[OB]   CE: 2, CH: 0, Plane0=1");
  EXPECT_EQ(byPosition->out.temp[1], "[total]CE2,CH0:AllB=1,OB=1,RB=0(SLCEB:0/SLCPB:0/SLCRB:0/E:0/P:0/R:0/un:0)");
  EXPECT_EQ(byPosition->blockInfo->early[1][0][0], 1u);  // the record keeps the CE index

  const auto byMap = Judge(tallies, 1, 0, 0b101, true);
  ASSERT_EQ(byMap->out.report.size(), 6u);  // CE index 1 is not visited
  EXPECT_EQ(byMap->blockInfo->early[1][0][0], 0u);
  EXPECT_EQ(byMap->blockInfo->early[0][0][0], 1u);
}

TEST(RdtBadBlockJudgement, TheResultPagesLimitAsAPercentage) {
  std::vector<BadBlock> entries(31, BadBlock{.type = 0x02});
  const auto tallies = TalliesOf(entries);
  RdtLimitRequest request{true, "3%"};
  const auto judged = Judge(tallies, 2, 40, 0, false, &request);
  EXPECT_EQ(judged->out.report[1], "[Plane Bad Spec] 40");
  EXPECT_EQ(judged->out.report[5], "RDT Result Bad Block limit = 3%");
  EXPECT_EQ(judged->out.report[6], "RDT Result max bad per plane = 30");
  EXPECT_EQ(judged->out.report[7], "[Error] CE: 0, CH: 0, P0, All Bad PrePlane Number(31) over Spec(30)");
  EXPECT_FALSE(request.pending);
  EXPECT_EQ(request.limitText, "3");
}

TEST(RdtBadBlockJudgement, LimitTexts) {
  RdtFlashGeometry geometry;
  geometry.blocksPerCe = 2000;
  geometry.diesPerCe = 1;
  geometry.planes = 2;
  const auto apply = [&geometry](const char* text, std::uint32_t current, Strings* lines = nullptr) {
    RdtLimitRequest request{true, text};
    CollectedOutput out;
    const std::uint32_t limit = ApplyRdtLimitRequest(request, geometry, current, out);
    EXPECT_FALSE(request.pending) << text;
    if (lines != nullptr) *lines = out.report;
    return limit;
  };
  Strings lines;
  EXPECT_EQ(apply("3.5%", 40, &lines), 30u);
  EXPECT_EQ(lines, (Strings{"RDT Result Bad Block limit = 3.5%", "RDT Result max bad per plane = 30"}));
  EXPECT_EQ(apply("25", 40, &lines), 25u);
  EXPECT_EQ(lines, (Strings{"RDT Result Bad Block limit = 25", "RDT Result max bad per plane = 25"}));
  EXPECT_EQ(apply("0", 40, &lines), 40u);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(apply("", 40, &lines), 40u);
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(apply("abc", 40), 0u);  // a text that is no number: no plane is tested
  RdtLimitRequest idle{false, "25"};
  CollectedOutput out;
  EXPECT_EQ(ApplyRdtLimitRequest(idle, geometry, 40, out), 40u);
  EXPECT_TRUE(out.report.empty());
}

}  // namespace
