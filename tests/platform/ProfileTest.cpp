#include "platform/Profile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/IniDocument.h"
#include "platform/Text.h"
#include "support/ScratchStation.h"

namespace {
namespace fs = std::filesystem;
using namespace std::string_literals;
using platform::ReadProfileInt;
using platform::ReadProfileString;
using platform::WriteProfileString;
using testsupport::ScratchStation;

constexpr const char* kFile = ".\\param.ini";

// ---------------------------------------------------------------------------------------
// Reads

TEST(ProfileRead, KeyThatBeginsWithBracketStaysAKey) {
  ScratchStation station;
  station.WriteFile("param.ini",
                    "[Results]\r\n[OB]CE0=12\r\n[RB] = 3\r\n[total]CE=7\r\n[Next]\r\nA=1\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "Results", "[OB]CE0", ""), "12");
  EXPECT_EQ(ReadProfileString(kFile, "Results", "[RB]", ""), "3");
  EXPECT_EQ(ReadProfileString(kFile, "Results", "[total]CE", ""), "7");
  EXPECT_EQ(platform::ReadProfileSectionNames(kFile), (std::vector<std::string>{"Results", "Next"}));
  EXPECT_EQ(ReadProfileString(kFile, "Next", "A", ""), "1");
}

TEST(ProfileRead, HeaderNeedsBracketFirstAndNoEquals) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\n  [a=b]\r\n\t[ Spaced ] trailing\r\nK=v\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "[a", ""), "b]");
  EXPECT_EQ(platform::ReadProfileSectionNames(kFile), (std::vector<std::string>{"S", "Spaced"}));
  EXPECT_EQ(ReadProfileString(kFile, "spaced", "K", ""), "v");
}

TEST(ProfileRead, StringReadsAreCutToBufferSizeMinusOne) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\nName=abcdef\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "Name", "", 4), "abc");
  EXPECT_EQ(ReadProfileString(kFile, "S", "Name", "", 7), "abcdef");
  EXPECT_EQ(ReadProfileString(kFile, "S", "Name", "", 1), "");
  EXPECT_EQ(ReadProfileString(kFile, "S", "Name", "", 0), "");
  EXPECT_EQ(ReadProfileString(kFile, "S", "Missing", "default", 3), "de");
}

TEST(ProfileRead, IntegerReadsTakeLeadingSignedDecimal) {
  ScratchStation station;
  station.WriteFile("param.ini",
                    "[S]\r\nA=12abc\r\nB=-7\r\nC=\r\nD=abc\r\nE= +5 \r\nF=\"34\"\r\nG=99999999999\r\n");
  EXPECT_EQ(ReadProfileInt(kFile, "S", "A", 42), 12);
  EXPECT_EQ(ReadProfileInt(kFile, "S", "B", 42), -7);
  EXPECT_EQ(ReadProfileInt(kFile, "S", "C", 42), 0);
  EXPECT_EQ(ReadProfileInt(kFile, "S", "D", 42), 0);
  EXPECT_EQ(ReadProfileInt(kFile, "S", "E", 42), 5);
  EXPECT_EQ(ReadProfileInt(kFile, "S", "F", 42), 34);
  EXPECT_EQ(ReadProfileInt(kFile, "S", "G", 42), platform::ParseLeadingInt("99999999999"));
  EXPECT_EQ(ReadProfileInt(kFile, "S", "Missing", 42), 42);
  EXPECT_EQ(ReadProfileInt(kFile, "Nowhere", "A", -3), -3);
}

TEST(ProfileRead, FirstOfDuplicateSectionsAndKeysWins) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\nK=first\r\nk=second\r\nOnly=1\r\n[s]\r\nK=third\r\nLater=2\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "first");
  EXPECT_EQ(ReadProfileString(kFile, "S", "Later", "none"), "none");
  EXPECT_EQ(platform::ReadProfileKeys(kFile, "S"), (std::vector<std::string>{"K", "Only"}));
  EXPECT_EQ(platform::ReadProfileSectionNames(kFile), (std::vector<std::string>{"S"}));
  const auto pairs = platform::ReadProfileSection(kFile, "S");
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0], (std::pair<std::string, std::string>{"K", "first"}));
  EXPECT_EQ(pairs[1], (std::pair<std::string, std::string>{"Only", "1"}));
}

TEST(ProfileRead, SectionsAndKeysIgnoreCase) {
  ScratchStation station;
  station.WriteFile("param.ini", "[General Info]\r\nTestStation=MP\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "GENERAL INFO", "teststation", ""), "MP");
  EXPECT_EQ(ReadProfileString(kFile, "general info", "TESTSTATION", ""), "MP");
  EXPECT_TRUE(platform::ProfileSectionExists(kFile, "gEnErAl InFo"));
  EXPECT_FALSE(platform::ProfileSectionExists(kFile, "General"));
}

TEST(ProfileRead, ValuesAreTrimmedAndOnePairOfQuotesRemoved) {
  ScratchStation station;
  station.WriteFile("param.ini",
                    "[S]\r\n A \t=\t \"a b\" \r\nB='x'\r\nC=\"unbalanced\r\nD=\"\"inner\"\"\r\nE=\"mixed'\r\n"
                    "F = a = b \r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "A", ""), "a b");
  EXPECT_EQ(ReadProfileString(kFile, "S", "B", ""), "x");
  EXPECT_EQ(ReadProfileString(kFile, "S", "C", ""), "\"unbalanced");
  EXPECT_EQ(ReadProfileString(kFile, "S", "D", ""), "\"inner\"");
  EXPECT_EQ(ReadProfileString(kFile, "S", "E", ""), "\"mixed'");
  EXPECT_EQ(ReadProfileString(kFile, "S", "F", ""), "a = b");
}

TEST(ProfileRead, MissingFileSectionOrKeyGivesDefaults) {
  ScratchStation station;
  EXPECT_EQ(ReadProfileString(".\\nothing.ini", "S", "K", "dflt"), "dflt");
  EXPECT_EQ(ReadProfileInt(".\\nothing.ini", "S", "K", 9), 9);
  EXPECT_TRUE(platform::ReadProfileKeys(".\\nothing.ini", "S").empty());
  EXPECT_TRUE(platform::ReadProfileSectionNames(".\\nothing.ini").empty());
  station.WriteFile("param.ini", "K=before any section\r\n[S]\r\nK=1\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "T", "K", "dflt"), "dflt");
  EXPECT_EQ(ReadProfileString(kFile, "S", "X", "dflt"), "dflt");
  EXPECT_EQ(ReadProfileString(kFile, "", "K", "dflt"), "dflt");
  // A folder where a file is expected reads as a missing file.
  fs::create_directories(station.Folder() / "folder.ini");
  EXPECT_EQ(ReadProfileString(".\\folder.ini", "S", "K", "dflt"), "dflt");
}

TEST(ProfileRead, SectionLinesComeAsTheyStand) {
  ScratchStation station;
  station.WriteFile("param.ini", "[A]\r\n; note\r\nX = 1 \r\n\r\njunk\n[B]\r\nY=2");
  EXPECT_EQ(platform::ReadProfileSectionLines(kFile, "a"),
            (std::vector<std::string>{"; note", "X = 1 ", "", "junk"}));
  EXPECT_EQ(platform::ReadProfileKeys(kFile, "A"), (std::vector<std::string>{"X"}));
  EXPECT_EQ(platform::ReadProfileSectionLines(kFile, "B"), (std::vector<std::string>{"Y=2"}));
  EXPECT_TRUE(platform::ReadProfileSectionLines(kFile, "C").empty());
}

TEST(ProfileRead, CommentLinesAreNotKeys) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\n;K=commented\r\n  ; L=also\r\nK=real\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "real");
  EXPECT_EQ(ReadProfileString(kFile, "S", ";K", "none"), "none");
  EXPECT_EQ(platform::ReadProfileKeys(kFile, "S"), (std::vector<std::string>{"K"}));
}

TEST(ProfileRead, BinaryJunkLongLinesAndNoFinalLineEndReadSafely) {
  ScratchStation station;
  std::string junk = "\x00\xff\xfe[\x01=\x02\r\r\n\x80\x81]\x00=\n"s;
  junk.append(std::string(1 << 20, 'x'));  // a 1 MB line without "="
  junk += "\r\n[S]\r\n";
  junk += "Long=" + std::string(1 << 20, 'y') + "\r\n";
  junk += "K\0ey=nul\r\n"s;
  junk += "\xa1\xf5=\xa2\x58\r\n";
  junk += "Last=no line end";
  station.WriteFile("param.ini", junk);
  EXPECT_EQ(ReadProfileString(kFile, "S", "Long", "").size(), 1u << 20);
  EXPECT_EQ(ReadProfileString(kFile, "S", "K\0ey"s, ""), "nul");
  EXPECT_EQ(ReadProfileString(kFile, "S", "\xa1\xf5", ""), "\xa2\x58");
  EXPECT_EQ(ReadProfileString(kFile, "S", "Last", ""), "no line end");
  EXPECT_EQ(ReadProfileString(kFile, "S", "Missing", "d"), "d");

  std::string random(64 * 1024, '\0');
  unsigned state = 12345;
  for (char& c : random) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 16);
  }
  station.WriteFile("junk.ini", random);
  EXPECT_EQ(ReadProfileString(".\\junk.ini", "S", "K", "d"), "d");
  platform::ReadProfileSectionNames(".\\junk.ini");  // must simply not crash
  EXPECT_TRUE(WriteProfileString(".\\junk.ini", "S", "K", "v"));
  EXPECT_EQ(ReadProfileString(".\\junk.ini", "S", "K", ""), "v");
  EXPECT_EQ(station.ReadFile("junk.ini").substr(0, random.size()), random);
}

// A file saved with a UTF-8 byte-order mark (as Windows editors may) reads as without it:
// its first section is there, the station's drive settings in Platform.ini among them, and
// every edit keeps the mark.
TEST(ProfileRead, AByteOrderMarkHidesNoSectionAndEditsKeepIt) {
  ScratchStation station;
  const std::string mark = "\xEF\xBB\xBF";
  station.WriteFile("param.ini", mark + "[Device Info]\r\nISP_MPBINCode=MP.bin\r\n[Options]\r\nA=1\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "Device Info", "ISP_MPBINCode", ""), "MP.bin");
  EXPECT_EQ(platform::ReadProfileSectionNames(kFile), (std::vector<std::string>{"Device Info", "Options"}));
  const struct {
    const char* name;
    std::function<bool()> edit;
    std::string after;
  } edits[] = {
      {"a value", [] { return WriteProfileString(kFile, "Device Info", "ISP_MPBINCode", "New.bin"); },
       "[Device Info]\r\nISP_MPBINCode=New.bin\r\n[Options]\r\nA=1\r\n"},
      {"a key deleted", [] { return platform::DeleteProfileKey(kFile, "Options", "A"); },
       "[Device Info]\r\nISP_MPBINCode=New.bin\r\n[Options]\r\n"},
      {"the first section deleted", [] { return platform::DeleteProfileSection(kFile, "Device Info"); },
       "[Options]\r\n"},
  };
  for (const auto& edit : edits) {
    SCOPED_TRACE(edit.name);
    ASSERT_TRUE(edit.edit());
    EXPECT_EQ(station.ReadFile("param.ini"), mark + edit.after);
  }

  station.WriteFile("drives/q/MP_SSD_NODE/AutoMapping.ini", "[S]\r\nK=moved\r\n");
  station.WriteFile("Platform.ini", mark + "[Drives]\r\nC=drives/q\r\n");
  EXPECT_EQ(ReadProfileString("C:\\MP_SSD_NODE\\AutoMapping.ini", "S", "K", ""), "moved");
}

// ---------------------------------------------------------------------------------------
// Writes

TEST(ProfileWrite, ChangesOnlyTheLineOfTheKey) {
  ScratchStation station;
  const std::string before =
      "; header comment\n"
      "[General Info]\r\n"
      "TestStation = RDT\r\n"
      "Name=\xa1\xf5\xa2\x58 big5\n"
      "junk \x01\x02 line\r\n"
      "  spaced  =  kept  \r\n"
      "\r\n"
      "[Other]\n"
      "Last=1";
  station.WriteFile("param.ini", before);
  ASSERT_TRUE(WriteProfileString(kFile, "general info", "teststation", "MP"));
  EXPECT_EQ(station.ReadFile("param.ini"),
            "; header comment\n"
            "[General Info]\r\n"
            "TestStation=MP\r\n"
            "Name=\xa1\xf5\xa2\x58 big5\n"
            "junk \x01\x02 line\r\n"
            "  spaced  =  kept  \r\n"
            "\r\n"
            "[Other]\n"
            "Last=1");
  EXPECT_EQ(ReadProfileString(kFile, "General Info", "TestStation", ""), "MP");
}

TEST(ProfileWrite, NewKeyGoesAfterTheLastLineOfItsSection) {
  ScratchStation station;
  station.WriteFile("param.ini", "[A]\r\nX=1\r\n; tail note\r\n\r\n\r\n[B]\nY=2\n");
  ASSERT_TRUE(WriteProfileString(kFile, "A", "New", "v"));
  ASSERT_TRUE(WriteProfileString(kFile, "B", "Z", "3"));
  EXPECT_EQ(station.ReadFile("param.ini"), "[A]\r\nX=1\r\n; tail note\r\nNew=v\r\n\r\n\r\n[B]\nY=2\nZ=3\r\n");
}

TEST(ProfileWrite, KeyOfEmptySectionGoesRightAfterTheHeader) {
  ScratchStation station;
  station.WriteFile("param.ini", "[A]\r\n\r\n[B]\r\n");
  ASSERT_TRUE(WriteProfileString(kFile, "A", "K", "1"));
  EXPECT_EQ(station.ReadFile("param.ini"), "[A]\r\nK=1\r\n\r\n[B]\r\n");
}

TEST(ProfileWrite, CreatesFileAndSection) {
  ScratchStation station;
  ASSERT_TRUE(WriteProfileString(".\\fresh.ini", "First", "K", "v"));
  EXPECT_EQ(station.ReadFile("fresh.ini"), "[First]\r\nK=v\r\n");

  station.WriteFile("param.ini", "[A]\r\nX=1");  // no final line end
  ASSERT_TRUE(WriteProfileString(kFile, "B", "Y", "2"));
  EXPECT_EQ(station.ReadFile("param.ini"), "[A]\r\nX=1\r\n[B]\r\nY=2\r\n");
}

TEST(ProfileWrite, FailsWithoutChangeWhenFolderIsMissingOrFileReadOnly) {
  ScratchStation station;
  EXPECT_FALSE(WriteProfileString(".\\no\\such\\folder.ini", "S", "K", "v"));
  EXPECT_FALSE(fs::exists(station.Folder() / "no"));

  station.WriteFile("param.ini", "[S]\r\nK=old\r\n");
  fs::permissions(station.Folder() / "param.ini",
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(WriteProfileString(kFile, "S", "K", "new"));
  EXPECT_EQ(station.ReadFile("param.ini"), "[S]\r\nK=old\r\n");
}

TEST(ProfileWrite, RefusesTextThatWouldNotReadBack) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\nK=old\r\n");
  EXPECT_FALSE(WriteProfileString(kFile, "S", "K", "two\r\n[Injected]\r\nX=1"));
  EXPECT_FALSE(WriteProfileString(kFile, "S", "A=B", "v"));
  EXPECT_FALSE(WriteProfileString(kFile, "S", "", "v"));
  EXPECT_FALSE(WriteProfileString(kFile, "S", ";K", "v"));
  EXPECT_FALSE(WriteProfileString(kFile, "S]x", "K", "v"));
  EXPECT_FALSE(WriteProfileString(kFile, "S\n", "K", "v"));
  EXPECT_FALSE(platform::WriteProfileSection(kFile, "S", {"A=1\r\nB=2"}));
  EXPECT_EQ(station.ReadFile("param.ini"), "[S]\r\nK=old\r\n");
}

TEST(ProfileWrite, KeyThatBeginsWithBracketIsWrittenAsAKey) {
  ScratchStation station;
  ASSERT_TRUE(WriteProfileString(kFile, "List", "[OB]CE0", "5"));
  ASSERT_TRUE(WriteProfileString(kFile, "List", "[RB]CE0", "6"));
  EXPECT_EQ(station.ReadFile("param.ini"), "[List]\r\n[OB]CE0=5\r\n[RB]CE0=6\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "List", "[OB]CE0", ""), "5");
}

TEST(ProfileWrite, IntegersAreWrittenInDecimal) {
  ScratchStation station;
  ASSERT_TRUE(platform::WriteProfileInt(kFile, "S", "N", -120));
  EXPECT_EQ(station.ReadFile("param.ini"), "[S]\r\nN=-120\r\n");
  EXPECT_EQ(ReadProfileInt(kFile, "S", "N", 0), -120);
}

TEST(ProfileWrite, DeleteKeyRemovesEveryLineOfItInTheSection) {
  ScratchStation station;
  station.WriteFile("param.ini", "[A]\r\nK=1\nX=2\r\nk=3\r\n[B]\r\nK=4\r\n");
  ASSERT_TRUE(platform::DeleteProfileKey(kFile, "a", "K"));
  EXPECT_EQ(station.ReadFile("param.ini"), "[A]\r\nX=2\r\n[B]\r\nK=4\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "A", "K", "gone"), "gone");
  // Deleting what is not there succeeds and leaves the file alone.
  ASSERT_TRUE(platform::DeleteProfileKey(kFile, "A", "Missing"));
  ASSERT_TRUE(platform::DeleteProfileKey(kFile, "Missing", "K"));
  ASSERT_TRUE(platform::DeleteProfileKey(".\\nofile.ini", "A", "K"));
  EXPECT_FALSE(fs::exists(station.Folder() / "nofile.ini"));
  EXPECT_EQ(station.ReadFile("param.ini"), "[A]\r\nX=2\r\n[B]\r\nK=4\r\n");
}

TEST(ProfileWrite, DeleteSectionRemovesHeaderAndBodyOfEveryCopy) {
  ScratchStation station;
  station.WriteFile("param.ini", "top=1\r\n[A]\r\nX=1\r\n\r\n[B]\nY=2\n[a]\r\nZ=3\r\n[C]\r\nW=4");
  ASSERT_TRUE(platform::DeleteProfileSection(kFile, "A"));
  EXPECT_EQ(station.ReadFile("param.ini"), "top=1\r\n[B]\nY=2\n[C]\r\nW=4");
  EXPECT_FALSE(platform::ProfileSectionExists(kFile, "A"));
  ASSERT_TRUE(platform::DeleteProfileSection(kFile, "C"));
  EXPECT_EQ(station.ReadFile("param.ini"), "top=1\r\n[B]\nY=2\n");
}

TEST(ProfileWrite, WriteSectionReplacesTheBody) {
  ScratchStation station;
  station.WriteFile("param.ini", "[A]\r\nOld=1\r\n; c\r\n\r\n[B]\r\nY=2\r\n");
  ASSERT_TRUE(platform::WriteProfileSection(kFile, "A", {"N1=a", "N2=b"}));
  EXPECT_EQ(station.ReadFile("param.ini"), "[A]\r\nN1=a\r\nN2=b\r\n\r\n[B]\r\nY=2\r\n");
  ASSERT_TRUE(platform::WriteProfileSection(kFile, "New", {"K=v"}));
  EXPECT_EQ(station.ReadFile("param.ini"), "[A]\r\nN1=a\r\nN2=b\r\n\r\n[B]\r\nY=2\r\n[New]\r\nK=v\r\n");
  EXPECT_EQ(platform::ReadProfileKeys(kFile, "A"), (std::vector<std::string>{"N1", "N2"}));
}

TEST(ProfileWrite, LeavesNoTemporaryFilesAndKeepsTheMode) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\n");
  fs::permissions(station.Folder() / "param.ini", fs::perms::owner_read | fs::perms::owner_write);
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(platform::WriteProfileInt(kFile, "S", "K", i));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(station.Folder())) names.push_back(entry.path().filename());
  EXPECT_EQ(names, (std::vector<std::string>{"param.ini"}));
  EXPECT_EQ(fs::status(station.Folder() / "param.ini").permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

// ---------------------------------------------------------------------------------------
// The parse cache

TEST(ProfileCache, SeesAFileRewrittenInPlaceWithTheSameSize) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\nK=1\r\n");
  const fs::path native = station.Folder() / "param.ini";
  const auto firstTime = fs::last_write_time(native);
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "1");
  {
    std::fstream out(native, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(7);
    out.put('2');
  }
  fs::last_write_time(native, firstTime);  // same size, same modification time
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "2");
}

TEST(ProfileCache, SeesAFileReplacedByRename) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\nK=1\r\n");
  const fs::path native = station.Folder() / "param.ini";
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "1");
  station.WriteFile("other.ini", "[S]\r\nK=3\r\n");
  fs::last_write_time(station.Folder() / "other.ini", fs::last_write_time(native));
  fs::rename(station.Folder() / "other.ini", native);
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "3");
}

TEST(ProfileCache, SeesAFileThatAppearsAndDisappears) {
  ScratchStation station;
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", "none"), "none");
  station.WriteFile("param.ini", "[S]\r\nK=1\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", "none"), "1");
  fs::remove(station.Folder() / "param.ini");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", "none"), "none");
}

TEST(ProfileCache, SeesAnOldFileChangedLongAfterItWasRead) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\nK=1\r\n");
  const fs::path native = station.Folder() / "param.ini";
  fs::last_write_time(native, fs::file_time_type::clock::now() - std::chrono::hours(1));
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "1");  // cached and trusted from now on
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "1");
  station.WriteFile("param.ini", "[S]\r\nK=2\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "2");
}

// ---------------------------------------------------------------------------------------
// Threads

TEST(ProfileThreads, WritersOfDifferentKeysLoseNone) {
  ScratchStation station;
  station.WriteFile("param.ini", "[Fixed]\r\nValue=kept\r\n");
  constexpr int kThreads = 24;
  constexpr int kKeysEach = 12;
  std::atomic<bool> writing{true};
  std::atomic<int> badReads{0};
  std::thread reader([&] {
    while (writing.load()) {
      if (ReadProfileString(kFile, "Fixed", "Value", "") != "kept") badReads.fetch_add(1);
    }
  });
  std::vector<std::thread> writers;
  std::atomic<int> failedWrites{0};
  for (int thread = 0; thread < kThreads; ++thread) {
    writers.emplace_back([thread, &failedWrites] {
      for (int key = 0; key < kKeysEach; ++key) {
        const std::string section = platform::Format("Port%d", thread % 4);
        if (!platform::WriteProfileInt(kFile, section, platform::Format("T%dK%d", thread, key), thread * 100 + key)) {
          failedWrites.fetch_add(1);
        }
      }
    });
  }
  for (auto& writer : writers) writer.join();
  writing = false;
  reader.join();
  EXPECT_EQ(failedWrites.load(), 0);
  EXPECT_EQ(badReads.load(), 0);
  for (int thread = 0; thread < kThreads; ++thread) {
    for (int key = 0; key < kKeysEach; ++key) {
      EXPECT_EQ(ReadProfileInt(kFile, platform::Format("Port%d", thread % 4),
                               platform::Format("T%dK%d", thread, key), -1),
                thread * 100 + key);
    }
  }
  EXPECT_EQ(ReadProfileString(kFile, "Fixed", "Value", ""), "kept");
}

}  // namespace

namespace {

TEST(ProfileRead, TheLineOfAKeyIsTheLineThatCounts) {
  ScratchStation station;
  station.WriteFile("param.ini", "; settings\r\n[Device]\r\nTransport=usb\r\n\r\n[device]\r\nTransport=sim\r\n"
                                 "[Time]\r\nscale = 9\r\nScale=1\r\n");
  EXPECT_EQ(platform::ReadProfileKeyLine(kFile, "DEVICE", "transport"), 3u);
  EXPECT_EQ(platform::ReadProfileKeyLine(kFile, "Time", "Scale"), 8u);
  EXPECT_EQ(platform::ReadProfileKeyLine(kFile, "Time", "Missing"), 0u);
  EXPECT_EQ(platform::ReadProfileKeyLine(".\\missing.ini", "Time", "Scale"), 0u);
}

TEST(IniLines, EveryLineIsClassedWithItsNumberAndSection) {
  const platform::IniDocument document("; c\r\n\r\nkey=before\r\n[A]\r\nx = 1\r\njunk\r\n =v\r\n[B] tail\r\n");
  const auto lines = document.Lines();
  using Kind = platform::IniDocument::LineKind;
  ASSERT_EQ(lines.size(), 8u);
  const Kind kinds[] = {Kind::Comment, Kind::Blank, Kind::Key, Kind::Header,
                        Kind::Key,     Kind::Other, Kind::Other, Kind::Header};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].number, i + 1);
    EXPECT_EQ(lines[i].kind, kinds[i]) << i;
  }
  EXPECT_EQ(lines[2].section, "");
  EXPECT_EQ(lines[4].section, "A");
  EXPECT_EQ(lines[4].name, "x");
  EXPECT_EQ(lines[4].value, "1");
  EXPECT_EQ(lines[7].name, "B");
  EXPECT_EQ(lines[7].text, "[B] tail");
  EXPECT_EQ(document.LineOfKey("a", "X"), 5u);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The parse cache: changes on the way to a file, and changes by other writers

namespace {

TEST(ProfileCache, SeesAnotherSpellingOfTheFileOnceTheExactOneIsGone) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\nK=exact\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "exact");
  station.WriteFile("PARAM.INI", "[S]\r\nK=upper\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "exact");  // the exact name still wins
  fs::remove(station.Folder() / "param.ini");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "upper");
}

TEST(ProfileCache, SeesAFolderOnTheWayReplaced) {
  ScratchStation station;
  constexpr const char* kDeep = ".\\Configuration\\System\\MPToolSetting.ini";
  station.WriteFile("Configuration/System/MPToolSetting.ini", "[S]\r\nK=old\r\n");
  EXPECT_EQ(ReadProfileString(kDeep, "S", "K", ""), "old");
  station.WriteFile("Other/System/MPToolSetting.ini", "[S]\r\nK=new\r\n");
  fs::rename(station.Folder() / "Configuration", station.Folder() / "Previous");
  EXPECT_EQ(ReadProfileString(kDeep, "S", "K", "none"), "none");
  fs::rename(station.Folder() / "Other", station.Folder() / "configuration");  // matched without regard to case
  EXPECT_EQ(ReadProfileString(kDeep, "S", "K", ""), "new");
}

TEST(ProfileCache, SeesADriveMovedByThePlatformSettings) {
  ScratchStation station;
  constexpr const char* kOnDrive = "C:\\MP_SSD_NODE\\AutoMapping.ini";
  station.WriteFile("drives/c/MP_SSD_NODE/AutoMapping.ini", "[S]\r\nK=default root\r\n");
  station.WriteFile("elsewhere/MP_SSD_NODE/AutoMapping.ini", "[S]\r\nK=configured root\r\n");
  EXPECT_EQ(ReadProfileString(kOnDrive, "S", "K", ""), "default root");
  station.WriteFile("Platform.ini", "[Drives]\r\nC=elsewhere\r\n");
  EXPECT_EQ(ReadProfileString(kOnDrive, "S", "K", ""), "configured root");
}

TEST(ProfileCache, SeesAChangeMadeThroughAnotherNameOfTheFile) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\nK=1\r\n");
  fs::create_directories(station.Folder() / "links");
  fs::create_hard_link(station.Folder() / "param.ini", station.Folder() / "links" / "same.ini");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "1");
  {
    std::fstream out(station.Folder() / "links" / "same.ini", std::ios::in | std::ios::out | std::ios::binary);
    out.seekp(7);
    out.put('5');
  }
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "5");
}

TEST(ProfileCache, AStationFolderSetAgainReadsItsOwnFiles) {
  ScratchStation first;
  first.WriteFile("param.ini", "[S]\r\nK=first\r\n");
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "first");
  {
    ScratchStation second;
    second.WriteFile("param.ini", "[S]\r\nK=second\r\n");
    EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "second");
  }
  EXPECT_EQ(ReadProfileString(kFile, "S", "K", ""), "first");
}

// Another writer (as another program would) replaces the file again and again; every read
// made after a write has finished sees that write or a later one, on every thread.
TEST(ProfileThreads, EveryReaderSeesAWriteAsSoonAsItIsMade) {
  ScratchStation station;
  station.WriteFile("param.ini", "[S]\r\nK=0\r\n");
  constexpr int kWrites = 300;
  constexpr int kReaders = 6;
  std::atomic<int> written{0};
  std::atomic<bool> done{false};
  std::atomic<int> stale{0};
  std::vector<std::thread> readers;
  for (int reader = 0; reader < kReaders; ++reader) {
    readers.emplace_back([&] {
      while (!done.load()) {
        const int before = written.load();
        if (ReadProfileInt(kFile, "S", "K", -1) < before) stale.fetch_add(1);
      }
    });
  }
  for (int value = 1; value <= kWrites; ++value) {
    station.WriteFile("param.tmp", "[S]\r\nK=" + std::to_string(value) + "\r\n");
    fs::rename(station.Folder() / "param.tmp", station.Folder() / "param.ini");
    written.store(value);
  }
  done = true;
  for (auto& reader : readers) reader.join();
  EXPECT_EQ(stale.load(), 0);
  EXPECT_EQ(ReadProfileInt(kFile, "S", "K", -1), kWrites);
}

// ---------------------------------------------------------------------------------------
// Several values from one parse

TEST(ProfileWrite, SeveralValuesGiveTheBytesOfWritingThemOneByOne) {
  const std::string start =
      "; head\r\n[A]\r\nOne=1\r\n\r\n[B]\r\nTwo = 2\r\n[a]\r\nOne=shadowed\r\nLast=no line end";
  struct Edit {
    const char* section;
    const char* key;
    const char* value;
  };
  const std::vector<std::vector<Edit>> batches = {
      {{"A", "One", "10"}, {"B", "two", "20"}},
      {{"A", "New", "n"}, {"a", "NEW", "again"}, {"A", "Other", "o"}},
      {{"C", "k", "1"}, {"D", "k", "2"}, {"c", "K", "3"}, {"c", "second", "4"}},
      {{"a", "Last", "ended"}, {"B", "Three", "3"}},
      {{"A", "One", "1"}},  // nothing changes
  };
  for (const auto& batch : batches) {
    ScratchStation oneByOne;
    oneByOne.WriteFile("param.ini", start);
    for (const Edit& edit : batch) ASSERT_TRUE(WriteProfileString(kFile, edit.section, edit.key, edit.value));
    const std::string expected = oneByOne.ReadFile("param.ini");
    ScratchStation together;
    together.WriteFile("param.ini", start);
    std::vector<platform::ProfileValue> values;
    for (const Edit& edit : batch) values.push_back({edit.section, edit.key, edit.value});
    ASSERT_TRUE(platform::WriteProfileStrings(kFile, values));
    EXPECT_EQ(together.ReadFile("param.ini"), expected);
  }
}

TEST(ProfileWrite, AnUpdateWritesValuesMadeFromTheFileAsItStands) {
  ScratchStation station;
  station.WriteFile("param.ini", "[Count]\r\nRuns=41\r\n");
  std::string next;
  ASSERT_TRUE(platform::UpdateProfileStrings(kFile, [&](const platform::IniDocument& file) {
    next = std::to_string(platform::ParseLeadingInt(file.Value("Count", "Runs").value_or("0")) + 1);
    return std::vector<platform::ProfileValue>{{"Count", "Runs", next}, {"Count", "Last", "yes"}};
  }));
  EXPECT_EQ(station.ReadFile("param.ini"), "[Count]\r\nRuns=42\r\nLast=yes\r\n");
  // A value that could not be read back is refused, and nothing changes.
  EXPECT_FALSE(platform::UpdateProfileStrings(kFile, [](const platform::IniDocument&) {
    return std::vector<platform::ProfileValue>{{"Count", "Runs", "1"}, {"Count", "Bad=Key", "2"}};
  }));
  EXPECT_EQ(station.ReadFile("param.ini"), "[Count]\r\nRuns=42\r\nLast=yes\r\n");
}

}  // namespace
