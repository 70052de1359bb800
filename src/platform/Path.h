#pragma once
// Path texts as the station writes them (".\param.ini", "C:\MP_SSD_NODE\AutoMapping.ini",
// "%s\%s_%d_Report.txt") stay in that form everywhere in the system. They become native
// paths only here, at the file-system boundary.
//
// Mapping rules:
//  - "\" and "/" both separate components; "." components are dropped and ".." removes
//    the previous one (by text, as Windows does);
//  - a relative text is relative to the station folder (".." may leave it, as a relative
//    path may leave the working folder on Windows);
//  - "X:\..." (a drive name of one to four letters; "X:name" counts as "X:\name") lands in
//    the folder that the station's platform settings give for that drive: key <drive> of
//    section [Drives] in Platform.ini, e.g. "C=drives/c", a relative value being relative
//    to the station folder, a rooted one absolute (a value naming a drive or a network
//    path is refused and the default used); default drives/<name in lower case>/ inside
//    the station folder; ".." never climbs above that drive root;
//  - the station's own drive (key Station of [Drives], default "S") has the station folder
//    as its root: "S:\Log" is the folder Log of the station;
//  - "\\host\share\..." lands in drives/unc/host/share/... (".." stops at drives/unc);
//  - a rooted text ("/tmp/x" or "\tmp\x") is an absolute Linux path and is taken as it
//    is; only below the station folder are its components matched as below;
//  - each component below the station folder or a drive root that already exists is
//    matched without regard to case, as Windows does: the exact name first, then the
//    first entry in name order that equals it without regard to case; a component that
//    does not exist keeps its spelling (and so does everything below it).
// The common case (the path exists as written) costs one stat; a folder is listed only
// when a component is not found under its exact name. Every function is thread-safe.
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The station folder is both the program folder and the work folder. Until it is set it
// is the current folder of the process when first asked; it is kept absolute, without
// "." / ".." components or a trailing separator.
void SetStationFolder(const std::filesystem::path& folder);
std::filesystem::path StationFolder();

// File of the station's own platform settings (drive roots, transport, time scale):
// "Platform.ini" in the station folder.
std::filesystem::path PlatformSettingsPath();

// Turns a station path text into a native path (see the rules above).
std::filesystem::path ToNativePath(std::string_view stationPath);

// The native path with what it was made from: the folder below which its components were
// matched without regard to case (the station folder, a drive root, the UNC folder, or the
// path itself when it was taken as it stands), and whether the text named a drive, whose
// root the platform settings give.
struct NativePathWalk {
  std::filesystem::path path;
  std::filesystem::path matchedBelow;
  bool namesDrive = false;
};
NativePathWalk ResolveNativePath(std::string_view stationPath);

// The station folder as the system writes folder texts: its own drive, "S:" by default
// (without a trailing backslash), so that joining "\name" gives a text that ToNativePath
// maps back into the folder and whose first character names the station's drive.
std::string StationFolderText();

}  // namespace platform
