#include "pages/legacy/ResultMessageDlg.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "device/StationHelpers.h"
#include "pages/legacy/LegacyPageLayout.h"
#include "platform/Clock.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "ui/Dispatcher.h"
#include "ui/Host.h"

namespace {

namespace ids = legacy_ids;

constexpr std::uint32_t kStopSettleMs = 200;
constexpr std::size_t kCaptionBuffer = 260;

}  // namespace

CResultMessageDlg::CResultMessageDlg(ui::CWnd* parent) : CDialog(&ResultMessageTemplate(), parent) {}

CResultMessageDlg::~CResultMessageDlg() { StopWatcher(false); }

void CResultMessageDlg::DoDataExchange(ui::CDataExchange* exchange) {
  CDialog::DoDataExchange(exchange);
  ui::DDX_Control(exchange, ids::kResultList, m_List);
}

bool CResultMessageDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  SetWindowText(platform::Format("Result :  Tester [ %d ]", m_Slot));
  m_Stop = false;
  m_List.ResetContent();
  m_List.SetHorizontalExtent(kScrollExtent);
  m_Accelerators = ui::AcceleratorTable({ui::Accelerator{ui::VK_SPACE, false, false, false, ids::kSpaceCommand}});
  // The caption file may name the Open button in the operator's language.
  if (!GetCaption(ids::kOpenFolder, false).empty()) GetCaption(ids::kOpenFolder, true);
  m_WatcherDone = false;
  const bool started = m_Watcher.Start([this] {
    while (!m_Stop.load()) {
      WatchOnce();
      platform::Sleep(kWatchPeriodMs);
    }
    m_WatcherDone = true;
    if (ui::Dispatcher* dispatcher = ui::Dispatcher::Current()) dispatcher->Wake();
  });
  if (!started) m_WatcherDone = true;
  return true;
}

std::string CResultMessageDlg::GetCaption(int controlId, bool apply) {
  const char* key = controlId == ids::kOpenFolder ? "IDC_BUTTON_Open" : "Unknown";
  const std::string caption =
      platform::Trim(platform::ReadProfileString(GetLanguageIniPath(), "Result Dialog", key, "", kCaptionBuffer));
  if (apply) SetDlgItemText(controlId, caption);
  return caption;
}

void CResultMessageDlg::WatchOnce() {
  const std::filesystem::path native = platform::ToNativePath(m_ReportFile);
  // The stamp comes from the file that is read, so a report replaced meanwhile is never taken
  // for the one read.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(native.c_str(), "rb"), &std::fclose);
  if (!file) return;  // missing or not readable: tried again at the next pass
  struct stat status {};
  if (::fstat(::fileno(file.get()), &status) != 0) return;
  const FileStamp stamp{status.st_mtim.tv_sec, status.st_mtim.tv_nsec, static_cast<std::uintmax_t>(status.st_size)};
  if (m_HasStamp && stamp == m_LastStamp) return;

  // File lines and list entries are counted alike, empty lines included; a line longer than
  // one read counts as one entry per read.
  const int count = m_List.GetCount();
  int lines = 0;
  char buffer[kReadPiece + 1];
  while (std::fgets(buffer, sizeof buffer, file.get()) != nullptr) {
    ++lines;
    if (lines > count) m_List.AddString(platform::TrimRight(buffer));
  }
  if (count > lines) m_List.ResetContent();
  if (m_List.GetCount() > 0) m_List.SetCurSel(m_List.GetCount() - 1);
  m_LastStamp = stamp;
  m_HasStamp = true;
}

void CResultMessageDlg::StopWatcher(bool pumpWhileWaiting) {
  m_Stop = true;
  if (!m_Watcher.Joinable()) return;
  ui::Dispatcher* dispatcher = ui::Dispatcher::Current();
  if (pumpWhileWaiting && dispatcher != nullptr && dispatcher->IsUiThread()) {
    platform::Sleep(kStopSettleMs);
    dispatcher->PumpUntil([this] { return m_WatcherDone.load(); }, ui::kWaitForever, false);
  }
  m_Watcher.Join();
}

void CResultMessageDlg::OnCancel() {
  StopWatcher(true);
  EndDialog(ui::IDCANCEL);
}

void CResultMessageDlg::OnDestroy() {
  StopWatcher(false);
  CDialog::OnDestroy();
}

bool CResultMessageDlg::OnCommand(int id, int code) {
  if (id == ids::kOpenFolder && code == ui::BN_CLICKED) {
    OnOpenFolder();
    return true;
  }
  if (id == ids::kSpaceCommand && code == ui::kAcceleratorCode) {
    OnSpaceKey();
    return true;
  }
  return CDialog::OnCommand(id, code);
}

bool CResultMessageDlg::PreTranslateMessage(const ui::KeyMessage& message) {
  if (m_Accelerators.IsLoaded() && m_Accelerators.Translate(*this, message)) return true;
  return CDialog::PreTranslateMessage(message);
}

void CResultMessageDlg::OnOpenFolder() { ui::ShellExecute("explore", m_ReportFolder); }

void CResultMessageDlg::OnSpaceKey() {
  if (GetTestStationIndex() != kStationRDTResult) return;
  m_ClosedByKey = 1;
  OnCancel();
}
