// The bad-block-table page's workers on the simulated station, each to its verdict text: the
// erase, Get BBT with its text file and its ".dll" or ".sot" image byte for byte, the write of
// a text file and of a ".sot" image with the exact third-party writes, their failure texts, and
// a table that is read, saved, erased and written back. Each worker runs on its own thread
// while the test pumps the user-interface thread, hence the suite's name.
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "BbtPageFixture.h"
#include "device/Transport.h"
#include "device/records/InfoBlock.h"
#include "device/Crc16.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "sim/SlotCommands.h"
#include "support/CommandRewriter.h"
#include "support/ForwardingTransport.h"
#include "support/SimStationSetup.h"

namespace bbttest {
namespace {

using Bytes = std::vector<std::uint8_t>;

// One write of the third-party table as it reached the drive.
struct ThirdPartyWrite {
  unsigned chip = 0;
  std::uint32_t sectors = 0;
  Bytes data;
  friend bool operator==(const ThirdPartyWrite&, const ThirdPartyWrite&) = default;
};

// The simulated station's transport, noting every "Write 3rd BBT" request on its way.
class RecordingTransport : public testsupport::ForwardingTransport {
 public:
  using ForwardingTransport::ForwardingTransport;
  device::PassThroughResult Execute(const std::string& devicePath, device::PassThroughRequest& request) override {
    const sim::DecodedCommand command = sim::DecodeCommand(request);
    if (command.Name() == "Write 3rd BBT") {
      std::lock_guard<std::mutex> guard(m_mutex);
      m_writes.push_back({static_cast<unsigned>(command.vendor.argument & 0xFF), request.dataLength / 512u,
                          Bytes(request.data, request.data + request.dataLength)});
    }
    return ForwardingTransport::Execute(devicePath, request);
  }
  std::vector<ThirdPartyWrite> Writes() const {
    std::lock_guard<std::mutex> guard(m_mutex);
    return m_writes;
  }

 private:
  mutable std::mutex m_mutex;
  std::vector<ThirdPartyWrite> m_writes;
};

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

template <class Record>
Bytes RecordBytes(const Record& record) {
  Bytes bytes(sizeof(record));
  std::memcpy(bytes.data(), &record, sizeof(record));
  return bytes;
}

// Drive 1 ran its RDT, which built the table (run word bit 20) and recorded its checksum;
// drive 2 runs its MP firmware from flash; drive 3 has only CEs 0 and 2; drive 4 runs the RAM
// code an earlier job left; drive 5 has a controller of another IC version.
const std::string kStation =
    "[Station]\r\nBoards=1\r\nSeed=16\r\n[Board1]\r\nSlots=5\r\n"
    "Slot1=Rdt\r\nSlot2=Firmware\r\nSlot3=TwoCes\r\nSlot4=RamCode\r\nSlot5=OtherIc\r\n"
    "[Drive]\r\nCode=Boot\r\nEarlyBadPerCe=0\r\nLaterBadPerCe=0\r\n"
    "BadBlock1=0,5,Factory\r\nBadBlock2=2,700,Factory\r\nBadBlock3=1,9,Program\r\n"
    "[Rdt]\r\nRdtState=Done\r\nRdtRunWord=100000\r\nRdtCeMap=F\r\n"
    "[Firmware]\r\nCode=Flash\r\n"
    "[TwoCes]\r\nCeMap=5\r\n"
    "[RamCode]\r\nCode=Burner\r\n"
    "[OtherIc]\r\nIcVersion=1234\r\n";

class BbtWorkersThreads : public BbtPageTest {
 protected:
  BbtWorkersThreads() : BbtPageTest(kStation) {}
  void SetUp() override {
    recorder = std::make_shared<RecordingTransport>(device::GetTransport());
    device::SetTransport(recorder);
    Open();
  }
  // Get BBT on a port, saving under the name given (nothing: the dialog is cancelled).
  void GetBbt(int port, std::optional<std::string> file, bool tvBbt = true) {
    Choose(port);
    page.TvBbtBox().SetCheck(tvBbt ? ui::BST_CHECKED : ui::BST_UNCHECKED);
    test.host.AnswerNextFileDialog(std::move(file));
    Press(page.GetBbtButton());
  }
  void WriteBbt(int port, std::optional<std::string> file, bool tvBbt = true) {
    Choose(port);
    page.TvBbtBox().SetCheck(tvBbt ? ui::BST_CHECKED : ui::BST_UNCHECKED);
    test.host.AnswerNextFileDialog(std::move(file));
    Press(page.WriteBbtButton());
  }
  Bytes StationBytes(const std::string& name) { return BytesOf(test.station.ReadFile(name)); }
  bool StationHas(const std::string& name) { return std::filesystem::exists(test.station.Folder() / name); }
  bool ReportHas(int port, const std::string& text) { return Report(port).find(text) != std::string::npos; }
  // The drive's next call of the command (after the skipped ones) fails so.
  void Fault(int driveNumber, const char* command, sim::FaultAction action, unsigned skip = 0) {
    testsupport::AddFault(*test.sim.Station().SlotOfDrive(driveNumber), command, action, skip);
  }

  std::shared_ptr<RecordingTransport> recorder;
};

TEST_F(BbtWorkersThreads, EraseAllErasesTheFlashAndAsksForARePlug) {
  ASSERT_EQ(Drive(2).FlashHolds(), sim::FlashFirmware::Mp);
  Choose(2);
  Press(page.EraseAllButton());
  EXPECT_EQ(Status(), "Pass, please re-plug in!!");
  EXPECT_EQ(page.Progress().GetPos(), 100);
  EXPECT_EQ(Drive(2).FlashHolds(), sim::FlashFirmware::None);
  EXPECT_TRUE(ReportHas(2, "Erase All Block(Type 9) OK"));
  EXPECT_TRUE(ReportHas(2, "Result     : PASS"));
}

// The page writes into the QC station's log folder: a slot report it replaces (a QC pass's, or
// its own of an earlier job) is moved aside, under the time it was moved.
TEST_F(BbtWorkersThreads, AWorkerKeepsTheSlotReportItReplaces) {
  Choose(2);
  Press(page.EraseAllButton());
  const std::string earlier = Report(2);
  ASSERT_NE(earlier.find("Result     : PASS"), std::string::npos);
  Replug(2);
  Press(page.EraseAllButton());
  EXPECT_EQ(Status(), "Pass, please re-plug in!!");
  const std::string kept = page.LogFolder() + "\\D_Reports\\Earlier\\";
  const auto files = platform::FindFiles(kept + "*_2_Report_*.txt");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(platform::ReadWholeFile(kept + files[0].name), earlier);
}

TEST_F(BbtWorkersThreads, EraseAllPollsTheDriveWhenParamIniSaysSo) {
  test.SetKey(".\\param.ini", "Options", "use_polling", "1");
  Choose(1);
  Press(page.EraseAllButton());
  EXPECT_EQ(Status(), "Pass, please re-plug in!!");
  EXPECT_TRUE(ReportHas(1, "Erase All Block(Type 9) OK"));
}

TEST_F(BbtWorkersThreads, GetBbtSavesTheTextFileAndTheDllImageByteForByte) {
  GetBbt(1, std::string("table.txt"));
  EXPECT_EQ(Status(), "Pass(CheckSum OK, from RDT), please re-plug in!!");
  EXPECT_EQ(page.Progress().GetPos(), 100);
  ASSERT_TRUE(StationHas("table.txt"));
  // The list shows the text file just saved.
  const std::vector<std::string> lines = ListedLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "[Bad Block File]");
  EXPECT_EQ(lines.back(), "[End]");
  const std::string text = test.station.ReadFile("table.txt");
  EXPECT_EQ(lines.size(), static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')));

  const Bytes image = StationBytes("table.dll");
  const Bytes table = DriveTable(1);
  ASSERT_EQ(table.size(), 8u * 512);  // 4 CEs of 1024 blocks
  ASSERT_EQ(image.size(), 128u + table.size());
  EXPECT_EQ(Bytes(image.begin(), image.begin() + 64), RecordBytes(Drive(1).BbtParameters()));
  ASSERT_TRUE(Drive(1).RdtInfo());
  EXPECT_EQ(Bytes(image.begin() + 64, image.begin() + 128), RecordBytes(*Drive(1).RdtInfo()));
  EXPECT_EQ(Bytes(image.begin() + 128, image.end()), table);
  // The literal fields: the two magics, the table's eight sectors, CE 0 block 5 bad from the
  // factory, CE 1 block 9 found bad by the RDT, CE 2 block 700.
  EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "DBTP");
  EXPECT_EQ(image[46], 8);
  EXPECT_EQ(image[47], 0);
  EXPECT_EQ(std::string(image.begin() + 64, image.begin() + 68), "TVRT");
  EXPECT_EQ(image[128 + 5], 0x80);
  EXPECT_EQ(image[128 + 1024 + 9], 0x42);
  EXPECT_EQ(image[128 + 2048 + 700], 0x80);
  EXPECT_EQ(image[128 + 6], 0x00);
  EXPECT_TRUE(ReportHas(1, "END        :"));
}

TEST_F(BbtWorkersThreads, GetBbtOfADriveWithoutRdtInfoSaysItsChecksumIsNotTheRdts) {
  GetBbt(3, std::string("two.txt"));
  EXPECT_EQ(Status(), "Pass(CheckSum Fail, Not from RDT), please re-plug in!!");
  const Bytes image = StationBytes("two.dll");
  ASSERT_EQ(image.size(), 128u + 4u * 512);  // 2 CEs of 1024 blocks
  EXPECT_EQ(Bytes(image.begin() + 64, image.begin() + 128), Bytes(64, 0));
}

TEST_F(BbtWorkersThreads, GetBbtOfTheThirdPartyTableSavesTheSotImageByteForByte) {
  GetBbt(3, std::string("third.txt"), false);
  // The RDT info is not read: its checksum stays 0xFFFF.
  EXPECT_EQ(Status(), "Pass(CheckSum Fail, Not from RDT), please re-plug in!!");
  const Bytes image = StationBytes("third.sot");
  ASSERT_EQ(image.size(), 16u * 3 * 512);  // 1024 blocks per CE: slices of 3 sectors
  for (unsigned ce = 0; ce < 16; ++ce) {
    const Bytes slice(image.begin() + ce * 1536, image.begin() + (ce + 1) * 1536);
    if (ce == 0 || ce == 2) {
      Bytes expected(1536);
      ASSERT_EQ(Drive(3).ReadThirdPartyTable(ce, expected), sim::DriveStatus::Ok);
      EXPECT_EQ(slice, expected) << "CE " << ce;
    } else {
      EXPECT_EQ(slice, Bytes(1536, 0xFF)) << "CE " << ce;
    }
  }
  // CE 0 block 5 is bad; the sum of the first sector's 510 bytes is 0x80, at 510..511.
  EXPECT_EQ(image[5], 0x80);
  EXPECT_EQ(image[510], 0x80);
  EXPECT_EQ(image[511], 0x00);
  // CE 2's block 700 sits in its second sector, at byte 200.
  EXPECT_EQ(image[2 * 1536 + 512 + 200], 0x80);
  EXPECT_FALSE(StationHas("third.dll"));
  // The text file lists the third-party table's bad blocks as factory bad blocks.
  EXPECT_NE(test.station.ReadFile("third.txt").find("CE:2,Die:0,Plane:0,Block:700(0x02BC),Status=0x80"),
            std::string::npos);
}

TEST_F(BbtWorkersThreads, GetBbtWithACancelledDialogSavesNothingAndStillPasses) {
  GetBbt(1, std::nullopt);
  EXPECT_EQ(Status(), "Pass(CheckSum OK, from RDT), please re-plug in!!");
  EXPECT_EQ(page.FileLines().GetCount(), 0);
  ASSERT_EQ(test.host.FileDialogs().size(), 1u);
  const ui::FileDialogRequest request = test.host.FileDialogs()[0];
  EXPECT_FALSE(request.open);
  EXPECT_EQ(request.defaultExtension, "txt");
  EXPECT_NE(request.flags & ui::OFN_OVERWRITEPROMPT, 0u);
  EXPECT_NE(request.flags & ui::OFN_NOCHANGEDIR, 0u);
  for (const auto& entry : std::filesystem::directory_iterator(test.station.Folder())) {
    const std::string extension = entry.path().extension().string();
    EXPECT_TRUE(extension != ".dll" && extension != ".sot") << entry.path();
  }
}

TEST_F(BbtWorkersThreads, GetBbtWithANameOfFewerThanFourCharactersSavesNothing) {
  GetBbt(1, std::string("a.b"));
  EXPECT_EQ(Status(), "Fail, 0x101, Open saving file-a.b Failed");
  EXPECT_FALSE(StationHas("a.b"));
  EXPECT_FALSE(StationHas(".dll"));
  EXPECT_TRUE(ReportHas(1, "Error Tag  : A_x08"));
  EXPECT_FALSE(ReportHas(1, "END        :"));
}

TEST_F(BbtWorkersThreads, ATextFileThatCannotBeSavedFailsGetBbt) {
  // The operator is never told the table is saved when it is not: he may erase the drive next.
  test.station.WriteFile("taken", "a file where the folder would be");
  GetBbt(1, std::string("taken/table.txt"));
  EXPECT_EQ(Status(), "Fail, 0x101, Open saving file-taken/table.txt Failed");
  EXPECT_FALSE(StationHas("taken/table.dll"));
  EXPECT_FALSE(ReportHas(1, "END        :"));
}

TEST_F(BbtWorkersThreads, AnImageNeverTakesTheTextFilesName) {
  GetBbt(1, std::string("table.dll"));
  EXPECT_EQ(Status(), "Pass(CheckSum OK, from RDT), please re-plug in!!");
  EXPECT_EQ(test.station.ReadFile("table.dll").rfind("[Bad Block File]", 0), 0u);
  EXPECT_EQ(StationBytes("table.dll.dll").size(), 128u + 8 * 512);
}

TEST_F(BbtWorkersThreads, GetBbtOfADriveOnItsFirmwareBringsItToTheRamCodeFirst) {
  GetBbt(2, std::string("flash.txt"));
  EXPECT_EQ(Status(), "Pass(CheckSum Fail, Not from RDT), please re-plug in!!");
  EXPECT_EQ(Drive(2).Code(), sim::RunningCode::Burner);
  EXPECT_TRUE(StationHas("flash.dll"));
}

TEST_F(BbtWorkersThreads, ADriveLeftOnItsRamCodeIsAskedToBePluggedInAgain) {
  GetBbt(4, std::string("ram.txt"));
  EXPECT_EQ(Status(), "Fail, 0x423, [ChkRC]Not Running on Boot Code now");
  EXPECT_FALSE(StationHas("ram.txt"));
  EXPECT_EQ(page.Progress().GetPos(), 20);
  // Plugged in again, it boots and the job runs.
  Replug(4);
  GetBbt(4, std::string("ram.txt"));
  EXPECT_EQ(Status(), "Pass(CheckSum Fail, Not from RDT), please re-plug in!!");
}

TEST_F(BbtWorkersThreads, AControllerOfAnotherIcVersionIsRefused) {
  Choose(5);
  Press(page.EraseAllButton());
  EXPECT_EQ(Status(), "Fail, 0x42B, IC ver Error");
  EXPECT_EQ(page.Progress().GetPos(), 5);
  EXPECT_FALSE(ReportHas(5, "END        :"));
}

TEST_F(BbtWorkersThreads, AFailedTableReadEndsGetBbtWithItsOwnText) {
  Choose(3);
  Fault(3, "Read BBT Parameter", sim::FaultAction::Sense);
  GetBbt(3, std::string("never.txt"));
  EXPECT_EQ(Status(), "Fail, 0x303, Get Bad Table fail!!");
  EXPECT_FALSE(StationHas("never.txt"));
  EXPECT_TRUE(test.host.FileDialogs().empty());
}

TEST_F(BbtWorkersThreads, AFailedThirdPartyReadEndsGetBbtWithItsOwnText) {
  Fault(3, "Read 3rd BBT", sim::FaultAction::Sense);
  GetBbt(3, std::string("never.txt"), false);
  EXPECT_EQ(Status(), "Fail, 0x30B, Get Bad Table fail!!");
  EXPECT_FALSE(StationHas("never.sot"));
}

TEST_F(BbtWorkersThreads, WithoutTheControllersTableTheThirdPartyReadClearsNoBufferAndFails) {
  // The table read fails first: the engine holds no table buffer, so none is cleared.
  Fault(3, "Read BBT Parameter", sim::FaultAction::Sense);
  GetBbt(3, std::string("never.txt"), false);
  EXPECT_EQ(Status(), "Fail, 0x30B, Get Bad Table fail!!");
  EXPECT_TRUE(test.host.FileDialogs().empty());
}

TEST_F(BbtWorkersThreads, ATableReadSavedErasedAndWrittenBackIsTheTableItWas) {
  const Bytes original = DriveTable(1);
  GetBbt(1, std::string("keep.txt"));
  ASSERT_EQ(Status(), "Pass(CheckSum OK, from RDT), please re-plug in!!");
  Replug(1);
  Press(page.EraseAllButton());
  ASSERT_EQ(Status(), "Pass, please re-plug in!!");
  Replug(1);
  // Meanwhile the table was spoilt: every block marked bad.
  Bytes spoilt(original.size(), 0x04);
  ASSERT_EQ(Drive(1).WriteBadBlockTable(0, static_cast<std::uint32_t>(spoilt.size() / 512), spoilt), sim::DriveStatus::Ok);
  ASSERT_NE(DriveTable(1), original);

  WriteBbt(1, std::string("keep.txt"));
  EXPECT_EQ(Status(), "Pass, please re-plug in!!");
  EXPECT_EQ(DriveTable(1), original);
  EXPECT_EQ(ListedLines().front(), "[Bad Block File]");
  const ui::FileDialogRequest request = test.host.FileDialogs().back();
  EXPECT_TRUE(request.open);
  EXPECT_NE(request.flags & ui::OFN_FILEMUSTEXIST, 0u);
  // The RDT info went back with the table and still names its checksum.
  ASSERT_TRUE(Drive(1).RdtInfo());
  EXPECT_EQ(std::string(Drive(1).RdtInfo()->signature.Get()), "TVRT");
}

TEST_F(BbtWorkersThreads, ATextFileOfADriveWithAnotherTableSizeWritesNothing) {
  // A file saved from the drive with two CEs (four sectors), written to drives of four CEs
  // (eight sectors) and back: the drive's own table decides the size.
  GetBbt(3, std::string("two.txt"));
  GetBbt(1, std::string("four.txt"));
  Replug(1);
  Replug(3);
  const Bytes fourCes = DriveTable(1);
  const std::optional<MpInfo> fourCesInfo = Drive(1).RdtInfo();
  WriteBbt(1, std::string("two.txt"));
  EXPECT_EQ(Status(), "Fail, 0x303, BBT Info BBTSize error!!!");
  EXPECT_EQ(DriveTable(1), fourCes);
  ASSERT_TRUE(Drive(1).RdtInfo());
  EXPECT_EQ(RecordBytes(*Drive(1).RdtInfo()), RecordBytes(*fourCesInfo));
  EXPECT_TRUE(ReportHas(1, "Error Tag  : F_D01"));
  EXPECT_TRUE(ReportHas(1, "BBT file: a table of 4 sectors (block map of 2048 bytes); the drive's: 8 sectors (4096 bytes)"));

  const Bytes twoCes = DriveTable(3);
  WriteBbt(3, std::string("four.txt"));
  EXPECT_EQ(Status(), "Fail, 0x303, BBT Info BBTSize error!!!");
  EXPECT_EQ(DriveTable(3), twoCes);
  EXPECT_FALSE(Drive(3).RdtInfo());
}

TEST_F(BbtWorkersThreads, ADriveWhoseOwnTableSizeIsUnknownTakesNoTable) {
  GetBbt(1, std::string("keep.txt"));
  Replug(1);
  Bytes spoilt(DriveTable(1).size(), 0x04);
  ASSERT_EQ(Drive(1).WriteBadBlockTable(0, static_cast<std::uint32_t>(spoilt.size() / 512), spoilt), sim::DriveStatus::Ok);
  Fault(1, "Read BBT Parameter", sim::FaultAction::Sense);
  WriteBbt(1, std::string("keep.txt"));
  EXPECT_EQ(Status().rfind("Fail, 0x303, Issue Read BBT Parameter Command Failed !!!", 0), 0u) << Status();
  EXPECT_TRUE(ReportHas(1, "Error Tag  : F_D01"));
  EXPECT_EQ(DriveTable(1), spoilt);
}

TEST_F(BbtWorkersThreads, ATextFileWhoseRdtInfoNamesAnotherChecksumIsRefusedBeforeTheWrite) {
  GetBbt(1, std::string("keep.txt"));
  Replug(1);
  // The RDT info of the file records a checksum (bytes 21..22) that its table does not have.
  std::string text = test.station.ReadFile("keep.txt");
  const std::size_t section = text.find("[RDT Info]\r\n");
  ASSERT_NE(section, std::string::npos);
  const std::size_t firstRow = section + std::string("[RDT Info]\r\n").size();
  Bytes record;
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 16; ++column) {
      record.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(firstRow + row * 49 + column * 3, 2), nullptr, 16)));
    }
  }
  record[21] ^= 0xFF;
  std::string rows;
  for (std::size_t i = 0; i < record.size(); ++i) {
    rows += platform::Format("%02X%s", record[i], i % 16 == 15 ? "\r\n" : " ");
  }
  rows += platform::Format("CRC=0x%04X\r\n", CCrc16::Ccitt(record.data(), record.size()));
  text.replace(firstRow, rows.size(), rows);
  test.station.WriteFile("changed.txt", text);

  Bytes spoilt(DriveTable(1).size(), 0x04);
  ASSERT_EQ(Drive(1).WriteBadBlockTable(0, static_cast<std::uint32_t>(spoilt.size() / 512), spoilt), sim::DriveStatus::Ok);
  const std::optional<MpInfo> before = Drive(1).RdtInfo();
  ASSERT_TRUE(before);

  WriteBbt(1, std::string("changed.txt"));
  EXPECT_EQ(Status(), "Fail, 0x303, BBT Info check sum is not match!!!");
  EXPECT_TRUE(ReportHas(1, "Error Tag  : F_D01"));
  // Neither the table nor the RDT info reached the drive.
  EXPECT_EQ(DriveTable(1), spoilt);
  EXPECT_EQ(RecordBytes(*Drive(1).RdtInfo()), RecordBytes(*before));
}

TEST_F(BbtWorkersThreads, ATextFileWithoutRdtInfoIsCheckedAgainstTheDrivesRdtInfoBeforeTheWrite) {
  // The table of the drive on its MP firmware (no RDT info in its file), given to the drive
  // whose RDT info names the checksum of its own, other table: written, the drive's record
  // would not match its table.
  GetBbt(2, std::string("plain.txt"));
  Replug(2);
  const Bytes before = DriveTable(1);
  ASSERT_NE(DriveTable(2), before);
  WriteBbt(1, std::string("plain.txt"));
  EXPECT_EQ(Status(), "Fail, 0x303, BBT Info check sum is not match!!!");
  EXPECT_EQ(DriveTable(1), before);
  // The same file suits its own drive, whose RDT info names no checksum to keep.
  Replug(2);
  WriteBbt(2, std::string("plain.txt"));
  EXPECT_EQ(Status(), "Pass, please re-plug in!!");
}

TEST_F(BbtWorkersThreads, ATableThatReadsBackOtherwiseThanWrittenFails) {
  GetBbt(1, std::string("keep.txt"));
  Replug(1);
  // The controller keeps another table than the one it was sent: the read-back differs from
  // what was written.
  device::SetTransport(std::make_shared<testsupport::CommandRewriter>(
      device::GetTransport(), "Write BBT", testsupport::CommandRewriter::Data::Sent,
      [](std::span<std::uint8_t> data) {
        if (!data.empty()) data[0] ^= 0x80;
      }));
  WriteBbt(1, std::string("keep.txt"));
  EXPECT_EQ(Status(), "Fail, 0x303, BBT check sum is not match!!!");
}

TEST_F(BbtWorkersThreads, AReadBackThatAnswersGarbledFailsAndOneThatDoesNotAnswerFailsNothing) {
  // The read of the drive's table before the write answers; the read-back is faulted.
  const struct {
    sim::FaultAction readBack;
    const char* status;
  } cases[] = {
      {sim::FaultAction::Garbage, "Fail, 0x303, BBT check sum is not match!!!"},
      {sim::FaultAction::Sense, "Pass, please re-plug in!!"},
      {sim::FaultAction::Timeout, "Pass, please re-plug in!!"},
  };
  GetBbt(1, std::string("keep.txt"));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    Replug(1);
    Fault(1, "Read BBT", c.readBack, 1);
    WriteBbt(1, std::string("keep.txt"));
    EXPECT_EQ(Status(), c.status);
  }
}

TEST_F(BbtWorkersThreads, ATextFileThatDoesNotLoadWritesNoTable) {
  const Bytes original = DriveTable(3);
  test.station.WriteFile("broken.txt", "[Bad Block File]\r\nCE Count=2\r\n");
  WriteBbt(3, std::string("broken.txt"));
  EXPECT_EQ(Status(), "Fail, 0x303, Load BBT File: broken.txt failed!!!");
  EXPECT_EQ(DriveTable(3), original);
  EXPECT_TRUE(ReportHas(3, "Error Tag  : F_D01"));
  // A cancelled dialog gives no file to load either.
  Replug(3);
  WriteBbt(3, std::nullopt);
  EXPECT_EQ(Status(), "Fail, 0x303, Load BBT File:  failed!!!");
  EXPECT_EQ(DriveTable(3), original);
}

TEST_F(BbtWorkersThreads, ASotImageIsWrittenBackCeByCeWithItsChipNumbers) {
  GetBbt(3, std::string("third.txt"), false);
  ASSERT_EQ(Status(), "Pass(CheckSum Fail, Not from RDT), please re-plug in!!");
  Replug(3);
  // CE 2's block 3 is marked bad in the image; the first sector's sum is left as it was.
  Bytes image = StationBytes("third.sot");
  image[2 * 1536 + 3] = 0x80;
  test.station.WriteFile("edited.sot", std::string(image.begin(), image.end()));
  test.station.WriteFile("edited.txt", "edited\r\n");
  ASSERT_TRUE(recorder->Writes().empty());

  WriteBbt(3, std::string("edited.sot"), false);
  EXPECT_EQ(Status(), "Pass, please re-plug in!!");
  EXPECT_EQ(ListedLines(), std::vector<std::string>{"edited"});
  const ui::FileDialogRequest request = test.host.FileDialogs().back();
  ASSERT_EQ(request.filters.size(), 1u);
  EXPECT_EQ(request.filters[0].name, "(*.sot)");
  // Two writes, CE 0 to chip 0 and CE 2 to chip 2, three sectors each; the first sector of each
  // carries the sum of its bytes 0..509.
  Bytes slice0(image.begin(), image.begin() + 1536);
  Bytes slice2(image.begin() + 2 * 1536, image.begin() + 3 * 1536);
  ASSERT_EQ(slice2[510], 0x00);  // CE 2's first sector had no bad block
  slice2[510] = 0x80;            // now block 3
  const std::vector<ThirdPartyWrite> expected = {{0, 3, slice0}, {2, 3, slice2}};
  EXPECT_EQ(recorder->Writes(), expected);
  Bytes stored(1536);
  ASSERT_EQ(Drive(3).ReadThirdPartyTable(2, stored), sim::DriveStatus::Ok);
  EXPECT_EQ(stored, slice2);
}

TEST_F(BbtWorkersThreads, OnlyAFileWithTheSotExtensionIsWrittenBack) {
  test.station.WriteFile("sot/table.txt", std::string(16 * 1536, '\0'));
  WriteBbt(3, std::string("sot/table.txt"), false);
  EXPECT_EQ(Status(), "File error, not '*.sot' file!!");
  Replug(3);
  test.station.WriteFile("TABLE.SOT", std::string(16 * 1536, '\0'));
  WriteBbt(3, std::string("TABLE.SOT"), false);
  EXPECT_EQ(Status(), "Pass, please re-plug in!!");
  EXPECT_EQ(recorder->Writes().size(), 2u);
}

TEST_F(BbtWorkersThreads, AShortOrMissingSotImageWritesNothing) {
  test.station.WriteFile("short.sot", std::string(16 * 1536 - 1, '\0'));
  WriteBbt(3, std::string("short.sot"), false);
  EXPECT_EQ(Status(), "Fail, 0x706, Load BBT File: short.sot failed!!!");
  EXPECT_TRUE(ReportHas(3, "BBT image: the image holds 24575 bytes, 16 slices of 1536 bytes need 24576"));
  Replug(3);
  WriteBbt(3, std::string("gone.sot"), false);
  EXPECT_EQ(Status(), "Fail, 0x706, Load BBT File: gone.sot failed!!!");
  Replug(3);
  WriteBbt(3, std::nullopt, false);
  EXPECT_EQ(Status(), "Fail, 0x706, Load BBT File:  failed!!!");
  EXPECT_TRUE(recorder->Writes().empty());
}

TEST_F(BbtWorkersThreads, ASotWriteBackWithoutTheDrivesParameterRecordIsRefusedBeforeItsFirstWrite) {
  test.station.WriteFile("image.sot", std::string(16 * 1536, '\0'));
  Fault(3, "Read BBT Parameter", sim::FaultAction::Sense);
  WriteBbt(3, std::string("image.sot"), false);
  EXPECT_EQ(Status(), "Fail, 0x30B, Write Bad Table fail!!");
  EXPECT_TRUE(ReportHas(3, "BBT image: the drive's BBT parameter record lacks \"DBTP\""));
  EXPECT_TRUE(recorder->Writes().empty());
}

TEST_F(BbtWorkersThreads, AFailedSliceWriteStopsTheWriteBack) {
  test.station.WriteFile("image.sot", std::string(16 * 1536, '\0'));
  Fault(1, "Write 3rd BBT", sim::FaultAction::Sense);
  WriteBbt(1, std::string("image.sot"), false);
  EXPECT_EQ(Status(), "Fail, 0x30B, Write Bad Table fail!!");
  // The first of the four CEs failed; the other three were not tried.
  ASSERT_EQ(recorder->Writes().size(), 1u);
  EXPECT_EQ(recorder->Writes()[0].chip, 0u);
}

}  // namespace
}  // namespace bbttest
