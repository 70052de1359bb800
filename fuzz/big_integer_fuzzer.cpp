// libFuzzer target of the big-integer library against GMP. The input draws the operands (see
// gmporacle::Operand: either sign, zero, one word and many, all-ones words filling their
// array, powers of two and their neighbours, sparse words, divisors close to the dividend,
// arrays of any length) and the first value drawn picks what is checked:
//   0-3  the arithmetic and its in-place forms, division by integers, words, signed values
//        and powers of two, shifts, bits and text (operands up to 70 words);
//   4    greatest common divisor, inverses, square roots, products modulo b, Jacobi symbol;
//   5    modular powers (Montgomery and plain);
//   6    the prime tests and the search for the next prime;
//   7    random draws in a range;
//   8    the recursive products of word arrays of any even length.
// Any result that differs from GMP's is printed and the run stops.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "crypto/GmpOracle.h"

namespace {

using crypto::CInteger;
using crypto::Word;

class InputDraw : public gmporacle::Draw {
 public:
  explicit InputDraw(FuzzedDataProvider& input) : m_input(input) {}
  std::uint32_t Below(std::uint32_t bound) override { return m_input.ConsumeIntegralInRange<std::uint32_t>(0, bound - 1); }
  Word AnyWord() override { return m_input.ConsumeIntegral<Word>(); }

 private:
  FuzzedDataProvider& m_input;
};

void Stop(const std::string& what, const std::string& ours, const std::string& theirs) {
  std::fprintf(stderr, "big integer differs from GMP: %s\n  ours:   %s\n  theirs: %s\n", what.c_str(), ours.c_str(),
               theirs.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  InputDraw draw(input);
  const gmporacle::Report report = &Stop;
  const std::uint32_t what = draw.Below(9);
  switch (what) {
    case 4: {
      const CInteger a = gmporacle::Operand(draw, 16);
      const CInteger b = gmporacle::Operand(draw, 16, &a);
      gmporacle::CheckNumberTheory(a, b, report);
      break;
    }
    case 5: {
      const CInteger modulus = gmporacle::Operand(draw, 16);
      const CInteger base = gmporacle::Operand(draw, 20, &modulus);
      const CInteger exponent = gmporacle::Operand(draw, 3);
      gmporacle::CheckPowers(base, exponent, modulus, draw.Below(2) == 0, report);
      break;
    }
    case 6: {
      const CInteger n = gmporacle::Operand(draw, 4);
      const CInteger start = gmporacle::Operand(draw, 3, &n);
      gmporacle::CheckPrimes(n, start, draw.Below(3000), report);
      break;
    }
    case 7: {
      const CInteger min = gmporacle::Operand(draw, 4);
      const CInteger max = gmporacle::Operand(draw, 4, &min);
      gmporacle::CheckDraws(draw.AnyWord(), min, max, report);
      break;
    }
    case 8: {
      const std::size_t n = 2 * (1 + draw.Below(40));
      std::vector<Word> a(n), b(n);
      for (Word& word : a) word = draw.Below(4) == 0 ? 0xFFFFFFFFu : draw.AnyWord();
      for (Word& word : b) word = draw.Below(4) == 0 ? 0xFFFFFFFFu : draw.AnyWord();
      gmporacle::CheckWordProducts(a, b, report);
      break;
    }
    default: {
      const CInteger a = gmporacle::Operand(draw, 70);
      const CInteger b = gmporacle::Operand(draw, 70, &a);
      gmporacle::CheckArithmetic(a, b, report);
      gmporacle::CheckDivision(a, b, report);
      const Word word = draw.AnyWord() >> draw.Below(32);
      const auto value = static_cast<std::int32_t>(draw.AnyWord()) >> draw.Below(32);
      gmporacle::CheckSmallDivisors(a, word, value, draw.Below(2300), report);
      gmporacle::CheckBitsAndText(a, draw.Below(2300), report);
      break;
    }
  }
  return 0;
}
