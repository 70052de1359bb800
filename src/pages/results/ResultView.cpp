#include "pages/results/ResultView.h"

#include <array>

int CeNumberOf(std::string_view ceText) {
  auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : -1; };
  if (ceText.size() == 1) return digit(ceText[0]);
  // "10" to "15": no other two-character text (no leading zero) names a CE.
  if (ceText.size() == 2 && ceText[0] == '1' && digit(ceText[1]) >= 0 && digit(ceText[1]) <= 5) {
    return 10 + digit(ceText[1]);
  }
  return -1;
}

bool CeIndexOf(std::string_view channelText, std::string_view ceText, int& channel, int& ce) {
  if (channelText != "0" && channelText != "1") return false;
  const int number = CeNumberOf(ceText);
  if (number < 0) return false;
  channel = channelText == "0" ? 0 : 1;
  ce = number;
  return true;
}

bool PlaceCe(std::string_view channelText, std::string_view ceText, CePlace& place) {
  int channel = 0;
  int ce = 0;
  return CeIndexOf(channelText, ceText, channel, ce) && PlaceCe(channel, ce, place);
}

bool PlaceCe(int channel, int ce, CePlace& place) {
  if (channel == 0 && ce >= 0 && ce <= 7) {
    place = {ResultList::CeChannel0, ce + 1};
    return true;
  }
  if (channel == 1 && ce >= 8 && ce <= 15) {
    place = {ResultList::CeChannel1, ce - 7};
    return true;
  }
  return false;
}

void InsertCeRows(CResultView& view, std::span<const std::string_view> rowNames) {
  static constexpr std::array<std::string_view, 9> kZeros = {"", "0", "0", "0", "0", "0", "0", "0", "0"};
  for (ResultList list : {ResultList::CeChannel0, ResultList::CeChannel1}) {
    int row = 0;
    for (std::string_view name : rowNames) {
      std::array<std::string_view, 9> cells = kZeros;
      cells[0] = name;
      view.InsertRow(list, row++, cells);
    }
  }
}
