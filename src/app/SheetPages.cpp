#include "app/SheetPages.h"

#include "pages/bbt/BbtPage.h"
#include "pages/production/ProductionPage.h"
#include "pages/results/LaterBadResultPage.h"
#include "pages/results/RdtResultPage.h"

namespace {
// The settings page and the new settings page are not part of this system; the other pages
// are added as they are built.
const SheetPageEntry kStationSheetPages[] = {
    {0, "ProductionPage", &MakePage<CProductionPage>},
    {1, "SettingPage", nullptr},
    {2, "NewSettingPage", nullptr},
    {3, "RDTResultPage", &MakePage<CPropertyPage_RDTResult>},
    {4, "LaterBadResultPage", &MakePage<CPropertyPage_LBResult>},
    {5, "BBTPage", &MakePage<CPropertyPage_DBT>},
};
}  // namespace

std::span<const SheetPageEntry> StationSheetPages() { return kStationSheetPages; }
