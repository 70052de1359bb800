#pragma once
// xdg-open (package xdg-utils) hands a file or a folder to the desktop's program for it. It is
// started and left to run, never waited for on the calling thread: it may run as long as the
// program it started. A thread of its own reads what it writes to its standard error (a pipe),
// passes it on to the station's standard error and keeps its last words, and learns its end
// from a process handle (pidfd); where the kernel gives none (before 5.3, or a seccomp filter),
// from a second thread that waits for exactly that process. Either way the end is told as soon
// as it comes and xdg-open is reaped, whatever still holds the pipe. What the thread has read
// it passes on before the station ends.
//
// The program that xdg-open starts inherits the pipe and does not depend on the station: a
// relay started beside xdg-open (a shell in the background, init's once the station has ended)
// holds the pipe too, and from the moment the station lets go of it, once xdg-open has ended
// or when the station ends, copies it on to where the station's standard error goes (a
// terminal, the journal, a file). So that program is never blocked on the pipe nor killed by
// SIGPIPE, whether the station runs or has ended.
#include <cstddef>
#include <functional>
#include <string>
#include <sys/types.h>

namespace ui {

// Starts xdg-open on a native path; false when it could not be started. When xdg-open ends in
// failure (an exit status other than 0, or a signal), `failed` runs on the watching thread with
// the reason in words: "xdg-open found no program for it (exit status 3: a required tool could
// not be found)", followed by `, saying "<its last line of standard error>"` when it wrote one.
bool StartDesktopOpen(const std::string& nativePath, std::function<void(const std::string& reason)> failed);

// The xdg-open started whose end has not been handed on yet (tests wait until none is left).
std::size_t WatchedDesktopOpens();

// Opens the process handle that shows xdg-open's end: pidfd_open, unless a test has put another
// in its place; -1 where none is to be had (a kernel before 5.3, a seccomp filter).
using ProcessHandleOpener = int (*)(pid_t pid);
// Puts `opener` in place of the process handle opener; returns the one it replaces.
ProcessHandleOpener ReplaceProcessHandleOpener(ProcessHandleOpener opener);

}  // namespace ui
