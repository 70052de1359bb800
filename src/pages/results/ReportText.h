#pragma once
// Text operations of the report readers, with the meanings the readers rely on:
//  - removing a word removes every occurrence scanning left to right, without looking
//    again at the text that the removal joins (a removal never creates a new match);
//  - ScanText reads fields the way the C library's sscanf reads "%[^...]", "%s" and
//    literal characters: a "%[^...]" field needs at least one character, a literal must
//    match, and the first mismatch ends the scan (later fields stay empty);
//  - numbers are read as atoi reads them (leading blanks, a sign, the digits that follow).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace report_text {

bool Contains(std::string_view text, std::string_view key);
// Whether the text holds any of the (few) bytes; a quick first test before looking for keys
// that each hold one of them.
bool HoldsAnyByte(std::string_view text, std::string_view bytes);

// Removes every blank (space) from the text.
void RemoveBlanks(std::string& text);
// Removes every occurrence of the word.
void RemoveWord(std::string& text, std::string_view word);
// Replaces every occurrence of the word (left to right, no rescanning of the result).
void ReplaceWord(std::string& text, std::string_view word, std::string_view replacement);
// Removes leading blanks and tabs.
std::string_view TrimLeftBlanks(std::string_view text);

// sscanf-style scan (see above). Supported conversions: "%[^<set>]", "%s"; any other
// character of the format is a literal. Returns the number of fields filled; fields not
// reached are empty views.
int ScanText(std::string_view input, std::string_view format, std::span<std::string_view> fields);

// Splits at the separator into at most fields.size() fields (the last one ends at the next
// separator too); returns the number of fields found. Empty fields are kept; missing ones
// stay empty.
int SplitFields(std::string_view text, char separator, std::span<std::string_view> fields);

// One pass over a text (sixteen bytes at a time where the processor allows): the places of its
// first separators, and whether it holds any of a few refused bytes. Made once for a separator
// and its refused bytes (at most eight), then used for many texts; SplitFields uses one too.
struct SeparatorScan {
  std::size_t separators = 0;  // places filled
  bool refused = false;
};
class CSeparatorScanner {
 public:
  CSeparatorScanner(char separator, std::string_view refusedBytes);
  // The places of the first separators, places.size() of them at most.
  SeparatorScan Scan(std::string_view text, std::span<std::size_t> places) const;
  // The separators among the (at most) 64 bytes of the text from `at`, bit i for byte at + i;
  // refused is set when any of those bytes is refused.
  std::uint64_t BlockSeparators(std::string_view text, std::size_t at, bool& refused) const;

 private:
  // The separator and the refused bytes (the last repeated to eight), each sixteen times.
  alignas(16) unsigned char m_patterns[9][16] = {};
  bool m_refuses = false;
};

// atoi: leading blanks and tabs, an optional sign, then decimal digits; 0 without digits.
// Values beyond 32 bits are clamped.
int ReadDecimal(std::string_view text);
// A block number as the reports write it: "0x" followed by hexadecimal digits, or decimal
// digits, and nothing else but blanks. Anything else (a sign, a value beyond 32 bits) gives
// nothing.
bool ReadBlockNumber(std::string_view text, std::uint32_t& value);

// Values of "key = value" lines, taken after the first "=" (an empty text without one):
// the whole rest of the line, blanks included;
std::string_view RestAfterEquals(std::string_view line);
// the text right after the "=" up to the next blank (empty when a blank follows the "=");
std::string_view WordRightAfterEquals(std::string_view line);
// blanks after the "=" skipped, then the run of non-blank characters.
std::string_view WordAfterEquals(std::string_view line);
// the text between the first "=" and the next "." (the rest of the line without one).
std::string_view TextAfterEqualsUpToDot(std::string_view line);

// Decimal text of a number.
std::string DecimalText(long long value);

// The decimal text of a number (or of two, "<a>/<b>") held in place, for texts handed on at
// once without a string of their own.
class NumberText {
 public:
  explicit NumberText(long long value);
  NumberText(long long first, long long second);
  operator std::string_view() const { return std::string_view(m_text, m_length); }

 private:
  char m_text[48];
  std::size_t m_length = 0;
};

}  // namespace report_text
