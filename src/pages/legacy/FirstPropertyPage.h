#pragma once
// CFirstPropertyPage: the legacy slot page of the older stations. One window runs production
// tests on up to 48 tester slots: the product information of param.ini, the Total / Good /
// Bad counters of the log folder, the four flow buttons (Initial, QC, Pretest, Bad Block, and
// the keys F4 and F8), Reload Param and a list of parameter files with a lock, Clear Record,
// tester detection, the elapsed time of a pass, the serial-number range and a grid of slot
// groups (status box, progress bar, label, report button).
//
// A flow runs on the user-interface thread: it posts one slot task per slot with a drive to
// the page's worker pool and waits while the thread keeps pumping messages, so the page stays
// live and the tasks' writes into the slot controls are shown. After a pass of QC or Initial
// the drive-exchange phase waits, slot by slot, for the tested drive to be pulled and the next
// one plugged in; a press of any flow button then ends the phase.
//
// The application does not add this page to its sheet; CreateObject makes one.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "controls/BitmapButtonEx.h"
#include "controls/ColorEdit.h"
#include "controls/IconButton.h"
#include "device/ScsiPassThrough.h"
#include "pages/legacy/LegacyPageLayout.h"
#include "pages/legacy/SlotGridLayout.h"
#include "run/SlotTestTask.h"
#include "run/WorkerPool.h"
#include "ui/Button.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/Font.h"
#include "ui/ListBox.h"
#include "ui/ProgressCtrl.h"
#include "ui/PropertyPage.h"

// The result texts of a pass, entry slot - 1; the tasks write their own entry.
using LegacyResultList = std::array<CSharedText, kLegacySlotGroups>;

class CFirstPropertyPage : public ui::CPropertyPage {
 public:
  static constexpr const char* kRuntimeClassName = "CFirstPropertyPage";
  static constexpr std::uintptr_t kIdleTimer = 1;
  static constexpr std::uintptr_t kElapsedTimer = 2;
  static constexpr std::uint32_t kElapsedPeriodMs = 1000;

  // Log kinds of the total logs.
  static constexpr int kLogInit = 1;
  static constexpr int kLogQc = 4;

  CFirstPropertyPage();
  ~CFirstPropertyPage() override;
  // The page's runtime class: a new page built by the constructor.
  static std::unique_ptr<CFirstPropertyPage> CreateObject();

  bool OnInitDialog() override;
  bool OnSetActive() override;
  void DoDataExchange(ui::CDataExchange* exchange) override;
  bool PreTranslateMessage(const ui::KeyMessage& message) override;
  bool OnCommand(int id, int code) override;
  void OnTimer(std::uintptr_t id) override;

  // ---- the four flows (LegacyFlows.cpp); each returns when its flow has ended
  void OnQc();
  void OnInitial();
  void OnBadBlock();
  void OnPretest();

  // ---- smaller handlers
  void OnClearRecord();
  void OnAutoDetect();
  void OnLoop();

  // ---- parameter files and product information (LegacyParameterFiles.cpp)
  void OnReloadParam();
  void OnLock();
  void OnSelchangeParamFile();
  void OnDropdownParamFile();
  void ListParameterFiles();
  void ReadProductInfo();
  void ShowSerialRange();

  // ---- log folders and slot reports (LegacyLogFolders.cpp)
  void SetupLogFolders();
  void OpenSlotReport(int slot);
  // Writes the three card counts at the start of an existing file (nothing is created); false
  // when the file cannot be opened or written.
  static bool WriteCardTotals(const std::string& path, const std::string& total, const std::string& good,
                              const std::string& bad);

  // ---- result logs (LegacyResultLogs.cpp)
  // A total log or summary log that cannot be written takes the passes of the pass back
  // (PassRecord.h) and the operator is told.
  void WriteTotalLogs(const LegacyResultList& results);
  // The head of a new total log: times, zeroed totals and the settings the log was begun with,
  // in one replacement of the file; false (nothing written) when it cannot be written.
  bool WriteRunReport(const std::string& path);

  // ---- operations the flows use
  void EnableFunctionButtons();
  void DisableFunctionButtons();
  void ResetSlotCaptions();
  void RepaintLogoButton();
  void DetectTesters();
  // Shuts the pool down on a helper thread while this thread pumps messages; returns once
  // every posted task has ended. A quit requested meanwhile does not end the wait (the tasks
  // still use the page's locks, states and result texts) and stays pending for the loop that
  // owns it; the result is false then.
  bool WaitWorkersWithMessagePump();

  // ---- slot grid
  // [General Info] SlotNumber of param.ini (default 24) clamped to 0..48: the slot groups the
  // grid shows, and the slots a flow, the tester detection and the logs cover.
  static int ConfiguredSlotCount();
  void LayoutSlotGrid();
  void LayoutEightSlots();
  void LayoutSlotGridAlt();

  // ---- what the page shows and knows, for the front end and the tests
  CColorEdit& SlotBox(int slot) { return m_SlotBoxes.at(static_cast<std::size_t>(slot - 1)); }
  ui::CProgressCtrl& SlotProgress(int slot) { return m_SlotBars.at(static_cast<std::size_t>(slot - 1)); }
  std::string SlotLabelText(int slot) const { return GetDlgItemText(legacy_ids::SlotLabel(slot)); }
  CIconButton& FlowButton(int id);
  CIconButton& TimeButton() { return m_TimeButton; }
  ui::CButton& AutoDetectCheck() { return m_AutoDetectCheck; }
  ui::CButton& LoopCheck() { return m_LoopCheck; }
  ui::CButton& LockCheck() { return m_LockCheck; }
  ui::CComboBox& ParameterFileList() { return m_ParamFileCombo; }
  ui::CListBox& ProductInfoList() { return m_InfoList; }
  std::string CountText(int id) const { return GetDlgItemText(id); }
  const std::string& LogFolder() const { return m_LogFolder; }
  const std::string& TotalLogPath() const { return m_TotalLogPath; }
  const std::string& ErrorLogPath() const { return m_ErrorLogPath; }
  const std::string& SettingIniPath() const { return m_SettingIniPath; }
  const std::string& ParamIniPath() const { return m_ParamIniPath; }
  int SlotNumber() const { return m_SlotNumber; }
  int SlotCount() const { return m_SlotCount; }
  int TestersFound() const { return m_TesterCount; }
  std::uint32_t TesterDrive(int tester) const;
  bool FlowRunning() const { return m_FlowRunning; }
  int SlotState(int slot) const { return m_SlotState.at(static_cast<std::size_t>(slot - 1)).load(); }
  void SelectSlot(int slot, bool selected) { m_SlotSelected.at(static_cast<std::size_t>(slot - 1)) = selected ? 1 : 0; }
  // The result texts of the last pass or exchange phase (kept until the next flow starts).
  std::string ResultText(int slot) const { return m_Results.at(static_cast<std::size_t>(slot - 1)).Get(); }
  int PassesRun() const { return m_PassesRun; }
  int ExchangePhasesRun() const { return m_ExchangePhasesRun; }
  // The pool's creation fails while set (a test seam for a station out of threads).
  void FailNextPoolCreation() { m_FailPoolCreation = true; }

 // What sets the four flows apart (LegacyFlows.cpp).
  struct FlowTraits;

 private:
  void RunFlow(const FlowTraits& flow);
  // Ends a running exchange phase on a press of a flow button.
  void EndExchangePhase(const FlowTraits& pressed);
  void RestoreFlowButton(const FlowTraits& flow);
  // One pass; false when the flow must end after it.
  enum class PassEnd { Next, EndFlow, Abandon };
  PassEnd RunPass(const FlowTraits& flow, bool autoDetect, bool loopMode);
  void RunExchangePhase(const FlowTraits& flow);
  // Slots of the run with a drive (selected ones unless the flow ignores the selection).
  std::uint32_t CountWorkers(bool selectedOnly) const;
  // Posts one task of the kind per slot with a drive; slots without one get "H_AF".
  bool CreatePoolAndPost(int kind, bool selectedOnly, bool resetStates);
  void StartElapsedTimer();
  // The controls that a pass disables: the four flow buttons, Reload Param, Clear Record, the
  // parameter-file list and Lock.
  std::array<ui::CWnd*, 8> FunctionControls();
  void ShowTimeText(const std::string& text);
  bool CheckTesterFirmware(std::uint32_t drive, int tester);
  bool ReadTesterType(std::uint32_t drive, int tester);
  void PlaceSlotGroups(const std::vector<SlotPlacement>& placements);
  void ShowCounts(const std::string& total, const std::string& good, const std::string& bad);

  // ---- controls
  ui::CListBox m_InfoList;
  ui::CEdit m_TotalEdit;
  ui::CEdit m_GoodEdit;
  ui::CEdit m_BadEdit;
  CBitmapButtonEx m_LogoButton;
  CIconButton m_InitialButton;
  CIconButton m_QcButton;
  CIconButton m_PretestButton;
  CIconButton m_BadBlockButton;
  CIconButton m_ReloadButton;
  CIconButton m_ClearButton;
  CIconButton m_TimeButton;
  CBitmapButtonEx m_DetectButton;
  ui::CButton m_AutoDetectCheck;
  ui::CButton m_LoopCheck;
  ui::CComboBox m_ParamFileCombo;
  ui::CButton m_LockCheck;
  ui::CEdit m_SerialRangeEdit;
  CColorEdit m_ColorBox;
  std::array<CColorEdit, kLegacySlotGroups> m_SlotBoxes;
  std::array<ui::CProgressCtrl, kLegacySlotGroups> m_SlotBars;
  std::array<std::string, kLegacySlotGroups> m_SlotLabels;
  ui::CFont m_TimeFont;

  // ---- state
  int m_SlotNumber = 24;
  std::string m_ProfileBuffer;
  std::string m_ParamIniPath;
  std::string m_SavedFolder;
  std::array<ui::CEdit*, 3> m_CountEdits{};
  int m_TestersOk = 1;
  std::string m_TesterVersionText;
  int m_SlotCount = 24;
  std::string m_SettingIniPath;
  std::string m_LogFolder;
  std::string m_TotalLogPath;
  std::string m_ErrorLogPath;
  int m_LogKind = 0;
  int m_ParamFileCount = 0;
  std::vector<std::string> m_ParamFileList;
  std::string m_InfoSource;
  std::uint8_t m_ShowSerialRange = 0;
  std::uint8_t m_AutoDetect = 0;
  int m_TesterCount = 0;
  std::uint8_t m_TesterFound = 0;
  std::array<std::uint8_t, kLegacySlotGroups> m_SlotSelected{};
  std::uint64_t m_PassStartClock = 0;
  std::array<std::uint8_t, kLegacySlotGroups + 1> m_TesterUpdateMark{};
  std::array<std::uint8_t, kLegacySlotGroups + 1> m_TesterInfoMark{};
  std::array<std::uint32_t, kLegacySlotGroups + 1> m_TesterType{};
  std::array<std::uint32_t, kLegacySlotGroups + 1> m_TesterExtra{};
  CWorkerPool m_Pool;
  std::unique_ptr<PortLocks> m_SlotLocks;
  PortResultCodes m_SlotState;
  CScsiPassThrough m_Testers;

  // ---- the running flow
  LegacyResultList m_Results;
  std::array<CSharedPassRecord, kLegacySlotGroups> m_PassRecords;  // the passes the tasks recorded
  bool m_FlowRunning = false;
  bool m_FailPoolCreation = false;
  int m_PassesRun = 0;
  int m_ExchangePhasesRun = 0;
};
