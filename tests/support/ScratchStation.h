#pragma once
// A scratch station folder for one test: a fresh temporary folder that becomes the station
// folder while the object lives, optionally filled from the station/ template.
#include <filesystem>
#include <string>
#include <string_view>

namespace testsupport {

class ScratchStation {
 public:
  enum class Template { Empty, Copy };
  explicit ScratchStation(Template contents = Template::Empty);
  ~ScratchStation();
  ScratchStation(const ScratchStation&) = delete;
  ScratchStation& operator=(const ScratchStation&) = delete;

  const std::filesystem::path& Folder() const { return m_folder; }
  // Writes a file below the folder (native relative path with "/"), creating its folders.
  void WriteFile(std::string_view relativePath, std::string_view bytes) const;
  // The whole file, or an empty string when it cannot be read.
  std::string ReadFile(std::string_view relativePath) const;

 private:
  std::filesystem::path m_folder;
  std::filesystem::path m_previous;
};

// The source tree's station/ template folder.
std::filesystem::path StationTemplateFolder();

}  // namespace testsupport
