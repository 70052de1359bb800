#pragma once
// Small reads of sysfs: a link or folder resolved to its real place, and the first line of an
// attribute file, as text or as a number.
#include <filesystem>
#include <string>

namespace device {

// The real path of a link or folder; empty when it leads nowhere.
std::filesystem::path CanonicalOrEmpty(const std::filesystem::path& path);
// The first line of a small file; empty when it cannot be read.
std::string ReadFirstLine(const std::filesystem::path& path);
// The leading decimal number of a small file; -1 when it holds none or cannot be read.
int ReadNumberFile(const std::filesystem::path& path);

}  // namespace device
