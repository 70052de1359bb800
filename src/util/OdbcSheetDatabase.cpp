#include "util/OdbcSheetDatabase.h"

#include <sql.h>
#include <sqlext.h>
#include <odbcinst.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace util {

namespace {

// The installer's list is asked for with a buffer of this many characters.
constexpr int kDriverListSize = 2000;
// The longest column name a buffer length (a signed 16-bit count) can ask for.
constexpr std::size_t kLongestColumnName = 32766;

// Messages of every diagnostic record of a handle, each ending in a line feed.
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
  std::string text;
  if (handle == SQL_NULL_HANDLE) return text;
  for (SQLSMALLINT record = 1;; ++record) {
    SQLCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH + 1] = {};
    SQLSMALLINT length = 0;
    const SQLRETURN result = SQLGetDiagRec(type, handle, record, state, &native, message, sizeof message, &length);
    if (result != SQL_SUCCESS && result != SQL_SUCCESS_WITH_INFO) break;
    text += reinterpret_cast<const char*>(message);
    text += '\n';
  }
  return text;
}

bool Succeeded(SQLRETURN result) { return result == SQL_SUCCESS || result == SQL_SUCCESS_WITH_INFO; }

class OdbcRecordset : public SheetRecordset {
 public:
  OdbcRecordset(SQLHSTMT statement, std::string& lastError) : m_statement(statement), m_lastError(lastError) {}
  ~OdbcRecordset() override {
    SQLCloseCursor(m_statement);
    SQLFreeHandle(SQL_HANDLE_STMT, m_statement);
  }
  OdbcRecordset(const OdbcRecordset&) = delete;
  OdbcRecordset& operator=(const OdbcRecordset&) = delete;

  std::vector<std::string> FieldNames() const override {
    std::vector<std::string> names;
    SQLSMALLINT columns = 0;
    if (!Succeeded(SQLNumResultCols(m_statement, &columns))) return names;
    for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(std::max<SQLSMALLINT>(columns, 0)); ++column) {
      names.push_back(ColumnName(column));
    }
    return names;
  }

  Fetch Next(std::vector<std::string>& values) override {
    values.clear();
    const SQLRETURN fetched = SQLFetch(m_statement);
    if (fetched == SQL_NO_DATA) return Fetch::End;
    if (!Succeeded(fetched)) return Fail();
    SQLSMALLINT columns = 0;
    if (!Succeeded(SQLNumResultCols(m_statement, &columns))) return Fail();
    for (SQLUSMALLINT column = 1; column <= static_cast<SQLUSMALLINT>(std::max<SQLSMALLINT>(columns, 0)); ++column) {
      std::string value;
      if (!ReadText(column, value)) return Fail();
      values.push_back(std::move(value));
    }
    return Fetch::Row;
  }

 private:
  Fetch Fail() {
    m_lastError = Diagnostics(SQL_HANDLE_STMT, m_statement);
    return Fetch::Error;
  }

  // A column's name of any length the interface can report: a name that may not have fit
  // the buffer (the driver said it was cut, or it filled the buffer) is asked for again with
  // more room, as much as the driver said it needs or twice as much as before. Drivers differ
  // in whether they give the whole length of a cut name.
  std::string ColumnName(SQLUSMALLINT column) const {
    std::vector<SQLCHAR> name(512);
    for (;;) {
      SQLSMALLINT length = 0, dataType = 0, digits = 0, nullable = 0;
      SQLULEN size = 0;
      const auto room = static_cast<SQLSMALLINT>(name.size());
      const SQLRETURN result =
          SQLDescribeCol(m_statement, column, name.data(), room, &length, &dataType, &size, &digits, &nullable);
      if (!Succeeded(result)) return std::string();
      const bool mayBeCut = result == SQL_SUCCESS_WITH_INFO || length >= room - 1;
      if (!mayBeCut || name.size() > kLongestColumnName) break;
      const std::size_t wanted = std::max(static_cast<std::size_t>(length) + 1, 2 * name.size());
      name.assign(std::min(wanted, kLongestColumnName + 1), 0);
    }
    return std::string(reinterpret_cast<const char*>(name.data()), strnlen(reinterpret_cast<const char*>(name.data()), name.size()));
  }

  // A value of any length as text, in pieces; NULL reads as empty.
  bool ReadText(SQLUSMALLINT column, std::string& value) {
    char piece[1024];
    for (;;) {
      SQLLEN indicator = 0;
      const SQLRETURN result = SQLGetData(m_statement, column, SQL_C_CHAR, piece, sizeof piece, &indicator);
      if (result == SQL_NO_DATA) return true;
      if (!Succeeded(result)) return false;
      if (indicator == SQL_NULL_DATA) return true;
      // Each piece ends in a zero; a full piece holds sizeof piece - 1 characters.
      const std::size_t available =
          (indicator == SQL_NO_TOTAL || indicator >= static_cast<SQLLEN>(sizeof piece)) ? sizeof piece - 1
                                                                                        : static_cast<std::size_t>(indicator);
      value.append(piece, available);
      if (result == SQL_SUCCESS) return true;
    }
  }

  SQLHSTMT m_statement;
  std::string& m_lastError;
};

class OdbcSheetDatabase : public SheetDatabase {
 public:
  ~OdbcSheetDatabase() override { Close(); }

  std::optional<std::vector<std::string>> InstalledDrivers() override {
    char buffer[kDriverListSize] = {};
    WORD used = 0;
    if (!SQLGetInstalledDrivers(buffer, sizeof buffer, &used)) return std::nullopt;
    // Names ended by zeros, the list by an empty name; never read past the buffer.
    std::vector<std::string> names;
    const std::size_t end = std::min<std::size_t>(used, sizeof buffer);
    std::size_t start = 0;
    while (start < end) {
      const char* name = buffer + start;
      const std::size_t length = strnlen(name, end - start);
      if (length == 0 || start + length >= end) break;
      names.emplace_back(name, length);
      start += length + 1;
    }
    return names;
  }

  std::string DriverLibrary(const std::string& driver) override {
    if (driver.empty()) return std::string();
    char library[1024] = {};
    SQLGetPrivateProfileString(driver.c_str(), "Driver", "", library, sizeof library, "ODBCINST.INI");
    return library;
  }

  bool Open(const std::string& connect) override {
    Close();
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_environment))) {
      m_environment = SQL_NULL_HANDLE;
      return Fail("The ODBC environment could not be made\n");
    }
    SQLSetEnvAttr(m_environment, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_DBC, m_environment, &m_connection))) {
      m_connection = SQL_NULL_HANDLE;
      const std::string error = Diagnostics(SQL_HANDLE_ENV, m_environment);
      Close();
      return Fail(error);
    }
    SQLCHAR completed[1024] = {};
    SQLSMALLINT completedLength = 0;
    std::string text = connect;
    const SQLRETURN result =
        SQLDriverConnect(m_connection, nullptr, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLSMALLINT>(text.size()),
                         completed, sizeof completed, &completedLength, SQL_DRIVER_NOPROMPT);
    if (!Succeeded(result)) {
      const std::string error = Diagnostics(SQL_HANDLE_DBC, m_connection);
      SQLFreeHandle(SQL_HANDLE_DBC, m_connection);
      m_connection = SQL_NULL_HANDLE;
      Close();
      return Fail(error);
    }
    m_connected = true;
    return true;
  }

  void Close() override {
    if (m_connection != SQL_NULL_HANDLE) {
      if (m_connected) SQLDisconnect(m_connection);
      SQLFreeHandle(SQL_HANDLE_DBC, m_connection);
    }
    if (m_environment != SQL_NULL_HANDLE) SQLFreeHandle(SQL_HANDLE_ENV, m_environment);
    m_connection = SQL_NULL_HANDLE;
    m_environment = SQL_NULL_HANDLE;
    m_connected = false;
  }

  bool Execute(const std::string& sql) override {
    SQLHSTMT statement = Run(sql);
    if (statement == SQL_NULL_HANDLE) return false;
    SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return true;
  }

  std::unique_ptr<SheetRecordset> Query(const std::string& sql) override {
    SQLHSTMT statement = Run(sql);
    if (statement == SQL_NULL_HANDLE) return nullptr;
    return std::make_unique<OdbcRecordset>(statement, m_lastError);
  }

  std::string LastError() const override { return m_lastError; }

 private:
  bool Fail(const std::string& error) {
    m_lastError = error.empty() ? "The ODBC call failed\n" : error;
    return false;
  }

  // A statement handle on which sql ran; null (with the error kept) on failure.
  SQLHSTMT Run(const std::string& sql) {
    if (!m_connected) {
      Fail("The connection is not open\n");
      return SQL_NULL_HANDLE;
    }
    SQLHSTMT statement = SQL_NULL_HANDLE;
    if (!Succeeded(SQLAllocHandle(SQL_HANDLE_STMT, m_connection, &statement))) {
      Fail(Diagnostics(SQL_HANDLE_DBC, m_connection));
      return SQL_NULL_HANDLE;
    }
    std::string text = sql;
    const SQLRETURN result = SQLExecDirect(statement, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size()));
    if (!Succeeded(result) && result != SQL_NO_DATA) {
      Fail(Diagnostics(SQL_HANDLE_STMT, statement));
      SQLFreeHandle(SQL_HANDLE_STMT, statement);
      return SQL_NULL_HANDLE;
    }
    return statement;
  }

  SQLHENV m_environment = SQL_NULL_HANDLE;
  SQLHDBC m_connection = SQL_NULL_HANDLE;
  bool m_connected = false;
  std::string m_lastError;
};

}  // namespace

std::unique_ptr<SheetDatabase> MakeOdbcSheetDatabase() { return std::make_unique<OdbcSheetDatabase>(); }

}  // namespace util
