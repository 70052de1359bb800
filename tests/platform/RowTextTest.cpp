// Rows built field by field write what the printf-style formats they stand for write.
#include "platform/RowText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "platform/Text.h"

namespace {

TEST(RowText, NumbersAreWrittenAsPrintfWritesThem) {
  platform::RowText row;
  for (const long long value : {0LL, 7LL, 9LL, 10LL, 99LL, 100LL, 999LL, 1000LL, 1001LL, 65535LL, 999999LL, 1000000LL,
                                16777215LL, 2147483647LL, -1LL, -999LL, -1000LL, static_cast<long long>(INT_MIN)}) {
    row.Clear().Decimal(static_cast<int>(value));
    EXPECT_EQ(row.Str(), platform::Format("%d", static_cast<int>(value)));
  }
  for (const unsigned value : {0u, 15u, 16u, 255u, 4096u, 65535u, 0xDEADBEEFu}) {
    row.Clear().Hex(value);
    EXPECT_EQ(row.Str(), platform::Format("%x", value));
  }
  const std::uint8_t byte = 200;
  row.Clear().Decimal(byte).Char(',').Decimal(std::int8_t{-12}).Char(',').Decimal(std::uint64_t{1} << 40);
  EXPECT_EQ(row.Str(), "200,-12,1099511627776");
}

TEST(RowText, ThousandthsAreThoseOfPercentPointThreeF) {
  platform::RowText row;
  for (const unsigned long long value : {0ULL, 1ULL, 999ULL, 1000ULL, 1001ULL, 1234567ULL, 4294967295ULL}) {
    row.Clear().Thousandths(value);
    EXPECT_EQ(row.Str(), platform::Format("%.3f", static_cast<double>(value) / 1000.0));
  }
}

TEST(RowText, RowsOfAnyLengthAndTheirLineEnds) {
  platform::RowText row;
  const std::string longText(5000, 'x');  // more than the first room
  row.Clear().Text(longText).Char(',').Decimal(12345678);
  EXPECT_EQ(row.Str(), longText + ",12345678");
  EXPECT_EQ(row.Line("\r\n"), longText + ",12345678\r\n");
  EXPECT_EQ(row.CutEnding("\r\n"), longText + ",12345678");
  // A cursor asks for room once for a whole row.
  platform::RowCursor at = row.Clear().Append(64);
  at.Text("CE").Decimal(3).Text(",0x").Hex(0xABCu);
  row.Commit(at);
  EXPECT_EQ(row.View(), "CE3,0xabc");
  EXPECT_EQ(row.Size(), 9u);
}

}  // namespace
