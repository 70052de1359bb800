#include "sim/ScsiReplies.h"

#include <algorithm>
#include <cstring>

#include "device/ByteOrder.h"
#include "platform/Text.h"

namespace sim {

namespace {
constexpr std::uint8_t kFixedSenseCode = 0x70;
constexpr std::uint8_t kDescriptorSenseCode = 0x72;
using device::kAtaStatusReturnDescriptor;
constexpr std::uint8_t kAtaStatusReturnLength = 0x0C;

void PutPadded(char* field, std::size_t size, const std::string& text) {
  std::memset(field, ' ', size);
  std::memcpy(field, text.data(), std::min(size, text.size()));
}
}  // namespace

void SetFixedSense(device::PassThroughResult& result, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  result.scsiStatus = device::kScsiCheckCondition;
  result.driverStatus = device::kDriverSenseFlag;
  result.sense.fill(0);
  result.sense[0] = kFixedSenseCode;
  result.sense[2] = key;
  result.sense[7] = 10;  // additional length
  result.sense[12] = asc;
  result.sense[13] = ascq;
  result.senseLength = 18;
}

void SetAtaSense(device::PassThroughResult& result, std::uint8_t key, std::uint8_t asc, std::uint8_t ascq,
                 const device::AtaOutputRegisters& registers) {
  result.scsiStatus = device::kScsiCheckCondition;
  result.driverStatus = device::kDriverSenseFlag;
  result.sense.fill(0);
  result.sense[0] = kDescriptorSenseCode;
  result.sense[1] = key;
  result.sense[2] = asc;
  result.sense[3] = ascq;
  result.sense[7] = 2 + kAtaStatusReturnLength;  // additional length: one descriptor
  std::uint8_t* descriptor = result.sense.data() + 8;
  descriptor[0] = kAtaStatusReturnDescriptor;
  descriptor[1] = kAtaStatusReturnLength;
  descriptor[2] = 0x01;  // EXTEND: the high bytes are valid
  descriptor[3] = registers.error;
  descriptor[4] = static_cast<std::uint8_t>(registers.count >> 8);
  descriptor[5] = static_cast<std::uint8_t>(registers.count);
  descriptor[6] = static_cast<std::uint8_t>(registers.lba >> 24);
  descriptor[7] = static_cast<std::uint8_t>(registers.lba);
  descriptor[8] = static_cast<std::uint8_t>(registers.lba >> 32);
  descriptor[9] = static_cast<std::uint8_t>(registers.lba >> 8);
  descriptor[10] = static_cast<std::uint8_t>(registers.lba >> 40);
  descriptor[11] = static_cast<std::uint8_t>(registers.lba >> 16);
  descriptor[12] = registers.device;
  descriptor[13] = registers.status;
  result.senseLength = 8 + 2 + kAtaStatusReturnLength;
}

device::InquiryData EncodeTesterInquiry(const std::string& product, std::uint8_t versionMajor,
                                        std::uint8_t versionMinor, std::uint8_t testerNumber) {
  device::InquiryData data;
  std::memset(&data, 0, sizeof(data));
  data.peripheral = 0x00;  // direct-access device
  data.removable = 0x80;
  data.version = 0x06;
  data.responseFormat = 0x02;
  data.additionalLength = static_cast<std::uint8_t>(sizeof(data) - 5);
  PutPadded(data.vendor, sizeof(data.vendor), std::string(device::kTesterVendor));
  PutPadded(data.product, sizeof(data.product), product);
  PutPadded(data.revision, sizeof(data.revision), platform::Format("%d%02x", versionMajor, versionMinor));
  data.testerNumber = testerNumber;
  return data;
}

device::ReadCapacity16Data EncodeReadCapacity16(std::uint64_t sectors) {
  device::ReadCapacity16Data data;
  std::memset(&data, 0, sizeof(data));
  device::StoreBigEndian(data.lastLba, 8, sectors == 0 ? 0 : sectors - 1);
  device::StoreBigEndian(data.blockLength, 4, 512);
  return data;
}

device::ReadCapacity10Data EncodeReadCapacity10(std::uint64_t sectors) {
  device::ReadCapacity10Data data;
  const std::uint64_t lastLba = sectors == 0 ? 0 : sectors - 1;
  device::StoreBigEndian(data.lastLba, 4, std::min<std::uint64_t>(lastLba, device::kReadCapacity10Overflow));
  device::StoreBigEndian(data.blockLength, 4, 512);
  return data;
}

}  // namespace sim
