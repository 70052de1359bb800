// The spreadsheet writer on delimited text files: the bytes of a written table, the row
// lines read back (quoted and plain), row placement (append, insert, replace, beyond the
// end), cells and columns, batches, backups and the failures callers see.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "support/ScratchStation.h"
#include "util/SpreadSheet.h"

namespace {

using testsupport::ScratchStation;
using util::CSpreadSheet;
using Values = std::vector<std::string>;

class SpreadSheetTextTest : public ::testing::Test {
 protected:
  std::string Read(const std::string& relative) const { return m_station.ReadFile(relative); }
  void Write(const std::string& relative, const std::string& bytes) const { m_station.WriteFile(relative, bytes); }
  ScratchStation m_station;
};

TEST_F(SpreadSheetTextTest, NewFileFailsToLoadButTheFirstWriteCreatesIt) {
  CSpreadSheet sheet("S:\\list.csv", ",", false);
  EXPECT_FALSE(sheet.IsWorkbook());
  EXPECT_EQ(sheet.GetLastError(), "Error in opening file\n");
  EXPECT_EQ(sheet.GetTotalColumns(), 0);
  ASSERT_TRUE(sheet.AddHeaderFields({"Port", "Serial"}, false));
  ASSERT_TRUE(sheet.WriteRow({"1", "SN001"}, 0, false));
  ASSERT_TRUE(sheet.WriteRow({"2", "SN, with comma"}, 0, false));
  EXPECT_EQ(Read("list.csv"), "\"Port\",\"Serial\"\r\n\"1\",\"SN001\"\r\n\"2\",\"SN, with comma\"\r\n");
  EXPECT_EQ(sheet.GetTotalRows(), 3);
  EXPECT_EQ(sheet.GetTotalColumns(), 2);

  CSpreadSheet again("S:\\list.csv", ",", false);
  Values names;
  again.GetFieldNames(names);
  EXPECT_EQ(names, (Values{"Port", "Serial"}));
  Values row;
  ASSERT_TRUE(again.ReadRow(row, 3));
  EXPECT_EQ(row, (Values{"2", "SN, with comma"}));  // the quoted form keeps the comma
}

TEST_F(SpreadSheetTextTest, ExtensionDecidesTheKindWithoutRegardToCase) {
  EXPECT_FALSE(CSpreadSheet("S:\\data.xlsx", ",", false).IsWorkbook());
  EXPECT_FALSE(CSpreadSheet("S:\\x", ",", false).IsWorkbook());
}

TEST_F(SpreadSheetTextTest, EmptyFileLoadsWithoutRowsOrColumns) {
  Write("empty.csv", "");
  CSpreadSheet sheet("S:\\empty.csv", ",", true);
  EXPECT_EQ(sheet.GetTotalRows(), 0);
  EXPECT_EQ(sheet.GetTotalColumns(), 0);
  EXPECT_EQ(sheet.GetLastError(), "Desired row is greater than total number of rows in spreadsheet\n");
  EXPECT_FALSE(std::filesystem::exists(m_station.Folder() / "empty.csv.bak"));  // no header, no backup
}

TEST_F(SpreadSheetTextTest, LinesSplitQuotedPlainOrWhole) {
  Write("lines.txt", "\"abc\"\na,b\r\n\"x\",\"y,z\"\nplain\n\"\n");
  CSpreadSheet sheet("S:\\lines.txt", ",", false);
  EXPECT_EQ(sheet.GetTotalRows(), 5);
  EXPECT_EQ(sheet.GetTotalColumns(), 2);
  Values row;
  ASSERT_TRUE(sheet.ReadRow(row, 0));
  EXPECT_EQ(row, Values{"abc"});
  ASSERT_TRUE(sheet.ReadRow(row, 0));
  EXPECT_EQ(row, (Values{"a", "b"}));
  ASSERT_TRUE(sheet.ReadRow(row, 0));
  EXPECT_EQ(row, (Values{"x", "y,z"}));
  ASSERT_TRUE(sheet.ReadRow(row, 0));
  EXPECT_EQ(row, Values{"plain"});
  ASSERT_TRUE(sheet.ReadRow(row, 0));
  EXPECT_EQ(row, Values{""});
  EXPECT_FALSE(sheet.ReadRow(row, 0));  // past the end: false, no message
  EXPECT_EQ(sheet.GetLastError(), "");
  EXPECT_FALSE(sheet.ReadRow(row, 6));
  EXPECT_EQ(sheet.GetLastError(), "Desired row is greater than total number of rows in spreadsheet\n");
  EXPECT_FALSE(sheet.ReadRow(row, -1));
  EXPECT_EQ(sheet.GetLastError(), "Row cannot be negative\n");
  ASSERT_TRUE(sheet.ReadRow(row, 2));
  EXPECT_EQ(sheet.GetCurrentRow(), 3);
}

TEST_F(SpreadSheetTextTest, RowsAppendInsertReplaceAndReachBeyondTheEnd) {
  CSpreadSheet sheet("S:\\t.csv", ";", false);
  ASSERT_TRUE(sheet.WriteRow({"a", "b"}, 0, false));
  ASSERT_TRUE(sheet.WriteRow({"c", "d"}, 0, false));
  ASSERT_TRUE(sheet.WriteRow({"e"}, 5, false));  // rows 3 and 4 are empty rows
  EXPECT_EQ(Read("t.csv"), "\"a\";\"b\"\r\n\"c\";\"d\"\r\n\"\";\"\"\r\n\"\";\"\"\r\n\"e\"\r\n");
  EXPECT_EQ(sheet.GetCurrentRow(), 5);
  ASSERT_TRUE(sheet.WriteRow({"in"}, 2, false));  // inserted before row 2
  ASSERT_TRUE(sheet.WriteRow({"new", "head", "er"}, 1, true));  // replaces row 1
  EXPECT_EQ(Read("t.csv"), "\"new\";\"head\";\"er\"\r\n\"in\"\r\n\"c\";\"d\"\r\n\"\";\"\"\r\n\"\";\"\"\r\n\"e\"\r\n");
  EXPECT_EQ(sheet.GetTotalRows(), 6);
  EXPECT_EQ(sheet.GetTotalColumns(), 3);
  Values names;
  sheet.GetFieldNames(names);
  EXPECT_EQ(names, (Values{"new", "head", "er"}));
}

TEST_F(SpreadSheetTextTest, CellsAndColumns) {
  Write("c.csv", "\"ID\",\"Name\"\r\n\"1\",\"Ann\"\r\n\"2\"\r\n");
  CSpreadSheet sheet("S:\\c.csv", ",", false);
  Values column;
  ASSERT_TRUE(sheet.ReadColumn(column, 2));
  EXPECT_EQ(column, (Values{"Name", "Ann", ""}));  // a shorter row gives an empty value
  ASSERT_TRUE(sheet.ReadColumn(column, "Name", false));
  EXPECT_EQ(column, (Values{"Name", "Ann", ""}));
  EXPECT_FALSE(sheet.ReadColumn(column, 0));
  EXPECT_EQ(sheet.GetLastError(), "Column cannot be zero\n");

  std::string cell;
  ASSERT_TRUE(sheet.ReadRow(column, 2));
  ASSERT_TRUE(sheet.ReadCell(cell, "A", 0, true));  // the cursor row (3)
  EXPECT_EQ(cell, "2");
  cell = "stale";
  EXPECT_FALSE(sheet.ReadCell(cell, "B", 0, true));  // beyond the row: false, empty, no message
  EXPECT_EQ(cell, "");
  EXPECT_EQ(sheet.GetLastError(), "Column cannot be zero\n");
  ASSERT_TRUE(sheet.ReadCell(cell, 2, 2));
  EXPECT_EQ(cell, "Ann");
  EXPECT_EQ(sheet.GetCurrentRow(), 3);  // cells leave the cursor alone
  EXPECT_FALSE(sheet.ReadCell(cell, 1, 9));
  EXPECT_EQ(sheet.GetLastError(), "Error reading row\n");

  ASSERT_TRUE(sheet.WriteCell("Bob", "Name", 3, false));  // the short row grows
  ASSERT_TRUE(sheet.WriteCell("x", 4, 2));                // a new column
  ASSERT_TRUE(sheet.WriteCell("tail", 2, 0));             // a new row
  EXPECT_EQ(Read("c.csv"),
            "\"ID\",\"Name\"\r\n\"1\",\"Ann\",\"\",\"x\"\r\n\"2\",\"Bob\"\r\n\"\",\"tail\",\"\",\"\"\r\n");
  EXPECT_EQ(sheet.GetTotalColumns(), 4);
  EXPECT_FALSE(sheet.WriteCell("v", "Nope", 1, false));
  EXPECT_EQ(sheet.GetLastError(), "Invalid field name or column alphabet\n");
}

TEST_F(SpreadSheetTextTest, ColumnLettersAreAToZOnly) {
  Write("n.csv", "\"ID\",\"1\",\"A-\"\r\n");
  CSpreadSheet sheet("S:\\n.csv", ",", false);
  EXPECT_EQ(sheet.ColumnNumber("a", true), 1);
  EXPECT_EQ(sheet.ColumnNumber("ab", true), 28);
  EXPECT_EQ(sheet.ColumnNumber("IV", true), 256);
  EXPECT_EQ(sheet.ColumnNumber("ID", true), 238);  // letters win over the field of that name
  EXPECT_EQ(sheet.ColumnNumber("ID", false), 1);
  EXPECT_EQ(sheet.ColumnNumber("1", true), 2);     // not letters: the field
  EXPECT_EQ(sheet.ColumnNumber("A-", true), 3);
  EXPECT_EQ(sheet.ColumnNumber("[", true), 0);     // one past Z is no letter
  EXPECT_EQ(sheet.GetLastError(), "Invalid field name or column alphabet\n");
  EXPECT_EQ(sheet.ColumnNumber("ABC", true), 0);
}

TEST_F(SpreadSheetTextTest, HeaderFieldsExtendOrReplace) {
  Write("h.csv", "\"a\",\"b\"\r\n\"1\",\"2\"\r\n");
  CSpreadSheet sheet("S:\\h.csv", ",", false);
  ASSERT_TRUE(sheet.AddHeaderFields({"c", "a"}, false));  // a text header may repeat names
  EXPECT_EQ(Read("h.csv"), "\"a\",\"b\",\"c\",\"a\"\r\n\"1\",\"2\"\r\n");
  EXPECT_EQ(sheet.GetTotalColumns(), 4);
  ASSERT_TRUE(sheet.AddHeaderFields({"only"}, true));
  EXPECT_EQ(Read("h.csv"), "\"only\"\r\n\"1\",\"2\"\r\n");
}

TEST_F(SpreadSheetTextTest, BatchWritesOnceAndRevertReloads) {
  Write("b.csv", "\"k\"\r\n");
  CSpreadSheet sheet("S:\\b.csv", ",", false);
  sheet.BeginBatch();
  ASSERT_TRUE(sheet.WriteRow({"1"}, 0, false));
  ASSERT_TRUE(sheet.WriteRow({"2"}, 0, false));
  EXPECT_EQ(Read("b.csv"), "\"k\"\r\n");
  ASSERT_TRUE(sheet.Revert());
  EXPECT_FALSE(sheet.InBatch());
  EXPECT_EQ(sheet.GetTotalRows(), 1);
  sheet.BeginBatch();
  ASSERT_TRUE(sheet.WriteRow({"3"}, 0, false));
  ASSERT_TRUE(sheet.Save());
  EXPECT_FALSE(sheet.InBatch());
  EXPECT_EQ(Read("b.csv"), "\"k\"\r\n\"3\"\r\n");

  CSpreadSheet missing("S:\\gone.csv", ",", false);
  EXPECT_FALSE(missing.Revert());
  EXPECT_EQ(missing.GetLastError(), "Error in returning to previous state\n");
}

TEST_F(SpreadSheetTextTest, BackupCopiesATableWithAHeader) {
  Write("k.csv", "\"a\"\r\n\"1\"\r\n");
  CSpreadSheet sheet("S:\\k.csv", ",", true);
  EXPECT_TRUE(sheet.IsBackupKept());
  EXPECT_EQ(Read("k.csv.bak"), "\"a\"\r\n\"1\"\r\n");
  // A backup that cannot be written clears the flag; the table still opens.
  Write("r.csv", "\"a\"\r\n");
  std::filesystem::create_directory(m_station.Folder() / "r.csv.bak");
  CSpreadSheet blocked("S:\\r.csv", ",", true);
  EXPECT_FALSE(blocked.IsBackupKept());
  EXPECT_EQ(blocked.GetTotalRows(), 1);
}

TEST_F(SpreadSheetTextTest, FailedSaveIsReportedAndNothingIsLost) {
  Write("ro.csv", "\"a\"\r\n");
  ASSERT_TRUE(platform::SetReadOnly("S:\\ro.csv", true));
  CSpreadSheet sheet("S:\\ro.csv", ",", false);
  EXPECT_FALSE(sheet.WriteRow({"1"}, 0, false));
  EXPECT_EQ(sheet.GetLastError(), "Error writing file\n");
  EXPECT_FALSE(sheet.WriteCell("2", 1, 0));
  EXPECT_FALSE(sheet.AddHeaderFields({"b"}, false));
  EXPECT_EQ(Read("ro.csv"), "\"a\"\r\n");
  EXPECT_EQ(sheet.GetTotalRows(), 3);  // the table in memory keeps the rows
  ASSERT_TRUE(platform::SetReadOnly("S:\\ro.csv", false));
  ASSERT_TRUE(sheet.Save());
  EXPECT_EQ(Read("ro.csv"), "\"a\",\"b\"\r\n\"1\"\r\n\"2\"\r\n");
}

TEST_F(SpreadSheetTextTest, RemoveSheetEmptiesTheFile) {
  Write("x.csv", "\"a\"\r\n\"1\"\r\n");
  CSpreadSheet sheet("S:\\x.csv", ",", false);
  ASSERT_TRUE(sheet.RemoveSheet());
  EXPECT_EQ(Read("x.csv"), "");
  EXPECT_EQ(sheet.GetTotalRows(), 0);
  EXPECT_EQ(sheet.GetTotalColumns(), 0);
  // Without a header the next header is the whole first row.
  ASSERT_TRUE(sheet.AddHeaderFields({"n"}, false));
  EXPECT_EQ(Read("x.csv"), "\"n\"\r\n");
  EXPECT_FALSE(sheet.UpdateRows({"1"}, {}));
  EXPECT_EQ(sheet.GetLastError(), "Function not available for text delimited file\n");
}

TEST_F(SpreadSheetTextTest, NegativeRowsAndColumnsAreRefused) {
  CSpreadSheet sheet("S:\\neg.csv", ",", false);
  EXPECT_FALSE(sheet.WriteRow({"a"}, -2, false));
  EXPECT_EQ(sheet.GetLastError(), "Row cannot be negative\n");
  EXPECT_FALSE(sheet.WriteCell("a", -1, 1));
  EXPECT_EQ(sheet.GetLastError(), "Column cannot be negative\n");
  EXPECT_FALSE(sheet.WriteCell("a", 0, 1));
  EXPECT_EQ(sheet.GetLastError(), "Column cannot be zero\n");
  EXPECT_FALSE(std::filesystem::exists(m_station.Folder() / "neg.csv"));
}

// A table whose file is a symbolic link is written through the link: the file it names gets
// the table and the link stays (a dangling link's file is created beside its target).
TEST_F(SpreadSheetTextTest, TableThatIsALinkIsWrittenThroughIt) {
  Write("data/real.csv", "\"Port\"\r\n");
  std::filesystem::create_symlink("data/real.csv", m_station.Folder() / "list.csv");
  {
    CSpreadSheet sheet("S:\\list.csv", ",", false);
    ASSERT_TRUE(sheet.WriteRow({"1"}, 0, false)) << sheet.GetLastError();
  }
  EXPECT_TRUE(std::filesystem::is_symlink(m_station.Folder() / "list.csv"));
  EXPECT_EQ(Read("data/real.csv"), "\"Port\"\r\n\"1\"\r\n");

  std::filesystem::create_symlink("data/new.csv", m_station.Folder() / "fresh.csv");
  CSpreadSheet fresh("S:\\fresh.csv", ",", false);
  ASSERT_TRUE(fresh.AddHeaderFields({"ID"}, false)) << fresh.GetLastError();
  EXPECT_TRUE(std::filesystem::is_symlink(m_station.Folder() / "fresh.csv"));
  EXPECT_EQ(Read("data/new.csv"), "\"ID\"\r\n");

  // Links that lead round in a circle name no file: the save fails and the links stay.
  std::filesystem::create_symlink("ring-b.csv", m_station.Folder() / "ring-a.csv");
  std::filesystem::create_symlink("ring-a.csv", m_station.Folder() / "ring-b.csv");
  CSpreadSheet ring("S:\\ring-a.csv", ",", false);
  EXPECT_FALSE(ring.AddHeaderFields({"ID"}, false));
  EXPECT_EQ(ring.GetLastError(), "Error writing file\n");
  EXPECT_TRUE(std::filesystem::is_symlink(m_station.Folder() / "ring-a.csv"));
}

}  // namespace
