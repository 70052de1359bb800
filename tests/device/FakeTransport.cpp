#include "FakeTransport.h"

namespace devicetest {

std::vector<device::TransportDisk> NumberedDisks(int count) {
  std::vector<device::TransportDisk> disks;
  for (int i = 1; i <= count; ++i) {
    disks.push_back({"/dev/fake" + std::to_string(i), "port" + std::to_string(i)});
  }
  return disks;
}

}  // namespace devicetest
