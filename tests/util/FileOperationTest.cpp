// File operations on a scratch station: copy names, folder copies (into themselves too),
// deletes with the read-only question, moves that neither ask nor overwrite, and the
// refusals that keep a bad path from deleting what it should not.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "support/ScratchStation.h"
#include "util/FileOperation.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ScratchStation;
using util::CFileOperation;

class FileOperationTest : public ::testing::Test {
 protected:
  bool Exists(const std::string& relative) const { return fs::exists(m_station.Folder() / relative); }
  std::string Read(const std::string& relative) const { return m_station.ReadFile(relative); }
  void Write(const std::string& relative, const std::string& bytes) const { m_station.WriteFile(relative, bytes); }
  void MakeFolder(const std::string& relative) const { fs::create_directories(m_station.Folder() / relative); }
  void MakeReadOnly(const std::string& relative) const {
    ASSERT_TRUE(platform::SetReadOnly("S:\\" + relative, true));
  }
  // Names in a folder, sorted.
  std::vector<std::string> List(const std::string& relative) const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_station.Folder() / relative)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchStation m_station;
  CFileOperation m_operation;
};

TEST_F(FileOperationTest, CopyNamesCountUp) {
  EXPECT_EQ(CFileOperation::MakeCopyName("C:\\dir\\report.txt"), "C:\\dir\\Copy of report.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("C:\\dir\\Copy of report.txt"), "C:\\dir\\Copy (1) of report.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("C:\\dir\\Copy (1) of report.txt"), "C:\\dir\\Copy (2) of report.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("C:\\dir\\Copy (9) of report.txt"), "C:\\dir\\Copy (10) of report.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("logs/run.tar.gz"), "logs/Copy of run.tar.gz");
  EXPECT_EQ(CFileOperation::MakeCopyName("README"), "Copy of README");
  // "(" without ")": a plain "Copy of " in front.
  EXPECT_EQ(CFileOperation::MakeCopyName("D:\\a(b.txt"), "D:\\Copy of a(b.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("D:\\Copy of a(b.txt"), "D:\\Copy of Copy of a(b.txt");
  // Names too short for the prefix they seem to carry do not break the naming.
  EXPECT_EQ(CFileOperation::MakeCopyName("Copy x.txt"), "Copy (1) of .txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("Copy )("), "Copy (1) of ");
}

TEST_F(FileOperationTest, CopyNamesCountOnPastEveryIntegerRange) {
  EXPECT_EQ(CFileOperation::MakeCopyName("Copy (2147483647) of x.txt"), "Copy (2147483648) of x.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("Copy (2147483648) of x.txt"), "Copy (2147483649) of x.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("D:\\Copy (99999999999999999999) of x.txt"),
            "D:\\Copy (100000000000000000000) of x.txt");
  // The number reads as the C runtime reads it: leading zeros, a sign, text after the digits.
  EXPECT_EQ(CFileOperation::MakeCopyName("Copy (007) of x.txt"), "Copy (8) of x.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("Copy (-1) of x.txt"), "Copy (0) of x.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("Copy (-10) of x.txt"), "Copy (-9) of x.txt");
  EXPECT_EQ(CFileOperation::MakeCopyName("Copy (x) of y.txt"), "Copy (1) of y.txt");
}

TEST_F(FileOperationTest, PathHelpers) {
  EXPECT_EQ(CFileOperation::LastFolderName("C:\\data\\a\\*.*"), "a");
  EXPECT_EQ(CFileOperation::LastFolderName("C:\\*.*"), "");
  EXPECT_EQ(CFileOperation::LastFolderName("a\\*.*"), "a");
  EXPECT_EQ(CFileOperation::LastFolderName("/tmp/x/*.*"), "x");
  std::string path = "C:\\a";
  CFileOperation::AddBackslash(path);
  EXPECT_EQ(path, "C:\\a\\");
  CFileOperation::AddBackslash(path);
  EXPECT_EQ(path, "C:\\a\\");
  Write("f.txt", "x");
  MakeFolder("d");
  EXPECT_EQ(CFileOperation::PathKind("S:\\f.txt"), 1);
  EXPECT_EQ(CFileOperation::PathKind("S:\\d"), 2);
  EXPECT_EQ(CFileOperation::PathKind("S:\\none"), 0);
  EXPECT_EQ(CFileOperation::PathKind("S:\\none\\deeper"), 0);
  EXPECT_TRUE(CFileOperation::FileExists("S:\\F.TXT"));  // case ignored, as on Windows
  EXPECT_FALSE(CFileOperation::FileExists("S:\\d"));
}

TEST_F(FileOperationTest, CopyFileNeverOverwritesUnlessAsked) {
  Write("src/report.txt", "new");
  Write("dst/report.txt", "old");
  ASSERT_TRUE(m_operation.CopyPath("S:\\src\\report.txt", "S:\\dst\\report.txt"));
  EXPECT_EQ(Read("dst/report.txt"), "old");
  EXPECT_EQ(Read("dst/Copy of report.txt"), "new");
  ASSERT_TRUE(m_operation.CopyPath("S:\\src\\report.txt", "S:\\dst"));  // into the folder
  EXPECT_EQ(Read("dst/Copy (1) of report.txt"), "new");
  m_operation.SetOverwrite(true);
  Write("src/report.txt", "newer");
  ASSERT_TRUE(m_operation.CopyPath("S:\\src\\report.txt", "S:\\dst\\report.txt"));
  EXPECT_EQ(Read("dst/report.txt"), "newer");
  EXPECT_EQ(List("dst"), (std::vector<std::string>{"Copy (1) of report.txt", "Copy of report.txt", "report.txt"}));
  EXPECT_EQ(m_operation.GetErrorText(), "No error");
}

TEST_F(FileOperationTest, CopyFolderBringsItsTree) {
  Write("a/one.txt", "1");
  Write("a/sub/two.txt", "2");
  MakeFolder("a/empty");
  MakeFolder("b");
  ASSERT_TRUE(m_operation.CopyPath("S:\\a", "S:\\b"));
  EXPECT_EQ(Read("b/a/one.txt"), "1");
  EXPECT_EQ(Read("b/a/sub/two.txt"), "2");
  EXPECT_TRUE(fs::is_directory(m_station.Folder() / "b/a/empty"));
  EXPECT_EQ(Read("a/one.txt"), "1");  // a copy keeps its source
  // An empty folder copies as an empty folder.
  MakeFolder("lonely");
  ASSERT_TRUE(m_operation.CopyPath("S:\\lonely", "S:\\b"));
  EXPECT_TRUE(fs::is_directory(m_station.Folder() / "b/lonely"));
}

TEST_F(FileOperationTest, FolderCopiedIntoTheFolderHoldingItIsNothingToDo) {
  Write("data/a/f.txt", "x");
  ASSERT_TRUE(m_operation.CopyPath("S:\\data\\a", "S:\\data"));
  ASSERT_TRUE(m_operation.CopyPath("S:\\DATA\\A", "S:\\data\\"));
  EXPECT_EQ(List("data"), std::vector<std::string>{"a"});
  EXPECT_EQ(List("data/a"), std::vector<std::string>{"f.txt"});
}

TEST_F(FileOperationTest, FolderCopiedIntoItsOwnSubfolderSkipsOnlyTheNewCopy) {
  Write("a/f.txt", "x");
  Write("a/c/g.txt", "y");
  Write("a/b/h.txt", "z");
  ASSERT_TRUE(m_operation.CopyPath("S:\\a", "S:\\a\\b")) << m_operation.GetErrorText();
  EXPECT_EQ(List("a/b"), (std::vector<std::string>{"a", "h.txt"}));
  EXPECT_EQ(List("a/b/a"), (std::vector<std::string>{"b", "c", "f.txt"}));
  EXPECT_EQ(Read("a/b/a/c/g.txt"), "y");  // other subfolders are copied whole
  EXPECT_EQ(List("a/b/a/b"), std::vector<std::string>{"h.txt"});  // b as it was, without the copy
  EXPECT_EQ(m_operation.GetRecursionLimit(), -1);
  // A source whose name is a prefix of the destination's is no self-copy.
  Write("x/sub/k.txt", "k");
  MakeFolder("xy");
  ASSERT_TRUE(m_operation.CopyPath("S:\\x", "S:\\xy"));
  EXPECT_EQ(Read("xy/x/sub/k.txt"), "k");
}

TEST_F(FileOperationTest, RecursionLimitIsABudgetOverTheWholeCopyAndResets) {
  Write("a/s1/one.txt", "1");
  Write("a/s2/two.txt", "2");
  Write("a/top.txt", "t");
  MakeFolder("b");
  m_operation.SetRecursionLimit(1);
  ASSERT_TRUE(m_operation.CopyPath("S:\\a", "S:\\b"));
  EXPECT_EQ(List("b/a"), (std::vector<std::string>{"s1", "top.txt"}));
  EXPECT_EQ(m_operation.GetRecursionLimit(), -1);
}

TEST_F(FileOperationTest, CopyFailuresSayWhy) {
  Write("a/f.txt", "x");
  Write("file.txt", "y");
  EXPECT_FALSE(m_operation.CopyPath("S:\\a", "S:\\missing"));
  EXPECT_EQ(m_operation.GetErrorText(), "S:\\missing not found");
  EXPECT_EQ(m_operation.GetErrorCode(), 0u);
  EXPECT_FALSE(m_operation.CopyPath("S:\\nothing", "S:\\a"));
  EXPECT_EQ(m_operation.GetErrorText(), "S:\\nothing not found");
  EXPECT_FALSE(m_operation.CopyPath("S:\\a", "S:\\file.txt"));
  EXPECT_EQ(m_operation.GetErrorText(), "Wrong operation");
  EXPECT_FALSE(Exists("missing"));
  // A success leaves the last failure's text in place.
  EXPECT_TRUE(m_operation.CopyPath("S:\\file.txt", "S:\\a"));
  EXPECT_EQ(m_operation.GetErrorText(), "Wrong operation");
  m_operation.Reset();
  EXPECT_EQ(m_operation.GetErrorText(), "No error");
}

TEST_F(FileOperationTest, ReadOnlyDeleteAsksTheOperator) {
  std::vector<std::pair<std::string, std::string>> asked;
  int answer = CFileOperation::kAnswerNo;
  m_operation.SetPrompt([&](const std::string& text, const std::string& caption) {
    asked.emplace_back(text, caption);
    return answer;
  });
  Write("r.txt", "keep me");
  MakeReadOnly("r.txt");

  EXPECT_TRUE(m_operation.DeletePath("S:\\r.txt"));  // No: kept, no failure
  EXPECT_TRUE(Exists("r.txt"));
  EXPECT_TRUE(m_operation.IsAborted());
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].first, "r.txt is read olny. Do you want delete it?");
  EXPECT_EQ(asked[0].second, "Warning");

  answer = CFileOperation::kAnswerCancel;
  EXPECT_TRUE(m_operation.DeletePath("S:\\r.txt"));
  EXPECT_TRUE(Exists("r.txt"));
  EXPECT_TRUE(m_operation.IsAborted());
  EXPECT_EQ(m_operation.GetErrorCode(), 0u);
  EXPECT_EQ(m_operation.GetErrorText(), "The operation completed successfully.\r\n");

  answer = CFileOperation::kAnswerYes;
  EXPECT_TRUE(m_operation.DeletePath("S:\\r.txt"));
  EXPECT_FALSE(Exists("r.txt"));
  EXPECT_FALSE(m_operation.IsAborted());  // cleared for every operation

  // Without a prompt the answer is No.
  Write("q.txt", "q");
  MakeReadOnly("q.txt");
  CFileOperation unasked;
  EXPECT_TRUE(unasked.DeletePath("S:\\q.txt"));
  EXPECT_TRUE(Exists("q.txt"));
  // Not asking: the attribute is cleared and the file goes.
  unasked.SetAskIfReadOnly(false);
  EXPECT_TRUE(unasked.DeletePath("S:\\q.txt"));
  EXPECT_FALSE(Exists("q.txt"));
}

TEST_F(FileOperationTest, RefusedFileKeepsItsFolderWithoutError) {
  m_operation.SetPrompt([](const std::string&, const std::string&) { return CFileOperation::kAnswerNo; });
  Write("tree/keep.txt", "k");
  Write("tree/sub/gone.txt", "g");
  MakeReadOnly("tree/keep.txt");
  EXPECT_TRUE(m_operation.DeletePath("S:\\tree"));
  EXPECT_EQ(List("tree"), std::vector<std::string>{"keep.txt"});
}

TEST_F(FileOperationTest, DeleteRefusesEmptyAndMissingPathsBeforeListing) {
  Write("precious.txt", "p");
  EXPECT_FALSE(m_operation.DeletePath(""));
  EXPECT_EQ(m_operation.GetErrorCode(), 3u);
  EXPECT_EQ(m_operation.GetErrorText(), "The system cannot find the path specified.\r\n");
  EXPECT_TRUE(Exists("precious.txt"));
  EXPECT_FALSE(m_operation.DeletePath("S:\\missing.txt"));
  EXPECT_EQ(m_operation.GetErrorCode(), 2u);
  EXPECT_EQ(m_operation.GetErrorText(), "The system cannot find the file specified.\r\n");
  EXPECT_FALSE(m_operation.DeletePath("S:\\no\\such\\folder"));
  EXPECT_EQ(m_operation.GetErrorCode(), 3u);
  EXPECT_TRUE(Exists("precious.txt"));
}

TEST_F(FileOperationTest, DeleteRemovesLinksNotWhatTheyPointTo) {
  Write("outside/keep.txt", "k");
  Write("tree/f.txt", "f");
  fs::create_directory_symlink(m_station.Folder() / "outside", m_station.Folder() / "tree/link");
  fs::create_symlink(m_station.Folder() / "gone", m_station.Folder() / "tree/dangling");
  EXPECT_TRUE(m_operation.DeletePath("S:\\tree")) << m_operation.GetErrorText();
  EXPECT_FALSE(Exists("tree"));
  EXPECT_EQ(Read("outside/keep.txt"), "k");
}

// A tree holding links to itself, to its parent, to outside, a dangling link, a link to one
// of its files, and a file whose Linux name holds a backslash.
class FileOperationLinkTest : public FileOperationTest {
 protected:
  void SetUp() override {
    Write("outside/keep.txt", "k");
    Write("src/f.txt", "f");
    Write("src/a\\b.txt", "backslash");
    Write("src/sub/g.txt", "g");
    MakeLink("src/self", ".");
    MakeLink("src/up", "..");
    MakeLink("src/sub/out", (m_station.Folder() / "outside").string());
    MakeLink("src/dangling", "gone");
    MakeLink("src/file-link", "f.txt");
    MakeFolder("dst");
  }
  void MakeLink(const std::string& relative, const std::string& target) const {
    fs::create_symlink(target, m_station.Folder() / relative);
  }
  // The tree copied or moved into dst/src, its links copied as links with their own texts.
  void ExpectCopiedTree() const {
    EXPECT_EQ(List("dst"), std::vector<std::string>{"src"});
    EXPECT_EQ(List("dst/src"),
              (std::vector<std::string>{"a\\b.txt", "dangling", "f.txt", "file-link", "self", "sub", "up"}));
    EXPECT_EQ(List("dst/src/sub"), (std::vector<std::string>{"g.txt", "out"}));
    EXPECT_EQ(Read("dst/src/a\\b.txt"), "backslash");
    EXPECT_EQ(Read("dst/src/sub/g.txt"), "g");
    const fs::path copy = m_station.Folder() / "dst/src";
    for (const auto& [link, target] : std::vector<std::pair<std::string, std::string>>{
             {"self", "."}, {"up", ".."}, {"dangling", "gone"}, {"file-link", "f.txt"},
             {"sub/out", (m_station.Folder() / "outside").string()}}) {
      ASSERT_TRUE(fs::is_symlink(copy / link)) << link;
      EXPECT_EQ(fs::read_symlink(copy / link).string(), target) << link;
    }
  }
  void ExpectOutsideUntouched() const {
    EXPECT_EQ(List("outside"), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(Read("outside/keep.txt"), "k");
  }
};

TEST_F(FileOperationLinkTest, CopyTakesEveryLinkAsALink) {
  ASSERT_TRUE(m_operation.CopyPath("S:\\src", "S:\\dst")) << m_operation.GetErrorText();
  ExpectCopiedTree();
  ExpectOutsideUntouched();
  EXPECT_EQ(Read("src/a\\b.txt"), "backslash");  // a copy keeps its source
  EXPECT_TRUE(fs::is_symlink(m_station.Folder() / "src/self"));
}

TEST_F(FileOperationLinkTest, MoveTakesEveryLinkAsALinkAndDeletesOnlyTheTree) {
  ASSERT_TRUE(m_operation.MovePath("S:\\src", "S:\\dst")) << m_operation.GetErrorText();
  ExpectCopiedTree();
  ExpectOutsideUntouched();
  EXPECT_FALSE(Exists("src"));
}

TEST_F(FileOperationLinkTest, DeleteRemovesTheLinksAndOddNames) {
  EXPECT_TRUE(m_operation.DeletePath("S:\\src")) << m_operation.GetErrorText();
  EXPECT_FALSE(Exists("src"));
  ExpectOutsideUntouched();
  EXPECT_EQ(List("dst"), std::vector<std::string>{});
}

TEST_F(FileOperationLinkTest, ALinkNamedAsTheSourceIsCopiedAndMovedAsALink) {
  MakeLink("to-outside", (m_station.Folder() / "outside").string());
  ASSERT_TRUE(m_operation.CopyPath("S:\\to-outside", "S:\\dst")) << m_operation.GetErrorText();
  EXPECT_TRUE(fs::is_symlink(m_station.Folder() / "dst/to-outside"));
  MakeFolder("moved");
  ASSERT_TRUE(m_operation.MovePath("S:\\to-outside", "S:\\moved")) << m_operation.GetErrorText();
  EXPECT_TRUE(fs::is_symlink(m_station.Folder() / "moved/to-outside"));
  EXPECT_FALSE(fs::is_symlink(m_station.Folder() / "to-outside"));
  ExpectOutsideUntouched();
}

TEST_F(FileOperationLinkTest, NoCopyGoesThroughALinkInTheDestination) {
  // The folder the copy would make is a link to outside: refused, nothing written there.
  MakeLink("dst/src", (m_station.Folder() / "outside").string());
  EXPECT_FALSE(m_operation.CopyPath("S:\\src", "S:\\dst"));
  EXPECT_EQ(m_operation.GetErrorCode(), 183u);
  ExpectOutsideUntouched();
  // A file copied onto a link's name gets a copy name and leaves the link's file alone.
  MakeLink("dst/f.txt", (m_station.Folder() / "outside/keep.txt").string());
  ASSERT_TRUE(m_operation.CopyPath("S:\\src\\f.txt", "S:\\dst")) << m_operation.GetErrorText();
  EXPECT_EQ(Read("dst/Copy of f.txt"), "f");
  ExpectOutsideUntouched();
}

TEST_F(FileOperationTest, MoveAsksNothingOverwritesNothingAndRestoresSettings) {
  m_operation.SetPrompt([](const std::string& text, const std::string&) -> int {
    ADD_FAILURE() << "asked: " << text;
    return CFileOperation::kAnswerNo;
  });
  m_operation.SetOverwrite(true);
  Write("a/ro.txt", "read-only");
  Write("a/sub/f.txt", "f");
  Write("b/a/ro.txt", "already there");
  MakeReadOnly("a/ro.txt");
  ASSERT_TRUE(m_operation.MovePath("S:\\a", "S:\\b")) << m_operation.GetErrorText();
  EXPECT_FALSE(Exists("a"));
  EXPECT_EQ(Read("b/a/ro.txt"), "already there");
  EXPECT_EQ(Read("b/a/Copy of ro.txt"), "read-only");
  EXPECT_EQ(Read("b/a/sub/f.txt"), "f");
  EXPECT_TRUE(m_operation.GetAskIfReadOnly());
  EXPECT_TRUE(m_operation.GetOverwrite());
  EXPECT_EQ(m_operation.GetRecursionLimit(), -1);

  Write("one.txt", "1");
  ASSERT_TRUE(m_operation.MovePath("S:\\one.txt", "S:\\b"));
  EXPECT_FALSE(Exists("one.txt"));
  EXPECT_EQ(Read("b/one.txt"), "1");
}

TEST_F(FileOperationTest, MoveIntoItsOwnSubfolderIsRefused) {
  Write("a/f.txt", "x");
  MakeFolder("a/b");
  EXPECT_FALSE(m_operation.MovePath("S:\\a", "S:\\a\\b"));
  EXPECT_EQ(m_operation.GetErrorText(), "Wrong operation");
  EXPECT_EQ(List("a"), (std::vector<std::string>{"b", "f.txt"}));
  EXPECT_TRUE(List("a/b").empty());
  // Into the folder that holds it: nothing to do.
  EXPECT_TRUE(m_operation.MovePath("S:\\a\\b", "S:\\a"));
  EXPECT_TRUE(Exists("a/b"));
}

TEST_F(FileOperationTest, RenameNeverReplaces) {
  Write("old.txt", "o");
  Write("taken.txt", "t");
  ASSERT_TRUE(m_operation.RenamePath("S:\\old.txt", "S:\\new.txt"));
  EXPECT_EQ(Read("new.txt"), "o");
  EXPECT_FALSE(m_operation.RenamePath("S:\\new.txt", "S:\\taken.txt"));
  EXPECT_EQ(m_operation.GetErrorCode(), 183u);
  EXPECT_EQ(m_operation.GetErrorText(), "Cannot create a file when that file already exists.\r\n");
  EXPECT_EQ(Read("taken.txt"), "t");
  EXPECT_FALSE(m_operation.RenamePath("S:\\missing.txt", "S:\\x.txt"));
  EXPECT_EQ(m_operation.GetErrorCode(), 2u);
}

}  // namespace
