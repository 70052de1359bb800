#pragma once
// The later-bad result page's dialog template (326, 620 x 380 dialog units, "System" 10): the
// "Disk :" choice, Show Result, Open File, Load Data and Block Map, the bad-block limit, the
// status box and progress bar, five columns of value boxes, the six result lists with their
// labels and count boxes (placed by LayoutBadBlockSummary) and the hidden list of report
// lines.
#include <string>

#include "ui/DialogTemplate.h"

namespace lb_ids {
inline constexpr int kTemplate = 326;
inline constexpr int kDiskLabel = 1818;
inline constexpr int kDisk = 1817;
inline constexpr int kShowResult = 1819;
inline constexpr int kResultLabel = 1820;
inline constexpr int kStatus = 1821;
inline constexpr int kProgress = 1822;
inline constexpr int kLimitCheck = 1846;
inline constexpr int kLimit = 1845;
inline constexpr int kPerPlaneHint = 1847;
inline constexpr int kOpenFile = 1307;
inline constexpr int kLoadData = 1272;
inline constexpr int kBlockMap = 1894;
inline constexpr int kCeMap = 1504;
// Lists and their labels.
inline constexpr int kPerPlaneList = 1909;
inline constexpr int kLaterPerPlaneList = 1832;
inline constexpr int kCeList0 = 1833;
inline constexpr int kCeList1 = 1837;
inline constexpr int kEarlyList = 1834;
inline constexpr int kLaterList = 1910;
inline constexpr int kPerPlaneLabel = 1841;
inline constexpr int kLaterPerPlaneLabel = 1842;
inline constexpr int kCeLabel = 1843;
inline constexpr int kEarlyLabel = 1835;
inline constexpr int kLaterLabel = 1836;
inline constexpr int kEarlyCount = 1216;
inline constexpr int kLaterCount = 1215;
inline constexpr int kReportLines = 1823;
// Value boxes.
inline constexpr int kEraseFail = 1850;
inline constexpr int kProgramFail = 1851;
inline constexpr int kReadFail = 1852;
inline constexpr int kObOlbCount = 1856;
inline constexpr int kRdtBadCount = 1857;
inline constexpr int kLaterBadCount = 1858;
inline constexpr int kGoodBlockCount = 1860;
inline constexpr int kRdtLoop = 1864;
inline constexpr int kEccXs = 1865;
inline constexpr int kXlcEcc = 1866;
inline constexpr int kCeMapBox = 1868;
inline constexpr int kMpVersion = 1870;
inline constexpr int kEraseMode = 1874;
inline constexpr int kProgramMode = 1875;
inline constexpr int kMultiPlane = 1876;
inline constexpr int kReadRetry = 1878;
inline constexpr int kSpareBlock = 1879;
inline constexpr int kMaxBad = 1880;
inline constexpr int kBbSource = 1882;
inline constexpr int kRdtVersion = 1914;
inline constexpr int kRdtTemperature = 1915;
inline constexpr int kRdtTotalTime = 1916;
inline constexpr int kCacheMode = 1917;
inline constexpr int kReRdt = 1918;
// The label of the "OB + OLB" count box, whose caption changes with the report kind.
inline constexpr int kObOlbLabel = 1854;
// The label of any other value box: its box's id + 1000.
inline constexpr int LabelOf(int box) { return box == kObOlbCount ? kObOlbLabel : box + 1000; }
}  // namespace lb_ids

const ui::DialogTemplate& LaterBadPageTemplate();

// The foot of the page's top area (its last row of value boxes), in dialog units: the lists
// and their labels stand below it.
int LaterBadTopAreaFoot();

// Every value box of the page, in template order.
const int* LaterBadValueBoxes(int& count);
