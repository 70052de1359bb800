#pragma once
// CMPToolApp: the application object. InitInstance builds the property sheet (caption, pages
// chosen by the page mask, tab names from the caption file), loads the device-listing layer,
// reads the bridge-mode flag, runs the sheet modally and unloads the layer again; the program
// ends when the sheet closes. (The networking start-up of the original has no counterpart
// here: nothing on Linux needs it.)
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/SheetPages.h"
#include "ui/PropertySheet.h"

// "%s MP Tool %s" with "SATA SSD" and the build version.
std::string MakeSheetCaption(std::string_view buildVersion);
// The sheet's caption: MakeSheetCaption, followed by " - " and the installed transport's
// label when it has one ("... - Simulated station"), so that an operator always sees when
// the drives are simulated.
std::string SheetCaptionWithTransport(std::string_view buildVersion);

class CMPToolApp {
 public:
  explicit CMPToolApp(std::span<const SheetPageEntry> pages = StationSheetPages());

  // Runs the program's user interface; returns false, as the program then ends.
  bool InitInstance();
  int ExitInstance();

  // The steps of InitInstance, for the front end and tests.
  std::unique_ptr<ui::CPropertySheet> BuildSheet();
  std::uint8_t BridgeMode() const { return m_bridgeMode; }
  const std::vector<std::unique_ptr<ui::CPropertyPage>>& Pages() const { return m_pages; }

 private:
  std::span<const SheetPageEntry> m_pageTable;
  std::vector<std::unique_ptr<ui::CPropertyPage>> m_pages;
  std::uint8_t m_bridgeMode = 1;
};

extern CMPToolApp theApp;
