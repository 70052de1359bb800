#pragma once
// One INI file, held as its bytes and parsed into lines, sections and keys. Reads look up
// the parse; edits give the new bytes of the whole file, in which every line the edit does
// not touch keeps its bytes (line end included) and every line it writes ends in CRLF.
//
// Line rules:
//  - a UTF-8 byte-order mark at the start of the file (as Windows editors may save one) is
//    no part of the first line; every edit keeps it;
//  - a line ends at LF; a CR just before the LF belongs to the line end; the last line may
//    have no line end at all;
//  - a section header is a line that starts with "[" (after blanks and tabs) and holds no
//    "="; its name runs to the first "]" (or the line end), trimmed;
//  - a key line holds "=" and is no comment (";" after blanks); its key is the trimmed text
//    before the first "=", its value the trimmed text after it with one pair of enclosing
//    quotes (" or ') removed; a line with an empty key is no key line;
//  - every other line (blank, comment, junk) is kept and ignored; lines before the first
//    header belong to no section;
//  - sections and keys match without regard to ASCII case; the first of duplicate sections
//    and, in it, the first of duplicate keys is the one that counts.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

class IniDocument {
 public:
  IniDocument() = default;
  explicit IniDocument(std::string bytes);
  // The document refers into its own bytes: copies would dangle, so none are made.
  IniDocument(const IniDocument&) = delete;
  IniDocument& operator=(const IniDocument&) = delete;

  const std::string& Bytes() const { return m_bytes; }
  std::size_t LineCount() const { return m_lines.size(); }

  // Reads. A missing section or key gives nullopt / an empty list.
  std::optional<std::string_view> Value(std::string_view section, std::string_view key) const;
  bool HasSection(std::string_view section) const { return FindSection(section) != nullptr; }
  // Keys of the section in file order, each key once (its first spelling).
  std::vector<std::string> KeyNames(std::string_view section) const;
  // Key and value pairs of the section in file order, each key once with its first value.
  std::vector<std::pair<std::string, std::string>> Pairs(std::string_view section) const;
  // Every line between the section's header and the next header, without line ends.
  std::vector<std::string> BodyLines(std::string_view section) const;
  // Section names in file order, each name once (its first spelling).
  std::vector<std::string> SectionNames() const;

  // Every line in file order, for checkers that name the line of what they refuse.
  enum class LineKind : std::uint8_t { Blank, Comment, Header, Key, Other };
  struct LineInfo {
    std::size_t number = 0;          // 1-based
    LineKind kind = LineKind::Other;
    std::string_view section;        // the section the line is in ("" before the first header)
    std::string_view name;           // section name (headers) or key (key lines)
    std::string_view value;          // key value, trimmed and unquoted
    std::string_view text;           // the whole line without its line end
  };
  std::vector<LineInfo> Lines() const;
  // The 1-based number of the line of the key that counts; 0 when the key is missing.
  std::size_t LineOfKey(std::string_view section, std::string_view key) const;

  // Edits: the bytes of the whole file after the edit, or nullopt when nothing changes.
  // The key gets "key=value" (the existing line is rewritten in place; a new key goes
  // after the last non-blank line of its section; a new section goes at the end).
  std::optional<std::string> WithValue(std::string_view section, std::string_view key,
                                       std::string_view value) const;
  // Several values at once, in one pass over the parse: the bytes are those that writing the
  // values one after another with WithValue (each on the bytes the one before made) gives.
  struct ValueEdit {
    std::string_view section;
    std::string_view key;
    std::string_view value;
  };
  std::optional<std::string> WithValues(std::span<const ValueEdit> values) const;
  // Removes every line of the key in the section (so no later duplicate shows through).
  std::optional<std::string> WithoutKey(std::string_view section, std::string_view key) const;
  // Removes every section of that name, header and body.
  std::optional<std::string> WithoutSection(std::string_view section) const;
  // Replaces the body of the section, up to its last non-blank line, with the given lines;
  // creates the section at the end when missing.
  std::optional<std::string> WithSectionBody(std::string_view section,
                                             const std::vector<std::string>& lines) const;

 private:
  enum class Kind : std::uint8_t { Other, Header, Key };
  struct Line {
    std::size_t offset = 0;
    std::size_t length = 0;      // text without line end
    std::uint8_t endLength = 0;  // 0 (last line without end), 1 (LF) or 2 (CRLF)
    Kind kind = Kind::Other;
    std::string_view name;       // section name or key
    std::string_view value;      // key value, trimmed and unquoted
  };
  struct Section {
    std::string_view name;
    std::size_t header = 0;      // line index of the header
    std::size_t end = 0;         // one past the last line of the body
    std::unordered_map<std::string, std::size_t> firstKeyLine;  // lower-case key -> line
  };
  // One line of an edited file: an original line (kept byte for byte) or new text.
  struct OutLine {
    std::size_t original;
    std::string text;
  };
  static constexpr std::size_t kNewLine = static_cast<std::size_t>(-1);

  void Parse();
  const Section* FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKeyLine(const Section& section, std::string_view key) const;
  std::string_view Text(const Line& line) const { return {m_bytes.data() + line.offset, line.length}; }
  // Where new lines of a section go: after its last non-blank body line.
  std::size_t BodyEnd(const Section& section) const;
  std::vector<OutLine> Originals(std::size_t from, std::size_t to) const;
  std::string Serialise(const std::vector<OutLine>& lines) const;

  std::string m_bytes;
  std::size_t m_byteOrderMark = 0;  // length of the mark that opens the file (0 or 3)
  std::vector<Line> m_lines;
  std::vector<Section> m_sections;                             // every header, file order
  std::unordered_map<std::string, std::size_t> m_firstSection;  // lower-case name -> index
};

}  // namespace platform
