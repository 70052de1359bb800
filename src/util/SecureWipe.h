#pragma once
// Zeroing of memory that held key material or values derived from it, done so that the
// compiler cannot drop it as a dead store.
#include <cstddef>
#include <string.h>

inline void SecureWipe(void* data, std::size_t size) {
  if (data != nullptr && size != 0) {
    ::explicit_bzero(data, size);
  }
}

template <typename T>
inline void SecureWipeObject(T& object) {
  SecureWipe(&object, sizeof(object));
}
