#pragma once
// Basic values of the windowing model: colours, rectangles, command and notification codes,
// styles and virtual keys, with the framework's familiar names. Colours are COLORREF values
// 0x00BBGGRR.
#include <cstdint>

namespace ui {

using COLORREF = std::uint32_t;

constexpr COLORREF RGB(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
  return static_cast<COLORREF>(red) | (static_cast<COLORREF>(green) << 8) |
         (static_cast<COLORREF>(blue) << 16);
}
constexpr std::uint8_t GetRValue(COLORREF color) { return static_cast<std::uint8_t>(color & 0xFF); }
constexpr std::uint8_t GetGValue(COLORREF color) { return static_cast<std::uint8_t>((color >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(COLORREF color) { return static_cast<std::uint8_t>((color >> 16) & 0xFF); }

// A colour argument of -1: the system colour of that element.
inline constexpr COLORREF kDefaultColor = 0xFFFFFFFFu;
// The system colours the model resolves kDefaultColor to.
inline constexpr COLORREF kSystemWindowColor = RGB(255, 255, 255);
inline constexpr COLORREF kSystemWindowTextColor = RGB(0, 0, 0);
inline constexpr COLORREF kSystemFaceColor = RGB(240, 240, 240);
inline constexpr COLORREF kSystemHighlightColor = RGB(0, 120, 215);
inline constexpr COLORREF kSystemHighlightTextColor = RGB(255, 255, 255);
inline constexpr COLORREF kSystemGrayTextColor = RGB(109, 109, 109);

struct CPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const CPoint&, const CPoint&) = default;
};

struct CSize {
  int cx = 0;
  int cy = 0;
  friend bool operator==(const CSize&, const CSize&) = default;
};

struct CRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  constexpr CRect() = default;
  constexpr CRect(int l, int t, int r, int b) : left(l), top(t), right(r), bottom(b) {}
  static constexpr CRect FromSize(int x, int y, int width, int height) {
    return CRect(x, y, x + width, y + height);
  }
  constexpr int Width() const { return right - left; }
  constexpr int Height() const { return bottom - top; }
  constexpr CSize Size() const { return CSize{Width(), Height()}; }
  constexpr CPoint TopLeft() const { return CPoint{left, top}; }
  constexpr bool IsRectEmpty() const { return Width() <= 0 || Height() <= 0; }
  friend bool operator==(const CRect&, const CRect&) = default;
};

// Dialog results and message-box answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Message-box types: buttons in the low four bits, icon in the next four, default button.
inline constexpr unsigned MB_OK = 0x0;
inline constexpr unsigned MB_OKCANCEL = 0x1;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x2;
inline constexpr unsigned MB_YESNOCANCEL = 0x3;
inline constexpr unsigned MB_YESNO = 0x4;
inline constexpr unsigned MB_RETRYCANCEL = 0x5;
inline constexpr unsigned MB_TYPEMASK = 0xF;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONQUESTION = 0x20;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr unsigned MB_ICONMASK = 0xF0;
inline constexpr unsigned MB_DEFBUTTON2 = 0x100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x200;

// Notification codes a control sends to its parent through OnCommand.
inline constexpr int BN_CLICKED = 0;
inline constexpr int CBN_SELCHANGE = 1;
inline constexpr int CBN_EDITCHANGE = 5;
inline constexpr int CBN_DROPDOWN = 7;
inline constexpr int LBN_SELCHANGE = 1;
inline constexpr int EN_CHANGE = 0x0300;
// OnCommand code of a command that came from an accelerator key.
inline constexpr int kAcceleratorCode = 1;

// Notification codes sent through OnNotify.
inline constexpr int LVN_COLUMNCLICK = -108;
inline constexpr int LVN_ENDLABELEDIT = -176;
// CReportListCtrl::SortColumn tells its parent the new sort column and direction.
inline constexpr int RLN_SORTCHANGED = -1000;

inline constexpr int CB_ERR = -1;
inline constexpr int LB_ERR = -1;

// Window styles.
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_HSCROLL = 0x00100000;
inline constexpr std::uint32_t WS_VSCROLL = 0x00200000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;

// Button styles (the low four bits choose the kind).
inline constexpr std::uint32_t BS_PUSHBUTTON = 0x0;
inline constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x1;
inline constexpr std::uint32_t BS_CHECKBOX = 0x2;
inline constexpr std::uint32_t BS_AUTOCHECKBOX = 0x3;
inline constexpr std::uint32_t BS_RADIOBUTTON = 0x4;
inline constexpr std::uint32_t BS_3STATE = 0x5;
inline constexpr std::uint32_t BS_AUTO3STATE = 0x6;
inline constexpr std::uint32_t BS_GROUPBOX = 0x7;
inline constexpr std::uint32_t BS_AUTORADIOBUTTON = 0x9;
inline constexpr std::uint32_t BS_TYPEMASK = 0xF;
inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;

// Edit styles.
inline constexpr std::uint32_t ES_CENTER = 0x0001;
inline constexpr std::uint32_t ES_MULTILINE = 0x0004;
inline constexpr std::uint32_t ES_PASSWORD = 0x0020;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080;
inline constexpr std::uint32_t ES_READONLY = 0x0800;

// Static styles.
inline constexpr std::uint32_t SS_LEFT = 0x0;
inline constexpr std::uint32_t SS_CENTER = 0x1;
inline constexpr std::uint32_t SS_RIGHT = 0x2;

// Combo-box styles.
inline constexpr std::uint32_t CBS_SIMPLE = 0x1;
inline constexpr std::uint32_t CBS_DROPDOWN = 0x2;
inline constexpr std::uint32_t CBS_DROPDOWNLIST = 0x3;
inline constexpr std::uint32_t CBS_TYPEMASK = 0x3;
inline constexpr std::uint32_t CBS_OWNERDRAWFIXED = 0x0010;
inline constexpr std::uint32_t CBS_OWNERDRAWVARIABLE = 0x0020;
inline constexpr std::uint32_t CBS_SORT = 0x0100;
inline constexpr std::uint32_t CBS_HASSTRINGS = 0x0200;

// List-view styles and extended styles.
inline constexpr std::uint32_t LVS_ICON = 0x0;
inline constexpr std::uint32_t LVS_REPORT = 0x1;
inline constexpr std::uint32_t LVS_SMALLICON = 0x2;
inline constexpr std::uint32_t LVS_LIST = 0x3;
inline constexpr std::uint32_t LVS_TYPEMASK = 0x3;
inline constexpr std::uint32_t LVS_AUTOARRANGE = 0x0100;
inline constexpr std::uint32_t LVS_NOSCROLL = 0x2000;
inline constexpr std::uint32_t LVS_NOCOLUMNHEADER = 0x4000;
inline constexpr std::uint32_t LVS_NOSORTHEADER = 0x8000;
inline constexpr std::uint32_t LVS_EX_GRIDLINES = 0x0001;
inline constexpr std::uint32_t LVS_EX_SUBITEMIMAGES = 0x0002;
inline constexpr std::uint32_t LVS_EX_FULLROWSELECT = 0x0020;
inline constexpr std::uint32_t LVS_EX_INFOTIP = 0x0400;
inline constexpr int LVCFMT_LEFT = 0;
inline constexpr int LVCFMT_RIGHT = 1;
inline constexpr int LVCFMT_CENTER = 2;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

// SetWindowPos: where the window goes in the z-order, and what to leave alone.
enum class InsertAfter { None, Top, Bottom };
inline constexpr unsigned SWP_NOSIZE = 0x0001;
inline constexpr unsigned SWP_NOMOVE = 0x0002;
inline constexpr unsigned SWP_NOZORDER = 0x0004;
inline constexpr unsigned SWP_SHOWWINDOW = 0x0040;
inline constexpr unsigned SWP_HIDEWINDOW = 0x0080;

// OnSize types.
inline constexpr unsigned SIZE_RESTORED = 0;

// Virtual keys.
inline constexpr unsigned VK_BACK = 0x08;
inline constexpr unsigned VK_TAB = 0x09;
inline constexpr unsigned VK_RETURN = 0x0D;
inline constexpr unsigned VK_ESCAPE = 0x1B;
inline constexpr unsigned VK_SPACE = 0x20;
inline constexpr unsigned VK_LEFT = 0x25;
inline constexpr unsigned VK_UP = 0x26;
inline constexpr unsigned VK_RIGHT = 0x27;
inline constexpr unsigned VK_DOWN = 0x28;
inline constexpr unsigned VK_DELETE = 0x2E;
inline constexpr unsigned VK_F1 = 0x70;
inline constexpr unsigned VK_F4 = 0x73;
inline constexpr unsigned VK_F8 = 0x77;
inline constexpr unsigned VK_F12 = 0x7B;

// System metrics the pages read, with the values of the standard 96-dpi desktop.
enum class SystemMetric { VerticalScrollWidth, HorizontalScrollHeight, IconWidth, IconHeight };
int GetSystemMetrics(SystemMetric metric);

}  // namespace ui
