#include "ui/FileDialog.h"

#include "platform/Text.h"
#include "ui/Dispatcher.h"

namespace ui {

CFileDialog::CFileDialog(bool openFileDialog, std::string_view defaultExtension, std::string_view fileName,
                         std::uint32_t flags, std::string_view filter, CWnd* /*parent*/) {
  m_request.open = openFileDialog;
  m_request.defaultExtension.assign(defaultExtension);
  m_request.fileName.assign(fileName);
  m_request.flags = flags;
  m_request.filters = ParseFilter(filter);
}

std::vector<FileDialogFilter> CFileDialog::ParseFilter(std::string_view filter) {
  std::vector<FileDialogFilter> filters;
  const std::vector<std::string> fields = platform::Split(filter, '|');
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    if (fields[i].empty()) break;
    FileDialogFilter entry;
    entry.name = fields[i];
    for (const std::string& pattern : platform::Split(fields[i + 1], ';')) {
      const std::string trimmed = platform::Trim(pattern);
      if (!trimmed.empty()) entry.patterns.push_back(trimmed);
    }
    filters.push_back(std::move(entry));
  }
  return filters;
}

int CFileDialog::DoModal() {
  std::optional<std::string> answer;
  RunOnUiThread([&] { answer = CurrentHost().ShowFileDialog(m_request); });
  if (!answer || answer->empty()) {
    m_path.clear();
    return IDCANCEL;
  }
  m_path = *answer;
  if (!m_request.open && !m_request.defaultExtension.empty() && GetFileExt().empty()) {
    m_path += "." + m_request.defaultExtension;
  }
  return IDOK;
}

std::string CFileDialog::GetFileName() const {
  const std::size_t slash = m_path.find_last_of("\\/");
  return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

std::string CFileDialog::GetFileExt() const {
  const std::string name = GetFileName();
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string CFileDialog::GetFileTitle() const {
  const std::string name = GetFileName();
  const std::size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace ui
