#pragma once
// The sheet's page mask: key SetUIPage of [OP Setting] in MPToolSetting.ini, hexadecimal.
// Bit n adds page n of the sheet's page table; bit 0 (the production page) is always set.
#include <string_view>

inline constexpr unsigned kDefaultUIPageMask = 0x35;

// The mask of a key value: its leading hexadecimal digits ("3F", "0x3F", "3Fh" -> 0x3F);
// empty, or a value without any hexadecimal digit, gives the default 0x35; bit 0 is added.
unsigned ParseUIPageMask(std::string_view text);
// The mask of the station's settings.
unsigned ReadUIPageMask();
