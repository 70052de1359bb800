#pragma once
// xdg-open (package xdg-utils) hands a file or a folder to the desktop's program for it. It is
// started and left to run, never waited for on the calling thread: it may run as long as the
// program it started. A thread of its own reads what it writes to its standard error and
// learns how it ended.
#include <cstddef>
#include <functional>
#include <string>

namespace ui {

// Starts xdg-open on a native path; false when it could not be started. When xdg-open ends in
// failure (an exit status other than 0, or a signal), `failed` runs on the watching thread with
// the reason in words: "xdg-open found no program for it (exit status 3: a required tool could
// not be found)", followed by `, saying "<its last line of standard error>"` when it wrote one.
bool StartDesktopOpen(const std::string& nativePath, std::function<void(const std::string& reason)> failed);

// The xdg-open started whose end has not been handed on yet (tests wait until none is left).
std::size_t WatchedDesktopOpens();

}  // namespace ui
