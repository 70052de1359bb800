#include "pages/legacy/HostInfo.h"

#include <string_view>

#include "device/AdapterInfo.h"
#include "platform/Base64.h"
#include "platform/Files.h"
#include "platform/Host.h"
#include "platform/Text.h"

namespace {

constexpr const char* kUnknownVersion = "Unknow";

}  // namespace

std::string GetHostMacText() {
  const CAdapterInfo adapter;
  std::string mac = adapter.GetMacAddress();
  std::erase(mac, ':');
  return mac;
}

std::string GetHostIpText() {
  const CAdapterInfo adapter;
  return adapter.GetIpAddress();
}

std::string GetCpuBrandText() { return platform::CpuBrand(); }

std::string WindowsVersionName(const WindowsVersionFacts& facts, int& code) {
  using Platform = WindowsVersionFacts::Platform;
  const bool workstation = facts.workstation;
  switch (facts.major) {
    case 4:
      if (facts.minor == 0) {
        code = 1;
        if (facts.platform == Platform::WindowsNT) return "Microsoft Windows NT 4.0";
        if (facts.platform == Platform::Windows9x) return "Microsoft Windows 95";
        return std::string();
      }
      if (facts.minor == 10) {
        code = 2;
        return "Microsoft Windows 98";
      }
      if (facts.minor == 90) {
        code = 3;
        return "Microsoft Windows Me";
      }
      return std::string();
    case 5:
      if (facts.minor == 0) {
        code = 4;
        return "Microsoft Windows 2000";
      }
      if (facts.minor == 1) {
        code = 5;
        return "Microsoft Windows XP";
      }
      if (facts.minor == 2) {
        code = 6;
        if (workstation && facts.x64) return "Microsoft Windows XP Professional x64 Edition";
        return facts.serverR2 ? "Microsoft Windows Server 2003 R2" : "Microsoft Windows Server 2003";
      }
      return std::string();
    case 6:
      if (facts.minor == 0) {
        code = 7;
        return workstation ? "Microsoft Windows Vista" : "Microsoft Windows Server 2008";
      }
      if (facts.minor == 1) {
        code = 8;
        return workstation ? "Microsoft Windows 7" : "Microsoft Windows Server 2008 R2";
      }
      if (facts.minor == 2) {
        code = 9;
        return workstation ? "Microsoft Windows 8" : "Microsoft Windows Server 2012";
      }
      return std::string();
    default:
      return kUnknownVersion;
  }
}

std::string GetWindowsVersionName() {
  const std::string name = platform::OsName();
  return name.empty() ? std::string(kUnknownVersion) : name;
}

bool EncodeFileLinesBase64(std::string_view source, std::string_view destination) {
  const std::string sourceName = platform::Trim(source);
  if (sourceName.empty()) return false;
  const std::optional<std::string> contents = platform::ReadWholeFile(sourceName);
  if (!contents) return false;
  std::string encoded;
  for (const std::string& line : platform::Split(*contents, '\n')) {
    const std::string trimmed = platform::Trim(line);
    if (trimmed.empty()) continue;
    encoded += platform::EncodeBase64(std::string_view(trimmed));
    encoded += "\r\n";
  }
  // The destination is replaced as a whole: a failed write leaves the old one.
  return platform::WriteWholeFile(destination, encoded);
}

bool IsFolder(std::string_view path) {
  std::string searched(path);
  if (searched.rfind("\\\\", 0) == 0) {
    // A share is only seen through its entries.
    if (!searched.empty() && searched.back() != '\\') searched += '\\';
    return platform::IsDirectory(searched) || !platform::FindFiles(searched + "*").empty();
  }
  return platform::IsDirectory(searched);
}
