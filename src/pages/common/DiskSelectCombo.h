#pragma once
// CDiskSelectCombo: the "Disk :" drop-down of the bad-block-table page and the two result
// pages. It lists port numbers, not drives: a port is listed when AutoMapping.ini and the
// current device listing together map a drive to it, and choosing a port gives the drive number
// (the 1-based index in the listing) that the page's workers hand to the engine.
//
// Every drop-down rebuilds the list and the port-to-drive table (PortDeviceTable) through the
// production page's own mapping routine (RefreshPortMapping, which also refreshes the mapping
// records by g_MappingType), and clears the choice. A choice sets SelectedDevice from the table
// and then runs the page's own step, when it has one (the result pages show the chosen drive's
// result at once).
//
// What the field shows is what the page's buttons act on. A text typed into it that names a
// listed port (blanks at both ends removed) is that port's choice, as if it had been chosen in
// the list, and the field keeps the text as typed; any other text is no choice. A page that has
// not listed its ports yet (none was ever listed, or the list was forgotten since) lists them as a
// drop-down does before the text is matched, so a port typed before the list was ever opened is
// found too. Typing runs the page's step after an edit (none by default), not the step after a
// choice, and sends nothing to a drive. A report read from a file stands under a field that names
// no port (ShowNoPort).
//
// A page binds the combo to its template item with DDX_Control, like any combo box, and hands
// it every command first:
//     bool CMyPage::OnCommand(int id, int code) {
//       if (m_disk.HandleCommand(id, code)) return true;
//       ...
// Threads: the handlers run on the user-interface thread; SelectedDevice may be read from any.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

#include "pages/common/AutoMapping.h"
#include "ui/ComboBox.h"

class CDiskSelectCombo : public ui::CComboBox {
 public:
  static constexpr std::int32_t kNoDevice = -1;

  // The page's step after a choice; none by default.
  void SetAfterSelection(std::function<void()> action) { m_afterSelection = std::move(action); }
  // The page's step after the user typed into the field; none by default.
  void SetAfterEdit(std::function<void()> action) { m_afterEdit = std::move(action); }

  // CBN_DROPDOWN, CBN_SELCHANGE and CBN_EDITCHANGE of this combo run the handlers below; true
  // when the command was one of them.
  bool HandleCommand(int id, int code);

  // Empties the list, clears the choice, lists the drives anew, refreshes the mapping records
  // and lists the ports that have a drive ("%d", shown sorted as text: 1, 10, 11, ..., 2, ...).
  void OnDropDownDisk();
  // SelectedDevice from the chosen item (an item of a port without a drive gives kNoDevice),
  // then the page's step.
  void OnSelChangeDisk();
  // The typed text's item, when it names one, becomes the current item with the text kept (the
  // ports are listed first when they have not been yet); SelectedDevice follows it (kNoDevice
  // without one); then the page's step after an edit.
  void OnEditChangeDisk();

  // Empties the list and the field and forgets the choice; the next text typed lists the ports
  // again before it is matched.
  void ForgetList();
  // The field names no port: its text is emptied, no item is current and no drive is chosen.
  void ShowNoPort();

  // The drive number of the chosen port; kNoDevice when none is chosen.
  std::int32_t SelectedDevice() const { return m_SelectedDevice.load(); }
  // Forgets the choice (the pages' dialog set-up).
  void ClearSelection() { m_SelectedDevice.store(kNoDevice); }
  // Entry p: the drive number mapped to port p by the last drop-down, 0 none.
  const PortDeviceTable& PortDevices() const { return m_PortDeviceTable; }
  // The port number of the current list item, read again from its text (the slot number the
  // pages hand to their engines); 0 when no item is current, as when the field names no
  // listed port.
  int ChosenPort() const;

  // The number an item text stands for: trimmed at both ends and read as a decimal number (no
  // digits give 0).
  static int PortOfItemText(std::string_view text);

 private:
  // SelectedDevice from the current item's port.
  void SelectDeviceOfChosenPort();

  PortDeviceTable m_PortDeviceTable{};
  // Whether the ports have been listed since the list was last forgotten (user-interface thread).
  bool m_listed = false;
  std::atomic<std::int32_t> m_SelectedDevice{kNoDevice};
  std::function<void()> m_afterSelection;
  std::function<void()> m_afterEdit;
};
