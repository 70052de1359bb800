#pragma once
// Texts that describe the host on the legacy slot page, and the file utilities the page
// carries. Each host text is taken afresh at every call.
#include <string>
#include <string_view>

// The MAC address of the current adapter without colons ("00163E5A0C01"); empty without one.
std::string GetHostMacText();
// The IP addresses of the current adapter.
std::string GetHostIpText();
// The processor brand string; empty on a processor without the extended brand leaves.
std::string GetCpuBrandText();

// The Windows version table: (major, minor) with the platform and the product type give the
// system's name and its code 1..9; code is left unchanged where the table gives none.
struct WindowsVersionFacts {
  enum class Platform { WindowsNT, Windows9x, Other };
  int major = 0;
  int minor = 0;
  Platform platform = Platform::WindowsNT;
  bool workstation = true;
  bool x64 = false;
  bool serverR2 = false;
};
std::string WindowsVersionName(const WindowsVersionFacts& facts, int& code);
// The name of the running system for g_WindowsVersionText. The station runs on Linux, which
// the Windows table does not know: the name is the system's own (os-release or uname) and
// g_WindowsVersionCode keeps its value.
std::string GetWindowsVersionName();

// Encodes every non-empty line of the source (trimmed at both ends) in Base64 and writes it
// followed by CR LF to the destination, which is replaced; empty lines are dropped. False when
// the source name is empty, the source cannot be read or the destination cannot be written.
bool EncodeFileLinesBase64(std::string_view source, std::string_view destination);
// Whether the path names a folder; a network path ("\\host\share") is searched for with "\*".
bool IsFolder(std::string_view path);
