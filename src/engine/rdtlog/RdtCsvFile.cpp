#include "engine/rdtlog/RdtCsvFile.h"

#include <cerrno>

#include "device/StationHelpers.h"
#include "platform/Text.h"

namespace {

// Rows go out once this much has gathered (and at the close).
constexpr std::size_t kPieceBytes = 64 * 1024;

}  // namespace

std::string FileNameSafe(std::string_view text) {
  std::string safe(text);
  for (char& c : safe) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) c = '_';
  }
  return safe;
}

std::string MakeRdtCsvFolder(const std::string& logFolder, std::string_view kind) {
  const std::string folder = platform::Format("%s\\%s\\%.*s", logFolder.c_str(), "RDT", static_cast<int>(kind.size()),
                                              kind.data());
  if (GetFolderSize(folder) == 0) MakeDirectoryPath(folder);
  return folder;
}

bool CRdtCsvFile::Create(const std::string& logFolder, std::string_view kind, const std::string& serial, int port) {
  Close();
  m_error = 0;
  const std::string folder = MakeRdtCsvFolder(logFolder, kind);
  m_path = platform::Format("%s\\%.*s_%s_%d.csv", folder.c_str(), static_cast<int>(kind.size()), kind.data(),
                            FileNameSafe(serial).c_str(), port);
  if (!platform::WriteWholeFile(m_path, "") || !m_file.Open(m_path)) return Fail();
  m_open = true;
  return true;
}

bool CRdtCsvFile::Write(std::string_view text) {
  if (!m_open) return true;
  m_pending.append(text);
  return m_pending.size() < kPieceBytes || Flush();
}

bool CRdtCsvFile::Flush() {
  if (m_pending.empty()) return true;
  if (!m_file.Append(m_pending)) return Fail();
  m_pending.clear();
  return true;
}

bool CRdtCsvFile::Fail() {
  if (m_error == 0) m_error = platform::LastFileErrno() != 0 ? platform::LastFileErrno() : EIO;
  m_open = false;
  m_pending.clear();
  m_file.Close();
  return false;
}

bool CRdtCsvFile::Close() {
  if (!m_open) return true;
  const bool written = Flush();
  m_open = false;
  m_file.Close();
  return written;
}
