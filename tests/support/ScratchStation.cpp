#include "support/ScratchStation.h"

#include <atomic>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/Path.h"
#include "platform/Profile.h"

namespace testsupport {
namespace fs = std::filesystem;

namespace {
fs::path MakeUniqueFolder() {
  static std::atomic<unsigned> counter{0};
  const fs::path base = fs::temp_directory_path() / "station-tests";
  fs::create_directories(base);
  for (;;) {
    fs::path candidate =
        base / ("s" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    if (fs::create_directory(candidate)) return candidate;
  }
}
}  // namespace

fs::path StationTemplateFolder() { return fs::path(STATION_SOURCE_DIR) / "station"; }

ScratchStation::ScratchStation(Template contents) : m_folder(MakeUniqueFolder()) {
  if (contents == Template::Copy) {
    fs::copy(StationTemplateFolder(), m_folder, fs::copy_options::recursive);
  }
  m_previous = platform::StationFolder();
  platform::SetStationFolder(m_folder);
  platform::FlushProfileCache();
}

ScratchStation::~ScratchStation() {
  platform::FlushProfileCache();
  platform::SetStationFolder(m_previous);
  std::error_code ignored;
  fs::remove_all(m_folder, ignored);
}

void ScratchStation::WriteFile(std::string_view relativePath, std::string_view bytes) const {
  const fs::path target = m_folder / fs::path(std::string(relativePath));
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScratchStation::ReadFile(std::string_view relativePath) const {
  std::ifstream in(m_folder / fs::path(std::string(relativePath)), std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

}  // namespace testsupport
