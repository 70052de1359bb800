#pragma once
// The status-cell texts of a passed drive: fields separated by "*", beginning with "Pass"
// ("Pass*<capacity>*<model>*<serial>*<statistics>"), the model and serial texts of IDENTIFY
// split by "*" so that they fit the cell, and the capacity text by the slot layout.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The down-arrow of code page 950 after "Pass" when the automatic capacity choice reduced
// the drive's capacity.
inline constexpr char kReducedCapacityArrow[] = "\xA1\xF5";

// The model text of IDENTIFY words 27..46: with the 8-slot layout all 40 characters, "*"
// before the characters at offsets 10, 20 and 30; with any other layout the first 20
// characters, "*" between the tenth and the eleventh. Trimmed at both ends afterwards.
std::string PassModelText(std::span<const std::uint8_t> identify, int slotLayout);
// The serial text of IDENTIFY words 10..19 with "*" after the tenth character, trimmed.
std::string PassSerialText(std::span<const std::uint8_t> identify);

// The capacity text: above 1024 MB "%d MB*%d(%d) GB" (MB, MB >> 10, shown GB) for layouts
// below 24 slots and "%d(%d) GB" (MB >> 10, shown GB) from 24 on; else "%d(%d) MB" (MB,
// shown capacity).
std::string PassCapacityText(std::int64_t sizeMB, int slotLayout, std::int64_t shownCapacity);

struct PassTextFields {
  bool shortRun = false;  // "Pass*Short*Enabled"
  bool reduced = false;   // the arrow after "Pass"
  std::string capacityText;
  std::string modelText;  // a model text that ends with "*" brings its own separator
  std::string serialText;
  std::string statisticsText;   // always appended after "*", also when empty
  std::string windowScanText;   // appended as " *<text>" when not empty and the layout is 8
  int firstScanSlotLayout = 0;  // the slot layout read at the first scan
};

std::string BuildPassText(const PassTextFields& fields);
