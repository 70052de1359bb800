#include "engine/rdtlog/RdtCsvFile.h"

#include "device/StationHelpers.h"
#include "platform/Path.h"
#include "platform/Text.h"

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
  const std::string folder = MakeRdtCsvFolder(logFolder, kind);
  m_path = platform::Format("%s\\%.*s_%s_%d.csv", folder.c_str(), static_cast<int>(kind.size()), kind.data(),
                            FileNameSafe(serial).c_str(), port);
  m_file = std::fopen(platform::ToNativePath(m_path).c_str(), "wb");
  return m_file != nullptr;
}

void CRdtCsvFile::Write(std::string_view text) {
  if (m_file != nullptr) std::fwrite(text.data(), 1, text.size(), m_file);
}

void CRdtCsvFile::Close() {
  if (m_file == nullptr) return;
  std::fclose(m_file);
  m_file = nullptr;
}
