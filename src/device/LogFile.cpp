#include "device/LogFile.h"

#include "platform/Debug.h"

platform::AppendFile* CLogFile::Held(std::string_view path) {
  for (const auto& file : m_files) {
    if (file && file->Path() == path) return file.get();
  }
  return nullptr;
}

std::unique_ptr<platform::AppendFile>& CLogFile::SlotFor(std::string_view path) {
  for (auto& file : m_files) {
    if (file && file->Path() == path) return file;
  }
  // The slot held longest goes when all are taken.
  std::unique_ptr<platform::AppendFile>& slot = m_files[m_nextToReuse];
  m_nextToReuse = (m_nextToReuse + 1) % kHeldFiles;
  slot = std::make_unique<platform::AppendFile>();
  return slot;
}

int CLogFile::ReplaceText(std::string_view path, std::string_view text) {
  std::unique_ptr<platform::AppendFile>& slot = SlotFor(path);
  if (platform::WriteWholeFileAndHold(path, text, *slot)) return 0;
  slot.reset();
  return -1;
}

int CLogFile::AppendText(std::string_view path, std::string_view text) {
  platform::AppendFile* file = Held(path);
  if (file == nullptr) {
    std::unique_ptr<platform::AppendFile>& slot = SlotFor(path);
    if (!slot->Open(path)) {
      slot.reset();
      return -1;
    }
    file = slot.get();
  }
  if (!file->Append(text)) return -1;
  platform::DebugOutput(text);
  return 0;
}

void CLogFile::Release(std::string_view path) {
  // The path stays mapped: the next line opens the new file at the same place.
  for (auto& file : m_files) {
    if (file && file->Path() == path) file->Close();
  }
}
