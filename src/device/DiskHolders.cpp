#include "device/DiskHolders.h"

#include <cerrno>
#include <set>

#include "device/SysfsFiles.h"
#include "platform/Text.h"

namespace device {
namespace fs = std::filesystem;

namespace {

// Whether a failed read of a folder means only that it is not there: its device has gone.
bool Missing(const std::error_code& error) { return error == std::errc::no_such_file_or_directory; }

// Notes the first folder that could not be read.
void NoteUnreadable(const fs::path& disk, const fs::path& folder, const std::error_code& error,
                    std::string& unreadable) {
  if (!error || Missing(error) || !unreadable.empty()) return;
  unreadable = folder.lexically_relative(disk.parent_path()).string() + ": " + error.message();
}

// The names in a block folder's "holders" folder, with a device-mapper device's name.
void AddHolders(const fs::path& disk, const fs::path& block, DiskHolders& found, std::set<std::string>& holders) {
  std::error_code error;
  for (fs::directory_iterator holder = FolderEntries(block / "holders", error), end; !error && holder != end;
       holder.increment(error)) {
    std::string name = holder->path().filename().string();
    const std::string mapped = ReadFirstLine(holder->path() / "dm" / "name");
    if (!mapped.empty()) name += " (" + mapped + ")";
    holders.insert(std::move(name));
  }
  NoteUnreadable(disk, block / "holders", error, found.unreadable);
}

}  // namespace

DiskHolders HoldersOf(const fs::path& disk) {
  DiskHolders found;
  std::set<std::string> holders;
  AddHolders(disk, disk, found, holders);
  std::error_code error;
  for (fs::directory_iterator entry = FolderEntries(disk, error), end; !error && entry != end; entry.increment(error)) {
    std::error_code unknown;
    if (FileIsThere(entry->path() / "partition", unknown)) AddHolders(disk, entry->path(), found, holders);
    NoteUnreadable(disk, entry->path(), unknown, found.unreadable);
  }
  NoteUnreadable(disk, disk, error, found.unreadable);
  found.holders.assign(holders.begin(), holders.end());
  return found;
}

std::string HeldDiskText(const std::string& disk, const std::vector<std::string>& holders) {
  return disk + " is held by " + platform::JoinAsList(holders);
}

std::string UnreadableHoldersText(const std::string& disk, const std::string& unreadable) {
  return disk + "'s holders cannot be read (" + unreadable + ")";
}

}  // namespace device
