#pragma once
// Small reads of sysfs: a link or folder resolved to its real place, the first line of an
// attribute file, as text or as a number, the entries of a folder, and the numbered names of its
// folders. Each read is counted for the thread that makes it, so that a test or a benchmark can
// tell what a listing or a lookup reads.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace device {

// The real path of a link or folder; empty when it leads nowhere. The kernel resolves the whole
// path in one walk, however deep the folder lies and however many links lead to it.
std::filesystem::path CanonicalOrEmpty(const std::filesystem::path& path);
// The first line of a small file; empty when it cannot be read.
std::string ReadFirstLine(const std::filesystem::path& path);
// The leading decimal number of a small file; -1 when it holds none or cannot be read.
int ReadNumberFile(const std::filesystem::path& path);
// The entries of a folder, to walk once; none when it cannot be read.
std::filesystem::directory_iterator FolderEntries(const std::filesystem::path& folder);
// The same, with why the folder cannot be read in error (an armed read fault of the file layer,
// FileFaults.h, fails it as a security policy would).
std::filesystem::directory_iterator FolderEntries(const std::filesystem::path& folder, std::error_code& error);
// Whether a file is there; false with why in error when its folder cannot be searched (an armed
// read fault of the file layer fails that too) or the path leads nowhere it can be told.
bool FileIsThere(const std::filesystem::path& path, std::error_code& error);

// The reads above that this thread has made so far.
std::uint64_t SysfsReadsOfThisThread();

// Whether a name is the prefix followed by a number ("usb2" for "usb", "host7" for "host"); any
// number for an empty prefix.
bool IsNumberedName(std::string_view name, std::string_view prefix);

}  // namespace device
