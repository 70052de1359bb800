#pragma once
// CProductionPage: the first page of the sheet. The operator scans the tester boards (or the
// bridge ports) to map ports to drives, chooses the parameter file, selects ports and presses
// Start; the page runs one slot task per mapped and selected port on its worker pool and
// watches the 24 status cells, progress bars and the elapsed time until the pass ends.
//
// A pass:
//  - Start (UI thread): reads the run options and the station; refuses the pass, before any
//    drive is touched, while the chosen parameter file is not the working copy or a limit
//    setting that the station's flow reads would fail every drive; clears Configuration\Temp,
//    sets every port state idle, disables Start, Scan and the choices, starts the one-second
//    timer, creates the 24 per-port locks, makes the log folder and the work-order file
//    (refusing the pass when a folder of its records takes no data or its disk has no room
//    for it, RecordRoom.h), creates the pool with one worker per mapped and selected port and makes one task per port
//    with the kind the station gives;
//  - a helper thread posts the tasks (100 ms apart) and shuts the pool down, which returns once
//    every task has run, while the UI thread keeps pumping its messages;
//  - the drives of the pass are claimed for it: a drive the worker of another page holds keeps
//    the pass from starting, and the other pages' workers leave the pass's drives alone;
//  - the timer shows the elapsed time; once the helper is done and no port is testing (the
//    helper tells the page the moment the pool's last task has ended, and the timer looks
//    too), the page enables Start and Scan again and starts the next pass when the run
//    options ask for more and no task stopped the run. Each slot task counts its drive in the
//    summary log with its other records, before the END of its report, so that every record
//    of a drive tells the verdict its cell shows (no drive is shown passed unless every record
//    of its run was written).
// While no pass runs the timer also watches the disk list and rescans when it changes.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/ColorEdit.h"
#include "pages/common/DiskSelectClaim.h"
#include "pages/production/DiskListWatch.h"
#include "pages/production/PortScan.h"
#include "pages/production/RunOptions.h"
#include "run/SlotTestTask.h"
#include "run/SummaryLog.h"
#include "run/WorkerPool.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/ProgressCtrl.h"
#include "ui/PropertyPage.h"
#include "ui/Static.h"

class CProductionPage : public ui::CPropertyPage {
 public:
  static constexpr std::uintptr_t kRunTimer = 1;
  static constexpr std::uintptr_t kDiskWatchTimer = 2;
  static constexpr std::uint32_t kTimerPeriodMs = 1000;
  static constexpr std::uint32_t kPostPauseMs = 100;
  // The name the claims of a pass carry.
  static constexpr const char* kClaimOwner = "production page";

  CProductionPage();
  ~CProductionPage() override;

  bool OnInitDialog() override;
  bool OnSetActive() override;
  bool OnQueryCancel() override;
  bool OnCommand(int id, int code) override;
  void OnTimer(std::uintptr_t id) override;
  void DoDataExchange(ui::CDataExchange* exchange) override;

  // The buttons' work (UI thread). Scan maps the ports; StartRun begins the first pass of a
  // run and returns false when it could not (a pass runs, no port is mapped and selected, the
  // pool could not be made).
  void Scan();
  bool StartRun();

  bool IsRunning() const { return m_running; }
  bool HasScanned() const { return m_scanned; }
  int PassesStarted() const { return m_passesStarted; }
  // The drive number mapped to a port (1..24), 0 none.
  int DriveOfPort(int port) const;
  // The port's result text of the last pass ("0_00" on a pass, the failing tag otherwise).
  std::string ResultTextOfPort(int port) const;
  const std::string& LogFolder() const { return m_logFolder; }

  CColorEdit& PortCell(int port) { return m_cells.at(static_cast<std::size_t>(port - 1)); }
  ui::CProgressCtrl& PortProgress(int port) { return m_progress.at(static_cast<std::size_t>(port - 1)); }
  ui::CButton& PortCheck(int port) { return m_portChecks.at(static_cast<std::size_t>(port - 1)); }
  ui::CButton& ScanButton() { return m_scan; }
  ui::CButton& StartButton() { return m_start; }
  ui::CComboBox& ParameterList() { return m_paramList; }
  std::string ElapsedText() const { return m_elapsed.GetWindowText(); }
  std::string ScanStatusText() const { return m_scanStatus.GetWindowText(); }

 private:
  void ApplyCaptions();
  void FillParameterList();
  void OnParameterFileChosen();
  // Notes whether the chosen file (named so in the list) was just copied over the working
  // copy (problem "": it was); the operator is told why when it was not.
  void NoteParameterFileCopy(const std::string& problem, const std::string& name);
  void ShowRunOptions();
  void ShowPortMapping();
  void EnableChoices(bool enable);
  bool StartPass();
  // Claims the drives of the ports for the pass; false (and the operator told) when another
  // page's worker holds one of them.
  bool ClaimDrives(const std::vector<int>& ports);
  // Gives back what StartPass made when a pass cannot go on; the message tells the operator.
  void AbandonPass(const std::string& message);
  void PostAndShutDown(std::vector<CSlotTestTask*> tasks);
  void WatchPass();
  void EndPass();
  // The scan status line: the mapped ports and, when there are any, the testers whose drives
  // no port of the page can show.
  std::string DescribePortMapping() const;
  void ShowElapsed();
  void WatchDisks();
  // A record that still says Pass for a drive whose cell shows a failure, or a drive's count
  // the summary log refused (owed, run/VerdictRecords.h), is written first; while one cannot be, no pass starts and
  // the operator is told which file and which drive. True when the pass may start.
  bool OwedTakeBacksWritten();
  // On closing: such records are written if they can be; the operator is told of those that
  // are still wrong.
  void TellOfRecordsStillWrong();

  // Controls.
  ui::CButton m_scan;
  ui::CButton m_start;
  ui::CComboBox m_paramList;
  ui::CStatic m_runOptions;
  ui::CStatic m_elapsed;
  ui::CStatic m_scanStatus;
  std::array<ui::CButton, kPortCount> m_portChecks;
  std::array<CColorEdit, kPortCount> m_cells;
  std::array<ui::CProgressCtrl, kPortCount> m_progress;
  // The tasks' auto-detect box: never attached to a window, so it always reads unchecked and
  // production tasks take the single path.
  ui::CButton m_autoDetect;

  // Ports and the run.
  PortScanResult m_ports;
  std::vector<int> m_unshownTestersTold;  // the testers beyond the ports the operator was told of
  std::vector<device::HeldDisk> m_heldDisksTold;  // the held disks the operator was told of
  bool m_scanned = false;
  bool m_scanning = false;
  RunOptions m_options;
  // The chosen parameter file whose copy is the working copy (its path as IniFilePath gave
  // it); empty while the chosen file could not be copied.
  std::string m_copiedParameterFile;
  std::string m_logFolder;
  std::unique_ptr<PortLocks> m_locks;
  std::vector<CDiskClaim> m_driveClaims;
  PortResultCodes m_portResults;
  std::array<CSharedText, kPortCount> m_resultTexts;
  CWorkerPool m_pool;
  // Runs the pass helper (posts the tasks, then shuts the pool down) on a worker it keeps
  // between passes.
  CWorkerPool m_helperPool;
  std::atomic<bool> m_passHelperDone{false};
  bool m_running = false;
  int m_passesLeft = 0;
  int m_passesStarted = 0;
  std::uint64_t m_passStartMs = 0;
  CDiskListWatch m_diskWatch;
};
