#pragma once
// INI profile files with the semantics the station relies on (as on Windows):
//  - sections and keys match without regard to case; the first of duplicate sections
//    and of duplicate keys wins;
//  - values are trimmed of blanks and tabs; one pair of enclosing quotes (" or ')
//    is removed;
//  - a line is a section header only when it starts with "[" (after blanks) and holds no
//    "=", so keys may begin with "[";
//  - string reads are cut to bufferSize - 1 characters; a missing file, section or key
//    gives the default;
//  - integer reads take a leading signed decimal ("12abc" -> 12, "" -> 0); a missing key
//    gives the default;
//  - writes create the file and the section when missing, append a new key at the end of
//    its section, keep every other line byte for byte, write CRLF line ends, and replace
//    the file atomically (temporary file + rename); one process-wide lock serialises them;
//  - bytes pass through untouched (code page 950 text stays as it is).
// Reads come from a parsed cache checked against the file's modification time, size and
// inode, so reading the settings at every point of use stays cheap.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

inline constexpr std::size_t kProfileNoLimit = static_cast<std::size_t>(-1);

std::string ReadProfileString(std::string_view file, std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::size_t bufferSize = kProfileNoLimit);
int ReadProfileInt(std::string_view file, std::string_view section, std::string_view key, int defaultValue);

// Every key of a section in file order (duplicates once); empty when the section is missing.
std::vector<std::string> ReadProfileKeys(std::string_view file, std::string_view section);
// Every "key=value" pair of a section in file order, values trimmed as in ReadProfileString.
std::vector<std::pair<std::string, std::string>> ReadProfileSection(std::string_view file,
                                                                    std::string_view section);
// The raw lines of a section, as they stand in the file (without their line ends).
std::vector<std::string> ReadProfileSectionLines(std::string_view file, std::string_view section);
// Section names in file order (duplicates once).
std::vector<std::string> ReadProfileSectionNames(std::string_view file);
bool ProfileSectionExists(std::string_view file, std::string_view section);

// Returns false when the file cannot be written; nothing is changed then.
bool WriteProfileString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view value);
bool WriteProfileInt(std::string_view file, std::string_view section, std::string_view key, int value);
bool DeleteProfileKey(std::string_view file, std::string_view section, std::string_view key);
bool DeleteProfileSection(std::string_view file, std::string_view section);
// Replaces the whole body of a section with the given "key=value" lines.
bool WriteProfileSection(std::string_view file, std::string_view section,
                         const std::vector<std::string>& lines);

// Drops every cached parse (tests that rewrite files behind the cache's back).
void FlushProfileCache();

}  // namespace platform
