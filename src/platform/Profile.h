#pragma once
// INI profile files with the semantics the station relies on (as on Windows):
//  - sections and keys match without regard to case; the first of duplicate sections
//    and of duplicate keys wins;
//  - values are trimmed of blanks and tabs; one pair of enclosing quotes (" or ')
//    is removed;
//  - a line is a section header only when it starts with "[" (after blanks) and holds no
//    "=", so keys may begin with "["; lines starting with ";" are comments;
//  - string reads are cut to bufferSize - 1 characters; a missing file, section or key
//    gives the default;
//  - integer reads take a leading signed decimal ("12abc" -> 12, "" -> 0); a missing key
//    gives the default;
//  - writes create the file and the section when missing (not the folder), append a new
//    key after the last non-blank line of its section, keep every other line byte for
//    byte, write CRLF line ends, and replace the file atomically (temporary file + rename);
//    one process-wide lock serialises them;
//  - bytes pass through untouched (code page 950 text stays as it is).
// Reads come from a parsed cache checked against the file's modification time, size and
// inode, so reading the settings at every point of use stays cheap.
//
// Safety: a file larger than 64 MB is not read (defaults; writes to it fail); a write
// whose text would not read back as written (a line break anywhere, a key that is empty,
// holds "=" or starts with ";", a section name holding "]") fails and changes nothing; a
// read-only file or a missing folder makes a write fail and changes nothing.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

class IniDocument;

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
// The 1-based number of the line that holds the key (the one that counts); 0 when missing.
// For messages that send the operator to the line of a bad setting.
std::size_t ReadProfileKeyLine(std::string_view file, std::string_view section, std::string_view key);

// Returns false when the file cannot be written; nothing is changed then, and the reason is
// left for LastFileError / LastFileErrno (Files.h).
bool WriteProfileString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view value);
bool WriteProfileInt(std::string_view file, std::string_view section, std::string_view key, int value);
// Several values of one file in one replacement of the file: all of them are written or,
// when the file cannot be written (or one of them could not be read back), none.
struct ProfileValue {
  std::string_view section;
  std::string_view key;
  std::string_view value;
};
bool WriteProfileStrings(std::string_view file, std::span<const ProfileValue> values);
// The same with values made from the file as it stands, read once and parsed once under the
// lock that serialises every profile write of the process (counters, checksums of the file):
// `values` gets the parse and returns what to write (its texts must outlive the call).
bool UpdateProfileStrings(std::string_view file,
                          const std::function<std::vector<ProfileValue>(const IniDocument&)>& values);
// Delete every line of the key in its (first) section / every section of that name, so no
// duplicate shows through afterwards; deleting what is not there succeeds.
bool DeleteProfileKey(std::string_view file, std::string_view section, std::string_view key);
bool DeleteProfileSection(std::string_view file, std::string_view section);
// Replaces the whole body of a section (up to its last non-blank line) with the given
// "key=value" lines; creates the section when missing.
bool WriteProfileSection(std::string_view file, std::string_view section,
                         const std::vector<std::string>& lines);

// Drops every cached parse (tests that rewrite files behind the cache's back).
void FlushProfileCache();

}  // namespace platform
