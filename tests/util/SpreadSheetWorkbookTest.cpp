// The spreadsheet writer on workbooks, against the statement recorder: the driver search, the
// connect string, and the exact statements of loading, saving, backups, updates and sheet
// removal, with the failures of the connection and of single statements.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "StatementRecorder.h"
#include "support/ScratchStation.h"
#include "util/SpreadSheet.h"

namespace {

using testsupport::ScratchStation;
using testsupport::StatementRecorder;
using util::CSpreadSheet;
using Values = std::vector<std::string>;
using Log = std::vector<std::string>;

constexpr char kSelect[] = "QUERY SELECT * FROM [Sheet1$A1:IV65536]";

class SpreadSheetWorkbookTest : public ::testing::Test {
 protected:
  std::string File() const { return (m_station.Folder() / "book.xls").string(); }
  std::string Open() const {
    const std::string file = File();
    return "OPEN DRIVER={Microsoft Excel Driver (*.xls)};DSN='';FIRSTROWHASNAMES=1;READONLY=FALSE;CREATE_DB=\"" + file +
           "\";DBQ=" + file;
  }
  // A sheet "Sheet1" that exists with these fields and rows.
  void GiveSheet(Values fields, std::vector<Values> rows) {
    m_recorder.tables["SELECT * FROM [Sheet1$A1:IV65536]"] = StatementRecorder::Table{std::move(fields), std::move(rows)};
  }

  ScratchStation m_station;
  StatementRecorder m_recorder;
};

TEST_F(SpreadSheetWorkbookTest, NewSheetIsCreatedThenWrittenWholeOnEveryChange) {
  CSpreadSheet sheet(File(), "Sheet1", true, m_recorder.Factory());
  EXPECT_TRUE(sheet.IsWorkbook());
  EXPECT_EQ(sheet.GetDriver(), "Microsoft Excel Driver (*.xls)");  // the first name holding "Excel"
  EXPECT_EQ(m_recorder.Take(), (Log{Open(), kSelect, "CLOSE"}));   // no such sheet yet: no message
  EXPECT_EQ(sheet.GetLastError(), "");

  ASSERT_TRUE(sheet.AddHeaderFields({"ID", "Name"}, false));
  EXPECT_EQ(m_recorder.Take(), (Log{Open(), "EXEC CREATE TABLE [Sheet1] ([ID] char(255), [Name] char(255))", "CLOSE"}));

  ASSERT_TRUE(sheet.WriteRow({"1", "Ann"}, 0, false));
  ASSERT_TRUE(sheet.WriteRow({"2", "O'Brien"}, 0, false));
  EXPECT_EQ(m_recorder.Take(),
            (Log{Open(), "EXEC DROP TABLE [Sheet1$A1:IV65536]",
                 "EXEC CREATE TABLE [Sheet1$A1:IV65536] ([ID] char(255), [Name] char(255))",
                 "EXEC INSERT INTO [Sheet1$A1:IV1] ([ID], [Name]) VALUES ('1', 'Ann')", "CLOSE",
                 Open(), "EXEC DROP TABLE [Sheet1$A1:IV65536]",
                 "EXEC CREATE TABLE [Sheet1$A1:IV65536] ([ID] char(255), [Name] char(255))",
                 "EXEC INSERT INTO [Sheet1$A1:IV1] ([ID], [Name]) VALUES ('1', 'Ann')",
                 "EXEC INSERT INTO [Sheet1$A1:IV2] ([ID], [Name]) VALUES ('2', 'O''Brien')", "CLOSE"}));
  Values row;
  ASSERT_TRUE(sheet.ReadRow(row, 3));
  EXPECT_EQ(row, (Values{"2", "O'Brien"}));
}

TEST_F(SpreadSheetWorkbookTest, ExistingSheetLoadsAndIsBackedUp) {
  GiveSheet({"ID", "Name"}, {{"1", "Ann"}, {"2", "Bob"}});
  CSpreadSheet sheet(File(), "Sheet1", true, m_recorder.Factory());
  EXPECT_EQ(m_recorder.Take(),
            (Log{Open(), kSelect, "CLOSE", Open(),
                 "EXEC CREATE TABLE [CSpreadSheetBackup] ([ID] char(255), [Name] char(255))",
                 "EXEC INSERT INTO [CSpreadSheetBackup$A1:IV1] ([ID], [Name]) VALUES ('1', 'Ann')",
                 "EXEC INSERT INTO [CSpreadSheetBackup$A1:IV2] ([ID], [Name]) VALUES ('2', 'Bob')", "CLOSE"}));
  EXPECT_TRUE(sheet.IsBackupKept());
  EXPECT_EQ(sheet.GetTotalRows(), 3);  // header and both records
  EXPECT_EQ(sheet.GetTotalColumns(), 2);
  EXPECT_EQ(sheet.GetCurrentRow(), 1);
  Values row;
  ASSERT_TRUE(sheet.ReadRow(row, 0));
  EXPECT_EQ(row, (Values{"ID", "Name"}));
  ASSERT_TRUE(sheet.ReadRow(row, 0));
  EXPECT_EQ(row, (Values{"1", "Ann"}));

  // A save after the load keeps every record (the sheet exists: dropped first).
  ASSERT_TRUE(sheet.Save());
  const Log saved = m_recorder.Take();
  ASSERT_EQ(saved.size(), 6u);
  EXPECT_EQ(saved[1], "EXEC DROP TABLE [Sheet1$A1:IV65536]");
  EXPECT_EQ(saved[4], "EXEC INSERT INTO [Sheet1$A1:IV2] ([ID], [Name]) VALUES ('2', 'Bob')");
}

TEST_F(SpreadSheetWorkbookTest, FailedBackupClearsTheFlag) {
  GiveSheet({"ID"}, {{"1"}});
  m_recorder.statementFailures["CREATE TABLE [CSpreadSheetBackup]"] = "Table 'CSpreadSheetBackup' already exists.\n";
  CSpreadSheet sheet(File(), "Sheet1", true, m_recorder.Factory());
  EXPECT_FALSE(sheet.IsBackupKept());
  EXPECT_EQ(sheet.GetLastError(), "Table 'CSpreadSheetBackup' already exists.\n");
  ASSERT_TRUE(sheet.WriteRow({"2"}, 0, false));  // the sheet itself works on
  EXPECT_EQ(m_recorder.log.back(), "CLOSE");
}

TEST_F(SpreadSheetWorkbookTest, HeaderRules) {
  CSpreadSheet sheet(File(), "Sheet1", false, m_recorder.Factory());
  EXPECT_FALSE(sheet.WriteRow({"1"}, 0, false));
  EXPECT_EQ(sheet.GetLastError(), "No header row. Add header row first\n");
  EXPECT_FALSE(sheet.AddHeaderFields({"A", "B", "A"}, false));
  EXPECT_EQ(sheet.GetLastError(), "Duplicate header row field:A\n");
  ASSERT_TRUE(sheet.AddHeaderFields({"A", "B"}, false));
  EXPECT_FALSE(sheet.WriteRow({"1", "2", "3"}, 0, false));
  EXPECT_EQ(sheet.GetLastError(), "Number of columns to be added cannot be greater than the number of fields\n");
  EXPECT_FALSE(sheet.WriteRow({"X"}, 1, true));
  EXPECT_EQ(sheet.GetLastError(),
            "Number of columns in new header row cannot be less than the number of columns in previous header row");
  EXPECT_FALSE(sheet.AddHeaderFields({"C", "B"}, false));
  EXPECT_EQ(sheet.GetLastError(), "Duplicate header row field:B\n");
  ASSERT_TRUE(sheet.AddHeaderFields({"C"}, false));
  EXPECT_EQ(sheet.GetTotalColumns(), 3);
  EXPECT_EQ(m_recorder.log[m_recorder.log.size() - 2],
            "EXEC CREATE TABLE [Sheet1$A1:IV65536] ([A] char(255), [B] char(255), [C] char(255))");
}

TEST_F(SpreadSheetWorkbookTest, EmptyRowsShortRowsAndQuotedNames) {
  CSpreadSheet sheet(File(), "My]Sheet", false, m_recorder.Factory());
  sheet.BeginBatch();
  ASSERT_TRUE(sheet.AddHeaderFields({"ID", "a]b", "c"}, false));
  ASSERT_TRUE(sheet.WriteRow({"1", "x", "y"}, 0, false));
  ASSERT_TRUE(sheet.WriteRow({"4"}, 4, false));  // row 3 empty, row 4 shorter than the header
  m_recorder.Take();
  ASSERT_TRUE(sheet.Save());
  EXPECT_EQ(m_recorder.Take(),
            (Log{Open(), "EXEC CREATE TABLE [My]]Sheet] ([ID] char(255), [a]]b] char(255), [c] char(255))",
                 "EXEC INSERT INTO [My]]Sheet$A1:IV1] ([ID], [a]]b], [c]) VALUES ('1', 'x', 'y')",
                 "EXEC INSERT INTO [My]]Sheet$A1:IV2] ([ID], [a]]b], [c]) VALUES (' ', ' ', ' ')",
                 "EXEC INSERT INTO [My]]Sheet$A1:IV3] ([ID]) VALUES ('4')", "CLOSE"}));
  Values row;
  ASSERT_TRUE(sheet.ReadRow(row, 3));
  EXPECT_EQ(row, (Values{" ", " ", " "}));
}

// The line of a workbook row has no escaping: a value holding the separator between quotes
// would reach the sheet as two cells, and the last cell past the fields would be lost. Such a
// row is refused with a text when written; a loaded one fails the save before the sheet is
// dropped. A value holding the separator that splits back whole is kept.
TEST_F(SpreadSheetWorkbookTest, ARowIsNeverSavedShort) {
  const std::string split = "a\",;.?\"b";
  const struct {
    const char* name;
    std::function<bool(CSpreadSheet&)> write;
  } refused[] = {
      {"row", [&](CSpreadSheet& sheet) { return sheet.WriteRow({split, "c"}, 0, false); }},
      {"cell of a row", [&](CSpreadSheet& sheet) { return sheet.WriteCell(split, 1, 2); }},
      {"cell of a new row", [&](CSpreadSheet& sheet) { return sheet.WriteCell(split, 2, 0); }},
      {"one-cell row", [&](CSpreadSheet& sheet) { return sheet.WriteRow({"x,;.?y"}, 0, false); }},
  };
  GiveSheet({"ID", "Name"}, {{"1", "Ann"}});
  for (const auto& write : refused) {
    SCOPED_TRACE(write.name);
    CSpreadSheet sheet(File(), "Sheet1", false, m_recorder.Factory());
    m_recorder.Take();
    EXPECT_FALSE(write.write(sheet));
    EXPECT_TRUE(sheet.GetLastError().starts_with("Value would be split at the separator:")) << sheet.GetLastError();
    EXPECT_TRUE(m_recorder.Take().empty());
    EXPECT_EQ(sheet.GetTotalRows(), 2);
    Values row;
    ASSERT_TRUE(sheet.ReadRow(row, 2));
    EXPECT_EQ(row, (Values{"1", "Ann"}));
  }
  CSpreadSheet sheet(File(), "Sheet1", false, m_recorder.Factory());
  ASSERT_TRUE(sheet.WriteRow({"x,;.?y", "c"}, 0, false)) << sheet.GetLastError();
  Values row;
  ASSERT_TRUE(sheet.ReadRow(row, 3));
  EXPECT_EQ(row, (Values{"x,;.?y", "c"}));

  GiveSheet({"ID", "Name"}, {{split, "c"}});
  CSpreadSheet loaded(File(), "Sheet1", false, m_recorder.Factory());
  m_recorder.Take();
  EXPECT_FALSE(loaded.Save());
  EXPECT_EQ(loaded.GetLastError(), "Number of columns to be added cannot be greater than the number of fields\n");
  EXPECT_TRUE(m_recorder.Take().empty());
}

TEST_F(SpreadSheetWorkbookTest, CellsAddFieldsOnlyInTheHeader) {
  CSpreadSheet sheet(File(), "Sheet1", false, m_recorder.Factory());
  ASSERT_TRUE(sheet.AddHeaderFields({"ID"}, false));
  EXPECT_FALSE(sheet.WriteCell("v", 3, 1));
  EXPECT_EQ(sheet.GetLastError(), "Cell column to be added cannot be greater than the number of fields\n");
  EXPECT_FALSE(sheet.WriteCell("v", 2, 0));  // a data cell past the fields would break every save
  EXPECT_EQ(sheet.GetLastError(), "Cell column to be added cannot be greater than the number of fields\n");
  EXPECT_FALSE(sheet.WriteCell("ID", 2, 1));
  EXPECT_EQ(sheet.GetLastError(), "Duplicate header row field:ID\n");
  ASSERT_TRUE(sheet.WriteCell("Name", 2, 1));  // the header cell after the last field adds one
  EXPECT_EQ(sheet.GetTotalColumns(), 2);
  ASSERT_TRUE(sheet.WriteCell("Ann", "Name", 0, false));
  ASSERT_TRUE(sheet.WriteCell("7", "A", 2, true));
  Values row;
  ASSERT_TRUE(sheet.ReadRow(row, 2));
  EXPECT_EQ(row, (Values{"7", "Ann"}));
  EXPECT_EQ(m_recorder.log[m_recorder.log.size() - 2],
            "EXEC INSERT INTO [Sheet1$A1:IV1] ([ID], [Name]) VALUES ('7', 'Ann')");
}

TEST_F(SpreadSheetWorkbookTest, UpdateRowsNamesTheFieldsByPosition) {
  GiveSheet({"ID", "Name", "Result"}, {{"1", "Ann", "PASS"}});
  CSpreadSheet sheet(File(), "Sheet1", false, m_recorder.Factory());
  m_recorder.Take();
  ASSERT_TRUE(sheet.UpdateRows({"1", "O'Neil"}, {"1"}));
  EXPECT_EQ(m_recorder.Take(),
            (Log{Open(), "EXEC UPDATE [Sheet1] SET [ID]='1', [Name]='O''Neil' WHERE ([ID]='1' )", "CLOSE", Open(),
                 kSelect, "CLOSE"}));
  ASSERT_TRUE(sheet.UpdateRows({"x"}, {"1", "Ann"}));
  EXPECT_EQ(m_recorder.Take()[1], "EXEC UPDATE [Sheet1] SET [ID]='x' WHERE ([ID]='1' AND [Name]='Ann' )");
  ASSERT_TRUE(sheet.UpdateRows({"x"}, {}));  // no condition: every row
  EXPECT_EQ(m_recorder.Take()[1], "EXEC UPDATE [Sheet1] SET [ID]='x'");
  EXPECT_FALSE(sheet.UpdateRows({"1", "2", "3", "4"}, {}));
  EXPECT_EQ(sheet.GetLastError(), "Number of values cannot be greater than the number of fields\n");
  EXPECT_FALSE(sheet.UpdateRows({}, {"1"}));
  EXPECT_EQ(sheet.GetLastError(), "No values to update\n");
  EXPECT_TRUE(m_recorder.Take().empty());
}

TEST_F(SpreadSheetWorkbookTest, RemoveSheetDropsIt) {
  GiveSheet({"ID"}, {{"1"}});
  CSpreadSheet sheet(File(), "Sheet1", false, m_recorder.Factory());
  m_recorder.Take();
  ASSERT_TRUE(sheet.RemoveSheet("Other"));
  EXPECT_EQ(m_recorder.Take(), (Log{Open(), "EXEC DROP TABLE [Other$A1:IV65536]", "CLOSE"}));
  EXPECT_EQ(sheet.GetTotalRows(), 0);
  EXPECT_EQ(sheet.GetTotalColumns(), 0);
  m_recorder.statementFailures["DROP"] = "Cannot drop.\n";
  EXPECT_FALSE(sheet.RemoveSheet());
  EXPECT_EQ(sheet.GetLastError(), "Error deleting sheet\n");
  EXPECT_EQ(m_recorder.Take(), (Log{Open(), "EXEC DROP TABLE [Sheet1$A1:IV65536]", "CLOSE"}));
}

TEST_F(SpreadSheetWorkbookTest, RefusedStatementClosesAndKeepsTheTableForARetry) {
  CSpreadSheet sheet(File(), "Sheet1", false, m_recorder.Factory());
  ASSERT_TRUE(sheet.AddHeaderFields({"ID"}, false));
  m_recorder.Take();
  m_recorder.statementFailures["INSERT"] = "[unixODBC]Disk full\n";
  EXPECT_FALSE(sheet.WriteRow({"1"}, 0, false));
  EXPECT_EQ(sheet.GetLastError(), "[unixODBC]Disk full\n");
  EXPECT_EQ(m_recorder.log.back(), "CLOSE");
  m_recorder.statementFailures.clear();
  ASSERT_TRUE(sheet.Save());
  EXPECT_EQ(m_recorder.log[m_recorder.log.size() - 2], "EXEC INSERT INTO [Sheet1$A1:IV1] ([ID]) VALUES ('1')");
}

TEST_F(SpreadSheetWorkbookTest, ConnectionThatCannotOpenIsAnErrorText) {
  m_recorder.drivers.reset();  // the installer's list cannot be had
  m_recorder.connectFailure = "[unixODBC][Driver Manager]Data source name not found and no default driver specified\n";
  CSpreadSheet sheet(File(), "Sheet1", false, m_recorder.Factory());
  EXPECT_EQ(sheet.GetDriver(), "");
  EXPECT_EQ(sheet.GetConnectString().rfind("DRIVER={};DSN='';", 0), 0u);
  EXPECT_EQ(sheet.GetLastError(), m_recorder.connectFailure);
  EXPECT_FALSE(sheet.AddHeaderFields({"ID"}, false));
  EXPECT_EQ(sheet.GetLastError(), m_recorder.connectFailure);
  EXPECT_FALSE(sheet.UpdateRows({"1"}, {}));
  EXPECT_FALSE(sheet.RemoveSheet());
  EXPECT_EQ(sheet.GetLastError(), "Error deleting sheet\n");
  // Nothing was ever opened, so nothing was left open.
  for (const std::string& entry : m_recorder.log) EXPECT_EQ(entry.rfind("OPEN ", 0), 0u) << entry;
}

TEST_F(SpreadSheetWorkbookTest, RecordSetFailingMidwayIsAnErrorReadingRow) {
  GiveSheet({"ID"}, {{"1"}, {"2"}});
  m_recorder.tables.begin()->second.failAtRow = 1;
  CSpreadSheet sheet(File(), "Sheet1", true, m_recorder.Factory());
  EXPECT_EQ(sheet.GetLastError(), "Error reading row\n");
  EXPECT_EQ(m_recorder.Take(), (Log{Open(), kSelect, "CLOSE"}));  // no backup of half a sheet
  // Saving would drop the record that was not read: refused until the sheet loads whole.
  EXPECT_FALSE(sheet.WriteRow({"3"}, 0, false));
  EXPECT_EQ(sheet.GetLastError(), "Error reading row\n");
  EXPECT_TRUE(m_recorder.Take().empty());
  m_recorder.tables.begin()->second.failAtRow = -1;
  ASSERT_TRUE(sheet.Revert());
  EXPECT_EQ(sheet.GetTotalRows(), 3);
  ASSERT_TRUE(sheet.WriteRow({"3"}, 0, false));
}

TEST_F(SpreadSheetWorkbookTest, SqliteDriverNamesTablesItself) {
  m_recorder.drivers = std::vector<std::string>{"SQLite3 Excel Stand-in"};
  m_recorder.driverLibraries["SQLite3 Excel Stand-in"] = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
  m_recorder.tables["SELECT * FROM \"Sheet1\""] = StatementRecorder::Table{{"ID"}, {{"1"}}};
  CSpreadSheet sheet(File(), "Sheet1", false, m_recorder.Factory());
  EXPECT_EQ(sheet.GetConnectString(), "DRIVER={SQLite3 Excel Stand-in};DATABASE=" + File());
  ASSERT_TRUE(sheet.WriteRow({"it's"}, 0, false));
  const Log log = m_recorder.Take();
  EXPECT_EQ(log, (Log{"OPEN " + sheet.GetConnectString(), "QUERY SELECT * FROM \"Sheet1\"", "CLOSE",
                      "OPEN " + sheet.GetConnectString(), "EXEC DROP TABLE IF EXISTS \"Sheet1\"",
                      "EXEC CREATE TABLE \"Sheet1\" (\"ID\" char(255))", "EXEC INSERT INTO \"Sheet1\" (\"ID\") VALUES ('1')",
                      "EXEC INSERT INTO \"Sheet1\" (\"ID\") VALUES ('it''s')", "CLOSE"}));
}

TEST_F(SpreadSheetWorkbookTest, PathTheConnectStringCannotCarryIsRefusedOrEncoded) {
  // The Excel form has no way to carry a ";": nothing is opened, and the text says why.
  const std::string book = (m_station.Folder() / "book;v2.xls").string();
  CSpreadSheet excel(book, "Sheet1", false, m_recorder.Factory());
  EXPECT_EQ(excel.GetConnectString(), "");
  EXPECT_EQ(excel.GetLastError(), "Workbook path cannot be passed to the ODBC driver:" + book + "\n");
  EXPECT_FALSE(excel.AddHeaderFields({"ID"}, false));
  EXPECT_EQ(excel.GetLastError(), "Workbook path cannot be passed to the ODBC driver:" + book + "\n");
  EXPECT_TRUE(m_recorder.Take().empty());

  // The SQLite form names it as a URI whose reserved characters are escaped.
  m_recorder.drivers = std::vector<std::string>{"SQLite3 Excel Stand-in"};
  m_recorder.driverLibraries["SQLite3 Excel Stand-in"] = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
  const std::string odd = (m_station.Folder() / "a b;{c}%#?.xls").string();
  CSpreadSheet sqlite(odd, "Sheet1", false, m_recorder.Factory());
  const std::string folder = m_station.Folder().string();
  EXPECT_EQ(sqlite.GetConnectString(),
            "DRIVER={SQLite3 Excel Stand-in};DATABASE=file:" + folder + "/a%20b%3B%7Bc%7D%25%23%3F.xls");
}

TEST_F(SpreadSheetWorkbookTest, ConvertsToTextAndBack) {
  GiveSheet({"ID", "Name"}, {{"1", "Ann"}});
  CSpreadSheet book(File(), "Sheet1", false, m_recorder.Factory());
  ASSERT_TRUE(book.ConvertFormat(";"));
  EXPECT_EQ(m_station.ReadFile("book.csv"), "\"ID\";\"Name\"\r\n\"1\";\"Ann\"\r\n");
  EXPECT_FALSE(book.ConvertFormat(";"));  // the text file already holds a table

  // Text to workbook: a header with repeated names becomes numbered columns and the whole
  // table goes below it; each row is saved as it is written.
  m_station.WriteFile("dup.csv", "\"a\",\"a\"\r\n\"1\",\"2\"\r\n");
  CSpreadSheet text("S:\\dup.csv", ",", false, m_recorder.Factory());
  m_recorder.tables.clear();  // dup.xls has no sheet yet
  m_recorder.Take();
  ASSERT_TRUE(text.ConvertFormat("Sheet1")) << text.GetLastError();
  EXPECT_EQ(text.GetLastError(), "Duplicate header row field:a\n");
  const Log log = m_recorder.Take();
  const std::string open = "OPEN DRIVER={Microsoft Excel Driver (*.xls)};DSN='';FIRSTROWHASNAMES=1;READONLY=FALSE;CREATE_DB=\"" +
                           (m_station.Folder() / "dup.xls").string() + "\";DBQ=" + (m_station.Folder() / "dup.xls").string();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0], open);
  EXPECT_EQ(log[1], "QUERY SELECT * FROM [Sheet1$A1:IV65536]");
  EXPECT_EQ(log[4], "EXEC CREATE TABLE [Sheet1] ([1] char(255), [2] char(255))");
  EXPECT_EQ(log[log.size() - 2], "EXEC INSERT INTO [Sheet1$A1:IV2] ([1], [2]) VALUES ('1', '2')");
  EXPECT_EQ(log[log.size() - 3], "EXEC INSERT INTO [Sheet1$A1:IV1] ([1], [2]) VALUES ('a', 'a')");
}

}  // namespace
