// The legacy slot page: construction, initialisation and activation, data exchange, keys,
// the elapsed-time timer, the counters, tester detection, the slot grid and the wait that
// pumps messages while the page's tasks run.
#include "pages/legacy/FirstPropertyPage.h"

#include <exception>

#include "device/DevicePaths.h"
#include "engine/MPDevice.h"
#include "pages/legacy/HostInfo.h"
#include "pages/legacy/LegacyGlobals.h"
#include "platform/Clock.h"
#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"
#include "ui/Dispatcher.h"
#include "ui/Keyboard.h"

namespace {

namespace ids = legacy_ids;

constexpr unsigned kKeyF4 = 0x73;
constexpr unsigned kKeyF8 = 0x77;

constexpr int kReloadIcon = 200;
constexpr int kQcIcon = 141;
constexpr int kPretestIcon = 194;
constexpr int kClearIcon = 134;
constexpr int kBadBlockIcon = 139;
constexpr int kInitialIcon = 150;
constexpr int kTimeIcon = 270;
constexpr int kLogoBitmap = 268;
constexpr int kDetectBitmap = 269;
constexpr int kIconAboveCaption = 1;

constexpr ui::COLORREF kIdleText = 255;     // red
constexpr ui::COLORREF kIdleBackground = 0;  // black

constexpr const char* kPcMacFile = ".\\PC_MAC_Address.txt";
constexpr const char* kNoTesterMessage = "Detect SATA Testers failed !!!";
constexpr std::size_t kProfileText = 256;  // reads of at most 255 characters
constexpr int kDefaultSlotNumber = 24;

// The tester firmware the detection asks for, shown in its update message.
constexpr int kTesterFirmwareMajor = 3;
constexpr int kTesterFirmwareMinor = 0x09;
// Tester type whose page carries the extra value from version 3.03 on.
constexpr std::uint32_t kTesterTypeWithExtra = 4;
constexpr int kExtraValueMajor = 3;
constexpr int kExtraValueMinor = 3;
constexpr std::uint8_t kMarked = 0xF0;

std::size_t Index(int slot) { return static_cast<std::size_t>(slot - 1); }

}  // namespace

CFirstPropertyPage::CFirstPropertyPage() : CPropertyPage(&LegacyPageTemplate()) {
  m_ProfileBuffer.reserve(260);
  for (std::atomic<int>& state : m_SlotState) state.store(kPortIdle);
  m_SlotSelected.fill(1);
}

CFirstPropertyPage::~CFirstPropertyPage() {
  KillTimer(kIdleTimer);
  // The tasks write into this page's controls: a pool still running must end first.
  m_Pool.Shutdown();
}

std::unique_ptr<CFirstPropertyPage> CFirstPropertyPage::CreateObject() { return std::make_unique<CFirstPropertyPage>(); }

void CFirstPropertyPage::DoDataExchange(ui::CDataExchange* exchange) {
  CPropertyPage::DoDataExchange(exchange);
  ui::DDX_Control(exchange, ids::kInfoList, m_InfoList);
  ui::DDX_Control(exchange, ids::kTotalCount, m_TotalEdit);
  ui::DDX_Control(exchange, ids::kGoodCount, m_GoodEdit);
  ui::DDX_Control(exchange, ids::kBadCount, m_BadEdit);
  ui::DDX_Control(exchange, ids::kLogoButton, m_LogoButton);
  ui::DDX_Control(exchange, ids::kInitial, m_InitialButton);
  ui::DDX_Control(exchange, ids::kQc, m_QcButton);
  ui::DDX_Control(exchange, ids::kPretest, m_PretestButton);
  ui::DDX_Control(exchange, ids::kBadBlock, m_BadBlockButton);
  ui::DDX_Control(exchange, ids::kReloadParam, m_ReloadButton);
  ui::DDX_Control(exchange, ids::kClearRecord, m_ClearButton);
  ui::DDX_Control(exchange, ids::kTime, m_TimeButton);
  ui::DDX_Control(exchange, ids::kDetectTesters, m_DetectButton);
  ui::DDX_Control(exchange, ids::kAutoDetect, m_AutoDetectCheck);
  ui::DDX_Control(exchange, ids::kLoop, m_LoopCheck);
  ui::DDX_Control(exchange, ids::kParamFiles, m_ParamFileCombo);
  ui::DDX_Control(exchange, ids::kLock, m_LockCheck);
  ui::DDX_Control(exchange, ids::kSerialRange, m_SerialRangeEdit);
  ui::DDX_Control(exchange, ids::kColorBox, m_ColorBox);
  for (int slot = 1; slot <= kLegacySlotGroups; ++slot) {
    ui::DDX_Control(exchange, ids::StatusBox(slot), m_SlotBoxes[Index(slot)]);
    ui::DDX_Control(exchange, ids::Progress(slot), m_SlotBars[Index(slot)]);
    ui::DDX_Text(exchange, ids::SlotLabel(slot), m_SlotLabels[Index(slot)]);
  }
}

bool CFirstPropertyPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  // The station folder is the program's current folder and work folder.
  m_SavedFolder = platform::StationFolderText();
  g_WorkFolder.Set(m_SavedFolder + "\\");
  m_ParamIniPath = platform::Format("%sparam.INI", g_WorkFolder.Get().c_str());
  LayoutSlotGrid();
  m_SlotCount = m_SlotNumber;

  const struct {
    CIconButton* button;
    int icon;
  } icons[] = {{&m_ReloadButton, kReloadIcon}, {&m_QcButton, kQcIcon},           {&m_PretestButton, kPretestIcon},
               {&m_ClearButton, kClearIcon},   {&m_BadBlockButton, kBadBlockIcon}, {&m_InitialButton, kInitialIcon},
               {&m_TimeButton, kTimeIcon}};
  for (const auto& entry : icons) {
    entry.button->SetIcon(entry.icon, 0);
    entry.button->SetAlign(kIconAboveCaption, true);
  }
  m_TimeButton.SetAlign(CIconButton::kIconLeft, true);
  m_TimeFont.CreateFont(20, 10, 0, 0, ui::FW_HEAVY, false, false, false, ui::DEFAULT_CHARSET, ui::OUT_TT_ONLY_PRECIS,
                        0, 0, 0, "");
  m_TimeButton.SetFont(&m_TimeFont);
  m_TimeButton.SetWindowText("");

  m_DetectButton.ShowWindow(ui::SW_SHOW);
  m_DetectButton.SetBitmaps(kDetectBitmap, kDetectBitmap, kDetectBitmap, 0, 0, 0, 0, 1, 0);
  Invalidate();
  for (CWnd* hidden : {static_cast<CWnd*>(&m_InitialButton), static_cast<CWnd*>(&m_QcButton),
                       static_cast<CWnd*>(&m_LoopCheck), static_cast<CWnd*>(&m_AutoDetectCheck)}) {
    hidden->ShowWindow(ui::SW_HIDE);
  }
  ResetSlotCaptions();

  m_InfoSource = "param.INI";
  m_LogFolder = " ";
  g_WorkingNo.Set("");
  if (CWnd* staticText = GetDlgItem(ids::kStaticText)) staticText->ShowWindow(ui::SW_HIDE);
  ListParameterFiles();
  if (m_ParamFileList.empty()) {
    m_LockCheck.ShowWindow(ui::SW_HIDE);
    m_ParamFileCombo.ShowWindow(ui::SW_HIDE);
  }
  m_SlotSelected.fill(1);

  SetupLogFolders();
  m_CountEdits = {&m_TotalEdit, &m_GoodEdit, &m_BadEdit};
  bool countsRead = false;
  for (const char* name : {"Total_Init.log", "Total_QC.log", "Total_Debug.log"}) {
    const std::string path = platform::Format("%s\\%s", m_LogFolder.c_str(), name);
    if (!platform::FileExists(path)) continue;
    ShowCounts(platform::ReadProfileString(path, "Total Results", "Total", "", kProfileText),
               platform::ReadProfileString(path, "Total Results", "Good", "", kProfileText),
               platform::ReadProfileString(path, "Total Results", "Bad", "", kProfileText));
    countsRead = true;
    break;
  }
  if (!countsRead) ShowCounts("0", "0", "0");

  m_ShowSerialRange = platform::ReadProfileInt(g_ParamIniPath, "Options", "AutoIncreseSerialNum", 0) != 0 ? 1 : 0;
  CWnd* serialLabel = GetDlgItem(ids::kSerialLabel);
  if (m_ShowSerialRange) {
    if (serialLabel) serialLabel->ShowWindow(ui::SW_SHOW);
    m_SerialRangeEdit.ShowWindow(ui::SW_SHOW);
    ShowSerialRange();
    if (CWnd* edit = GetDlgItem(ids::kLastSmallEdit)) edit->ShowWindow(ui::SW_HIDE);
    if (CWnd* portNumber = GetDlgItem(ids::kPortNumber)) portNumber->ShowWindow(ui::SW_HIDE);
  } else {
    if (serialLabel) serialLabel->ShowWindow(ui::SW_HIDE);
    m_SerialRangeEdit.ShowWindow(ui::SW_HIDE);
  }
  ReadProductInfo();
  m_TestersOk = 1;

  // Host description. An empty MAC (no adapter) leaves the station's MAC file as it is: the
  // slot reports are named after it.
  const std::string mac = GetHostMacText();
  if (!mac.empty()) platform::WriteProfileString(kPcMacFile, "PC Info", "MAC_Address", mac);
  g_HostMacAddress.Set(mac);
  g_HostIpAddress.Set(GetHostIpText());
  g_HostComputerName.Set(platform::ComputerName());
  m_ColorBox.ShowWindow(ui::SW_HIDE);
  g_WindowsVersionText.Set(GetWindowsVersionName());
  g_CpuBrandText.Set(GetCpuBrandText());
  m_ColorBox.ShowWindow(ui::SW_HIDE);

  m_LogKind = 0;
  UpdateData(false);
  Invalidate();
  return true;
}

bool CFirstPropertyPage::OnSetActive() {
  g_WorkFolder.Set(m_SavedFolder + "\\");
  m_ParamIniPath = platform::Format("%sparam.INI", g_WorkFolder.Get().c_str());
  ReadProductInfo();
  RepaintLogoButton();
  LayoutSlotGrid();
  ReadProductInfo();
  return CPropertyPage::OnSetActive();
}

bool CFirstPropertyPage::PreTranslateMessage(const ui::KeyMessage& message) {
  if (message.type == ui::KeyMessage::Type::KeyDown && message.virtualKey == ui::VK_ESCAPE) return true;
  if (message.type == ui::KeyMessage::Type::KeyUp) {
    if (message.virtualKey == kKeyF8) OnQc();
    if (message.virtualKey == kKeyF4) OnInitial();
  }
  return CPropertyPage::PreTranslateMessage(message);
}

bool CFirstPropertyPage::OnCommand(int id, int code) {
  if (code == ui::BN_CLICKED) {
    switch (id) {
      case ids::kInitial: OnInitial(); return true;
      case ids::kPretest: OnPretest(); return true;
      case ids::kBadBlock: OnBadBlock(); return true;
      case ids::kQc: OnQc(); return true;
      case ids::kClearRecord: OnClearRecord(); return true;
      case ids::kAutoDetect: OnAutoDetect(); return true;
      case ids::kLoop: OnLoop(); return true;
      case ids::kDetectTesters: DetectTesters(); return true;
      case ids::kReloadParam: OnReloadParam(); return true;
      case ids::kLock: OnLock(); return true;
      default: break;
    }
    if (const int slot = ids::SlotOfReportButton(id); slot != 0) {
      OpenSlotReport(slot);
      return true;
    }
  }
  if (id == ids::kParamFiles && code == ui::CBN_SELCHANGE) {
    OnSelchangeParamFile();
    return true;
  }
  if (id == ids::kParamFiles && code == ui::CBN_DROPDOWN) {
    OnDropdownParamFile();
    return true;
  }
  return CPropertyPage::OnCommand(id, code);
}

void CFirstPropertyPage::OnTimer(std::uintptr_t id) {
  if (id == kElapsedTimer) {
    const std::uint64_t seconds = (platform::TickCountMs() - m_PassStartClock) / 1000;
    ShowTimeText(platform::Format("%02d:%02d", static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60)));
  }
  CPropertyPage::OnTimer(id);
}

void CFirstPropertyPage::ShowTimeText(const std::string& text) { m_TimeButton.SetWindowText(text); }

void CFirstPropertyPage::ShowCounts(const std::string& total, const std::string& good, const std::string& bad) {
  m_TotalEdit.SetWindowText(total);
  m_GoodEdit.SetWindowText(good);
  m_BadEdit.SetWindowText(bad);
}

void CFirstPropertyPage::OnClearRecord() {
  ResetSlotCaptions();
  ShowCounts("0", "0", "0");
  // Before a flow has run there is no total log to clear.
  if (m_TotalLogPath.empty()) return;
  for (const char* key : {"Total", "Good", "Bad"}) platform::WriteProfileString(m_TotalLogPath, "Total Results", key, "0");
}

void CFirstPropertyPage::OnAutoDetect() {
  UpdateData(true);
  m_AutoDetect = m_AutoDetectCheck.GetCheck() == ui::BST_CHECKED ? 1 : 0;
  UpdateData(true);
}

void CFirstPropertyPage::OnLoop() { UpdateData(true); }

void CFirstPropertyPage::ResetSlotCaptions() {
  for (int slot = 1; slot <= m_SlotCount; ++slot) {
    CColorEdit& box = m_SlotBoxes[Index(slot)];
    box.SetColor(kIdleText, kIdleBackground);
    box.SetWindowText(platform::Format(" %d ", slot));
    m_SlotBars[Index(slot)].SetPos(0);
  }
}

void CFirstPropertyPage::RepaintLogoButton() {
  m_LogoButton.SetBitmaps(kLogoBitmap, kLogoBitmap, kLogoBitmap, 0, 0, 0, 0, 1, 0);
  Invalidate();
  UpdateWindow();
}

std::array<ui::CWnd*, 8> CFirstPropertyPage::FunctionControls() {
  return {&m_BadBlockButton, &m_PretestButton, &m_QcButton,       &m_InitialButton,
          &m_ReloadButton,   &m_ClearButton,   &m_ParamFileCombo, &m_LockCheck};
}

void CFirstPropertyPage::EnableFunctionButtons() {
  for (CWnd* control : FunctionControls()) control->EnableWindow(true);
  // The lock decides the parameter-file list again.
  OnLock();
  UpdateData(false);
  UpdateWindow();
}

void CFirstPropertyPage::DisableFunctionButtons() {
  for (CWnd* control : FunctionControls()) control->EnableWindow(false);
  UpdateData(false);
  UpdateWindow();
}

CIconButton& CFirstPropertyPage::FlowButton(int id) {
  switch (id) {
    case ids::kQc: return m_QcButton;
    case ids::kInitial: return m_InitialButton;
    case ids::kBadBlock: return m_BadBlockButton;
    case ids::kPretest: return m_PretestButton;
    case ids::kReloadParam: return m_ReloadButton;
    case ids::kClearRecord: return m_ClearButton;
    default: return m_TimeButton;
  }
}

std::uint32_t CFirstPropertyPage::TesterDrive(int tester) const {
  return tester >= 1 && tester <= kLegacySlotGroups ? m_Testers.m_TesterDrive[tester] : 0;
}

// ---- tester detection ------------------------------------------------------------------

void CFirstPropertyPage::DetectTesters() {
  if (g_U2AMode.load() != 0) {
    UpdateData(false);
    return;
  }
  m_TesterFound = 0;
  m_TesterCount = 0;
  m_SlotCount = ConfiguredSlotCount();
  m_TesterUpdateMark.fill(0);
  const bool searched = m_Testers.DetectTesterBoards(0, std::string()) != 0;
  if (!searched) {
    MessageBox(kNoTesterMessage);
  } else {
    for (int tester = 1; tester <= m_SlotCount; ++tester) {
      m_SlotLabels[Index(tester)].clear();
      const std::uint32_t drive = m_Testers.m_TesterDrive[tester];
      if (drive == 0) continue;
      m_SlotLabels[Index(tester)] = platform::Format("%d", tester);
      if (!CheckTesterFirmware(drive, tester)) m_TesterUpdateMark[static_cast<std::size_t>(tester)] = kMarked;
      if (!ReadTesterType(drive, tester)) m_TesterInfoMark[static_cast<std::size_t>(tester)] = kMarked;
      m_TesterFound = 1;
      ++m_TesterCount;
    }
    if (m_TesterFound == 0) MessageBox(kNoTesterMessage);
  }
  bool anyMarked = false;
  for (int tester = 1; tester <= m_SlotCount; ++tester) {
    if (m_TesterUpdateMark[static_cast<std::size_t>(tester)] != kMarked) continue;
    anyMarked = true;
    MessageBox(platform::Format("Error: T_x08 !\nTesters_%s need update new firmware after V%d.%02x\n",
                                platform::Format("%d,", tester).c_str(), kTesterFirmwareMajor, kTesterFirmwareMinor));
  }
  if (anyMarked) m_TestersOk = 0;
  UpdateData(false);
}

bool CFirstPropertyPage::CheckTesterFirmware(std::uint32_t drive, int tester) {
  try {
    CMPDevice device(static_cast<int>(drive), kTaskInit, tester, m_LogFolder, &m_SlotBoxes[0], &m_TimeButton);
    const bool read = device.GetTesterFWVersion() != 0;
    m_TesterType[static_cast<std::size_t>(tester)] = device.m_TesterType;
    if (read) m_TesterVersionText = device.m_TesterVersionText;
    return read;
  } catch (const std::exception& error) {
    platform::DebugOutput(platform::Format("Tester %d: no engine object: %s\n", tester, error.what()));
    return false;
  }
}

bool CFirstPropertyPage::ReadTesterType(std::uint32_t drive, int tester) {
  try {
    CMPDevice device(static_cast<int>(drive), kTaskInit, tester, m_LogFolder, &m_SlotBoxes[0], &m_TimeButton);
    const bool read = device.ReadTesterInfo() != 0;
    m_TesterType[static_cast<std::size_t>(tester)] = device.m_TesterType;
    if (!read) return false;
    if (device.m_TesterType == kTesterTypeWithExtra) {
      // The version this tester has just reported: "<major>.<minor in hex>".
      m_TesterVersionText = platform::Trim(device.m_TesterVersionText);
      const std::string& version = m_TesterVersionText;
      const int major = version.empty() ? 0 : platform::ParseLeadingInt(version.substr(0, 1));
      const int minor = version.size() < 2 ? 0 : static_cast<int>(platform::ParseHex(version.substr(version.size() - 2), 0));
      if (major > kExtraValueMajor || (major == kExtraValueMajor && minor >= kExtraValueMinor)) {
        m_TesterExtra[static_cast<std::size_t>(tester)] = device.m_TesterExtraValue;
      }
    }
    return true;
  } catch (const std::exception& error) {
    platform::DebugOutput(platform::Format("Tester %d: no engine object: %s\n", tester, error.what()));
    return false;
  }
}

// ---- the wait ---------------------------------------------------------------------------

bool CFirstPropertyPage::WaitWorkersWithMessagePump() {
  ui::Dispatcher* dispatcher = ui::Dispatcher::Current();
  if (dispatcher == nullptr || !dispatcher->IsUiThread()) {
    m_Pool.Shutdown();
    return true;
  }
  const bool noQuit = dispatcher->RunWhilePumping([this] { m_Pool.Shutdown(); });
  // The quit that came in meanwhile goes on to the loop that owns it once the flow has ended.
  if (!noQuit) dispatcher->PostQuit(dispatcher->ExitCode());
  return noQuit;
}

// ---- slot grid --------------------------------------------------------------------------

void CFirstPropertyPage::PlaceSlotGroups(const std::vector<SlotPlacement>& placements) {
  auto place = [this](int id, const ui::CRect& rect) {
    if (CWnd* control = GetDlgItem(id)) {
      control->SetWindowPos(ui::InsertAfter::Bottom, rect.left, rect.top, rect.Width(), rect.Height(),
                            ui::SWP_SHOWWINDOW);
    }
  };
  for (const SlotPlacement& placement : placements) {
    place(ids::StatusBox(placement.slot), placement.box);
    place(ids::Progress(placement.slot), placement.progress);
    place(ids::SlotLabel(placement.slot), placement.label);
    place(ids::ReportButton(placement.slot), placement.button);
  }
  for (int slot = static_cast<int>(placements.size()) + 1; slot <= kLegacySlotGroups; ++slot) {
    for (int id : {ids::StatusBox(slot), ids::Progress(slot), ids::SlotLabel(slot), ids::ReportButton(slot)}) {
      if (CWnd* control = GetDlgItem(id)) control->ShowWindow(ui::SW_HIDE);
    }
  }
}

int CFirstPropertyPage::ConfiguredSlotCount() {
  return ClampSlotCount(platform::ReadProfileInt(g_ParamIniPath, "General Info", "SlotNumber", kDefaultSlotNumber));
}

void CFirstPropertyPage::LayoutSlotGrid() {
  m_SlotNumber = ConfiguredSlotCount();
  PlaceSlotGroups(SlotGridPlacements(m_SlotNumber));
}

void CFirstPropertyPage::LayoutEightSlots() { PlaceSlotGroups(EightSlotPlacements()); }

void CFirstPropertyPage::LayoutSlotGridAlt() {
  m_SlotNumber = ConfiguredSlotCount();
  PlaceSlotGroups(SlotGridAltPlacements(m_SlotNumber));
}
