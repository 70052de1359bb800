#pragma once
// 8-bit text helpers. std::string holds code page 950 text, as the station's files do;
// it becomes UTF-8 only where it meets the Qt front end.
#include <cstdarg>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

// Code page 950 <-> UTF-8. Bytes that cannot be converted become "?".
std::string Cp950ToUtf8(std::string_view text);
std::string Utf8ToCp950(std::string_view text);

// ASCII case and blanks. Bytes >= 0x80 are left alone, and so is the byte after a code
// page 950 lead byte (0x81..0xFE), which may look like an ASCII letter: double-byte text is
// safe.
std::string ToUpper(std::string_view text);
std::string ToLower(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
std::string Trim(std::string_view text);       // blanks, tabs, CR and LF at both ends
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// Wildcards: "*" any run of characters, "?" exactly one, every other character equal
// without regard to ASCII case.
bool WildcardMatchesNoCase(std::string_view pattern, std::string_view name);

// Splits at every occurrence of the separator character (empty fields kept).
std::vector<std::string> Split(std::string_view text, char separator);
// The items of a settings list: the runs between blanks, tabs, commas, CR and LF ("98 3C 98
// B3", "128,256, 512"); no empty item.
std::vector<std::string> SplitBlankOrComma(std::string_view text);
// Field `index` (from 0) of a text cut at every delimiter, trimmed at both ends; empty when
// the delimiter does not occur in the text or the index lies beyond the last field.
std::string GetDelimitedField(std::string_view text, char delimiter, std::size_t index);
// The items as prose lists them: "a", "a and b", "a, b and c".
std::string JoinAsList(const std::vector<std::string>& items);

// Leading signed decimal as C's atoi reads it ("12abc" -> 12, "" -> 0), without overflow.
int ParseLeadingInt(std::string_view text);
// The value of a hexadecimal digit (0-9, a-f, A-F), or -1 for any other character.
int HexDigitValue(char c);
// Leading hexadecimal digits ("3F" -> 0x3F, "0x10" -> 0x10); fallback when none.
unsigned long ParseHex(std::string_view text, unsigned long fallback);

}  // namespace platform
