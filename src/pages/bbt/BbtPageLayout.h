#pragma once
// The bad-block-table page's dialog template (dialog 327, 620 x 163 dialog units): along the
// top, the "Disk :" label and drop-down, the Get BBT, Write BBT, Erase All and Open file
// buttons, the "TV BBT" check box, the status box and the progress bar; below them the list box
// of the bad-block text file, which the page lays out over the rest of its client area.
#include "ui/DialogTemplate.h"

namespace bbt_ids {
inline constexpr int kTemplate = 327;
inline constexpr int kDiskLabel = 1818;
inline constexpr int kDisk = 1894;
inline constexpr int kGetBbt = 1272;
inline constexpr int kWriteBbt = 1274;
inline constexpr int kEraseAll = 1307;
inline constexpr int kOpenFile = 3;
inline constexpr int kTvBbt = 1929;
inline constexpr int kStatus = 1215;
inline constexpr int kProgress = 1896;
inline constexpr int kFileLines = 1895;
}  // namespace bbt_ids

const ui::DialogTemplate& BbtPageTemplate();
