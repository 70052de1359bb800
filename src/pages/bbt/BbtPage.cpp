#include "pages/bbt/BbtPage.h"

#include <fstream>

#include "device/StationHelpers.h"
#include "pages/bbt/BbtFileNames.h"
#include "pages/bbt/BbtPageLayout.h"
#include "pages/bbt/BbtWorkers.h"
#include "pages/production/RunFiles.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "ui/Dispatcher.h"
#include "ui/FileDialog.h"
#include "ui/Host.h"

namespace {

namespace ids = bbt_ids;

constexpr ui::COLORREF kStatusText = ui::RGB(0, 0, 0);
constexpr ui::COLORREF kStatusBackground = ui::RGB(255, 255, 255);
constexpr int kListFontHeight = 15;
constexpr const char* kListFontFace = "Courier New";
constexpr const char* kTextFilter = "(*.txt)|*.txt||";

}  // namespace

CPropertyPage_DBT::CPropertyPage_DBT() : CPropertyPage(&BbtPageTemplate()) {
  m_status.SetColor(kStatusText, kStatusBackground);
}

CPropertyPage_DBT::~CPropertyPage_DBT() { JoinWorker(); }

void CPropertyPage_DBT::DoDataExchange(ui::CDataExchange* exchange) {
  ui::DDX_Control(exchange, ids::kDisk, m_disk);
  ui::DDX_Control(exchange, ids::kGetBbt, m_getBbt);
  ui::DDX_Control(exchange, ids::kWriteBbt, m_writeBbt);
  ui::DDX_Control(exchange, ids::kEraseAll, m_eraseAll);
  ui::DDX_Control(exchange, ids::kOpenFile, m_openFile);
  ui::DDX_Control(exchange, ids::kTvBbt, m_tvBbt);
  ui::DDX_Control(exchange, ids::kStatus, m_status);
  ui::DDX_Control(exchange, ids::kProgress, m_progress);
  ui::DDX_Control(exchange, ids::kFileLines, m_fileLines);
}

bool CPropertyPage_DBT::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  // Nothing reads this folder; the file dialogs start in the current folder.
  MakeDirectoryPath(GetModuleFolder() + "\\Configuration\\BBT\\");
  m_fileLines.ResetContent();
  m_fileLines.SetHorizontalExtent(kListExtentPixels);
  m_disk.ForgetList();
  m_layoutReady = true;
  m_tvBbt.SetCheck(ui::BST_CHECKED);
  LayoutList();
  m_listFont = std::make_unique<ui::CFont>();
  ui::LOGFONT font;
  font.lfHeight = kListFontHeight;
  font.lfCharSet = 0;
  font.lfFaceName = kListFontFace;
  m_listFont->CreateFontIndirect(font);
  m_fileLines.SetFont(m_listFont.get(), true);
  platform::Sleep(kSettleMs);
  return true;
}

bool CPropertyPage_DBT::OnCommand(int id, int code) {
  if (m_disk.HandleCommand(id, code)) return true;
  if (code == ui::BN_CLICKED) {
    switch (id) {
      case ids::kGetBbt: OnBtnGetBbt(); return true;
      case ids::kWriteBbt: OnBtnWriteBbt(); return true;
      case ids::kEraseAll: OnBtnEraseAll(); return true;
      case ids::kOpenFile: OnBtnOpenFile(); return true;
      default: break;
    }
  }
  return CPropertyPage::OnCommand(id, code);
}

void CPropertyPage_DBT::OnSize(unsigned type, int width, int height) {
  CPropertyPage::OnSize(type, width, height);
  if (m_layoutReady) LayoutList();
}

bool CPropertyPage_DBT::OnQueryCancel() {
  if (!IsWorking()) return true;
  MessageBox("A bad-block-table job is running; close the program when it has ended.");
  return false;
}

void CPropertyPage_DBT::LayoutList() {
  const ui::CRect client = GetClientRect();
  m_fileLines.SetWindowPos(ui::InsertAfter::Top, client.left + kListMargin, client.top + kListTop,
                           client.Width() - 2 * kListMargin, client.Height() - kListTop - kListMargin,
                           ui::SWP_SHOWWINDOW);
}

void CPropertyPage_DBT::OnBtnGetBbt() { StartWork(&GetBbtThread, "QC"); }

void CPropertyPage_DBT::OnBtnWriteBbt() {
  StartWork(TvBbtChecked() ? &WriteBbtFromTextThread : &WriteBbtFromSotThread, "QC");
}

void CPropertyPage_DBT::OnBtnEraseAll() { StartWork(&EraseAllThread, "EA"); }

void CPropertyPage_DBT::StartWork(BbtWorker worker, const char* logKind) {
  m_progress.SetPos(0);
  m_status.SetWindowText("");
  m_fileLines.ResetContent();
  const std::int32_t drive = SelectedDevice();
  if (drive == CDiskSelectCombo::kNoDevice) return;
  JoinWorker();
  const int port = m_disk.ChosenPort();
  std::string holder;
  m_claim = CDiskClaim::Take(drive, kClaimOwner, &holder);
  if (!m_claim) {
    m_status.SetWindowText(DiskInUseText(port, holder));
    return;
  }
  EnableWorkControls(false);
  m_portNumber = port;
  m_logFolder = LogFolderText(logKind);
  m_working.store(true);
  if (!m_worker.Start([this, worker] { worker(this); })) {
    m_status.SetWindowText("Fail, the job cannot be started: no worker thread!!");
    EndWork();
  }
}

void CPropertyPage_DBT::EndWork() {
  m_claim.Release();
  EnableWorkControls(true);
  m_working.store(false);
  if (ui::Dispatcher* dispatcher = ui::Dispatcher::Current()) dispatcher->Wake();
}

void CPropertyPage_DBT::EnableWorkControls(bool enable) {
  m_disk.EnableWindow(enable);
  m_eraseAll.EnableWindow(enable);
  m_getBbt.EnableWindow(enable);
  m_writeBbt.EnableWindow(enable);
  m_openFile.EnableWindow(enable);
}

void CPropertyPage_DBT::JoinWorker() {
  if (!m_worker.Joinable()) return;
  // A running worker may wait for a file dialog that only this thread can show.
  ui::Dispatcher* dispatcher = ui::Dispatcher::Current();
  if (dispatcher && dispatcher->IsUiThread()) dispatcher->PumpUntil([this] { return !IsWorking(); }, ui::kWaitForever, false);
  m_worker.Join();
}

void CPropertyPage_DBT::OnBtnOpenFile() {
  ui::CFileDialog dialog(false, "txt", "", ui::OFN_HIDEREADONLY | ui::OFN_NOCHANGEDIR, kTextFilter, this);
  dialog.SetInitialFolder(platform::StationFolderText());
  const std::string path = dialog.DoModal() == ui::IDOK ? dialog.GetPathName() : std::string();
  std::ifstream file;
  if (!path.empty()) file.open(platform::ToNativePath(path), std::ios::binary);
  if (!file.is_open()) {
    MessageBox("File is not exist.");
    return;
  }
  file.close();
  ui::OpenFileOrSaySo(path, this);
}

void CPropertyPage_DBT::ShowCompanionTextFile(std::string_view fileName) {
  const std::optional<std::string> companion = NamedAfter(fileName, kTextExtension);
  if (!companion || !platform::FileExists(*companion) || platform::IsDirectory(*companion)) return;
  const std::optional<std::string> text = platform::ReadWholeFile(*companion);
  if (!text) return;
  m_fileLines.ResetContent();
  for (const std::string& line : ListedLines(*text)) m_fileLines.AddString(line);
}
