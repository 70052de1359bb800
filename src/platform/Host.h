#pragma once
// Facts about the host that the station prints or stores.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Computer name as Windows reports it: at most 15 characters, upper case.
std::string ComputerName();

struct NetworkAdapter {
  std::string name;                         // interface name
  std::array<std::uint8_t, 6> mac{};
  std::vector<std::string> ipAddresses;     // dotted IPv4 texts
};
// The current adapter: the one that carries the default route, else the first adapter with a
// hardware address that is up and not loopback. False when there is none.
bool CurrentNetworkAdapter(NetworkAdapter& adapter);

struct CpuIdRegisters {
  std::uint32_t eax = 0, ebx = 0, ecx = 0, edx = 0;
};
CpuIdRegisters CpuId(std::uint32_t leaf, std::uint32_t subLeaf = 0);
// The 48-byte processor brand string (extended leaves 2..4), or empty when not offered.
std::string CpuBrand();
// The same from a given CPUID function (CpuBrand passes CpuId).
std::string CpuBrandFrom(CpuIdRegisters (*cpuId)(std::uint32_t leaf, std::uint32_t subLeaf));

struct OsVersion {
  int major = 0;
  int minor = 0;
  int build = 0;
  bool workstation = true;
};
OsVersion HostOsVersion();
// The operating system's name: PRETTY_NAME of /etc/os-release, else "<system> <release>" of
// uname ("Linux 6.1.0-18-amd64").
std::string OsName();

// Process id of the first running process (lowest id) whose image name (the file name of its
// program, else its command name) equals the given name without regard to case; 0 when none
// does or the process list cannot be read.
int FindProcessId(std::string_view imageName);

// Language id of the user's locale: 1028 Chinese (Taiwan), 2052 Chinese (PRC), else 1033.
int LanguageId();

// The rules behind the facts above, applied to given texts (so they can be checked with
// fixed inputs on any host).
// Host name -> computer name: cut at the first ".", at most 15 characters, upper case.
std::string ComputerNameFromHostName(std::string_view hostName);
// Interface of the default route in a /proc/net/route listing (destination and mask 0,
// route up; the lowest metric wins); empty when there is none.
std::string DefaultRouteInterface(std::string_view procNetRoute);
// "aa:bb:cc:dd:ee:ff" -> six bytes; false for any other form and for an all-zero address.
bool ParseMacAddress(std::string_view text, std::array<std::uint8_t, 6>& mac);
// Kernel release "6.1.0-18-amd64" -> major 6, minor 1, build 0 (missing numbers are 0).
OsVersion ParseOsRelease(std::string_view release);
// PRETTY_NAME of an os-release text (one pair of enclosing quotes removed); empty without one.
std::string PrettyNameFromOsRelease(std::string_view osRelease);
// Locale name such as "zh_TW.UTF-8" -> language id (see LanguageId).
int LanguageIdFromLocale(std::string_view locale);

}  // namespace platform
