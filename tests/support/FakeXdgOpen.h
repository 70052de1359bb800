#pragma once
// An xdg-open of the test's own: a shell script in a folder of the test's, that folder first
// on PATH while the object lives.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>

namespace testsupport {

class FakeXdgOpen {
 public:
  explicit FakeXdgOpen(std::filesystem::path folder) : m_folder(std::move(folder)) {
    if (const char* path = std::getenv("PATH")) m_savedPath = path;
    std::filesystem::create_directories(m_folder);
    ::setenv("PATH", (m_folder.string() + (m_savedPath ? ":" + *m_savedPath : std::string())).c_str(), 1);
  }
  ~FakeXdgOpen() {
    if (m_savedPath) {
      ::setenv("PATH", m_savedPath->c_str(), 1);
    } else {
      ::unsetenv("PATH");
    }
  }
  FakeXdgOpen(const FakeXdgOpen&) = delete;
  FakeXdgOpen& operator=(const FakeXdgOpen&) = delete;

  // The script's body from now on, after "#!/bin/sh" ($1 is the path it is handed). The new
  // script replaces the old one whole: a copy that still runs reads on in the old one.
  void Runs(const std::string& body) const {
    const std::filesystem::path written = m_folder / "xdg-open.new";
    {
      std::ofstream out(written, std::ios::binary | std::ios::trunc);
      out << "#!/bin/sh\n" << body << "\n";
    }
    std::filesystem::permissions(written, std::filesystem::perms::owner_all);
    std::filesystem::rename(written, m_folder / "xdg-open");
  }

 private:
  std::filesystem::path m_folder;
  std::optional<std::string> m_savedPath;
};

}  // namespace testsupport
