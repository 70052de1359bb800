#pragma once
// The shape of the result pages' lists: their columns for a scan-style report (kind 0) and an
// RDT-style report (kind 1), where the lists, their labels and the two count boxes go in the
// client area and how wide the columns are, and the column sort of the bad-block lists with
// its direction shared by both result pages.
#include <cstdint>
#include <span>
#include <vector>

#include "ui/ListCtrl.h"
#include "ui/Types.h"

inline constexpr int kScanReportKind = 0;
inline constexpr int kRdtReportKind = 1;

// Column headings (all left-aligned).
std::span<const char* const> PerPlaneColumns(int kind);
std::span<const char* const> CeChannel0Columns();
std::span<const char* const> CeChannel1Columns();
std::span<const char* const> EarlyBadColumns(int kind);
std::span<const char* const> LaterBadColumns(int kind);
// The RDT result page's factory list names its address column "Physical Address".
std::span<const char* const> RdtPageFactoryColumns();

// Removes every column of the list.
void RemoveColumns(ui::CListCtrl& list);
void InsertColumns(ui::CListCtrl& list, std::span<const char* const> headings);

// Places and column widths of one arrangement, for a client area of width x height pixels
// and a vertical scroll bar of scrollWidth pixels. Kind 0 has the later per-plane list, its
// label and the two count boxes; kind 1 does not (their rectangles stay empty). The places
// follow the client size; where kind 1's would overlap, its lists move down: their labels
// stand below topAreaFoot (the pixel row where the controls above the lists end), and the
// channel-1 list below the channel-0 list.
struct BadBlockArrangement {
  ui::CRect perPlane, laterPerPlane, ce0, ce1, early, later;
  ui::CRect perPlaneLabel, laterPerPlaneLabel, ceLabel, earlyLabel, laterLabel;
  ui::CRect earlyCount, laterCount;
  std::vector<int> perPlaneWidths;  // also the later per-plane list's (kind 0)
  std::vector<int> ceWidths;
  std::vector<int> badBlockWidths;
};
BadBlockArrangement ArrangeBadBlockLists(int kind, int width, int height, int scrollWidth, int topAreaFoot);

// Sets the widths of the list's first columns; each width goes to the list as a signed
// 16-bit number of pixels.
void ApplyColumnWidths(ui::CListCtrl& list, const std::vector<int>& widths);

// The sort state of every sortable list of both result pages: the column of the last header
// click and the direction (1 descending), which every click flips, whichever list it is on.
extern std::uint32_t g_ListSortColumn;
extern std::uint8_t g_ListSortDescending;

// A header click on a sortable bad-block list: remembers the column, flips the shared
// direction and sorts the list's rows by that column's texts (CompareListItems).
void SortBadBlockList(ui::CListCtrl& list, int column);
// The texts (up to 259 characters) of two rows in column g_ListSortColumn compared byte by
// byte as C strings, the second row's text first when descending.
int CompareListItems(const ui::CListCtrl& list, int rowA, int rowB);
