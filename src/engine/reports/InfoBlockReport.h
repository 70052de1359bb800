#pragma once
// The info-block section of the slot report: one line per field of the info-block table, in
// table order, each "   <label><separator><value>\r\n".
//
// Characters are written as the block holds them, with these rules for zero bytes: a plain
// text field stops at its first zero byte; in a word-swapped field a pair whose first printed
// byte (its second byte) is zero prints nothing and a zero second printed byte is dropped;
// in the work-order characters a zero byte prints nothing, not even its comma. A zero byte
// never ends the line: every line keeps its "\r\n".
#include <cstdint>
#include <span>
#include <string>

#include "engine/InfoBlockFields.h"

namespace engine {

// The whole section for one 512-byte block.
std::string FormatInfoBlockSection(InfoBlockView block);

// The text of the station's five version bytes (`ubAP_APVer`): "TVT%X.%X" or "APV%X.%X" after
// those letters, otherwise the MP tool and firmware versions coded in the bytes.
std::string FormatApVersion(std::span<const std::uint8_t, 5> version);

// The text of the good-mark byte (`ubAP_GoodMark`).
std::string FormatGoodMark(std::uint8_t mark);

}  // namespace engine
