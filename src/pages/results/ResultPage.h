#pragma once
// CResultPage: what the later-bad and the RDT result pages share. Both let the operator choose
// a drive by its port in the "Disk :" list, set a bad-block limit, and press Show Result: a
// worker of the page checks the drive, lets the engine write its slot report and reads the
// report back into the page's lists and boxes. Open File opens the chosen port's report with
// the shell, Load Data reads any saved report into the page, Block Map shows the chosen port's
// report as a block map.
//
// One worker per page: the worker owns its engine object and claims its drive (a drive another
// page's worker holds is refused with DiskInUseText). While it runs the page refuses Show
// Result and Load Data and keeps the "Disk :" list, Show Result, Load Data (and the later-bad
// page's "...") disabled; leaving the page does not enable them again, the worker does so at
// its end, after it has cleared the page's request to the engine, and only then says the page
// is no longer busy (IsBusy).
//
// The page's result (verdict, lists, value boxes, report lines) belongs to one port, the port of
// the last Show Result; a report Load Data read belongs to none, and stands under a field that
// names no port: Load Data empties the field, and a text typed over it that names a listed port
// empties the report. Under a field that names no listed port, Open File opens nothing and says
// so, Block Map lets the operator choose the report, and Show Result and "..." reach no drive.
// When the page comes back, it
// keeps that port chosen in "Disk :" while the port is listed; otherwise it chooses item 0 and
// empties the result, so that no verdict stands under a port it does not belong to. Neither
// starts a reading. A text typed into "Disk :" that no longer names the shown port empties the
// result at once, and a Show Result refused for a drive in use empties it too, leaving the
// refusal in the status box; either way no port's result is shown any more.
//
// Handlers run on the user-interface thread; the worker writes the page's controls from its
// own thread (the controls are thread-safe). The page's destructor waits for a running worker.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "controls/ColorEdit.h"
#include "pages/common/DiskSelectCombo.h"
#include "pages/results/ResultControls.h"
#include "pages/results/ResultPageItems.h"
#include "pages/results/ResultReportPaths.h"
#include "platform/Thread.h"
#include "ui/Button.h"
#include "ui/Edit.h"
#include "ui/ListBox.h"
#include "ui/ProgressCtrl.h"
#include "ui/PropertyPage.h"

// The controls and names a result page gives its shared part.
struct ResultPageSetup {
  const char* owner;           // the name a refused drive shows ("later-bad result page")
  const char* logKind;         // "QC" or "RDTlog"
  std::int32_t activePageCode; // g_ActivePage while the page is active
  const char* captionSection;  // section of the caption file
  // The captioned controls and their caption-file keys: "Disk :", Show Result, the status
  // box's label.
  int diskLabel;
  const char* diskLabelKey;
  const char* showResultKey;
  int resultLabel;
  const char* resultLabelKey;
  const char* resultLabelText; // the label's template text
  int perPlaneHint;            // "(PrePlane)" under the limit box
  int disk;
  int showResult;
  int status;
  int progress;
  int limitCheck;
  int limit;
  int openFile;
  int loadData;
  int blockMap;
  int reportLines;
  int sortableLists[2];
};

// What Open File says under a field that names no listed port.
inline constexpr const char* kNoListedPortText =
    "No listed port is chosen in \"Disk :\": choose a port from its list, or type one it lists.";

// The size of both pages' templates in dialog units: the top area ends at 581 (the last column
// of value boxes), and 620 units (1240 pixels) leave the page whole on a 1280-pixel screen; the
// lists fill whatever room the page is given.
inline constexpr int kResultPageWidth = 620;
inline constexpr int kResultPageHeight = 380;

// The Block Map button, the lowest control of the top area both pages share, stands at y 55
// (dialog units); each page's lists and their labels stand below the foot of that area and of
// the page's own value boxes.
inline constexpr int kBlockMapY = 55;
inline constexpr int kResultTopAreaFoot = kBlockMapY + result_items::kPushHeight;

// The template items both pages have alike: "Disk :" and its list, Show Result, Open File,
// Load Data and Block Map, the bad-block limit, the status box with its label and the
// progress bar, at the places both pages use.
void AddResultPageTopArea(std::vector<ui::DialogItem>& items, const ResultPageSetup& setup);

// What one Show Result works on.
struct ResultRun {
  int driveNumber = 0;
  ResultReportLocation location;  // port, log folder, report path
};

class CResultPage : public ui::CPropertyPage {
 public:
  static constexpr std::uintptr_t kSelectTimer = 1;
  static constexpr std::uint32_t kSelectTimerMs = 1000;

  ~CResultPage() override;

  void DoDataExchange(ui::CDataExchange* exchange) override;
  bool OnSetActive() override;
  bool OnKillActive() override;
  bool OnCommand(int id, int code) override;
  bool OnNotify(const ui::NotifyMessage& message) override;
  // The sheet may not close while the worker runs.
  bool OnQueryCancel() override;
  void OnTimer(std::uintptr_t id) override;
  void OnDestroy() override;

  // Show Result: starts the worker for the chosen port's drive; false when nothing started (a
  // worker runs, no drive for the chosen port, the drive is in use, no thread).
  bool OnBtnShowResult();
  void OnCheckBadBlockLimit();
  void OnBtnOpenFile();
  // Load Data: a report chosen in the file dialog (starting in the log folder's D_Reports);
  // false when refused (a worker runs), cancelled or the report cannot be opened.
  bool OnBtnLoadData();
  void OnBtnBlockMap();

  // The caption of a control from the caption file (empty when the file lacks its key); a
  // non-zero id also gets it as its text.
  std::string LoadCaptions(int id);

  bool IsBusy() const { return m_busy.load(); }
  // The chosen port's drive: the list's choice, or the drive of the port its current item
  // names; -1 when there is none.
  int ResolveDrive() const;
  // Where the chosen port's report is (the page's report-path rule).
  ResultReportLocation ChosenReport() const;
  // The report path of the last Show Result, Open File or Load Data.
  std::string ReportPath() const;

  CDiskSelectCombo& Disk() { return m_disk; }
  ui::CButton& ShowResultButton() { return m_showResult; }
  CColorEdit& Status() { return m_status; }
  ui::CProgressCtrl& Progress() { return m_progress; }
  ui::CButton& LimitCheck() { return m_limitCheck; }
  ui::CEdit& Limit() { return m_limit; }
  ui::CListBox& ReportLines() { return m_reportLines; }
  CResultView& View() { return m_view; }
  // The value or count box of an id of the page.
  std::string BoxText(int id) const { return GetDlgItemText(id); }

 protected:
  CResultPage(const ui::DialogTemplate* dialogTemplate, const ResultPageSetup& setup);

  // The caption-file key of a control ("Unknown" for a control without one).
  const char* CaptionKey(int id) const;
  // The captions of "Disk :", Show Result and the status box's label.
  void LoadPageCaptions();
  // Empties the result: every value and status box shows its template text again, the lists and
  // the report lines lose their rows, the progress bar goes back to 0 (the limit is the
  // operator's and stays). A page whose arrangement follows its result sets that up again too.
  // Called with the shown port's lock held, from the user-interface thread or the worker's.
  virtual void EmptyResult();
  // Hands the limit to the engine's next reading (g_LaterBadRequest or g_RdtRequest).
  virtual void SetRequest(const std::string& limitText) = 0;
  // Clears that request (every worker does at its end).
  virtual void ClearRequest() = 0;
  // The worker's drive work and report reading (on the worker's thread).
  virtual void RunWorker(const ResultRun& run) = 0;
  // Load Data's reading of a report that can be opened.
  virtual void LoadReport(const std::string& path) = 0;
  // The controls that stay disabled while a worker runs, besides the list and Show Result.
  virtual void EnableRunControls(bool enable);

  void SetReportPath(const std::string& path);
  // Waits for a worker that runs or is leaving its thread (each page's destructor calls it
  // first: the worker writes into the page's own controls).
  void WaitForWorker();

  CDiskSelectCombo m_disk;
  ui::CButton m_showResult;
  CColorEdit m_status;
  ui::CProgressCtrl m_progress;
  ui::CButton m_limitCheck;
  ui::CEdit m_limit;
  ui::CListBox m_reportLines;
  CResultControls m_view;

 private:
  // The item of "Disk :" to choose when the page comes back: the shown port's while it is
  // listed; otherwise item 0, with the shown port forgotten and the result emptied. CB_ERR when
  // the list is empty.
  int ItemOfShownPort();
  // The port whose result the page shows from now on (or kNoPortShown, kLoadedReport); returns
  // the one before.
  int ShowResultOf(int port);
  // A worker's last look: when an activation found its port gone while it read, the result it
  // wrote since is emptied too.
  void KeepResultOnlyUnder(int port);
  // No port's result is shown from now on: the port is forgotten and the result emptied.
  void ForgetResult();
  // The same unless the result shown is the port's, none, or a loaded report while the field
  // names no listed port (port 0).
  void ForgetResultUnlessOf(int port);

  const ResultPageSetup& m_setup;
  std::atomic<bool> m_busy{false};
  // What m_shownPort holds besides a port: no result, or a report Load Data read.
  static constexpr int kNoPortShown = 0;
  static constexpr int kLoadedReport = -1;
  // The port whose result the page shows; the lock also keeps two emptyings apart.
  std::mutex m_shownLock;
  int m_shownPort = kNoPortShown;
  platform::Thread m_worker;
  mutable std::mutex m_pathLock;
  std::string m_reportPath;
};
