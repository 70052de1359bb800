#pragma once
// Parsed INI files, shared by every reader of the process, so that reading the settings at
// every point of use stays cheap: one parse per file while it stays the same (see
// ParsedFileCache.h for how a change is noticed).
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
