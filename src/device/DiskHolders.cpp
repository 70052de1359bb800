#include "device/DiskHolders.h"

#include <set>

#include "device/SysfsFiles.h"

namespace device {
namespace fs = std::filesystem;

namespace {

// The names in a block folder's "holders" folder, with a device-mapper device's name.
void AddHolders(const fs::path& block, std::set<std::string>& holders) {
  std::error_code error;
  for (const auto& holder : fs::directory_iterator(block / "holders", error)) {
    std::string name = holder.path().filename().string();
    const std::string mapped = ReadFirstLine(holder.path() / "dm" / "name");
    if (!mapped.empty()) name += " (" + mapped + ")";
    holders.insert(std::move(name));
  }
}

}  // namespace

std::vector<std::string> HoldersOf(const fs::path& disk) {
  std::set<std::string> holders;
  AddHolders(disk, holders);
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(disk, error)) {
    std::error_code missing;
    if (fs::exists(entry.path() / "partition", missing)) AddHolders(entry.path(), holders);
  }
  return {holders.begin(), holders.end()};
}

std::string HeldDiskText(const std::string& disk, const std::vector<std::string>& holders) {
  std::string text = disk + " is held by ";
  for (std::size_t i = 0; i < holders.size(); ++i) {
    text += (i == 0 ? "" : i + 1 == holders.size() ? " and " : ", ") + holders[i];
  }
  return text;
}

}  // namespace device
