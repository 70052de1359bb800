// The simulated station knows its commands by bytes of its own: the station's command table
// must name every command as the simulated drives and boards know it, and a block that names
// no command the drive knows is refused the way a drive refuses it.
#include <gtest/gtest.h>

#include <set>

#include "SimRequests.h"
#include "sim/KnownCommands.h"
#include "sim/ScsiReplies.h"
#include "sim/SlotCommands.h"

namespace {

using device::CommandFamily;
using device::CommandId;

TEST(SimKnownCommands, TheStationTableNamesEveryCommandAsTheSimulatorKnowsIt) {
  std::set<CommandId> known;
  for (const sim::KnownCommand& command : sim::KnownCommands()) {
    const device::CommandSpec& spec = device::Spec(command.id);
    SCOPED_TRACE(spec.name);
    EXPECT_TRUE(known.insert(command.id).second) << "known twice";
    EXPECT_EQ(spec.family, command.family);
    EXPECT_EQ(spec.code, command.code);
    // DOWNLOAD MICROCODE's features are its subcommand, chosen by the caller.
    if (command.family != CommandFamily::Ata || command.code == 0xB0) {
      EXPECT_EQ(spec.subOperation, command.subOperation);
    }
    EXPECT_EQ(spec.protocol, command.protocol);
    EXPECT_EQ(sim::FindKnownCommand(command.family, command.code, command.subOperation), &command)
        << "two commands share their bytes";
  }
  EXPECT_EQ(known.size(), device::kCommandCount) << "a command of the station that the simulator does not know";
}

using Block = std::array<std::uint8_t, 16>;

sim::DecodedCommand Decode(const Block& block) {
  device::PassThroughRequest request;
  request.cdb = block;
  request.cdbLength = 16;
  return sim::DecodeCommand(request);
}

TEST(SimKnownCommands, BlocksAreToldApartByTheirOwnBytes) {
  // IDENTIFY DEVICE, one sector in by PIO.
  const auto identify = Decode({0x85, 0x08, 0x0E, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0xEC, 0});
  ASSERT_NE(identify.spec, nullptr);
  EXPECT_EQ(identify.spec->id, CommandId::IdentifyDevice);
  // The same block with an opcode no drive has.
  EXPECT_EQ(Decode({0x85, 0x08, 0x0E, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0xEE, 0}).spec, nullptr);
  // SMART RETURN STATUS and SMART READ DATA: one ATA code, told apart by the features.
  const auto status = Decode({0x85, 0x06, 0x20, 0, 0xDA, 0, 0, 0, 0, 0, 0x4F, 0, 0xC2, 0, 0xB0, 0});
  ASSERT_NE(status.spec, nullptr);
  EXPECT_EQ(status.spec->id, CommandId::SmartReturnStatus);
  EXPECT_EQ(Decode({0x85, 0x06, 0x20, 0, 0xDB, 0, 0, 0, 0, 0, 0x4F, 0, 0xC2, 0, 0xB0, 0}).spec, nullptr);
  // DOWNLOAD MICROCODE with either subcommand in its features.
  for (const std::uint8_t subcommand : {0x03, 0x07}) {
    const auto download = Decode({0x85, 0x0A, 0x06, 0, subcommand, 0, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x92, 0});
    ASSERT_NE(download.spec, nullptr);
    EXPECT_EQ(download.spec->id, CommandId::DownloadMicrocode);
  }
  // The RDT bad-block log in the vendor block and in its bridge form.
  const auto vendor = Decode({0xF0, 0x21, 0x50, 0x01, 0x00, 0x80, 0, 0, 0, 0, 0x01, 0x00, 0x40, 0, 0, 0});
  const auto bridge = Decode({0x85, 0x09, 0x0E, 0, 0x50, 0x00, 0x80, 0, 0, 0, 0x01, 0, 0, 0x40, 0x21, 0});
  for (const auto* decoded : {&vendor, &bridge}) {
    ASSERT_NE(decoded->spec, nullptr);
    EXPECT_EQ(decoded->spec->id, CommandId::GetRdtBadBlockLog);
    EXPECT_EQ(decoded->vendor.argument, 0x100u);
    EXPECT_EQ(decoded->dataBytes, 128u * 512);
    EXPECT_FALSE(decoded->invalidField);
  }
  // A vendor block that moves its data the other way than the drive does.
  EXPECT_TRUE(Decode({0xF0, 0x21, 0x50, 0x02, 0x00, 0x80, 0, 0, 0, 0, 0x01, 0x00, 0x40, 0, 0, 0}).invalidField);
  // A tester function the boards do not have.
  EXPECT_EQ(Decode({0xF1, 0x06, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).spec, nullptr);
}

TEST(SimKnownCommands, ADriveRefusesAnOpcodeItDoesNotHave) {
  auto station = simtest::MakeStation({1});
  sim::SimTransport transport(station);
  simtest::Request request;
  request.request.cdb = {0x85, 0x08, 0x0E, 0, 0, 0, 0x01, 0, 0, 0, 0, 0, 0, 0x40, 0xEE, 0};
  request.request.cdbLength = 16;
  request.request.direction = device::DataDirection::In;
  request.buffer.assign(512, 0xA5);
  const auto result = simtest::Send(transport, transport.DevicePathOfDrive(1), request);
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(simtest::SenseKey(result), sim::kSenseIllegalRequest);
  EXPECT_EQ(result.transferred, 0u);

  request.request.cdb[14] = 0xEC;
  request.buffer.assign(512, 0xA5);
  EXPECT_TRUE(simtest::Send(transport, transport.DevicePathOfDrive(1), request).Succeeded());
}

}  // namespace
