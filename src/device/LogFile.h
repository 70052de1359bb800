#pragma once
// Appends text to log files that already exist (slot reports, their temporary twins and the
// report sections). A file that does not exist is never created here: its owner creates it.
// The files written to stay open for the life of the object (a few at a time), so that a
// report of many lines is opened once, not once per line.
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Files.h"

class CLogFile {
 public:
  // Writes the whole text at the end of the file (opened when this object does not hold it
  // yet, and only when it exists) and echoes the text to the debugger output. Returns 0 on
  // success; -1 when the file cannot be opened, positioned or written, in which case the file
  // is left as it was and the reason is left for platform::LastFileErrno (a missing file
  // gives ENOENT).
  int AppendText(std::string_view path, std::string_view text);
  // Lets go of the open file at the path (its owner is about to replace it); the next text
  // for the path opens the file then there.
  void Release(std::string_view path);
  // Replaces the file at the path with the text (platform::WriteWholeFile: a temporary file,
  // flushed and renamed) and holds the new file for the texts that follow, so that they need
  // not open it again. Returns 0 on success; -1 when the file cannot be replaced (it is then
  // as it was, no longer held, and the reason is left for platform::LastFileErrno).
  int ReplaceText(std::string_view path, std::string_view text);

 private:
  static constexpr std::size_t kHeldFiles = 4;
  platform::AppendFile* Held(std::string_view path);
  // The held file of the path, or a fresh slot for it (the one held longest when all are taken).
  std::unique_ptr<platform::AppendFile>& SlotFor(std::string_view path);

  std::array<std::unique_ptr<platform::AppendFile>, kHeldFiles> m_files;
  std::size_t m_nextToReuse = 0;
};
