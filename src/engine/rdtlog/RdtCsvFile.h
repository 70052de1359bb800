#pragma once
// One CSV log of the RDT log reader: "<log folder>\RDT\<Kind>\<Kind>_<serial>_<port>.csv",
// created anew (an existing file is replaced by an empty one). The folder is made when it
// holds nothing yet. The serial comes from the drive, so characters that cannot stand in a
// file name become "_".
//
// Rows are gathered and go to the file in pieces, each piece whole or not at all. Every write
// is checked: a piece that does not reach the file ends the log (later rows are dropped, the
// file keeps the rows before the piece) and the failure stays with the file for its owner to
// record as a lost record of the drive.
#include <string>
#include <string_view>

#include "platform/Files.h"

class CRdtCsvFile {
 public:
  CRdtCsvFile() = default;
  ~CRdtCsvFile() { Close(); }
  CRdtCsvFile(const CRdtCsvFile&) = delete;
  CRdtCsvFile& operator=(const CRdtCsvFile&) = delete;

  // kind: "Temperature", "DDR", "BadBlock" or "ECCBit". The path is kept for the failure
  // message even when the file cannot be created (false, Error() tells why).
  bool Create(const std::string& logFolder, std::string_view kind, const std::string& serial, int port);
  // Open until it was closed or a piece could not be written.
  bool IsOpen() const { return m_open; }
  const std::string& Path() const { return m_path; }
  // Adds a row; false when the piece it completed could not be written (then, and only then:
  // later rows of a failed file are dropped quietly).
  bool Write(std::string_view text);
  // Writes the rows still gathered and closes the file; false when they could not be written.
  bool Close();
  // The errno of the first write of the file that failed (its creation included), 0 if none.
  int Error() const { return m_error; }

 private:
  bool Flush();
  bool Fail();

  platform::AppendFile m_file;
  std::string m_pending;
  std::string m_path;
  bool m_open = false;
  int m_error = 0;
};

// The serial number as it may stand in a file name.
std::string FileNameSafe(std::string_view text);
// The folder of a CSV kind: "<log folder>\RDT\<kind>"; made when it holds nothing yet.
std::string MakeRdtCsvFolder(const std::string& logFolder, std::string_view kind);
