#pragma once
// Parses of files, shared by every reader of the process, so that a file read at every point
// of use (settings, firmware images) is read and parsed once while it stays the same.
//
// A parse stays in use while its file is unchanged. Where the kernel's change notices cover
// the file (ChangeWatch.h) the cache watches the file, its folder and the folders on its way
// from the station folder (or drive root), and a look-up costs one question to the kernel
// whether any notice is queued: no path is mapped, no file looked at, and no lock taken;
// any change of the file, or of an entry on its way that could make the text name another
// file, drops the parse at once. Elsewhere each look-up maps the path and checks the file's
// device, inode, size and modification and change times (nanoseconds); a file changed so
// recently that a further change could keep the same times is compared byte for byte until
// it has aged, so a rewrite behind the cache's back is always seen.
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/IniFile.h"

namespace platform {

// Makes the parse of a file from what was read of it (its bytes, or that it is missing or
// cannot be read); it may take the bytes. Each parser keeps its own parses: the function
// names the kind.
using FileParser = std::shared_ptr<const void> (*)(IniFileRead& read);

// The parse of the file a station path text names (Path.h), as the file is now. The
// reference stays valid until the calling thread looks up a parse again.
const std::shared_ptr<const void>& CachedFileParse(std::string_view stationPath, FileParser parser);
// The same for a native path, taken exactly as it stands.
const std::shared_ptr<const void>& CachedNativeFileParse(const std::filesystem::path& native, FileParser parser);

// Drops the parses of one file (after a write) or of every file.
void ForgetFileParses(const std::filesystem::path& native);
void ForgetAllFileParses();

}  // namespace platform
