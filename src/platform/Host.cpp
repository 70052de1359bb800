// Host facts from Linux sources: the host name, /proc/net/route and /sys/class/net for the
// current adapter, getifaddrs for its IPv4 addresses, the CPUID instruction, uname and
// /etc/os-release, the process folders of /proc and the locale variables.
#include "platform/Host.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sstream>
#include <sys/utsname.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

#include "platform/Text.h"

namespace platform {

namespace {

constexpr std::size_t kComputerNameLength = 15;  // the NetBIOS name limit Windows applies
constexpr const char* kNetClassFolder = "/sys/class/net";

std::string ReadSmallFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

bool AdapterMac(const std::string& name, std::array<std::uint8_t, 6>& mac) {
  return ParseMacAddress(Trim(ReadSmallFile(std::filesystem::path(kNetClassFolder) / name / "address")), mac);
}

// First adapter by name that is up, not loopback and has a hardware address.
std::string FirstUsableAdapter() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(kNetClassFolder, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string flagsText = Trim(ReadSmallFile(std::filesystem::path(kNetClassFolder) / name / "flags"));
    const unsigned long flags = ParseHex(flagsText, 0);
    std::array<std::uint8_t, 6> mac{};
    if ((flags & IFF_UP) != 0 && (flags & IFF_LOOPBACK) == 0 && AdapterMac(name, mac)) return name;
  }
  return std::string();
}

std::vector<std::string> AdapterIpv4Addresses(const std::string& name) {
  std::vector<std::string> addresses;
  ifaddrs* list = nullptr;
  if (::getifaddrs(&list) != 0) return addresses;
  for (const ifaddrs* item = list; item != nullptr; item = item->ifa_next) {
    if (item->ifa_addr == nullptr || item->ifa_addr->sa_family != AF_INET || name != item->ifa_name) continue;
    char text[INET_ADDRSTRLEN] = {};
    const auto* address = reinterpret_cast<const sockaddr_in*>(item->ifa_addr);
    if (::inet_ntop(AF_INET, &address->sin_addr, text, sizeof text) != nullptr) addresses.emplace_back(text);
  }
  ::freeifaddrs(list);
  return addresses;
}

// Reads the decimal number at `position` and moves past it; 0 when there is none.
int NextNumber(std::string_view text, std::size_t& position) {
  const std::size_t start = position;
  while (position < text.size() && text[position] >= '0' && text[position] <= '9') ++position;
  return start == position ? 0 : ParseLeadingInt(text.substr(start, position - start));
}

}  // namespace

std::string ComputerNameFromHostName(std::string_view hostName) {
  const std::string_view name = hostName.substr(0, hostName.find('.'));
  return ToUpper(name.substr(0, kComputerNameLength));
}

std::string ComputerName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return std::string();
  return ComputerNameFromHostName(name);
}

std::string DefaultRouteInterface(std::string_view procNetRoute) {
  constexpr unsigned long kRouteUp = 0x1;
  std::string best;
  long bestMetric = LONG_MAX;
  bool header = true;
  for (const std::string& line : Split(procNetRoute, '\n')) {
    if (header) {  // the first line names the columns
      header = false;
      continue;
    }
    std::istringstream fields(line);
    std::string iface, destination, gateway, flags, refCount, use, metric, mask;
    if (!(fields >> iface >> destination >> gateway >> flags >> refCount >> use >> metric >> mask)) continue;
    const bool isDefault = ParseHex(destination, 1) == 0 && ParseHex(mask, 1) == 0;
    const bool up = (ParseHex(flags, 0) & kRouteUp) != 0;
    const long metricValue = ParseLeadingInt(metric);
    if (isDefault && up && metricValue < bestMetric) {
      best = iface;
      bestMetric = metricValue;
    }
  }
  return best;
}

bool ParseMacAddress(std::string_view text, std::array<std::uint8_t, 6>& mac) {
  // Exactly six pairs of hexadecimal digits separated by ":" (17 characters).
  if (text.size() != 17) return false;
  std::array<std::uint8_t, 6> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::string_view pair = text.substr(i * 3, 2);
    if (i > 0 && text[i * 3 - 1] != ':') return false;
    if (!std::all_of(pair.begin(), pair.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
      return false;
    }
    bytes[i] = static_cast<std::uint8_t>(ParseHex(pair, 0));
  }
  if (std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; })) return false;
  mac = bytes;
  return true;
}

bool CurrentNetworkAdapter(NetworkAdapter& adapter) {
  std::string name = DefaultRouteInterface(ReadSmallFile("/proc/net/route"));
  std::array<std::uint8_t, 6> mac{};
  if (name.empty() || !AdapterMac(name, mac)) {
    name = FirstUsableAdapter();
    if (name.empty() || !AdapterMac(name, mac)) return false;
  }
  adapter.name = name;
  adapter.mac = mac;
  adapter.ipAddresses = AdapterIpv4Addresses(name);
  return true;
}

CpuIdRegisters CpuId(std::uint32_t leaf, std::uint32_t subLeaf) {
  CpuIdRegisters registers;
#if defined(__x86_64__) || defined(__i386__)
  __cpuid_count(leaf, subLeaf, registers.eax, registers.ebx, registers.ecx, registers.edx);
#else
  (void)leaf;
  (void)subLeaf;
#endif
  return registers;
}

std::string CpuBrand() { return CpuBrandFrom(&CpuId); }

std::string CpuBrandFrom(CpuIdRegisters (*cpuId)(std::uint32_t leaf, std::uint32_t subLeaf)) {
  constexpr std::uint32_t kExtendedBase = 0x80000000u;
  if (cpuId(kExtendedBase, 0).eax < kExtendedBase + 4) return std::string();
  char brand[49] = {};
  for (std::uint32_t i = 0; i < 3; ++i) {
    const CpuIdRegisters r = cpuId(kExtendedBase + 2 + i, 0);
    const std::uint32_t words[4] = {r.eax, r.ebx, r.ecx, r.edx};
    for (std::size_t w = 0; w < 4; ++w) {
      for (std::size_t b = 0; b < 4; ++b) brand[i * 16 + w * 4 + b] = static_cast<char>((words[w] >> (8 * b)) & 0xFF);
    }
  }
  return std::string(brand);  // ends at the first NUL; the 49th byte is always one
}

OsVersion ParseOsRelease(std::string_view release) {
  OsVersion version;
  std::size_t position = 0;
  int* const numbers[3] = {&version.major, &version.minor, &version.build};
  for (int* number : numbers) {
    *number = NextNumber(release, position);
    if (position >= release.size() || release[position] != '.') break;
    ++position;
  }
  return version;
}

OsVersion HostOsVersion() {
  utsname names{};
  if (::uname(&names) != 0) return OsVersion{};
  return ParseOsRelease(names.release);
}

std::string PrettyNameFromOsRelease(std::string_view osRelease) {
  constexpr std::string_view kKey = "PRETTY_NAME=";
  for (const std::string& line : Split(osRelease, '\n')) {
    const std::string trimmed = Trim(line);
    if (trimmed.rfind(kKey, 0) != 0) continue;
    std::string value = trimmed.substr(kKey.size());
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return std::string();
}

std::string OsName() {
  const std::string pretty = PrettyNameFromOsRelease(ReadSmallFile("/etc/os-release"));
  if (!pretty.empty()) return pretty;
  utsname names{};
  if (::uname(&names) != 0) return std::string();
  return std::string(names.sysname) + " " + names.release;
}

int FindProcessId(std::string_view imageName) {
  std::vector<int> ids;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string name = entry.path().filename().string();
    if (!name.empty() && std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      ids.push_back(ParseLeadingInt(name));
    }
  }
  std::sort(ids.begin(), ids.end());
  for (const int id : ids) {
    const std::filesystem::path folder = std::filesystem::path("/proc") / std::to_string(id);
    std::error_code linkError;
    const std::filesystem::path program = std::filesystem::read_symlink(folder / "exe", linkError);
    // The kernel marks a program file replaced since the start with " (deleted)".
    std::string image = linkError ? std::string() : program.filename().string();
    if (const std::size_t deleted = image.find(" (deleted)"); deleted != std::string::npos) image.resize(deleted);
    if (image.empty()) image = Trim(ReadSmallFile(folder / "comm"));
    if (!image.empty() && EqualsNoCase(image, imageName)) return id;
  }
  return 0;
}

int LanguageIdFromLocale(std::string_view locale) {
  constexpr int kChineseTaiwan = 1028;
  constexpr int kChinesePrc = 2052;
  constexpr int kEnglishUs = 1033;
  const std::string region = ToLower(locale.substr(0, 5));
  if (region == "zh_tw" || region == "zh-tw" || region == "zh_hk" || region == "zh-hk") return kChineseTaiwan;
  if (region == "zh_cn" || region == "zh-cn" || region == "zh_sg" || region == "zh-sg") return kChinesePrc;
  return kEnglishUs;
}

int LanguageId() {
  // The locale variables in the order the C library honours them; the first set one counts.
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return LanguageIdFromLocale(value);
  }
  return LanguageIdFromLocale("");
}

}  // namespace platform
