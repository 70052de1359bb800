// 8-bit text helpers: formatting, code page 950 <-> UTF-8 and the ASCII-only case, blank
// and number helpers that leave double-byte text alone.
#include "platform/Text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <iconv.h>

namespace platform {

// ---------------------------------------------------------------------------------------
// Formatting

std::string Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatV(format, args);
  va_end(args);
  return text;
}

std::string FormatV(const char* format, va_list args) {
  if (format == nullptr) return std::string();
  char small[256];
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(small, sizeof small, format, measure);
  va_end(measure);
  if (length < 0) return std::string();
  if (static_cast<std::size_t>(length) < sizeof small) return std::string(small, static_cast<std::size_t>(length));
  std::string text(static_cast<std::size_t>(length), '\0');
  va_list write;
  va_copy(write, args);
  std::vsnprintf(text.data(), text.size() + 1, format, write);
  va_end(write);
  return text;
}

// ---------------------------------------------------------------------------------------
// Code page 950 <-> UTF-8

namespace {

// One conversion descriptor per thread and direction: iconv_t keeps state and must not be
// shared between threads.
class Converter {
 public:
  Converter(const char* to, const char* from) : m_handle(::iconv_open(to, from)) {}
  ~Converter() {
    if (Usable()) ::iconv_close(m_handle);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool Usable() const { return m_handle != reinterpret_cast<iconv_t>(-1); }
  iconv_t Handle() const { return m_handle; }

 private:
  iconv_t m_handle;
};

bool IsBig5Lead(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
bool IsBig5Trail(unsigned char byte) { return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0xA1 && byte <= 0xFE); }

// Bytes of one code page 950 character: a lead byte with a valid trail byte is one
// double-byte character; anything else is one byte.
std::size_t Cp950CharLength(const unsigned char* bytes, std::size_t left) {
  return (left >= 2 && IsBig5Lead(bytes[0]) && IsBig5Trail(bytes[1])) ? 2 : 1;
}

// Bytes of one unconvertible UTF-8 sequence: a well-formed sequence (lead byte and its
// continuation bytes) counts as one character, a stray byte as itself.
std::size_t Utf8Unconvertible(const unsigned char* bytes, std::size_t left) {
  std::size_t length = 1;
  if ((bytes[0] & 0xE0) == 0xC0) length = 2;
  else if ((bytes[0] & 0xF0) == 0xE0) length = 3;
  else if ((bytes[0] & 0xF8) == 0xF0) length = 4;
  if (length > left) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 1;
  }
  return length;
}

using SkipFunction = std::size_t (*)(const unsigned char*, std::size_t);

// Converts the whole text; every character iconv cannot take becomes "?".
std::string Convert(const Converter& converter, std::string_view text, SkipFunction skip) {
  if (!converter.Usable()) return std::string(text.size(), '?');
  std::string result;
  result.reserve(text.size() * 2);
  const char* in = text.data();
  std::size_t inLeft = text.size();
  char buffer[1024];
  ::iconv(converter.Handle(), nullptr, nullptr, nullptr, nullptr);
  while (inLeft > 0) {
    char* out = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t done = ::iconv(converter.Handle(), const_cast<char**>(&in), &inLeft, &out, &outLeft);
    const int error = errno;
    result.append(buffer, static_cast<std::size_t>(out - buffer));
    if (done != static_cast<std::size_t>(-1)) break;
    if (error == E2BIG) continue;
    // EILSEQ (cannot convert) or EINVAL (cut off at the end): one "?" for the character.
    const std::size_t bad = std::min(inLeft, skip(reinterpret_cast<const unsigned char*>(in), inLeft));
    result.push_back('?');
    in += bad;
    inLeft -= bad;
    ::iconv(converter.Handle(), nullptr, nullptr, nullptr, nullptr);
  }
  return result;
}

}  // namespace

std::string Cp950ToUtf8(std::string_view text) {
  thread_local const Converter converter("UTF-8", "CP950");
  return Convert(converter, text, &Cp950CharLength);
}

std::string Utf8ToCp950(std::string_view text) {
  thread_local const Converter converter("CP950", "UTF-8");
  return Convert(converter, text, &Utf8Unconvertible);
}

// ---------------------------------------------------------------------------------------
// ASCII case and blanks

namespace {
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// Blanks as C's isspace sees them in the "C" locale (atoi skips these).
bool IsCSpace(char c) { return IsBlank(c) || c == '\v' || c == '\f'; }

// Length of the character at `i`: 2 for a code page 950 double-byte character (whose
// second byte may look like an ASCII letter and must not change), else 1.
std::size_t CharLength(std::string_view text, std::size_t i) {
  return Cp950CharLength(reinterpret_cast<const unsigned char*>(text.data() + i), text.size() - i);
}

std::string Transformed(std::string_view text, char (*change)(char)) {
  std::string result(text);
  for (std::size_t i = 0; i < result.size(); i += CharLength(text, i)) result[i] = change(result[i]);
  return result;
}
}  // namespace

std::string ToUpper(std::string_view text) { return Transformed(text, &AsciiUpper); }
std::string ToLower(std::string_view text) { return Transformed(text, &AsciiLower); }

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size();) {
    const std::size_t length = CharLength(a, i);
    if (length == 2) {
      if (a.substr(i, 2) != b.substr(i, 2)) return false;
    } else if (AsciiUpper(a[i]) != AsciiUpper(b[i])) {
      return false;
    }
    i += length;
  }
  return true;
}
bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::string TrimLeft(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && IsBlank(text[start])) ++start;
  return std::string(text.substr(start));
}

std::string TrimRight(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string GetDelimitedField(std::string_view text, char delimiter, std::size_t index) {
  if (text.find(delimiter) == std::string_view::npos) return std::string();
  const std::vector<std::string> fields = Split(text, delimiter);
  return index < fields.size() ? Trim(fields[index]) : std::string();
}

bool WildcardMatchesNoCase(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::size_t starPattern = std::string_view::npos, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starPattern = p++;
      starName = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || AsciiUpper(pattern[p]) == AsciiUpper(name[n]))) {
      ++p;
      ++n;
    } else if (starPattern != std::string_view::npos) {
      p = starPattern + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      fields.emplace_back(text.substr(start));
      return fields;
    }
    fields.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
}

std::string JoinAsList(const std::vector<std::string>& items) {
  std::string text;
  for (std::size_t i = 0; i < items.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == items.size() ? " and " : ", ") + items[i];
  }
  return text;
}

std::vector<std::string> SplitBlankOrComma(std::string_view text) {
  std::vector<std::string> items;
  std::string item;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == ',' || c == '\r' || c == '\n') {
      if (!item.empty()) items.push_back(std::move(item));
      item.clear();
    } else {
      item += c;
    }
  }
  if (!item.empty()) items.push_back(std::move(item));
  return items;
}

// ---------------------------------------------------------------------------------------
// Numbers

// As atoi: leading blanks, an optional sign, then decimal digits up to the first other
// character. Values beyond the int range are held at INT_MIN / INT_MAX instead of
// overflowing.
int ParseLeadingInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value >= limit) {
      value = limit;
      break;
    }
  }
  return static_cast<int>(negative ? -value : value);
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Leading blanks, an optional "0x"/"0X", then hexadecimal digits; the fallback when there
// are none. A value too large for unsigned long is held at its maximum.
unsigned long ParseHex(std::string_view text, unsigned long fallback) {
  std::size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool anyDigit = false;
  if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    anyDigit = true;  // "0x" alone reads as the 0 before the x, as strtoul does
    i += 2;
  }
  unsigned long value = 0;
  for (; i < text.size() && HexDigitValue(text[i]) >= 0; ++i) {
    anyDigit = true;
    if (value > (ULONG_MAX >> 4)) {
      value = ULONG_MAX;
      continue;
    }
    value = (value << 4) | static_cast<unsigned long>(HexDigitValue(text[i]));
  }
  return anyDigit ? value : fallback;
}

}  // namespace platform
