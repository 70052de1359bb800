#pragma once
// CScsiPassThrough: plain access to the physical drives, and the search for tester boards.
// Every slot of a tester board shows itself as a drive of its own that answers INQUIRY with the
// vendor "TERVID", the product "SATA TESTER-S" or "SATA3-TESTER" and its tester number 1..48
// in the first vendor-specific byte of the INQUIRY data (ReplyLayouts.h). The search leaves
// the drive number of tester n in entry n of m_TesterDrive.
#include <cstdint>
#include <span>
#include <string>

#include "device/ReplyLayouts.h"

class CScsiPassThrough {
 public:
  // Entry n (1..48): the drive number of tester n; 0 when there is no tester with that number.
  // Entry 0 is never used.
  std::uint32_t m_TesterDrive[device::kMaxTesterNumber + 1] = {};

  // Sends INQUIRY to every physical drive and fills m_TesterDrive. Returns 1 when the search
  // completed, 0 when no tester board was found, when a tester reported a number outside
  // 1..48, or when two testers reported the same number (the first keeps its entry). The two
  // inputs select nothing here; the legacy page passes 0 and an empty text.
  std::uint8_t DetectTesterBoards(std::uint8_t flag, std::string text);

  // Standard INQUIRY data of the drive with this number ("\\.\PhysicalDrive%d"); length
  // receives the number of bytes the drive answered with. 1 = ok.
  std::uint8_t Inquiry(int driveNumber, std::span<std::uint8_t> data, std::uint32_t& length);

  // Whether INQUIRY data of that length names a tester board, and its tester number.
  static bool IsTesterInquiry(std::span<const std::uint8_t> data, std::uint32_t length, int& testerNumber);

  int TesterCount() const;
  // Why the last search or inquiry failed; empty after a success.
  const std::string& LastErrorMessage() const { return m_lastError; }

 private:
  std::uint8_t InquiryAt(const std::string& pathText, std::span<std::uint8_t> data, std::uint32_t& length);

  std::string m_lastError;
};
