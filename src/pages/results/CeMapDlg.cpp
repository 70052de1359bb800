#include "pages/results/CeMapDlg.h"

#include <array>
#include <cstring>
#include <memory>

#include "device/DevicePaths.h"
#include "device/records/InfoBlock.h"
#include "engine/MPDevice.h"
#include "platform/Text.h"

namespace {

namespace ids = cemap_ids;

constexpr char kZeroBits[] = "0 0 0 0 0 0 0 0   0 0 0 0 0 0 0 0";
constexpr char kNoIdText[] = "00 00 00 00 00 00 00";
constexpr int kCes = 16;
constexpr std::size_t kFlashIdEntryBytes = 8;
// The engine of the dialog: task kind 11, no settings read.
constexpr int kEngineTaskKind = 11;
// Running-code check that takes any code.
// The info block's mark word says nothing when it reads this.
constexpr std::uint16_t kNoMarks = 0xFFFF;
// The lists of flash IDs, one row per CE, and the CE labels beside them (dialog units): a
// label stands a unit below the top of its row, and the rows take the labels' pitch.
constexpr int kListTop = 54;
constexpr int kRowPitch = 10;

ui::DialogTemplate MakeTemplate() {
  using ui::ControlKind;
  using ui::DialogItem;
  ui::DialogTemplate dialog{ids::kTemplate, "CE Map", 268, 143, ui::DialogFont{}, {}};
  auto& items = dialog.items;
  items.push_back(DialogItem{ui::IDCANCEL, ControlKind::Button, "Cancel", 211, 4, 50, 14,
                             ui::BS_PUSHBUTTON | ui::WS_TABSTOP});
  items.push_back(DialogItem{2101, ControlKind::Static, "Scan CE :", 6, 6, 44, 8, ui::SS_LEFT});
  items.push_back(DialogItem{ids::kScanCe, ControlKind::Static, kZeroBits, 52, 6, 150, 8, ui::SS_LEFT});
  items.push_back(DialogItem{2102, ControlKind::Static, "CE Map :", 6, 18, 44, 8, ui::SS_LEFT});
  items.push_back(DialogItem{ids::kCeMap, ControlKind::Static, kZeroBits, 52, 18, 150, 8, ui::SS_LEFT});
  items.push_back(DialogItem{2103, ControlKind::Static, "Disable CE :", 6, 30, 44, 8, ui::SS_LEFT});
  items.push_back(DialogItem{ids::kDisableCe, ControlKind::Static, "00 00 00 00 00 00 00 00", 52, 30, 210, 8,
                             ui::SS_LEFT});
  items.push_back(DialogItem{2104, ControlKind::Static, "Channel 0", 6, 44, 60, 8, ui::SS_LEFT});
  items.push_back(DialogItem{2105, ControlKind::Static, "Channel 1", 136, 44, 60, 8, ui::SS_LEFT});
  for (int ce = 0; ce < kCes; ++ce) {
    const int x = ce < 8 ? 6 : 136;
    const int y = kListTop + 1 + (ce % 8) * kRowPitch;
    items.push_back(DialogItem{2110 + ce, ControlKind::Static, platform::Format("CE%d", ce), x, y, 20, 8, ui::SS_LEFT});
  }
  items.push_back(DialogItem{ids::kChannel0, ControlKind::ListCtrl, "", 28, kListTop, 100, 82,
                             ui::LVS_SMALLICON | ui::LVS_NOSCROLL | ui::LVS_AUTOARRANGE | ui::WS_BORDER});
  items.push_back(DialogItem{ids::kChannel1, ControlKind::ListCtrl, "", 158, kListTop, 100, 82,
                             ui::LVS_SMALLICON | ui::LVS_NOSCROLL | ui::WS_BORDER});
  return dialog;
}

const ui::DialogTemplate& CeMapTemplate() {
  static const ui::DialogTemplate dialog = MakeTemplate();
  return dialog;
}

}  // namespace

std::string CeBitString(std::uint16_t bits) {
  std::string low;
  std::string high;
  for (int ce = 0; ce < kCes; ++ce) (ce < 8 ? low : high) += platform::Format("%d ", (bits >> ce) & 1);
  return platform::Format("%s  %s", low.c_str(), high.c_str());
}

std::string DisabledCeText(std::uint16_t scanned, std::uint16_t ceMap, bool markPresent, std::uint16_t marks) {
  std::string text;
  for (int ce = 0; ce < kCes; ++ce) {
    if (((scanned >> ce) & 1) == 0 || ((ceMap >> ce) & 1) != 0) continue;
    if (markPresent) {
      text += platform::Format("CE %d%s, ", ce, ((marks >> ce) & 1) ? "(RBB)" : "(OBB)");
    } else {
      text += platform::Format("CE %d, ", ce);
    }
  }
  return text;
}

CCeMapDlg::CCeMapDlg(ui::CWnd* parent) : CDialog(&CeMapTemplate(), parent) {}

void CCeMapDlg::DoDataExchange(ui::CDataExchange* exchange) {
  ui::DDX_Control(exchange, ids::kScanCe, m_scanCe);
  ui::DDX_Control(exchange, ids::kDisableCe, m_disableCe);
  ui::DDX_Control(exchange, ids::kCeMap, m_ceMap);
  ui::DDX_Control(exchange, ids::kChannel1, m_channel1);
  ui::DDX_Control(exchange, ids::kChannel0, m_channel0);
}

bool CCeMapDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // Each flash ID stands beside its CE's label, at any dialog font.
  const int rowHeight = MapDialogRect(0, 0, 0, kRowPitch).Height();
  m_channel0.SetRowHeight(rowHeight);
  m_channel1.SetRowHeight(rowHeight);
  return ReadDrive();
}

bool CCeMapDlg::ReadDrive() {
  auto engine = std::make_unique<CMPDevice>(m_driveNumber, kEngineTaskKind, m_mpFirmwareName, 0, 0);
  auto fail = [this](const char* message) {
    m_disableCe.SetWindowText(message);
    return false;
  };
  if (g_U2AMode.load() == 0 && !engine->CheckIOState(1)) return fail("Tester Failed!!!");
  if (!engine->CheckICVer()) return fail("IC ver error!!");
  engine->m_RunningCodeCheck = 1;
  if (!engine->ChkRC(CMPDevice::kRequireAnyCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                     nullptr)) {
    return fail("Check identify fail!!");
  }

  std::array<std::uint8_t, CMPDevice::kRecordBytes> record{};
  std::array<std::uint8_t, CMPDevice::kSectorBytes> sector{};
  bool markPresent = false;
  std::uint16_t marks = 0;
  if (engine->m_RunOnFlashCode) {
    if (!engine->m_RunRDTFirmware) {
      if (!engine->DirectAccessInfoBlock(sector.data(), 0, 0)) return fail("Read Info block fail!!");
      InfoBlockRecord infoBlock;
      static_assert(sizeof(infoBlock) == CMPDevice::kSectorBytes);
      std::memcpy(&infoBlock, sector.data(), sizeof(infoBlock));
      std::memcpy(record.data(), &infoBlock.mpInfo, record.size());
      marks = static_cast<std::uint16_t>(infoBlock.mpInfo.ceBitMapForBbStatus.Get());
      markPresent = marks != kNoMarks;
    }
    if (!engine->ForceToBootCode()) return fail("Force to boot fail!!");
  }
  if (!engine->ReadFlashID(0, 0)) return fail("Device Get Info Failed!!!");
  sector.fill(0);
  if (!engine->ReadAllFlashID(sector.data())) return fail("Device Get Info Failed!!!");

  m_channel0.DeleteAllItems();
  m_channel1.DeleteAllItems();
  std::uint16_t scanned = 0;
  for (int ce = 0; ce < kCes; ++ce) {
    const std::uint8_t* id = sector.data() + ce * kFlashIdEntryBytes;
    const std::string text =
        platform::Format("%02X %02X %02X %02X %02X %02X %02X", id[0], id[1], id[2], id[3], id[4], id[5], id[6]);
    (ce < 8 ? m_channel0 : m_channel1).InsertItem(ce % 8, text);
    if (!platform::EqualsNoCase(text, kNoIdText)) scanned = static_cast<std::uint16_t>(scanned | (1u << ce));
  }
  m_scanCe.SetWindowText(CeBitString(scanned));

  if ((engine->m_RunOnBootCode || engine->m_RunOnFlashCode) && !engine->LoadPRAMCode(CMPDevice::kMpImage, "")) {
    return fail("Load fw fail!!");
  }
  record.fill(0);
  if (!engine->ReadRDTInfo(record.data(), nullptr)) record.fill(0);  // no RDT information: no CE map
  MpInfo info;
  std::memcpy(&info, record.data(), sizeof(info));
  const std::uint16_t ceMap = static_cast<std::uint16_t>(info.ceBitMap.Get());
  if (ceMap != 0) {
    m_ceMap.SetWindowText(CeBitString(ceMap));
    m_disableCe.SetWindowText(DisabledCeText(scanned, ceMap, markPresent, marks));
  } else {
    m_ceMap.SetWindowText(kZeroBits);
  }
  return true;
}
