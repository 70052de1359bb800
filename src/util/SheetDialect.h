#pragma once
// How the spreadsheet writer's statements name a workbook, its sheets and its cells for the
// driver in use.
//
// Excel: the driver's own forms. A sheet is read, dropped and filled as a range of its
// columns A to IV ("[Sheet1$A1:IV65536]", "[Sheet1$A1:IV1]"), created and updated under its
// plain name ("[Sheet1]"), and the connect string names the workbook file with CREATE_DB and
// DBQ. There is no Excel driver on Linux; the SQLite ODBC driver registered under an Excel
// driver name stands in for one, keeping each sheet as a table of an SQLite database file:
// its connect string names the file with DATABASE, every statement names the sheet's table
// itself, and dropping a table that is not there is no failure (as dropping an Excel sheet
// only empties it).
//
// Names and values are always quoted: an Excel name in brackets ("]" doubled), an SQLite
// name in double quotes ('"' doubled), a value in single quotes ("'" doubled), so that no
// text of a table can change a statement.
#include <optional>
#include <string>
#include <string_view>

namespace util {

class SheetDialect {
 public:
  enum class Kind { Excel, SqliteTables };

  SheetDialect() = default;
  explicit SheetDialect(Kind kind) : m_kind(kind) {}
  // The dialect of a driver, judged by its registered library file.
  static SheetDialect ForDriverLibrary(std::string_view library);

  Kind GetKind() const { return m_kind; }

  // The connect string that opens the workbook file (a native path); nothing when the path
  // holds a character this form cannot carry (the Excel form: ";", "{", "}" or a double
  // quote). The SQLite form names such a path as a "file:" URI with those characters and
  // every other one outside the plain URI set escaped ("%3B" for ";").
  std::optional<std::string> ConnectString(const std::string& driver, const std::string& file) const;
  std::string QuoteName(std::string_view name) const;
  static std::string QuoteValue(std::string_view value);

  // The sheet as a whole: read, dropped, and created again when it exists.
  std::string SheetRange(std::string_view sheet) const;
  // A sheet created for the first time, and the target of an update.
  std::string PlainSheet(std::string_view sheet) const;
  // The range an INSERT of the row after `lastRow` names.
  std::string InsertRange(std::string_view sheet, int lastRow) const;
  std::string DropStatement(std::string_view sheet) const;

 private:
  Kind m_kind = Kind::Excel;
};

}  // namespace util
