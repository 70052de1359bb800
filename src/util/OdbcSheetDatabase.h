#pragma once
// The spreadsheet writer's database over unixODBC: SQLGetInstalledDrivers and the driver's
// "Driver" entry from the installer's configuration, SQLDriverConnect without prompting,
// SQLExecDirect, and SQLFetch/SQLGetData reading every value as text. Failures keep the
// diagnostic records' messages.
#include <memory>

#include "util/SheetDatabase.h"

namespace util {

std::unique_ptr<SheetDatabase> MakeOdbcSheetDatabase();

}  // namespace util
