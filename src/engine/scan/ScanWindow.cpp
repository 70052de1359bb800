// The flash-interface timing-window scan: the controller tries its 16 timing settings on
// every channel and reports the window that passed; the station keeps the windows as the
// engine's window-scan text (the MP flow shows it in the pass text of 8-slot testers).
#include <array>

#include "engine/MPDevice.h"
#include "engine/scan/ScanTags.h"
#include "engine/scan/WindowScanResult.h"
#include "platform/Clock.h"
#include "platform/Text.h"

std::uint8_t CMPDevice::ScanWindow() {
  using namespace scan_tags;
  const std::uint64_t start = platform::TickCountMs();
  m_WindowScanText.clear();
  std::array<std::uint8_t, kSectorBytes> sector{};
  if (!Command().WindowScan(sector)) {
    return FailWithRecord(kWindowCommand, "Issue Window Scan Command Failed !!! " + Command().LastErrorMessage());
  }
  const std::optional<WindowScanResult> result = DecodeWindowScan(sector);
  if (!result) return FailWithRecord(kWindowCommand, "Window Scan result not valid !!!");
  m_WindowScanText = result->Text();
  WriteReportLine("Window Scan: " + m_WindowScanText, kPlainLine);
  if (!result->Passes()) {
    return FailWithRecord(kWindowEmpty, platform::Format("Window Scan Fail!! status %u, %s", result->status,
                                                         m_WindowScanText.c_str()));
  }
  const double seconds = static_cast<double>(platform::TickCountMs() - start) / 1000.0;
  WriteReportLine(platform::Format("Window Scan, Total take %.3f sec.", seconds), kSuccessLine);
  return 1;
}
