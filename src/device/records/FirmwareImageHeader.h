#pragma once
// The first 512 bytes of a firmware image as the drive checks them when the station loads the
// image into program RAM or programs it into flash. Numbers are high byte first; the build
// date is BCD. The running firmware's name (what IDENTIFY reports as firmware revision once
// the image runs) is taken from bytes 0x20-0x27 (ours: the header's documented fields leave
// those bytes free). The bin type at 0x28 (ours) is what the controller reports in its system
// information while the image's code runs.
#include <cstddef>
#include <cstdint>

#include "device/records/FieldTypes.h"

#pragma pack(push, 1)
struct FirmwareImageHeader {
  PlainText<2> headerMark;        // 0
  BeU16 icVersion;                // 2
  std::uint8_t reserved4[3];
  BeU32 ramCodeSize;              // 7
  BeU16 ramCodeChecksum;          // 11
  std::uint8_t reserved13;
  BeU32 flashCodeSize;            // 14
  BeU16 flashCodeChecksum;        // 18
  std::uint8_t reserved20;
  PlainText<2> icVersionSuffix;   // 21
  std::uint8_t reserved23[0x20 - 23];
  PlainText<8> firmwareName;      // 0x20 (ours)
  PlainText<4> binType;           // 0x28 (ours): bin type the firmware is built for, blank-padded
  std::uint8_t reserved2C[503 - 0x2C];
  std::uint8_t buildYear[2];      // 503: BCD, e.g. 0x20 0x16
  std::uint8_t buildMonth;        // 505
  std::uint8_t buildDay;          // 506
  std::uint8_t buildHour;         // 507
  std::uint8_t buildMinute;       // 508
  std::uint8_t buildSecond;       // 509
  PlainText<2> closingMark;       // 510
};
#pragma pack(pop)

static_assert(sizeof(FirmwareImageHeader) == 512);
static_assert(offsetof(FirmwareImageHeader, icVersion) == 2);
static_assert(offsetof(FirmwareImageHeader, ramCodeSize) == 7);
static_assert(offsetof(FirmwareImageHeader, ramCodeChecksum) == 11);
static_assert(offsetof(FirmwareImageHeader, flashCodeSize) == 14);
static_assert(offsetof(FirmwareImageHeader, flashCodeChecksum) == 18);
static_assert(offsetof(FirmwareImageHeader, icVersionSuffix) == 21);
static_assert(offsetof(FirmwareImageHeader, firmwareName) == 0x20);
static_assert(offsetof(FirmwareImageHeader, binType) == 0x28);
static_assert(offsetof(FirmwareImageHeader, buildYear) == 503);
static_assert(offsetof(FirmwareImageHeader, closingMark) == 510);
