#pragma once
// The production page on the page tests' station, opened as the operator finds it: created,
// with its first scan done.
#include <gtest/gtest.h>

#include "PageTestStation.h"
#include "pages/production/ProductionPage.h"

namespace pagestest {

// Creates the page and waits for its first scan.
inline void OpenProductionPage(PageTestStation& test, CProductionPage& page) {
  ASSERT_TRUE(page.Create(nullptr));
  ASSERT_TRUE(test.PumpUntil([&] { return page.HasScanned(); }));
}

// A test of the production page on the station of twenty-four drives.
class ProductionPageFixture : public ::testing::Test {
 public:
  void Open() { OpenProductionPage(test, page); }

  PageTestStation test;
  CProductionPage page;
};

}  // namespace pagestest
