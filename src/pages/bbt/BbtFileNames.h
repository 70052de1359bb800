#pragma once
// The names of the bad-block-table page's files and the lines its list box shows. An image and
// the companion text file are named after a file by replacing the name's last four characters
// (its ".txt" or ".sot"): table.txt gives table.dll and table.sot, table.sot gives table.txt.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view kDllExtension = ".dll";
inline constexpr std::string_view kSotExtension = ".sot";
inline constexpr std::string_view kTextExtension = ".txt";

// A file's name without its folders ("\" or "/").
std::string_view FileNameOf(std::string_view path);

// The file named after `path` with its last four characters replaced by the extension; nullopt
// when the name (without folders) is shorter than four characters.
std::optional<std::string> NamedAfter(std::string_view path, std::string_view extension);

// The image of a bad-block text file. It never takes the text file's own name: a text file
// that already ends in the image's extension (any case) gets the extension appended instead.
// nullopt as NamedAfter.
std::optional<std::string> ImageNameOf(std::string_view textFile, std::string_view extension);

// Whether a path names a ".sot" image (the extension in any case).
bool HasSotExtension(std::string_view path);

// The lines of a text file as the list box shows them: read as a line reader of 512 bytes
// does (at most 511 characters a line; a longer line goes on in the next), white space cut at
// each line's end.
std::vector<std::string> ListedLines(std::string_view text);
