// CDeviceCommand: every command's block against the command table in tester and bridge mode,
// literal blocks of the commands the RDT log reader uses, and the failures a drive can hand
// back (vanished drive, time-out, short transfer, sense with an error, garbage).
#include <gtest/gtest.h>

#include <cerrno>

#include "CommandCalls.h"
#include "FakeTransport.h"
#include "device/DeviceCommand.h"
#include "device/DeviceListing.h"
#include "device/DevicePaths.h"
#include "device/ReplyLayouts.h"

namespace {

using device::CommandError;
using device::CommandFamily;
using device::CommandId;
using device::TransferProtocol;
using devicetest::BridgeMode;
using devicetest::CommandCall;
using devicetest::InstalledFakeTransport;
using devicetest::ListDrives;
using devicetest::NumberedDisks;
using Bytes = devicetest::Block;
using Sense = std::array<std::uint8_t, 32>;

// A CHECK CONDITION answer with the sense data given.
device::PassThroughResult CheckCondition(const Sense& sense, std::uint8_t senseLength) {
  device::PassThroughResult result;
  result.scsiStatus = device::kScsiCheckCondition;
  result.sense = sense;
  result.senseLength = senseLength;
  return result;
}

// Checks one recorded request against the command table entry and the invocation.
void ExpectMatchesTable(const CommandCall& invocation, const devicetest::RecordedRequest& request, bool bridge) {
  const device::CommandSpec& spec = device::Spec(invocation.id);
  SCOPED_TRACE(spec.name);
  const std::uint32_t bytes = device::TransferBytes(spec, invocation.sectors);
  EXPECT_EQ(request.dataLength, bytes);
  EXPECT_EQ(request.timeoutSeconds, spec.timeoutSeconds);
  const auto expectedDirection = spec.protocol == TransferProtocol::NonData ? device::DataDirection::None
                                 : device::IsDataIn(spec.protocol)          ? device::DataDirection::In
                                                                            : device::DataDirection::Out;
  EXPECT_EQ(request.direction, expectedDirection);

  switch (spec.family) {
    case CommandFamily::Ata: {
      ASSERT_EQ(request.cdbLength, 16);
      const auto fields = device::cdb::DecodeAtaPassThrough(request.cdb);
      ASSERT_TRUE(fields.has_value());
      EXPECT_EQ(fields->taskFile.command, spec.code);
      EXPECT_EQ(fields->taskFile.features, spec.subOperation != 0 ? spec.subOperation : invocation.features);
      EXPECT_EQ(fields->protocol, spec.protocol);
      EXPECT_EQ(fields->extend, spec.extend);
      EXPECT_EQ(fields->checkCondition, spec.returnsRegisters);
      EXPECT_EQ(fields->taskFile.lba, invocation.argument);
      EXPECT_EQ(fields->transferSectors, bytes / 512);
      break;
    }
    case CommandFamily::Vendor: {
      ASSERT_EQ(request.cdbLength, 16);
      device::cdb::VendorFields fields;
      if (bridge) {
        const auto ata = device::cdb::DecodeAtaPassThrough(request.cdb);
        ASSERT_TRUE(ata.has_value());
        EXPECT_TRUE(ata->extend);
        EXPECT_FALSE(ata->checkCondition);
        EXPECT_EQ(ata->transferSectors, bytes / 512);
        fields = device::cdb::VendorFieldsOfAtaPassThrough(*ata);
      } else {
        const auto vendor = device::cdb::DecodeVendorCdb(request.cdb);
        ASSERT_TRUE(vendor.has_value());
        fields = *vendor;
      }
      EXPECT_EQ(fields.command, spec.code);
      EXPECT_EQ(fields.subOperation, spec.subOperation);
      EXPECT_EQ(fields.protocol, spec.protocol);
      EXPECT_EQ(fields.count, bytes / 512);
      EXPECT_EQ(fields.argument, invocation.argument);
      EXPECT_EQ(fields.device, device::kAtaDeviceLba);
      EXPECT_EQ(device::FindCommand(CommandFamily::Vendor, fields.command, fields.subOperation), &spec);
      break;
    }
    case CommandFamily::Tester: {
      const auto fields = device::cdb::DecodeTesterCdb(request.cdb);
      ASSERT_TRUE(fields.has_value());
      EXPECT_EQ(fields->function, spec.code);
      EXPECT_EQ(fields->protocol, spec.protocol);
      EXPECT_EQ(fields->parameters, invocation.parameters);
      EXPECT_EQ(fields->transferLength, bytes);
      break;
    }
    case CommandFamily::Scsi:
      EXPECT_EQ(request.cdb[0], spec.code);
      break;
  }
}

void RunAllAgainstTable(bool bridge) {
  devicetest::SendEveryCall(bridge, [bridge](const CommandCall& invocation, const devicetest::RecordedRequest& request) {
    ExpectMatchesTable(invocation, request, bridge);
  });
}

TEST(DeviceCommandBlocks, EveryCommandMatchesTheTableInTesterMode) { RunAllAgainstTable(false); }

TEST(DeviceCommandBlocks, EveryCommandMatchesTheTableInBridgeMode) { RunAllAgainstTable(true); }

TEST(DeviceCommandBlocks, RdtBadBlockLogPieceLiteralBlocks) {
  InstalledFakeTransport transport(NumberedDisks(1));
  std::vector<std::uint8_t> buffer(65536);
  {
    BridgeMode mode(0);
    CDeviceCommand command(1);
    ASSERT_EQ(command.Get_RDT_BadBlock_Log(buffer, 0, 256, 128), 1);
  }
  {
    BridgeMode mode(1);
    ListDrives();
    CDeviceCommand command(1);
    ASSERT_EQ(command.Get_RDT_BadBlock_Log(buffer, 0, 256, 128), 1);
  }
  const auto requests = transport->Requests();
  ASSERT_EQ(requests.size(), 2u);
  const Bytes vendor{0xF0, 0x21, 0x50, 0x01, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x40, 0x00, 0x00, 0x00};
  const Bytes bridge{0x85, 0x09, 0x0E, 0x00, 0x50, 0x00, 0x80, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x40, 0x21, 0x00};
  EXPECT_EQ(requests[0].cdb, vendor);
  EXPECT_EQ(requests[1].cdb, bridge);
  EXPECT_EQ(requests[0].dataLength, 65536u);
}

TEST(DeviceCommandBlocks, SpecialLogRemainderAndSystemInfoLiteralBlocks) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  std::vector<std::uint8_t> buffer(65536);
  CDeviceCommand command(1);
  ASSERT_EQ(command.Get_RDT_BadBlock_SpecialLog(buffer, 5, 384), 1);
  ASSERT_EQ(command.GetSystemInfo(buffer, 1), 1);
  const auto requests = transport->Requests();
  const Bytes special{0xF0, 0x21, 0x54, 0x01, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x01, 0x80, 0x40, 0x00, 0x00, 0x00};
  const Bytes systemInfo{0xF0, 0x81, 0x02, 0x01, 0x00, 0x01, 0, 0, 0, 0, 0, 0, 0x40, 0x00, 0x00, 0x00};
  EXPECT_EQ(requests[0].cdb, special);
  EXPECT_EQ(requests[0].dataLength, 5u * 512);
  EXPECT_EQ(requests[1].cdb, systemInfo);
}

TEST(DeviceCommandBlocks, OutgoingDataIsSentAsGiven) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  std::vector<std::uint8_t> block(512);
  for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>(i * 7);
  CDeviceCommand command(1);
  ASSERT_EQ(command.DirectWriteInfoBlock(block, 0), 1);
  EXPECT_EQ(transport->Requests().at(0).dataOut, block);
}

// ---- arguments checked before anything is sent ---------------------------------------------

TEST(DeviceCommandArguments, ShortBufferOrBadCountSendsNothing) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  CDeviceCommand command(1);
  std::vector<std::uint8_t> small(511);
  EXPECT_EQ(command.Identify(small), 0);
  EXPECT_EQ(command.LastError(), CommandError::BadArgument);
  std::vector<std::uint8_t> piece(64 * 1024);
  EXPECT_EQ(command.Get_RDT_BadBlock_Log(piece, 0, 0, 129), 0);
  EXPECT_EQ(command.LastError(), CommandError::BadArgument);
  EXPECT_EQ(command.Get_RDT_SDR_Log(piece, 0, 0), 0);
  EXPECT_EQ(command.LastError(), CommandError::BadArgument);
  EXPECT_EQ(command.Get_RDT_Temperature_Time_Log(std::span<std::uint8_t>(piece).first(128 * 512 - 1), 0, 0, 128), 0);
  EXPECT_EQ(command.LastError(), CommandError::BadArgument);
  EXPECT_EQ(command.TesterReadUsbPage(std::span<std::uint8_t>(piece).first(512)), 0);
  EXPECT_NE(command.LastErrorMessage().find("528"), std::string::npos);
  EXPECT_TRUE(transport->Requests().empty());
}

// ---- drives that are not there ------------------------------------------------------------------

TEST(DeviceCommandFailures, NoTransportInstalled) {
  device::SetTransport(nullptr);
  CDeviceCommand command(1);
  std::array<std::uint8_t, 512> buffer{};
  EXPECT_EQ(command.Identify(buffer), 0);
  EXPECT_EQ(command.LastError(), CommandError::NoTransport);
}

TEST(DeviceCommandFailures, DriveNumberBeyondTheListing) {
  InstalledFakeTransport transport(NumberedDisks(2));
  BridgeMode mode(0);
  std::array<std::uint8_t, 512> buffer{};
  CDeviceCommand beyond(3);
  EXPECT_EQ(beyond.Identify(buffer), 0);
  EXPECT_EQ(beyond.LastError(), CommandError::NoDevice);
  CDeviceCommand zero(0);
  EXPECT_EQ(zero.Identify(buffer), 0);
  EXPECT_EQ(zero.LastError(), CommandError::NoDevice);
  EXPECT_TRUE(transport->Requests().empty());
}

TEST(DeviceCommandFailures, DriveThatVanishedAfterTheListing) {
  InstalledFakeTransport transport(NumberedDisks(2));
  BridgeMode mode(1);
  ListDrives();
  transport->SetAnswer([](const std::string&, device::PassThroughRequest&) {
    device::PassThroughResult result;
    result.systemError = ENODEV;
    return result;
  });
  std::array<std::uint8_t, 512> buffer{};
  CDeviceCommand command(2);
  EXPECT_EQ(command.GetSystemInfo(buffer, 1), 0);
  EXPECT_EQ(command.LastError(), CommandError::NoDevice);
  EXPECT_EQ(command.LastSystemError(), ENODEV);
  EXPECT_EQ(command.LastAttempts(), 1u) << "a vanished drive is not asked again";
}

TEST(DeviceCommandFailures, BridgeModeTakesThePathOfTheListing) {
  InstalledFakeTransport transport(NumberedDisks(2));
  BridgeMode mode(1);
  ListDrives();
  // The transport's list changes after the listing: bridge mode still opens the listed path,
  // tester mode asks the transport.
  transport->SetDisks({{"/dev/other1", "a"}, {"/dev/other2", "b"}});
  std::array<std::uint8_t, 512> buffer{};
  CDeviceCommand bridged(2);
  ASSERT_EQ(bridged.Identify(buffer), 1);
  g_U2AMode = 0;
  CDeviceCommand tested(2);
  ASSERT_EQ(tested.Identify(buffer), 1);
  const auto requests = transport->Requests();
  EXPECT_EQ(requests[0].devicePath, "/dev/fake2");
  EXPECT_EQ(requests[1].devicePath, "/dev/other2");
}

TEST(DeviceCommandFailures, AnEntryWithoutDeviceIsNotConnected) {
  InstalledFakeTransport transport({{"/dev/fake1", "p1"}, {"", "p2"}});
  BridgeMode mode(1);
  ListDrives();
  std::array<std::uint8_t, 512> buffer{};
  CDeviceCommand command(2);
  EXPECT_EQ(command.Identify(buffer), 0);
  EXPECT_EQ(command.LastError(), CommandError::NoDevice);
  EXPECT_TRUE(transport->Requests().empty());
}

// ---- time-outs and retries -----------------------------------------------------------------------

TEST(DeviceCommandRetries, TimeOutIsSentAgainAsOftenAsTheTableSays) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  transport->SetAnswer([](const std::string&, device::PassThroughRequest&) {
    device::PassThroughResult result;
    result.hostStatus = device::kHostTimeOut;
    return result;
  });
  std::array<std::uint8_t, 512> buffer{};
  CDeviceCommand command(1);
  EXPECT_EQ(command.ReadRdtInfo(buffer), 0);
  EXPECT_EQ(command.LastError(), CommandError::TimedOut);
  const std::uint32_t expected = 1u + device::Spec(CommandId::ReadRdtInfo).retries;
  EXPECT_EQ(command.LastAttempts(), expected);
  EXPECT_EQ(command.TimeOuts(), expected);
  EXPECT_EQ(command.Retries(), expected - 1);
  EXPECT_EQ(transport->Requests().size(), expected);
  EXPECT_NE(command.LastErrorMessage().find("10 seconds"), std::string::npos);

  // A command whose repetition could do harm goes out once.
  EXPECT_EQ(command.EraseByType(9, false), 0);
  EXPECT_EQ(command.LastAttempts(), 1u);
  EXPECT_EQ(command.RequestsSent(), expected + 1);
  EXPECT_EQ(transport->Requests().back().timeoutSeconds, device::Spec(CommandId::EraseByType).timeoutSeconds);
}

TEST(DeviceCommandRetries, APassingFailureThenSuccess) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  int calls = 0;
  transport->SetAnswer([&calls](const std::string&, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    if (++calls == 1) {
      result.systemError = EIO;
    } else {
      request.data[0] = 0x5A;
      result.transferred = request.dataLength;
    }
    return result;
  });
  std::array<std::uint8_t, 512> buffer{};
  CDeviceCommand command(1);
  ASSERT_EQ(command.ReadFirmwareName(buffer), 1);
  EXPECT_EQ(command.LastAttempts(), 2u);
  EXPECT_EQ(command.LastError(), CommandError::None);
  EXPECT_EQ(buffer[0], 0x5A);
}

TEST(DeviceCommandRetries, UnitAttentionAndBusyAreRetriedADeviceAnswerIsNot) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  int calls = 0;
  transport->SetAnswer([&calls](const std::string&, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    ++calls;
    if (calls == 1) {
      result.scsiStatus = device::kScsiCheckCondition;
      result.sense = {0x70, 0, device::kSenseUnitAttention, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x29, 0x00};
      result.senseLength = 18;
    } else if (calls == 2) {
      result.scsiStatus = device::kScsiBusy;
    } else {
      result.transferred = request.dataLength;
    }
    return result;
  });
  std::array<std::uint8_t, 512> buffer{};
  CDeviceCommand command(1);
  ASSERT_EQ(command.Identify(buffer), 1);
  EXPECT_EQ(command.LastAttempts(), 3u);

  calls = 10;
  transport->SetAnswer([](const std::string&, device::PassThroughRequest&) {
    device::PassThroughResult result;
    result.scsiStatus = device::kScsiCheckCondition;
    result.sense = {0x70, 0, device::kSenseIllegalRequest, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x20, 0x00};
    result.senseLength = 18;
    return result;
  });
  EXPECT_EQ(command.Identify(buffer), 0);
  EXPECT_EQ(command.LastAttempts(), 1u);
  EXPECT_EQ(command.LastError(), CommandError::CheckCondition);
  EXPECT_EQ(command.LastScsiStatus(), device::kScsiCheckCondition);
  EXPECT_EQ(command.LastSenseInfo().senseKey, device::kSenseIllegalRequest);
  EXPECT_EQ(command.LastSenseInfo().asc, 0x20);
  EXPECT_EQ(command.LastSense().size(), 18u);
}

// A device that answers UNIT ATTENTION or BUSY did not run the command: it goes again even when
// the command has no retries (the tester power commands, the jumps, the erase), up to the
// attentions a reset can queue (power on or reset, capacity data changed, reported LUNs
// changed), and the command's retries still bound the rest.
TEST(DeviceCommandRetries, WhatTheDeviceDidNotRunIsSentAgainWhateverTheRetries) {
  enum Answer { kUnitAttention, kBusy, kGood };
  struct Case {
    const char* what;
    CommandId id;
    std::vector<Answer> answers;  // the last one repeats
    std::uint8_t passes;
    std::uint32_t attempts;
  };
  const Case cases[] = {
      {"reset left a unit attention", CommandId::JumpToBoot, {kUnitAttention, kGood}, 1, 2},
      {"busy three times", CommandId::EraseByType, {kBusy, kBusy, kBusy, kGood}, 1, 4},
      {"both", CommandId::TesterSetPower, {kUnitAttention, kBusy, kBusy, kBusy, kGood}, 1, 5},
      {"three queued unit attentions", CommandId::JumpToBoot,
       {kUnitAttention, kUnitAttention, kUnitAttention, kGood}, 1, 4},
      {"busy for good", CommandId::EraseByType, {kBusy}, 0, 4},
      {"unit attentions for good", CommandId::JumpToBoot, {kUnitAttention}, 0, 6},
      {"unit attentions past five spend retries", CommandId::ReadRdtInfo,
       {kUnitAttention, kUnitAttention, kUnitAttention, kUnitAttention, kUnitAttention, kUnitAttention, kGood}, 1, 7},
  };
  // The attentions of a reset in the order a drive queues them (ASC, ASCQ).
  const std::pair<std::uint8_t, std::uint8_t> attentions[] = {{0x29, 0x00}, {0x2A, 0x09}, {0x3F, 0x0E}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstalledFakeTransport transport(NumberedDisks(1));
    BridgeMode mode(0);
    std::size_t calls = 0;
    transport->SetAnswer([&](const std::string&, device::PassThroughRequest& request) {
      device::PassThroughResult result;
      const auto [asc, ascq] = attentions[calls % 3];
      switch (c.answers[std::min(calls++, c.answers.size() - 1)]) {
        case kUnitAttention:
          result.scsiStatus = device::kScsiCheckCondition;
          result.sense = {0x70, 0, device::kSenseUnitAttention, 0, 0, 0, 0, 10, 0, 0, 0, 0, asc, ascq};
          result.senseLength = 18;
          break;
        case kBusy: result.scsiStatus = device::kScsiBusy; break;
        case kGood: result.transferred = request.dataLength; break;
      }
      return result;
    });
    CDeviceCommand command(1);
    std::array<std::uint8_t, 512> buffer{};
    std::uint8_t passed = 0;
    switch (c.id) {
      case CommandId::JumpToBoot: passed = command.JumpToBoot(); break;
      case CommandId::EraseByType: passed = command.EraseByType(9, false); break;
      case CommandId::TesterSetPower: passed = command.TesterSetPower(1, 0, 0, 0); break;
      default: passed = command.ReadRdtInfo(buffer); break;
    }
    EXPECT_EQ(passed, c.passes);
    EXPECT_EQ(command.LastAttempts(), c.attempts);
    EXPECT_EQ(transport->Requests().size(), c.attempts);
  }
}

// ---- bad answers ------------------------------------------------------------------------------------

TEST(DeviceCommandFailures, ShortTransferFailsAndKeepsTheCount) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  transport->SetAnswer([](const std::string&, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    result.transferred = request.dataLength - 512;
    return result;
  });
  std::vector<std::uint8_t> buffer(65536);
  CDeviceCommand command(1);
  EXPECT_EQ(command.Get_RDT_Temperature_Time_Log(buffer, 0, 0, 128), 0);
  EXPECT_EQ(command.LastError(), CommandError::ShortTransfer);
  EXPECT_EQ(command.LastTransferred(), 65536u - 512);
  EXPECT_EQ(command.LastAttempts(), 1u);
}

TEST(DeviceCommandFailures, GoodStatusWithErrorSenseFails) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  transport->SetAnswer([](const std::string&, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    result.transferred = request.dataLength;
    result.driverStatus = device::kDriverSenseFlag;
    result.sense = {0x70, 0, device::kSenseMediumError, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x11, 0x04};
    result.senseLength = 18;
    return result;
  });
  std::vector<std::uint8_t> buffer(512);
  CDeviceCommand command(1);
  EXPECT_EQ(command.GetSystemInfo(buffer, 1), 0);
  EXPECT_EQ(command.LastError(), CommandError::CheckCondition);
  EXPECT_EQ(command.LastSenseInfo().senseKey, device::kSenseMediumError);
  EXPECT_EQ(command.LastSenseInfo().ascq, 0x04);
}

// The information field of fixed-format sense holds ATA registers only in the answer to an ATA
// PASS-THROUGH: a vendor command in tester mode travels in a block of its own, and a medium
// error there names the failing block (0x00512345), whose bytes read as registers would be an
// ATA status with ERR set.
TEST(DeviceCommandFailures, FixedSenseOfACommandThatIsNoAtaPassThroughHoldsNoRegisters) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  transport->SetAnswer([](const std::string&, device::PassThroughRequest&) {
    return CheckCondition({0xF0, 0, device::kSenseMediumError, 0x00, 0x51, 0x23, 0x45, 10, 0, 0, 0, 0, 0x11, 0x00},
                          18);
  });
  std::vector<std::uint8_t> buffer(512);
  CDeviceCommand command(1);
  EXPECT_EQ(command.GetSystemInfo(buffer, 1), 0);
  EXPECT_EQ(command.LastError(), CommandError::CheckCondition);
  EXPECT_FALSE(command.HasAtaRegisters());
}

// A vendor command the drive refuses (ABRT), with the registers in the ATA status return or
// in fixed-format sense where Linux's libata puts them before 6.10 and since.
TEST(DeviceCommandFailures, AbortedAtaCommandKeepsTheRegisters) {
  const struct {
    const char* what;
    Sense sense;
    std::uint8_t senseLength;
  } cases[] = {
      {"descriptor format",
       {0x72, device::kSenseAbortedCommand, 0, 0, 0, 0, 0, 14, 0x09, 0x0C, 0, 0x04, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0x51},
       22},
      {"Linux 6.1", {0x70, 0, device::kSenseAbortedCommand, 0, 0, 0, 0, 10, 0x04, 0x51, 0x40, 0, 0, 0, 0, 0, 0x80, 0},
       18},
      {"Linux 6.10", {0xF0, 0, device::kSenseAbortedCommand, 0x04, 0x51, 0x40, 0, 10, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       18},
  };
  for (const auto& refused : cases) {
    SCOPED_TRACE(refused.what);
    InstalledFakeTransport transport(NumberedDisks(1));
    BridgeMode mode(1);
    ListDrives();
    transport->SetAnswer([&refused](const std::string&, device::PassThroughRequest&) {
      return CheckCondition(refused.sense, refused.senseLength);
    });
    std::array<std::uint8_t, 512> buffer{};
    CDeviceCommand command(1);
    EXPECT_EQ(command.SetApKey(buffer), 0);
    EXPECT_EQ(command.LastError(), CommandError::AtaError);
    EXPECT_TRUE(command.HasAtaRegisters());
    EXPECT_EQ(command.LastAtaRegisters().status, 0x51);
    EXPECT_EQ(command.LastAtaRegisters().error, 0x04);
    EXPECT_NE(command.LastErrorMessage().find("Set AP Key"), std::string::npos);
  }
}

TEST(DeviceCommandFailures, GarbageAnswersAreRefused) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  // More bytes moved than asked for.
  transport->SetAnswer([](const std::string&, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    result.transferred = request.dataLength + 1;
    return result;
  });
  std::array<std::uint8_t, 512> buffer{};
  CDeviceCommand command(1);
  EXPECT_EQ(command.ReadEFuse(buffer), 0);
  EXPECT_EQ(command.LastError(), CommandError::BadReply);

  // A sense length beyond the sense buffer and a response code nobody knows.
  transport->SetAnswer([](const std::string&, device::PassThroughRequest&) {
    device::PassThroughResult result;
    result.scsiStatus = device::kScsiCheckCondition;
    result.sense.fill(0xEE);
    result.senseLength = 250;
    return result;
  });
  EXPECT_EQ(command.ReadEFuse(buffer), 0);
  EXPECT_EQ(command.LastError(), CommandError::CheckCondition);
  EXPECT_EQ(command.LastSense().size(), 32u);

  // IDENTIFY data whose integrity word does not add up.
  transport->SetAnswer([](const std::string&, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    request.data[0] = 0x40;
    request.data[510] = 0xA5;
    request.data[511] = 0x00;
    result.transferred = request.dataLength;
    return result;
  });
  EXPECT_EQ(command.Identify(buffer), 0);
  EXPECT_EQ(command.LastError(), CommandError::BadReply);

  // The same data with the right checksum passes.
  transport->SetAnswer([](const std::string&, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    request.data[0] = 0x40;
    request.data[510] = 0xA5;
    request.data[511] = static_cast<std::uint8_t>(0x100 - 0x40 - 0xA5);
    result.transferred = request.dataLength;
    return result;
  });
  EXPECT_EQ(command.Identify(buffer), 1);
}

device::PassThroughResult SmartStatusAnswer(std::uint8_t mid, std::uint8_t high) {
  return CheckCondition({0x72, device::kSenseRecoveredError, 0x00, 0x1D, 0, 0, 0, 14, 0x09, 0x0C, 0x00, 0x00, 0, 0, 0,
                         0, 0, mid, 0, high, 0x00, 0x50},
                        22);
}

TEST(DeviceCommandSmart, ReturnStatusReadsTheRegisters) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  CDeviceCommand command(1);
  bool exceeded = true;

  transport->SetAnswer([](const std::string&, device::PassThroughRequest&) { return SmartStatusAnswer(0x4F, 0xC2); });
  ASSERT_EQ(command.SmartReturnStatus(exceeded), 1);
  EXPECT_FALSE(exceeded);

  transport->SetAnswer([](const std::string&, device::PassThroughRequest&) { return SmartStatusAnswer(0xF4, 0x2C); });
  ASSERT_EQ(command.SmartReturnStatus(exceeded), 1);
  EXPECT_TRUE(exceeded);

  transport->SetAnswer([](const std::string&, device::PassThroughRequest&) { return SmartStatusAnswer(0x12, 0x34); });
  EXPECT_EQ(command.SmartReturnStatus(exceeded), 0);
  EXPECT_EQ(command.LastError(), CommandError::BadReply);

  // A bridge that drops the registers.
  transport->SetAnswer({});
  EXPECT_EQ(command.SmartReturnStatus(exceeded), 0);
  EXPECT_EQ(command.LastError(), CommandError::BadReply);

  // Fixed-format sense with the ATA fields.
  transport->SetAnswer([](const std::string&, device::PassThroughRequest&) {
    device::PassThroughResult result;
    result.scsiStatus = device::kScsiCheckCondition;
    result.sense = {0x70, 0, device::kSenseRecoveredError, 0x00, 0x50, 0x00, 0x00, 10,
                    0x00, 0x00, 0xF4, 0x2C, 0x00, 0x1D};
    result.senseLength = 18;
    return result;
  });
  ASSERT_EQ(command.SmartReturnStatus(exceeded), 1);
  EXPECT_TRUE(exceeded);
}

// CHECK CONDITION with NO SENSE or RECOVERED ERROR: the command ran, and the ATA status it
// brings back (descriptor or fixed format) tells whether it did what was asked.
TEST(DeviceCommandSmart, NoSenseOrRecoveredErrorIsJudgedByTheAtaStatus) {
  const auto descriptor = [](std::uint8_t key, std::uint8_t ascq, std::uint8_t status) {
    return Sense{0x72, key,  0x00, ascq, 0, 0, 0, 14,   0x09, 0x0C, 0x00,
                 0x00, 0,    0,    0,    0, 0, 0x4F, 0, 0xC2, 0x00, status};
  };
  struct Case {
    const char* what;
    Sense sense;
    std::uint8_t senseLength;
    std::uint8_t passes;
    CommandError error;
  };
  const Case cases[] = {
      {"NO SENSE with the ATA status return", descriptor(device::kSenseNoSense, 0x00, 0x50), 22, 1,
       CommandError::None},
      {"NO SENSE, fixed format",
       {0x70, 0, device::kSenseNoSense, 0x00, 0x50, 0x00, 0x00, 10, 0x00, 0x00, 0x4F, 0xC2, 0x00, 0x1D},
       18, 1, CommandError::None},
      {"RECOVERED ERROR", descriptor(device::kSenseRecoveredError, 0x1D, 0x50), 22, 1, CommandError::None},
      {"NO SENSE with ERR", descriptor(device::kSenseNoSense, 0x00, 0x51), 22, 0, CommandError::AtaError},
      {"RECOVERED ERROR with DF", descriptor(device::kSenseRecoveredError, 0x1D, 0x60), 22, 0,
       CommandError::AtaError},
      {"NO SENSE with BSY", descriptor(device::kSenseNoSense, 0x00, 0xD0), 22, 0, CommandError::BadReply},
      {"NO SENSE without registers",
       {0x70, 0, device::kSenseNoSense, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x00, 0x00},
       18, 0, CommandError::CheckCondition},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstalledFakeTransport transport(NumberedDisks(1));
    BridgeMode mode(0);
    transport->SetAnswer(
        [&c](const std::string&, device::PassThroughRequest&) { return CheckCondition(c.sense, c.senseLength); });
    CDeviceCommand command(1);
    bool exceeded = true;
    EXPECT_EQ(command.SmartReturnStatus(exceeded), c.passes);
    EXPECT_EQ(command.LastError(), c.error);
    if (c.passes) {
      EXPECT_FALSE(exceeded) << "LBA mid/high 4F/C2 read from the registers";
    }
  }
}

TEST(DeviceCommandTester, CardDetectCurrentAndInquiry) {
  InstalledFakeTransport transport(NumberedDisks(1));
  BridgeMode mode(0);
  transport->SetAnswer([](const std::string&, device::PassThroughRequest& request) {
    device::PassThroughResult result;
    const auto tester = device::cdb::DecodeTesterCdb(request.cdb);
    if (tester && tester->function == device::Spec(CommandId::TesterCardDetect).code) {
      request.data[0] = device::kCardEmpty;
    } else if (tester && tester->function == device::Spec(CommandId::TesterReadCurrent).code) {
      request.data[0] = 0x39;  // 12345 = 123.45 mA
      request.data[1] = 0x30;
    }
    result.transferred = request.cdb[0] == 0x12 ? 36 : request.dataLength;
    return result;
  });
  CDeviceCommand command(1);
  std::uint8_t state = 0;
  ASSERT_EQ(command.TesterCardDetect(state), 1);
  EXPECT_EQ(state, device::kCardEmpty);
  double milliamps = 0;
  ASSERT_EQ(command.TesterReadCurrent(device::kCurrentMaximum, milliamps), 1);
  EXPECT_DOUBLE_EQ(milliamps, 123.45);
  std::array<std::uint8_t, 96> inquiry{};
  ASSERT_EQ(command.Inquiry(inquiry), 1) << "an INQUIRY may answer with fewer bytes than asked";
  EXPECT_EQ(command.LastTransferred(), 36u);
}

}  // namespace
