#include "platform/Profile.h"

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <optional>

#include "platform/Files.h"
#include "platform/IniCache.h"
#include "platform/IniFile.h"
#include "platform/Path.h"
#include "platform/Text.h"

namespace platform {
namespace {

// The reference lasts until the calling thread reads a profile again.
const IniDocument& Load(std::string_view file) { return CachedProfileDocument(file); }

// Serialises every profile write of the process (read, edit, replace).
std::mutex& WriteLock() {
  static std::mutex lock;
  return lock;
}

bool HasLineBreak(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// Names that read back as what was written: no line breaks, a section name without "]",
// a non-empty key without "=" that does not start a comment.
bool IsWritableSection(std::string_view section) {
  return !HasLineBreak(section) && section.find(']') == std::string_view::npos && !Trim(section).empty();
}
bool IsWritableKey(std::string_view key) {
  const std::string trimmed = Trim(key);
  return !HasLineBreak(key) && key.find('=') == std::string_view::npos && !trimmed.empty() &&
         trimmed.front() != ';';
}

// Reads the file afresh, applies the edit and replaces the file when it changes.
template <typename Edit>
bool EditProfile(std::string_view file, Edit&& edit) {
  std::lock_guard lock(WriteLock());
  const std::filesystem::path native = ToNativePath(file);
  IniFileRead read = ReadIniFile(native);
  if (read.status == IniFileRead::Status::Failed) return SetFileFailure(kErrorGeneralFailure, EIO);
  const IniDocument document(std::move(read.bytes));
  const std::optional<std::string> edited = edit(document);
  if (!edited) return true;
  const bool written = WriteWholeFile(native.string(), *edited);
  ForgetIniDocument(native);
  return written;
}

}  // namespace

std::string ReadProfileString(std::string_view file, std::string_view section, std::string_view key,
                              std::string_view defaultValue, std::size_t bufferSize) {
  const IniDocument& document = Load(file);
  std::string_view value = document.Value(section, key).value_or(defaultValue);
  if (bufferSize == 0) return {};
  if (value.size() > bufferSize - 1) value = value.substr(0, bufferSize - 1);
  return std::string(value);
}

int ReadProfileInt(std::string_view file, std::string_view section, std::string_view key, int defaultValue) {
  const auto value = Load(file).Value(section, key);
  return value ? ParseLeadingInt(*value) : defaultValue;
}

std::vector<std::string> ReadProfileKeys(std::string_view file, std::string_view section) {
  return Load(file).KeyNames(section);
}

std::vector<std::pair<std::string, std::string>> ReadProfileSection(std::string_view file,
                                                                    std::string_view section) {
  return Load(file).Pairs(section);
}

std::vector<std::string> ReadProfileSectionLines(std::string_view file, std::string_view section) {
  return Load(file).BodyLines(section);
}

std::vector<std::string> ReadProfileSectionNames(std::string_view file) { return Load(file).SectionNames(); }

bool ProfileSectionExists(std::string_view file, std::string_view section) {
  return Load(file).HasSection(section);
}

bool WriteProfileString(std::string_view file, std::string_view section, std::string_view key,
                        std::string_view value) {
  if (!IsWritableSection(section) || !IsWritableKey(key) || HasLineBreak(value)) {
    return SetFileFailure(kErrorInvalidParameter);
  }
  return EditProfile(file, [&](const IniDocument& document) { return document.WithValue(section, key, value); });
}

namespace {

bool IsWritable(const ProfileValue& value) {
  return IsWritableSection(value.section) && IsWritableKey(value.key) && !HasLineBreak(value.value);
}

std::optional<std::string> WithValues(const IniDocument& document, std::span<const ProfileValue> values) {
  std::vector<IniDocument::ValueEdit> edits;
  edits.reserve(values.size());
  for (const ProfileValue& value : values) edits.push_back({value.section, value.key, value.value});
  return document.WithValues(edits);
}

}  // namespace

bool WriteProfileStrings(std::string_view file, std::span<const ProfileValue> values) {
  for (const ProfileValue& value : values) {
    if (!IsWritable(value)) return SetFileFailure(kErrorInvalidParameter);
  }
  return EditProfile(file, [&](const IniDocument& document) { return WithValues(document, values); });
}

bool UpdateProfileStrings(std::string_view file,
                          const std::function<std::vector<ProfileValue>(const IniDocument&)>& values) {
  bool refused = false;
  const bool written = EditProfile(file, [&](const IniDocument& document) -> std::optional<std::string> {
    const std::vector<ProfileValue> made = values(document);
    refused = !std::all_of(made.begin(), made.end(), IsWritable);
    if (refused) return std::nullopt;
    return WithValues(document, made);
  });
  return refused ? SetFileFailure(kErrorInvalidParameter) : written;
}

std::size_t ReadProfileKeyLine(std::string_view file, std::string_view section, std::string_view key) {
  return Load(file).LineOfKey(section, key);
}

bool WriteProfileInt(std::string_view file, std::string_view section, std::string_view key, int value) {
  return WriteProfileString(file, section, key, std::to_string(value));
}

bool DeleteProfileKey(std::string_view file, std::string_view section, std::string_view key) {
  return EditProfile(file, [&](const IniDocument& document) { return document.WithoutKey(section, key); });
}

bool DeleteProfileSection(std::string_view file, std::string_view section) {
  return EditProfile(file, [&](const IniDocument& document) { return document.WithoutSection(section); });
}

bool WriteProfileSection(std::string_view file, std::string_view section, const std::vector<std::string>& lines) {
  if (!IsWritableSection(section)) return SetFileFailure(kErrorInvalidParameter);
  for (const std::string& line : lines) {
    if (HasLineBreak(line)) return SetFileFailure(kErrorInvalidParameter);
  }
  return EditProfile(file,
                     [&](const IniDocument& document) { return document.WithSectionBody(section, lines); });
}

void FlushProfileCache() { ForgetAllIniDocuments(); }

}  // namespace platform
