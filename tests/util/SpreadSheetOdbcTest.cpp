// The spreadsheet writer through unixODBC for real: the SQLite ODBC driver, registered under
// an Excel driver name in an odbcinst.ini of the test's own, stores the sheets, and a table
// written through it is read back by a second writer. Skipped only where the driver is not
// installed (Debian package libsqliteodbc).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "support/ScratchStation.h"
#include "util/SpreadSheet.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ScratchStation;
using util::CSpreadSheet;
using Values = std::vector<std::string>;

constexpr char kDriverName[] = "SQLite3 Excel Stand-in";

// The SQLite ODBC driver's library where Debian puts it (any architecture).
fs::path FindSqliteDriver() {
  std::vector<fs::path> folders = {"/usr/lib/odbc", "/usr/local/lib/odbc", "/usr/lib64/odbc"};
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/usr/lib", error)) {
    if (entry.is_directory(error)) folders.push_back(entry.path() / "odbc");
  }
  for (const fs::path& folder : folders) {
    const fs::path library = folder / "libsqlite3odbc.so";
    if (fs::exists(library, error)) return library;
  }
  return {};
}

class SpreadSheetOdbcTest : public ::testing::Test {
 protected:
  // The driver manager reads its configuration folder once per process, so the folder is
  // made and named once, before the first ODBC call.
  static void SetUpTestSuite() {
    s_driver = FindSqliteDriver();
    if (s_driver.empty()) return;
    s_config = fs::temp_directory_path() / ("station-odbc-" + std::to_string(::getpid()));
    fs::create_directories(s_config);
    std::ofstream(s_config / "odbcinst.ini") << "[" << kDriverName << "]\nDescription=SQLite 3 ODBC driver\nDriver="
                                             << s_driver.string() << "\n";
    std::ofstream(s_config / "odbc.ini") << "";
    ::setenv("ODBCSYSINI", s_config.c_str(), 1);
    ::setenv("ODBCINSTINI", "odbcinst.ini", 1);
    ::setenv("ODBCINI", (s_config / "odbc.ini").c_str(), 1);
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    if (!s_config.empty()) fs::remove_all(s_config, ignored);
  }
  void SetUp() override {
    if (s_driver.empty()) GTEST_SKIP() << "the SQLite ODBC driver (Debian package libsqliteodbc) is not installed";
  }
  std::string Book() const { return (m_station.Folder() / "results.xls").string(); }
  static std::vector<Values> AllRows(CSpreadSheet& sheet) {
    std::vector<Values> rows;
    Values row;
    for (int r = 1; r <= sheet.GetTotalRows(); ++r) {
      if (sheet.ReadRow(row, r)) rows.push_back(row);
    }
    return rows;
  }

  static inline fs::path s_driver;
  static inline fs::path s_config;
  ScratchStation m_station;
};

TEST_F(SpreadSheetOdbcTest, TableWrittenThroughTheDriverReadsBack) {
  const std::vector<Values> table = {
      {"Port", "Serial", "Result"},
      {"1", "SN0001", "PASS"},
      {"2", "O'Brien, \"Jr\"", "FAIL"},
      {"3", "'); DROP TABLE \"Results\"; --", "PASS"},
  };
  {
    CSpreadSheet sheet(Book(), "Results", false);
    ASSERT_EQ(sheet.GetDriver(), kDriverName);
    ASSERT_TRUE(sheet.AddHeaderFields(table[0], false)) << sheet.GetLastError();
    sheet.BeginBatch();
    for (std::size_t r = 1; r < table.size(); ++r) ASSERT_TRUE(sheet.WriteRow(table[r], 0, false));
    ASSERT_TRUE(sheet.Save()) << sheet.GetLastError();
  }
  EXPECT_TRUE(fs::exists(Book()));

  CSpreadSheet reader(Book(), "Results", true);
  EXPECT_EQ(reader.GetTotalColumns(), 3);
  EXPECT_EQ(AllRows(reader), table);
  EXPECT_TRUE(reader.IsBackupKept());

  CSpreadSheet backup(Book(), CSpreadSheet::kBackupSheetName, false);
  EXPECT_EQ(AllRows(backup), table);

  // An update goes through the driver and the sheet is read again.
  ASSERT_TRUE(reader.UpdateRows({"2", "SN0002"}, {"2"})) << reader.GetLastError();
  Values row;
  ASSERT_TRUE(reader.ReadRow(row, 3));
  EXPECT_EQ(row, (Values{"2", "SN0002", "FAIL"}));
  // A cell written and saved again replaces the sheet as a whole.
  ASSERT_TRUE(reader.WriteCell("RETEST", "Result", 2, false)) << reader.GetLastError();
  CSpreadSheet again(Book(), "Results", false);
  ASSERT_TRUE(again.ReadCell(row.emplace_back(), "C", 2, true));
  EXPECT_EQ(row.back(), "RETEST");
  EXPECT_EQ(again.GetTotalRows(), 4);

  ASSERT_TRUE(again.RemoveSheet()) << again.GetLastError();
  CSpreadSheet gone(Book(), "Results", false);
  EXPECT_EQ(gone.GetTotalRows(), 0);
  EXPECT_EQ(gone.GetTotalColumns(), 0);
}

TEST_F(SpreadSheetOdbcTest, TextFileConvertsToAWorkbookAndBack) {
  m_station.WriteFile("list.csv", "\"ID\",\"Name\"\r\n\"1\",\"Ann\"\r\n\"2\",\"Bob\"\r\n");
  CSpreadSheet text("S:\\list.csv", ",", false);
  ASSERT_TRUE(text.ConvertFormat("Sheet1")) << text.GetLastError();
  CSpreadSheet book((m_station.Folder() / "list.xls").string(), "Sheet1", false);
  EXPECT_EQ(AllRows(book), (std::vector<Values>{{"ID", "Name"}, {"1", "Ann"}, {"2", "Bob"}}));
  fs::remove(m_station.Folder() / "list.csv");
  ASSERT_TRUE(book.ConvertFormat(";")) << book.GetLastError();
  EXPECT_EQ(m_station.ReadFile("list.csv"), "\"ID\";\"Name\"\r\n\"1\";\"Ann\"\r\n\"2\";\"Bob\"\r\n");
}

// A ";" in the workbook's path would end the connect string's value: the driver must open
// the file named, never the one the path is cut to.
TEST_F(SpreadSheetOdbcTest, WorkbookPathHoldingConnectStringCharactersOpensThatFile) {
  m_station.WriteFile("notes", "plain text, no database");
  for (const std::string name : {"book;v2.xls", "notes;v2.xls", "odd {name} 100%; #1?.xls"}) {
    const std::string book = (m_station.Folder() / name).string();
    {
      CSpreadSheet sheet(book, "Sheet1", false);
      ASSERT_TRUE(sheet.AddHeaderFields({"ID", "Name"}, false)) << name << ": " << sheet.GetLastError();
      ASSERT_TRUE(sheet.WriteRow({"1", name}, 0, false)) << sheet.GetLastError();
    }
    EXPECT_TRUE(fs::exists(book)) << name;
    CSpreadSheet reader(book, "Sheet1", false);
    EXPECT_EQ(AllRows(reader), (std::vector<Values>{{"ID", "Name"}, {"1", name}})) << name;
  }
  EXPECT_FALSE(fs::exists(m_station.Folder() / "book"));
  EXPECT_EQ(m_station.ReadFile("notes"), "plain text, no database");
}

TEST_F(SpreadSheetOdbcTest, LongColumnNamesComeBackWhole) {
  const std::string longName(700, 'n');
  const std::string longerName = std::string(1500, 'x') + "end";
  {
    CSpreadSheet sheet(Book(), "Sheet1", false);
    ASSERT_TRUE(sheet.AddHeaderFields({"ID", longName, longerName}, false)) << sheet.GetLastError();
    ASSERT_TRUE(sheet.WriteRow({"1", "a", "b"}, 0, false)) << sheet.GetLastError();
  }
  CSpreadSheet reader(Book(), "Sheet1", false);
  Values names;
  reader.GetFieldNames(names);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_TRUE(names[1] == longName) << "a name of " << names[1].size() << " characters";
  EXPECT_TRUE(names[2] == longerName) << "a name of " << names[2].size() << " characters";
  std::string value;
  ASSERT_TRUE(reader.ReadCell(value, longerName, 2, false)) << reader.GetLastError();
  EXPECT_EQ(value, "b");
}

TEST_F(SpreadSheetOdbcTest, ConnectionThatFailsLeavesTheDriversMessage) {
  const std::string book = (m_station.Folder() / "no such folder" / "x.xls").string();
  CSpreadSheet sheet(book, "Sheet1", false);
  EXPECT_FALSE(sheet.GetLastError().empty());
  EXPECT_EQ(sheet.GetLastError().back(), '\n');
  EXPECT_FALSE(sheet.AddHeaderFields({"ID"}, false));
  EXPECT_FALSE(sheet.GetLastError().empty());
  EXPECT_FALSE(fs::exists(book));
}

}  // namespace
