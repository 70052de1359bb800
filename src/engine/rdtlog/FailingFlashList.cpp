#include "engine/rdtlog/FailingFlashList.h"

#include "device/StationHelpers.h"

void CFailingFlashList::Add(std::uint16_t ce) {
  if (m_text.empty()) {
    m_text = "[" + GetFlashCEType(ce, 0);
    return;
  }
  const std::string label = GetFlashCEType(ce, 1);
  if (m_text.find(label) == std::string::npos) m_text += "," + label;
}
