#pragma once
// How a drive number becomes the device a command goes to, and the bridge-mode flag.
//  - Tester mode (g_U2AMode 0): the drive is "\\.\PhysicalDrive%d" with its drive number,
//    which is entry drive number - 1 of the transport's disk list (drive numbers are 1-based,
//    see Transport.h).
//  - Bridge mode (g_U2AMode non-zero): the drive is the device path of entry drive number - 1
//    of g_DevicePathTable, the last device listing.
// A command binds the disk of its drive by the disk's identity, taken in one lookup of the same
// list, never by a path looked up first and its disk afterwards, between which a listing may run.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Bridge mode (USB-to-ATA bridge), default 1; the program sets it at start-up from TV_U2A.
// Read at every command, so the engine's commands take the bridge form while it is set.
extern std::atomic<std::uint8_t> g_U2AMode;

namespace device {

class Transport;

// "\\.\PhysicalDrive%d".
std::string PhysicalDrivePathText(int driveNumber);
// The drive number of a "\\.\PhysicalDrive%d" text (case ignored); nullopt for any other text.
std::optional<int> ParsePhysicalDrivePath(std::string_view text);

// The transport's device path for a drive number in the current mode; empty when there is none.
std::string DevicePathOfDrive(int driveNumber);
// The identity (Transport.h) of the disk of a drive number in the current mode, found in one
// lookup: in bridge mode the one the last device listing kept beside the drive's path, in tester
// mode the transport's; empty when there is none.
std::string IdentityOfDrive(Transport& transport, int driveNumber);
// The identity of the disk of a path text: "\\.\PhysicalDrive%d" through the transport's disk
// list, any other text as the transport knows that path; empty when there is none.
std::string IdentityOfPathText(Transport& transport, std::string_view pathText);
// Why the list that IdentityOfDrive looks in names no disk at all (Transport::ListingProblem): in
// bridge mode the last device listing's, in tester mode the transport's; empty when nothing kept
// that list from naming disks.
std::string ListingProblemOfDrives(Transport& transport);
// What keeps the disk of a drive number out of the list that IdentityOfDrive looks in, while its
// place waits for it (Transport::WhyDriveIsKeptOut): in bridge mode what the last device listing
// kept beside the drive's entry, in tester mode the transport's; empty when the number names a
// disk, an empty place or none.
std::string WhyDriveIsKeptOut(Transport& transport, int driveNumber);
// The same for a path text, looked up as IdentityOfPathText looks it up: for "\\.\PhysicalDrive%d"
// the transport's; empty for any other text.
std::string WhyPathTextIsKeptOut(Transport& transport, std::string_view pathText);

}  // namespace device
