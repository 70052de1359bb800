// The bad-block view of the block-information file: records chosen by tag, per CE and channel
// slot the planes' early / later counts and their sums, partial records ignored.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/BlockInfoRecord.h"
#include "pages/production/BadBlockImages.h"
#include "support/ScratchStation.h"

namespace {

std::string RecordBytes(const BlockInfoRecord& record) {
  return std::string(reinterpret_cast<const char*>(&record), sizeof(record));
}

std::unique_ptr<BlockInfoRecord> Record(const char* tag, std::uint32_t limit) {
  auto record = std::make_unique<BlockInfoRecord>();
  record->Clear();
  record->SetTag(tag);
  record->perPlaneLimit = limit;
  return record;
}

TEST(BadBlockImages, ThePortsFileLiesInTheTemporaryFolder) {
  EXPECT_EQ(BlockInfoFilePath(7), "S:\\Configuration\\Temp\\#7.bin");
}

TEST(BadBlockImages, RecordsOfTheChosenTagInFileOrderWithCountsAndSums) {
  testsupport::ScratchStation station;
  auto first = Record("SCA1", 12);
  first->early[0][0][0] = 3;
  first->early[15][1][3] = 7;
  first->later[15][1][3][kLaterTotal] = 2;
  first->later[15][1][3][kLaterErase] = 99;  // not the total: not shown
  auto other = Record("SCA2", 40);
  other->early[0][0][0] = 1000;
  auto second = Record("SCA1", 13);
  second->later[1][0][2][kLaterTotal] = 5;
  second->early[16][0][0] = 77;  // CE 16 is outside the view
  station.WriteFile("Configuration/Temp/#3.bin", RecordBytes(*first) + RecordBytes(*other) + RecordBytes(*second));

  const std::vector<BadBlockImage> images = ScanBadBlockImages(BlockInfoFilePath(3), "SCA1");
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].tag, "SCA1");
  EXPECT_EQ(images[0].perPlaneLimit, 12u);
  EXPECT_EQ(images[1].perPlaneLimit, 13u);
  ASSERT_EQ(images[0].rows.size(), 32u);
  EXPECT_EQ(images[0].rows[0].planes[0].text, "3 / 0");
  EXPECT_EQ(images[0].rows[0].planes[0].sum, 3u);
  const BadBlockImageRow& last = images[0].rows[31];
  EXPECT_EQ(last.ce, 15);
  EXPECT_EQ(last.channel, 1);
  EXPECT_EQ(last.planes[3].text, "7 / 2");
  EXPECT_EQ(last.planes[3].sum, 9u);
  const BadBlockImageRow& ce1 = images[1].rows[2];
  EXPECT_EQ(ce1.ce, 1);
  EXPECT_EQ(ce1.channel, 0);
  EXPECT_EQ(ce1.planes[2].text, "0 / 5");
  for (const BadBlockImageRow& row : images[1].rows) {
    for (const BadBlockImagePlane& plane : row.planes) {
      if (&row != &ce1 || &plane != &ce1.planes[2]) {
        EXPECT_EQ(plane.sum, 0u);
      }
    }
  }
}

TEST(BadBlockImages, TheRdtTagIsItsThreeLettersAndOtherTagsAreIgnored) {
  testsupport::ScratchStation station;
  auto rdt = Record("RDT", 20);
  rdt->allBadLimit = 55;
  station.WriteFile("Configuration/Temp/#1.bin", RecordBytes(*Record("SCA2", 1)) + RecordBytes(*rdt));
  const auto images = ScanBadBlockImages(BlockInfoFilePath(1), "RDT");
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].allBadLimit, 55u);
  EXPECT_TRUE(ScanBadBlockImages(BlockInfoFilePath(1), "SCA1").empty());
}

TEST(BadBlockImages, APartialRecordAtTheEndIsNotRead) {
  testsupport::ScratchStation station;
  const std::string whole = RecordBytes(*Record("SCA1", 4));
  station.WriteFile("Configuration/Temp/#2.bin", whole + whole.substr(0, 1000));
  EXPECT_EQ(ScanBadBlockImages(BlockInfoFilePath(2), "SCA1").size(), 1u);
  station.WriteFile("Configuration/Temp/#2.bin", whole.substr(0, kBlockInfoRecordBytes - 1));
  EXPECT_TRUE(ScanBadBlockImages(BlockInfoFilePath(2), "SCA1").empty());
}

TEST(BadBlockImages, AMissingFileGivesNoImage) {
  testsupport::ScratchStation station;
  EXPECT_TRUE(ScanBadBlockImages(BlockInfoFilePath(9), "SCA1").empty());
}

}  // namespace
