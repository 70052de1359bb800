#pragma once
// The dialog templates of the legacy slot page (102), its result message dialog (302) and the
// summary page (258), with their control ids, and the ids of the 48 slot groups.
#include "ui/DialogTemplate.h"

namespace legacy_ids {
// Page 102.
inline constexpr int kPageTemplate = 102;
inline constexpr int kInfoList = 1516;
inline constexpr int kTotalCount = 1215;
inline constexpr int kGoodCount = 1216;
inline constexpr int kBadCount = 1217;
inline constexpr int kLogoButton = 1430;
inline constexpr int kInitial = 1306;
inline constexpr int kQc = 1157;
inline constexpr int kPretest = 1147;
inline constexpr int kBadBlock = 1137;
inline constexpr int kReloadParam = 1341;
inline constexpr int kClearRecord = 1063;
inline constexpr int kTime = 1528;
inline constexpr int kDetectTesters = 1307;
inline constexpr int kAutoDetect = 1198;
inline constexpr int kLoop = 1523;
inline constexpr int kParamFiles = 1519;
inline constexpr int kLock = 1527;
inline constexpr int kSerialLabel = 1530;
inline constexpr int kSerialRange = 1531;
inline constexpr int kFirstSmallEdit = 1557;  // 1557..1565
inline constexpr int kLastSmallEdit = 1565;
inline constexpr int kSmallStatics[] = {1655, 1652, 1653, 1654, 1657};
inline constexpr int kColorBox = 1506;
inline constexpr int kLinkServer = 1504;
inline constexpr int kStaticText = 1579;
inline constexpr int kPortNumber = 1650;

// Slot group n (1..48); 0 for a slot outside 1..48.
int StatusBox(int slot);
int Progress(int slot);
int SlotLabel(int slot);
int ReportButton(int slot);
// The slot of a report button id, 0 when the id is none of them.
int SlotOfReportButton(int id);

// Result message dialog 302.
inline constexpr int kResultTemplate = 302;
inline constexpr int kResultList = 1660;
inline constexpr int kOpenFolder = 1272;
inline constexpr int kSpaceCommand = 32771;

// Summary page 258.
inline constexpr int kSummaryTemplate = 258;
inline constexpr int kErrorCodeList = 1509;
inline constexpr int kCardTotalsList = 1510;
inline constexpr int kSummaryChoiceGroup = 1529;
inline constexpr int kSummaryChoiceLabel = 1513;
inline constexpr int kSummaryFiles = 1511;
inline constexpr int kGenerate = 1272;
inline constexpr int kSaveAsText = 1273;
inline constexpr int kGenerateAnother = 1512;
inline constexpr int kHeaderInfo = 1521;
}  // namespace legacy_ids

const ui::DialogTemplate& LegacyPageTemplate();
const ui::DialogTemplate& ResultMessageTemplate();
const ui::DialogTemplate& SummaryPageTemplate();
