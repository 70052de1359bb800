#pragma once
// ui::Host: what the model asks of whoever shows it. The Qt front end implements it for the
// program; tests script it (ScriptedHost). Every call of the interface comes on the
// user-interface thread; the free functions below bring calls from other threads there and
// make the caller wait for the answer.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/Types.h"

namespace ui {

class CWnd;
class CDialog;
class CPropertySheet;

struct MessageBoxRequest {
  std::string text;      // code page 950
  std::string caption;   // empty: the program's name
  unsigned type = MB_OK;
  const CWnd* owner = nullptr;
};

struct FileDialogFilter {
  std::string name;                   // "(*.txt)"
  std::vector<std::string> patterns;  // "*.txt"
};

// Flags of the file dialogs, as the pages pass them.
inline constexpr std::uint32_t OFN_READONLY = 0x00000001;
inline constexpr std::uint32_t OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr std::uint32_t OFN_HIDEREADONLY = 0x00000004;
inline constexpr std::uint32_t OFN_NOCHANGEDIR = 0x00000008;
inline constexpr std::uint32_t OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr std::uint32_t OFN_FILEMUSTEXIST = 0x00001000;

struct FileDialogRequest {
  bool open = true;               // false: the save form
  std::string initialFolder;      // station path text; empty: the station folder
  std::string fileName;           // proposed file name
  std::string defaultExtension;   // without the dot
  std::vector<FileDialogFilter> filters;
  std::uint32_t flags = 0;
};

class Host {
 public:
  virtual ~Host() = default;
  // Shows the dialog (already initialised) and pumps until it has ended.
  virtual void RunModal(CDialog& dialog) = 0;
  // Creates the sheet (CPropertySheet::CreateSheet) once it has given the pages their areas, so
  // that the first page too is activated at the size it is shown at; shows it and pumps until
  // it has ended.
  virtual void RunModal(CPropertySheet& sheet) = 0;
  // Returns the button pressed (IDOK, IDCANCEL, IDYES ...).
  virtual int ShowMessageBox(const MessageBoxRequest& request) = 0;
  // The chosen path (a native absolute path or a station path text), or nothing on cancel.
  virtual std::optional<std::string> ShowFileDialog(const FileDialogRequest& request) = 0;
  // Shell verbs: "open" and "explore" hand the path to xdg-open; true when it was started.
  virtual bool ShellExecute(std::string_view verb, std::string_view path);
};

// The host in use; without one set, a ScriptedHost with no scripts answers (cancel / the
// default button) and reports each request to the debug output.
Host& CurrentHost();
void SetHost(Host* host);

// Any thread; the caller waits for the answer.
int ShowMessageBox(std::string_view text, std::string_view caption = {}, unsigned type = MB_OK,
                   const CWnd* owner = nullptr);
bool ShellExecute(std::string_view verb, std::string_view path);

// Starts xdg-open on a station path text; false when the path does not exist or nothing
// could be started. Nothing waits for xdg-open; when it ends in failure, a message box on the
// user-interface thread names the file and xdg-open's reason.
bool OpenWithDesktop(std::string_view path);

// The pages' "Open File": the shell's "open" on a station path text; when it could not start,
// a message box owned by `owner` tells the user which file stayed closed and why. False then.
// An xdg-open that starts and then fails is told later (OpenWithDesktop).
bool OpenFileOrSaySo(std::string_view path, const CWnd* owner);

}  // namespace ui
