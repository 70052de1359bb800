#pragma once
// The texts of the INI-format logs that the engine and the slot task write (total, error and
// summary logs): their time stamps and the key of an error-list entry.
#include <string>
#include <string_view>

#include "platform/Clock.h"

namespace engine::report {

// "yyyy-mm-dd hh:mm:ss".
std::string LogTimeText(const platform::LocalTime& time);
// "[<log time>]   SlotNo:<slot, two digits>   SN:<serial>"; a line break or "=" of the
// serial becomes "_".
std::string ErrorListKey(const platform::LocalTime& time, int slot, std::string_view serial);

}  // namespace engine::report
