#pragma once
// Parsed INI files, shared by every reader of the process, so that reading the settings at
// every point of use stays cheap.
//
// A parse stays in use while its file is unchanged. Where the kernel's change notices cover
// the file (ChangeWatch.h) the cache watches the file, its folder and the folders on its way
// from the station folder (or drive root), and a read costs one question to the kernel
// whether any notice is queued: no path is mapped, no file looked at, and no lock taken;
// any change of the file, or of an entry on its way that could make the text name another
// file, drops the parse at once. Elsewhere each read maps the path and checks the file's
// device, inode, size and modification and change times (nanoseconds); a file changed so
// recently that a further change could keep the same times is compared byte for byte until
// it has aged, so a rewrite behind the cache's back is always seen.
#include <filesystem>
#include <memory>
#include <string_view>

#include "platform/IniDocument.h"

namespace platform {

// The parse of the file a station path text names (Path.h), as the file is now; an empty
// document when it is missing or cannot be read. The reference stays valid until the calling
// thread asks the cache again.
const IniDocument& CachedProfileDocument(std::string_view stationPath);
// The same for a native path, taken exactly as it stands. Never null.
std::shared_ptr<const IniDocument> CachedIniDocument(const std::filesystem::path& native);
// Drops the cached parse of one file (after a write) or of every file.
void ForgetIniDocument(const std::filesystem::path& native);
void ForgetAllIniDocuments();

}  // namespace platform
