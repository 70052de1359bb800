#include "pages/results/BadBlockLists.h"

#include <algorithm>
#include <cstring>
#include <string>

std::uint32_t g_ListSortColumn = 0;
std::uint8_t g_ListSortDescending = 0;

namespace {

constexpr const char* kPerPlaneKind0[] = {"CH", "CE", "Die", "Plane0", "Plane1", "Plane2", "Plane3"};
constexpr const char* kPerPlaneKind1[] = {"item", "CH", "CE", "Plane0", "Plane1", "Plane2", "Plane3"};
constexpr const char* kCeChannel0[] = {"Channel 0", "CE0", "CE1", "CE2", "CE3", "CE4", "CE5", "CE6", "CE7"};
constexpr const char* kCeChannel1[] = {"Channel 1", "CE8", "CE9", "CE10", "CE11", "CE12", "CE13", "CE14", "CE15"};
constexpr const char* kBadBlockKind0[] = {"CH", "CE", "Die", "Plane", "BadBlock", "Address", "FailType"};
constexpr const char* kEarlyKind1[] = {"CH",       "CE",       "Plane",     "Physical address", "Page number",
                                       "Total Loop", "Run Loop", "Run Cycle", "Time Stamp",       "Fail Type"};
constexpr const char* kLaterKind1[] = {"CH",       "CE",       "Plane",     "Physical address", "Page number",
                                       "Total Loop", "Run Loop", "Run Cycle", "ECC",              "Fail Type"};
constexpr const char* kRdtPageFactory[] = {"CH",       "CE",       "Plane",     "Physical Address", "Page number",
                                           "Total Loop", "Run Loop", "Run Cycle", "Time Stamp",       "Fail Type"};

// Characters of a cell text the sort compares at most (a buffer of 260).
constexpr std::size_t kSortTextChars = 259;

std::string SortText(const ui::CListCtrl& list, int row, int column) {
  std::string text = list.GetItemText(row, column);
  if (text.size() > kSortTextChars) text.resize(kSortTextChars);
  // A C string ends at its first zero byte.
  if (const std::size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

}  // namespace

std::span<const char* const> PerPlaneColumns(int kind) {
  return kind == kRdtReportKind ? std::span<const char* const>(kPerPlaneKind1) : std::span<const char* const>(kPerPlaneKind0);
}
std::span<const char* const> CeChannel0Columns() { return kCeChannel0; }
std::span<const char* const> CeChannel1Columns() { return kCeChannel1; }
std::span<const char* const> EarlyBadColumns(int kind) {
  return kind == kRdtReportKind ? std::span<const char* const>(kEarlyKind1) : std::span<const char* const>(kBadBlockKind0);
}
std::span<const char* const> LaterBadColumns(int kind) {
  return kind == kRdtReportKind ? std::span<const char* const>(kLaterKind1) : std::span<const char* const>(kBadBlockKind0);
}
std::span<const char* const> RdtPageFactoryColumns() { return kRdtPageFactory; }

void RemoveColumns(ui::CListCtrl& list) {
  while (list.GetColumnCount() > 0) list.DeleteColumn(list.GetColumnCount() - 1);
}

void InsertColumns(ui::CListCtrl& list, std::span<const char* const> headings) {
  for (const char* heading : headings) list.InsertColumn(list.GetColumnCount(), heading, ui::LVCFMT_LEFT);
}

BadBlockArrangement ArrangeBadBlockLists(int kind, int width, int height, int scrollWidth, int topAreaFoot) {
  const int W = width;
  const int H = height;
  const int VS = scrollWidth;
  BadBlockArrangement a;
  using ui::CRect;
  if (kind == kScanReportKind) {
    const int Y = 9 * H / 32;
    const int P = 3 * W / 10;
    const int Y2 = Y + H / 5 + 25;
    const int Y3 = Y2 + H / 5 + 25;
    const int ceWidth = 4 * W / 10 - 10;
    a.perPlane = CRect::FromSize(10, Y, P, H / 5);
    a.laterPerPlane = CRect::FromSize(10 + P, Y, P, H / 5);
    a.ce0 = CRect::FromSize(10 + P + P, Y, ceWidth, H / 10);
    a.ce1 = CRect::FromSize(10 + P + P, Y + H / 10, ceWidth, H / 10);
    a.early = CRect::FromSize(10, Y2, W - 10, H / 5);
    a.later = CRect::FromSize(10, Y3, W - 10, H / 5 + 25);
    a.earlyLabel = CRect::FromSize(10, Y2 - 20, 100, 15);
    a.laterLabel = CRect::FromSize(10, Y3 - 18, 150, 15);
    a.earlyCount = CRect::FromSize(160, Y2 - 20, 40, 18);
    a.laterCount = CRect::FromSize(160, Y3 - 20, 40, 18);
    a.perPlaneLabel = CRect::FromSize(10, Y - 18, 150, 15);
    a.laterPerPlaneLabel = CRect::FromSize(10 + P, Y - 18, 150, 15);
    a.ceLabel = CRect::FromSize(10 + P + P, Y - 18, 150, 15);
    a.perPlaneWidths = std::vector<int>(3, 2 * P / 18 - 2);
    a.perPlaneWidths.insert(a.perPlaneWidths.end(), 4, 3 * P / 18);
    const int B = ceWidth;
    a.ceWidths = {2 * B / 10 - VS - 5};
    a.ceWidths.insert(a.ceWidths.end(), 8, B / 10);
    const int C = W - 10;
    a.badBlockWidths = std::vector<int>(4, C / 10);
    a.badBlockWidths.insert(a.badBlockWidths.end(), 2, C / 5);
    a.badBlockWidths.push_back(C / 5 - VS - 5);
    return a;
  }
  constexpr int kLabelHeight = 15;
  const int Y0 = std::max(H / 6 + 37, topAreaFoot + kLabelHeight);
  const int D = W / 2 - 10;
  const int ceHeight = (9 * H / 40 - 5) / 2;
  a.ce0 = CRect::FromSize(10, Y0, D, ceHeight);
  a.ce1 = CRect::FromSize(10, std::max(3 * Y0 / 2, Y0 + ceHeight), D, ceHeight);
  a.perPlane = CRect::FromSize(10 + D, Y0, D, 9 * H / 40 - 5);
  a.early = CRect::FromSize(10, H / 2 - 8, W - 20, 9 * H / 40);
  a.later = CRect::FromSize(10, 3 * H / 4, W - 20, H / 4);
  a.ceLabel = CRect::FromSize(10, Y0 - kLabelHeight, 150, kLabelHeight);
  a.perPlaneLabel = CRect::FromSize(10 + D, Y0 - kLabelHeight, 150, kLabelHeight);
  a.earlyLabel = CRect::FromSize(10, H / 2 - 8 - kLabelHeight, 150, kLabelHeight);
  a.laterLabel = CRect::FromSize(10, 3 * H / 4 - kLabelHeight, 150, kLabelHeight);
  a.perPlaneWidths = {3 * D / 19, 2 * D / 19, 2 * D / 19, 3 * D / 19, 3 * D / 19, 3 * D / 19, 3 * D / 19 - VS - 5};
  a.ceWidths = std::vector<int>(8, D / 9);
  a.ceWidths.push_back(D / 9 - VS - 2);
  const int E = W - 20;
  a.badBlockWidths = std::vector<int>(3, E / 20);
  a.badBlockWidths.insert(a.badBlockWidths.end(), 5, 2 * E / 20);
  a.badBlockWidths.push_back(3 * E / 20);
  a.badBlockWidths.push_back(4 * E / 20 - VS - 5);
  return a;
}

void ApplyColumnWidths(ui::CListCtrl& list, const std::vector<int>& widths) {
  for (std::size_t column = 0; column < widths.size(); ++column) {
    list.SetColumnWidth(static_cast<int>(column), static_cast<std::int16_t>(widths[column]));
  }
}

int CompareListItems(const ui::CListCtrl& list, int rowA, int rowB) {
  const int column = static_cast<int>(g_ListSortColumn);
  const std::string a = SortText(list, rowA, column);
  const std::string b = SortText(list, rowB, column);
  const int order = g_ListSortDescending ? std::strcmp(b.c_str(), a.c_str()) : std::strcmp(a.c_str(), b.c_str());
  return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

void SortBadBlockList(ui::CListCtrl& list, int column) {
  g_ListSortColumn = static_cast<std::uint32_t>(column);
  g_ListSortDescending = g_ListSortDescending == 0 ? 1 : 0;
  // Every row is compared by its index before the sort (SortItemsEx).
  list.SortItemsEx([&list](std::uintptr_t a, std::uintptr_t b) {
    return CompareListItems(list, static_cast<int>(a), static_cast<int>(b));
  });
}
