#pragma once
// Helpers of the cipher and digest tests: hexadecimal fixtures, and a parameter that runs a
// test once on the processor's instructions (where it has them) and once on the portable code.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/CpuFeatures.h"

namespace cryptotest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes FromHex(std::string_view hex) {
  Bytes bytes;
  int high = -1;
  for (const char c : hex) {
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else continue;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<std::uint8_t>(high * 16 + digit));
      high = -1;
    }
  }
  return bytes;
}

inline std::string ToHex(const std::uint8_t* data, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    text += kDigits[data[i] >> 4];
    text += kDigits[data[i] & 15];
  }
  return text;
}

inline std::string ToHex(const Bytes& bytes) { return ToHex(bytes.data(), bytes.size()); }

enum class CodePath { kInstructions, kPortable };

inline std::string CodePathName(const testing::TestParamInfo<CodePath>& info) {
  return info.param == CodePath::kInstructions ? "Instructions" : "Portable";
}

// A test fixture whose parameter picks the code path; the instruction path is skipped on a
// processor without the instructions.
class CodePathTest : public testing::TestWithParam<CodePath> {
 protected:
  void SetUp() override { crypto::AllowInstructionPaths(GetParam() == CodePath::kInstructions); }
  void TearDown() override { crypto::AllowInstructionPaths(true); }
};

}  // namespace cryptotest
