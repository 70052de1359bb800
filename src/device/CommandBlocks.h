#pragma once
// The command blocks (CDBs) the station sends, as structs with named fields, and the one
// routine per block that builds it and the one that reads it back (the simulator decodes
// with the same code).
//
//  - ATA PASS-THROUGH (16), SCSI/ATA translation (SAT): every ATA command (IDENTIFY DEVICE,
//    SMART, security, DOWNLOAD MICROCODE, STANDBY IMMEDIATE, DMA and PIO reads and writes),
//    and in bridge mode (g_U2AMode) every vendor command too.
//  - The vendor command block (opcode kVendorCdbOpcode): a controller vendor command for the
//    drive behind a tester board. It carries an ATA-style register set: vendor ATA command,
//    sub-operation (the ATA features register), sector count (the transfer length in
//    512-byte sectors for a command with data, else an argument) and a 48-bit argument (the
//    ATA LBA registers). In bridge mode it is rewritten as an ATA PASS-THROUGH (16) block
//    with exactly these registers (RewriteVendorAsAtaPassThrough).
//  - The tester block (opcode kTesterCdbOpcode): a command for the tester board itself
//    (power, card detect, current, USB page, DEVSLP). Each slot of a board is its own device,
//    so a tester block never names a slot: it acts on the slot of the device it is sent to.
//  - INQUIRY (6) and READ CAPACITY (16) for tester detection and disk geometry.
// All multi-byte fields of these blocks are big-endian, as SCSI has them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

namespace device {

// How a command moves its data, in ATA terms.
enum class TransferProtocol : std::uint8_t { NonData = 0, PioIn = 1, PioOut = 2, DmaIn = 3, DmaOut = 4 };

bool IsDataIn(TransferProtocol protocol);
bool IsDataOut(TransferProtocol protocol);

// ATA input registers of one command (48-bit form; a 28-bit command uses the low parts).
struct AtaTaskFile {
  std::uint16_t features = 0;
  std::uint16_t count = 0;
  std::uint64_t lba = 0;      // 48 bits
  std::uint8_t device = 0;
  std::uint8_t command = 0;
};

// ATA output registers as the device leaves them (from the ATA status return in the sense).
struct AtaOutputRegisters {
  std::uint8_t error = 0;
  std::uint16_t count = 0;
  std::uint64_t lba = 0;      // 48 bits
  std::uint8_t device = 0;
  std::uint8_t status = 0;
  std::uint8_t LbaMid() const { return static_cast<std::uint8_t>(lba >> 8); }
  std::uint8_t LbaHigh() const { return static_cast<std::uint8_t>(lba >> 16); }
};

inline constexpr std::uint8_t kAtaStatusError = 0x01;        // ERR
inline constexpr std::uint8_t kAtaStatusDeviceFault = 0x20;  // DF
inline constexpr std::uint8_t kAtaStatusBusy = 0x80;         // BSY
inline constexpr std::uint8_t kAtaDeviceLba = 0x40;          // device register: LBA addressing

namespace cdb {

inline constexpr std::uint8_t kAtaPassThrough16Opcode = 0x85;
inline constexpr std::uint8_t kVendorCdbOpcode = 0xF0;
inline constexpr std::uint8_t kTesterCdbOpcode = 0xF1;
inline constexpr std::uint8_t kInquiryOpcode = 0x12;
inline constexpr std::uint8_t kServiceActionIn16Opcode = 0x9E;
inline constexpr std::uint8_t kReadCapacity16ServiceAction = 0x10;
inline constexpr std::uint8_t kReadCapacity10Opcode = 0x25;

// SAT protocol field values (byte 1, bits 4..1).
inline constexpr std::uint8_t kSatProtocolNonData = 3;
inline constexpr std::uint8_t kSatProtocolPioIn = 4;
inline constexpr std::uint8_t kSatProtocolPioOut = 5;
inline constexpr std::uint8_t kSatProtocolDma = 6;
// Byte 2 flags.
inline constexpr std::uint8_t kSatCheckCondition = 0x20;    // CK_COND: return the registers
inline constexpr std::uint8_t kSatTransferType = 0x10;      // T_TYPE (0: 512-byte blocks)
inline constexpr std::uint8_t kSatDirectionIn = 0x08;       // T_DIR: from the device
inline constexpr std::uint8_t kSatByteBlock = 0x04;         // BYT_BLOK: length in blocks
inline constexpr std::uint8_t kSatLengthInCount = 0x02;     // T_LENGTH = 2: the count field

// ATA PASS-THROUGH (16).
struct AtaPassThrough16 {
  std::uint8_t opcode;          // 0: 0x85
  std::uint8_t protocolExtend;  // 1: MULTIPLE_COUNT (7:5), PROTOCOL (4:1), EXTEND (0)
  std::uint8_t transferFlags;   // 2: OFF_LINE (7:6), CK_COND, T_TYPE, T_DIR, BYT_BLOK, T_LENGTH (1:0)
  std::uint8_t featuresHigh;    // 3: FEATURES (15:8)
  std::uint8_t featuresLow;     // 4: FEATURES (7:0)
  std::uint8_t countHigh;       // 5: COUNT (15:8)
  std::uint8_t countLow;        // 6: COUNT (7:0)
  std::uint8_t lba31_24;        // 7
  std::uint8_t lba7_0;          // 8
  std::uint8_t lba39_32;        // 9
  std::uint8_t lba15_8;         // 10
  std::uint8_t lba47_40;        // 11
  std::uint8_t lba23_16;        // 12
  std::uint8_t device;          // 13
  std::uint8_t command;         // 14
  std::uint8_t control;         // 15
};
static_assert(sizeof(AtaPassThrough16) == 16);
static_assert(offsetof(AtaPassThrough16, protocolExtend) == 1);
static_assert(offsetof(AtaPassThrough16, transferFlags) == 2);
static_assert(offsetof(AtaPassThrough16, featuresLow) == 4);
static_assert(offsetof(AtaPassThrough16, countLow) == 6);
static_assert(offsetof(AtaPassThrough16, lba7_0) == 8);
static_assert(offsetof(AtaPassThrough16, lba15_8) == 10);
static_assert(offsetof(AtaPassThrough16, lba23_16) == 12);
static_assert(offsetof(AtaPassThrough16, device) == 13);
static_assert(offsetof(AtaPassThrough16, command) == 14);

// What an ATA PASS-THROUGH (16) block asks for, read back from its bytes.
struct AtaPassThroughFields {
  AtaTaskFile taskFile;
  TransferProtocol protocol = TransferProtocol::NonData;
  bool extend = false;          // 48-bit registers valid
  bool checkCondition = false;  // CK_COND: the device is to return its registers
  // Transfer length in 512-byte sectors (the count register with T_LENGTH = 2, BYT_BLOK = 1);
  // 0 for a non-data command.
  std::uint32_t transferSectors = 0;
};

// Builds the block: extend is set for 48-bit commands (their 16-bit count and 48-bit LBA are
// carried whole); a data command carries its length in the count register (T_LENGTH = 2,
// BYT_BLOK = 1, 512-byte blocks).
AtaPassThrough16 BuildAtaPassThrough(const AtaTaskFile& taskFile, TransferProtocol protocol, bool extend,
                                     bool checkCondition);
// Reads a block back; nullopt when the bytes are not an ATA PASS-THROUGH (16) block of the
// forms BuildAtaPassThrough makes (wrong opcode, unknown protocol, T_DIR against the
// protocol, a length that is not in the count register).
std::optional<AtaPassThroughFields> DecodeAtaPassThrough(const std::array<std::uint8_t, 16>& bytes);

// The vendor command block.
struct VendorCdb {
  std::uint8_t opcode;          // 0: kVendorCdbOpcode
  std::uint8_t command;         // 1: vendor ATA command (for example 0x21)
  std::uint8_t subOperation;    // 2: sub-operation (ATA features)
  std::uint8_t protocol;        // 3: TransferProtocol value
  std::uint8_t countHigh;       // 4: sector count (15:8)
  std::uint8_t countLow;        // 5: sector count (7:0)
  std::uint8_t argument[6];     // 6..11: 48-bit argument, bits 47..40 first, bits 7..0 at 11
  std::uint8_t device;          // 12: ATA device register
  std::uint8_t reserved[2];     // 13..14: zero
  std::uint8_t control;         // 15
};
static_assert(sizeof(VendorCdb) == 16);
static_assert(offsetof(VendorCdb, command) == 1);
static_assert(offsetof(VendorCdb, subOperation) == 2);
static_assert(offsetof(VendorCdb, protocol) == 3);
static_assert(offsetof(VendorCdb, countHigh) == 4);
static_assert(offsetof(VendorCdb, argument) == 6);
static_assert(offsetof(VendorCdb, device) == 12);

// What a vendor block asks for, read back from its bytes.
struct VendorFields {
  std::uint8_t command = 0;
  std::uint8_t subOperation = 0;
  TransferProtocol protocol = TransferProtocol::NonData;
  std::uint16_t count = 0;       // transfer length in sectors for a data command
  std::uint64_t argument = 0;    // 48 bits
  std::uint8_t device = 0;
};

VendorCdb BuildVendorCdb(const VendorFields& fields);
// nullopt when the bytes are not a vendor block (wrong opcode, unknown protocol).
std::optional<VendorFields> DecodeVendorCdb(const std::array<std::uint8_t, 16>& bytes);
// The bridge form of a vendor command: an ATA PASS-THROUGH (16) block, 48-bit, whose
// command, features, count, LBA and device registers are the vendor block's command,
// sub-operation, sector count, argument and device.
AtaPassThrough16 RewriteVendorAsAtaPassThrough(const VendorFields& fields);
// The vendor fields a bridge-form block carries (the reverse of the rewrite).
VendorFields VendorFieldsOfAtaPassThrough(const AtaPassThroughFields& fields);

// The tester block. Data length in bytes (the tester's USB page is 528 bytes).
struct TesterCdb {
  std::uint8_t opcode;            // 0: kTesterCdbOpcode
  std::uint8_t function;          // 1: tester function (VendorCommands.h)
  std::uint8_t protocol;          // 2: TransferProtocol value (NonData, PioIn or PioOut)
  std::uint8_t parameter[4];      // 3..6: parameters 0..3, function specific
  std::uint8_t transferLength[4]; // 7..10: data length in bytes, big-endian
  std::uint8_t reserved[4];       // 11..14: zero
  std::uint8_t control;           // 15
};
static_assert(sizeof(TesterCdb) == 16);
static_assert(offsetof(TesterCdb, function) == 1);
static_assert(offsetof(TesterCdb, protocol) == 2);
static_assert(offsetof(TesterCdb, parameter) == 3);
static_assert(offsetof(TesterCdb, transferLength) == 7);

struct TesterFields {
  std::uint8_t function = 0;
  TransferProtocol protocol = TransferProtocol::NonData;
  std::array<std::uint8_t, 4> parameters{};
  std::uint32_t transferLength = 0;
};

TesterCdb BuildTesterCdb(const TesterFields& fields);
// nullopt when the bytes are not a tester block (wrong opcode, a DMA or unknown protocol).
std::optional<TesterFields> DecodeTesterCdb(const std::array<std::uint8_t, 16>& bytes);

// INQUIRY (6), standard data.
struct InquiryCdb {
  std::uint8_t opcode;              // 0: 0x12
  std::uint8_t evpd;                // 1: 0 (standard data)
  std::uint8_t pageCode;            // 2: 0
  std::uint8_t allocationHigh;      // 3
  std::uint8_t allocationLow;       // 4
  std::uint8_t control;             // 5
};
static_assert(sizeof(InquiryCdb) == 6);
static_assert(offsetof(InquiryCdb, allocationHigh) == 3);
InquiryCdb BuildInquiryCdb(std::uint16_t allocationLength);
// The allocation length of a standard INQUIRY block; nullopt for anything else.
std::optional<std::uint16_t> DecodeInquiryCdb(const std::array<std::uint8_t, 16>& bytes);

// READ CAPACITY (16) (SERVICE ACTION IN (16), service action 0x10).
struct ReadCapacity16Cdb {
  std::uint8_t opcode;               // 0: 0x9E
  std::uint8_t serviceAction;        // 1: 0x10
  std::uint8_t lba[8];               // 2..9: 0
  std::uint8_t allocationLength[4];  // 10..13, big-endian
  std::uint8_t flags;                // 14: 0
  std::uint8_t control;              // 15
};
static_assert(sizeof(ReadCapacity16Cdb) == 16);
static_assert(offsetof(ReadCapacity16Cdb, allocationLength) == 10);
ReadCapacity16Cdb BuildReadCapacity16Cdb(std::uint32_t allocationLength);
std::optional<std::uint32_t> DecodeReadCapacity16Cdb(const std::array<std::uint8_t, 16>& bytes);

// READ CAPACITY (10): no fields of its own; the reply is 8 bytes.
struct ReadCapacity10Cdb {
  std::uint8_t opcode;               // 0: 0x25
  std::uint8_t reserved1;            // 1
  std::uint8_t lba[4];               // 2..5: 0
  std::uint8_t reserved6[2];         // 6..7
  std::uint8_t pmi;                  // 8: 0
  std::uint8_t control;              // 9
};
static_assert(sizeof(ReadCapacity10Cdb) == 10);
ReadCapacity10Cdb BuildReadCapacity10Cdb();
// Whether the bytes are a READ CAPACITY (10) block.
bool IsReadCapacity10Cdb(const std::array<std::uint8_t, 16>& bytes);

// The raw bytes of a block, zero-padded to 16, for a pass-through request.
template <typename Block>
std::array<std::uint8_t, 16> ToBytes(const Block& block) {
  static_assert(sizeof(Block) <= 16 && std::is_trivially_copyable_v<Block>);
  std::array<std::uint8_t, 16> bytes{};
  std::memcpy(bytes.data(), &block, sizeof(Block));
  return bytes;
}

// A block read from the first bytes of a request's CDB.
template <typename Block>
Block FromBytes(const std::array<std::uint8_t, 16>& bytes) {
  static_assert(sizeof(Block) <= 16 && std::is_trivially_copyable_v<Block>);
  Block block;
  std::memcpy(&block, bytes.data(), sizeof(Block));
  return block;
}

}  // namespace cdb
}  // namespace device
