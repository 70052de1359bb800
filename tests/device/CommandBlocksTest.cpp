// Byte-exact checks of the command blocks against the ATA PASS-THROUGH (16) layout of the
// SCSI/ATA translation standard and against the vendor command table.
#include <gtest/gtest.h>

#include "device/CommandBlocks.h"
#include "device/VendorCommands.h"

namespace {

using device::AtaTaskFile;
using device::TransferProtocol;
using Bytes = std::array<std::uint8_t, 16>;

TEST(AtaPassThroughBlock, IdentifyDeviceIsPioInOneSector) {
  AtaTaskFile file;
  file.count = 1;
  file.command = 0xEC;
  const Bytes expected{0x85, 0x08, 0x0E, 0x00, 0x00, 0x00, 0x01, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xEC, 0x00};
  EXPECT_EQ(device::cdb::ToBytes(device::cdb::BuildAtaPassThrough(file, TransferProtocol::PioIn, false, false)),
            expected);
}

TEST(AtaPassThroughBlock, SmartReturnStatusAsksForTheRegisters) {
  AtaTaskFile file;
  file.features = 0xDA;
  file.lba = device::kSmartSignatureLba;
  file.command = 0xB0;
  const Bytes expected{0x85, 0x06, 0x20, 0x00, 0xDA, 0x00, 0x00, 0x00,
                       0x00, 0x00, 0x4F, 0x00, 0xC2, 0x00, 0xB0, 0x00};
  EXPECT_EQ(device::cdb::ToBytes(device::cdb::BuildAtaPassThrough(file, TransferProtocol::NonData, false, true)),
            expected);
}

TEST(AtaPassThroughBlock, ReadDmaExtCarriesAll48LbaBitsAndTheWideCount) {
  AtaTaskFile file;
  file.count = 0x0100;
  file.lba = 0xAB123456789Aull;
  file.device = device::kAtaDeviceLba;
  file.command = 0x25;
  const Bytes expected{0x85, 0x0D, 0x0E, 0x00, 0x00, 0x01, 0x00, 0x34,
                       0x9A, 0x12, 0x78, 0xAB, 0x56, 0x40, 0x25, 0x00};
  const auto block = device::cdb::BuildAtaPassThrough(file, TransferProtocol::DmaIn, true, false);
  EXPECT_EQ(device::cdb::ToBytes(block), expected);

  const auto fields = device::cdb::DecodeAtaPassThrough(expected);
  ASSERT_TRUE(fields.has_value());
  EXPECT_EQ(fields->protocol, TransferProtocol::DmaIn);
  EXPECT_TRUE(fields->extend);
  EXPECT_EQ(fields->taskFile.lba, 0xAB123456789Aull);
  EXPECT_EQ(fields->taskFile.count, 0x0100);
  EXPECT_EQ(fields->transferSectors, 0x0100u);
  EXPECT_EQ(fields->taskFile.command, 0x25);
}

TEST(AtaPassThroughBlock, A28BitBlockDropsTheHighRegisterBytes) {
  AtaTaskFile file;
  file.features = 0x1203;
  file.count = 0x0405;
  file.lba = 0x0000FF123456ull;
  file.command = 0x92;
  const auto bytes = device::cdb::ToBytes(device::cdb::BuildAtaPassThrough(file, TransferProtocol::PioOut, false, false));
  EXPECT_EQ(bytes[3], 0x00);
  EXPECT_EQ(bytes[4], 0x03);
  EXPECT_EQ(bytes[5], 0x00);
  EXPECT_EQ(bytes[6], 0x05);
  EXPECT_EQ(bytes[7], 0x00);
  EXPECT_EQ(bytes[9], 0x00);
  EXPECT_EQ(bytes[11], 0x00);
  const auto fields = device::cdb::DecodeAtaPassThrough(bytes);
  ASSERT_TRUE(fields.has_value());
  EXPECT_EQ(fields->taskFile.lba, 0x123456u);
  EXPECT_EQ(fields->transferSectors, 5u);
}

TEST(AtaPassThroughBlock, DecodeRefusesForeignAndInconsistentBlocks) {
  Bytes bytes{0x85, 0x08, 0x0E, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0xEC, 0};
  EXPECT_TRUE(device::cdb::DecodeAtaPassThrough(bytes).has_value());
  Bytes wrongOpcode = bytes;
  wrongOpcode[0] = 0xA1;
  EXPECT_FALSE(device::cdb::DecodeAtaPassThrough(wrongOpcode).has_value());
  Bytes directionOut = bytes;
  directionOut[2] = 0x06;  // PIO in without T_DIR
  EXPECT_FALSE(device::cdb::DecodeAtaPassThrough(directionOut).has_value());
  Bytes lengthInFeatures = bytes;
  lengthInFeatures[2] = 0x0D;
  EXPECT_FALSE(device::cdb::DecodeAtaPassThrough(lengthInFeatures).has_value());
  Bytes resetProtocol = bytes;
  resetProtocol[1] = 0x00;
  EXPECT_FALSE(device::cdb::DecodeAtaPassThrough(resetProtocol).has_value());
}

TEST(VendorBlock, DecodeRefusesAnUnknownProtocol) {
  Bytes bytes{0xF0, 0x21, 0x50, 0x07, 0, 1, 0, 0, 0, 0, 0, 0, 0x40, 0, 0, 0};
  EXPECT_FALSE(device::cdb::DecodeVendorCdb(bytes).has_value());
  bytes[3] = 0x01;
  bytes[0] = 0x85;
  EXPECT_FALSE(device::cdb::DecodeVendorCdb(bytes).has_value());
}

TEST(TesterBlock, CarriesFunctionParametersAndByteLength) {
  device::cdb::TesterFields fields;
  fields.function = 0x04;
  fields.protocol = TransferProtocol::PioIn;
  fields.parameters = {1, 2, 3, 4};
  fields.transferLength = 528;
  const Bytes expected{0xF1, 0x04, 0x01, 0x01, 0x02, 0x03, 0x04, 0x00,
                       0x00, 0x02, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(device::cdb::ToBytes(device::cdb::BuildTesterCdb(fields)), expected);
  const auto decoded = device::cdb::DecodeTesterCdb(expected);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->transferLength, 528u);
  EXPECT_EQ(decoded->parameters[3], 4);
  Bytes dma = expected;
  dma[2] = static_cast<std::uint8_t>(TransferProtocol::DmaIn);
  EXPECT_FALSE(device::cdb::DecodeTesterCdb(dma).has_value());
}

TEST(ScsiBlocks, InquiryAndReadCapacity16) {
  const Bytes inquiry{0x12, 0x00, 0x00, 0x00, 0x60, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(device::cdb::ToBytes(device::cdb::BuildInquiryCdb(96)), inquiry);
  EXPECT_EQ(device::cdb::DecodeInquiryCdb(inquiry), std::optional<std::uint16_t>(96));
  Bytes vpd = inquiry;
  vpd[1] = 1;
  EXPECT_FALSE(device::cdb::DecodeInquiryCdb(vpd).has_value());

  const Bytes capacity{0x9E, 0x10, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00};
  EXPECT_EQ(device::cdb::ToBytes(device::cdb::BuildReadCapacity16Cdb(32)), capacity);
  EXPECT_EQ(device::cdb::DecodeReadCapacity16Cdb(capacity), std::optional<std::uint32_t>(32));
}

TEST(VendorCommandTable, GivenCodesAndLookups) {
  const auto& badBlockLog = device::Spec(device::CommandId::GetRdtBadBlockLog);
  EXPECT_EQ(badBlockLog.code, 0x21);
  EXPECT_EQ(badBlockLog.subOperation, 0x50);
  EXPECT_EQ(badBlockLog.maxSectors, 128u);
  const auto& specialLog = device::Spec(device::CommandId::GetRdtBadBlockSpecialLog);
  EXPECT_EQ(specialLog.code, 0x21);
  EXPECT_EQ(specialLog.subOperation, 0x54);
  EXPECT_EQ(specialLog.protocol, TransferProtocol::PioIn);
  EXPECT_EQ(device::FindCommand(device::CommandFamily::Vendor, 0x21, 0x54), &specialLog);
  EXPECT_EQ(device::FindCommand(device::CommandFamily::Ata, 0x21, 0x54), nullptr);
  EXPECT_EQ(device::TransferBytes(specialLog, 128), 65536u);
  EXPECT_EQ(device::TransferBytes(specialLog, 129), 0u);
  EXPECT_EQ(device::TransferBytes(specialLog, 0), 0u);
  EXPECT_EQ(device::TransferBytes(device::Spec(device::CommandId::TesterReadUsbPage), 0), 528u);
}

TEST(VendorCommandTable, EveryEntryIsConsistent) {
  for (const auto& spec : device::kCommandTable) {
    SCOPED_TRACE(spec.name);
    const bool hasData = spec.protocol != TransferProtocol::NonData;
    EXPECT_EQ(hasData, spec.transfer != device::TransferRule::None);
    if (spec.transfer == device::TransferRule::FixedBytes) {
      EXPECT_GT(spec.fixedBytes, 0u);
    }
    if (spec.transfer == device::TransferRule::CallerSectors) {
      EXPECT_GT(spec.maxSectors, 0u);
    }
    EXPECT_GT(spec.timeoutSeconds, 0);
    if (spec.family == device::CommandFamily::Vendor) {
      EXPECT_TRUE(spec.extend);
    }
    if (spec.family == device::CommandFamily::Tester) {
      EXPECT_NE(spec.protocol, TransferProtocol::DmaIn);
      EXPECT_NE(spec.protocol, TransferProtocol::DmaOut);
    }
    // A command that changes the drive is never sent twice by the device layer.
    if (device::IsDataOut(spec.protocol)) {
      EXPECT_EQ(spec.retries, 0);
    }
  }
}

}  // namespace
