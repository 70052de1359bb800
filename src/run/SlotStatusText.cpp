#include "run/SlotStatusText.h"

std::string SplitEveryTenCharacters(std::string_view text) {
  constexpr std::size_t kPiece = 10;
  std::string result;
  for (std::size_t at = 0; at < text.size(); at += kPiece) {
    if (at > 0) result += '*';
    result.append(text.substr(at, kPiece));
  }
  return result;
}

std::string BracketPart(std::string_view message) {
  const std::size_t open = message.find('[');
  if (open == std::string_view::npos) return {};
  const std::size_t close = message.find(']', open);
  if (close == std::string_view::npos) return {};
  return std::string(message.substr(open, close - open + 1));
}
