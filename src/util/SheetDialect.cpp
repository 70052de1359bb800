#include "util/SheetDialect.h"

#include "platform/Text.h"

namespace util {

namespace {

constexpr char kWholeSheet[] = "$A1:IV65536";

// The text between the quote characters, each closing quote in it doubled.
std::string Quoted(std::string_view text, char open, char close) {
  std::string quoted(1, open);
  for (char c : text) {
    quoted += c;
    if (c == close) quoted += close;
  }
  quoted += close;
  return quoted;
}

// A path as the path of a "file:" URI: letters, digits, "/", "-", ".", "_" and "~" as they
// are, every other byte as "%" and two hexadecimal digits.
std::string UriEscaped(std::string_view path) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string escaped;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool alphanumeric = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alphanumeric || c == '/' || c == '-' || c == '.' || c == '_' || c == '~') {
      escaped += c;
    } else {
      escaped += '%';
      escaped += kDigits[byte >> 4];
      escaped += kDigits[byte & 15];
    }
  }
  return escaped;
}

}  // namespace

SheetDialect SheetDialect::ForDriverLibrary(std::string_view library) {
  return SheetDialect(platform::ToLower(library).find("sqlite") != std::string::npos ? Kind::SqliteTables : Kind::Excel);
}

std::optional<std::string> SheetDialect::ConnectString(const std::string& driver, const std::string& file) const {
  // Characters that end or open a value of a connect string, or close the quotes around one.
  const bool plain = file.find_first_of(";{}\"") == std::string::npos;
  if (m_kind == Kind::SqliteTables) {
    return "DRIVER={" + driver + "};DATABASE=" + (plain ? file : "file:" + UriEscaped(file));
  }
  if (!plain) return std::nullopt;
  return platform::Format("DRIVER={%s};DSN='';FIRSTROWHASNAMES=1;READONLY=FALSE;CREATE_DB=\"%s\";DBQ=%s",
                          driver.c_str(), file.c_str(), file.c_str());
}

std::string SheetDialect::QuoteName(std::string_view name) const {
  return m_kind == Kind::SqliteTables ? Quoted(name, '"', '"') : Quoted(name, '[', ']');
}

std::string SheetDialect::QuoteValue(std::string_view value) { return Quoted(value, '\'', '\''); }

std::string SheetDialect::SheetRange(std::string_view sheet) const {
  if (m_kind == Kind::SqliteTables) return QuoteName(sheet);
  return QuoteName(std::string(sheet) + kWholeSheet);
}

std::string SheetDialect::PlainSheet(std::string_view sheet) const { return QuoteName(sheet); }

std::string SheetDialect::InsertRange(std::string_view sheet, int lastRow) const {
  if (m_kind == Kind::SqliteTables) return QuoteName(sheet);
  return QuoteName(std::string(sheet) + platform::Format("$A1:IV%d", lastRow));
}

std::string SheetDialect::DropStatement(std::string_view sheet) const {
  if (m_kind == Kind::SqliteTables) return "DROP TABLE IF EXISTS " + SheetRange(sheet);
  return "DROP TABLE " + SheetRange(sheet);
}

}  // namespace util
