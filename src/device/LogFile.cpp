#include "device/LogFile.h"

#include "platform/Debug.h"
#include "platform/Files.h"

int CLogFile::AppendText(std::string_view path, std::string_view text) {
  if (!platform::AppendToFile(path, text, false)) return -1;
  platform::DebugOutput(text);
  return 0;
}
