// libFuzzer target of the spreadsheet writer's text tables: the input is a delimited text
// file (its first byte chooses the separator) that the writer loads, reads by rows, columns
// and cells, and changes in memory (a batch that is never saved, so no run writes a file).
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/Path.h"
#include "util/SpreadSheet.h"

namespace {

// A station folder of the run's own, removed when the run ends.
class ScratchFolder {
 public:
  ScratchFolder() : m_path(std::filesystem::temp_directory_path() / ("spreadsheet-fuzz-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(m_path);
    platform::SetStationFolder(m_path);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

const std::filesystem::path& Folder() {
  static const ScratchFolder folder;
  return folder.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const char* const kSeparators[] = {",", ";", "\t", ",;.?", "|", ""};
  const std::string separator = kSeparators[data[0] % (sizeof kSeparators / sizeof kSeparators[0])];
  {
    std::ofstream file(Folder() / "table.csv", std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
  }
  util::CSpreadSheet sheet("table.csv", separator, false);
  sheet.BeginBatch();
  std::vector<std::string> values;
  while (sheet.ReadRow(values, 0)) {
  }
  const int columns = sheet.GetTotalColumns();
  for (int column = 1; column <= columns + 1 && column < 64; ++column) sheet.ReadColumn(values, static_cast<std::int16_t>(column));
  std::string cell;
  for (int row = 0; row <= sheet.GetTotalRows() + 1 && row < 64; ++row) {
    sheet.ReadCell(cell, "A", row, true);
    sheet.ReadCell(cell, static_cast<std::int16_t>(columns + 1), row);
  }
  std::vector<std::string> names;
  sheet.GetFieldNames(names);
  if (!names.empty()) sheet.ReadColumn(values, names.back(), false);
  sheet.WriteCell("x", static_cast<std::int16_t>(columns + 1), 1);
  sheet.WriteRow(names, 2, false);
  sheet.WriteRow({"a", "b"}, sheet.GetTotalRows() + 3, true);
  sheet.AddHeaderFields({"extra"}, false);
  return 0;
}
