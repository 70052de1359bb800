#pragma once
// The serial-number hand-out: each drive that gets a new serial number gets the next one of
// the station's running series, and the hand-out is recorded.
//
// A serial number is a prefix of at most 12 characters followed by a counter of 8 decimal
// digits (20 characters at most, the width of the drive's serial-number field). The series
// lives in SATA_Setting.ini beside the program:
//   [Global_Setting] Last SN      the next serial number to hand out; when it is empty the
//                                 series starts at [General Info] SerialNum of .\param.ini
//                                 ("%08d", no prefix)
//   [Global_Setting] SN_Log_Path  folder of the record file (empty: the engine's log folder)
// and every hand-out is recorded in SATA_RecordSN.ini of that folder:
//   [Serial Number] Start Serial Number   the first serial number the record saw
//   [Serial Number] Last Serial Number    the next serial number, as in Last SN
//   [Handed Out] <serial>=Tester-<port> [YYYY-MM-DD-hh-mm-ss]
// A serial number that the record already lists is never handed out again: the counter
// moves on past it (an operator who sets Last SN back cannot make two drives share one).
//
// The hand-out takes a process-wide lock of its own around reading, counting and writing,
// so any number of slots may ask at the same time. The counter is stored before the record
// and before the caller gets the number: a failure in between loses a number, never gives
// one twice.
#include <cstdint>
#include <string>
#include <string_view>

namespace engine::firmware {

inline constexpr char kSerialRecordFileName[] = "SATA_RecordSN.ini";
inline constexpr char kSerialRecordSection[] = "Serial Number";
inline constexpr char kHandedOutSection[] = "Handed Out";
inline constexpr std::size_t kSerialCounterDigits = 8;
inline constexpr std::size_t kSerialPrefixMaxLength = 12;

struct SerialHandOut {
  bool ok = false;
  std::string serial;        // prefix + counter
  std::string message;       // why no serial number was handed out
};

// The record file for an engine's log folder.
std::string SerialRecordPath(std::string_view logFolder);

// Hands out the next serial number to the drive in the port (1-based) and records it.
SerialHandOut HandOutSerialNumber(int port, std::string_view logFolder);

}  // namespace engine::firmware
