#pragma once
// CWnd: the model of one window or control.
//
// Every window is a plain object holding its state: id, kind, rectangle (pixels, relative to
// the parent's client area), text (code page 950), style bits (visibility and enabling
// included) and font. Setters and getters may be called from any thread: the state sits
// under the window's own lock. A change marks the window dirty and tells the front end that
// something changed; the front end takes the dirty bits on the user-interface thread and
// repaints what they name.
//
// Handlers (OnCommand, OnNotify, OnTimer, OnSize, key handling, OnDestroy) always run on the
// user-interface thread. Windows are created and destroyed on that thread only.
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/DrawList.h"
#include "ui/Font.h"
#include "ui/Messages.h"
#include "ui/Types.h"

namespace ui {

enum class ControlKind {
  Window,
  Static,
  Edit,
  Button,
  ComboBox,
  ListBox,
  ListCtrl,
  ProgressCtrl,
  Dialog,
  PropertyPage,
  PropertySheet,
};

// What changed since the front end last looked.
enum DirtyBits : std::uint32_t {
  kDirtyText = 1u << 0,
  kDirtyState = 1u << 1,      // visible, enabled, style
  kDirtyGeometry = 1u << 2,
  kDirtyFont = 1u << 3,
  kDirtyContent = 1u << 4,    // items, cells, check state, position ...
  kDirtyStructure = 1u << 5,  // rows or columns inserted, deleted or reordered
  kDirtyPaint = 1u << 6,      // colours and owner-drawn contents
  kDirtyZOrder = 1u << 7,     // order of the children
  kDirtyScroll = 1u << 8,
  kDirtyAll = 0xFFFFFFFFu,
};

// A number that grows whenever any window becomes dirty; the front end compares it to skip
// passes in which nothing changed.
std::uint64_t ChangeSerial();

class CWnd {
 public:
  explicit CWnd(ControlKind kind = ControlKind::Window);
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // ---- creation (user-interface thread)
  // Creates the window as a child of parent (or top-level without one) at rect.
  bool Create(std::uint32_t style, const CRect& rect, CWnd* parent, int id, std::string_view text = {});
  // Runs OnDestroy, stops the window's timers and destroys its children.
  virtual void DestroyWindow();
  bool IsCreated() const;

  ControlKind Kind() const { return m_kind; }
  int GetDlgCtrlID() const;
  CWnd* GetParent() const;
  CWnd* GetDlgItem(int id) const;
  // The children in z-order, topmost first.
  std::vector<CWnd*> Children() const;

  // ---- text
  void SetWindowText(std::string_view text);
  std::string GetWindowText() const;
  int GetWindowTextLength() const;
  bool SetDlgItemText(int id, std::string_view text);
  std::string GetDlgItemText(int id) const;
  // Check state of a button child (BST_*); setting one that is not a button does nothing.
  void CheckDlgButton(int id, int state);
  int IsDlgButtonChecked(int id) const;

  // ---- style, enabling and visibility
  std::uint32_t GetStyle() const;
  void ModifyStyle(std::uint32_t remove, std::uint32_t add);
  // Returns true when the window was disabled before.
  bool EnableWindow(bool enable = true);
  bool IsWindowEnabled() const;
  // Returns true when the window was visible before.
  bool ShowWindow(int command);
  // Visible itself and every ancestor visible.
  bool IsWindowVisible() const;

  // ---- geometry, in pixels relative to the parent's client area
  void MoveWindow(int x, int y, int width, int height, bool repaint = true);
  void MoveWindow(const CRect& rect, bool repaint = true);
  bool SetWindowPos(InsertAfter where, int x, int y, int width, int height, unsigned flags);
  CRect GetWindowRect() const;
  void GetClientRect(CRect* rect) const;
  CRect GetClientRect() const;

  // ---- painting
  void Invalidate(bool erase = true);
  void UpdateWindow();
  void RedrawWindow();
  void SetFont(const CFont* font, bool redraw = true);
  std::optional<LOGFONT> GetFont() const;

  // ---- timers (need a dispatcher on this thread's side; 0 when there is none)
  std::uintptr_t SetTimer(std::uintptr_t id, std::uint32_t elapseMs);
  bool KillTimer(std::uintptr_t id);

  // ---- message box owned by this window (any thread)
  int MessageBox(std::string_view text, std::string_view caption = {}, unsigned type = MB_OK);

  // ---- handlers (user-interface thread)
  // A command from a child control or an accelerator; true when handled.
  virtual bool OnCommand(int id, int code);
  virtual bool OnNotify(const NotifyMessage& message);
  virtual void OnTimer(std::uintptr_t id);
  virtual void OnSize(unsigned type, int width, int height);
  virtual void OnDestroy();
  // Sees every key message meant for this window or one of its children before the default
  // handling; true swallows the message.
  virtual bool PreTranslateMessage(const KeyMessage& message);

  // Owner drawing: controls that paint themselves fill the list and return true.
  virtual bool BuildDrawing(DrawList& drawing) const;

  // ---- front end
  std::uint32_t TakeDirty();
  std::uint32_t PeekDirty() const;
  // A token that dies with the window (posted messages to a window check it).
  std::weak_ptr<const int> LifeToken() const { return m_life; }

 protected:
  void MarkDirty(std::uint32_t bits);
  std::recursive_mutex& StateLock() const { return m_lock; }
  // Tells the parent about a user action (BN_CLICKED, CBN_SELCHANGE ...) on the
  // user-interface thread.
  void NotifyParentCommand(int code);
  void NotifyParent(NotifyMessage message);
  // Called by Create and by binding to a dialog template item: takes over the window state
  // of another (template-made) window.
  void TakeOverState(CWnd& from);
  // Children that a dialog owns are destroyed with it; bound members are only detached.
  void AttachChild(CWnd& child, bool atTop);
  void DetachChild(CWnd& child);
  void ReplaceChild(CWnd& oldChild, CWnd& newChild);

 private:
  friend class CDialog;
  void SetCreated(bool created);

  const ControlKind m_kind;
  mutable std::recursive_mutex m_lock;
  int m_id = 0;
  CWnd* m_parent = nullptr;
  std::vector<CWnd*> m_children;
  std::string m_text;
  CRect m_rect;
  std::uint32_t m_style = 0;
  std::optional<LOGFONT> m_font;
  bool m_created = false;
  std::atomic<std::uint32_t> m_dirty{kDirtyAll};
  std::shared_ptr<const int> m_life = std::make_shared<const int>(0);
};

}  // namespace ui
