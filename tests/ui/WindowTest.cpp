// Windows, buttons, progress bars, dialog units and the property sheet.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/Button.h"
#include "ui/DialogUnits.h"
#include "ui/ProgressCtrl.h"
#include "ui/PropertySheet.h"

namespace {

TEST(DialogUnits, SystemFontUnitsAreTwoPixelsEachWay) {
  const ui::DialogBaseUnits system = ui::BaseUnitsFor(ui::DialogFont{"System", 10});
  EXPECT_EQ(system.x, 8);
  EXPECT_EQ(system.y, 16);
  EXPECT_EQ(ui::MapDialogRect(system, 43, 4, 45, 12), ui::CRect(86, 8, 176, 32));
  EXPECT_EQ(ui::DialogUnitsToPixelsX(system, 701), 1402);
  const ui::DialogBaseUnits times = ui::BaseUnitsFor(ui::DialogFont{"Times New Roman", 11});
  EXPECT_EQ(ui::DialogUnitsToPixelsX(times, 41), 72);  // 41 x 7 / 4 = 71.75, rounded
  EXPECT_EQ(ui::MulDiv(5, 3, 2), 8);
  EXPECT_EQ(ui::MulDiv(-5, 3, 2), -8);
  EXPECT_EQ(ui::MulDiv(1, 1, 0), -1);
}

class ClickLog : public ui::CWnd {
 public:
  bool OnCommand(int id, int code) override {
    clicks.push_back({id, code});
    return true;
  }
  std::vector<std::pair<int, int>> clicks;
};

TEST(Button, ClicksFollowTheStyleAndNeedAnEnabledVisibleButton) {
  ClickLog page;
  page.Create(ui::WS_VISIBLE, ui::CRect(), nullptr, 0);
  ui::CButton check, radioA, radioB, radioC, push;
  check.Create(ui::WS_VISIBLE | ui::BS_AUTOCHECKBOX, ui::CRect(), &page, 1846);
  radioA.Create(ui::WS_VISIBLE | ui::WS_GROUP | ui::BS_AUTORADIOBUTTON, ui::CRect(), &page, 10);
  radioB.Create(ui::WS_VISIBLE | ui::BS_AUTORADIOBUTTON, ui::CRect(), &page, 11);
  radioC.Create(ui::WS_VISIBLE | ui::WS_GROUP | ui::BS_AUTORADIOBUTTON, ui::CRect(), &page, 12);
  push.Create(ui::BS_PUSHBUTTON, ui::CRect(), &page, 1819);

  check.Click();
  EXPECT_EQ(check.GetCheck(), ui::BST_CHECKED);
  check.Click();
  EXPECT_EQ(check.GetCheck(), ui::BST_UNCHECKED);
  radioC.SetCheck(ui::BST_CHECKED);
  radioA.Click();
  radioB.Click();
  EXPECT_EQ(radioA.GetCheck(), ui::BST_UNCHECKED);
  EXPECT_EQ(radioB.GetCheck(), ui::BST_CHECKED);
  EXPECT_EQ(radioC.GetCheck(), ui::BST_CHECKED);  // another group
  push.Click();  // hidden: no click
  push.ShowWindow(ui::SW_SHOW);
  push.EnableWindow(false);
  push.Click();  // disabled: no click
  push.EnableWindow(true);
  push.Click();
  page.CheckDlgButton(1846, ui::BST_CHECKED);
  EXPECT_EQ(page.IsDlgButtonChecked(1846), ui::BST_CHECKED);
  page.CheckDlgButton(9999, ui::BST_CHECKED);  // no such button: nothing happens
  EXPECT_EQ(page.IsDlgButtonChecked(9999), ui::BST_UNCHECKED);
  EXPECT_EQ(page.clicks, (std::vector<std::pair<int, int>>{{1846, 0}, {1846, 0}, {10, 0}, {11, 0}, {1819, 0}}));
}

TEST(Window, VisibilityNeedsTheAncestorsAndChangesMarkTheWindowDirty) {
  ui::CWnd page;
  page.Create(0, ui::CRect(), nullptr, 0);
  ui::CWnd label;
  label.Create(ui::WS_VISIBLE, ui::CRect(), &page, 1818, "Disk :");
  EXPECT_FALSE(label.IsWindowVisible());
  page.ShowWindow(ui::SW_SHOW);
  EXPECT_TRUE(label.IsWindowVisible());
  label.TakeDirty();
  label.SetWindowText("Disk :");
  EXPECT_EQ(label.TakeDirty(), 0u);  // the same text changes nothing
  label.SetWindowText("Port :");
  EXPECT_EQ(label.TakeDirty(), static_cast<std::uint32_t>(ui::kDirtyText));
  EXPECT_FALSE(label.EnableWindow(false));
  EXPECT_TRUE(label.EnableWindow(true));
  EXPECT_EQ(page.GetDlgItem(1818), &label);
  EXPECT_EQ(page.GetDlgItemText(1818), "Port :");
}

TEST(Window, SetWindowPosMovesInTheZOrderAndShows) {
  ui::CWnd page;
  page.Create(ui::WS_VISIBLE, ui::CRect(0, 0, 500, 400), nullptr, 0);
  ui::CWnd a, b;
  a.Create(0, ui::CRect(), &page, 1);
  b.Create(0, ui::CRect(), &page, 2);
  b.SetWindowPos(ui::InsertAfter::Top, 10, 50, 480, 340, ui::SWP_SHOWWINDOW);
  EXPECT_EQ(page.Children(), (std::vector<ui::CWnd*>{&b, &a}));
  EXPECT_EQ(b.GetWindowRect(), ui::CRect(10, 50, 490, 390));
  EXPECT_TRUE(b.IsWindowVisible());
  b.SetWindowPos(ui::InsertAfter::Bottom, 0, 0, 0, 0, ui::SWP_NOMOVE | ui::SWP_NOSIZE);
  EXPECT_EQ(page.Children(), (std::vector<ui::CWnd*>{&a, &b}));
  EXPECT_EQ(b.GetWindowRect(), ui::CRect(10, 50, 490, 390));
}

TEST(ProgressCtrl, PositionStaysInTheRange) {
  ui::CProgressCtrl bar;
  bar.SetRange32(0, 100);
  EXPECT_EQ(bar.SetPos(150), 0);
  EXPECT_EQ(bar.GetPos(), 100);
  EXPECT_EQ(bar.OffsetPos(-30), 100);
  EXPECT_EQ(bar.GetPos(), 70);
  bar.SetRange(0, 50);
  EXPECT_EQ(bar.GetPos(), 50);
}

const ui::DialogTemplate kSmallPage{10, "Small", 100, 50, ui::DialogFont{}, {}};
const ui::DialogTemplate kLargePage{11, "Large", 300, 200, ui::DialogFont{}, {}};

class TracePage : public ui::CPropertyPage {
 public:
  TracePage(const ui::DialogTemplate& dialogTemplate, std::vector<std::string>& log)
      : CPropertyPage(&dialogTemplate), m_log(log) {}
  bool OnInitDialog() override {
    m_log.push_back(GetTitle() + " init");
    return CPropertyPage::OnInitDialog();
  }
  bool OnSetActive() override {
    m_log.push_back(GetTitle() + " active");
    return true;
  }
  bool OnKillActive() override {
    m_log.push_back(GetTitle() + " leave");
    return allowLeave;
  }
  bool OnQueryCancel() override { return allowClose; }
  void OnSize(unsigned, int width, int height) override {
    m_log.push_back(GetTitle() + " size " + std::to_string(width) + "x" + std::to_string(height));
  }
  bool allowLeave = true;
  bool allowClose = true;

 private:
  std::vector<std::string>& m_log;
};

TEST(PropertySheet, PagesAreMadeWhenFirstShownAndAskedBeforeLeaving) {
  std::vector<std::string> log;
  TracePage small(kSmallPage, log), large(kLargePage, log);
  ui::CPropertySheet sheet("SATA SSD MP Tool V1");
  sheet.AddPage(&small);
  sheet.AddPage(&large);
  ASSERT_TRUE(sheet.CreateSheet());
  EXPECT_EQ(sheet.PageAreaSize(), (ui::CSize{600, 400}));
  EXPECT_FALSE(large.IsCreated());
  EXPECT_EQ(log, (std::vector<std::string>{"Small init", "Small size 600x400", "Small active"}));

  log.clear();
  small.allowLeave = false;
  EXPECT_FALSE(sheet.SetActivePage(1));
  EXPECT_EQ(sheet.GetActiveIndex(), 0);
  small.allowLeave = true;
  EXPECT_TRUE(sheet.SetActivePage(1));
  EXPECT_TRUE(large.IsWindowVisible());
  EXPECT_FALSE(small.IsWindowVisible());
  EXPECT_EQ(log, (std::vector<std::string>{"Small leave", "Small leave", "Large init",
                                           "Large active"}));

  log.clear();
  sheet.ResizePageArea(ui::CSize{1000, 700});
  EXPECT_EQ(log, (std::vector<std::string>{"Small size 1000x700", "Large size 1000x700"}));

  large.allowClose = false;
  EXPECT_FALSE(sheet.RequestClose());
  EXPECT_FALSE(sheet.IsEnded());
  large.allowClose = true;
  EXPECT_TRUE(sheet.RequestClose());
  EXPECT_EQ(sheet.GetResult(), ui::IDCANCEL);
  small.SetTitle("Production");
  EXPECT_EQ(small.GetTitle(), "Production");
}

}  // namespace
