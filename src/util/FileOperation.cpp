#include "util/FileOperation.h"

#include <cstdlib>
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

bool IsSymbolicLink(std::string_view path) {
  std::error_code error;
  const fs::path native = NativeOf(path);
  return !native.empty() && fs::is_symlink(native, error);
}

// A path split as the C runtime's _splitpath does: drive "X:", folder up to its last
// separator, name, extension from the name's last dot.
struct PathParts {
  std::string drive, folder, name, extension;
};

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
  const std::string file = path.substr(nameStart);
  const std::size_t dot = file.find_last_of('.');
  parts.name = dot == std::string::npos ? file : file.substr(0, dot);
  parts.extension = dot == std::string::npos ? std::string() : file.substr(dot);
  return parts;
}

std::string WithSeparator(std::string path) {
  CFileOperation::AddBackslash(path);
  return path;
}

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
    // A folder moved into its own subtree would be deleted together with its copy.
    if (PathKind(source) == 2 && IsWithin(NativeOf(destination), NativeOf(source))) {
      throw CFExeption::FromText("Wrong operation");
    }
    CopyAny(source, destination, true);
    DeleteTree(source);
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
  return Attempt([&] { DeleteTree(path); }) || (m_dwError == 0 && m_bAborted);
}

// ---------------------------------------------------------------------------------------
// Copying

void CFileOperation::CopyAny(const std::string& source, const std::string& destination, bool deleteAfter) {
  const int sourceKind = PathKind(source);
  if (sourceKind == 0) throw CFExeption::FromText(source + " not found");
  const int destinationKind = PathKind(destination);
  if (destinationKind == 0) throw CFExeption::FromText(destination + " not found");
  if (sourceKind == 2 && destinationKind == 1) throw CFExeption::FromText("Wrong operation");

  if (sourceKind == 2 && destinationKind == 2) {
    const std::string notFound = source + " not found";
    const std::string pattern = WithSeparator(source) + kAllFiles;
    const std::vector<platform::FileEntry> entries = platform::FindFiles(pattern);
    // An empty folder lists nothing ("file not found"); any other failure means the
    // folder cannot be read.
    if (entries.empty() && platform::LastFileError() != platform::kErrorFileNotFound) {
      throw CFExeption::FromText(notFound);
    }
    std::string target = WithSeparator(destination);
    const std::string name = LastFolderName(pattern);
    if (!name.empty()) {
      target += name;
      if (!platform::CreateDirectory(target) && platform::LastFileError() != platform::kErrorAlreadyExists) {
        throw CFExeption::FromCode(platform::LastFileError());
      }
      AddBackslash(target);
    }
    // Copied into its own subtree: the walk must not copy the new copy again.
    const fs::path targetNative = NativeOf(target);
    if (IsWithin(targetNative, NativeOf(source))) m_skipFolder = targetNative;
    CopyEntries(WithSeparator(source), entries, target, deleteAfter);
  } else if (sourceKind == 1 && destinationKind == 1) {
    CopyFileTo(source, destination, false);
  } else if (sourceKind == 1 && destinationKind == 2) {
    const PathParts parts = SplitPath(source);
    CopyFileTo(source, WithSeparator(destination) + parts.name + parts.extension, false);
  }
  // Any other combination (a path whose kind cannot be read) does nothing.
}

void CFileOperation::CopyFolderContents(const std::string& pattern, const std::string& destination, bool deleteAfter) {
  const std::vector<platform::FileEntry> entries = platform::FindFiles(pattern);
  if (entries.empty() && platform::LastFileError() != platform::kErrorFileNotFound) {
    throw CFExeption::FromCode(platform::LastFileError());
  }
  const std::size_t cut = pattern.find_last_of("\\/");
  const std::string folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
  CopyEntries(folder, entries, destination, deleteAfter);
}

void CFileOperation::CopyEntries(const std::string& folder, const std::vector<platform::FileEntry>& entries,
                                 const std::string& destination, bool deleteAfter) {
  for (const platform::FileEntry& entry : entries) {
    const std::string full = folder + entry.name;
    if (!entry.IsDirectory()) {
      CopyFileTo(full, destination + entry.name, deleteAfter);
      continue;
    }
    if (m_nRecursionLimit == 0) continue;
    if (!m_skipFolder.empty() && NativeOf(full) == m_skipFolder) continue;
    const std::string target = destination + entry.name + "\\";
    if (PathKind(target) == 0 && !platform::CreateDirectory(target)) {
      throw CFExeption::FromCode(platform::LastFileError());
    }
    if (m_nRecursionLimit > 0) --m_nRecursionLimit;
    CopyFolderContents(full + "\\" + kAllFiles, target, deleteAfter);
  }
}

void CFileOperation::CopyFileTo(const std::string& source, const std::string& destination, bool deleteAfter) {
  bool copied = false;
  if (m_bOverwrite) {
    copied = platform::CopyFile(source, destination, false);
  } else {
    std::string target = destination;
    while (FileExists(target)) target = MakeCopyName(target);
    copied = platform::CopyFile(source, target, true);
  }
  if (!copied) throw CFExeption::FromCode(platform::LastFileError());
  if (deleteAfter) DeleteTree(source);
}

// ---------------------------------------------------------------------------------------
// Deleting, moving

void CFileOperation::DeleteTree(const std::string& path) {
  // Refused before anything is listed: an empty path would name the root of the file
  // system, a missing one would list nothing of its own.
  if (path.empty()) throw CFExeption::FromCode(platform::kErrorPathNotFound);
  const int kind = PathKind(path);
  if (kind <= 0) throw CFExeption::FromCode(platform::LastFileError());

  if (kind == 2 && !IsSymbolicLink(path)) {
    const std::string folder = WithSeparator(path);
    for (const platform::FileEntry& entry : platform::FindFiles(folder + kAllFiles)) DeleteTree(folder + entry.name);
    if (!platform::RemoveDirectory(path) && !m_bAborted) throw CFExeption::FromCode(platform::LastFileError());
    return;
  }
  if (!ConfirmDelete(path)) {
    m_bAborted = true;  // the file stays; its folder then stays too, without an error
    return;
  }
  if (!platform::DeleteFile(path)) throw CFExeption::FromCode(platform::LastFileError());
}

bool CFileOperation::ConfirmDelete(const std::string& path) {
  if (IsSymbolicLink(path)) return true;  // the link goes, not what it points to
  const auto attributes = platform::FileAttributes(path);
  if (!attributes) return false;
  if ((*attributes & platform::kAttributeReadOnly) == 0) return true;
  if (!m_bAskIfReadOnly) return platform::SetReadOnly(path, false);

  const std::size_t cut = path.find_last_of("\\/");
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  const int answer = m_prompt ? m_prompt(name + " is read olny. Do you want delete it?", kWarningCaption) : kAnswerNo;
  if (answer == kAnswerYes) return platform::SetReadOnly(path, false);
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
  const std::string& name = parts.name;
  std::string newName;
  const std::size_t open = name.find('(');
  const std::size_t close = name.find(')');
  if (name.find("Copy ") == std::string::npos) {
    newName = kCopyOf + name + parts.extension;
  } else if (open == std::string::npos) {
    const std::string rest = name.size() > kCopyOfLength ? name.substr(kCopyOfLength) : std::string();
    newName = "Copy (1) of " + rest + parts.extension;
  } else if (close == std::string::npos) {
    newName = kCopyOf + name + parts.extension;
  } else {
    const std::string number = close > open ? name.substr(open + 1, close - open - 1) : std::string();
    const int n = platform::ParseLeadingInt(number);
    const std::string rest = name.size() > close + 5 ? name.substr(close + 5) : std::string();
    newName = platform::Format("%s%d%s%s%s", "Copy (", n + 1, ") of ", rest.c_str(), parts.extension.c_str());
  }
  return parts.drive + parts.folder + newName;
}

bool CFileOperation::FileExists(const std::string& path) {
  const auto info = platform::FileInfo(path);
  return info.has_value() && !info->IsDirectory();
}

int CFileOperation::PathKind(const std::string& path) {
  const auto attributes = platform::FileAttributes(path);
  if (!attributes) {
    const std::uint32_t error = platform::LastFileError();
    return (error == platform::kErrorFileNotFound || error == platform::kErrorPathNotFound) ? 0 : -1;
  }
  return (*attributes & platform::kAttributeDirectory) != 0 ? 2 : 1;
}

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
