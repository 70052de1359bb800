#pragma once
// Appends text to log files that already exist (slot reports, their temporary twins and the
// report sections). A file that does not exist is never created here: its owner creates it.
#include <string>
#include <string_view>

class CLogFile {
 public:
  // Opens the file only when it exists, writes the whole text at its end, closes it and echoes
  // the text to the debugger output. Returns 0 on success; -1 when the file cannot be opened,
  // positioned or written, in which case the file is left as it was and the reason is left
  // for platform::LastFileErrno (a missing file gives ENOENT).
  int AppendText(std::string_view path, std::string_view text);
};
