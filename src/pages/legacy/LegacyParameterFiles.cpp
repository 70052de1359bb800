// The legacy slot page's parameter file (.\param.ini): Reload Param, the list of the other
// parameter files of the folder with its lock, the product information and the serial range.
#include "pages/legacy/FirstPropertyPage.h"
#include "pages/legacy/ProductInfo.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "run/RunGlobals.h"
#include "ui/FileDialog.h"

namespace {

constexpr const char* kLoadSuccess = "Load file Success !!!";
constexpr const char* kLoadFail = "Load file Fail !!!";
constexpr std::size_t kSerialBuffer = 26;  // at most 25 characters

}  // namespace

void CFirstPropertyPage::ReadProductInfo() {
  m_InfoList.ResetContent();
  for (const std::string& line : ProductInfoLines(m_InfoSource, g_WorkingNo.Get())) m_InfoList.AddString(line + "\n");
  m_InfoList.Invalidate();
  UpdateData(false);
}

void CFirstPropertyPage::OnReloadParam() {
  ui::CFileDialog dialog(true, "", "", ui::OFN_HIDEREADONLY | ui::OFN_FILEMUSTEXIST, "", this);
  // Only the very text of param.ini's path is taken for param.ini itself. Another text that
  // names it is copied like any file: the copy replaces param.ini through a temporary file and
  // refuses a file copied onto itself, so such a choice fails ("Load file Fail !!!") and
  // param.ini stays as it was.
  if (dialog.DoModal() == ui::IDOK && dialog.GetPathName() != m_ParamIniPath) {
    if (platform::CopyFile(dialog.GetPathName(), m_ParamIniPath, false)) {
      MessageBox(kLoadSuccess, {}, ui::MB_OK | ui::MB_ICONINFORMATION);
    } else {
      MessageBox(kLoadFail, {}, ui::MB_OK | ui::MB_ICONERROR);
    }
  }
  if (!m_TotalLogPath.empty()) {
    platform::WriteProfileString(m_TotalLogPath, "Serial Number", "Last Serial Number", "");
  }
  ReadProductInfo();
  UpdateData(false);
}

void CFirstPropertyPage::ListParameterFiles() {
  m_ParamFileList.clear();
  const std::vector<platform::FileEntry> files = platform::FindFiles(".\\*.ini");
  for (const platform::FileEntry& entry : files) {
    if (entry.IsDirectory() || platform::ToUpper(entry.name) == "PARAM.INI") continue;
    m_ParamFileList.push_back(entry.name);
  }
  if (files.empty()) return;
  m_ParamFileCombo.ResetContent();
  m_ParamFileCount = static_cast<int>(m_ParamFileList.size());
  for (const std::string& name : m_ParamFileList) m_ParamFileCombo.AddString(name);
}

void CFirstPropertyPage::OnSelchangeParamFile() {
  UpdateData(true);
  const int selected = m_ParamFileCombo.GetCurSel();
  if (selected < 0) return;
  const std::string name = platform::Trim(m_ParamFileCombo.GetLBText(selected));
  if (!platform::CopyFile(platform::Format(".\\%s", name.c_str()), m_ParamIniPath, false)) {
    MessageBox(kLoadFail, {}, ui::MB_OK | ui::MB_ICONERROR);
  }
  ReadProductInfo();
  SetupLogFolders();
  UpdateData(false);
}

void CFirstPropertyPage::OnDropdownParamFile() { ListParameterFiles(); }

void CFirstPropertyPage::OnLock() {
  UpdateData(true);
  m_ParamFileCombo.EnableWindow(m_LockCheck.GetCheck() != ui::BST_CHECKED);
  UpdateData(false);
}

void CFirstPropertyPage::ShowSerialRange() {
  const std::string file = platform::Format("%s\\%s", m_LogFolder.c_str(), "SATA_RecordSN.ini");
  const std::string start =
      platform::Trim(platform::ReadProfileString(file, "Serial Number", "Start Serial Number", "", kSerialBuffer));
  const std::string last =
      platform::Trim(platform::ReadProfileString(file, "Serial Number", "Last Serial Number", "", kSerialBuffer));
  m_SerialRangeEdit.SetWindowText(SerialRangeText(start, last));
  UpdateData(false);
}
