#pragma once
// The host's network adapter: its hardware (MAC) address and its IP addresses.
#include <string>

#include "platform/Host.h"

class CAdapterInfo {
 public:
  // Queries the adapters; the current adapter is the one that carries the default route.
  CAdapterInfo();
  ~CAdapterInfo();
  CAdapterInfo(const CAdapterInfo&) = delete;
  CAdapterInfo& operator=(const CAdapterInfo&) = delete;

  // "%02X:%02X:%02X:%02X:%02X:%02X", or an empty text when the host has no adapter.
  std::string GetMacAddress() const;
  // The adapter's IPv4 addresses joined by ", "; empty when it has none.
  std::string GetIpAddress() const;

 private:
  platform::NetworkAdapter m_adapter;
  bool m_found = false;
};
