#pragma once
// CSpreadSheet: one table kept whole in memory, either a sheet of a workbook reached through
// ODBC (a file whose name ends in ".xls", any case) or a delimited text file (any other
// name). Every row, the header (row 1) included, is held as one line: each value in double
// quotes, joined by the separator ("\"a\",\"b\""). For a workbook the separator is ",;.?"
// and the lines are only the in-memory form; for a text file the lines are the file's.
//
// Each change is written back at once, the whole table in one piece, unless a batch is open
// (BeginBatch ... Save). A workbook save drops the sheet and creates it again with one INSERT
// per row; every database statement opens the connection, runs and closes it again. A text
// file is replaced atomically (temporary file and rename), lines ending in CR LF; a text file
// that is a symbolic link is written through it (the file it names is replaced).
//
// Operations return true on success; failures leave a text in GetLastError (see the texts
// below). Beyond the plain behaviour: a write reports a failed save; names and values in
// statements are quoted; a connection that cannot be opened leaves the driver's message;
// column letters are A to Z only; rows and columns below 1 are refused; a workbook row
// shorter than the header inserts only its own cells; a sheet that could not be read to its
// end is not saved over; a workbook path that the driver's connect string cannot carry is
// refused with a text, never cut short to another file's name; a workbook row is never saved
// short: a value its line would split is refused when written, and a save of a loaded row
// that splits into more values than fields fails before the sheet is touched.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "util/SheetDatabase.h"
#include "util/SheetDialect.h"

namespace util {

class CSpreadSheet {
 public:
  static constexpr char kWorkbookSeparator[] = ",;.?";
  static constexpr char kBackupSheetName[] = "CSpreadSheetBackup";

  // file: a station path text. sheetOrSeparator: the sheet's name for a workbook, the value
  // separator for a text file. backup: copy the table when it is opened (a workbook into the
  // sheet "CSpreadSheetBackup", a text file into "<file>.bak"). database: where workbook
  // statements go; unixODBC when empty.
  CSpreadSheet(std::string file, std::string sheetOrSeparator, bool backup, SheetDatabaseFactory database = {});
  ~CSpreadSheet();
  CSpreadSheet(const CSpreadSheet&) = delete;
  CSpreadSheet& operator=(const CSpreadSheet&) = delete;

  bool AddHeaderFields(const std::vector<std::string>& names, bool replace);
  // row 0 appends; a row beyond the table is reached through empty rows; a row within it is
  // inserted before (replace false) or overwritten (replace true).
  bool WriteRow(const std::vector<std::string>& values, int row, bool replace);
  bool WriteCell(const std::string& value, std::int16_t column, int row);
  bool WriteCell(const std::string& value, const std::string& column, int row, bool letters);
  // row 0 reads the row at the cursor; every read moves the cursor to the row after.
  bool ReadRow(std::vector<std::string>& values, int row);
  bool ReadColumn(std::vector<std::string>& values, std::int16_t column);
  bool ReadColumn(std::vector<std::string>& values, const std::string& column, bool letters);
  bool ReadCell(std::string& value, std::int16_t column, int row);
  bool ReadCell(std::string& value, const std::string& column, int row, bool letters);
  // Workbook only: sets the fields of the new values' positions in the rows whose fields
  // hold the old values (every row when no old values are given), then loads the sheet
  // again.
  bool UpdateRows(const std::vector<std::string>& newValues, const std::vector<std::string>& oldValues);
  bool RemoveSheet();
  bool RemoveSheet(const std::string& sheetName);
  void BeginBatch() { m_bBatch = true; }
  bool Save();
  bool Revert();
  // Writes the table into a new file beside this one in the other form: "<name>.csv" with
  // the given separator, or "<name>.xls" with the given sheet name. False when that file
  // already holds a table, or on any failure.
  bool ConvertFormat(const std::string& sheetOrSeparator);

  std::int16_t GetTotalColumns() const { return m_nTotalColumns; }
  void GetFieldNames(std::vector<std::string>& names) const { names = m_aFieldNames; }
  // Letters (flag set: "A" = 1, "AB" = 28) or a field name (exact); 0 when neither.
  std::int16_t ColumnNumber(const std::string& column, bool letters);

  const std::string& GetLastError() const { return m_strLastError; }
  int GetTotalRows() const { return m_nTotalRows; }
  int GetCurrentRow() const { return m_nCurrentRow; }
  bool IsBackupKept() const { return m_bBackup; }
  bool IsWorkbook() const { return m_bWorkbook; }
  bool InBatch() const { return m_bBatch; }
  const std::string& GetDriver() const { return m_strDriver; }
  const std::string& GetConnectString() const { return m_strConnect; }

 private:
  bool Load();
  bool LoadText();
  bool LoadWorkbook();
  bool SaveText();
  bool SaveWorkbook();
  void FindExcelDriver();
  // WriteRow without the save.
  bool PutRow(const std::vector<std::string>& values, int row, bool replace);
  bool SaveUnlessBatch();
  bool Fail(std::string text);
  // Opens the workbook's connection; false with the failure's text.
  bool OpenConnection();
  bool FailDatabase();
  bool RefuseRow(int row);
  bool RefuseColumn(int column);

  // The values of a line, split as the lines are written (no escaping).
  std::vector<std::string> SplitLine(const std::string& line) const;
  std::vector<std::string> RowValues(int row) const;
  std::string JoinLine(const std::vector<std::string>& values) const;
  // `count` empty values (a blank in a workbook), with `value` at `column` (from 1) when it
  // is one of them.
  std::vector<std::string> RowWithValue(int count, int column, const std::string& value) const;
  // A workbook keeps a row only as its line, which has no escaping: a row whose line would
  // not split back into its values (a value that holds the separator where the cells are
  // cut) is refused with a text rather than stored cut into other cells or past the last
  // field. True when refused.
  bool RefuseSplitRow(const std::vector<std::string>& values);
  void AppendFillerRows(int uptoRow);
  bool FindDuplicate(const std::vector<std::string>& names, std::string& duplicate) const;
  void SetCount(std::int16_t& total, std::size_t count);

  bool m_bSheetExists = false;
  bool m_bBackup = false;
  bool m_bWorkbook = false;
  bool m_bBatch = false;
  std::int32_t m_nCurrentRow = 1;
  std::int32_t m_nTotalRows = 0;
  std::int16_t m_nTotalColumns = 0;
  std::string m_strSelectSql;
  std::string m_strConnect;
  std::string m_strSql;
  std::string m_strLine;
  std::string m_strSheetName;
  std::string m_strDriver;
  std::string m_strFile;
  std::string m_strSeparator;
  std::string m_strLastError;
  std::vector<std::string> m_aFieldNames;
  std::vector<std::string> m_aRows;
  std::unique_ptr<SheetDatabase> m_pDatabase;
  SheetDatabaseFactory m_databaseFactory;
  SheetDialect m_dialect;
  // The last load of the sheet stopped at a record it could not read: a save would drop the
  // records not read, so saves are refused until the sheet loads whole or is removed.
  bool m_bPartialLoad = false;
};

}  // namespace util
