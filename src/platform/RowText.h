#pragma once
// A text row built field by field in a buffer that keeps its room from row to row: numbers
// go in through std::to_chars, so that a log of a million rows costs no printf-style parsing
// and no allocation per row. It writes what "%d", "%u", "%x" and "%s" write.
//
// The fields are written through a cursor that holds its place in a register: a row asks for
// room for its longest form once (Append), writes its fields and hands the cursor back
// (Commit).
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>

namespace platform {

namespace row_text_detail {
// The digits of 0..999 in the first three bytes and their count in the fourth, so that a small
// number goes into a row with one store of four bytes.
constexpr std::array<std::uint32_t, 1000> MakeSmallNumbers() {
  std::array<std::uint32_t, 1000> numbers{};
  for (std::uint32_t value = 0; value < 1000; ++value) {
    const std::uint32_t count = value >= 100 ? 3 : value >= 10 ? 2 : 1;
    std::uint32_t digits = 0;
    std::uint32_t rest = value;
    for (std::uint32_t place = count; place-- > 0;) {
      digits |= static_cast<std::uint32_t>('0' + rest % 10) << (8 * place);
      rest /= 10;
    }
    numbers[value] = digits | (count << 24);
  }
  return numbers;
}
inline constexpr std::array<std::uint32_t, 1000> kSmallNumbers = MakeSmallNumbers();
// The same with three digits always ("007"): the lower part of a larger number.
constexpr std::array<std::uint32_t, 1000> MakeThreeDigits() {
  std::array<std::uint32_t, 1000> numbers{};
  for (std::uint32_t value = 0; value < 1000; ++value) {
    numbers[value] = static_cast<std::uint32_t>('0' + value / 100) |
                     static_cast<std::uint32_t>('0' + value / 10 % 10) << 8 |
                     static_cast<std::uint32_t>('0' + value % 10) << 16 | 3u << 24;
  }
  return numbers;
}
inline constexpr std::array<std::uint32_t, 1000> kThreeDigits = MakeThreeDigits();
static_assert(std::endian::native == std::endian::little, "the packed digits are stored first byte first");
}  // namespace row_text_detail

class RowCursor {
 public:
  explicit RowCursor(char* at) : m_at(at) {}

  RowCursor& Text(std::string_view text) {
    std::memcpy(m_at, text.data(), text.size());
    m_at += text.size();
    return *this;
  }
  RowCursor& Char(char c) {
    *m_at++ = c;
    return *this;
  }
  // Decimal, as "%d" / "%u" (at most 20 characters). Numbers below 1,000 (most fields of a log
  // row) take a short way.
  template <std::integral Number>
  RowCursor& Decimal(Number value) {
    bool small = value < 1000;
    if constexpr (std::is_signed_v<Number>) small = small && value >= 0;
    if (small) {
      Packed(row_text_detail::kSmallNumbers[static_cast<std::size_t>(value)]);
      return *this;
    }
    bool belowMillion = value < 1000000;
    if constexpr (std::is_signed_v<Number>) belowMillion = belowMillion && value >= 0;
    if (belowMillion) {
      const auto number = static_cast<std::uint32_t>(value);
      Packed(row_text_detail::kSmallNumbers[number / 1000]);
      Packed(row_text_detail::kThreeDigits[number % 1000]);
      return *this;
    }
    m_at = std::to_chars(m_at, m_at + kLongestNumber, value).ptr;
    return *this;
  }
  // Lower-case hexadecimal without a prefix, as "%x" (at most 16 characters).
  template <std::unsigned_integral Number>
  RowCursor& Hex(Number value) {
    m_at = std::to_chars(m_at, m_at + kLongestNumber, value, 16).ptr;
    return *this;
  }
  // A thousandth part as "%.3f" writes value / 1000.0 (exact for whole numbers).
  RowCursor& Thousandths(unsigned long long value) {
    Decimal(value / 1000).Char('.');
    const unsigned fraction = static_cast<unsigned>(value % 1000);
    m_at[0] = static_cast<char>('0' + fraction / 100);
    m_at[1] = static_cast<char>('0' + fraction / 10 % 10);
    m_at[2] = static_cast<char>('0' + fraction % 10);
    m_at += 3;
    return *this;
  }
  char* Position() const { return m_at; }

  static constexpr std::size_t kLongestNumber = 24;

 private:
  // Four bytes go in (little-endian: the digits first); the count in the last says how many
  // of them stay.
  void Packed(std::uint32_t packed) {
    std::memcpy(m_at, &packed, sizeof packed);
    m_at += packed >> 24;
  }

  char* m_at;
};

class RowText {
 public:
  RowText() { m_room.resize(kFirstRoom); }

  RowText& Clear() {
    m_length = 0;
    return *this;
  }
  // A cursor at the row's end with room for `bytes` more.
  RowCursor Append(std::size_t bytes) { return RowCursor(Room(bytes)); }
  void Commit(const RowCursor& cursor) { m_length = static_cast<std::size_t>(cursor.Position() - m_room.data()); }

  // Single fields, each with its own room check.
  RowText& Text(std::string_view text) { return With(text.size(), [&](RowCursor& at) { at.Text(text); }); }
  RowText& Char(char c) { return With(1, [&](RowCursor& at) { at.Char(c); }); }
  template <std::integral Number>
  RowText& Decimal(Number value) {
    return With(RowCursor::kLongestNumber, [&](RowCursor& at) { at.Decimal(value); });
  }
  template <std::unsigned_integral Number>
  RowText& Hex(Number value) {
    return With(RowCursor::kLongestNumber, [&](RowCursor& at) { at.Hex(value); });
  }
  RowText& Thousandths(unsigned long long value) {
    return With(RowCursor::kLongestNumber + 4, [&](RowCursor& at) { at.Thousandths(value); });
  }

  std::string_view View() const { return {m_room.data(), m_length}; }
  std::size_t Size() const { return m_length; }
  // The row as a string (kept in the object until the next call).
  const std::string& Str() {
    m_text.assign(m_room.data(), m_length);
    return m_text;
  }
  // The row with an ending ("\r\n") as a string (kept likewise).
  const std::string& Line(std::string_view ending) {
    std::memcpy(Room(ending.size()), ending.data(), ending.size());
    m_text.assign(m_room.data(), m_length + ending.size());
    return m_text;
  }
  // After Line: the same string without its ending, so that the row is not copied again.
  const std::string& CutEnding(std::string_view ending) {
    m_text.resize(m_text.size() - std::min(ending.size(), m_text.size()));
    return m_text;
  }

 private:
  static constexpr std::size_t kFirstRoom = 512;

  template <typename Write>
  RowText& With(std::size_t bytes, Write write) {
    RowCursor at = Append(bytes);
    write(at);
    Commit(at);
    return *this;
  }
  char* Room(std::size_t bytes) {
    if (m_length + bytes > m_room.size()) [[unlikely]] Grow(bytes);
    return m_room.data() + m_length;
  }
  [[gnu::noinline]] void Grow(std::size_t bytes) { m_room.resize(std::max(m_room.size() * 2, m_length + bytes)); }

  std::string m_room;  // written through data(); its size is the room, not the row
  std::size_t m_length = 0;
  std::string m_text;
};

}  // namespace platform
