#pragma once
// Layouts of the replies that the device layer and the engine read field by field: SCSI
// INQUIRY and READ CAPACITY (16) data, and the short records that vendor and tester commands
// answer with (VendorCommands.h names which command answers with which). A reply is a byte
// buffer; these structs give its fields names and offsets, and the simulator writes them
// with the same structs. Bytes not named here are zero.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/ByteOrder.h"

namespace device {

// ---- INQUIRY standard data -----------------------------------------------------------
// A tester board's slot answers with vendor "TERVID", product "SATA TESTER-S" or
// "SATA3-TESTER" (blank-padded as SCSI has it) and its tester number 1..48 in byte 36, the
// first vendor-specific byte.
struct InquiryData {
  std::uint8_t peripheral;          // 0: qualifier (7:5) and device type (4:0)
  std::uint8_t removable;           // 1
  std::uint8_t version;             // 2
  std::uint8_t responseFormat;      // 3
  std::uint8_t additionalLength;    // 4: bytes that follow byte 4
  std::uint8_t flags[3];            // 5..7
  char vendor[8];                   // 8..15, blank-padded
  char product[16];                 // 16..31, blank-padded
  char revision[4];                 // 32..35
  std::uint8_t testerNumber;        // 36: tester boards only, 1..48
  std::uint8_t vendorSpecific[19];  // 37..55
  std::uint8_t reserved[40];        // 56..95
};
static_assert(sizeof(InquiryData) == 96);
static_assert(offsetof(InquiryData, vendor) == 8);
static_assert(offsetof(InquiryData, product) == 16);
static_assert(offsetof(InquiryData, revision) == 32);
static_assert(offsetof(InquiryData, testerNumber) == 36);

inline constexpr std::string_view kTesterVendor = "TERVID";
inline constexpr std::string_view kTesterProductSataS = "SATA TESTER-S";
inline constexpr std::string_view kTesterProductSata3 = "SATA3-TESTER";
// A reply must reach past the tester number to name one.
inline constexpr std::size_t kInquiryTesterReplyMinimum = offsetof(InquiryData, testerNumber) + 1;
inline constexpr int kMaxTesterNumber = 48;

// ---- READ CAPACITY (16) data ---------------------------------------------------------
struct ReadCapacity16Data {
  std::uint8_t lastLba[8];          // 0..7, big-endian
  std::uint8_t blockLength[4];      // 8..11, big-endian
  std::uint8_t reserved[20];        // 12..31
  std::uint64_t LastLba() const { return LoadBigEndian(lastLba, 8); }
  std::uint32_t BlockLength() const { return static_cast<std::uint32_t>(LoadBigEndian(blockLength, 4)); }
};
static_assert(sizeof(ReadCapacity16Data) == 32);
static_assert(offsetof(ReadCapacity16Data, blockLength) == 8);

// ---- READ CAPACITY (10) data ---------------------------------------------------------
struct ReadCapacity10Data {
  std::uint8_t lastLba[4];          // 0..3, big-endian; 0xFFFFFFFF: the disk is too large for it
  std::uint8_t blockLength[4];      // 4..7, big-endian
  std::uint32_t LastLba() const { return static_cast<std::uint32_t>(LoadBigEndian(lastLba, 4)); }
  std::uint32_t BlockLength() const { return static_cast<std::uint32_t>(LoadBigEndian(blockLength, 4)); }
};
static_assert(sizeof(ReadCapacity10Data) == 8);
inline constexpr std::uint32_t kReadCapacity10Overflow = 0xFFFFFFFF;

// ---- Vendor command replies (one 512-byte sector each) -------------------------------
// SetApKey: byte 0 is 1 when the drive enabled its vendor commands.
struct ApKeyReply {
  std::uint8_t enabled;             // 0
};
static_assert(offsetof(ApKeyReply, enabled) == 0);
inline constexpr std::uint8_t kApKeyEnabled = 1;

// ReadFirmwareName: the running code's name ("SBR...", "SBB...", "SBF...", "RDT...", the MP
// firmware's name), padded with NUL bytes or blanks.
struct FirmwareNameReply {
  char name[16];                    // 0..15
};
static_assert(sizeof(FirmwareNameReply) == 16);

// ReadDeviceStatus: byte 0 is 1 when the drive is ready for the next command, 0 while it
// still works on the last one; byte 1 is its progress in percent.
struct DeviceStatusReply {
  std::uint8_t ready;               // 0
  std::uint8_t progress;            // 1
};
static_assert(offsetof(DeviceStatusReply, progress) == 1);

// ReadEFuse: the first bytes of the sector (the rest is zero): a signature, the cut flags,
// their 8-bit sum (a bank that reads back noise fails it) and the controller's IC version,
// high byte first.
struct EFuseReply {
  std::uint8_t signature;           // 0: kEFuseReplySignature
  std::uint8_t cutFlags;            // 1: kEFuseCutUart | kEFuseCutJtag | kEFuseCutAes
  std::uint8_t sum;                 // 2: (signature + cutFlags) & 0xFF
  std::uint8_t reserved;            // 3
  std::uint8_t icVersion[2];        // 4..5
};
static_assert(sizeof(EFuseReply) == 6);
static_assert(offsetof(EFuseReply, cutFlags) == 1);
static_assert(offsetof(EFuseReply, sum) == 2);
static_assert(offsetof(EFuseReply, icVersion) == 4);
inline constexpr std::uint8_t kEFuseReplySignature = 0xEF;
inline constexpr std::uint8_t kEFuseCutUart = 0x01;
inline constexpr std::uint8_t kEFuseCutJtag = 0x02;
inline constexpr std::uint8_t kEFuseCutAes = 0x04;

// WindowScan: the flash-interface timing-window scan's result. Byte 0 the number of flash
// channels, byte 1 the scan's status (0 when the scan ran through), then three bytes per
// channel: the first and the last of the 16 timing settings that passed and the setting the
// controller chose (0..15 each).
inline constexpr unsigned kWindowScanSettings = 16;
inline constexpr unsigned kWindowScanMaxChannels = 16;
struct WindowScanChannel {
  std::uint8_t first;               // 0
  std::uint8_t last;                // 1
  std::uint8_t chosen;              // 2
};
struct WindowScanReply {
  std::uint8_t channelCount;        // 0: 1..kWindowScanMaxChannels
  std::uint8_t status;              // 1
  WindowScanChannel channels[kWindowScanMaxChannels];   // 2..49, the first channelCount used
};
static_assert(sizeof(WindowScanChannel) == 3);
static_assert(sizeof(WindowScanReply) == 2 + 3 * kWindowScanMaxChannels);
static_assert(offsetof(WindowScanReply, status) == 1);
static_assert(offsetof(WindowScanReply, channels) == 2);
// The bytes a reply of n channels fills.
constexpr std::size_t WindowScanReplyBytes(unsigned channels) {
  return offsetof(WindowScanReply, channels) + channels * sizeof(WindowScanChannel);
}

// ---- Tester-board replies --------------------------------------------------------------
// Card detect: byte 0 is the slot's card state.
struct CardDetectReply {
  std::uint8_t state;               // 0
};
inline constexpr std::uint8_t kCardPresent = 1;    // a drive sits in the slot and is powered
inline constexpr std::uint8_t kCardEmpty = 4;      // no drive in the slot
inline constexpr std::uint8_t kCardNoPower = 5;    // a drive is seen but not powered: no card for the task
inline constexpr std::uint8_t kCardUnknown = 255;  // any state the tester does not name

// Read current: bytes 0..3, little-endian, the current in units of 0.01 mA.
struct CurrentReply {
  std::uint8_t centiMilliamps[4];   // 0..3
  double Milliamps() const { return static_cast<double>(LoadLittleEndian(centiMilliamps, 4)) / 100.0; }
};
static_assert(sizeof(CurrentReply) == 4);

// The tester's 528-byte USB page. The firmware version prints as "%d.%02x" (major, minor),
// so major 3 and minor 0x09 read "3.09".
struct TesterUsbPage {
  std::uint8_t testerType;          // 0: 1..4
  std::uint8_t firmwareMajor;       // 1
  std::uint8_t firmwareMinor;       // 2
  std::uint8_t testerNumber;        // 3: 1..48, as in the INQUIRY data
  std::uint8_t reserved1[252];      // 4..255
  std::uint8_t extraValue;          // 256: tester types 3 and 4 from version 3.03 on
  std::uint8_t reserved2[271];      // 257..527
};
static_assert(sizeof(TesterUsbPage) == 528);
static_assert(offsetof(TesterUsbPage, testerNumber) == 3);
static_assert(offsetof(TesterUsbPage, extraValue) == 256);

}  // namespace device
