#include "pages/results/ReportText.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <charconv>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace report_text {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Whether the character belongs to the set of a "%[^...]" conversion (the characters that
// end the field).
bool InSet(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }

}  // namespace

bool Contains(std::string_view text, std::string_view key) { return text.find(key) != std::string_view::npos; }

void RemoveBlanks(std::string& text) { text.erase(std::remove(text.begin(), text.end(), ' '), text.end()); }

void ReplaceWord(std::string& text, std::string_view word, std::string_view replacement) {
  if (word.empty()) return;
  std::size_t at = text.find(word);
  if (at == std::string::npos) return;
  std::string result;
  result.reserve(text.size());
  std::size_t from = 0;
  while (at != std::string::npos) {
    result.append(text, from, at - from);
    result.append(replacement);
    from = at + word.size();
    at = text.find(word, from);
  }
  result.append(text, from, std::string::npos);
  text.swap(result);
}

void RemoveWord(std::string& text, std::string_view word) { ReplaceWord(text, word, {}); }

std::string_view TrimLeftBlanks(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && IsBlank(text[at])) ++at;
  return text.substr(at);
}

int ScanText(std::string_view input, std::string_view format, std::span<std::string_view> fields) {
  for (std::string_view& field : fields) field = {};
  std::size_t in = 0;
  std::size_t next = 0;
  for (std::size_t f = 0; f < format.size();) {
    if (format[f] != '%') {
      if (in >= input.size() || input[in] != format[f]) break;
      ++in;
      ++f;
      continue;
    }
    if (f + 1 < format.size() && format[f + 1] == 's') {
      while (in < input.size() && IsBlank(input[in])) ++in;
      const std::size_t start = in;
      while (in < input.size() && !IsBlank(input[in])) ++in;
      if (in == start) break;
      if (next < fields.size()) fields[next] = input.substr(start, in - start);
      ++next;
      f += 2;
      continue;
    }
    // "%[^set]": the set runs to the first "]" after the "^" (a "]" right after it belongs
    // to the set, as in C).
    if (f + 2 < format.size() && format[f + 1] == '[' && format[f + 2] == '^') {
      std::size_t close = format.find(']', f + 4);
      if (close == std::string_view::npos) break;
      const std::string_view set = format.substr(f + 3, close - (f + 3));
      const std::size_t start = in;
      while (in < input.size() && !InSet(input[in], set)) ++in;
      if (in == start) break;
      if (next < fields.size()) fields[next] = input.substr(start, in - start);
      ++next;
      f = close + 1;
      continue;
    }
    break;  // a conversion the readers do not use
  }
  return static_cast<int>(std::min(next, fields.size()));
}

namespace {

// Bit 7 of every byte of the word that equals the byte of the pattern (every byte of the
// pattern the same); exact, with no carries between bytes.
inline std::uint64_t BytesEqual(std::uint64_t word, std::uint64_t pattern) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
  const std::uint64_t t = word ^ pattern;
  return ~(((t & kLow7) + kLow7) | t) & ~kLow7;
}

}  // namespace

bool HoldsAnyByte(std::string_view text, std::string_view bytes) {
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t at = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::uint64_t patterns[4] = {};
    const std::size_t count = std::min<std::size_t>(bytes.size(), 4);
    for (std::size_t i = 0; i < count; ++i) patterns[i] = 0x0101010101010101ull * static_cast<unsigned char>(bytes[i]);
    if (count == bytes.size()) {
      for (; at + 8 <= size; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + at, sizeof(word));
        for (std::size_t i = 0; i < count; ++i) {
          if (BytesEqual(word, patterns[i]) != 0) return true;
        }
      }
    }
  }
  for (; at < size; ++at) {
    if (bytes.find(data[at]) != std::string_view::npos) return true;
  }
  return false;
}

CSeparatorScanner::CSeparatorScanner(char separator, std::string_view refusedBytes)
    : m_refuses(!refusedBytes.empty()) {
  for (std::size_t i = 0; i < 9; ++i) {
    const char byte = i == 0 || !m_refuses ? separator : refusedBytes[std::min(i - 1, refusedBytes.size() - 1)];
    std::memset(m_patterns[i], static_cast<unsigned char>(byte), sizeof(m_patterns[i]));
  }
  assert(refusedBytes.size() <= 8);
}

// Inlined into Scan and SplitFields: the patterns stay in registers across a text's blocks.
[[gnu::always_inline]] inline std::uint64_t CSeparatorScanner::BlockSeparators(std::string_view text, std::size_t at,
                                                                    bool& refused) const {
  const char* const data = text.data();
  const std::size_t size = text.size();
  const std::size_t block = std::min<std::size_t>(size - at, 64);
  std::uint64_t separators = 0;
  std::size_t done = 0;
#if defined(__SSE2__)
  if (size >= 16) {
    const auto pattern = [this](int i) { return _mm_load_si128(reinterpret_cast<const __m128i*>(m_patterns[i])); };
    const __m128i separator = pattern(0);
    const __m128i r0 = pattern(1), r1 = pattern(2), r2 = pattern(3), r3 = pattern(4);
    const __m128i r4 = pattern(5), r5 = pattern(6), r6 = pattern(7), r7 = pattern(8);
    const auto refusedOf = [&](__m128i x) {
      return _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, r0), _mm_cmpeq_epi8(x, r1)),
                                       _mm_or_si128(_mm_cmpeq_epi8(x, r2), _mm_cmpeq_epi8(x, r3))),
                          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, r4), _mm_cmpeq_epi8(x, r5)),
                                       _mm_or_si128(_mm_cmpeq_epi8(x, r6), _mm_cmpeq_epi8(x, r7))));
    };
    const auto bits = [](__m128i set) {
      return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(set)));
    };
    __m128i refusedBytes = _mm_setzero_si128();
    for (; done + 16 <= block; done += 16) {
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + done));
      separators |= bits(_mm_cmpeq_epi8(x, separator)) << done;
      refusedBytes = _mm_or_si128(refusedBytes, refusedOf(x));
    }
    std::uint64_t refusedBits = bits(refusedBytes);
    if (done < block) {
      // The last bytes through the sixteen that end the block, less those looked at.
      const unsigned overlap = static_cast<unsigned>(16 - (block - done));
      const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + block - 16));
      separators |= (bits(_mm_cmpeq_epi8(x, separator)) >> overlap) << done;
      refusedBits |= bits(refusedOf(x)) >> overlap;
      done = block;
    }
    refused |= m_refuses && refusedBits != 0;
  }
#endif
  for (; done < block; ++done) {
    const char byte = data[at + done];
    separators |= static_cast<std::uint64_t>(byte == static_cast<char>(m_patterns[0][0])) << done;
    for (std::size_t i = 1; i < 9; ++i) refused |= m_refuses && byte == static_cast<char>(m_patterns[i][0]);
  }
  return separators;
}

int SplitFields(std::string_view text, char separator, std::span<std::string_view> fields) {
  if (fields.empty()) return 0;
  const char* const data = text.data();
  const std::size_t size = text.size();
  std::size_t count = 0;
  std::size_t from = 0;
  auto separatorAt = [&](std::size_t at) {
    fields[count++] = std::string_view(data + from, at - from);
    from = at + 1;
    return count == fields.size();
  };
  // Up to 64 bytes at a time: a mask of the separators' places, whose lowest set bit is the
  // next separator.
  const CSeparatorScanner scanner(separator, {});
  for (std::size_t at = 0; at < size; at += 64) {
    bool refused = false;
    for (std::uint64_t mask = scanner.BlockSeparators(text, at, refused); mask != 0; mask &= mask - 1) {
      if (separatorAt(at + static_cast<std::size_t>(std::countr_zero(mask)))) return static_cast<int>(count);
    }
  }
  fields[count++] = std::string_view(data + from, size - from);
  const int found = static_cast<int>(count);
  // Each field is written once: those not found are emptied last.
  for (; count < fields.size(); ++count) fields[count] = {};
  return found;
}

SeparatorScan CSeparatorScanner::Scan(std::string_view text, std::span<std::size_t> places) const {
  SeparatorScan scan;
  for (std::size_t at = 0; at < text.size(); at += 64) {
    for (std::uint64_t separators = BlockSeparators(text, at, scan.refused);
         separators != 0 && scan.separators < places.size(); separators &= separators - 1) {
      places[scan.separators++] = at + static_cast<std::size_t>(std::countr_zero(separators));
    }
  }
  return scan;
}

int ReadDecimal(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && (IsBlank(text[at]) || text[at] == '\n' || text[at] == '\r' || text[at] == '\v' ||
                              text[at] == '\f')) {
    ++at;
  }
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  long long value = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + (text[at] - '0');
    if (value > 0x80000000LL) value = 0x80000000LL;
  }
  if (negative) value = -value;
  return static_cast<int>(std::clamp<long long>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

bool ReadBlockNumber(std::string_view text, std::uint32_t& value) {
  text = TrimLeftBlanks(text);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  std::uint32_t number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number, base);
  if (error != std::errc() || end == text.data() || end != text.data() + text.size()) return false;
  value = number;
  return true;
}

std::string_view RestAfterEquals(std::string_view line) {
  const std::size_t equals = line.find('=');
  return equals == std::string_view::npos ? std::string_view() : line.substr(equals + 1);
}

std::string_view WordRightAfterEquals(std::string_view line) {
  const std::string_view rest = RestAfterEquals(line);
  std::size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end])) ++end;
  return rest.substr(0, end);
}

std::string_view WordAfterEquals(std::string_view line) {
  const std::string_view rest = TrimLeftBlanks(RestAfterEquals(line));
  std::size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end])) ++end;
  return rest.substr(0, end);
}

std::string_view TextAfterEqualsUpToDot(std::string_view line) {
  const std::string_view rest = RestAfterEquals(line);
  return rest.substr(0, rest.find('.'));
}

std::string DecimalText(long long value) { return std::string(std::string_view(NumberText(value))); }

NumberText::NumberText(long long value) {
  m_length = static_cast<std::size_t>(std::to_chars(m_text, m_text + sizeof(m_text), value).ptr - m_text);
}

NumberText::NumberText(long long first, long long second) {
  char* end = std::to_chars(m_text, m_text + sizeof(m_text) / 2, first).ptr;
  *end++ = '/';
  end = std::to_chars(end, m_text + sizeof(m_text), second).ptr;
  m_length = static_cast<std::size_t>(end - m_text);
}

}  // namespace report_text
