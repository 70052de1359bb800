#pragma once
// Field types of the on-drive records. Every record is a struct of these, so its layout is
// byte for byte what the drive sends: they have alignment 1 (no padding, odd offsets allowed)
// and keep numbers little-endian whatever the host. The records check their size and the
// offset of every field with static_assert.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

// An unsigned little-endian number of N bytes (N = 1..8).
template <std::size_t N>
struct LeUint {
  static_assert(N >= 1 && N <= 8);
  std::uint8_t bytes[N];

  void Set(std::uint64_t value) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  std::uint64_t Get() const {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < N; ++i) value |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
    return value;
  }
  // Sets or clears bits [first, first + count) of the number.
  void SetBits(unsigned first, unsigned count, std::uint64_t value) {
    const std::uint64_t mask = (count >= 64 ? ~0ull : ((1ull << count) - 1)) << first;
    Set((Get() & ~mask) | ((value << first) & mask));
  }
  std::uint64_t GetBits(unsigned first, unsigned count) const {
    const std::uint64_t mask = count >= 64 ? ~0ull : ((1ull << count) - 1);
    return (Get() >> first) & mask;
  }
};

// An unsigned big-endian number of N bytes (the firmware image header keeps its numbers
// high byte first).
template <std::size_t N>
struct BeUint {
  static_assert(N >= 1 && N <= 8);
  std::uint8_t bytes[N];

  void Set(std::uint64_t value) {
    for (std::size_t i = 0; i < N; ++i) bytes[N - 1 - i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  std::uint64_t Get() const {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < N; ++i) value = (value << 8) | bytes[i];
    return value;
  }
};

using LeU16 = LeUint<2>;
using LeU24 = LeUint<3>;
using LeU32 = LeUint<4>;
using LeU64 = LeUint<8>;
using BeU16 = BeUint<2>;
using BeU32 = BeUint<4>;

// Characters in plain order, padded with a fill byte.
template <std::size_t N>
struct PlainText {
  char chars[N];
  void Set(std::string_view text, char fill = ' ') {
    std::memset(chars, fill, N);
    std::memcpy(chars, text.data(), std::min(text.size(), N));
  }
  std::string_view Get() const { return std::string_view(chars, N); }
};

// Characters stored the way ATA identification strings are: in two-byte pairs, the first
// character of each pair in the pair's second byte ("ABCD" is stored as B A D C).
template <std::size_t N>
struct WordSwappedText {
  static_assert(N % 2 == 0);
  char chars[N];
  void Set(std::string_view text, char fill = ' ') {
    char plain[N];
    std::memset(plain, fill, N);
    std::memcpy(plain, text.data(), std::min(text.size(), N));
    for (std::size_t i = 0; i < N; i += 2) {
      chars[i] = plain[i + 1];
      chars[i + 1] = plain[i];
    }
  }
  // The text in reading order.
  void CopyTo(char (&out)[N]) const {
    for (std::size_t i = 0; i < N; i += 2) {
      out[i] = chars[i + 1];
      out[i + 1] = chars[i];
    }
  }
};

// The bytes of a record, for copying it onto the wire.
template <typename Record>
std::span<const std::uint8_t> BytesOf(const Record& record) {
  static_assert(alignof(Record) == 1, "on-drive records have no padding");
  return {reinterpret_cast<const std::uint8_t*>(&record), sizeof(Record)};
}
template <typename Record>
std::span<std::uint8_t> BytesOf(Record& record) {
  static_assert(alignof(Record) == 1, "on-drive records have no padding");
  return {reinterpret_cast<std::uint8_t*>(&record), sizeof(Record)};
}

// A record read from bytes; the bytes must hold at least the record.
template <typename Record>
bool ReadRecord(std::span<const std::uint8_t> bytes, Record& record) {
  if (bytes.size() < sizeof(Record)) return false;
  std::memcpy(&record, bytes.data(), sizeof(Record));
  return true;
}

