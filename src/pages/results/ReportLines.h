#pragma once
// The lines of a slot report as the result pages and the block map read them back: a read
// takes at most 254 characters and stops after a line end, so a longer line comes back as
// several lines; trailing blanks, tabs and line ends are removed from every line read.
//
// The report is streamed in large chunks, never held whole; a line handed out stays valid
// until the next call of Next. A report that cannot be opened (missing, a folder, no access)
// counts as missing.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Characters one read takes at most (a line buffer of 255 bytes with its terminator).
inline constexpr std::size_t kReportReadChars = 254;

class CReportLines {
 public:
  CReportLines() = default;
  ~CReportLines();
  CReportLines(const CReportLines&) = delete;
  CReportLines& operator=(const CReportLines&) = delete;

  // Opens the report (a station path text); false when it cannot be opened as a file.
  bool Open(std::string_view path);
  // Reads the lines of a text held in memory (the text must outlive the reading).
  void OpenText(std::string_view text);
  // The next line; false at the end of the report (or when reading it fails).
  bool Next(std::string_view& line);
  void Close();

 private:
  // Makes at least kReportReadChars bytes (or the rest of the file) available at m_begin.
  void Refill();

  int m_fd = -1;
  bool m_eof = true;
  std::vector<char> m_buffer;
  const char* m_begin = nullptr;
  const char* m_end = nullptr;
};

// Removes trailing blanks, tabs, carriage returns and line feeds.
std::string_view TrimReportLineEnd(std::string_view line);

// Whether a report can be opened for reading as a file.
bool ReportCanBeOpened(std::string_view path);
