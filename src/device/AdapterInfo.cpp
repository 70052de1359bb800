#include "device/AdapterInfo.h"

#include "platform/Text.h"

CAdapterInfo::CAdapterInfo() { m_found = platform::CurrentNetworkAdapter(m_adapter); }

CAdapterInfo::~CAdapterInfo() = default;

std::string CAdapterInfo::GetMacAddress() const {
  if (!m_found) return {};
  const auto& mac = m_adapter.mac;
  return platform::Format("%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
}

std::string CAdapterInfo::GetIpAddress() const {
  std::string text;
  if (!m_found) return text;
  for (const auto& address : m_adapter.ipAddresses) {
    if (!text.empty()) text += ", ";
    text += address;
  }
  return text;
}
