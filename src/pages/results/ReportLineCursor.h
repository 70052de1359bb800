#pragma once
// A cursor over one report line for the readers' one-pass recognisers of the lines the engine
// writes (ScanBadBlockLine.h, RdtFailRecords.h): literals, runs of spaces and runs of digits
// are taken from the front, and any mismatch leaves the caller to refuse the line. Nothing is
// copied: the fields taken are views into the line.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

class CReportLineCursor {
 public:
  explicit CReportLineCursor(std::string_view line) : m_line(line) {}

  void SkipSpaces() {
    // Eight at a time while they come in eights (as the report's indents do).
    while (m_line.size() - m_at >= 8 && Load<std::uint64_t>(m_line.data() + m_at) == 0x2020202020202020ull) m_at += 8;
    while (m_at < m_line.size() && m_line[m_at] == ' ') ++m_at;
  }
  // Passes over bytes the caller has looked at already.
  void Skip(std::size_t bytes) { m_at += bytes < m_line.size() - m_at ? bytes : m_line.size() - m_at; }
  // Takes the literal when the line continues with it (its size known here, so the comparison
  // becomes a few loads of fixed size).
  template <std::size_t N>
  [[gnu::always_inline]] bool Literal(const char (&text)[N]) {
    constexpr std::size_t kLength = N - 1;
    if (m_line.size() - m_at < kLength || !SameBytes(m_line.data() + m_at, text, kLength)) return false;
    m_at += kLength;
    return true;
  }

  // Whether the bytes are the same, compared eight (or four) at a time.
  [[gnu::always_inline]] static bool SameBytes(const char* a, const char* b, std::size_t size) {
    if (size >= 8) {
      for (std::size_t at = 0; at + 8 < size; at += 8) {
        if (Load<std::uint64_t>(a + at) != Load<std::uint64_t>(b + at)) return false;
      }
      return Load<std::uint64_t>(a + size - 8) == Load<std::uint64_t>(b + size - 8);
    }
    if (size >= 4) {
      return Load<std::uint32_t>(a) == Load<std::uint32_t>(b) &&
             Load<std::uint32_t>(a + size - 4) == Load<std::uint32_t>(b + size - 4);
    }
    for (std::size_t at = 0; at < size; ++at) {
      if (a[at] != b[at]) return false;
    }
    return true;
  }
  // Takes a run of at least one decimal digit.
  [[gnu::always_inline]] bool Digits(std::string_view& out) { return Take([](char c) { return IsDigit(c); }, out); }
  // Takes a run of at least one hexadecimal digit.
  [[gnu::always_inline]] bool HexDigits(std::string_view& out) {
    return Take([](char c) { return IsDigit(c) || static_cast<unsigned char>((c | 0x20) - 'a') <= 5; }, out);
  }

  std::string_view Rest() const { return std::string_view(m_line.data() + m_at, m_line.size() - m_at); }
  // The text from an earlier place of the cursor up to it.
  std::string_view From(std::size_t start) const { return std::string_view(m_line.data() + start, m_at - start); }
  std::size_t At() const { return m_at; }

 private:
  template <class Word>
  static Word Load(const char* bytes) {
    Word word;
    std::memcpy(&word, bytes, sizeof(word));
    return word;
  }
  static bool IsDigit(char c) { return static_cast<unsigned char>(c - '0') <= 9; }
  template <class Belongs>
  [[gnu::always_inline]] bool Take(Belongs belongs, std::string_view& out) {
    const std::size_t start = m_at;
    while (m_at < m_line.size() && belongs(m_line[m_at])) ++m_at;
    out = std::string_view(m_line.data() + start, m_at - start);
    return m_at > start;
  }

  std::string_view m_line;
  std::size_t m_at = 0;
};
