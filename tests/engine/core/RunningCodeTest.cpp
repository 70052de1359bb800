// The running-code check over every required-code mode against drives on each code, the AP
// key with its retries, and the firmware-name read.
#include <array>

#include "EngineFixture.h"

namespace {

using enginetest::EngineTest;
using sim::FaultAction;

enum class Code { Boot, Burner, Flash, Rdt, Unknown, Unreadable };

struct Expected {
  const char* tag;      // "" when the check passes
  const char* message;
};

sim::DriveProfile ProfileOf(Code code) {
  sim::DriveProfile profile;
  switch (code) {
    case Code::Boot: break;
    case Code::Burner: profile.startOnBurner = true; break;
    case Code::Flash: profile.flashFirmware = sim::FlashFirmware::Mp; break;
    case Code::Rdt: profile.flashFirmware = sim::FlashFirmware::Rdt; break;
    case Code::Unknown:
      profile.flashFirmware = sim::FlashFirmware::Mp;
      profile.flashName = "XYZ12345";
      break;
    case Code::Unreadable: break;
  }
  return profile;
}

class ChkRCTest : public EngineTest {
 protected:
  void Use(Code code) {
    Install(ProfileOf(code));
    if (code == Code::Unreadable) Fault("Read Firmware Name", FaultAction::Sense, 0, 0);
    device->WriteReportLine("START", 0);
  }
  void ExpectFlags(std::uint8_t boot, std::uint8_t burner, std::uint8_t flash, std::uint8_t rdt) {
    EXPECT_EQ(device->m_RunOnBootCode, boot);
    EXPECT_EQ(device->m_RunOnBurnerCode, burner);
    EXPECT_EQ(device->m_RunOnFlashCode, flash);
    EXPECT_EQ(device->m_RunRDTFirmware, rdt);
  }
};

constexpr Expected kPass{"", ""};
constexpr Expected kNotBoot{"I_x65", "[ChkRC]Not Running on Boot Code now"};
constexpr Expected kNotBurner{"I_x66", "[ChkRC]Not Running on Burner Code now"};
constexpr Expected kNotFlash{"I_x67", "[ChkRC]Not Running on Flash Code now"};
constexpr Expected kUnknown{"I_x68", "[ChkRC]Unknown Running Code(XYZ12345)"};
constexpr Expected kUnreadable{"I_x64", "[ChkRC]Read Firmware Name Fail"};

TEST_F(ChkRCTest, EveryModeAgainstEveryCode) {
  const Code codes[] = {Code::Boot, Code::Burner, Code::Flash, Code::Rdt, Code::Unknown, Code::Unreadable};
  // kTable[mode][code]
  const Expected table[5][6] = {
      {kPass, kNotBoot, kNotBoot, kNotBoot, kUnknown, kUnreadable},
      {kNotBurner, kPass, kNotBurner, kNotBurner, kUnknown, kUnreadable},
      {kNotFlash, kNotFlash, kPass, kPass, kUnknown, kUnreadable},
      {kPass, kPass, kPass, kPass, kPass, kUnreadable},
      {kPass, kPass, kPass, kPass, kPass, kUnreadable},
  };
  for (std::uint8_t mode = 0; mode < 5; ++mode) {
    for (std::size_t c = 0; c < std::size(codes); ++c) {
      SCOPED_TRACE(::testing::Message() << "mode " << int(mode) << " code " << c);
      Use(codes[c]);
      const Expected& expected = table[mode][c];
      const std::uint8_t result = device->ChkRC(mode, 1, 1, "", nullptr);
      EXPECT_EQ(result, expected.tag[0] == '\0' ? 1 : 0);
      if (expected.tag[0] != '\0') {
        ExpectFailure(expected.tag, expected.message);
        EXPECT_TRUE(HasFailRecord(expected.tag));
      }
    }
  }
}

TEST_F(ChkRCTest, FlagsAndFirmwareNameOfEachCode) {
  Use(Code::Boot);
  EXPECT_EQ(device->ChkRC(4, 0, 1, "", nullptr), 1);
  ExpectFlags(1, 0, 0, 0);
  EXPECT_EQ(device->m_FirmwareName, "SBR1.0.0");

  Use(Code::Burner);
  EXPECT_EQ(device->ChkRC(4, 0, 1, "", nullptr), 1);
  ExpectFlags(0, 1, 0, 0);
  EXPECT_EQ(device->m_FirmwareName, "SBB1.0.3");
  EXPECT_EQ(device->m_BurnerVersion, "1.0.3");

  Use(Code::Flash);
  EXPECT_EQ(device->ChkRC(4, 0, 1, "", nullptr), 1);
  ExpectFlags(0, 0, 1, 0);
  EXPECT_EQ(device->m_FirmwareName, "SBF10A01");

  Use(Code::Rdt);
  EXPECT_EQ(device->ChkRC(4, 0, 1, "", nullptr), 1);
  ExpectFlags(0, 0, 1, 1);
  EXPECT_EQ(device->m_FirmwareName, "RDT10A01");

  Use(Code::Unknown);
  EXPECT_EQ(device->ChkRC(3, 0, 1, "", nullptr), 1);
  ExpectFlags(0, 0, 1, 0);
  EXPECT_EQ(device->m_FirmwareName, "XYZ12345");
  // A failed check clears the flags of an earlier one.
  EXPECT_EQ(device->ChkRC(0, 0, 1, "", nullptr), 0);
  ExpectFlags(0, 0, 0, 0);

  Use(Code::Unreadable);
  EXPECT_EQ(device->ChkRC(3, 0, 1, "", nullptr), 0);
  ExpectFlags(0, 0, 0, 0);
}

TEST_F(ChkRCTest, AnUnknownNameThatIsTheMpFirmwareCountsAsFlashCode) {
  Use(Code::Unknown);
  EXPECT_EQ(device->ChkRC(2, 0, 1, "XYZ1", nullptr), 1);
  ExpectFlags(0, 0, 1, 0);

  station.WriteFile("param.ini", "[Options]\r\nSet Firmware Name=xyz12345\r\n");
  platform::FlushProfileCache();
  EXPECT_EQ(device->ChkRC(2, 0, 1, "", nullptr), 1);
  ExpectFlags(0, 0, 1, 0);
}

TEST_F(ChkRCTest, IdentifyDataOnlyForFlashCodeThatIsNotTheRdtFirmware) {
  for (Code code : {Code::Boot, Code::Burner, Code::Flash, Code::Rdt}) {
    Use(code);
    std::array<std::uint8_t, 512> identify{};
    EXPECT_EQ(device->ChkRC(3, 0, 1, "", identify.data()), 1);
    const bool copied = identify[20] != 0;  // the serial's first characters
    EXPECT_EQ(copied, code == Code::Flash) << static_cast<int>(code);
  }
  Use(Code::Flash);
  std::array<std::uint8_t, 512> identify{};
  Fault("Identify", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->ChkRC(3, 0, 1, "", identify.data()), 0);
  ExpectFailure("I_x06", "Issue Identify Command Fail.");
}

TEST_F(ChkRCTest, FailRecordOnlyWhenAsked) {
  Use(Code::Boot);
  EXPECT_EQ(device->ChkRC(2, 0, 0, "", nullptr), 0);
  ExpectFailure("I_x67", "[ChkRC]Not Running on Flash Code now");
  EXPECT_FALSE(HasFailRecord("I_x67"));
}

TEST_F(EngineTest, EnableAPKeyRetriesThreeTimesThenFails) {
  sim::DriveProfile refused;
  refused.apKeyRefused = true;
  Install(refused);
  device->WriteReportLine("START", 0);
  const std::string before = Report();
  EXPECT_EQ(device->EnableAPKey(1, 300), 0);
  ExpectFailure("I_x02", "AP-key NOT Enable by Device.");
  EXPECT_EQ(Report().substr(before.size()),
            "   Set AP Key retry = 1 \r\n   Set AP Key retry = 2 \r\n   Set AP Key retry = 3 \r\n");
  // Without the reply check a refused key still counts as sent.
  EXPECT_EQ(device->EnableAPKey(0, 300), 1);

  Install(sim::DriveProfile{});
  device->WriteReportLine("START", 0);
  Fault("Set AP Key", FaultAction::Timeout, 0, 3);
  EXPECT_EQ(device->EnableAPKey(1, 300), 0);
  ExpectFailure("I_x01", "Issue Set AP key command Fail.");
  EXPECT_NE(Report().find("   Set AP Key retry = 3 \r\n"), std::string::npos);
  EXPECT_FALSE(HasFailRecord("I_x01"));
}

TEST_F(EngineTest, EnableAPKeyPassesOnALaterTry) {
  device->WriteReportLine("START", 0);
  const std::string before = Report();
  Fault("Set AP Key", FaultAction::Timeout, 0, 1);
  EXPECT_EQ(device->EnableAPKey(1, 300), 1);
  EXPECT_EQ(Report().substr(before.size()), "   Set AP Key retry = 1 \r\n");
  EXPECT_TRUE(Drive().ApKeyEnabled());
}

TEST_F(EngineTest, ReadFirmwareNameLeavesIdentifyData) {
  std::array<std::uint8_t, 512> identify{};
  EXPECT_EQ(device->ReadFirmwareName(identify.data(), 0), 1);
  EXPECT_EQ(device->m_FirmwareName, "SBR1.0.0");
  EXPECT_EQ(device->m_DriveSerial, "SIMSERIAL1");
  // Words 10..19 hold the serial, each word's first character in its high byte.
  EXPECT_EQ(identify[20], 'I');
  EXPECT_EQ(identify[21], 'S');

  Fault("Identify", FaultAction::Sense, 0, 0);
  EXPECT_EQ(device->ReadFirmwareName(identify.data(), 0), 0);
  ExpectFailure("I_x06", "Issue Identify Command Fail.");
  EXPECT_EQ(device->ReadFirmwareName(identify.data(), 1), 0);
  ExpectFailure("I_B06", "Issue Identify Command Fail.");
}

TEST_F(EngineTest, ReadFirmwareNameTakesTheRevisionWhenTheNameCommandIsRefused) {
  Fault("Read Firmware Name", FaultAction::Sense, 0, 0);
  std::array<std::uint8_t, 512> identify{};
  EXPECT_EQ(device->ReadFirmwareName(identify.data(), 0), 1);
  EXPECT_EQ(device->m_FirmwareName, "SBR1.0.0");
}

}  // namespace
