#pragma once
// The debugger-output sink. The station echoes lines to the debugger; here they go to a
// sink that is silent by default and writes to standard error when TV_DEBUG is set.
#include <functional>
#include <string_view>

namespace platform {

void DebugOutput(std::string_view text);
// Replaces the sink (tests capture lines); an empty function restores the default.
void SetDebugSink(std::function<void(std::string_view)> sink);

}  // namespace platform
