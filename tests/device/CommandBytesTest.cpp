// Every command's block as the bytes a drive and a tester board must see, in tester mode and
// in bridge mode: the blocks are written out in CommandCalls.cpp from the ATA command set,
// the SCSI/ATA translation standard, the controller's codes and the codes we chose, so a
// wrong byte in the station's command table or block builders fails here.
#include <gtest/gtest.h>

#include "CommandCalls.h"

namespace {

using devicetest::CommandCall;
using devicetest::HexOf;
using devicetest::RecordedRequest;

void ExpectLiteralBlock(const CommandCall& call, const RecordedRequest& request, bool bridge) {
  SCOPED_TRACE(device::Spec(call.id).name);
  const devicetest::Block& expected = bridge && call.bridgeBlock ? *call.bridgeBlock : call.block;
  EXPECT_EQ(HexOf(request.cdb), HexOf(expected));
  EXPECT_EQ(request.cdbLength, call.blockLength);
  EXPECT_EQ(request.dataLength, call.dataBytes);
}

TEST(CommandBytes, EveryCommandSendsItsBlockInTesterMode) {
  devicetest::SendEveryCall(false, [](const CommandCall& call, const RecordedRequest& request) {
    ExpectLiteralBlock(call, request, false);
  });
}

TEST(CommandBytes, EveryCommandSendsItsBlockInBridgeMode) {
  devicetest::SendEveryCall(true, [](const CommandCall& call, const RecordedRequest& request) {
    ExpectLiteralBlock(call, request, true);
  });
}

}  // namespace
