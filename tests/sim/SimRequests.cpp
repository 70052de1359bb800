#include "SimRequests.h"

#include <algorithm>

namespace simtest {

using device::CommandId;

namespace {
device::DataDirection DirectionOf(device::TransferProtocol protocol) {
  if (device::IsDataIn(protocol)) return device::DataDirection::In;
  if (device::IsDataOut(protocol)) return device::DataDirection::Out;
  return device::DataDirection::None;
}

std::uint32_t BytesOf(const device::CommandSpec& spec, std::uint32_t sectors) {
  return spec.transfer == device::TransferRule::None ? 0 : device::TransferBytes(spec, sectors);
}
}  // namespace

Request Vendor(CommandId id, std::uint64_t argument, std::uint32_t sectors, bool bridge) {
  const auto& spec = device::Spec(id);
  const std::uint32_t bytes = BytesOf(spec, sectors);
  device::cdb::VendorFields fields;
  fields.command = spec.code;
  fields.subOperation = spec.subOperation;
  fields.protocol = spec.protocol;
  fields.count = static_cast<std::uint16_t>(bytes / device::kSectorSize);
  fields.argument = argument;
  fields.device = device::kAtaDeviceLba;
  Request request;
  request.request.cdb = bridge ? device::cdb::ToBytes(device::cdb::RewriteVendorAsAtaPassThrough(fields))
                               : device::cdb::ToBytes(device::cdb::BuildVendorCdb(fields));
  request.request.cdbLength = 16;
  request.request.direction = DirectionOf(spec.protocol);
  request.buffer.assign(bytes, 0);
  return request;
}

Request Ata(CommandId id, std::uint64_t lba, std::uint32_t sectors, bool checkCondition, std::uint16_t features) {
  const auto& spec = device::Spec(id);
  const std::uint32_t bytes = spec.transfer == device::TransferRule::FixedBytes ? spec.fixedBytes : BytesOf(spec, sectors);
  device::AtaTaskFile registers;
  registers.command = spec.code;
  registers.features = features != 0 ? features : spec.subOperation;
  registers.count = static_cast<std::uint16_t>(bytes / device::kSectorSize);
  registers.lba = lba;
  registers.device = device::kAtaDeviceLba;
  Request request;
  request.request.cdb = device::cdb::ToBytes(
      device::cdb::BuildAtaPassThrough(registers, spec.protocol, spec.extend, checkCondition || spec.returnsRegisters));
  request.request.cdbLength = 16;
  request.request.direction = DirectionOf(spec.protocol);
  request.buffer.assign(bytes, 0);
  return request;
}

Request Tester(CommandId id, std::array<std::uint8_t, 4> parameters) {
  const auto& spec = device::Spec(id);
  device::cdb::TesterFields fields;
  fields.function = spec.code;
  fields.protocol = spec.protocol;
  fields.parameters = parameters;
  fields.transferLength = BytesOf(spec, 0);
  Request request;
  request.request.cdb = device::cdb::ToBytes(device::cdb::BuildTesterCdb(fields));
  request.request.cdbLength = 16;
  request.request.direction = DirectionOf(spec.protocol);
  request.buffer.assign(fields.transferLength, 0);
  return request;
}

Request Inquiry(std::uint16_t allocation) {
  Request request;
  request.request.cdb = device::cdb::ToBytes(device::cdb::BuildInquiryCdb(allocation));
  request.request.cdbLength = 6;
  request.request.direction = device::DataDirection::In;
  request.buffer.assign(allocation, 0);
  return request;
}

void Fill(Request& request, std::span<const std::uint8_t> bytes) {
  std::copy_n(bytes.begin(), std::min(bytes.size(), request.buffer.size()), request.buffer.begin());
}

std::shared_ptr<sim::SimStation> MakeStation(const std::vector<unsigned>& slotsPerBoard,
                                             const sim::DriveProfile& profile) {
  auto station = std::make_shared<sim::SimStation>();
  unsigned firstTester = 1;
  for (unsigned slots : slotsPerBoard) {
    sim::BoardProfile board;
    board.slots = slots;
    board.firstTesterNumber = firstTester;
    firstTester += slots;
    auto& added = station->AddBoard(board);
    for (unsigned slot = 1; slot <= slots; ++slot) {
      sim::DriveProfile drive = profile;
      drive.badBlocks.seed = firstTester * 100 + slot;
      added.Slot(slot).Insert(std::make_shared<sim::SimDrive>(drive, "SIMTEST" + std::to_string(slot)));
    }
  }
  return station;
}

device::PassThroughResult Send(sim::SimTransport& transport, const std::string& path, Request& request) {
  return transport.Execute(path, request.Get());
}

std::uint8_t SenseKey(const device::PassThroughResult& result) {
  if (result.senseLength == 0) return 0;
  if ((result.sense[0] & 0x7F) == 0x72) return result.sense[1] & 0x0F;
  return result.sense[2] & 0x0F;
}

}  // namespace simtest
