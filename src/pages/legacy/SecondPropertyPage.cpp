#include "pages/legacy/SecondPropertyPage.h"

#include <fstream>
#include <optional>
#include <vector>

#include "device/StationHelpers.h"
#include "pages/legacy/LegacyPageLayout.h"
#include "pages/legacy/SummaryReport.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"
#include "ui/Keyboard.h"

namespace {

namespace ids = legacy_ids;

constexpr std::size_t kFolderBuffer = 250;  // at most 249 characters
constexpr std::size_t kControllerBuffer = 20;
constexpr std::size_t kImagePathBuffer = 255;
constexpr std::size_t kHeaderBytes = 512;
constexpr const char* kSupportedController = "TV3160";

std::string ParamText(const char* section, const char* key, std::size_t buffer) {
  return platform::ReadProfileString(g_ParamIniPath, section, key, "", buffer);
}

// The rows of a list as text lines, for Save as Text file.
std::string RowsText(const std::vector<SummaryRow>& rows) {
  std::string text;
  for (const SummaryRow& row : rows) text += row.item + "\t" + row.count + "\t" + row.rate + "\r\n";
  return text;
}

}  // namespace

CSecondPropertyPage::CSecondPropertyPage() : CPropertyPage(&SummaryPageTemplate()) {}

std::unique_ptr<CSecondPropertyPage> CSecondPropertyPage::CreateObject() {
  return std::make_unique<CSecondPropertyPage>();
}

void CSecondPropertyPage::DoDataExchange(ui::CDataExchange* exchange) {
  CPropertyPage::DoDataExchange(exchange);
  ui::DDX_Control(exchange, ids::kErrorCodeList, m_listErrorCodes);
  ui::DDX_Control(exchange, ids::kCardTotalsList, m_listCardTotals);
  ui::DDX_Control(exchange, ids::kHeaderInfo, m_editHeaderInfo);
  ui::DDX_Control(exchange, ids::kSummaryFiles, m_comboSummaryFiles);
  ui::DDX_Check(exchange, ids::kGenerateAnother, m_bGenerateAnother);
}

void CSecondPropertyPage::SetShown(std::initializer_list<int> controls, bool shown) {
  for (int id : controls) {
    if (CWnd* control = GetDlgItem(id)) control->ShowWindow(shown ? ui::SW_SHOW : ui::SW_HIDE);
  }
}

bool CSecondPropertyPage::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  SetShown({ids::kCardTotalsList, ids::kErrorCodeList, ids::kGenerate, ids::kSummaryFiles, ids::kSummaryChoiceLabel},
           false);
  g_WorkFolder.Set(platform::StationFolderText() + "\\");
  m_nStationIndex = GetTestStationIndex();
  const std::string computer = platform::ComputerName();

  const std::string configured = platform::Trim(ParamText("Log Path", "SetLogFolderPath", kFolderBuffer));
  std::string logFolder = configured;
  if (logFolder.empty()) {
    const std::string workOrder = platform::Trim(ParamText("General Info", "WorkingNo", kFolderBuffer));
    logFolder = platform::Format(".\\%s_%s\\%s\\", workOrder.c_str(), computer.c_str(),
                                 m_nStationIndex == kStationQC ? "QC" : "MP");
  }
  m_strSummaryLog = SummaryLogPath(logFolder);
  m_strSummaryFolder = platform::TrimRight(logFolder);
  while (!m_strSummaryFolder.empty() && m_strSummaryFolder.back() == '\\') m_strSummaryFolder.pop_back();
  SetShown({ids::kGenerateAnother, ids::kSaveAsText, ids::kGenerate, ids::kSummaryChoiceGroup}, false);

  m_bIsTV3160 =
      platform::StartsWithNoCase(platform::Trim(ParamText("Device Info", "ControllerType", kControllerBuffer)),
                                 kSupportedController)
          ? 1
          : 0;
  OnGenerate();
  ShowBinHeaderInfo();
  return true;
}

bool CSecondPropertyPage::OnCommand(int id, int code) {
  if (code == ui::BN_CLICKED) {
    if (id == ids::kGenerate) {
      OnGenerate();
      return true;
    }
    if (id == ids::kSaveAsText) {
      OnSaveAsText();
      return true;
    }
    if (id == ids::kGenerateAnother) {
      OnGenerateAnother();
      return true;
    }
  }
  return CPropertyPage::OnCommand(id, code);
}

bool CSecondPropertyPage::PreTranslateMessage(const ui::KeyMessage& message) {
  if (message.type == ui::KeyMessage::Type::KeyDown && message.virtualKey == ui::VK_ESCAPE) return true;
  return CPropertyPage::PreTranslateMessage(message);
}

void CSecondPropertyPage::OnGenerate() {
  SetShown({ids::kGenerate, ids::kSaveAsText}, false);
  if (!platform::FileExists(m_strSummaryLog)) {
    MessageBox("Don't found _Summary.log file !!!");
    return;
  }
  m_listErrorCodes.SetHeadings("Error Code, 100; Counter, 80; Rate , 80");
  m_listCardTotals.SetHeadings("Item , 100; Counter , 80; Rate , 80");
  m_listErrorCodes.ShowWindow(ui::SW_SHOW);
  m_listCardTotals.ShowWindow(ui::SW_SHOW);

  const int fail = platform::ReadProfileInt(m_strSummaryLog, "Results", "TotalErrorCount", 0);
  const int pass = platform::ReadProfileInt(m_strSummaryLog, "Results", "Pass", 0);
  const std::vector<SummaryRow> totals = CardTotalRows(fail, pass);
  // Inserted at the top one after the other, bottom row first.
  for (auto row = totals.rbegin(); row != totals.rend(); ++row) {
    m_listCardTotals.InsertItem(0, row->item);
    m_listCardTotals.SetItemText(0, 1, row->count);
    m_listCardTotals.SetItemText(0, 2, row->rate);
  }
  m_listCardTotals.SetGridLines(true);
  m_listCardTotals.SetEditable(false);

  if (!platform::ReadWholeFile(m_strSummaryLog)) {
    MessageBox("Open _Summary.log file Failed!!!");
    return;
  }
  const std::vector<SummaryRow> errors = ErrorCodeRows(m_strSummaryLog, fail);
  for (const SummaryRow& row : errors) {
    m_listErrorCodes.InsertItem(0, row.item);
    m_listErrorCodes.SetItemNumber(0, 1, static_cast<unsigned>(platform::ParseLeadingInt(row.count)));
    m_listErrorCodes.SetItemText(0, 2, row.rate);
  }
  m_listErrorCodes.SortColumn(1, false);
  m_listErrorCodes.SetGridLines(true);
  m_listErrorCodes.SetEditable(false);
  m_strSaveText = RowsText(totals) + RowsText(errors);
}

void CSecondPropertyPage::ShowBinHeaderInfo() {
  if (m_bIsTV3160 == 0) return;
  const std::string imagePath = platform::TrimRight(ParamText("Device Info", "ISP_MPBINCode", kImagePathBuffer));
  std::optional<std::uint64_t> length = platform::FileSize(imagePath);
  std::string opened = imagePath;
  if (!length) {
    const std::size_t slash = imagePath.rfind('\\');
    opened = g_WorkFolder.Get() + (slash == std::string::npos ? imagePath : imagePath.substr(slash + 1));
    length = platform::FileSize(opened);
    if (!length) return;
  }
  std::ifstream file(platform::ToNativePath(opened), std::ios::binary);
  if (!file) return;
  std::vector<std::uint8_t> header(kHeaderBytes, 0);
  file.read(reinterpret_cast<char*>(header.data()), static_cast<std::streamsize>(header.size()));
  const std::streamsize read = file.gcount();
  if (read <= 0) {
    MessageBox("Read MP BIN Code Failed !!!");
    return;
  }
  for (const std::string& line : BinHeaderLines(std::span<const std::uint8_t>(header.data(), static_cast<std::size_t>(read)))) {
    AppendEditLine(m_editHeaderInfo, line, false);
  }
  UpdateData(false);
}

void CSecondPropertyPage::AppendEditLine(ui::CEdit& edit, std::string text, bool clear) {
  m_headerFont.CreateFont(3, 0, 0, 0, 0, false, false, false, ui::DEFAULT_CHARSET, 0, 0, 0, 0, "Fixedsys");
  if (clear) {
    edit.SetWindowText("");
    return;
  }
  edit.SetFont(&m_headerFont);
  edit.SetWindowText(edit.GetWindowText() + text + "\n");
  edit.RedrawWindow();
}

void CSecondPropertyPage::OnGenerateAnother() {
  m_bGenerateAnother = m_bGenerateAnother != 0 ? 0 : 1;
  if (m_bGenerateAnother != 0) {
    SetShown({ids::kGenerate, ids::kSummaryFiles, ids::kSummaryChoiceLabel}, true);
    m_comboSummaryFiles.ResetContent();
    m_comboSummaryFiles.InsertString(0, m_strSummaryLog);
    for (const platform::FileEntry& entry :
         platform::FindFiles(platform::Format("%s\\*_Summary.xls", m_strSummaryFolder.c_str()))) {
      m_comboSummaryFiles.AddString(platform::Format("%s\\%s", m_strSummaryFolder.c_str(), entry.name.c_str()));
    }
    UpdateData(false);
    m_comboSummaryFiles.SetCurSel(0);
  } else {
    SetShown({ids::kGenerate, ids::kSummaryFiles, ids::kSummaryChoiceLabel}, false);
  }
}

void CSecondPropertyPage::OnSaveAsText() {
  SetShown({ids::kSaveAsText}, false);
  const std::string path = platform::Format("%s\\%s_Summary.log", m_strSummaryFolder.c_str(), m_strSavePrefix.c_str());
  // The summary log itself is never the file written here.
  if (SummaryLogPath(m_strSummaryFolder) == path || !platform::WriteWholeFile(path, "")) return;
  AppendTextToFile(path, m_strSaveText);
  SetShown({ids::kSaveAsText}, true);
}

int CSecondPropertyPage::AppendTextToFile(std::string path, std::string text) {
  if (!platform::FileExists(path)) return 1;
  std::ofstream file(platform::ToNativePath(path), std::ios::binary | std::ios::app);
  if (!file) return 1;
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.flush();
  return file ? 0 : 1;
}
