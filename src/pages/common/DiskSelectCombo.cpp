#include "pages/common/DiskSelectCombo.h"

#include "pages/common/PageGlobals.h"
#include "platform/Text.h"

bool CDiskSelectCombo::HandleCommand(int id, int code) {
  if (!IsCreated() || id != GetDlgCtrlID()) return false;
  if (code == ui::CBN_DROPDOWN) {
    OnDropDownDisk();
    return true;
  }
  if (code == ui::CBN_SELCHANGE) {
    OnSelChangeDisk();
    return true;
  }
  if (code == ui::CBN_EDITCHANGE) {
    OnEditChangeDisk();
    return true;
  }
  return false;
}

void CDiskSelectCombo::OnDropDownDisk() {
  ResetContent();
  m_SelectedDevice.store(kNoDevice);
  m_PortDeviceTable = RefreshPortMapping(g_MappingType.load());
  m_listed = true;
  // Entry 0 is never written, so the items are the ports 1..24 that have a drive.
  for (std::size_t port = 0; port <= static_cast<std::size_t>(kMappedPorts); ++port) {
    if (m_PortDeviceTable[port] != 0) AddString(platform::Format("%zu", port));
  }
}

void CDiskSelectCombo::OnSelChangeDisk() {
  SelectDeviceOfChosenPort();
  if (m_afterSelection) m_afterSelection();
}

void CDiskSelectCombo::OnEditChangeDisk() {
  const std::string typed = GetWindowText();
  if (!m_listed) {
    OnDropDownDisk();
    SetWindowText(typed);
  }
  SetCurSelKeepingText(FindStringExact(-1, platform::Trim(typed)));
  SelectDeviceOfChosenPort();
  if (m_afterEdit) m_afterEdit();
}

void CDiskSelectCombo::ForgetList() {
  ResetContent();
  ClearSelection();
  m_listed = false;
}

void CDiskSelectCombo::ShowNoPort() {
  SetCurSel(-1);
  ClearSelection();
}

void CDiskSelectCombo::SelectDeviceOfChosenPort() {
  const int port = ChosenPort();
  const std::uint32_t drive =
      port >= 0 && static_cast<std::size_t>(port) < m_PortDeviceTable.size() ? m_PortDeviceTable[port] : 0;
  m_SelectedDevice.store(drive == 0 ? kNoDevice : static_cast<std::int32_t>(drive));
}

int CDiskSelectCombo::ChosenPort() const { return PortOfItemText(GetLBText(GetCurSel())); }

int CDiskSelectCombo::PortOfItemText(std::string_view text) { return platform::ParseLeadingInt(platform::Trim(text)); }
