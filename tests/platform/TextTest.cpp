#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <thread>
#include <vector>

#include "platform/Text.h"

namespace {

using namespace std::string_literals;

TEST(Format, ShortAndLongTexts) {
  EXPECT_EQ(platform::Format("%s_%d_Report.txt", "D_Reports", 7), "D_Reports_7_Report.txt");
  EXPECT_EQ(platform::Format("Total take %.3f sec.", 1.5), "Total take 1.500 sec.");
  EXPECT_EQ(platform::Format("%s", ""), "");
  const std::string block(10000, 'x');
  const std::string text = platform::Format("[%s]%05d", block.c_str(), 42);
  ASSERT_EQ(text.size(), 10007u);
  EXPECT_EQ(text.front(), '[');
  EXPECT_EQ(text.substr(10001), "]00042");
}

TEST(Format, KeepsEmbeddedBytesOfCodePage950) {
  EXPECT_EQ(platform::Format("%d\xA2\x58%s", 85, "\xA1\xF5"), "85\xA2\x58\xA1\xF5");
}

TEST(Cp950, ReportSymbolsDecodeToDegreeAndDownArrow) {
  EXPECT_EQ(platform::Cp950ToUtf8("\xA2\x58"), "\xC2\xB0");        // U+00B0 degree sign
  EXPECT_EQ(platform::Cp950ToUtf8("\xA1\xF5"), "\xE2\x86\x93");    // U+2193 downwards arrow
  EXPECT_EQ(platform::Utf8ToCp950("\xC2\xB0"), "\xA2\x58");
  EXPECT_EQ(platform::Utf8ToCp950("\xE2\x86\x93"), "\xA1\xF5");
}

TEST(Cp950, ChineseTextRoundTrips) {
  const std::string big5 = "Temp 45\xA2\x58 \xB4\xFA\xB8\xD5\xB3\xF8\xA7\x69 \xB3\x5C";  // 測試報告 許
  const std::string utf8 = "Temp 45\xC2\xB0 \xE6\xB8\xAC\xE8\xA9\xA6\xE5\xA0\xB1\xE5\x91\x8A \xE8\xA8\xB1";
  EXPECT_EQ(platform::Cp950ToUtf8(big5), utf8);
  EXPECT_EQ(platform::Utf8ToCp950(utf8), big5);
  EXPECT_EQ(platform::Cp950ToUtf8(""), "");
}

TEST(Cp950, JunkBecomesQuestionMarks) {
  EXPECT_EQ(platform::Cp950ToUtf8("ok\xFF!"), "ok?!");
  EXPECT_EQ(platform::Cp950ToUtf8("end\xB4"), "end?");   // a lead byte cut off at the end
  EXPECT_EQ(platform::Cp950ToUtf8("\xA3\xFEz"), "?z");   // a well-formed pair without a character
  EXPECT_EQ(platform::Utf8ToCp950("a\xF0\x9F\x98\x80" "b"), "a?b");  // an emoji: one "?"
  EXPECT_EQ(platform::Utf8ToCp950("x\xC3"), "x?");       // a UTF-8 sequence cut off
  EXPECT_EQ(platform::Utf8ToCp950("\x80\x80y"), "??y");  // stray continuation bytes
  EXPECT_EQ(platform::Cp950ToUtf8("a\0b"s), "a\0b"s);
}

TEST(Cp950Threads, ConversionsOnManyThreadsAgree) {
  const std::string big5 = "\xB4\xFA\xB8\xD5 45\xA2\x58 \xA1\xF5";
  const std::string utf8 = platform::Cp950ToUtf8(big5);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 500; ++i) {
        if (platform::Cp950ToUtf8(big5) != utf8 || platform::Utf8ToCp950(utf8) != big5) ++mismatches[t];
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int count : mismatches) EXPECT_EQ(count, 0);
}

TEST(Case, ChangesAsciiOnlyAndKeepsDoubleByteCharacters) {
  EXPECT_EQ(platform::ToUpper("abc-XYZ_09"), "ABC-XYZ_09");
  EXPECT_EQ(platform::ToLower("ABC-xyz_09"), "abc-xyz_09");
  // 報 (B3 F8) and 告 (A7 69): the second byte of 告 is "i" and must stay.
  EXPECT_EQ(platform::ToUpper("r\xB3\xF8\xA7\x69x"), "R\xB3\xF8\xA7\x69X");
  EXPECT_EQ(platform::ToLower("\xA7\x49Q"), "\xA7\x49q");
  EXPECT_EQ(platform::ToUpper("\xE9 t"), "\xE9 T");  // a lead byte without a second byte
  EXPECT_EQ(platform::ToUpper("t\xE9"), "T\xE9");
}

TEST(Case, ComparisonsIgnoreAsciiCaseOnly) {
  EXPECT_TRUE(platform::EqualsNoCase("General Info", "GENERAL info"));
  EXPECT_FALSE(platform::EqualsNoCase("General", "Generals"));
  EXPECT_FALSE(platform::EqualsNoCase("\xA7\x69", "\xA7\x49"));  // different characters
  EXPECT_TRUE(platform::EqualsNoCase("\xA7\x69k", "\xA7\x69K"));
  EXPECT_TRUE(platform::StartsWithNoCase("PhysicalDrive3", "physicaldrive"));
  EXPECT_FALSE(platform::StartsWithNoCase("Phy", "physical"));
  EXPECT_TRUE(platform::StartsWithNoCase("x", ""));
}

TEST(Trim, RemovesBlanksTabsAndLineEnds) {
  EXPECT_EQ(platform::Trim(" \t value 1 \r\n"), "value 1");
  EXPECT_EQ(platform::TrimLeft("  a "), "a ");
  EXPECT_EQ(platform::TrimRight("  a \r"), "  a");
  EXPECT_EQ(platform::Trim(" \t\r\n"), "");
  EXPECT_EQ(platform::Trim("\xA1\x40"), "\xA1\x40");  // a full-width blank is a character
}

TEST(Split, KeepsEmptyFields) {
  EXPECT_EQ(platform::Split("a,b,,c", ','), (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_EQ(platform::Split("", ','), (std::vector<std::string>{""}));
  EXPECT_EQ(platform::Split(",", ','), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(platform::Split("CE0,", ','), (std::vector<std::string>{"CE0", ""}));
}

TEST(ParseLeadingInt, ReadsAsAtoiDoes) {
  EXPECT_EQ(platform::ParseLeadingInt("12abc"), 12);
  EXPECT_EQ(platform::ParseLeadingInt(""), 0);
  EXPECT_EQ(platform::ParseLeadingInt("abc"), 0);
  EXPECT_EQ(platform::ParseLeadingInt(" \t-7x"), -7);
  EXPECT_EQ(platform::ParseLeadingInt("+5"), 5);
  EXPECT_EQ(platform::ParseLeadingInt("- 5"), 0);
  EXPECT_EQ(platform::ParseLeadingInt("0x1F"), 0);
}

TEST(ParseLeadingInt, HoldsOverflowAtTheLimits) {
  EXPECT_EQ(platform::ParseLeadingInt("2147483647"), INT_MAX);
  EXPECT_EQ(platform::ParseLeadingInt("-2147483648"), INT_MIN);
  EXPECT_EQ(platform::ParseLeadingInt("2147483648"), INT_MAX);
  EXPECT_EQ(platform::ParseLeadingInt("-99999999999999999999999"), INT_MIN);
  EXPECT_EQ(platform::ParseLeadingInt("99999999999999999999999"), INT_MAX);
}

TEST(ParseHex, ReadsLeadingHexDigits) {
  EXPECT_EQ(platform::ParseHex("3F", 7), 0x3Fu);
  EXPECT_EQ(platform::ParseHex("0x10", 7), 0x10u);
  EXPECT_EQ(platform::ParseHex(" ffz", 7), 0xFFu);
  EXPECT_EQ(platform::ParseHex("0x", 7), 0u);
  EXPECT_EQ(platform::ParseHex("", 0x35), 0x35u);
  EXPECT_EQ(platform::ParseHex("zz", 0x35), 0x35u);
  EXPECT_EQ(platform::ParseHex("FFFFFFFFFFFFFFFFFFFF", 0), ULONG_MAX);
}

}  // namespace

TEST(GetDelimitedField, CutsAtEveryDelimiterAndTrimsTheField) {
  EXPECT_EQ(platform::GetDelimitedField("a,b,,c", ',', 0), "a");
  EXPECT_EQ(platform::GetDelimitedField("a,b,,c", ',', 1), "b");
  EXPECT_EQ(platform::GetDelimitedField("a,b,,c", ',', 2), "");
  EXPECT_EQ(platform::GetDelimitedField("a,b,,c", ',', 3), "c");
  EXPECT_EQ(platform::GetDelimitedField("a,b,,c", ',', 4), "");
  EXPECT_EQ(platform::GetDelimitedField(" x ; y ;", ';', 1), "y");
  EXPECT_EQ(platform::GetDelimitedField(" x ; y ;", ';', 2), "");
  // Without the delimiter there is no field at all, not even the whole text.
  EXPECT_EQ(platform::GetDelimitedField("abc", ',', 0), "");
}

namespace {

TEST(Wildcards, StarQuestionMarkAndCase) {
  using platform::WildcardMatchesNoCase;
  EXPECT_TRUE(WildcardMatchesNoCase("*_Report.txt", "HOST_3_report.TXT"));
  EXPECT_FALSE(WildcardMatchesNoCase("*_Report.txt", "HOST_3_Report_Temp.txt"));
  EXPECT_TRUE(WildcardMatchesNoCase("#?.bin", "#7.bin"));
  EXPECT_FALSE(WildcardMatchesNoCase("#?.bin", "#17.bin"));
  EXPECT_TRUE(WildcardMatchesNoCase("*", ""));
  EXPECT_TRUE(WildcardMatchesNoCase("a*b*c", "aXXbYYc"));
  EXPECT_FALSE(WildcardMatchesNoCase("a*b*c", "aXXbYY"));
}

}  // namespace
