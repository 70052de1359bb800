#include "sim/FlashIdTable.h"

#include <cstring>

namespace sim {

FlashIdTable EncodeFlashIdTable(const FlashId& flashId, std::uint64_t ceMap) {
  FlashIdTable table;
  std::memset(&table, 0, sizeof(table));
  for (unsigned ce = 0; ce < 64; ++ce) {
    if ((ceMap >> ce) & 1) std::memcpy(table.entries[ce].id, flashId.data(), flashId.size());
  }
  return table;
}

}  // namespace sim
