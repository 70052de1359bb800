#include "ui/Host.h"

#include <atomic>
#include <spawn.h>
#include <sys/wait.h>

#include "platform/Files.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "platform/Thread.h"
#include "ui/Dispatcher.h"
#include "ui/ScriptedHost.h"

extern char** environ;

namespace ui {
namespace {
std::atomic<Host*> g_host{nullptr};

Host& FallbackHost() {
  static ScriptedHost host(true);
  return host;
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
  char program[] = "xdg-open";
  std::string argument = native;
  char* argv[] = {program, argument.data(), nullptr};
  pid_t child = 0;
  if (posix_spawnp(&child, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  // Reap the child when it ends, so that it leaves no zombie behind.
  if (!platform::StartDetachedThread([child] {
        int status = 0;
        waitpid(child, &status, 0);
      })) {
    int status = 0;
    waitpid(child, &status, WNOHANG);
  }
  return true;
}

bool OpenFileOrSaySo(std::string_view path, const CWnd* owner) {
  if (ShellExecute("open", path)) return true;
  const std::string native = platform::ToNativePath(path).string();
  const std::string text =
      platform::FileExists(path)
          ? platform::Format("%s could not be opened: no program to open it could be started (xdg-open, of the "
                             "package xdg-utils, opens files).",
                             native.c_str())
          : platform::Format("%s could not be opened: the file does not exist.", native.c_str());
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
