#pragma once
// Heap scratch space for one big-integer operation; the words are wiped when it goes away,
// since they hold intermediate values of key computations.
#include <cstddef>
#include <memory>

#include "crypto/WordArray.h"
#include "util/SecureWipe.h"

namespace crypto {

class ScratchWords {
 public:
  explicit ScratchWords(std::size_t n) : m_words(new words::Word[n == 0 ? 1 : n]), m_size(n) {}
  ~ScratchWords() { SecureWipe(m_words.get(), m_size * sizeof(words::Word)); }
  ScratchWords(const ScratchWords&) = delete;
  ScratchWords& operator=(const ScratchWords&) = delete;

  words::Word* Data() { return m_words.get(); }
  std::size_t Size() const { return m_size; }

 private:
  std::unique_ptr<words::Word[]> m_words;
  std::size_t m_size;
};

}  // namespace crypto
