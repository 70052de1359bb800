#include "util/SpreadSheet.h"

#include <algorithm>
#include <limits>

#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "util/OdbcSheetDatabase.h"

namespace util {

namespace {

constexpr char kErrorDuplicateHeader[] = "Duplicate header row field:%s\n";
constexpr char kErrorAddingHeaders[] = "Problems with adding headers\n";
constexpr char kErrorShorterHeader[] =
    "Number of columns in new header row cannot be less than the number of columns in previous header row";
constexpr char kErrorNoHeader[] = "No header row. Add header row first\n";
constexpr char kErrorTooManyColumns[] = "Number of columns to be added cannot be greater than the number of fields\n";
constexpr char kErrorColumnZero[] = "Column cannot be zero\n";
constexpr char kErrorColumnNegative[] = "Column cannot be negative\n";
constexpr char kErrorRowNegative[] = "Row cannot be negative\n";
constexpr char kErrorCellColumn[] = "Cell column to be added cannot be greater than the number of fields\n";
constexpr char kErrorRowBeyond[] = "Desired row is greater than total number of rows in spreadsheet\n";
constexpr char kErrorReadingRow[] = "Error reading row\n";
constexpr char kErrorTextFile[] = "Function not available for text delimited file\n";
constexpr char kErrorDeletingSheet[] = "Error deleting sheet\n";
constexpr char kErrorWritingFile[] = "Error writing file\n";
constexpr char kErrorReverting[] = "Error in returning to previous state\n";
constexpr char kErrorOpeningFile[] = "Error in opening file\n";
constexpr char kErrorInvalidColumn[] = "Invalid field name or column alphabet\n";
constexpr char kErrorTooManyValues[] = "Number of values cannot be greater than the number of fields\n";
constexpr char kErrorNoValues[] = "No values to update\n";
constexpr char kErrorWorkbookPath[] = "Workbook path cannot be passed to the ODBC driver:%s\n";
constexpr char kErrorValueSplit[] = "Value would be split at the separator:%s\n";

constexpr char kWorkbookExtension[] = ".xls";

bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

// The native path of the workbook for the driver; the text itself when it has none.
std::string NativeFileName(const std::string& file) {
  try {
    return platform::ToNativePath(file).string();
  } catch (...) {
    return file;
  }
}

// Joins texts made by `part` with ", " between them.
template <typename Part>
std::string JoinList(std::size_t count, Part part) {
  std::string list;
  for (std::size_t i = 0; i < count; ++i) {
    if (i != 0) list += ", ";
    list += part(i);
  }
  return list;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Construction

CSpreadSheet::CSpreadSheet(std::string file, std::string sheetOrSeparator, bool backup, SheetDatabaseFactory database)
    : m_bBackup(backup), m_strFile(std::move(file)), m_databaseFactory(std::move(database)) {
  if (!m_databaseFactory) m_databaseFactory = &MakeOdbcSheetDatabase;
  const std::string extension =
      platform::ToLower(m_strFile.size() >= 4 ? std::string_view(m_strFile).substr(m_strFile.size() - 4) : m_strFile);
  m_bWorkbook = extension == kWorkbookExtension;

  if (m_bWorkbook) {
    m_strSheetName = std::move(sheetOrSeparator);
    m_strSeparator = kWorkbookSeparator;
    m_pDatabase = m_databaseFactory();
    FindExcelDriver();
    // Empty when the path cannot be passed: every statement then fails with kErrorWorkbookPath.
    m_strConnect = m_dialect.ConnectString(m_strDriver, NativeFileName(m_strFile)).value_or(std::string());
    if (Load() && m_bBackup && m_bSheetExists) {
      const std::string sheet = m_strSheetName;
      m_strSheetName = kBackupSheetName;
      m_bSheetExists = false;
      if (!Save()) m_bBackup = false;
      m_bSheetExists = true;
      m_strSheetName = sheet;
      m_nCurrentRow = 1;
    }
    return;
  }

  m_strSeparator = std::move(sheetOrSeparator);
  if (Load() && m_bBackup && m_bSheetExists) {
    const std::string file = m_strFile;
    m_strFile = platform::Format("%s.bak", file.c_str());
    if (!Save()) m_bBackup = false;
    m_strFile = file;
  }
}

CSpreadSheet::~CSpreadSheet() {
  if (m_pDatabase) m_pDatabase->Close();
}

void CSpreadSheet::FindExcelDriver() {
  const auto drivers = m_pDatabase->InstalledDrivers();
  if (!drivers) {
    m_strDriver.clear();
  } else {
    for (const std::string& driver : *drivers) {
      if (driver.find("Excel") != std::string::npos) {
        m_strDriver = driver;
        break;
      }
    }
  }
  m_dialect = SheetDialect::ForDriverLibrary(m_pDatabase->DriverLibrary(m_strDriver));
}

// ---------------------------------------------------------------------------------------
// Helpers

bool CSpreadSheet::Fail(std::string text) {
  m_strLastError = std::move(text);
  return false;
}

bool CSpreadSheet::OpenConnection() {
  if (m_strConnect.empty()) return Fail(platform::Format(kErrorWorkbookPath, NativeFileName(m_strFile).c_str()));
  return m_pDatabase->Open(m_strConnect) || FailDatabase();
}

bool CSpreadSheet::FailDatabase() {
  m_strLastError = m_pDatabase->LastError();
  m_pDatabase->Close();
  return false;
}

bool CSpreadSheet::RefuseRow(int row) { return row < 0 ? !Fail(kErrorRowNegative) : false; }

bool CSpreadSheet::RefuseColumn(int column) {
  if (column == 0) return !Fail(kErrorColumnZero);
  if (column < 0) return !Fail(kErrorColumnNegative);
  return false;
}

void CSpreadSheet::SetCount(std::int16_t& total, std::size_t count) {
  total = static_cast<std::int16_t>(std::min<std::size_t>(count, std::numeric_limits<std::int16_t>::max()));
}

std::vector<std::string> CSpreadSheet::SplitLine(const std::string& line) const {
  std::vector<std::string> values;
  const std::string& separator = m_strSeparator;
  const std::string quotedSeparator = "\"" + separator + "\"";
  auto cutAt = [&](const std::string& mark) {
    std::size_t start = 0;
    for (;;) {
      const std::size_t found = line.find(mark, start);
      if (found == std::string::npos) break;
      values.push_back(line.substr(start, found - start));
      start = found + mark.size();
    }
    values.push_back(line.substr(start));
  };
  if (!separator.empty() && line.find(quotedSeparator) != std::string::npos) {
    cutAt(quotedSeparator);
    if (!values.front().empty()) values.front().erase(0, 1);        // the opening quote
    if (!values.back().empty()) values.back().pop_back();           // the closing quote
  } else if (!separator.empty() && line.find(separator) != std::string::npos) {
    cutAt(separator);
  } else if (!line.empty() && line.front() == '"' && line.find_last_of('"') == line.size() - 1) {
    values.push_back(line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string());
  } else {
    values.push_back(line);
  }
  return values;
}

std::vector<std::string> CSpreadSheet::RowValues(int row) const {
  if (row < 1 || row > static_cast<int>(m_aRows.size())) return {};
  return SplitLine(m_aRows[static_cast<std::size_t>(row - 1)]);
}

std::string CSpreadSheet::JoinLine(const std::vector<std::string>& values) const {
  std::string line;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != 0) line += m_strSeparator;
    line += '"';
    line += values[i];
    line += '"';
  }
  return line;
}

std::vector<std::string> CSpreadSheet::RowWithValue(int count, int column, const std::string& value) const {
  // An empty cell of a workbook is written as a blank.
  std::vector<std::string> values(static_cast<std::size_t>(std::max(count, 0)), m_bWorkbook ? " " : "");
  if (column >= 1 && column <= count) values[static_cast<std::size_t>(column - 1)] = value;
  return values;
}

void CSpreadSheet::AppendFillerRows(int uptoRow) {
  while (static_cast<int>(m_aRows.size()) < uptoRow - 1) {
    m_aRows.push_back(JoinLine(RowWithValue(m_nTotalColumns, 0, {})));
  }
}

bool CSpreadSheet::RefuseSplitRow(const std::vector<std::string>& values) {
  if (!m_bWorkbook || SplitLine(JoinLine(values)) == values) return false;
  // Only a value that holds the separator can be cut.
  const auto holdsSeparator = [&](const std::string& value) { return value.find(m_strSeparator) != std::string::npos; };
  const auto cut = std::find_if(values.begin(), values.end(), holdsSeparator);
  Fail(platform::Format(kErrorValueSplit, cut == values.end() ? "" : cut->c_str()));
  return true;
}

bool CSpreadSheet::FindDuplicate(const std::vector<std::string>& names, std::string& duplicate) const {
  for (std::size_t i = 0; i < names.size(); ++i) {
    for (std::size_t j = i + 1; j < names.size(); ++j) {
      if (names[i] == names[j]) {
        duplicate = names[i];
        return true;
      }
    }
  }
  return false;
}

std::int16_t CSpreadSheet::ColumnNumber(const std::string& column, bool letters) {
  if (letters) {
    const std::string upper = platform::ToUpper(column);
    if (upper.size() == 1 && IsLetter(upper[0])) return static_cast<std::int16_t>(upper[0] - 64);
    if (upper.size() == 2 && IsLetter(upper[0]) && IsLetter(upper[1])) {
      return static_cast<std::int16_t>((upper[0] - 64) * 26 + (upper[1] - 64));
    }
  }
  const auto found = std::find(m_aFieldNames.begin(), m_aFieldNames.end(), column);
  if (found != m_aFieldNames.end()) return static_cast<std::int16_t>(found - m_aFieldNames.begin() + 1);
  Fail(kErrorInvalidColumn);
  return 0;
}

// ---------------------------------------------------------------------------------------
// Loading

bool CSpreadSheet::Load() { return m_bWorkbook ? LoadWorkbook() : LoadText(); }

bool CSpreadSheet::LoadText() {
  const auto content = platform::ReadWholeFile(m_strFile);
  if (!content) return Fail(kErrorOpeningFile);
  m_aRows.clear();
  std::size_t start = 0;
  while (start < content->size()) {
    std::size_t end = content->find('\n', start);
    if (end == std::string::npos) end = content->size();
    std::string line = content->substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    m_aRows.push_back(std::move(line));
    start = end + 1;
  }
  m_nTotalRows = static_cast<int>(m_aRows.size());
  m_aFieldNames.clear();
  ReadRow(m_aFieldNames, 1);  // an empty file keeps the read's message
  std::size_t columns = 0;
  for (const std::string& line : m_aRows) columns = std::max(columns, SplitLine(line).size());
  SetCount(m_nTotalColumns, columns);
  if (m_nTotalColumns != 0) m_bSheetExists = true;
  m_nCurrentRow = 1;
  return true;
}

bool CSpreadSheet::LoadWorkbook() {
  if (!OpenConnection()) return false;
  m_strSelectSql = "SELECT * FROM " + m_dialect.SheetRange(m_strSheetName);
  std::unique_ptr<SheetRecordset> records = m_pDatabase->Query(m_strSelectSql);
  if (!records) {  // a sheet that does not exist yet: no message
    m_pDatabase->Close();
    return false;
  }
  const std::vector<std::string> fields = records->FieldNames();
  SetCount(m_nTotalColumns, fields.size());
  if (m_nTotalColumns != 0) {
    m_aRows.clear();
    m_aFieldNames = fields;
    m_bSheetExists = true;
    m_aRows.push_back(JoinLine(fields));
    std::vector<std::string> values;
    for (;;) {
      const SheetRecordset::Fetch fetched = records->Next(values);
      if (fetched == SheetRecordset::Fetch::End) break;
      if (fetched == SheetRecordset::Fetch::Error) {
        m_bPartialLoad = true;
        records.reset();
        m_pDatabase->Close();
        m_nTotalRows = static_cast<int>(m_aRows.size());
        return Fail(kErrorReadingRow);
      }
      m_aRows.push_back(JoinLine(values));
    }
    m_nTotalRows = static_cast<int>(m_aRows.size());  // the header row counts
  }
  m_bPartialLoad = false;
  records.reset();
  m_pDatabase->Close();
  m_nCurrentRow = 1;
  return true;
}

// ---------------------------------------------------------------------------------------
// Reading

bool CSpreadSheet::ReadRow(std::vector<std::string>& values, int row) {
  if (RefuseRow(row)) return false;
  if (row > m_nTotalRows) return Fail(kErrorRowBeyond);
  if (row == 0) {
    if (m_nCurrentRow > m_nTotalRows) return false;
  } else {
    m_nCurrentRow = row;
  }
  m_strLine = m_aRows[static_cast<std::size_t>(m_nCurrentRow - 1)];
  values = SplitLine(m_strLine);
  ++m_nCurrentRow;
  return true;
}

bool CSpreadSheet::ReadColumn(std::vector<std::string>& values, std::int16_t column) {
  if (RefuseColumn(column)) return false;
  values.clear();
  for (int row = 1; row <= m_nTotalRows; ++row) {
    const std::vector<std::string> cells = RowValues(row);
    values.push_back(static_cast<std::size_t>(column) <= cells.size() ? cells[static_cast<std::size_t>(column - 1)]
                                                                     : std::string());
  }
  return true;
}

bool CSpreadSheet::ReadColumn(std::vector<std::string>& values, const std::string& column, bool letters) {
  const std::int16_t number = ColumnNumber(column, letters);
  return number != 0 && ReadColumn(values, number);
}

bool CSpreadSheet::ReadCell(std::string& value, std::int16_t column, int row) {
  if (RefuseColumn(column) || RefuseRow(row)) return false;
  value.clear();
  const int target = row == 0 ? m_nCurrentRow : row;
  if (target > m_nTotalRows) return Fail(kErrorReadingRow);
  const std::vector<std::string> cells = RowValues(target);
  if (static_cast<std::size_t>(column) > cells.size()) return false;
  value = cells[static_cast<std::size_t>(column - 1)];
  return true;
}

bool CSpreadSheet::ReadCell(std::string& value, const std::string& column, int row, bool letters) {
  const std::int16_t number = ColumnNumber(column, letters);
  return number != 0 && ReadCell(value, number, row);
}

// ---------------------------------------------------------------------------------------
// Writing

bool CSpreadSheet::SaveUnlessBatch() { return m_bBatch || Save(); }

bool CSpreadSheet::WriteRow(const std::vector<std::string>& values, int row, bool replace) {
  return PutRow(values, row, replace) && SaveUnlessBatch();
}

bool CSpreadSheet::PutRow(const std::vector<std::string>& values, int row, bool replace) {
  if (RefuseRow(row) || RefuseSplitRow(values)) return false;
  if (row == 1) {
    if (m_bWorkbook) {
      std::string duplicate;
      if (FindDuplicate(values, duplicate)) return Fail(platform::Format(kErrorDuplicateHeader, duplicate.c_str()));
      if (static_cast<int>(values.size()) < m_nTotalColumns) return Fail(kErrorShorterHeader);
      SetCount(m_nTotalColumns, values.size());
    }
    m_aFieldNames = values;
  } else if (m_bWorkbook && m_nTotalColumns == 0) {
    return Fail(kErrorNoHeader);
  }
  if (m_bWorkbook) {
    if (values.size() > m_aFieldNames.size()) return Fail(kErrorTooManyColumns);
  } else if (static_cast<int>(values.size()) > m_nTotalColumns) {
    SetCount(m_nTotalColumns, values.size());
  }

  m_strLine = JoinLine(values);
  if (row == 0) {
    m_aRows.push_back(m_strLine);
  } else if (row > m_nTotalRows) {
    AppendFillerRows(row);
    m_aRows.push_back(m_strLine);
    m_nCurrentRow = row;
  } else if (replace) {
    m_aRows[static_cast<std::size_t>(row - 1)] = m_strLine;
  } else {
    m_aRows.insert(m_aRows.begin() + (row - 1), m_strLine);
  }
  m_nTotalRows = static_cast<int>(m_aRows.size());
  return true;
}

bool CSpreadSheet::WriteCell(const std::string& value, std::int16_t column, int row) {
  if (RefuseColumn(column) || RefuseRow(row)) return false;
  const std::size_t fields = m_aFieldNames.size();
  if (m_bWorkbook) {
    // One column past the fields adds a field, but only in the header row: a data cell
    // there would make every later save of the sheet fail.
    const std::size_t limit = row == 1 ? fields + 1 : fields;
    if (static_cast<std::size_t>(column) > limit) return Fail(kErrorCellColumn);
  } else if (column > m_nTotalColumns) {
    m_nTotalColumns = column;
  }

  if (row == 0 || row > m_nTotalRows) {
    const std::vector<std::string> cells = RowWithValue(std::max<int>(m_nTotalColumns, column), column, value);
    if (RefuseSplitRow(cells)) return false;
    m_strLine = JoinLine(cells);
    if (row == 0) {
      m_aRows.push_back(m_strLine);
    } else {
      AppendFillerRows(row);
      m_aRows.push_back(m_strLine);
      m_nCurrentRow = row;
    }
    m_nTotalRows = static_cast<int>(m_aRows.size());
    if (row == 1) {  // the new row is the header
      m_aFieldNames = SplitLine(m_strLine);
      if (m_bWorkbook) SetCount(m_nTotalColumns, m_aFieldNames.size());
    }
  } else {
    std::vector<std::string> cells = RowValues(row);
    if (cells.size() < static_cast<std::size_t>(column)) cells.resize(static_cast<std::size_t>(column));
    cells[static_cast<std::size_t>(column - 1)] = value;
    if (row == 1 && m_bWorkbook) {
      std::string duplicate;
      if (FindDuplicate(cells, duplicate)) return Fail(platform::Format(kErrorDuplicateHeader, duplicate.c_str()));
    }
    if (!PutRow(cells, row, true)) return false;
  }
  return SaveUnlessBatch();
}

bool CSpreadSheet::WriteCell(const std::string& value, const std::string& column, int row, bool letters) {
  const std::int16_t number = ColumnNumber(column, letters);
  return number != 0 && WriteCell(value, number, row);
}

bool CSpreadSheet::AddHeaderFields(const std::vector<std::string>& names, bool replace) {
  if (!m_bSheetExists) {
    SetCount(m_nTotalColumns, names.size());
    if (!PutRow(names, 1, true)) return false;
  } else if (replace) {
    if (!PutRow(names, 1, true)) return false;
  } else {
    std::vector<std::string> header = RowValues(1);
    if (m_bWorkbook) {
      for (const std::string& name : names) {
        if (std::find(header.begin(), header.end(), name) != header.end()) {
          return Fail(platform::Format(kErrorDuplicateHeader, name.c_str()));
        }
      }
    }
    header.insert(header.end(), names.begin(), names.end());
    if (!PutRow(header, 1, true)) return Fail(kErrorAddingHeaders);
    if (static_cast<int>(header.size()) > m_nTotalColumns) SetCount(m_nTotalColumns, header.size());
  }
  return SaveUnlessBatch();
}

// ---------------------------------------------------------------------------------------
// Saving

bool CSpreadSheet::Save() {
  if (!(m_bWorkbook ? SaveWorkbook() : SaveText())) return false;
  m_bBatch = false;
  return true;
}

bool CSpreadSheet::SaveText() {
  std::string content;
  for (const std::string& line : m_aRows) {
    content += line;
    content += "\r\n";
  }
  if (!platform::WriteWholeFileThroughLink(m_strFile, content)) return Fail(kErrorWritingFile);
  return true;
}

bool CSpreadSheet::SaveWorkbook() {
  // No fields, no table: the statement would not even be complete.
  if (m_aFieldNames.empty()) return Fail(kErrorNoHeader);
  if (m_bPartialLoad) return Fail(kErrorReadingRow);
  // Every row goes in whole or the sheet is not touched: a line that splits into more values
  // than there are fields (a value of the loaded sheet that held the separator) is refused.
  for (int row = 2; row <= m_nTotalRows; ++row) {
    if (RowValues(row).size() > m_aFieldNames.size()) return Fail(kErrorTooManyColumns);
  }
  if (!OpenConnection()) return false;
  const bool existed = m_bSheetExists;
  if (existed) {
    m_strSql = m_dialect.DropStatement(m_strSheetName);
    if (!m_pDatabase->Execute(m_strSql)) return FailDatabase();
  }
  m_strSql = "CREATE TABLE " + (existed ? m_dialect.SheetRange(m_strSheetName) : m_dialect.PlainSheet(m_strSheetName)) +
             " (" + JoinList(m_aFieldNames.size(), [&](std::size_t i) { return m_dialect.QuoteName(m_aFieldNames[i]) + " char(255)"; }) +
             ")";
  if (!m_pDatabase->Execute(m_strSql)) return FailDatabase();
  if (!existed) {
    SetCount(m_nTotalColumns, m_aFieldNames.size());
    m_bSheetExists = true;
  }
  for (int i = 1; i < m_nTotalRows; ++i) {
    const std::vector<std::string> values = RowValues(i + 1);
    // A row shorter than the header names only its own fields.
    const std::size_t count = std::min(values.size(), m_aFieldNames.size());
    m_strSql = "INSERT INTO " + m_dialect.InsertRange(m_strSheetName, i) + " (" +
               JoinList(count, [&](std::size_t c) { return m_dialect.QuoteName(m_aFieldNames[c]); }) + ") VALUES (" +
               JoinList(count, [&](std::size_t c) { return SheetDialect::QuoteValue(values[c]); }) + ")";
    if (!m_pDatabase->Execute(m_strSql)) return FailDatabase();
  }
  m_pDatabase->Close();
  return true;
}

bool CSpreadSheet::Revert() {
  if (!Load()) return Fail(kErrorReverting);
  m_bBatch = false;
  return true;
}

// ---------------------------------------------------------------------------------------
// Workbook statements

bool CSpreadSheet::UpdateRows(const std::vector<std::string>& newValues, const std::vector<std::string>& oldValues) {
  if (!m_bWorkbook) return Fail(kErrorTextFile);
  if (newValues.size() > m_aFieldNames.size() || oldValues.size() > m_aFieldNames.size()) {
    return Fail(kErrorTooManyValues);
  }
  if (newValues.empty()) return Fail(kErrorNoValues);
  if (!OpenConnection()) return false;
  auto condition = [&](const std::vector<std::string>& values, std::size_t i) {
    return m_dialect.QuoteName(m_aFieldNames[i]) + "=" + SheetDialect::QuoteValue(values[i]);
  };
  m_strSql = "UPDATE " + m_dialect.PlainSheet(m_strSheetName) + " SET " +
             JoinList(newValues.size(), [&](std::size_t i) { return condition(newValues, i); });
  if (!oldValues.empty()) {
    m_strSql += " WHERE (";
    for (std::size_t i = 0; i < oldValues.size(); ++i) m_strSql += condition(oldValues, i) + (i + 1 < oldValues.size() ? " AND " : " ");
    m_strSql += ")";
  }
  if (!m_pDatabase->Execute(m_strSql)) return FailDatabase();
  m_pDatabase->Close();
  Load();
  return true;
}

bool CSpreadSheet::RemoveSheet(const std::string& sheetName) {
  if (!m_bWorkbook) return RemoveSheet();
  if (!OpenConnection()) return false;
  m_strSql = m_dialect.DropStatement(sheetName);
  if (!m_pDatabase->Execute(m_strSql)) return FailDatabase();
  m_pDatabase->Close();
  if (sheetName == m_strSheetName) m_bPartialLoad = false;
  m_aRows.clear();
  m_aFieldNames.clear();
  m_nTotalRows = 0;
  m_nTotalColumns = 0;
  m_nCurrentRow = 1;
  return true;
}

bool CSpreadSheet::RemoveSheet() {
  if (m_bWorkbook) return RemoveSheet(m_strSheetName) || Fail(kErrorDeletingSheet);
  m_aRows.clear();
  m_aFieldNames.clear();
  m_nTotalRows = 0;
  m_nTotalColumns = 0;
  m_nCurrentRow = 1;
  const bool saved = SaveUnlessBatch();
  m_bSheetExists = false;
  return saved;
}

bool CSpreadSheet::ConvertFormat(const std::string& sheetOrSeparator) {
  const std::string base = m_strFile.size() >= 4 ? m_strFile.substr(0, m_strFile.size() - 4) : m_strFile;
  if (m_bWorkbook) {
    CSpreadSheet text(base + ".csv", sheetOrSeparator, false, m_databaseFactory);
    if (text.GetTotalColumns() != 0) return false;
    text.BeginBatch();
    for (int row = 1; row <= m_nTotalRows; ++row) {
      if (!text.WriteRow(RowValues(row), row, false)) return Fail(text.GetLastError());
    }
    return text.Save() || Fail(text.GetLastError());
  }

  CSpreadSheet workbook(base + kWorkbookExtension, sheetOrSeparator, false, m_databaseFactory);
  if (workbook.GetTotalColumns() != 0) return false;
  bool duplicates = false;
  for (std::size_t i = 0; i < m_aFieldNames.size(); ++i) {
    for (std::size_t j = i + 1; j < m_aFieldNames.size(); ++j) {
      if (m_aFieldNames[i] == m_aFieldNames[j]) {
        Fail(platform::Format(kErrorDuplicateHeader, m_aFieldNames[i].c_str()));
        duplicates = true;
      }
    }
  }
  // Duplicate names cannot head a sheet: the columns are numbered instead and the whole
  // table, its header row included, goes below.
  std::vector<std::string> header;
  int firstRow = 2, shift = 0;
  if (duplicates) {
    for (int column = 1; column <= m_nTotalColumns; ++column) header.push_back(platform::Format("%d", column));
    firstRow = 1;
    shift = 1;
  } else {
    header = m_aFieldNames;
  }
  if (!workbook.AddHeaderFields(header, false)) return Fail(workbook.GetLastError());
  for (int row = firstRow; row <= m_nTotalRows; ++row) {
    if (!workbook.WriteRow(RowValues(row), row + shift, false)) return Fail(workbook.GetLastError());
  }
  return true;
}

}  // namespace util
