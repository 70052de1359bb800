#include "engine/core/IniLogText.h"

#include "platform/Text.h"

namespace engine::report {

std::string LogTimeText(const platform::LocalTime& time) {
  return platform::Format("%02d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour, time.minute,
                          time.second);
}

std::string ErrorListKey(const platform::LocalTime& time, int slot, std::string_view serial) {
  return platform::Format("[%s]   SlotNo:%02d   SN:%.*s", LogTimeText(time).c_str(), slot,
                          static_cast<int>(serial.size()), serial.data());
}

}  // namespace engine::report
