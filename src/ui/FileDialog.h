#pragma once
// CFileDialog: the common open and save file dialogs. DoModal may be called from any thread:
// a worker waits until the user-interface thread has the answer. The filter is written as the
// framework writes it: "name|patterns|name|patterns||" (patterns separated by ";").
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Host.h"

namespace ui {

class CWnd;

class CFileDialog {
 public:
  CFileDialog(bool openFileDialog, std::string_view defaultExtension = {}, std::string_view fileName = {},
              std::uint32_t flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, std::string_view filter = {},
              CWnd* parent = nullptr);

  // The folder the dialog starts in (station path text).
  void SetInitialFolder(std::string_view folder) { m_request.initialFolder.assign(folder); }
  // IDOK with a path chosen, IDCANCEL otherwise.
  int DoModal();
  // The chosen path; a save-form path without an extension gets the default extension.
  std::string GetPathName() const { return m_path; }
  std::string GetFileName() const;   // name with extension
  std::string GetFileExt() const;    // extension without the dot
  std::string GetFileTitle() const;  // name without extension
  const FileDialogRequest& Request() const { return m_request; }

  static std::vector<FileDialogFilter> ParseFilter(std::string_view filter);

 private:
  FileDialogRequest m_request;
  std::string m_path;
};

}  // namespace ui
