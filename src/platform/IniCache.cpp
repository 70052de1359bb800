#include "platform/IniCache.h"

#include <utility>

#include "platform/ParsedFileCache.h"

namespace platform {
namespace {

const std::shared_ptr<const IniDocument>& EmptyDocument() {
  static const auto* const empty = new std::shared_ptr<const IniDocument>(std::make_shared<const IniDocument>());
  return *empty;
}

// A missing file, or one that cannot be read, reads as an empty document.
std::shared_ptr<const void> ParseIni(IniFileRead& read) {
  if (read.status != IniFileRead::Status::Ok) return EmptyDocument();
  return std::make_shared<const IniDocument>(std::move(read.bytes));
}

}  // namespace

const IniDocument& CachedProfileDocument(std::string_view stationPath) {
  const std::shared_ptr<const void>& parse = CachedFileParse(stationPath, &ParseIni);
  return parse ? *static_cast<const IniDocument*>(parse.get()) : *EmptyDocument();
}

std::shared_ptr<const IniDocument> CachedIniDocument(const std::filesystem::path& native) {
  const std::shared_ptr<const void>& parse = CachedNativeFileParse(native, &ParseIni);
  return parse ? std::static_pointer_cast<const IniDocument>(parse) : EmptyDocument();
}

void ForgetIniDocument(const std::filesystem::path& native) { ForgetFileParses(native); }

void ForgetAllIniDocuments() { ForgetAllFileParses(); }

}  // namespace platform
