#pragma once
// The list of flash packages to replace that ends an RDT failure message: "[" followed by
// the package label of the first failing CE ("F%d"), then the labels of further packages
// ("%d") after a "," unless the list already holds that label. A CE without a package (no
// flash map configured) adds nothing.
#include <cstdint>
#include <string>

class CFailingFlashList {
 public:
  void Add(std::uint16_t ce);
  bool Empty() const { return m_text.empty(); }
  // The list closed with "]", or an empty text when no CE failed.
  std::string Closed() const { return m_text.empty() ? std::string() : m_text + "]"; }

 private:
  std::string m_text;
};
