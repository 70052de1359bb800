// Reading a report line by line as the result pages do (at most 254 characters a read,
// trailing blanks and line ends removed, a report that cannot be opened is missing) and the
// text operations of the readers.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "pages/results/ReportLineCursor.h"
#include "pages/results/ReportLines.h"
#include "pages/results/ReportText.h"
#include "support/ScratchStation.h"

namespace {

std::vector<std::string> LinesOf(std::string_view text) {
  CReportLines lines;
  lines.OpenText(text);
  std::vector<std::string> out;
  std::string_view line;
  while (lines.Next(line)) out.emplace_back(line);
  return out;
}

std::vector<std::string> LinesOfFile(const std::string& path) {
  CReportLines lines;
  if (!lines.Open(path)) return {"<cannot open>"};
  std::vector<std::string> out;
  std::string_view line;
  while (lines.Next(line)) out.emplace_back(line);
  return out;
}

TEST(ReportLines, LinesLoseTheirTrailingBlanksAndLineEndsButKeepLeadingOnes) {
  EXPECT_EQ(LinesOf("   START \r\n\tmiddle\t \r\n\r\nlast without end  "),
            (std::vector<std::string>{"   START", "\tmiddle", "", "last without end"}));
  EXPECT_TRUE(LinesOf("").empty());
  EXPECT_EQ(LinesOf("\n"), std::vector<std::string>{""});
}

TEST(ReportLines, ALongLineIsReadAsSeveralReadsOf254Characters) {
  const std::string longLine(600, 'x');
  const std::vector<std::string> lines = LinesOf(longLine + "\r\nnext\r\n");
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], std::string(254, 'x'));
  EXPECT_EQ(lines[1], std::string(254, 'x'));
  EXPECT_EQ(lines[2], std::string(92, 'x'));
  EXPECT_EQ(lines[3], "next");
  // A line of exactly 254 characters leaves its line end to a read of its own.
  EXPECT_EQ(LinesOf(std::string(254, 'y') + "\r\nz"), (std::vector<std::string>{std::string(254, 'y'), "", "z"}));
  EXPECT_EQ(LinesOf(std::string(253, 'y') + "\nz"), (std::vector<std::string>{std::string(253, 'y'), "z"}));
}

TEST(ReportLines, AFileIsStreamedInChunksWithLinesAcrossTheirBorders) {
  testsupport::ScratchStation station;
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; i < 20000; ++i) {
    expected.push_back("     Channel:0,CE:" + std::to_string(i % 16) + ";    line " + std::to_string(i));
    text += expected.back() + " \r\n";
  }
  station.WriteFile("D_Reports/HOST_1_Report.txt", text);
  EXPECT_EQ(LinesOfFile(".\\D_Reports\\HOST_1_Report.txt"), expected);
}

TEST(ReportLines, AReportThatCannotBeOpenedIsMissing) {
  testsupport::ScratchStation station;
  station.WriteFile("D_Reports/keep", "");
  EXPECT_FALSE(ReportCanBeOpened(".\\D_Reports\\none.txt"));
  EXPECT_FALSE(ReportCanBeOpened(".\\D_Reports"));  // a folder
  EXPECT_FALSE(ReportCanBeOpened(""));
  EXPECT_EQ(LinesOfFile(".\\D_Reports"), std::vector<std::string>{"<cannot open>"});
  station.WriteFile("D_Reports/r.txt", "a\r\n");
  EXPECT_TRUE(ReportCanBeOpened(".\\D_Reports\\r.txt"));
}

TEST(ReportText, ScanTextReadsFieldsAsSscanfDoesAndStopsAtTheFirstMismatch) {
  std::array<std::string_view, 7> f{};
  EXPECT_EQ(report_text::ScanText("0,3,1,0;35(0x0023)EraseBad-RDT", "%[^,],%[^,],%[^,],%[^;];%[^(](%[^)])%s", f), 7);
  EXPECT_EQ(f[0], "0");
  EXPECT_EQ(f[4], "35");
  EXPECT_EQ(f[5], "0x0023");
  EXPECT_EQ(f[6], "EraseBad-RDT");
  // An empty field ends the scan: the later fields stay empty.
  EXPECT_EQ(report_text::ScanText("0,,1,0;35(0x23)", "%[^,],%[^,],%[^,],%[^;];%[^(](%[^)])%s", f), 1);
  EXPECT_EQ(f[0], "0");
  EXPECT_EQ(f[1], "");
  EXPECT_EQ(f[4], "");
  // A literal that does not match ends it too; %s needs a word.
  EXPECT_EQ(report_text::ScanText("3/0-0,1", "%[^/]/%[^-]->%[^,]", f), 2);
  EXPECT_EQ(report_text::ScanText("a(b)", "%[^(](%[^)])%s", f), 2);
}

TEST(ReportText, RemovingAWordDoesNotLookAgainAtWhatTheRemovalJoins) {
  std::string text = "CECE::x";
  report_text::RemoveWord(text, "CE:");
  EXPECT_EQ(text, "CE:x");
  text = "[RB_SLC]CE:1";
  report_text::ReplaceWord(text, "RB_SLC", "SLC Bad");
  report_text::ReplaceWord(text, "RB", "TLC Bad");
  EXPECT_EQ(text, "[SLC Bad]CE:1");
  text = " a b  c ";
  report_text::RemoveBlanks(text);
  EXPECT_EQ(text, "abc");
}

TEST(ReportText, SplitKeepsEmptyFieldsAndReadsAtMostTheFieldsAsked) {
  std::array<std::string_view, 4> f{};
  EXPECT_EQ(report_text::SplitFields("a,,c", ',', f), 3);
  EXPECT_EQ(f[1], "");
  EXPECT_EQ(f[2], "c");
  EXPECT_EQ(f[3], "");
  EXPECT_EQ(report_text::SplitFields("1,2,3,4,5,6", ',', f), 4);
  EXPECT_EQ(f[3], "4");
}

TEST(ReportText, NumbersAreReadAsAtoiAndBlockNumbersAlsoInHexadecimal) {
  EXPECT_EQ(report_text::ReadDecimal("  -12abc"), -12);
  EXPECT_EQ(report_text::ReadDecimal("x1"), 0);
  EXPECT_EQ(report_text::ReadDecimal("99999999999"), 2147483647);
  std::uint32_t block = 0;
  EXPECT_TRUE(report_text::ReadBlockNumber("0x1f", block));
  EXPECT_EQ(block, 31u);
  EXPECT_TRUE(report_text::ReadBlockNumber("35", block));
  EXPECT_EQ(block, 35u);
  EXPECT_FALSE(report_text::ReadBlockNumber("", block));
  EXPECT_FALSE(report_text::ReadBlockNumber("-3", block));
  EXPECT_FALSE(report_text::ReadBlockNumber("0x", block));
  EXPECT_FALSE(report_text::ReadBlockNumber("99999999999", block));
}

TEST(ReportText, ValuesAfterTheEqualsSign) {
  EXPECT_EQ(report_text::RestAfterEquals("RDT_Temperature    = 45"), " 45");
  EXPECT_EQ(report_text::RestAfterEquals("RDT_Temperature 45"), "");
  EXPECT_EQ(report_text::WordRightAfterEquals("RDT_FWVersion      =R10A x"), "R10A");
  EXPECT_EQ(report_text::WordRightAfterEquals("RDT Info_BBSource     = 1"), "");
  EXPECT_EQ(report_text::WordAfterEquals("RDT Info_CE Map    = 00FF rest"), "00FF");
  EXPECT_EQ(report_text::TextAfterEqualsUpToDot("RDT Total testing time= 1:2:3."), " 1:2:3");
  EXPECT_EQ(report_text::TextAfterEqualsUpToDot("RDT Total testing time= 1.5:2:3."), " 1");
}

}  // namespace

namespace {

TEST(ReportText, HoldsAnyByteLooksAtEveryByte) {
  const std::string text = "Erase fail,3,0,1,0x21,5,3,1,2,0,Erase,0,800 and some more";
  EXPECT_FALSE(report_text::HoldsAnyByte(text, "NFM"));
  for (std::size_t at = 0; at < text.size(); ++at) {
    std::string marked = text;
    marked[at] = 'F';
    EXPECT_TRUE(report_text::HoldsAnyByte(marked, "NFM")) << at;
  }
  EXPECT_FALSE(report_text::HoldsAnyByte("", "N"));
  EXPECT_TRUE(report_text::HoldsAnyByte("abcdefghijklmnopq", "abcdefq"));
}

}  // namespace

namespace {

// Separators are found sixteen bytes at a time and through the sixteen bytes that end the
// text: every length around those borders, with separators and refused bytes in every place.
TEST(ReportText, TheSeparatorScannerFindsEveryPlaceAndEveryRefusedByte) {
  const report_text::CSeparatorScanner scanner(',', "[D");
  for (std::size_t size : {0u, 1u, 15u, 16u, 17u, 31u, 32u, 33u, 63u, 64u, 65u, 130u, 254u}) {
    std::string text(size, '7');
    std::vector<std::size_t> expected;
    for (std::size_t at = 0; at < size; at += 1 + at % 5) {
      text[at] = ',';
      expected.push_back(at);
    }
    std::array<std::size_t, 300> places{};
    report_text::SeparatorScan scan = scanner.Scan(text, places);
    EXPECT_FALSE(scan.refused) << size;
    ASSERT_EQ(scan.separators, expected.size()) << size;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), places.begin())) << size;
    // At most the places asked for, and the whole text still looked at for refused bytes.
    if (size > 1) {
      text[size - 1] = 'D';
      scan = scanner.Scan(text, std::span(places).first(1));
      EXPECT_TRUE(scan.refused) << size;
      EXPECT_EQ(scan.separators, 1u) << size;
      EXPECT_EQ(places[0], 0u);
    }
  }
  std::array<std::size_t, 4> places{};
  for (std::size_t at = 0; at < 40; ++at) {
    std::string text(40, 'x');
    text[at] = '[';
    EXPECT_TRUE(scanner.Scan(text, places).refused) << at;
    EXPECT_FALSE(report_text::CSeparatorScanner(',', "D").Scan(text, places).refused) << at;
    EXPECT_FALSE(report_text::CSeparatorScanner(',', "").Scan(text, places).refused) << at;
  }
}

TEST(ReportText, SplitFindsSeparatorsAcrossLongTexts) {
  std::string text;
  for (int i = 0; i < 40; ++i) text += std::to_string(i * 37) + (i % 3 == 0 ? ",," : ",");
  std::array<std::string_view, 60> fields{};
  const int found = report_text::SplitFields(text, ',', fields);
  std::vector<std::string_view> expected;
  std::size_t from = 0;
  for (std::size_t at = text.find(','); at != std::string::npos; at = text.find(',', from)) {
    expected.push_back(std::string_view(text).substr(from, at - from));
    from = at + 1;
  }
  expected.push_back(std::string_view(text).substr(from));
  ASSERT_EQ(found, static_cast<int>(expected.size()));
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(fields[i], expected[i]) << i;
  for (std::size_t i = expected.size(); i < fields.size(); ++i) EXPECT_TRUE(fields[i].empty()) << i;
  // The last field asked for ends at the next separator, far into the text.
  std::array<std::string_view, 50> most{};
  EXPECT_EQ(report_text::SplitFields(text, ',', most), 50);
  EXPECT_EQ(most[49], expected[49]);
}

}  // namespace

namespace {

TEST(ReportLineCursor, TakesLiteralsAndRunsAndComparesBytesOfEveryLength) {
  const std::string a = "Raid Read Bad-RDT and more";
  for (std::size_t size = 0; size <= 20; ++size) {
    std::string b = a;
    EXPECT_TRUE(CReportLineCursor::SameBytes(a.data(), b.data(), size)) << size;
    for (std::size_t at = 0; at < size; ++at) {
      b = a;
      b[at] ^= 0x20;
      EXPECT_FALSE(CReportLineCursor::SameBytes(a.data(), b.data(), size)) << size << " " << at;
    }
  }
  CReportLineCursor cursor("    Channel:12,CE:0x1fZ");
  std::string_view field;
  cursor.SkipSpaces();
  EXPECT_FALSE(cursor.Literal("Channel:1,"));
  EXPECT_TRUE(cursor.Literal("Channel:"));
  EXPECT_TRUE(cursor.Digits(field));
  EXPECT_EQ(field, "12");
  EXPECT_FALSE(cursor.Digits(field));
  EXPECT_TRUE(field.empty());
  EXPECT_TRUE(cursor.Literal(",CE:"));
  const std::size_t start = cursor.At();
  EXPECT_TRUE(cursor.Literal("0x") && cursor.HexDigits(field));
  EXPECT_EQ(field, "1f");
  EXPECT_EQ(cursor.From(start), "0x1f");
  EXPECT_EQ(cursor.Rest(), "Z");
  cursor.Skip(5);
  EXPECT_EQ(cursor.Rest(), "");
  EXPECT_FALSE(cursor.Literal("Z"));
}

}  // namespace
