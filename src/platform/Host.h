#pragma once
// Facts about the host that the station prints or stores.
#include <array>
#include <cstdint>
#include <string>
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

struct OsVersion {
  int major = 0;
  int minor = 0;
  int build = 0;
  bool workstation = true;
};
OsVersion HostOsVersion();

// Language id of the user's locale: 1028 Chinese (Taiwan), 2052 Chinese (PRC), else 1033.
int LanguageId();

}  // namespace platform
