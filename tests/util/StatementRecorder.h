#pragma once
// An in-process stand-in for the spreadsheet writer's database: it records every connection
// and statement in order ("OPEN <connect string>", "EXEC <sql>", "QUERY <sql>", "CLOSE"),
// answers queries from tables a test gives, and fails the connection or chosen statements
// on request.
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "util/SheetDatabase.h"

namespace testsupport {

class StatementRecorder {
 public:
  struct Table {
    std::vector<std::string> fields;
    std::vector<std::vector<std::string>> rows;
    // The record set fails when it reaches this row (index into rows); -1: never.
    int failAtRow = -1;
  };

  std::vector<std::string> log;
  std::optional<std::vector<std::string>> drivers =
      std::vector<std::string>{"SQL Server", "Microsoft Excel Driver (*.xls)", "Another Excel Driver"};
  std::map<std::string, std::string> driverLibraries;
  // Query results by the exact SELECT text; a query for any other text fails to open.
  std::map<std::string, Table> tables;
  // Non-empty: opening a connection fails with this text.
  std::string connectFailure;
  // Statements that begin with a key fail with its text.
  std::map<std::string, std::string> statementFailures;

  // Makes databases that all record here.
  util::SheetDatabaseFactory Factory();
  // The log since the last call, then emptied.
  std::vector<std::string> Take();
};

}  // namespace testsupport
