#pragma once
// One CSV log of the RDT log reader: "<log folder>\RDT\<Kind>\<Kind>_<serial>_<port>.csv",
// created anew (an existing file is emptied). The folder is made when it holds nothing yet.
// The serial comes from the drive, so characters that cannot stand in a file name become
// "_".
#include <cstdio>
#include <string>
#include <string_view>

class CRdtCsvFile {
 public:
  CRdtCsvFile() = default;
  ~CRdtCsvFile() { Close(); }
  CRdtCsvFile(const CRdtCsvFile&) = delete;
  CRdtCsvFile& operator=(const CRdtCsvFile&) = delete;

  // kind: "Temperature", "DDR", "BadBlock" or "ECCBit". The path is kept for the failure
  // message even when the file cannot be created (false).
  bool Create(const std::string& logFolder, std::string_view kind, const std::string& serial, int port);
  bool IsOpen() const { return m_file != nullptr; }
  const std::string& Path() const { return m_path; }
  void Write(std::string_view text);
  void Close();

 private:
  std::FILE* m_file = nullptr;
  std::string m_path;
};

// The serial number as it may stand in a file name.
std::string FileNameSafe(std::string_view text);
// The folder of a CSV kind: "<log folder>\RDT\<kind>"; made when it holds nothing yet.
std::string MakeRdtCsvFolder(const std::string& logFolder, std::string_view kind);
