#pragma once
// The pages the sheet can hold, in page-mask bit order. A page joins the sheet when its bit is
// set in the page mask and this build has it (make is not empty). Adding a page is one line:
// its entry's make becomes &MakePage<ItsClass>.
#include <memory>
#include <span>

#include "ui/PropertyPage.h"

struct SheetPageEntry {
  unsigned bit;
  // Key of the tab's name in section "Property Sheet" of the caption file.
  const char* captionKey;
  std::unique_ptr<ui::CPropertyPage> (*make)();
};

template <class Page>
std::unique_ptr<ui::CPropertyPage> MakePage() {
  return std::make_unique<Page>();
}

std::span<const SheetPageEntry> StationSheetPages();
