#pragma once
// The production page's dialog template: Scan and Start, the parameter-file list, the elapsed
// time, the run options and the scan result, and a grid of 24 port groups (6 across, 4 down),
// each a selection check box "Port n", a status cell and a progress bar. Captions come from
// the caption file (section "Production Page") when it has them.
#include <string>

#include "ui/DialogTemplate.h"

namespace production_ids {
inline constexpr int kTemplate = 1100;
inline constexpr int kScan = 1001;
inline constexpr int kStart = 1002;
inline constexpr int kParamList = 1003;
inline constexpr int kRunOptions = 1005;
inline constexpr int kElapsed = 1006;
inline constexpr int kScanStatus = 1007;
inline constexpr int kParamLabel = 1010;
inline constexpr int kElapsedLabel = 1011;
// Port p (1..24).
inline constexpr int PortCheck(int port) { return 1100 + port; }
inline constexpr int PortCell(int port) { return 1200 + port; }
inline constexpr int PortProgress(int port) { return 1300 + port; }
}  // namespace production_ids

inline constexpr int kPortColumns = 6;

const ui::DialogTemplate& ProductionPageTemplate();

// Caption file section and keys of the page.
inline constexpr const char* kProductionCaptionSection = "Production Page";
// The caption of a control from the caption file, or the fallback when it has none.
std::string ProductionCaption(const char* key, const std::string& fallback);
