#pragma once
// Firmware image files as the simulated drive reads them: the 512-byte header with the section
// sizes, the program-RAM section and the flash section, each section beginning with a head
// that names the code. The code bytes are a plain pattern.
#include <cstring>
#include <string>
#include <vector>

#include "device/records/FirmwareImageHeader.h"

namespace simtest {

inline std::vector<std::uint8_t> SectionOf(const std::string& name, std::size_t bytes, std::uint8_t seed) {
  std::vector<std::uint8_t> section(bytes);
  for (std::size_t i = 0; i < bytes; ++i) section[i] = static_cast<std::uint8_t>(seed + i * 13);
  FirmwareImageHeader head;
  std::memset(&head, 0, sizeof(head));
  head.firmwareName.Set(name, '\0');
  std::memcpy(section.data(), &head, std::min(sizeof(head), bytes));
  return section;
}

// The whole file and, apart, its flash section.
struct ImageFile {
  std::string bytes;
  std::vector<std::uint8_t> flashSection;
};

inline ImageFile MakeImageFile(const std::string& flashName, std::size_t ramBytes = 1024,
                               std::size_t flashBytes = 3000) {
  const std::vector<std::uint8_t> ram = SectionOf("SBB9.9.9", ramBytes, 1);
  ImageFile file;
  file.flashSection = SectionOf(flashName, flashBytes, 2);
  FirmwareImageHeader header;
  std::memset(&header, 0, sizeof(header));
  header.ramCodeSize.Set(static_cast<std::uint32_t>(ramBytes));
  header.flashCodeSize.Set(static_cast<std::uint32_t>(flashBytes));
  file.bytes.assign(reinterpret_cast<const char*>(&header), sizeof(header));
  file.bytes.append(ram.begin(), ram.end());
  file.bytes.append(file.flashSection.begin(), file.flashSection.end());
  return file;
}

}  // namespace simtest
