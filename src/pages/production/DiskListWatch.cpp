#include "pages/production/DiskListWatch.h"

#include "device/Transport.h"

std::vector<std::string> CDiskListWatch::CurrentList() {
  std::vector<std::string> list;
  if (auto transport = device::GetTransport()) {
    for (const device::TransportDisk& disk : transport->ListDisks()) list.push_back(disk.devicePath + "|" + disk.nodeText);
  }
  return list;
}

bool CDiskListWatch::Changed() {
  std::vector<std::string> current = CurrentList();
  const bool changed = m_noted.has_value() && *m_noted != current;
  m_noted = std::move(current);
  return changed;
}

void CDiskListWatch::TakeNote() { m_noted = CurrentList(); }
