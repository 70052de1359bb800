#pragma once
// Test failures show big integers as hexadecimal text.
#include <ostream>

#include "crypto/Integer.h"

namespace crypto {

inline void PrintTo(const CInteger& value, std::ostream* out) { *out << value.ToHexText(); }

}  // namespace crypto
