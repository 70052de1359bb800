// Identification on the simulated station: system information, flash IDs against the
// parameter file, the IC version, the bin type of the flash-type table and the serial number.
#include <array>
#include <cstddef>

#include "EngineFixture.h"
#include "device/records/IdentifyData.h"
#include "support/CommandRewriter.h"

namespace {

using enginetest::EngineTest;
using sim::FaultAction;

// Writes paramFDB.ini's [Flash Info] and [Options] anew, with the given flash ID and mask.
void WriteFlashSettings(const testsupport::ScratchStation& station, const std::string& id, const std::string& mask,
                        const std::string& number = "4", const std::string& extra = "") {
  station.WriteFile("paramFDB.ini", "[Flash Info]\r\nFlh_ID=" + id + "\r\nFlh_Number=" + number +
                                        "\r\nFlh_MPBinType=1\r\nFlh_RDTBinType=R2\r\n" + extra +
                                        "[Options]\r\nFlhIDMask=" + mask + "\r\n");
  platform::FlushProfileCache();
}

TEST_F(EngineTest, ReadSystemInfoStoresTheGeometry) {
  sim::DriveProfile profile;
  profile.geometry.ceMap = 0x0F0F;
  profile.geometry.diesPerCe = 2;
  profile.geometry.planes = 4;
  profile.geometry.blocksPerCe = 2048;
  profile.geometry.pageSectors = 16;
  profile.geometry.ceSizeExponent = 7;
  profile.geometry.ceNumberedByMap = true;
  profile.rdt.tlcLoops = 9;
  profile.rdt.slcLoops = 11;
  profile.binType = "7312";
  Install(profile);
  ASSERT_EQ(device->ReadSystemInfo(), 1);
  EXPECT_EQ(device->m_BlocksPerCE, 2048u);
  EXPECT_EQ(device->m_DiesPerCE, 2u);
  EXPECT_EQ(device->m_Planes, 4u);
  EXPECT_EQ(device->m_SystemCEMap, 0x0F0Fu);
  EXPECT_EQ(device->m_CECount, 8u);
  EXPECT_EQ(device->m_CESizeExponent, 7u);
  EXPECT_EQ(device->m_CEMaskFlag, 1u);
  EXPECT_EQ(device->m_PageSectors, 16u);
  EXPECT_EQ(device->m_RDT_Loops, 9u);
  EXPECT_EQ(device->m_RDTFastPageLoops, 11u);
  EXPECT_EQ(device->m_TwoPlaneFlag, 0);
  EXPECT_EQ(device->m_CapacityMB, 8u * 128 * 1024);
  // Bytes 348..351 hold the bin type as two byte-swapped words.
  EXPECT_EQ(device->m_SystemInfoBuffer[349], '7');
  EXPECT_EQ(device->m_SystemInfoBuffer[348], '3');

  profile.geometry.planes = 1;
  Install(profile);
  ASSERT_EQ(device->ReadSystemInfo(), 1);
  EXPECT_EQ(device->m_Planes, 1u);
  EXPECT_EQ(device->m_TwoPlaneFlag, 0);
  profile.geometry.planes = 2;
  Install(profile);
  ASSERT_EQ(device->ReadSystemInfo(), 1);
  EXPECT_EQ(device->m_Planes, 2u);
  EXPECT_EQ(device->m_B0KBFlag, 1);
}

TEST_F(EngineTest, ReadSystemInfoCountsTheCesOfTheWhole64BitMap) {
  sim::DriveProfile profile;
  profile.geometry.ceMap = 0x8000000300000001ull;  // CEs 0, 32, 33 and 63
  profile.geometry.ceSizeExponent = 5;
  Install(profile);
  ASSERT_EQ(device->ReadSystemInfo(), 1) << device->m_ErrorMessage;
  EXPECT_EQ(device->m_SystemCEMap, 0x8000000300000001ull);
  EXPECT_EQ(device->m_CECount, 4u);
  EXPECT_EQ(device->m_CapacityMB, 4u * 32 * 1024);
}

TEST_F(EngineTest, ReadSystemInfoFailures) {
  Fault("GetSystemInfo", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->ReadSystemInfo(), 0);
  ExpectFailure("I_x08", "Issue GetSystemInfo Command Failed.");

  // A CE size the capacity cannot be made from is not taken.
  sim::DriveProfile profile;
  profile.geometry.ceSizeExponent = 40;
  Install(profile);
  EXPECT_EQ(device->ReadSystemInfo(), 0);
  ExpectFailure("I_x20", "System Info error, CE size exponent 40");
}

TEST_F(EngineTest, ReadFlashIdAgainstTheParameterFile) {
  ASSERT_EQ(device->ReadFlashID(0, 0), 1);  // the template's Flh_ID is the simulator's flash
  const std::uint8_t expected[7] = {0x98, 0x3C, 0x98, 0xB3, 0x76, 0x72, 0x08};
  EXPECT_EQ(std::memcmp(device->m_FlashID, expected, 7), 0);

  WriteFlashSettings(station, "98 3C 98 B3 76 72 09", "0");
  EXPECT_EQ(device->ReadFlashID(0, 0), 0);
  ExpectFailure("I_x10", "Flash ID not match(98 3C 98 B3 76 72 08), ini(98 3C 98 B3 76 72 09)");
  EXPECT_EQ(device->CheckFlashID(), 0);

  // Bit 6 of FlhIDMask leaves the seventh byte out.
  WriteFlashSettings(station, "98,3C,98,B3,76,72,09", "40");
  EXPECT_EQ(device->ReadFlashID(0, 0), 1);
  EXPECT_EQ(device->CheckFlashID(), 1);

  Fault("Read Flash ID", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->ReadFlashID(0, 0), 0);
  ExpectFailure("I_x09", "Issue Read Flash ID command Fail.");
}

TEST_F(EngineTest, ReadAllFlashIdGivesAnEntryPerCe) {
  sim::DriveProfile profile;
  profile.geometry.ceMap = 0x5;
  Install(profile);
  std::array<std::uint8_t, 512> table{};
  ASSERT_EQ(device->ReadAllFlashID(table.data()), 1);
  EXPECT_EQ(table[0], 0x98);
  EXPECT_EQ(table[8], 0x00);
  EXPECT_EQ(table[16], 0x98);
  EXPECT_EQ(table[22], 0x08);
  EXPECT_EQ(table[23], 0x00);

  Fault("Scan All Flash ID", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->ReadAllFlashID(table.data()), 0);
  ExpectFailure("I_x11", "Issue Scan All Flash ID command Fail.");
}

TEST_F(EngineTest, CheckAllFlashIdAgainstIdCountAndMap) {
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckAllFlashID(0, 0, 1, 0), 1);
  EXPECT_EQ(device->m_CECount, 4u);

  WriteFlashSettings(station, "98 3C 98 B3 76 72 08", "0", "8");
  EXPECT_EQ(device->CheckAllFlashID(0, 0, 1, 0), 0);
  ExpectFailure("I_x13", "Flash number not match(4), ini(8)");
  EXPECT_TRUE(HasFailRecord("I_x13"));

  WriteFlashSettings(station, "98 3C 98 B3 76 72 08", "0", "4");
  station.WriteFile("param.ini", "[Options]\r\nCHCEMap=1F\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(device->CheckAllFlashID(0, 0, 1, 0), 0);
  ExpectFailure("I_x14", "CE Map not match(F), ini(1F)");
  // The caller's own map and count stand in for the parameter file's.
  EXPECT_EQ(device->CheckAllFlashID(0xF, 4, 1, 0), 1);

  WriteFlashSettings(station, "98 3C 98 B3 76 72 07", "0");
  EXPECT_EQ(device->CheckAllFlashID(0xF, 0, 0, 0), 0);
  ExpectFailure("I_x12", "CE0 Flash ID not match(98 3C 98 B3 76 72 08)");
  EXPECT_FALSE(HasFailRecord("I_x12"));
}

TEST_F(EngineTest, CheckICVerReadsTheControllerRegister) {
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckICVer(), 1);

  sim::DriveProfile other;
  other.icVersion = 0x3161;
  Install(other);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckICVer(), 0);
  EXPECT_EQ(device->m_ErrorTag, "");  // the callers set "I_V01"
  EXPECT_FALSE(ReportHas("FAIL"));

  Fault("Read Register", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->CheckICVer(), 0);
  ExpectFailure("I_x15", "Issue Read Register command Fail.");
  EXPECT_TRUE(HasFailRecord("I_x15"));
}

TEST_F(EngineTest, CheckBinTypeComparesTheFlashTypeTableWithTheParameterFile) {
  WriteFlashSettings(station, "98 3C 98 B3 76 72 08", "0");
  station.WriteFile("Configuration/System/FlashInfo.ini", "[983C98B3767208]\r\nMPBinType=1\r\nRDTBinType=R1\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(device->CheckBinType(0), 1);
  EXPECT_EQ(device->CheckBinType(1), 0);  // the parameter file wants R2
  EXPECT_EQ(device->m_ErrorTag, "");

  WriteFlashSettings(station, "98 3C 98 B3 76 72 01", "0");
  EXPECT_EQ(device->CheckBinType(0), 0);  // a flash the table does not know
  WriteFlashSettings(station, "", "0");
  EXPECT_EQ(device->CheckBinType(0), 0);
}

TEST_F(EngineTest, TheTemplateFlashTypeTableKnowsTheSampleFlash) {
  EXPECT_EQ(device->CheckBinType(0), 1);
  EXPECT_EQ(device->CheckBinType(1), 1);
}

TEST_F(EngineTest, CheckSerialNumberIdentifiesAndComparesWithTheBarCode) {
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckSerialNumber(0, 1), 1);
  EXPECT_EQ(device->m_DriveSerial, "SIMSERIAL1");
  EXPECT_EQ(device->m_IdentifiedSectors, sim::FlashGeometry{}.CapacitySectors());

  device->m_BarCodeText = " SIMSERIAL2 ";
  EXPECT_EQ(device->CheckSerialNumber(0, 0), 1);  // no comparison asked
  EXPECT_EQ(device->CheckSerialNumber(0, 1), 0);
  ExpectFailure("S_x16", "SN not match Bar Code(SIMSERIAL1, SIMSERIAL2)");
  EXPECT_TRUE(HasFailRecord("S_x16"));

  sim::DriveProfile blank;
  blank.serialNumber = "    ";
  Install(blank);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckSerialNumber(0, 0), 0);
  ExpectFailure("S_x15", "Serial Number is empty.");

  Fault("Identify", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->CheckSerialNumber(0, 0), 0);
  ExpectFailure("I_x06", "Issue Identify Command Fail.");
  EXPECT_TRUE(HasFailRecord("I_x06"));
}

TEST_F(EngineTest, CheckSerialNumberChecksAWorldWideNameTheDriveReports) {
  sim::DriveProfile named;
  named.worldWideName = 0x5001B44812345678ull;
  Install(named);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckSerialNumber(0, 0), 1);

  named.worldWideName = 0x3001B44812345678ull;  // NAA 3 is no name of a SATA drive
  Install(named);
  device->WriteReportLine("START", 0);
  EXPECT_EQ(device->CheckSerialNumber(0, 0), 0);
  ExpectFailure("S_x17", "WWN is not valid.");
  EXPECT_TRUE(HasFailRecord("S_x17"));
}

TEST_F(EngineTest, IdentifyDataThatCarriesItsIntegritySignatureMustSumToZero) {
  // One byte of the sector count changed on the way: the text fields stay ATA strings, so only
  // the signed data's sum tells the change (the command is refused); data without the
  // signature has no sum to test.
  const struct {
    bool signatureKept;
    std::uint8_t result;
  } cases[] = {{true, 0}, {false, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.signatureKept ? "signed" : "unsigned");
    Install(sim::DriveProfile{});
    device::SetTransport(std::make_shared<testsupport::CommandRewriter>(
        device::GetTransport(), "Identify", testsupport::CommandRewriter::Data::Answered,
        [keep = c.signatureKept](std::span<std::uint8_t> data) {
          if (data.size() < sizeof(IdentifyData)) return;
          data[offsetof(IdentifyData, lba28Sectors)] ^= 0x01;
          if (!keep) data[offsetof(IdentifyData, integrity)] = 0;
        }));
    device->WriteReportLine("START", 0);
    EXPECT_EQ(device->CheckSerialNumber(0, 0), c.result);
    if (c.result == 0) {
      ExpectFailure("I_x06", "Issue Identify Command Fail.");
    }
  }
}

}  // namespace
