#pragma once
// The bad-block line of a scan report exactly as the scan writes it:
//   "     Channel:<n>,CE:<n>,Die:<n>,Plane:<n>;    Early Bad Block_<n> (0x<hex>)<kind>"
// (or "Later Bad Block_"), with one of the scan's kind texts or none. A report of 200,000
// bad blocks is almost all such lines, so the readers recognise this form in one pass over
// the line and take its fields directly. What they then do is exactly what their general
// reading does with the line (the readers' tests and their fuzz target check both ways
// against each other); any line not of this form takes the general reading.
#include <cstdint>
#include <string_view>

// Texts in a kind that the readers look for.
enum KindMark : std::uint32_t {
  kKindEraseRdt = 1u << 0,     // "Erase Bad-RDT"
  kKindProgramRdt = 1u << 1,   // "Program Bad-RDT"
  kKindReadRdt = 1u << 2,      // "Read Bad-RDT"
  kKindEraseRun = 1u << 3,     // "Erase Bad-Run"
  kKindProgramRun = 1u << 4,   // "Program Bad-Run"
  kKindReadRun = 1u << 5,      // "Read Bad-Run"
  kKindOlb = 1u << 6,          // "Erase-OLB", "Program-OLB", "Read-OLB" or "Raid-OLB"
  kKindRdtWord = 1u << 7,      // "RDT" anywhere in the kind
};

// How a bad-block line's type (its kind without blanks, "EraseBad-RDT") counts in the fail
// boxes "RDT/Run", by the first rule that applies: equal to "EraseBad-RDT", equal to
// "ProgramBad-RDT", holding "ReadBad-RDT", equal to "EraseBad-Run", equal to
// "ProgramBad-Run", holding "ReadBad-Run"; any other type counts nowhere.
enum class ScanFailKind : std::uint8_t { None, EraseRdt, ProgramRdt, ReadRdt, EraseRun, ProgramRun, ReadRun };
ScanFailKind ScanFailKindOf(std::string_view type);

struct EngineBadBlockLine {
  bool early = false;           // "Early Bad Block_" (else "Later Bad Block_")
  std::string_view channel;     // the digits as written
  std::string_view ce;
  std::string_view die;
  std::string_view plane;
  std::string_view block;
  std::string_view address;     // "0x" and the hexadecimal digits
  std::string_view kindText;    // the kind as written ("Erase Bad-RDT")
  std::string_view compactKind; // the kind without blanks ("EraseBad-RDT")
  std::uint32_t marks = 0;      // KindMark bits of the kind
  ScanFailKind failKind = ScanFailKind::None;  // of compactKind
};

// The KindMark bits of a text (a kind, or a whole line).
std::uint32_t KindMarksOf(std::string_view text);

// True when the line has exactly the scan's form with one of its kind texts.
bool ParseEngineBadBlockLine(std::string_view line, EngineBadBlockLine& parsed);
