#pragma once
// A cursor over one report line for the readers' one-pass recognisers of the lines the engine
// writes (ScanBadBlockLine.h, RdtFailRecords.h): literals, runs of spaces and runs of digits
// are taken from the front, and any mismatch leaves the caller to refuse the line. Nothing is
// copied: the fields taken are views into the line.
#include <cstddef>
#include <cstring>
#include <string_view>

class CReportLineCursor {
 public:
  explicit CReportLineCursor(std::string_view line) : m_line(line) {}

  void SkipSpaces() {
    while (m_at < m_line.size() && m_line[m_at] == ' ') ++m_at;
  }
  // Passes over bytes the caller has looked at already.
  void Skip(std::size_t bytes) { m_at += bytes < m_line.size() - m_at ? bytes : m_line.size() - m_at; }
  // Takes the literal when the line continues with it (compared as one fixed-size block).
  template <std::size_t N>
  bool Literal(const char (&text)[N]) {
    constexpr std::size_t kLength = N - 1;
    if (m_line.size() - m_at < kLength || std::memcmp(m_line.data() + m_at, text, kLength) != 0) return false;
    m_at += kLength;
    return true;
  }
  // Takes a run of at least one decimal digit.
  bool Digits(std::string_view& out) { return Take(&IsDigit, out); }
  // Takes a run of at least one hexadecimal digit.
  bool HexDigits(std::string_view& out) { return Take(&IsHexDigit, out); }

  std::string_view Rest() const { return m_line.substr(m_at); }
  std::string_view From(std::size_t start) const { return m_line.substr(start, m_at - start); }
  std::size_t At() const { return m_at; }

 private:
  static bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') <= 9; }
  static bool IsHexDigit(char c) { return IsDigit(c) || static_cast<unsigned char>((c | 0x20) - 'a') <= 5; }
  bool Take(bool (*belongs)(char), std::string_view& out) {
    const std::size_t start = m_at;
    while (m_at < m_line.size() && belongs(m_line[m_at])) ++m_at;
    out = std::string_view(m_line.data() + start, m_at - start);
    return m_at > start;
  }

  std::string_view m_line;
  std::size_t m_at = 0;
};
