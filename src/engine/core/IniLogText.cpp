#include "engine/core/IniLogText.h"

#include "platform/Text.h"

namespace engine::report {

std::string LogTimeText(const platform::LocalTime& time) {
  return platform::Format("%02d-%02d-%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour, time.minute,
                          time.second);
}

std::string ErrorListKey(const platform::LocalTime& time, int slot, std::string_view serial) {
  // The serial comes from the drive: a line break or "=" in it would make a key that the
  // INI file cannot hold, so they become "_".
  std::string keySerial(serial);
  for (char& c : keySerial) {
    if (c == '\r' || c == '\n' || c == '=') c = '_';
  }
  return platform::Format("[%s]   SlotNo:%02d   SN:%s", LogTimeText(time).c_str(), slot, keySerial.c_str());
}

}  // namespace engine::report
