#pragma once
// File helpers on station path texts (see Path.h): find, copy, delete, move, times, sizes
// and attributes, with the results the station expects of Windows.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Clock.h"

namespace platform {

enum FileAttribute : std::uint32_t {
  kAttributeReadOnly = 0x01,
  kAttributeHidden = 0x02,
  kAttributeDirectory = 0x10,
  kAttributeArchive = 0x20,
  kAttributeNormal = 0x80,
};

struct FileEntry {
  std::string name;           // file name only, as stored on disk
  std::uint64_t size = 0;
  std::uint32_t attributes = 0;   // of what a symbolic link points to, as Windows gives them
  std::int64_t modifiedSeconds = 0;  // seconds since 1970
  bool symbolicLink = false;  // the entry itself is a symbolic link (perhaps a dangling one)
  bool IsDirectory() const { return (attributes & kAttributeDirectory) != 0; }
};

// Entries of the folder of the pattern whose names match its last component ("*" and "?"
// wildcards, without regard to case), sorted by name; "." and ".." are never listed.
std::vector<FileEntry> FindFiles(std::string_view pattern);

bool FileExists(std::string_view path);        // a file or a folder
bool IsDirectory(std::string_view path);
std::optional<std::uint64_t> FileSize(std::string_view path);
std::optional<FileEntry> FileInfo(std::string_view path);
std::optional<std::uint32_t> FileAttributes(std::string_view path);
bool SetReadOnly(std::string_view path, bool readOnly);
bool SetModifiedTime(std::string_view path, std::int64_t secondsSince1970);

// The room left on the file system that holds a folder (as GetDiskFreeSpaceEx tells it): the
// bytes an ordinary user may still write there (the blocks kept for the system's own user
// not counted), and which file system it is, so that folders on one file system share its
// room. Nothing, with the failure left, when the folder cannot be asked; nothing, and no
// failure, when its file system reports no size (some virtual and network file systems).
struct DiskSpace {
  std::uint64_t available = 0;
  std::uint64_t fileSystem = 0;  // the file system's device number
};
std::optional<DiskSpace> FreeDiskSpace(std::string_view folder);

// Copies a file; with failIfExists an existing target makes it fail. The copy goes to a
// temporary file first, so a failed copy never leaves half a target. As on Windows the copy
// keeps the source's attributes and time of last change, and a read-only target or a
// folder is never overwritten.
bool CopyFile(std::string_view source, std::string_view target, bool failIfExists);
// Deletes a file; a read-only file or a folder is refused (access denied), as on Windows.
bool DeleteFile(std::string_view path);
// Moves or renames a file or folder; an existing target file is replaced only when asked
// (never a folder or a read-only file). A change of case alone is a rename. A file moves to
// another file system by copy and delete; a folder cannot.
bool MoveFile(std::string_view source, std::string_view target, bool replaceExisting = false);
bool CreateDirectory(std::string_view path);   // one level; true when it exists afterwards
bool RemoveDirectory(std::string_view path);   // an empty folder
// Deletes every file and folder inside the folder, keeping the folder itself.
bool ClearDirectory(std::string_view path);

// The helpers above on native paths, for a walk through a folder tree by the names found on
// disk (a Linux name may hold any character but "/", a "\" too, which a station path text
// cannot name). A symbolic link is never followed: it is listed as a link, copied as a link
// and deleted as a link. Failures leave their code for LastFileError as above.
namespace native {
// Every entry of the folder, sorted as FindFiles sorts; empty with file-not-found for an
// empty folder, with another code when the folder cannot be listed.
std::vector<FileEntry> ListFolder(const std::filesystem::path& folder);
// The entry itself; a symbolic link as a link (symbolicLink set), with the attributes of
// what it points to where that exists.
std::optional<FileEntry> EntryInfo(const std::filesystem::path& path);
bool CopyFile(const std::filesystem::path& source, const std::filesystem::path& target, bool failIfExists);
// Makes at the target a symbolic link with the source link's own text (relative texts stay
// relative); with failIfExists an existing target entry makes it fail, otherwise it is
// replaced unless it is a folder or a read-only file.
bool CopySymbolicLink(const std::filesystem::path& source, const std::filesystem::path& target, bool failIfExists);
bool DeleteFile(const std::filesystem::path& path);  // a file or a link; never a folder
bool CreateDirectory(const std::filesystem::path& path);
bool RemoveDirectory(const std::filesystem::path& path);
bool SetReadOnly(const std::filesystem::path& path, bool readOnly);
}  // namespace native

// Whole-file reads and writes; WriteWholeFile replaces the file atomically.
std::optional<std::string> ReadWholeFile(std::string_view path);
bool WriteWholeFile(std::string_view path, std::string_view bytes);
// WriteWholeFile through a symbolic link: where the path is a link (or a chain of them), the
// file at its end is replaced the same way (its temporary file beside it, in its own folder)
// and the link stays; a dangling link's file is created. A path that is no link is written
// as WriteWholeFile writes it.
bool WriteWholeFileThroughLink(std::string_view path, std::string_view bytes);
class AppendFile;
// WriteWholeFile that leaves `file` holding the new file open for appends (the first text of a
// log whose lines follow); on failure `file` holds nothing.
bool WriteWholeFileAndHold(std::string_view path, std::string_view bytes, AppendFile& file);
// Appends the bytes at the end of a file in one piece: all of them, or on failure none (a
// part that reached the file is cut off again, and a file this call created is removed).
// A missing file is created only with createIfMissing; otherwise it is a failure.
bool AppendToFile(std::string_view path, std::string_view bytes, bool createIfMissing);

// A file held open for appends, for a log that takes many lines (a slot report): each Append
// is what AppendToFile does without creating (the whole text or nothing, the same error codes
// and write faults), but the path is mapped and the file opened only once. A file removed or
// replaced since it was opened (no name leads to the open file any more) is opened again by
// its path before the text goes out, so no line goes to a file nobody can read.
class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile();
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;

  // Opens the existing file at the path text (never creates it); false when it cannot.
  bool Open(std::string_view path);
  // Appends the bytes in one piece (see AppendToFile); false, the file as it was, on failure.
  bool Append(std::string_view bytes);
  void Close();
  bool IsOpen() const { return m_fd >= 0; }
  const std::string& Path() const { return m_path; }

 private:
  friend bool WriteWholeFileAndHold(std::string_view path, std::string_view bytes, AppendFile& file);
  // Holds an open descriptor (opened for appends) of the file at the path.
  void Adopt(std::string_view path, std::filesystem::path native, int fd);
  bool OpenNative();
  std::string m_path;
  std::filesystem::path m_native;
  int m_fd = -1;
};

// Why the last failing file helper of the calling thread failed, as the Windows error code
// callers test for (file-not-found 2, path-not-found 3, already-exists 183, ...); a helper
// that succeeds sets 0.
enum FileError : std::uint32_t {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorAccessDenied = 5,
  kErrorNotSameDevice = 17,
  kErrorGeneralFailure = 31,
  kErrorSharingViolation = 32,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorDiskFull = 112,
  kErrorInvalidName = 123,
  kErrorDirNotEmpty = 145,
  kErrorAlreadyExists = 183,
  kErrorFilenameTooLong = 206,
  kErrorDirectoryName = 267,
};
std::uint32_t LastFileError();
// The errno behind the last failure of a file helper of the calling thread (0 after a
// success): what the station's own messages name ("No space left on device").
int LastFileErrno();
// The system's text for an errno value ("Read-only file system").
std::string ErrnoText(int error);
// Leaves a failure for LastFileError / LastFileErrno (errno 0: the one that goes with the
// code) and returns false; for helpers built on these that refuse a request themselves.
bool SetFileFailure(std::uint32_t code, int error = 0);
// The system's message for one of the codes above, with the line end Windows gives it
// ("The system cannot find the file specified.\r\n"); empty for any other code.
std::string FileErrorText(std::uint32_t code);

}  // namespace platform
