#include "ui/Host.h"

#include <atomic>
#include <string>

#include "platform/Debug.h"
#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "ui/DesktopOpen.h"
#include "ui/Dispatcher.h"
#include "ui/ScriptedHost.h"

namespace ui {
namespace {
std::atomic<Host*> g_host{nullptr};

Host& FallbackHost() {
  static ScriptedHost host(true);
  return host;
}

// The message of a file that stayed closed: its native path and why.
std::string NotOpenedText(const std::string& native, const char* reason) {
  return platform::Format("%s could not be opened: %s.", native.c_str(), reason);
}
}  // namespace

Host& CurrentHost() {
  Host* host = g_host.load();
  return host ? *host : FallbackHost();
}

void SetHost(Host* host) { g_host.store(host); }

bool Host::ShellExecute(std::string_view verb, std::string_view path) {
  if (verb != "open" && verb != "explore") return false;
  return OpenWithDesktop(path);
}

bool OpenWithDesktop(std::string_view path) {
  if (!platform::FileExists(path)) return false;
  const std::string native = platform::ToNativePath(path).string();
  // A failure comes later, on the watching thread; it is told on the user-interface thread,
  // in a box that no window owns, as the window that asked may have gone by then.
  const Dispatcher* dispatcher = Dispatcher::Current();
  const DispatcherLink link = dispatcher ? dispatcher->Link() : DispatcherLink();
  return StartDesktopOpen(native, [native, link](const std::string& reason) {
    const std::string text = NotOpenedText(native, reason.c_str());
    if (!link.Post([text] { ShowMessageBox(text, {}, MB_OK | MB_ICONWARNING); })) {
      platform::DebugOutput("ui: " + text + "\r\n");
    }
  });
}

bool OpenFileOrSaySo(std::string_view path, const CWnd* owner) {
  if (ShellExecute("open", path)) return true;
  const std::string native = platform::ToNativePath(path).string();
  const std::string text =
      platform::FileExists(path)
          ? NotOpenedText(native, "no program to open it could be started (xdg-open, of the package xdg-utils, opens files)")
          : NotOpenedText(native, "the file does not exist");
  ShowMessageBox(text, {}, MB_OK | MB_ICONWARNING, owner);
  return false;
}

int ShowMessageBox(std::string_view text, std::string_view caption, unsigned type, const CWnd* owner) {
  MessageBoxRequest request;
  request.text.assign(text);
  request.caption.assign(caption);
  request.type = type;
  request.owner = owner;
  int answer = IDCANCEL;
  RunOnUiThread([&] { answer = CurrentHost().ShowMessageBox(request); });
  return answer;
}

bool ShellExecute(std::string_view verb, std::string_view path) {
  bool started = false;
  RunOnUiThread([&] { started = CurrentHost().ShellExecute(verb, path); });
  return started;
}

}  // namespace ui
