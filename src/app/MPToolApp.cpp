#include "app/MPToolApp.h"

#include "app/DeviceLayerHooks.h"
#include "app/PageMask.h"
#include "device/StationHelpers.h"
#include "device/Transport.h"
#include "platform/Profile.h"
#include "platform/StationSettings.h"
#include "platform/Text.h"

CMPToolApp theApp;

std::string MakeSheetCaption(std::string_view buildVersion) {
  return platform::Format("%s MP Tool %s", "SATA SSD", std::string(buildVersion).c_str());
}

CMPToolApp::CMPToolApp(std::span<const SheetPageEntry> pages) : m_pageTable(pages) {}

std::string SheetCaptionWithTransport(std::string_view buildVersion) {
  std::string caption = MakeSheetCaption(buildVersion);
  const std::shared_ptr<device::Transport> transport = device::GetTransport();
  const std::string label = transport ? transport->OperatorLabel() : std::string();
  if (!label.empty()) caption += " - " + label;
  return caption;
}

std::unique_ptr<ui::CPropertySheet> CMPToolApp::BuildSheet() {
  auto sheet = std::make_unique<ui::CPropertySheet>(
      SheetCaptionWithTransport(settings::ReadText(settings::keys::BuildVersion)));
  const unsigned mask = ReadUIPageMask();
  const std::string captionFile = GetLanguageIniPath();
  m_pages.clear();
  for (unsigned bit = 0; bit < 32; ++bit) {
    if ((mask & (1u << bit)) == 0) continue;
    for (const SheetPageEntry& entry : m_pageTable) {
      if (entry.bit != bit || !entry.make) continue;
      std::unique_ptr<ui::CPropertyPage> page = entry.make();
      if (!page) continue;
      const std::string title =
          platform::Trim(platform::ReadProfileString(captionFile, "Property Sheet", entry.captionKey, "", 260));
      if (!title.empty()) page->SetTitle(title);
      sheet->AddPage(page.get());
      m_pages.push_back(std::move(page));
    }
  }
  return sheet;
}

bool CMPToolApp::InitInstance() {
  std::unique_ptr<ui::CPropertySheet> sheet = BuildSheet();
  DeviceLayerHooks& device = GetDeviceLayerHooks();
  if (device.loadListing) device.loadListing();
  m_bridgeMode = static_cast<std::uint8_t>(settings::ReadInt(settings::keys::TvU2A));
  if (device.setBridgeMode) device.setBridgeMode(m_bridgeMode);
  sheet->DoModal();
  if (device.unloadListing) device.unloadListing();
  return false;
}

int CMPToolApp::ExitInstance() {
  m_pages.clear();
  return 0;
}
