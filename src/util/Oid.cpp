#include "util/Oid.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace util {

namespace {

constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorInvalidParameter = 87;

thread_local std::uint32_t g_lastError = 0;

}  // namespace

std::uint32_t OidLastError() { return g_lastError; }

int OidCopy(ObjectIdentifier* destination, const ObjectIdentifier* source) {
  if (destination == nullptr || source == nullptr || (source->idLength != 0 && source->ids == nullptr)) {
    g_lastError = kErrorInvalidParameter;
    return 0;
  }
  // A fixed, zero-filled block. An empty identifier gets one word: a block of no bytes may
  // come back as no block at all, which would read as a failed allocation.
  const std::size_t count = std::max<std::size_t>(source->idLength, 1);
  destination->ids = static_cast<std::uint32_t*>(std::calloc(count, sizeof(std::uint32_t)));
  if (destination->ids == nullptr) {
    g_lastError = kErrorInvalidFunction;
    return 0;
  }
  if (source->idLength != 0) std::memcpy(destination->ids, source->ids, source->idLength * sizeof(std::uint32_t));
  destination->idLength = source->idLength;
  g_lastError = 0;
  return 1;
}

void OidFree(ObjectIdentifier* identifier) {
  if (identifier == nullptr) return;
  std::free(identifier->ids);
  identifier->ids = nullptr;
  identifier->idLength = 0;
}

std::int32_t OidCompareN(const ObjectIdentifier* first, const ObjectIdentifier* second, std::uint32_t n) {
  const std::uint32_t limit = std::min({n, first->idLength, second->idLength});
  for (std::uint32_t i = 0; i < limit; ++i) {
    if (first->ids[i] != second->ids[i]) return static_cast<std::int32_t>(first->ids[i] - second->ids[i]);
  }
  return 0;
}

void VarBindFree(VariableBinding* binding) {
  if (binding == nullptr) return;
  OidFree(&binding->name);
  AsnValue& value = binding->value;
  switch (value.asnType) {
    case kAsnObjectIdentifier:
      OidFree(&value.asnValue.object);
      break;
    case kAsnOctetString:
    case kAsnIpAddress:
    case kAsnOpaque:
    case kAsnSequence:
      if (value.asnValue.string.dynamic != 0) {
        std::free(value.asnValue.string.stream);
        value.asnValue.string.stream = nullptr;
        value.asnValue.string.length = 0;
        value.asnValue.string.dynamic = 0;
      }
      break;
    default:
      break;
  }
  value.asnType = kAsnNull;
}

}  // namespace util
