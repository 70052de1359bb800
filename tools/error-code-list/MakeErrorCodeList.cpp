// Writes the station's ErrorCodeList.txt from the error-tag table: one line per tag,
// "0x%03X<TAB>tag<TAB>description", CRLF line ends.
// Usage: make_error_code_list <output file>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "engine/ErrorTags.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path output = argv[1];
  std::error_code error;
  if (output.has_parent_path()) std::filesystem::create_directories(output.parent_path(), error);
  std::ofstream file(output, std::ios::binary | std::ios::trunc);
  const std::string text = engine::ErrorCodeListText();
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
