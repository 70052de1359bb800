#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/Host.h"
#include "platform/Text.h"

namespace {

TEST(Host, ComputerNameIsShortUpperCaseAndWithoutDomain) {
  const std::string name = platform::ComputerName();
  EXPECT_FALSE(name.empty());
  EXPECT_LE(name.size(), 15u);
  EXPECT_EQ(name, platform::ToUpper(name));
  EXPECT_EQ(name.find('.'), std::string::npos);
}

TEST(Host, ComputerNameRules) {
  EXPECT_EQ(platform::ComputerNameFromHostName("line3-station.factory.example"), "LINE3-STATION");
  EXPECT_EQ(platform::ComputerNameFromHostName("production-station-17"), "PRODUCTION-STAT");
  EXPECT_EQ(platform::ComputerNameFromHostName("pc"), "PC");
}

TEST(Host, DefaultRouteInterfaceFromTheRoutingTable) {
  const std::string table =
      "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
      "wlan0\t00000000\t0101A8C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
      "eth1\t0000A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\t0\t0\t0\n"
      "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
      "eth2\t00000000\t010300C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n";
  EXPECT_EQ(platform::DefaultRouteInterface(table), "eth0");  // lowest metric; eth2 is down
  EXPECT_EQ(platform::DefaultRouteInterface(
                "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n"
                "eth1\t0000A8C0\t00000000\t0001\t0\t0\t100\t00FFFFFF\n"),
            "");
  EXPECT_EQ(platform::DefaultRouteInterface(""), "");
  EXPECT_EQ(platform::DefaultRouteInterface("Iface\nbroken line\n"), "");
}

TEST(Host, MacAddressTexts) {
  std::array<std::uint8_t, 6> mac{};
  ASSERT_TRUE(platform::ParseMacAddress("02:fc:00:0A:b1:ff", mac));
  EXPECT_EQ(mac, (std::array<std::uint8_t, 6>{0x02, 0xFC, 0x00, 0x0A, 0xB1, 0xFF}));
  const auto before = mac;
  EXPECT_FALSE(platform::ParseMacAddress("00:00:00:00:00:00", mac));
  EXPECT_FALSE(platform::ParseMacAddress("02:fc:00:0a:b1", mac));
  EXPECT_FALSE(platform::ParseMacAddress("02-fc-00-0a-b1-ff", mac));
  EXPECT_FALSE(platform::ParseMacAddress("02:fc:00:0a:b1:fg", mac));
  EXPECT_FALSE(platform::ParseMacAddress("02:fc:00:0a:b1:ff:00", mac));
  EXPECT_EQ(mac, before);  // a refused text changes nothing
}

// "%02X:%02X:%02X:%02X:%02X:%02X": six pairs of upper-case hexadecimal digits.
bool IsMacText(const std::string& text) {
  if (text.size() != 17) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool ok = i % 3 == 2 ? c == ':' : ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
    if (!ok) return false;
  }
  return true;
}

bool IsDottedIpv4(const std::string& text) {
  const auto parts = platform::Split(text, '.');
  if (parts.size() != 4) return false;
  for (const std::string& part : parts) {
    if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos) return false;
    if (platform::ParseLeadingInt(part) > 255) return false;
  }
  return true;
}

TEST(Host, CurrentAdapterIsWellFormed) {
  platform::NetworkAdapter adapter;
  if (!platform::CurrentNetworkAdapter(adapter)) GTEST_SKIP() << "this host has no network adapter";
  EXPECT_FALSE(adapter.name.empty());
  const std::string macText = platform::Format("%02X:%02X:%02X:%02X:%02X:%02X", adapter.mac[0], adapter.mac[1],
                                               adapter.mac[2], adapter.mac[3], adapter.mac[4], adapter.mac[5]);
  EXPECT_TRUE(IsMacText(macText)) << macText;
  EXPECT_NE(macText, "00:00:00:00:00:00");
  for (const std::string& ip : adapter.ipAddresses) {
    EXPECT_TRUE(IsDottedIpv4(ip)) << ip;
  }
}

// A CPUID stand-in for a processor whose highest extended leaf is 0x80000004 and whose
// brand string is "Station CPU @ 3.00GHz" padded with NULs.
platform::CpuIdRegisters BrandedCpu(std::uint32_t leaf, std::uint32_t) {
  static const char brand[48] = "Station CPU @ 3.00GHz";
  platform::CpuIdRegisters r;
  if (leaf == 0x80000000u) {
    r.eax = 0x80000004u;
  } else if (leaf >= 0x80000002u && leaf <= 0x80000004u) {
    const char* part = brand + (leaf - 0x80000002u) * 16;
    std::uint32_t* words[4] = {&r.eax, &r.ebx, &r.ecx, &r.edx};
    for (int w = 0; w < 4; ++w) {
      for (int b = 0; b < 4; ++b) *words[w] |= static_cast<std::uint32_t>(static_cast<unsigned char>(part[w * 4 + b])) << (8 * b);
    }
  }
  return r;
}

platform::CpuIdRegisters CpuWithoutBrandLeaves(std::uint32_t leaf, std::uint32_t) {
  platform::CpuIdRegisters r;
  if (leaf == 0x80000000u) {
    r.eax = 0x80000003u;
  } else {
    r.eax = r.ebx = r.ecx = r.edx = 0x41414141u;  // would read "AAAA..." if used
  }
  return r;
}

TEST(Host, CpuBrandFromTheExtendedLeaves) {
  EXPECT_EQ(platform::CpuBrandFrom(&BrandedCpu), "Station CPU @ 3.00GHz");
  EXPECT_EQ(platform::CpuBrandFrom(&CpuWithoutBrandLeaves), "");
}

TEST(Host, CpuBrandOfThisHost) {
  const std::string brand = platform::CpuBrand();
  EXPECT_LE(brand.size(), 48u);
  EXPECT_EQ(brand.find('\0'), std::string::npos);
#if defined(__x86_64__) || defined(__i386__)
  if (platform::CpuId(0x80000000u).eax >= 0x80000004u) {
    EXPECT_FALSE(brand.empty());
  }
  EXPECT_NE(platform::CpuId(0).eax, 0u);  // the highest basic leaf
#endif
}

TEST(Host, OsVersionFromTheKernelRelease) {
  const platform::OsVersion debian = platform::ParseOsRelease("6.1.0-18-amd64");
  EXPECT_EQ(debian.major, 6);
  EXPECT_EQ(debian.minor, 1);
  EXPECT_EQ(debian.build, 0);
  EXPECT_TRUE(debian.workstation);
  const platform::OsVersion other = platform::ParseOsRelease("5.15.133.1-microsoft-standard-WSL2");
  EXPECT_EQ(other.major, 5);
  EXPECT_EQ(other.minor, 15);
  EXPECT_EQ(other.build, 133);
  const platform::OsVersion junk = platform::ParseOsRelease("unknown");
  EXPECT_EQ(junk.major, 0);
  EXPECT_EQ(junk.minor, 0);
  EXPECT_GE(platform::HostOsVersion().major, 3);
}

TEST(Host, LanguageIdFromTheLocale) {
  EXPECT_EQ(platform::LanguageIdFromLocale("zh_TW.UTF-8"), 1028);
  EXPECT_EQ(platform::LanguageIdFromLocale("zh_HK"), 1028);
  EXPECT_EQ(platform::LanguageIdFromLocale("zh_CN.GB18030"), 2052);
  EXPECT_EQ(platform::LanguageIdFromLocale("zh_SG"), 2052);
  EXPECT_EQ(platform::LanguageIdFromLocale("en_US.UTF-8"), 1033);
  EXPECT_EQ(platform::LanguageIdFromLocale("C"), 1033);
  EXPECT_EQ(platform::LanguageIdFromLocale(""), 1033);
}

// Sets one environment variable for the life of the object and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (m_old) {
      ::setenv(m_name, m_old->c_str(), 1);
    } else {
      ::unsetenv(m_name);
    }
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

TEST(Host, LanguageIdHonoursTheLocaleVariablesInOrder) {
  ScopedVariable all("LC_ALL", nullptr);
  ScopedVariable messages("LC_MESSAGES", "zh_CN.UTF-8");
  ScopedVariable lang("LANG", "zh_TW.UTF-8");
  EXPECT_EQ(platform::LanguageId(), 2052);
  {
    ScopedVariable overriding("LC_ALL", "zh_TW.Big5");
    EXPECT_EQ(platform::LanguageId(), 1028);
  }
  ScopedVariable noMessages("LC_MESSAGES", "");
  EXPECT_EQ(platform::LanguageId(), 1028);
}

}  // namespace

TEST(Host, OsNameFromOsReleaseElseUname) {
  EXPECT_EQ(platform::PrettyNameFromOsRelease("NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                                              "VERSION_ID=\"12\"\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(platform::PrettyNameFromOsRelease("PRETTY_NAME='Alpine Linux v3.19'"), "Alpine Linux v3.19");
  EXPECT_EQ(platform::PrettyNameFromOsRelease("PRETTY_NAME=Plain"), "Plain");
  EXPECT_EQ(platform::PrettyNameFromOsRelease("NAME=x\n#PRETTY_NAME=y\n"), "");
  EXPECT_EQ(platform::PrettyNameFromOsRelease(""), "");
  EXPECT_FALSE(platform::OsName().empty());
}

TEST(Host, FindProcessIdMatchesTheImageNameWithoutRegardToCase) {
  // This test's own program is running; the first process of that name may be another copy.
  std::error_code error;
  const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).filename().string();
  ASSERT_FALSE(self.empty());
  const int found = platform::FindProcessId(platform::ToUpper(self));
  ASSERT_NE(found, 0);
  EXPECT_LE(found, static_cast<int>(::getpid()));
  EXPECT_EQ(platform::FindProcessId("no-such-program-anywhere.exe"), 0);
  EXPECT_EQ(platform::FindProcessId(""), 0);
}
