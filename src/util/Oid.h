#pragma once
// SNMP object identifiers and variable bindings in the shape of the SNMP management
// interface the station's tools exchanged them in: copy and free an identifier, compare the
// leading parts of two, free a binding. Memory is fixed, zero-filled blocks of the C heap
// (what the interface's global memory blocks are here); what these functions allocate they
// free with the same heap.
#include <cstdint>

namespace util {

struct ObjectIdentifier {
  std::uint32_t idLength = 0;      // count of sub-identifiers
  std::uint32_t* ids = nullptr;    // idLength sub-identifiers
};

// Octet strings, IP addresses, opaque values and sequences: the bytes, their count and
// whether the binding owns them (non-zero: allocated, to be freed with the binding).
struct OctetString {
  std::uint8_t* stream = nullptr;
  std::uint32_t length = 0;
  std::int32_t dynamic = 0;
};

// Type tags of the SNMP encoding that these functions know.
enum AsnType : std::uint8_t {
  kAsnOctetString = 0x04,
  kAsnNull = 0x05,
  kAsnObjectIdentifier = 0x06,
  kAsnSequence = 0x30,
  kAsnIpAddress = 0x40,
  kAsnOpaque = 0x44,
};

// A value: its type tag, then its body at the next boundary its members need.
struct AsnValue {
  std::uint8_t asnType = kAsnNull;
  union Body {
    std::int32_t number;
    std::uint32_t unsignedNumber;
    OctetString string;
    ObjectIdentifier object;
  } asnValue{};
};

struct VariableBinding {
  ObjectIdentifier name;
  AsnValue value;
};

// The thread's last error of these functions, as the Windows code (1 = the allocation
// failed, 87 = an identifier that claims sub-identifiers but has none); 0 after success.
std::uint32_t OidLastError();

// Copies source into destination with a new array: 1 on success; 0 when the array cannot
// be had (destination's array pointer null, its count unchanged, last error 1) or the source
// is inconsistent (last error 87). The destination's earlier array is not freed.
int OidCopy(ObjectIdentifier* destination, const ObjectIdentifier* source);
// Frees the array; the identifier is left with no array and a count of 0.
void OidFree(ObjectIdentifier* identifier);
// Compares sub-identifiers from the first while fewer than the smallest of n and the two
// counts have been compared: first[i] - second[i] (modulo 2^32, as a signed value) at the
// first difference, else 0 (also when the counts differ).
std::int32_t OidCompareN(const ObjectIdentifier* first, const ObjectIdentifier* second, std::uint32_t n);
// Frees the binding's name and the value's identifier, or its bytes when the binding owns
// them; the value's type becomes NULL whatever it was.
void VarBindFree(VariableBinding* binding);

}  // namespace util
