#pragma once
// CFileOperation: copies, moves, renames and deletes files and whole folder trees, on station
// path texts (see platform/Path.h). Copies that must not overwrite get "Copy of " names;
// read-only files are deleted only after asking the operator (through the prompt the caller
// gives); a folder copied into itself does not copy its own copy again.
//
// The four public operations return a bool and leave the reason of a failure in the object
// (GetErrorText, GetErrorCode); inside, a failure travels as a thrown CFExeption and stops
// the operation at once (what was copied or deleted before it stays).
//
// Beyond the plain Windows behaviour, for safety:
//  - a delete refuses an empty, missing or unreadable path before it lists anything (an
//    empty path would otherwise name the root of the file system);
//  - below the paths the caller names, trees are walked by the names found on disk, so any
//    name Linux allows ("a\b.txt" too) is copied, moved and deleted;
//  - a symbolic link, to a folder or to anything else, dangling or not, is copied and moved
//    as a link (with its own text) and deleted as a link: no walk goes through one, so nothing
//    outside the named tree is changed and a link to the tree itself is no loop; a copy that
//    would go into a link (or a file) where its folder belongs stops with "already exists";
//  - a folder copied into its own subfolder skips exactly the subtree of the new copy
//    (compared by path components), and copies every other subfolder;
//  - the abort flag is cleared at the start of each operation;
//  - a move never overwrites (existing files in the destination get "Copy of " names) and
//    refuses to move a folder into itself, which would delete the copy with the source.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
struct FileEntry;
}

namespace util {

// A failure inside CFileOperation: a text and a system error code (0 for the class's own
// texts and for the operator's Cancel).
class CFExeption {
 public:
  // The system's message for the code (Windows wording), with the code.
  static CFExeption FromCode(std::uint32_t code);
  // A text of the class's own; code 0.
  static CFExeption FromText(std::string text);

  std::string GetText() const { return m_text; }
  std::uint32_t GetCode() const { return m_code; }

 private:
  CFExeption(std::string text, std::uint32_t code) : m_text(std::move(text)), m_code(code) {}
  std::string m_text;
  std::uint32_t m_code;
};

class CFileOperation {
 public:
  // Answers of the read-only question, as the message box returns them.
  static constexpr int kAnswerCancel = 2;
  static constexpr int kAnswerYes = 6;
  static constexpr int kAnswerNo = 7;
  static constexpr char kWarningCaption[] = "Warning";

  // Asks the operator the question (text, caption) with Yes, No and Cancel buttons and the
  // question icon; returns one of the answers above. Without a prompt the answer is No: a
  // read-only file is never deleted unasked.
  using Prompt = std::function<int(const std::string& text, const std::string& caption)>;

  CFileOperation();

  bool CopyPath(const std::string& source, const std::string& destination);
  bool MovePath(const std::string& source, const std::string& destination);
  bool RenamePath(const std::string& source, const std::string& destination);
  bool DeletePath(const std::string& path);

  // Every field back to its initial value ("No error", 0, ask, no overwrite, not aborted,
  // no recursion limit).
  void Reset();

  const std::string& GetErrorText() const { return m_strError; }
  std::uint32_t GetErrorCode() const { return m_dwError; }
  bool IsAborted() const { return m_bAborted; }
  bool GetAskIfReadOnly() const { return m_bAskIfReadOnly; }
  void SetAskIfReadOnly(bool ask) { m_bAskIfReadOnly = ask; }
  bool GetOverwrite() const { return m_bOverwrite; }
  void SetOverwrite(bool overwrite) { m_bOverwrite = overwrite; }
  // Budget of subfolders a folder copy may enter (over the whole copy, not a depth);
  // negative: unlimited. Back to -1 after every copy or move.
  int GetRecursionLimit() const { return m_nRecursionLimit; }
  void SetRecursionLimit(int limit) { m_nRecursionLimit = limit; }
  void SetPrompt(Prompt prompt) { m_prompt = std::move(prompt); }

  // Path helpers (no exceptions).
  // "report.txt" -> "Copy of report.txt" -> "Copy (1) of report.txt" -> "Copy (2) of ...".
  static std::string MakeCopyName(const std::string& path);
  static bool FileExists(const std::string& path);
  // -1 attributes unreadable (other than not found), 0 not found, 1 a file, 2 a folder.
  static int PathKind(const std::string& path);
  // Appends "\" unless the path already ends in a separator.
  static void AddBackslash(std::string& path);
  // The name of the folder that holds the last component ("C:\a\*.*" -> "a"); empty for a
  // drive root ("C:\*.*").
  static std::string LastFolderName(const std::string& path);
  // A folder copied into the folder that already holds it: nothing to do.
  static bool IsSelfCopy(const std::string& source, const std::string& destination);

 private:
  void CopyAny(const std::string& source, const std::string& destination, bool deleteAfter);
  // The walk below the named paths, on native paths.
  void CopyFolderContents(const std::filesystem::path& folder, const std::filesystem::path& destination,
                          bool deleteAfter);
  void CopyEntries(const std::filesystem::path& folder, const std::vector<platform::FileEntry>& entries,
                   const std::filesystem::path& destination, bool deleteAfter);
  // A file, or a symbolic link (`link`, as the listing or lookup found the source) copied as
  // a link.
  void CopyFileTo(const std::filesystem::path& source, bool link, const std::filesystem::path& destination,
                  bool deleteAfter);
  // Creates the folder a copy goes into, unless it is there already as a real folder.
  void MakeFolder(const std::filesystem::path& folder);
  void DeleteTree(const std::filesystem::path& path);
  void MoveOne(const std::string& source, const std::string& destination);
  bool ConfirmDelete(const std::filesystem::path& path, const platform::FileEntry& entry);
  void Keep(const CFExeption& failure);
  // Runs the work; a thrown failure is kept in the error pair and gives false.
  bool Attempt(const std::function<void()>& work);

  std::string m_strError;
  std::uint32_t m_dwError = 0;
  bool m_bAskIfReadOnly = true;
  bool m_bOverwrite = false;
  bool m_bAborted = false;
  int m_nRecursionLimit = -1;
  Prompt m_prompt;
  // The new copy of a folder copied into its own subtree: the walk does not enter it.
  std::filesystem::path m_skipFolder;
};

}  // namespace util
