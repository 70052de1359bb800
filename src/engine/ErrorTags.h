#pragma once
// The error-tag table: every tag a step of the station can leave, with its numeric code and a
// description. A tag is a class letter, "_", a phase letter and two characters ("I_x06").
// The phase letter "x" marks the tag of an engine step; callers that report a callee's
// failure as their own replace it ("T" in the RDT log reader, "S", "I" in some flows), and a
// lookup that misses tries the tag again with "x" in that place.
//
// Codes: the base of the class letter plus the tag's place (from 1) among the tags of its
// class in the table below, printed "0x%03X". A tag that is not in the table has code 0xFFF.
// The codes are what the operator sees in the status cells and what ErrorCodeList.txt lists,
// so a tag keeps its place: new tags go at the end of their class.
//
// ErrorCodeList.txt, generated from this table at build time (tools/error-code-list), holds
// one line per tag in table order: "0x%03X<TAB>tag<TAB>description" and CRLF.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace engine {

struct ErrorTagEntry {
  const char* tag;
  const char* description;
};

inline constexpr std::uint32_t kUnknownErrorCode = 0xFFF;

// The class letters and their bases.
struct ErrorClass {
  char letter;
  std::uint32_t base;
  const char* meaning;
};
std::span<const ErrorClass> ErrorClasses();

// Every tag, in table order.
std::span<const ErrorTagEntry> ErrorTagTable();

// The code of a tag in the table (exact match), or nothing.
std::optional<std::uint32_t> ErrorCodeOf(std::string_view tag);

// The code the station shows for a tag: the tag itself, else the tag with its third
// character replaced by "x", else kUnknownErrorCode.
std::uint32_t ErrorCodeWithFallback(std::string_view tag);

// The whole text of ErrorCodeList.txt.
std::string ErrorCodeListText();

// The tag of a slot whose records could not all be written: its verdict is not recorded, so
// the slot has failed whatever its flow found.
inline constexpr char kRecordWriteFailedTag[] = "A_W01";

// The tag of a drive whose limit setting cannot be used: not a number, out of its range, or
// a limit that comes to none. The drive is failed rather than judged without the limit.
inline constexpr char kLimitSettingTag[] = "S_x43";

// The file name of the list in the station folder.
inline constexpr char kErrorCodeListFile[] = "ErrorCodeList.txt";

}  // namespace engine
