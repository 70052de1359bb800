#include "pages/bbt/BbtWorkerRun.h"

#include <algorithm>
#include <array>

#include "pages/bbt/BbtPage.h"
#include "platform/Clock.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

constexpr const char* kIcVersionTag = "I_V01";
constexpr const char* kIcVersionMessage = "IC ver Error";

// The scan-all-flash-ID table: 64 entries of 8 bytes, one per CE; a CE carries flash when the
// first seven bytes of its entry are not all zero.
constexpr std::size_t kFlashIdTableBytes = 512;
constexpr std::size_t kFlashIdEntryBytes = 8;
constexpr std::size_t kFlashIdBytes = 7;

std::uint32_t CesWithFlash(const std::array<std::uint8_t, kFlashIdTableBytes>& table) {
  std::uint32_t count = 0;
  for (auto entry = table.begin(); entry != table.end(); entry += kFlashIdEntryBytes) {
    if (std::any_of(entry, entry + kFlashIdBytes, [](std::uint8_t b) { return b != 0; })) ++count;
  }
  return count;
}

void Release(std::vector<std::uint8_t>& buffer) {
  buffer.clear();
  buffer.shrink_to_fit();
}

}  // namespace

CBbtWorkerRun::CBbtWorkerRun(CPropertyPage_DBT& page, int taskKind)
    : m_page(page),
      m_engine(std::make_unique<CMPDevice>(page.SelectedDevice(), taskKind, page.PortNumber(), page.LogFolder(),
                                           &page.StatusBox(), nullptr)) {
  m_page.SetEngine(m_engine.get());
  m_engine->SetLogFileNames(0);
  // The page writes into a folder a station's passes use: their reports are kept.
  m_engine->KeepEarlierReports();
  m_engine->WriteReportLine("START", CMPDevice::kSuccessLine);
}

CBbtWorkerRun::~CBbtWorkerRun() {
  Release(m_engine->m_BBTBuffer);
  Release(m_engine->m_WholeTableBuffer);
  m_page.SetEngine(nullptr);
  m_engine.reset();
  platform::Sleep(CPropertyPage_DBT::kSettleMs);
  m_page.EndWork();
}

void CBbtWorkerRun::Progress(int position) { m_page.Progress().SetPos(position); }

bool CBbtWorkerRun::BringToRamCode(bool tableWork) {
  CMPDevice& engine = *m_engine;
  Progress(5);
  m_polling = settings::ReadInt(settings::keys::UsePolling) == 1 ? 1 : 0;
  if (!engine.CheckICVer()) return Fail(kIcVersionTag, kIcVersionMessage);
  Progress(10);
  engine.m_RunningCodeCheck = 1;
  if (!engine.ChkRC(CMPDevice::kRequireAnyCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "", nullptr)) {
    return FailWithEngineError();
  }
  Progress(20);
  if (engine.m_RunOnFlashCode) {
    if (tableWork && !engine.ReadSystemInfo()) return FailWithEngineError();
    if (!engine.ForceToBootCode()) return FailWithEngineError();
  } else if (engine.m_RunOnBootCode) {
    if (tableWork && !engine.ReadSystemInfo()) return FailWithEngineError();
    if (!engine.JumpToBootAndWait(CMPDevice::kJumpToBootPauseMs)) return FailWithEngineError();
  } else if (tableWork) {
    std::array<std::uint8_t, kFlashIdTableBytes> flashIds{};
    if (!engine.ReadAllFlashID(flashIds.data())) return FailWithEngineError();
    engine.m_CECount = CesWithFlash(flashIds);
  }
  if (!engine.ChkRC(CMPDevice::kRequireBootCode, CMPDevice::kNoVersionCheck, CMPDevice::kWriteFailRecord, "",
                    nullptr)) {
    return FailWithEngineError();
  }
  if (!engine.LoadPRAMCode(CMPDevice::kMpImage, "")) return FailWithEngineError();
  Progress(40);
  return true;
}

bool CBbtWorkerRun::Fail(std::string_view tag, std::string_view message) {
  m_page.StatusBox().SetWindowText(platform::Format("Fail, %s, %s", CMPDevice::ErrorTagToCode(tag).c_str(),
                                                    std::string(message).c_str()));
  return false;
}

bool CBbtWorkerRun::FailWithEngineError() {
  const std::string tag = m_engine->m_ErrorTag;
  const std::string message = m_engine->m_ErrorMessage;
  return Fail(tag, message);
}

bool CBbtWorkerRun::FailWithRecord(std::string_view tag, std::string_view message, std::string_view reason) {
  if (!reason.empty()) m_engine->WriteReportLine(reason, CMPDevice::kPlainLine);
  m_engine->m_ErrorTag.assign(tag);
  m_engine->m_ErrorMessage.assign(message);
  m_engine->WriteFailReport();
  return Fail(tag, message);
}

bool CBbtWorkerRun::Refuse(std::string_view text) {
  m_page.StatusBox().SetWindowText(text);
  return false;
}

void CBbtWorkerRun::Pass(std::string_view verdict, std::string_view listedFile) {
  Progress(100);
  m_engine->WriteReportLine("END", CMPDevice::kSuccessLine);
  if (!listedFile.empty()) m_page.ShowCompanionTextFile(listedFile);
  m_page.StatusBox().SetWindowText(verdict);
}
