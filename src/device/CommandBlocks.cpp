#include "device/CommandBlocks.h"

#include "device/ByteOrder.h"

namespace device {

bool IsDataIn(TransferProtocol protocol) {
  return protocol == TransferProtocol::PioIn || protocol == TransferProtocol::DmaIn;
}

bool IsDataOut(TransferProtocol protocol) {
  return protocol == TransferProtocol::PioOut || protocol == TransferProtocol::DmaOut;
}

namespace cdb {
namespace {

std::uint8_t SatProtocolOf(TransferProtocol protocol) {
  switch (protocol) {
    case TransferProtocol::PioIn: return kSatProtocolPioIn;
    case TransferProtocol::PioOut: return kSatProtocolPioOut;
    case TransferProtocol::DmaIn:
    case TransferProtocol::DmaOut: return kSatProtocolDma;
    case TransferProtocol::NonData: break;
  }
  return kSatProtocolNonData;
}

std::optional<TransferProtocol> ProtocolFromByte(std::uint8_t value) {
  if (value > static_cast<std::uint8_t>(TransferProtocol::DmaOut)) return std::nullopt;
  return static_cast<TransferProtocol>(value);
}

}  // namespace

AtaPassThrough16 BuildAtaPassThrough(const AtaTaskFile& taskFile, TransferProtocol protocol, bool extend,
                                     bool checkCondition) {
  AtaPassThrough16 block{};
  block.opcode = kAtaPassThrough16Opcode;
  block.protocolExtend = static_cast<std::uint8_t>((SatProtocolOf(protocol) << 1) | (extend ? 1 : 0));
  std::uint8_t flags = checkCondition ? kSatCheckCondition : 0;
  if (protocol != TransferProtocol::NonData) {
    flags |= kSatByteBlock | kSatLengthInCount;
    if (IsDataIn(protocol)) flags |= kSatDirectionIn;
  }
  block.transferFlags = flags;
  block.featuresLow = static_cast<std::uint8_t>(taskFile.features);
  block.countLow = static_cast<std::uint8_t>(taskFile.count);
  block.lba7_0 = static_cast<std::uint8_t>(taskFile.lba);
  block.lba15_8 = static_cast<std::uint8_t>(taskFile.lba >> 8);
  block.lba23_16 = static_cast<std::uint8_t>(taskFile.lba >> 16);
  if (extend) {
    block.featuresHigh = static_cast<std::uint8_t>(taskFile.features >> 8);
    block.countHigh = static_cast<std::uint8_t>(taskFile.count >> 8);
    block.lba31_24 = static_cast<std::uint8_t>(taskFile.lba >> 24);
    block.lba39_32 = static_cast<std::uint8_t>(taskFile.lba >> 32);
    block.lba47_40 = static_cast<std::uint8_t>(taskFile.lba >> 40);
  }
  block.device = taskFile.device;
  block.command = taskFile.command;
  return block;
}

std::optional<AtaPassThroughFields> DecodeAtaPassThrough(const std::array<std::uint8_t, 16>& bytes) {
  const auto block = FromBytes<AtaPassThrough16>(bytes);
  if (block.opcode != kAtaPassThrough16Opcode) return std::nullopt;

  AtaPassThroughFields fields;
  fields.extend = (block.protocolExtend & 0x01) != 0;
  fields.checkCondition = (block.transferFlags & kSatCheckCondition) != 0;
  const std::uint8_t satProtocol = (block.protocolExtend >> 1) & 0x0F;
  const bool directionIn = (block.transferFlags & kSatDirectionIn) != 0;
  const std::uint8_t lengthField = block.transferFlags & 0x03;
  switch (satProtocol) {
    case kSatProtocolNonData: fields.protocol = TransferProtocol::NonData; break;
    case kSatProtocolPioIn: fields.protocol = TransferProtocol::PioIn; break;
    case kSatProtocolPioOut: fields.protocol = TransferProtocol::PioOut; break;
    case kSatProtocolDma: fields.protocol = directionIn ? TransferProtocol::DmaIn : TransferProtocol::DmaOut; break;
    default: return std::nullopt;
  }
  if (fields.protocol == TransferProtocol::NonData) {
    if (lengthField != 0) return std::nullopt;
  } else {
    if (lengthField != kSatLengthInCount || (block.transferFlags & kSatByteBlock) == 0 ||
        (block.transferFlags & kSatTransferType) != 0 || directionIn != IsDataIn(fields.protocol)) {
      return std::nullopt;
    }
  }

  AtaTaskFile& file = fields.taskFile;
  file.features = block.featuresLow;
  file.count = block.countLow;
  file.lba = static_cast<std::uint64_t>(block.lba7_0) | (static_cast<std::uint64_t>(block.lba15_8) << 8) |
             (static_cast<std::uint64_t>(block.lba23_16) << 16);
  if (fields.extend) {
    file.features |= static_cast<std::uint16_t>(block.featuresHigh << 8);
    file.count |= static_cast<std::uint16_t>(block.countHigh << 8);
    file.lba |= (static_cast<std::uint64_t>(block.lba31_24) << 24) | (static_cast<std::uint64_t>(block.lba39_32) << 32) |
                (static_cast<std::uint64_t>(block.lba47_40) << 40);
  }
  file.device = block.device;
  file.command = block.command;
  if (fields.protocol != TransferProtocol::NonData) {
    // A count of 0 means 65536 sectors in the 48-bit form and 256 in the 28-bit form.
    fields.transferSectors = file.count != 0 ? file.count : (fields.extend ? 65536u : 256u);
  }
  return fields;
}

VendorCdb BuildVendorCdb(const VendorFields& fields) {
  VendorCdb block{};
  block.opcode = kVendorCdbOpcode;
  block.command = fields.command;
  block.subOperation = fields.subOperation;
  block.protocol = static_cast<std::uint8_t>(fields.protocol);
  block.countHigh = static_cast<std::uint8_t>(fields.count >> 8);
  block.countLow = static_cast<std::uint8_t>(fields.count);
  StoreBigEndian(block.argument, 6, fields.argument);
  block.device = fields.device;
  return block;
}

std::optional<VendorFields> DecodeVendorCdb(const std::array<std::uint8_t, 16>& bytes) {
  const auto block = FromBytes<VendorCdb>(bytes);
  if (block.opcode != kVendorCdbOpcode) return std::nullopt;
  const auto protocol = ProtocolFromByte(block.protocol);
  if (!protocol) return std::nullopt;
  VendorFields fields;
  fields.command = block.command;
  fields.subOperation = block.subOperation;
  fields.protocol = *protocol;
  fields.count = static_cast<std::uint16_t>((block.countHigh << 8) | block.countLow);
  fields.argument = LoadBigEndian(block.argument, 6);
  fields.device = block.device;
  return fields;
}

AtaPassThrough16 RewriteVendorAsAtaPassThrough(const VendorFields& fields) {
  AtaTaskFile file;
  file.features = fields.subOperation;
  file.count = fields.count;
  file.lba = fields.argument & 0xFFFFFFFFFFFFull;
  file.device = fields.device;
  file.command = fields.command;
  return BuildAtaPassThrough(file, fields.protocol, true, false);
}

VendorFields VendorFieldsOfAtaPassThrough(const AtaPassThroughFields& fields) {
  VendorFields vendor;
  vendor.command = fields.taskFile.command;
  vendor.subOperation = static_cast<std::uint8_t>(fields.taskFile.features);
  vendor.protocol = fields.protocol;
  vendor.count = fields.taskFile.count;
  vendor.argument = fields.taskFile.lba;
  vendor.device = fields.taskFile.device;
  return vendor;
}

TesterCdb BuildTesterCdb(const TesterFields& fields) {
  TesterCdb block{};
  block.opcode = kTesterCdbOpcode;
  block.function = fields.function;
  block.protocol = static_cast<std::uint8_t>(fields.protocol);
  for (std::size_t i = 0; i < 4; ++i) block.parameter[i] = fields.parameters[i];
  StoreBigEndian(block.transferLength, 4, fields.transferLength);
  return block;
}

std::optional<TesterFields> DecodeTesterCdb(const std::array<std::uint8_t, 16>& bytes) {
  const auto block = FromBytes<TesterCdb>(bytes);
  if (block.opcode != kTesterCdbOpcode) return std::nullopt;
  const auto protocol = ProtocolFromByte(block.protocol);
  if (!protocol || *protocol == TransferProtocol::DmaIn || *protocol == TransferProtocol::DmaOut) {
    return std::nullopt;
  }
  TesterFields fields;
  fields.function = block.function;
  fields.protocol = *protocol;
  for (std::size_t i = 0; i < 4; ++i) fields.parameters[i] = block.parameter[i];
  fields.transferLength = static_cast<std::uint32_t>(LoadBigEndian(block.transferLength, 4));
  return fields;
}

InquiryCdb BuildInquiryCdb(std::uint16_t allocationLength) {
  InquiryCdb block{};
  block.opcode = kInquiryOpcode;
  block.allocationHigh = static_cast<std::uint8_t>(allocationLength >> 8);
  block.allocationLow = static_cast<std::uint8_t>(allocationLength);
  return block;
}

std::optional<std::uint16_t> DecodeInquiryCdb(const std::array<std::uint8_t, 16>& bytes) {
  if (bytes[0] != kInquiryOpcode || (bytes[1] & 0x01) != 0 || bytes[2] != 0) return std::nullopt;
  return static_cast<std::uint16_t>((bytes[3] << 8) | bytes[4]);
}

ReadCapacity16Cdb BuildReadCapacity16Cdb(std::uint32_t allocationLength) {
  ReadCapacity16Cdb block{};
  block.opcode = kServiceActionIn16Opcode;
  block.serviceAction = kReadCapacity16ServiceAction;
  StoreBigEndian(block.allocationLength, 4, allocationLength);
  return block;
}

std::optional<std::uint32_t> DecodeReadCapacity16Cdb(const std::array<std::uint8_t, 16>& bytes) {
  if (bytes[0] != kServiceActionIn16Opcode || (bytes[1] & 0x1F) != kReadCapacity16ServiceAction) {
    return std::nullopt;
  }
  return static_cast<std::uint32_t>(LoadBigEndian(&bytes[10], 4));
}

ReadCapacity10Cdb BuildReadCapacity10Cdb() {
  ReadCapacity10Cdb block{};
  block.opcode = kReadCapacity10Opcode;
  return block;
}

bool IsReadCapacity10Cdb(const std::array<std::uint8_t, 16>& bytes) {
  return bytes[0] == kReadCapacity10Opcode && (bytes[8] & 0x01) == 0;
}

}  // namespace cdb
}  // namespace device
