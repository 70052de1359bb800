#pragma once
// Path texts as the station writes them (".\param.ini", "C:\MP_SSD_NODE\AutoMapping.ini",
// "%s\%s_%d_Report.txt") stay in that form everywhere in the system. They become native
// paths only here, at the file-system boundary.
//
// Mapping rules:
//  - "\" and "/" both separate components;
//  - a relative text is relative to the station folder;
//  - "X:\..." (a drive name of one to four letters) lands in the folder that the station's
//    platform settings give for that drive (default: drives/<name in lower case>/ inside
//    the station folder); ".." never climbs above that drive root;
//  - "\\host\share\..." lands in drives/unc/host/share/...;
//  - an absolute Linux path ("/tmp/x") is taken as it is;
//  - each component that already exists is matched without regard to case, as Windows
//    does; "." components are dropped and ".." removes the previous one.
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The station folder is both the program folder and the work folder.
void SetStationFolder(const std::filesystem::path& folder);
std::filesystem::path StationFolder();

// File of the station's own platform settings (drive roots, transport, time scale):
// "Platform.ini" in the station folder.
std::filesystem::path PlatformSettingsPath();

// Turns a station path text into a native path (see the rules above).
std::filesystem::path ToNativePath(std::string_view stationPath);

// The station folder as a path text with the system's backslashes, without a trailing
// backslash; joining "\name" to it gives a text that ToNativePath maps back into the folder.
std::string StationFolderText();

}  // namespace platform
