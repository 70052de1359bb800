#pragma once
// Helpers of the cipher and digest tests: hexadecimal fixtures (HexText.h), and a parameter
// that runs a test once on the processor's instructions (where it has them) and once on the
// portable code.
#include <gtest/gtest.h>

#include <string>

#include "crypto/CpuFeatures.h"
#include "crypto/HexText.h"

namespace cryptotest {

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
