// File helpers on station path texts. Each helper maps its path texts once (ToNativePath),
// works with POSIX calls, and leaves the Windows error code of a failure for LastFileError.
// Files are replaced through a temporary file in the target's folder and one rename, so a
// reader never sees half a file and a failure never leaves one behind.
#include "platform/Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <utility>

#include "platform/FileDescriptor.h"
#include "platform/FileFaults.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

thread_local std::uint32_t g_lastError = kErrorSuccess;
thread_local int g_lastErrno = 0;

bool Succeed() {
  g_lastError = kErrorSuccess;
  g_lastErrno = 0;
  return true;
}

// The errno that stands for a Windows code the helpers leave without a system call failing.
int ErrnoOfCode(std::uint32_t code) {
  switch (code) {
    case kErrorFileNotFound:
    case kErrorPathNotFound: return ENOENT;
    case kErrorAccessDenied: return EACCES;
    case kErrorNotSameDevice: return EXDEV;
    case kErrorSharingViolation: return EBUSY;
    case kErrorFileExists:
    case kErrorAlreadyExists: return EEXIST;
    case kErrorInvalidParameter:
    case kErrorInvalidName: return EINVAL;
    case kErrorDiskFull: return ENOSPC;
    case kErrorDirNotEmpty: return ENOTEMPTY;
    case kErrorFilenameTooLong: return ENAMETOOLONG;
    case kErrorDirectoryName: return ENOTDIR;
    default: return EIO;
  }
}

bool Fail(std::uint32_t code, int error = 0) {
  g_lastError = code;
  g_lastErrno = error != 0 ? error : ErrnoOfCode(code);
  return false;
}

// The Windows code for an errno of a call on `path`. A missing file in an existing folder
// is "file not found"; a missing folder on the way is "path not found".
std::uint32_t CodeOfErrno(int error, const fs::path& path) {
  switch (error) {
    case ENOENT: {
      struct stat parent {};
      const fs::path folder = path.parent_path();
      return (folder.empty() || ::stat(folder.c_str(), &parent) == 0) ? kErrorFileNotFound : kErrorPathNotFound;
    }
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrorAccessDenied;
    case EEXIST: return kErrorAlreadyExists;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case EXDEV: return kErrorNotSameDevice;
    case EBUSY:
    case ETXTBSY: return kErrorSharingViolation;
    case ENAMETOOLONG: return kErrorFilenameTooLong;
    case EINVAL: return kErrorInvalidParameter;
    default: return kErrorGeneralFailure;
  }
}

bool FailErrno(const fs::path& path) {
  const int error = errno;
  return Fail(CodeOfErrno(error, path), error);
}

// A failure with the errno of an armed fault (FileFaults.h).
bool FailWithFault(int error, const fs::path& path) {
  errno = error;
  return FailErrno(path);
}

// The native path of a station path text; empty (and an invalid-name failure) when it
// cannot be formed.
fs::path Native(std::string_view path) {
  try {
    if (path.empty()) {
      Fail(kErrorPathNotFound);
      return fs::path();
    }
    return ToNativePath(path);
  } catch (...) {
    Fail(kErrorInvalidName);
    return fs::path();
  }
}

// What a path leads to; a dangling link still exists as an entry (with the link's own facts).
// `symbolicLink` tells whether the entry itself is a link.
bool Stat(const fs::path& path, struct stat& info, bool* symbolicLink) {
  if (::lstat(path.c_str(), &info) != 0) return false;
  const bool link = S_ISLNK(info.st_mode);
  if (symbolicLink != nullptr) *symbolicLink = link;
  struct stat target {};
  if (link && ::stat(path.c_str(), &target) == 0) info = target;
  return true;
}

bool IsReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

FileEntry MakeEntry(const std::string& name, const struct stat& info, bool symbolicLink) {
  FileEntry entry;
  entry.name = name;
  entry.symbolicLink = symbolicLink;
  if (S_ISDIR(info.st_mode)) entry.attributes |= kAttributeDirectory;
  if (S_ISREG(info.st_mode)) {
    entry.attributes |= kAttributeArchive;
    entry.size = static_cast<std::uint64_t>(info.st_size);
  }
  if (IsReadOnlyMode(info.st_mode)) entry.attributes |= kAttributeReadOnly;
  if (!name.empty() && name[0] == '.') entry.attributes |= kAttributeHidden;
  if (entry.attributes == 0) entry.attributes = kAttributeNormal;
  entry.modifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
  return entry;
}

// The last component of a station path text, as written.
std::string_view LastComponent(std::string_view path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// ---------------------------------------------------------------------------------------
// Wildcards

// Windows rules on top of the plain wildcards: a pattern ending in ".*" also matches names
// without that extension ("*.*" matches every name), and one ending in "." matches names
// that have no extension.
bool PatternMatches(std::string_view pattern, std::string_view name) {
  if (WildcardMatchesNoCase(pattern, name)) return true;
  if (pattern.size() >= 2 && pattern.substr(pattern.size() - 2) == ".*") {
    return WildcardMatchesNoCase(pattern.substr(0, pattern.size() - 2), name);
  }
  if (pattern.size() >= 2 && pattern.back() == '.' && pattern != ".." && name.find('.') == std::string_view::npos) {
    return WildcardMatchesNoCase(pattern.substr(0, pattern.size() - 1), name);
  }
  return false;
}

// The order NTFS lists names in: without regard to case, ties by bytes.
bool NameBefore(const FileEntry& a, const FileEntry& b) {
  const std::string upperA = ToUpper(a.name);
  const std::string upperB = ToUpper(b.name);
  return upperA != upperB ? upperA < upperB : a.name < b.name;
}

// ---------------------------------------------------------------------------------------
// Writing through a temporary file

// Writes every byte; false with errno set when the file takes less. An armed fault
// (FileFaults.h) fails the write with its errno, a full disk after half of the data.
bool WriteAll(int fd, const char* data, std::size_t size, int fault = 0) {
  if (fault != 0) {
    if (FaultStrikesAfterPartialWrite(fault)) WriteAll(fd, data, size / 2);
    errno = fault;
    return false;
  }
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = ENOSPC;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Renames without replacing an existing target, even when another process creates it at
// the same moment. 0 or the errno of the failure (EEXIST for an existing target).
int RenameNoReplace(const fs::path& from, const fs::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  // A file system without the flag: a hard link fails on an existing target just the same.
  if (::link(from.c_str(), to.c_str()) != 0) return errno;
  ::unlink(from.c_str());
  return 0;
}

int RenameReplacing(const fs::path& from, const fs::path& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

fs::path TemporaryPathBeside(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  return target.parent_path() /
         Format(".~%s.%d-%u.tmp", target.filename().c_str(), static_cast<int>(::getpid()), counter.fetch_add(1));
}

// Whether an unnamed file can be given a name later (linkat through /proc/self/fd).
bool UnnamedFilesLinkable() {
  static const bool linkable = ::access("/proc/self/fd", X_OK) == 0;
  return linkable;
}

// Gives the unnamed file of the descriptor the name `path`; false with errno set. The file
// itself is named where the system lets the process that made it do so (Linux 6.10 and
// later); otherwise, or when that is refused, through its /proc/self/fd link.
bool NameUnnamedFile(int fd, const fs::path& path) {
  static std::atomic<bool> byDescriptor{true};
  if (byDescriptor.load(std::memory_order_relaxed)) {
    if (::linkat(fd, "", AT_FDCWD, path.c_str(), AT_EMPTY_PATH) == 0) return true;
    if (errno != ENOENT && errno != EPERM) return false;
    byDescriptor.store(false, std::memory_order_relaxed);
  }
  char link[48];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, link, AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// A temporary file beside the target. It becomes the target on Publish; otherwise its
// destructor removes it.
//
// Where the file system offers them, the data first goes to an unnamed file of the target's
// folder (O_TMPFILE): such a file is made without taking the folder's lock, so the slots of a
// pass that start their reports in one folder at the same moment do not queue (and spin) on
// that lock while each new file is allocated, and a failure before Publish leaves no name
// behind. Publish names it (the temporary name) once its data is on the disk and renames it
// onto the target, as it does a file made under its temporary name from the start, which is
// what happens on a file system without unnamed files.
class TemporaryFile {
 public:
  // carriesData: at least one byte is to be written (a full disk takes an empty file).
  TemporaryFile(const fs::path& target, FileWriteKind kind, bool carriesData)
      : m_target(target), m_path(TemporaryPathBeside(target)), m_fault(FileFaultFor(target, kind, carriesData)) {
    if (FaultStrikesBeforeOpening(m_fault)) {
      FailWithFault(m_fault, m_target);
      return;
    }
    if (UnnamedFilesLinkable()) {
      const fs::path folder = m_path.parent_path();
      m_fd.Reset(::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_APPEND | O_CLOEXEC, 0666));
      if (m_fd.Valid()) return;
    }
    // No unnamed file here (or none could be made): the named file gives the failure its code.
    m_fd.Reset(::open(m_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    m_named = m_fd.Valid();
    if (!m_fd.Valid()) FailErrno(m_path);
  }
  ~TemporaryFile() {
    m_fd.Close();
    if (m_named && !m_published) ::unlink(m_path.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool Valid() const { return m_fd.Valid(); }
  int Fd() const { return m_fd.Get(); }
  bool Write(std::string_view bytes) {
    const int fault = m_fault;
    m_fault = 0;  // one strike per write of the file
    return WriteAll(Fd(), bytes.data(), bytes.size(), fault) || FailErrno(m_target);
  }

  // Flushes the data to the disk and renames the file onto the target; with noReplace an
  // existing target is kept and the code `existsCode` is left. With `kept`, a descriptor of
  // the published file (open for appends: the temporary file is) is left there, or -1.
  bool Publish(bool noReplace, std::uint32_t existsCode, FileDescriptor* kept = nullptr) {
    if (::fdatasync(Fd()) != 0) return FailErrno(m_target);
    if (!m_named) {
      if (!NameUnnamedFile(Fd(), m_path)) return FailErrno(m_target);
      m_named = true;
    }
    // The copy of the descriptor outlives the close, which still reports a late write error.
    if (kept != nullptr) {
      kept->Reset(::fcntl(Fd(), F_DUPFD_CLOEXEC, 0));
      if (!kept->Valid()) return FailErrno(m_target);
    }
    if (!m_fd.Close()) {
      if (kept != nullptr) kept->Close();
      return FailErrno(m_target);
    }
    const int error = noReplace ? RenameNoReplace(m_path, m_target) : RenameReplacing(m_path, m_target);
    if (error != 0) {
      if (kept != nullptr) kept->Close();
      return Fail(error == EEXIST ? existsCode : CodeOfErrno(error, m_target));
    }
    m_published = true;
    return Succeed();
  }

 private:
  fs::path m_target;
  fs::path m_path;
  int m_fault;
  FileDescriptor m_fd;
  bool m_named = false;  // the temporary name leads to the file
  bool m_published = false;
};

// An existing target may be replaced only when it is a writable file (Windows refuses to
// overwrite a read-only file or a folder).
bool CheckReplaceable(const fs::path& target) {
  struct stat info {};
  if (::lstat(target.c_str(), &info) != 0) return true;
  if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && IsReadOnlyMode(info.st_mode))) return Fail(kErrorAccessDenied);
  return true;
}

bool CopyNative(const fs::path& source, const fs::path& target, bool failIfExists) {
  struct stat sourceInfo {};
  if (::stat(source.c_str(), &sourceInfo) != 0) return FailErrno(source);
  if (!S_ISREG(sourceInfo.st_mode)) return Fail(kErrorAccessDenied);
  struct stat targetInfo {};
  if (::stat(target.c_str(), &targetInfo) == 0) {
    if (failIfExists) return Fail(kErrorFileExists);
    if (targetInfo.st_dev == sourceInfo.st_dev && targetInfo.st_ino == sourceInfo.st_ino) {
      return Fail(kErrorSharingViolation);  // a file copied onto itself
    }
  }
  if (!failIfExists && !CheckReplaceable(target)) return false;

  FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.Valid()) return FailErrno(source);
  TemporaryFile temporary(target, kWriteCopy, sourceInfo.st_size > 0);
  if (!temporary.Valid()) return false;
  char buffer[64 * 1024];
  for (;;) {
    const ssize_t got = ::read(in.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FailErrno(source);
    if (got == 0) break;
    if (!temporary.Write(std::string_view(buffer, static_cast<std::size_t>(got)))) return false;
  }
  // As on Windows the copy keeps the source's attributes and time of last change.
  const timespec times[2] = {{0, UTIME_OMIT}, sourceInfo.st_mtim};
  if (::fchmod(temporary.Fd(), sourceInfo.st_mode & 07777) != 0 || ::futimens(temporary.Fd(), times) != 0) {
    return FailErrno(target);
  }
  return temporary.Publish(failIfExists, kErrorFileExists);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Errors

std::uint32_t LastFileError() { return g_lastError; }

int LastFileErrno() { return g_lastErrno; }

bool SetFileFailure(std::uint32_t code, int error) { return Fail(code, error); }

std::string ErrnoText(int error) {
  char buffer[256];
  // The GNU strerror_r returns the text (in the buffer or a static one).
  return ::strerror_r(error, buffer, sizeof buffer);
}

std::string FileErrorText(std::uint32_t code) {
  switch (code) {
    case kErrorSuccess: return "The operation completed successfully.\r\n";
    case kErrorFileNotFound: return "The system cannot find the file specified.\r\n";
    case kErrorPathNotFound: return "The system cannot find the path specified.\r\n";
    case kErrorAccessDenied: return "Access is denied.\r\n";
    case kErrorNotSameDevice: return "The system cannot move the file to a different disk drive.\r\n";
    case kErrorGeneralFailure: return "A device attached to the system is not functioning.\r\n";
    case kErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process.\r\n";
    case kErrorFileExists: return "The file exists.\r\n";
    case kErrorInvalidParameter: return "The parameter is incorrect.\r\n";
    case kErrorDiskFull: return "There is not enough space on the disk.\r\n";
    case kErrorInvalidName: return "The filename, directory name, or volume label syntax is incorrect.\r\n";
    case kErrorDirNotEmpty: return "The directory is not empty.\r\n";
    case kErrorAlreadyExists: return "Cannot create a file when that file already exists.\r\n";
    case kErrorFilenameTooLong: return "The filename or extension is too long.\r\n";
    case kErrorDirectoryName: return "The directory name is invalid.\r\n";
    default: return std::string();
  }
}

// ---------------------------------------------------------------------------------------
// Finding and facts

namespace {

// The entries of a native folder whose names match the pattern, sorted.
std::vector<FileEntry> ListMatching(const fs::path& folder, std::string_view namePattern) {
  std::vector<FileEntry> entries;
  DIR* directory = ::opendir(folder.c_str());
  if (directory == nullptr) {
    // The folder of the pattern is missing: a path, not a file, is not found.
    Fail(errno == ENOENT || errno == ENOTDIR ? kErrorPathNotFound : CodeOfErrno(errno, folder));
    return entries;
  }
  while (const dirent* item = ::readdir(directory)) {
    const std::string name = item->d_name;
    if (name == "." || name == ".." || !PatternMatches(namePattern, name)) continue;
    struct stat info {};
    bool link = false;
    if (Stat(folder / name, info, &link)) entries.push_back(MakeEntry(name, info, link));
  }
  ::closedir(directory);
  std::sort(entries.begin(), entries.end(), &NameBefore);
  if (entries.empty()) {
    Fail(kErrorFileNotFound);
  } else {
    Succeed();
  }
  return entries;
}

}  // namespace

std::vector<FileEntry> FindFiles(std::string_view pattern) {
  const std::string_view namePattern = LastComponent(pattern);
  if (namePattern.empty()) {
    Fail(kErrorFileNotFound);
    return {};
  }
  const std::string_view folderText = pattern.substr(0, pattern.size() - namePattern.size());
  const fs::path folder = Native(folderText.empty() ? std::string_view(".") : folderText);
  if (folder.empty()) return {};
  return ListMatching(folder, namePattern);
}

std::vector<FileEntry> native::ListFolder(const fs::path& folder) { return ListMatching(folder, "*"); }

std::optional<FileEntry> native::EntryInfo(const fs::path& path) {
  struct stat info {};
  bool link = false;
  if (!Stat(path, info, &link)) {
    FailErrno(path);
    return std::nullopt;
  }
  Succeed();
  return MakeEntry(path.filename().string(), info, link);
}

std::optional<FileEntry> FileInfo(std::string_view path) {
  const fs::path native = Native(path);
  if (native.empty()) return std::nullopt;
  return native::EntryInfo(native);
}

bool FileExists(std::string_view path) { return FileInfo(path).has_value(); }

bool IsDirectory(std::string_view path) {
  const auto info = FileInfo(path);
  return info && info->IsDirectory();
}

std::optional<std::uint64_t> FileSize(std::string_view path) {
  const auto info = FileInfo(path);
  if (!info) return std::nullopt;
  if (info->IsDirectory()) {
    Fail(kErrorAccessDenied);
    return std::nullopt;
  }
  return info->size;
}

std::optional<DiskSpace> FreeDiskSpace(std::string_view folder) {
  const fs::path native = Native(folder);
  if (native.empty()) return std::nullopt;
  struct stat info {};
  struct statvfs room {};
  if (::stat(native.c_str(), &info) != 0 || ::statvfs(native.c_str(), &room) != 0) {
    FailErrno(native);
    return std::nullopt;
  }
  Succeed();
  if (const std::optional<std::uint64_t> reported = SpaceFault()) {
    return DiskSpace{*reported, static_cast<std::uint64_t>(info.st_dev)};
  }
  if (room.f_blocks == 0) return std::nullopt;
  return DiskSpace{static_cast<std::uint64_t>(room.f_bavail) * room.f_frsize, static_cast<std::uint64_t>(info.st_dev)};
}

std::optional<std::uint32_t> FileAttributes(std::string_view path) {
  const auto info = FileInfo(path);
  if (!info) return std::nullopt;
  return info->attributes;
}

bool SetReadOnly(std::string_view path, bool readOnly) {
  const fs::path native = Native(path);
  if (native.empty()) return false;
  return native::SetReadOnly(native, readOnly);
}

bool native::SetReadOnly(const fs::path& native, bool readOnly) {
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0) return FailErrno(native);
  const mode_t mode = readOnly ? (info.st_mode & ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH))
                               : (info.st_mode | S_IWUSR);
  if (::chmod(native.c_str(), mode & 07777) != 0) return FailErrno(native);
  return Succeed();
}

bool SetModifiedTime(std::string_view path, std::int64_t secondsSince1970) {
  const fs::path native = Native(path);
  if (native.empty()) return false;
  const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(secondsSince1970), 0}};
  if (::utimensat(AT_FDCWD, native.c_str(), times, 0) != 0) return FailErrno(native);
  return Succeed();
}

// ---------------------------------------------------------------------------------------
// Copy, delete, move

bool CopyFile(std::string_view source, std::string_view target, bool failIfExists) {
  const fs::path from = Native(source);
  const fs::path to = Native(target);
  if (from.empty() || to.empty()) return false;
  return CopyNative(from, to, failIfExists);
}

bool native::CopyFile(const fs::path& source, const fs::path& target, bool failIfExists) {
  return CopyNative(source, target, failIfExists);
}

bool native::CopySymbolicLink(const fs::path& source, const fs::path& target, bool failIfExists) {
  std::error_code error;
  const fs::path text = fs::read_symlink(source, error);
  if (error) return Fail(CodeOfErrno(error.value(), source), error.value());
  struct stat existing {};
  if (::lstat(target.c_str(), &existing) == 0) {
    if (failIfExists) return Fail(kErrorFileExists);
    if (!CheckReplaceable(target)) return false;
  }
  // Made under a temporary name beside the target and renamed onto it, as a copied file is.
  const fs::path temporary = TemporaryPathBeside(target);
  if (::symlink(text.c_str(), temporary.c_str()) != 0) return FailErrno(target);
  const int renameError = failIfExists ? RenameNoReplace(temporary, target) : RenameReplacing(temporary, target);
  if (renameError != 0) {
    ::unlink(temporary.c_str());
    return Fail(renameError == EEXIST ? kErrorFileExists : CodeOfErrno(renameError, target), renameError);
  }
  return Succeed();
}

// A read-only file is not deleted, as on Windows: callers clear the attribute first.
bool DeleteFile(std::string_view path) {
  const fs::path native = Native(path);
  if (native.empty()) return false;
  return native::DeleteFile(native);
}

bool native::DeleteFile(const fs::path& native) {
  struct stat info {};
  if (::lstat(native.c_str(), &info) != 0) return FailErrno(native);
  if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && IsReadOnlyMode(info.st_mode))) {
    return Fail(kErrorAccessDenied);
  }
  if (::unlink(native.c_str()) != 0) return FailErrno(native);
  return Succeed();
}

bool MoveFile(std::string_view source, std::string_view target, bool replaceExisting) {
  const fs::path from = Native(source);
  fs::path to = Native(target);
  if (from.empty() || to.empty()) return false;
  struct stat sourceInfo {};
  if (::lstat(from.c_str(), &sourceInfo) != 0) return FailErrno(from);
  // The target text names the source itself (the folder match ignores case): a rename
  // that changes only the case of the name, which Windows allows.
  if (to == from) {
    const std::string_view newName = LastComponent(target);
    if (newName.empty() || from.filename() == newName) return Succeed();
    to = from.parent_path() / std::string(newName);
    if (::rename(from.c_str(), to.c_str()) != 0) return FailErrno(to);
    return Succeed();
  }
  struct stat targetInfo {};
  const bool targetExists = ::lstat(to.c_str(), &targetInfo) == 0;
  if (targetExists) {
    if (!replaceExisting) return Fail(kErrorAlreadyExists);
    if (S_ISDIR(sourceInfo.st_mode) || !CheckReplaceable(to)) return Fail(kErrorAccessDenied);
  }
  const int error = replaceExisting ? RenameReplacing(from, to) : RenameNoReplace(from, to);
  if (error == 0) return Succeed();
  if (error != EXDEV) return Fail(error == EEXIST ? kErrorAlreadyExists : CodeOfErrno(error, to));
  // Another file system: a file moves by copy and delete, a folder cannot move (as between
  // Windows drives).
  if (!S_ISREG(sourceInfo.st_mode)) return Fail(kErrorNotSameDevice);
  if (!CopyNative(from, to, !replaceExisting)) return false;
  if (::unlink(from.c_str()) != 0) return FailErrno(from);
  return Succeed();
}

// ---------------------------------------------------------------------------------------
// Folders

bool CreateDirectory(std::string_view path) {
  const fs::path native = Native(path);
  if (native.empty()) return false;
  return native::CreateDirectory(native);
}

bool native::CreateDirectory(const fs::path& native) {
  struct stat existing {};
  if (::stat(native.c_str(), &existing) != 0) {
    if (const int fault = FileFaultFor(native, kWriteFolder)) return FailWithFault(fault, native);
  }
  if (::mkdir(native.c_str(), 0777) == 0) return Succeed();
  if (errno == EEXIST) {
    struct stat info {};
    if (::stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return Succeed();
    return Fail(kErrorAlreadyExists);
  }
  return FailErrno(native);
}

bool RemoveDirectory(std::string_view path) {
  const fs::path native = Native(path);
  if (native.empty()) return false;
  return native::RemoveDirectory(native);
}

bool native::RemoveDirectory(const fs::path& native) {
  if (::rmdir(native.c_str()) == 0) return Succeed();
  if (errno == ENOTDIR) {
    struct stat info {};
    if (::lstat(native.c_str(), &info) == 0) return Fail(kErrorDirectoryName);  // a file, not a folder
  }
  return FailErrno(native);
}

bool ClearDirectory(std::string_view path) {
  const fs::path native = Native(path);
  if (native.empty()) return false;
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0) return FailErrno(native);
  if (!S_ISDIR(info.st_mode)) return Fail(kErrorDirectoryName);
  std::error_code error;
  fs::directory_iterator items(native, error);
  if (error) return Fail(CodeOfErrno(error.value(), native));
  bool allRemoved = true;
  std::uint32_t firstFailure = kErrorSuccess;
  for (const fs::directory_entry& item : items) {
    std::error_code removeError;
    fs::remove_all(item.path(), removeError);
    if (removeError && allRemoved) {
      allRemoved = false;
      firstFailure = CodeOfErrno(removeError.value(), item.path());
    }
  }
  return allRemoved ? Succeed() : Fail(firstFailure);
}

// ---------------------------------------------------------------------------------------
// Whole files

std::optional<std::string> ReadWholeFile(std::string_view path) {
  const fs::path native = Native(path);
  if (native.empty()) return std::nullopt;
  FileDescriptor in(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
  if (!in.Valid()) {
    FailErrno(native);
    return std::nullopt;
  }
  struct stat info {};
  if (::fstat(in.Get(), &info) != 0 || S_ISDIR(info.st_mode)) {
    Fail(kErrorAccessDenied);
    return std::nullopt;
  }
  std::string content;
  if (info.st_size > 0) content.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[64 * 1024];
  for (;;) {  // to the end, whatever the size said (a file may grow, /proc files say 0)
    const ssize_t got = ::read(in.Get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      FailErrno(native);
      return std::nullopt;
    }
    if (got == 0) break;
    content.append(buffer, static_cast<std::size_t>(got));
  }
  Succeed();
  return content;
}

namespace {

// Appends to an open file in one piece: a part of the text that reached it is cut off again,
// back to the size it had (`before`, from fstat); a file this call created is removed instead.
bool AppendToOpenFile(int fd, const fs::path& native, const struct stat& before, std::string_view bytes, int fault,
                      bool created) {
  if (!S_ISREG(before.st_mode)) return Fail(kErrorAccessDenied);
  if (!WriteAll(fd, bytes.data(), bytes.size(), fault)) {
    const int error = errno;
    if (created) {
      ::unlink(native.c_str());
    } else if (::ftruncate(fd, before.st_size) != 0) {
      // Nothing more can be done; the caller learns of the failed append.
    }
    errno = error;
    return FailErrno(native);
  }
  return true;
}

}  // namespace

bool AppendToFile(std::string_view path, std::string_view bytes, bool createIfMissing) {
  const fs::path native = Native(path);
  if (native.empty()) return false;
  const int fault = FileFaultFor(native, kWriteAppend, !bytes.empty());
  if (FaultStrikesBeforeOpening(fault)) return FailWithFault(fault, native);
  FileDescriptor file(::open(native.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
  bool created = false;
  if (!file.Valid() && errno == ENOENT && createIfMissing) {
    // Made here: a failed first append removes it again, so a failure leaves nothing.
    file.Reset(::open(native.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    created = file.Valid();
  }
  if (!file.Valid()) return FailErrno(native);
  struct stat before {};
  if (::fstat(file.Get(), &before) != 0) return FailErrno(native);
  if (!AppendToOpenFile(file.Get(), native, before, bytes, fault, created)) return false;
  if (!file.Close()) return FailErrno(native);
  return Succeed();
}

AppendFile::~AppendFile() { Close(); }

void AppendFile::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
}

void AppendFile::Adopt(std::string_view path, fs::path native, int fd) {
  Close();
  m_path = std::string(path);
  m_native = std::move(native);
  m_fd = fd;
}

bool AppendFile::Open(std::string_view path) {
  Close();
  m_path = std::string(path);
  m_native = Native(path);
  if (m_native.empty()) return false;
  return OpenNative();
}

bool AppendFile::OpenNative() {
  Close();
  m_fd = ::open(m_native.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (m_fd < 0) return FailErrno(m_native);
  struct stat info {};
  if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    Close();
    return Fail(kErrorAccessDenied);
  }
  return Succeed();
}

bool AppendFile::Append(std::string_view bytes) {
  if (m_native.empty()) return Fail(kErrorPathNotFound);
  const int fault = FileFaultFor(m_native, kWriteAppend, !bytes.empty());
  if (FaultStrikesBeforeOpening(fault)) return FailWithFault(fault, m_native);
  struct stat held {};
  // A file no name leads to any more (removed, or replaced by a rename): open the path again.
  if (m_fd < 0 || ::fstat(m_fd, &held) != 0 || held.st_nlink == 0) {
    if (!OpenNative()) return false;
    if (::fstat(m_fd, &held) != 0) return FailErrno(m_native);
  }
  if (!AppendToOpenFile(m_fd, m_native, held, bytes, fault, false)) return false;
  return Succeed();
}

namespace {

// WriteWholeFile on a native path; with `kept`, a descriptor of the new file is left there.
bool ReplaceFile(const fs::path& native, std::string_view bytes, FileDescriptor* kept) {
  // An existing target may be replaced only when it is a writable file (see CheckReplaceable);
  // the new file keeps its mode (that of the file a link names).
  struct stat existing {};
  bool exists = ::lstat(native.c_str(), &existing) == 0;
  if (exists && (S_ISDIR(existing.st_mode) || (S_ISREG(existing.st_mode) && IsReadOnlyMode(existing.st_mode)))) {
    return Fail(kErrorAccessDenied);
  }
  if (exists && S_ISLNK(existing.st_mode)) exists = ::stat(native.c_str(), &existing) == 0;
  TemporaryFile temporary(native, kWriteReplace, !bytes.empty());
  if (!temporary.Valid() || !temporary.Write(bytes)) return false;
  if (exists) ::fchmod(temporary.Fd(), existing.st_mode & 07777);
  return temporary.Publish(false, kErrorAlreadyExists, kept);
}

}  // namespace

bool WriteWholeFile(std::string_view path, std::string_view bytes) {
  const fs::path native = Native(path);
  if (native.empty()) return false;
  return ReplaceFile(native, bytes, nullptr);
}

namespace {

// As many links as the system itself follows before it gives up (ELOOP).
constexpr int kMaxLinkHops = 40;

// The path a chain of symbolic links starting at `native` ends in (the path itself when it is
// no link); empty, with the failure left, when the chain loops or a link cannot be read.
fs::path EndOfLinks(fs::path native) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat info {};
    if (::lstat(native.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return native;
    std::error_code error;
    const fs::path text = fs::read_symlink(native, error);
    if (error) {
      Fail(CodeOfErrno(error.value(), native), error.value());
      return fs::path();
    }
    // A relative text is relative to the folder that holds the link.
    native = text.is_absolute() ? text : native.parent_path() / text;
  }
  Fail(CodeOfErrno(ELOOP, native), ELOOP);
  return fs::path();
}

}  // namespace

bool WriteWholeFileThroughLink(std::string_view path, std::string_view bytes) {
  const fs::path native = Native(path);
  if (native.empty()) return false;
  const fs::path target = EndOfLinks(native);
  if (target.empty()) return false;
  return ReplaceFile(target, bytes, nullptr);
}

bool WriteWholeFileAndHold(std::string_view path, std::string_view bytes, AppendFile& file) {
  file.Close();
  fs::path native = Native(path);
  if (native.empty()) return false;
  FileDescriptor kept;
  if (!ReplaceFile(native, bytes, &kept)) return false;
  file.Adopt(path, std::move(native), kept.Release());
  return true;
}

}  // namespace platform
