// The bad-block-table page, headless: its controls and layout, what it sets up when it opens,
// the buttons before a drive is chosen, the drive a typed port gives them, the log folders of
// its workers, a drive another page's worker holds, Open file and the companion text file.
#include <filesystem>
#include <span>

#include "BbtPageFixture.h"
#include "pages/DriveRequestLog.h"
#include "pages/bbt/BbtPageLayout.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace bbttest {
namespace {

namespace ids = bbt_ids;

TEST_F(BbtPageTest, TheControlsAreBoundToTheirTemplateItems) {
  Open();
  EXPECT_EQ(page.GetTitle(), "Dialog");
  EXPECT_EQ(page.GetDlgItem(ids::kDisk), &page.DiskCombo());
  EXPECT_EQ(page.GetDlgItem(ids::kGetBbt), &page.GetBbtButton());
  EXPECT_EQ(page.GetDlgItem(ids::kWriteBbt), &page.WriteBbtButton());
  EXPECT_EQ(page.GetDlgItem(ids::kEraseAll), &page.EraseAllButton());
  EXPECT_EQ(page.GetDlgItem(ids::kOpenFile), &page.OpenFileButton());
  EXPECT_EQ(page.GetDlgItem(ids::kTvBbt), &page.TvBbtBox());
  EXPECT_EQ(page.GetDlgItem(ids::kStatus), &page.StatusBox());
  EXPECT_EQ(page.GetDlgItem(ids::kProgress), &page.Progress());
  EXPECT_EQ(page.GetDlgItem(ids::kFileLines), &page.FileLines());
  EXPECT_EQ(page.GetDlgItemText(ids::kDiskLabel), "Disk :");
  EXPECT_EQ(page.GetBbtButton().GetWindowText(), "Get BBT");
  EXPECT_EQ(page.WriteBbtButton().GetWindowText(), "Write BBT");
  EXPECT_EQ(page.EraseAllButton().GetWindowText(), "Erase All");
  EXPECT_EQ(page.OpenFileButton().GetWindowText(), "Open file");
  EXPECT_EQ(page.TvBbtBox().GetWindowText(), "TV BBT");
  EXPECT_EQ(page.DiskCombo().GetStyle() & (ui::CBS_TYPEMASK | ui::CBS_SORT), ui::CBS_DROPDOWN | ui::CBS_SORT);
  EXPECT_TRUE(page.StatusBox().IsReadOnly());
  EXPECT_EQ(page.StatusBox().GetTextColor(), ui::RGB(0, 0, 0));
  EXPECT_EQ(page.StatusBox().GetBkColor(), ui::RGB(255, 255, 255));
  // Every control but the list sits in the band above it.
  for (int id : {ids::kDiskLabel, ids::kDisk, ids::kGetBbt, ids::kWriteBbt, ids::kEraseAll, ids::kOpenFile, ids::kTvBbt,
                 ids::kStatus, ids::kProgress}) {
    const ui::CRect rect = page.GetDlgItem(id)->GetWindowRect();
    EXPECT_LE(rect.top + (id == ids::kDisk ? 28 : rect.Height()), CPropertyPage_DBT::kListTop) << id;
  }
}

TEST_F(BbtPageTest, OpeningChecksTvBbtMakesTheBbtFolderAndSetsTheListUp) {
  Open();
  EXPECT_EQ(page.TvBbtBox().GetCheck(), ui::BST_CHECKED);
  EXPECT_TRUE(std::filesystem::is_directory(test.station.Folder() / "Configuration" / "BBT"));
  EXPECT_EQ(page.FileLines().GetHorizontalExtent(), 256);
  ASSERT_TRUE(page.FileLines().GetFont());
  EXPECT_EQ(page.FileLines().GetFont()->lfHeight, 15);
  EXPECT_EQ(page.FileLines().GetFont()->lfWeight, 0);
  EXPECT_EQ(page.FileLines().GetFont()->lfFaceName, "Courier New");
  EXPECT_EQ(page.DiskCombo().GetCount(), 0);
  EXPECT_EQ(page.SelectedDevice(), CDiskSelectCombo::kNoDevice);
}

TEST_F(BbtPageTest, TheListFillsThePageBelowTheControlsOnceTheDialogExists) {
  page.OnSize(0, 800, 400);  // before the dialog exists: nothing to lay out
  Open();
  const ui::CRect client = page.GetClientRect();
  EXPECT_EQ(page.FileLines().GetWindowRect(),
            ui::CRect::FromSize(10, 50, client.Width() - 20, client.Height() - 60));
  page.MoveWindow(0, 0, 800, 400);
  EXPECT_EQ(page.FileLines().GetWindowRect(), ui::CRect::FromSize(10, 50, 780, 340));
  EXPECT_EQ(page.Children().front(), &page.FileLines());
}

TEST_F(BbtPageTest, ButtonsBeforeADriveIsChosenOnlyClearTheDisplay) {
  Open();
  for (ui::CButton* button : {&page.GetBbtButton(), &page.WriteBbtButton(), &page.EraseAllButton()}) {
    page.Progress().SetPos(40);
    page.StatusBox().SetWindowText("old verdict");
    page.FileLines().AddString("old line");
    button->Click();
    EXPECT_FALSE(page.IsWorking());
    EXPECT_EQ(page.Progress().GetPos(), 0);
    EXPECT_EQ(Status(), "");
    EXPECT_EQ(page.FileLines().GetCount(), 0);
    EXPECT_TRUE(button->IsWindowEnabled());
  }
  EXPECT_TRUE(test.host.FileDialogs().empty());
}

TEST_F(BbtPageTest, EraseAllLogsUnderEaAndTheTableWorkUnderQc) {
  test.SetKey(".\\param.ini", "General Info", "WorkingNo", "WO7");
  Open();
  Choose(2);
  Press(page.EraseAllButton());
  EXPECT_EQ(page.LogFolder().substr(page.LogFolder().size() - 3), "\\EA");
  EXPECT_EQ(page.LogFolder().rfind(".\\WO7_", 0), 0u) << page.LogFolder();
  EXPECT_NE(Report(2).find("START"), std::string::npos);
  Replug(2);
  test.host.AnswerNextFileDialog(std::nullopt);
  Press(page.GetBbtButton());
  EXPECT_EQ(page.LogFolder().substr(page.LogFolder().size() - 3), "\\QC");
  EXPECT_NE(Report(2).find("START"), std::string::npos);
}

TEST_F(BbtPageTest, WithoutAWorkNumberTheLogFolderStartsWithAnUnderscore) {
  test.SetKey(".\\param.ini", "General Info", "WorkingNo", "");
  Open();
  Choose(1);
  test.host.AnswerNextFileDialog(std::nullopt);
  Press(page.GetBbtButton());
  EXPECT_EQ(page.LogFolder().rfind(".\\_", 0), 0u) << page.LogFolder();
}

TEST_F(BbtPageTest, ADriveAnotherPagesWorkerHoldsIsRefusedWithAStatusText) {
  Open();
  Choose(3);
  {
    CDiskClaim held = CDiskClaim::Take(page.SelectedDevice(), "RDT result page");
    ASSERT_TRUE(held);
    page.EraseAllButton().Click();
    EXPECT_FALSE(page.IsWorking());
    EXPECT_EQ(Status(), "Disk 3 is in use by the RDT result page, please wait!!");
    EXPECT_TRUE(page.EraseAllButton().IsWindowEnabled());
    EXPECT_TRUE(page.DiskCombo().IsWindowEnabled());
  }
  // Given back, the drive is this page's while its worker runs, and free again afterwards.
  Press(page.EraseAllButton());
  EXPECT_EQ(Status(), "Pass, please re-plug in!!");
  EXPECT_EQ(DiskClaimHolder(page.SelectedDevice()), "");
}

// What "Disk :" shows is what the drive buttons act on: a listed port typed over the port
// chosen in the list is the drive they reach and the slot they write; any other text reaches
// no drive.
TEST_F(BbtPageTest, TheDriveButtonsActOnThePortTheFieldShows) {
  struct Case {
    const char* typed;
    ui::CButton& (CPropertyPage_DBT::*button)();
    int reached;  // 0: none
  };
  const Case cases[] = {
      {"2", &CPropertyPage_DBT::GetBbtButton, 2},
      {" 3 ", &CPropertyPage_DBT::WriteBbtButton, 3},
      {"77", &CPropertyPage_DBT::EraseAllButton, 0},
      {"1x", &CPropertyPage_DBT::GetBbtButton, 0},
  };
  Open();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("typed '") + c.typed + "'");
    Choose(1);
    page.DiskCombo().UserEditText(c.typed);
    const auto log = pagestest::DriveRequestLog::Install();
    Press((page.*c.button)());
    EXPECT_EQ(log->RequestsTo(1), 0);
    if (c.reached != 0) {
      EXPECT_GT(log->RequestsTo(c.reached), 0);
      EXPECT_EQ(page.PortNumber(), c.reached);
    } else {
      EXPECT_EQ(log->Requests(), 0u);
      EXPECT_EQ(Status(), "");
    }
    EXPECT_EQ(page.DiskCombo().GetWindowText(), c.typed);
  }
}

// Only a text that is a listed port's number, with blanks and tabs at both ends removed, names a
// port: no number read from the text, no prefix of an item, and an empty field never the first
// port. Typed over port 1 (over port 12 where ports 12 to 15 are listed), Get BBT and Erase All
// reach the named port's drive or none.
TEST_F(BbtPageTest, OnlyAListedPortsNumberReachesADrive) {
  struct Case {
    const char* what;
    std::string typed;
    int reached;  // the drive; 0: none
  };
  const Case ports1To4[] = {
      {"empty", "", 0},          {"zero", "0", 0},          {"a leading zero", "03", 0},
      {"a sign", "+3", 0},       {"a letter after", "3a", 0}, {"two numbers", "3 4", 0},
      {"negative", "-1", 0},     {"a full-width digit", platform::Utf8ToCp950("\xEF\xBC\x93"), 0},
      {"blanks and tabs", " \t3\t ", 3},
  };
  // Ports 1 to 11 belong to drives that have gone: the four drives take ports 12 to 15.
  const Case ports12To15[] = {{"a prefix of 12", "1", 0}, {"port 13", "13", 2}};
  std::string goneDrives;
  for (int section = 0; section < 11; ++section) {
    goneDrives += "[Port" + std::to_string(section) + "]\r\nPortNode=HUB\\GONE" + std::to_string(section) + "\r\n";
  }
  const struct {
    std::span<const Case> cases;
    int mappingType;
    std::string mapping;
    int chosen;
  } listings[] = {{ports1To4, kMappingNone, "", 1}, {ports12To15, kMappingByDriveNumber, goneDrives, 12}};
  Open();
  for (const auto& listing : listings) {
    test.station.WriteFile("drives/c/MP_SSD_NODE/AutoMapping.ini", listing.mapping);
    platform::FlushProfileCache();
    g_MappingType.store(listing.mappingType);
    for (const Case& c : listing.cases) {
      for (ui::CButton* button : {&page.GetBbtButton(), &page.EraseAllButton()}) {
        SCOPED_TRACE(std::string(c.what) + ", " + button->GetWindowText());
        ASSERT_NO_FATAL_FAILURE(Choose(listing.chosen));
        page.DiskCombo().UserEditText(c.typed);
        const auto log = pagestest::DriveRequestLog::Install();
        Press(*button);
        if (c.reached != 0) {
          EXPECT_GT(log->RequestsTo(c.reached), 0);
          EXPECT_EQ(log->Requests(), static_cast<std::size_t>(log->RequestsTo(c.reached)));
        } else {
          EXPECT_EQ(log->Requests(), 0u);
          EXPECT_EQ(Status(), "");
        }
      }
    }
  }
}

// A port typed on a page that has never listed its ports is looked for in a fresh listing:
// typing alone sends nothing to a drive and keeps the text, Get BBT reads the typed port's drive.
TEST_F(BbtPageTest, APortTypedBeforeTheListWasEverOpenedReachesItsDrive) {
  Open();
  const auto log = pagestest::DriveRequestLog::Install();
  page.DiskCombo().UserEditText("2");
  EXPECT_EQ(log->Requests(), 0u);
  EXPECT_EQ(page.DiskCombo().GetWindowText(), "2");
  Press(page.GetBbtButton());
  EXPECT_GT(log->RequestsTo(2), 0);
  EXPECT_EQ(log->RequestsTo(1), 0);
  EXPECT_EQ(log->RequestsTo(3), 0);
  EXPECT_EQ(page.PortNumber(), 2);
}

TEST_F(BbtPageTest, TheControlsStayDisabledWhileAWorkerRunsAndComeBackAfterIt) {
  Open();
  Choose(1);
  // The worker waits for the file dialog, which only the pumping thread answers.
  test.host.AnswerNextFileDialog(std::nullopt);
  page.GetBbtButton().Click();
  ASSERT_TRUE(page.IsWorking());
  for (ui::CWnd* control : std::initializer_list<ui::CWnd*>{&page.DiskCombo(), &page.GetBbtButton(),
                                                            &page.WriteBbtButton(), &page.EraseAllButton(),
                                                            &page.OpenFileButton()}) {
    EXPECT_FALSE(control->IsWindowEnabled());
  }
  EXPECT_EQ(DiskClaimHolder(page.SelectedDevice()), CPropertyPage_DBT::kClaimOwner);
  EXPECT_FALSE(page.OnQueryCancel());
  ASSERT_TRUE(test.PumpUntil([&] { return !page.IsWorking(); }));
  EXPECT_TRUE(page.OnQueryCancel());
  for (ui::CWnd* control : std::initializer_list<ui::CWnd*>{&page.DiskCombo(), &page.GetBbtButton(),
                                                            &page.WriteBbtButton(), &page.EraseAllButton(),
                                                            &page.OpenFileButton()}) {
    EXPECT_TRUE(control->IsWindowEnabled());
  }
  EXPECT_EQ(page.Engine(), nullptr);
}

TEST_F(BbtPageTest, OpenFileOpensAnExistingTextFileWithTheShell) {
  Open();
  test.station.WriteFile("notes.txt", "hello\r\n");
  test.host.AnswerNextFileDialog(std::string("notes.txt"));
  page.OpenFileButton().Click();
  ASSERT_EQ(test.host.FileDialogs().size(), 1u);
  const ui::FileDialogRequest request = test.host.FileDialogs()[0];
  EXPECT_FALSE(request.open);
  EXPECT_EQ(request.defaultExtension, "txt");
  ASSERT_EQ(request.filters.size(), 1u);
  EXPECT_EQ(request.filters[0].name, "(*.txt)");
  EXPECT_EQ(request.flags & (ui::OFN_HIDEREADONLY | ui::OFN_NOCHANGEDIR), ui::OFN_HIDEREADONLY | ui::OFN_NOCHANGEDIR);
  ASSERT_EQ(test.host.ShellRequests().size(), 1u);
  EXPECT_EQ(test.host.ShellRequests()[0].verb, "open");
  EXPECT_EQ(test.host.ShellRequests()[0].path, "notes.txt");
  EXPECT_TRUE(test.host.MessageBoxes().empty());
}

TEST_F(BbtPageTest, AnOpenThatCannotStartNamesTheFile) {
  Open();
  test.station.WriteFile("notes.txt", "hello\r\n");
  test.host.SetShellResult(false);
  test.host.AnswerNextFileDialog(std::string("notes.txt"));
  page.OpenFileButton().Click();
  ASSERT_EQ(test.host.MessageBoxes().size(), 1u);
  const std::string text = test.host.MessageBoxes()[0].text;
  EXPECT_EQ(text.rfind((test.station.Folder() / "notes.txt").string() + " could not be opened: no program", 0), 0u)
      << text;
  EXPECT_NE(text.find("xdg-utils"), std::string::npos) << text;
}

TEST_F(BbtPageTest, OpenFileOnAMissingFileOrACancelledDialogSaysSo) {
  Open();
  test.host.AnswerNextFileDialog(std::string("missing.txt"));
  page.OpenFileButton().Click();
  test.host.AnswerNextFileDialog(std::nullopt);
  page.OpenFileButton().Click();
  ASSERT_EQ(test.host.MessageBoxes().size(), 2u);
  EXPECT_EQ(test.host.MessageBoxes()[0].text, "File is not exist.");
  EXPECT_EQ(test.host.MessageBoxes()[1].text, "File is not exist.");
  EXPECT_TRUE(test.host.ShellRequests().empty());
}

TEST_F(BbtPageTest, TheCompanionOfAnImageIsTheTextFileOfItsName) {
  Open();
  test.station.WriteFile("table.txt", "[Bad Block File]\r\nCE Count=4   \r\n");
  page.FileLines().AddString("shown before");
  page.ShowCompanionTextFile("table.sot");
  EXPECT_EQ(ListedLines(), (std::vector<std::string>{"[Bad Block File]", "CE Count=4"}));
  // Without a companion the list keeps what it shows.
  page.ShowCompanionTextFile("other.sot");
  page.ShowCompanionTextFile("ab");
  page.ShowCompanionTextFile("");
  EXPECT_EQ(ListedLines(), (std::vector<std::string>{"[Bad Block File]", "CE Count=4"}));
}

}  // namespace
}  // namespace bbttest
