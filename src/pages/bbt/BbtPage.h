#pragma once
// CPropertyPage_DBT: the bad-block-table page. The operator chooses a drive in the "Disk :"
// drop-down and reads its bad-block table into a text file and an image (Get BBT), writes a
// table back from a text file or a ".sot" image (Write BBT; the "TV BBT" box chooses the
// controller's own table or the third-party table) or erases the whole flash (Erase All).
// Each button starts one worker (BbtWorkers.h) on a thread of its own; from the press until
// the worker ends the drop-down and the four buttons are disabled, so one worker runs at a time
// from this page, and the drive is claimed against the other pages' workers. The workers show
// their progress, verdict and the saved or written text file in the page's controls.
//
// Log folders: ".\<work number>_<computer name>\QC" for the table workers, "...\EA" for Erase
// All. "Open file" opens a text file with the desktop's program for it.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "controls/ColorEdit.h"
#include "pages/common/DiskSelectClaim.h"
#include "pages/common/DiskSelectCombo.h"
#include "platform/Thread.h"
#include "ui/Button.h"
#include "ui/Font.h"
#include "ui/ListBox.h"
#include "ui/ProgressCtrl.h"
#include "ui/PropertyPage.h"

class CMPDevice;
class CPropertyPage_DBT;

// A worker of the page: it runs on its own thread with the page as its only argument.
using BbtWorker = std::uint32_t (*)(CPropertyPage_DBT* page);

class CPropertyPage_DBT : public ui::CPropertyPage {
 public:
  // The name the claims of this page's workers carry.
  static constexpr const char* kClaimOwner = "bad-block-table page";
  static constexpr int kListExtentPixels = 256;
  static constexpr int kListMargin = 10;
  static constexpr int kListTop = 50;
  static constexpr std::uint32_t kSettleMs = 100;

  CPropertyPage_DBT();
  ~CPropertyPage_DBT() override;

  bool OnInitDialog() override;
  void DoDataExchange(ui::CDataExchange* exchange) override;
  bool OnCommand(int id, int code) override;
  void OnSize(unsigned type, int width, int height) override;
  // A worker still running keeps the sheet open (it writes to the drive and to this page).
  bool OnQueryCancel() override;

  // ---- the buttons (user-interface thread)
  void OnBtnGetBbt();
  void OnBtnWriteBbt();
  void OnBtnEraseAll();
  void OnBtnOpenFile();
  // The list box over the client area below the controls' band.
  void LayoutList();

  // ---- for the workers (any thread)
  // Lists the text file named after a file (its last four characters replaced by ".txt");
  // the list keeps what it shows when there is no such file.
  void ShowCompanionTextFile(std::string_view fileName);
  std::int32_t SelectedDevice() const { return m_disk.SelectedDevice(); }
  int PortNumber() const { return m_portNumber; }
  const std::string& LogFolder() const { return m_logFolder; }
  CColorEdit& StatusBox() { return m_status; }
  ui::CProgressCtrl& Progress() { return m_progress; }
  bool TvBbtChecked() const { return m_tvBbt.GetCheck() == ui::BST_CHECKED; }
  CMPDevice* Engine() const { return m_engine.load(); }
  void SetEngine(CMPDevice* engine) { m_engine.store(engine); }
  // The worker's last step: gives the drive back and enables the drop-down and the buttons.
  void EndWork();
  bool IsWorking() const { return m_working.load(); }

  // ---- controls, for the front end's tests and the page's own
  CDiskSelectCombo& DiskCombo() { return m_disk; }
  ui::CButton& GetBbtButton() { return m_getBbt; }
  ui::CButton& WriteBbtButton() { return m_writeBbt; }
  ui::CButton& EraseAllButton() { return m_eraseAll; }
  ui::CButton& OpenFileButton() { return m_openFile; }
  ui::CButton& TvBbtBox() { return m_tvBbt; }
  ui::CListBox& FileLines() { return m_fileLines; }

 private:
  // The common start of the three drive buttons; the worker runs with the log folder of kind.
  void StartWork(BbtWorker worker, const char* logKind);
  void EnableWorkControls(bool enable);
  // Waits for a worker that has ended (or is about to) and takes its thread back.
  void JoinWorker();

  CDiskSelectCombo m_disk;
  ui::CButton m_getBbt;
  ui::CButton m_writeBbt;
  ui::CButton m_eraseAll;
  ui::CButton m_openFile;
  ui::CButton m_tvBbt;
  CColorEdit m_status;
  ui::CProgressCtrl m_progress;
  ui::CListBox m_fileLines;

  int m_portNumber = 0;
  std::string m_logFolder;
  std::atomic<CMPDevice*> m_engine{nullptr};
  std::atomic<bool> m_working{false};
  bool m_layoutReady = false;
  std::unique_ptr<ui::CFont> m_listFont;
  CDiskClaim m_claim;
  platform::Thread m_worker;
};
