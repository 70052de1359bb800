#include "util/FileOperation.h"

#include <cctype>
#include <optional>
#include <system_error>

#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace util {

namespace fs = std::filesystem;

namespace {

constexpr char kAllFiles[] = "*.*";
constexpr char kCopyOf[] = "Copy of ";
constexpr std::size_t kCopyOfLength = sizeof kCopyOf - 1;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The native path of a station path text; empty when it cannot be formed.
fs::path NativeOf(std::string_view path) {
  if (path.empty()) return fs::path();
  try {
    return platform::ToNativePath(path);
  } catch (...) {
    return fs::path();
  }
}

// child is the folder itself or lies below it, component by component.
bool IsWithin(const fs::path& child, const fs::path& folder) {
  if (child.empty() || folder.empty()) return false;
  auto c = child.begin();
  for (auto f = folder.begin(); f != folder.end(); ++f, ++c) {
    if (c == child.end() || *c != *f) return false;
  }
  return true;
}

// A path split as the C runtime's _splitpath does: drive "X:", folder up to its last
// separator, name, extension from the name's last dot.
struct PathParts {
  std::string drive, folder, name, extension;
};

// A file name (no folder) into name and extension, the extension from its last dot.
void SplitFileName(const std::string& file, PathParts& parts) {
  const std::size_t dot = file.find_last_of('.');
  parts.name = dot == std::string::npos ? file : file.substr(0, dot);
  parts.extension = dot == std::string::npos ? std::string() : file.substr(dot);
}

// The text of a whole number as the C runtime's atoi reads it from the start of `text`
// (blanks, a sign, digits), plus one, with as many digits as it takes.
std::string NextNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  while (i < text.size() && text[i] == '0') ++i;
  std::size_t end = i;
  while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
  std::string digits(text.substr(i, end - i));
  if (digits.empty()) return "1";
  // The magnitude goes up by one for a positive number and down by one for a negative one.
  const char ripple = negative ? '0' : '9';
  std::size_t k = digits.size();
  while (k > 0 && digits[k - 1] == ripple) digits[--k] = negative ? '9' : '0';
  if (k == 0) {
    digits.insert(digits.begin(), '1');  // only a positive number can ripple out of its digits
  } else {
    digits[k - 1] = static_cast<char>(digits[k - 1] + (negative ? -1 : 1));
  }
  if (!negative) return digits;
  const std::size_t first = digits.find_first_not_of('0');
  return first == std::string::npos ? "0" : "-" + digits.substr(first);
}

PathParts SplitPath(const std::string& path) {
  PathParts parts;
  std::size_t start = 0;
  if (path.size() >= 2 && path[1] == ':') {
    parts.drive = path.substr(0, 2);
    start = 2;
  }
  const std::size_t lastSeparator = path.find_last_of("\\/");
  std::size_t nameStart = start;
  if (lastSeparator != std::string::npos && lastSeparator >= start) {
    parts.folder = path.substr(start, lastSeparator + 1 - start);
    nameStart = lastSeparator + 1;
  }
  SplitFileName(path.substr(nameStart), parts);
  return parts;
}

// The next copy name of a file name (name and extension, no folder).
std::string NextCopyName(const std::string& name, const std::string& extension) {
  const std::size_t open = name.find('(');
  const std::size_t close = name.find(')');
  if (name.find("Copy ") == std::string::npos) return kCopyOf + name + extension;
  if (open == std::string::npos) {
    const std::string rest = name.size() > kCopyOfLength ? name.substr(kCopyOfLength) : std::string();
    return "Copy (1) of " + rest + extension;
  }
  if (close == std::string::npos) return kCopyOf + name + extension;
  const std::string number = close > open ? name.substr(open + 1, close - open - 1) : std::string();
  const std::string rest = name.size() > close + 5 ? name.substr(close + 5) : std::string();
  return "Copy (" + NextNumber(number) + ") of " + rest + extension;
}

// The next copy name of the last component of a native path, beside it. The name is the one
// on disk, whatever characters it holds.
fs::path NextCopyPath(const fs::path& path) {
  PathParts parts;
  SplitFileName(path.filename().string(), parts);
  return path.parent_path() / NextCopyName(parts.name, parts.extension);
}

std::string WithSeparator(std::string path) {
  CFileOperation::AddBackslash(path);
  return path;
}

// A path kind (see PathKind) of what the lookup found, or of its failure.
int KindOf(const std::optional<platform::FileEntry>& entry) {
  if (!entry) {
    const std::uint32_t error = platform::LastFileError();
    return (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound) ? 0 : -1;
  }
  return entry->IsDirectory() ? 2 : 1;
}

// The kind of an entry itself (as native::EntryInfo gave it, or its failure): a symbolic
// link, to a folder or not, is a file to copy, move or delete (as the link it is), never a
// folder to go into.
int EntryKind(const std::optional<platform::FileEntry>& entry) {
  if (entry && entry->symbolicLink) return 1;
  return KindOf(entry);
}

bool IsFolder(const platform::FileEntry& entry) { return entry.IsDirectory() && !entry.symbolicLink; }

}  // namespace

// ---------------------------------------------------------------------------------------
// The failure object

CFExeption CFExeption::FromCode(std::uint32_t code) { return CFExeption(platform::FileErrorText(code), code); }

CFExeption CFExeption::FromText(std::string text) { return CFExeption(std::move(text), 0); }

// ---------------------------------------------------------------------------------------
// Public operations

CFileOperation::CFileOperation() { Reset(); }

void CFileOperation::Reset() {
  m_strError = "No error";
  m_dwError = 0;
  m_bAskIfReadOnly = true;
  m_bOverwrite = false;
  m_bAborted = false;
  m_nRecursionLimit = -1;
  m_skipFolder.clear();
}

void CFileOperation::Keep(const CFExeption& failure) {
  m_strError = failure.GetText();
  m_dwError = failure.GetCode();
}

bool CFileOperation::Attempt(const std::function<void()>& work) {
  try {
    work();
  } catch (const CFExeption& failure) {
    Keep(failure);
    return false;
  }
  return true;
}

bool CFileOperation::CopyPath(const std::string& source, const std::string& destination) {
  m_bAborted = false;
  if (IsSelfCopy(source, destination)) return true;
  const bool copied = Attempt([&] { CopyAny(source, destination, false); });
  m_nRecursionLimit = -1;
  m_skipFolder.clear();
  return copied;
}

bool CFileOperation::MovePath(const std::string& source, const std::string& destination) {
  m_bAborted = false;
  if (IsSelfCopy(source, destination)) return true;
  // A move asks nothing and overwrites nothing; both settings come back afterwards.
  const bool ask = m_bAskIfReadOnly;
  const bool overwrite = m_bOverwrite;
  m_bAskIfReadOnly = false;
  m_bOverwrite = false;
  const bool moved = Attempt([&] {
    const fs::path sourceNative = NativeOf(source);
    // A folder moved into its own subtree would be deleted together with its copy.
    if (EntryKind(platform::native::EntryInfo(sourceNative)) == 2 && IsWithin(NativeOf(destination), sourceNative)) {
      throw CFExeption::FromText("Wrong operation");
    }
    CopyAny(source, destination, true);
    DeleteTree(sourceNative);
  });
  m_bAskIfReadOnly = ask;
  m_bOverwrite = overwrite;
  m_nRecursionLimit = -1;
  m_skipFolder.clear();
  return moved;
}

bool CFileOperation::RenamePath(const std::string& source, const std::string& destination) {
  m_bAborted = false;
  return Attempt([&] { MoveOne(source, destination); });
}

bool CFileOperation::DeletePath(const std::string& path) {
  m_bAborted = false;
  // The operator's Cancel at the read-only question (code 0) is no failure.
  return Attempt([&] {
    // Refused before anything is listed: an empty path would name the root of the file
    // system.
    if (path.empty()) throw CFExeption::FromCode(platform::kErrorPathNotFound);
    const fs::path native = NativeOf(path);
    if (native.empty()) throw CFExeption::FromCode(platform::kErrorInvalidName);
    DeleteTree(native);
  }) || (m_dwError == 0 && m_bAborted);
}

// ---------------------------------------------------------------------------------------
// Copying
//
// The station path texts the caller gives are mapped once; below them the walk goes by the
// names found on disk (native paths), so that any name Linux allows is copied and deleted,
// and a symbolic link is copied or deleted as the link it is: no walk goes through a link to
// a folder, into the tree itself or out of it.

void CFileOperation::CopyAny(const std::string& source, const std::string& destination, bool deleteAfter) {
  const fs::path sourceNative = NativeOf(source);
  const std::optional<platform::FileEntry> sourceEntry = platform::native::EntryInfo(sourceNative);
  const int sourceKind = EntryKind(sourceEntry);
  if (sourceKind == 0) throw CFExeption::FromText(source + " not found");
  const int destinationKind = PathKind(destination);
  if (destinationKind == 0) throw CFExeption::FromText(destination + " not found");
  if (sourceKind == 2 && destinationKind == 1) throw CFExeption::FromText("Wrong operation");
  const fs::path destinationNative = NativeOf(destination);

  if (sourceKind == 2 && destinationKind == 2) {
    const std::vector<platform::FileEntry> entries = platform::native::ListFolder(sourceNative);
    // An empty folder lists nothing ("file not found"); any other failure means the
    // folder cannot be read.
    if (entries.empty() && platform::LastFileError() != platform::kErrorFileNotFound) {
      throw CFExeption::FromText(source + " not found");
    }
    fs::path target = destinationNative;
    const std::string name = LastFolderName(WithSeparator(source) + kAllFiles);
    if (!name.empty()) {
      target /= name;
      MakeFolder(target);
    }
    // Copied into its own subtree: the walk must not copy the new copy again.
    if (IsWithin(target, sourceNative)) m_skipFolder = target;
    CopyEntries(sourceNative, entries, target, deleteAfter);
  } else if (sourceKind == 1 && destinationKind == 1) {
    CopyFileTo(sourceNative, sourceEntry->symbolicLink, destinationNative, false);
  } else if (sourceKind == 1 && destinationKind == 2) {
    const PathParts parts = SplitPath(source);
    CopyFileTo(sourceNative, sourceEntry->symbolicLink, destinationNative / (parts.name + parts.extension), false);
  }
  // Any other combination (a path whose kind cannot be read) does nothing.
}

void CFileOperation::MakeFolder(const fs::path& folder) {
  const std::optional<platform::FileEntry> existing = platform::native::EntryInfo(folder);
  if (existing) {
    // Only a real folder is copied into: a file, or a link (even to a folder), stays as it
    // is, and the copy stops.
    if (!IsFolder(*existing)) throw CFExeption::FromCode(platform::kErrorAlreadyExists);
    return;
  }
  if (!platform::native::CreateDirectory(folder)) throw CFExeption::FromCode(platform::LastFileError());
}

void CFileOperation::CopyFolderContents(const fs::path& folder, const fs::path& destination, bool deleteAfter) {
  const std::vector<platform::FileEntry> entries = platform::native::ListFolder(folder);
  if (entries.empty() && platform::LastFileError() != platform::kErrorFileNotFound) {
    throw CFExeption::FromCode(platform::LastFileError());
  }
  CopyEntries(folder, entries, destination, deleteAfter);
}

void CFileOperation::CopyEntries(const fs::path& folder, const std::vector<platform::FileEntry>& entries,
                                 const fs::path& destination, bool deleteAfter) {
  for (const platform::FileEntry& entry : entries) {
    const fs::path full = folder / entry.name;
    if (!IsFolder(entry)) {
      CopyFileTo(full, entry.symbolicLink, destination / entry.name, deleteAfter);
      continue;
    }
    if (m_nRecursionLimit == 0) continue;
    if (!m_skipFolder.empty() && full == m_skipFolder) continue;
    const fs::path target = destination / entry.name;
    MakeFolder(target);
    if (m_nRecursionLimit > 0) --m_nRecursionLimit;
    CopyFolderContents(full, target, deleteAfter);
  }
}

void CFileOperation::CopyFileTo(const fs::path& source, bool link, const fs::path& destination, bool deleteAfter) {
  const auto copy = [&source, link](const fs::path& to, bool failIfExists) {
    return link ? platform::native::CopySymbolicLink(source, to, failIfExists)
                : platform::native::CopyFile(source, to, failIfExists);
  };
  bool copied = false;
  if (m_bOverwrite) {
    copied = copy(destination, false);
  } else {
    // Any entry but a folder takes the name: a link there, even a dangling one, is never
    // written through or replaced.
    fs::path target = destination;
    for (;;) {
      const std::optional<platform::FileEntry> existing = platform::native::EntryInfo(target);
      if (!existing || IsFolder(*existing)) break;
      target = NextCopyPath(target);
    }
    copied = copy(target, true);
  }
  if (!copied) throw CFExeption::FromCode(platform::LastFileError());
  if (deleteAfter) DeleteTree(source);
}

// ---------------------------------------------------------------------------------------
// Deleting, moving

void CFileOperation::DeleteTree(const fs::path& path) {
  const std::optional<platform::FileEntry> entry = platform::native::EntryInfo(path);
  if (!entry) throw CFExeption::FromCode(platform::LastFileError());
  if (IsFolder(*entry)) {
    for (const platform::FileEntry& item : platform::native::ListFolder(path)) DeleteTree(path / item.name);
    if (!platform::native::RemoveDirectory(path) && !m_bAborted) throw CFExeption::FromCode(platform::LastFileError());
    return;
  }
  if (!ConfirmDelete(path, *entry)) {
    m_bAborted = true;  // the file stays; its folder then stays too, without an error
    return;
  }
  if (!platform::native::DeleteFile(path)) throw CFExeption::FromCode(platform::LastFileError());
}

bool CFileOperation::ConfirmDelete(const fs::path& path, const platform::FileEntry& entry) {
  if (entry.symbolicLink) return true;  // the link goes, not what it points to
  if ((entry.attributes & platform::kAttributeReadOnly) == 0) return true;
  if (!m_bAskIfReadOnly) return platform::native::SetReadOnly(path, false);

  const std::string name = path.filename().string();
  const int answer = m_prompt ? m_prompt(name + " is read olny. Do you want delete it?", kWarningCaption) : kAnswerNo;
  if (answer == kAnswerYes) return platform::native::SetReadOnly(path, false);
  if (answer == kAnswerCancel) {
    m_bAborted = true;
    throw CFExeption::FromCode(0);
  }
  return false;
}

void CFileOperation::MoveOne(const std::string& source, const std::string& destination) {
  if (!platform::MoveFile(source, destination, false)) throw CFExeption::FromCode(platform::LastFileError());
}

// ---------------------------------------------------------------------------------------
// Path helpers

std::string CFileOperation::MakeCopyName(const std::string& path) {
  const PathParts parts = SplitPath(path);
  return parts.drive + parts.folder + NextCopyName(parts.name, parts.extension);
}

bool CFileOperation::FileExists(const std::string& path) {
  const auto info = platform::FileInfo(path);
  return info.has_value() && !info->IsDirectory();
}

int CFileOperation::PathKind(const std::string& path) { return KindOf(platform::FileInfo(path)); }

void CFileOperation::AddBackslash(std::string& path) {
  if (path.empty() || !IsSeparator(path.back())) path += '\\';
}

std::string CFileOperation::LastFolderName(const std::string& path) {
  const std::size_t last = path.find_last_of("\\/");
  if (last == std::string::npos) return std::string();
  const std::string folder = path.substr(0, last);
  const std::size_t previous = folder.find_last_of("\\/");
  if (previous != std::string::npos) return folder.substr(previous + 1);
  // No further separator: a drive ("C:") or nothing is a root; a relative folder name
  // ("a\*.*") is that folder.
  if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) return std::string();
  return folder;
}

bool CFileOperation::IsSelfCopy(const std::string& source, const std::string& destination) {
  if (PathKind(source) != 2) return false;
  const fs::path sourceNative = NativeOf(source);
  const fs::path destinationNative = NativeOf(destination);
  return !destinationNative.empty() && sourceNative.parent_path() == destinationNative;
}

}  // namespace util
