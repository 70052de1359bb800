#pragma once
// What the spreadsheet writer needs of a database connection: the ODBC installer's list of
// drivers, a connection opened from a connect string without any dialog, statements, and
// forward-only, read-only record sets read as text. OdbcSheetDatabase serves it over
// unixODBC; tests put a recorder of their own in its place.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace util {

class SheetRecordset {
 public:
  enum class Fetch { Row, End, Error };

  virtual ~SheetRecordset() = default;
  virtual std::vector<std::string> FieldNames() const = 0;
  // The next record's values as text (a NULL value reads as an empty text).
  virtual Fetch Next(std::vector<std::string>& values) = 0;
};

class SheetDatabase {
 public:
  virtual ~SheetDatabase() = default;

  // The installed drivers' names; nothing when the list cannot be had.
  virtual std::optional<std::vector<std::string>> InstalledDrivers() = 0;
  // The library file registered for a driver; empty when unknown.
  virtual std::string DriverLibrary(const std::string& driver) = 0;

  // Opens the connection (an open one is closed first); false with LastError on failure.
  virtual bool Open(const std::string& connect) = 0;
  virtual void Close() = 0;
  virtual bool Execute(const std::string& sql) = 0;
  // Opens a record set on the open connection; null (with LastError) when it cannot be
  // opened. The record set must be gone before Close.
  virtual std::unique_ptr<SheetRecordset> Query(const std::string& sql) = 0;
  // The text of the last failure: each message of the driver or driver manager ending in a
  // line feed.
  virtual std::string LastError() const = 0;
};

using SheetDatabaseFactory = std::function<std::unique_ptr<SheetDatabase>()>;

}  // namespace util
