#include "device/SysfsFiles.h"

#include <algorithm>
#include <fstream>

namespace device {
namespace fs = std::filesystem;

fs::path CanonicalOrEmpty(const fs::path& path) {
  std::error_code error;
  fs::path real = fs::canonical(path, error);
  return error ? fs::path() : real;
}

std::string ReadFirstLine(const fs::path& path) {
  std::ifstream file(path);
  std::string line;
  std::getline(file, line);
  return line;
}

int ReadNumberFile(const fs::path& path) {
  std::ifstream file(path);
  int value = -1;
  if (!(file >> value)) return -1;
  return value;
}

bool IsNumberedName(std::string_view name, std::string_view prefix) {
  return name.size() > prefix.size() && name.substr(0, prefix.size()) == prefix &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace device
