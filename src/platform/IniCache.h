#pragma once
// Parsed INI files by native path, shared by every reader of the process. Each use checks
// the file's device, inode, size and modification and change times (nanoseconds); a file
// changed so recently that a further change could keep the same times is compared byte for
// byte until it has aged, so a rewrite behind the cache's back is always seen.
#include <filesystem>
#include <memory>

#include "platform/IniDocument.h"

namespace platform {

// The parse of the file as it is now; an empty document when the file is missing or
// cannot be read. Never null.
std::shared_ptr<const IniDocument> CachedIniDocument(const std::filesystem::path& native);
// Drops the cached parse of one file (after a write) or of every file.
void ForgetIniDocument(const std::filesystem::path& native);
void ForgetAllIniDocuments();

}  // namespace platform
