#pragma once
// CCeMapDlg: the "CE Map" dialog (338) of the later-bad page. When it opens it reads, from the
// chosen drive, the flash ID of every CE 0 to 15, the CE map of the drive's RDT information
// and, on a controller in ROM mode, the info block's per-CE mark word, and shows:
//   "Scan CE :"    1 for each CE whose flash answered the ID scan;
//   "CE Map :"     1 for each CE the drive's CE map enables;
//   "Disable CE :" the CEs that answered but are disabled, "(RBB)" or "(OBB)" by the mark word;
//   the seven ID bytes of each CE, channel 0 (CE0-CE7) and channel 1 (CE8-CE15).
// A failing step puts its message into "Disable CE :" and ends the reading.
#include <cstdint>
#include <string>

#include "ui/Dialog.h"
#include "ui/ListCtrl.h"
#include "ui/Static.h"

namespace cemap_ids {
inline constexpr int kTemplate = 338;
inline constexpr int kScanCe = 1911;
inline constexpr int kDisableCe = 1912;
inline constexpr int kCeMap = 1783;
inline constexpr int kChannel1 = 1785;
inline constexpr int kChannel0 = 1784;
}  // namespace cemap_ids

class CCeMapDlg : public ui::CDialog {
 public:
  explicit CCeMapDlg(ui::CWnd* parent = nullptr);

  void DoDataExchange(ui::CDataExchange* exchange) override;
  // Reads the drive (see above); false after a failure.
  bool OnInitDialog() override;

  // Set by the opener: the MP firmware's file name, the index of the chosen "Disk :" item (not
  // used) and the drive number.
  std::string m_mpFirmwareName;
  int m_selectedIndex = -1;
  std::int32_t m_driveNumber = -1;

  ui::CStatic m_scanCe;
  ui::CStatic m_disableCe;
  ui::CStatic m_ceMap;
  ui::CListCtrl m_channel1;
  ui::CListCtrl m_channel0;

 private:
  bool ReadDrive();
};

// The 16 CE bits as "b0 b1 ... b7   b8 ... b15 " ("%d " per CE, the halves joined by "%s  %s").
std::string CeBitString(std::uint16_t bits);
// The "Disable CE :" text: every CE that answered the scan but is clear in the CE map, with
// its "(RBB)" / "(OBB)" mark when the mark word was read.
std::string DisabledCeText(std::uint16_t scanned, std::uint16_t ceMap, bool markPresent, std::uint16_t marks);
