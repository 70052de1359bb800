#include "run/IniText.h"

namespace {

std::string ReplaceBytes(std::string_view text, std::string_view bytes) {
  std::string result(text);
  for (char& c : result) {
    if (bytes.find(c) != std::string_view::npos) c = '_';
  }
  return result;
}

}  // namespace

std::string IniValueText(std::string_view text) { return ReplaceBytes(text, "\r\n"); }

std::string IniKeyText(std::string_view text) { return ReplaceBytes(text, "\r\n="); }
