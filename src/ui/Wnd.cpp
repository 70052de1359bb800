#include "ui/Wnd.h"

#include <algorithm>

#include "ui/Button.h"
#include "ui/Dispatcher.h"
#include "ui/Host.h"

namespace ui {
namespace {
std::atomic<std::uint64_t> g_changeSerial{0};
}  // namespace

std::uint64_t ChangeSerial() { return g_changeSerial.load(); }

int GetSystemMetrics(SystemMetric metric) {
  switch (metric) {
    case SystemMetric::VerticalScrollWidth:
    case SystemMetric::HorizontalScrollHeight:
      return 17;
    case SystemMetric::IconWidth:
    case SystemMetric::IconHeight:
      return 32;
  }
  return 0;
}

CWnd::CWnd(ControlKind kind) : m_kind(kind) {}

CWnd::~CWnd() {
  if (Dispatcher* dispatcher = Dispatcher::Current()) dispatcher->KillTimers(*this);
  CWnd* parent = GetParent();
  if (parent) parent->DetachChild(*this);
  std::vector<CWnd*> children;
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    children.swap(m_children);
  }
  for (CWnd* child : children) {
    std::lock_guard<std::recursive_mutex> guard(child->m_lock);
    child->m_parent = nullptr;
  }
}

bool CWnd::Create(std::uint32_t style, const CRect& rect, CWnd* parent, int id, std::string_view text) {
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_style = style;
    m_rect = rect;
    m_id = id;
    m_text.assign(text);
  }
  if (parent) parent->AttachChild(*this, false);
  SetCreated(true);
  MarkDirty(kDirtyAll);
  return true;
}

void CWnd::SetCreated(bool created) {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  m_created = created;
}

bool CWnd::IsCreated() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_created;
}

void CWnd::DestroyWindow() {
  if (!IsCreated()) return;
  OnDestroy();
  if (Dispatcher* dispatcher = Dispatcher::Current()) dispatcher->KillTimers(*this);
  for (CWnd* child : Children()) child->DestroyWindow();
  SetCreated(false);
}

int CWnd::GetDlgCtrlID() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_id;
}

CWnd* CWnd::GetParent() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_parent;
}

CWnd* CWnd::GetDlgItem(int id) const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  for (CWnd* child : m_children) {
    if (child->GetDlgCtrlID() == id) return child;
  }
  return nullptr;
}

std::vector<CWnd*> CWnd::Children() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_children;
}

void CWnd::SetWindowText(std::string_view text) {
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_text == text) return;
    m_text.assign(text);
  }
  MarkDirty(kDirtyText);
}

std::string CWnd::GetWindowText() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_text;
}

int CWnd::GetWindowTextLength() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return static_cast<int>(m_text.size());
}

bool CWnd::SetDlgItemText(int id, std::string_view text) {
  CWnd* item = GetDlgItem(id);
  if (!item) return false;
  item->SetWindowText(text);
  return true;
}

std::string CWnd::GetDlgItemText(int id) const {
  const CWnd* item = GetDlgItem(id);
  return item ? item->GetWindowText() : std::string();
}

void CWnd::CheckDlgButton(int id, int state) {
  CWnd* item = GetDlgItem(id);
  if (item && item->Kind() == ControlKind::Button) static_cast<CButton*>(item)->SetCheck(state);
}

int CWnd::IsDlgButtonChecked(int id) const {
  const CWnd* item = GetDlgItem(id);
  if (!item || item->Kind() != ControlKind::Button) return BST_UNCHECKED;
  return static_cast<const CButton*>(item)->GetCheck();
}

std::uint32_t CWnd::GetStyle() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_style;
}

void CWnd::ModifyStyle(std::uint32_t remove, std::uint32_t add) {
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    const std::uint32_t style = (m_style & ~remove) | add;
    if (style == m_style) return;
    m_style = style;
  }
  MarkDirty(kDirtyState);
}

bool CWnd::EnableWindow(bool enable) {
  bool wasDisabled;
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    wasDisabled = (m_style & WS_DISABLED) != 0;
    if (wasDisabled != enable) return wasDisabled;
    m_style = enable ? (m_style & ~WS_DISABLED) : (m_style | WS_DISABLED);
  }
  MarkDirty(kDirtyState);
  return wasDisabled;
}

bool CWnd::IsWindowEnabled() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return (m_style & WS_DISABLED) == 0;
}

bool CWnd::ShowWindow(int command) {
  const bool show = command != SW_HIDE;
  bool wasVisible;
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    wasVisible = (m_style & WS_VISIBLE) != 0;
    if (wasVisible == show) return wasVisible;
    m_style = show ? (m_style | WS_VISIBLE) : (m_style & ~WS_VISIBLE);
  }
  MarkDirty(kDirtyState);
  return wasVisible;
}

bool CWnd::IsWindowVisible() const {
  for (const CWnd* window = this; window; window = window->GetParent()) {
    if ((window->GetStyle() & WS_VISIBLE) == 0) return false;
  }
  return true;
}

void CWnd::MoveWindow(int x, int y, int width, int height, bool repaint) {
  MoveWindow(CRect::FromSize(x, y, width, height), repaint);
}

void CWnd::MoveWindow(const CRect& rect, bool /*repaint*/) {
  bool resized;
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (m_rect == rect) return;
    resized = m_rect.Size() != rect.Size();
    m_rect = rect;
  }
  MarkDirty(kDirtyGeometry);
  if (resized) {
    const CSize size = rect.Size();
    RunOnUiThread([this, size] { OnSize(SIZE_RESTORED, size.cx, size.cy); });
  }
}

bool CWnd::SetWindowPos(InsertAfter where, int x, int y, int width, int height, unsigned flags) {
  CRect rect = GetWindowRect();
  if ((flags & SWP_NOMOVE) == 0) rect = CRect::FromSize(x, y, rect.Width(), rect.Height());
  if ((flags & SWP_NOSIZE) == 0) rect = CRect::FromSize(rect.left, rect.top, width, height);
  MoveWindow(rect, true);
  CWnd* parent = GetParent();
  if ((flags & SWP_NOZORDER) == 0 && where != InsertAfter::None && parent) {
    {
      std::lock_guard<std::recursive_mutex> guard(parent->m_lock);
      auto& siblings = parent->m_children;
      auto it = std::find(siblings.begin(), siblings.end(), this);
      if (it != siblings.end()) {
        siblings.erase(it);
        if (where == InsertAfter::Top) {
          siblings.insert(siblings.begin(), this);
        } else {
          siblings.push_back(this);
        }
      }
    }
    parent->MarkDirty(kDirtyZOrder);
  }
  if (flags & SWP_SHOWWINDOW) ShowWindow(SW_SHOW);
  if (flags & SWP_HIDEWINDOW) ShowWindow(SW_HIDE);
  return true;
}

CRect CWnd::GetWindowRect() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_rect;
}

void CWnd::GetClientRect(CRect* rect) const {
  if (rect) *rect = GetClientRect();
}

CRect CWnd::GetClientRect() const {
  const CSize size = GetWindowRect().Size();
  return CRect(0, 0, size.cx, size.cy);
}

void CWnd::Invalidate(bool /*erase*/) { MarkDirty(kDirtyPaint); }

void CWnd::UpdateWindow() { MarkDirty(kDirtyPaint); }

void CWnd::RedrawWindow() { MarkDirty(kDirtyPaint); }

void CWnd::SetFont(const CFont* font, bool /*redraw*/) {
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (font && font->IsCreated()) {
      m_font = font->GetLogFont();
    } else {
      m_font.reset();
    }
  }
  MarkDirty(kDirtyFont);
}

std::optional<LOGFONT> CWnd::GetFont() const {
  std::lock_guard<std::recursive_mutex> guard(m_lock);
  return m_font;
}

std::uintptr_t CWnd::SetTimer(std::uintptr_t id, std::uint32_t elapseMs) {
  Dispatcher* dispatcher = Dispatcher::Current();
  if (!dispatcher || !dispatcher->SetTimer(*this, id, elapseMs)) return 0;
  return id;
}

bool CWnd::KillTimer(std::uintptr_t id) {
  Dispatcher* dispatcher = Dispatcher::Current();
  return dispatcher && dispatcher->KillTimer(*this, id);
}

int CWnd::MessageBox(std::string_view text, std::string_view caption, unsigned type) {
  return ShowMessageBox(text, caption, type, this);
}

bool CWnd::OnCommand(int /*id*/, int /*code*/) { return false; }
bool CWnd::OnNotify(const NotifyMessage& /*message*/) { return false; }
void CWnd::OnTimer(std::uintptr_t /*id*/) {}
void CWnd::OnSize(unsigned /*type*/, int /*width*/, int /*height*/) {}
void CWnd::OnDestroy() {}
bool CWnd::PreTranslateMessage(const KeyMessage& /*message*/) { return false; }
bool CWnd::BuildDrawing(DrawList& /*drawing*/) const { return false; }

std::uint32_t CWnd::TakeDirty() { return m_dirty.exchange(0); }

std::uint32_t CWnd::PeekDirty() const { return m_dirty.load(); }

void CWnd::MarkDirty(std::uint32_t bits) {
  if (m_dirty.fetch_or(bits) == 0) {
    g_changeSerial.fetch_add(1);
    if (Dispatcher* dispatcher = Dispatcher::Current()) dispatcher->Wake();
  }
}

void CWnd::NotifyParentCommand(int code) {
  CWnd* parent = GetParent();
  if (!parent) return;
  const int id = GetDlgCtrlID();
  RunOnUiThread([parent, id, code] { parent->OnCommand(id, code); });
}

void CWnd::NotifyParent(NotifyMessage message) {
  CWnd* parent = GetParent();
  if (!parent) return;
  message.idFrom = GetDlgCtrlID();
  RunOnUiThread([parent, message] { parent->OnNotify(message); });
}

void CWnd::TakeOverState(CWnd& from) {
  std::scoped_lock guard(m_lock, from.m_lock);
  m_id = from.m_id;
  m_text = from.m_text;
  m_rect = from.m_rect;
  m_style = from.m_style;
  if (from.m_font) m_font = from.m_font;
}

void CWnd::AttachChild(CWnd& child, bool atTop) {
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    if (std::find(m_children.begin(), m_children.end(), &child) == m_children.end()) {
      if (atTop) {
        m_children.insert(m_children.begin(), &child);
      } else {
        m_children.push_back(&child);
      }
    }
  }
  {
    std::lock_guard<std::recursive_mutex> guard(child.m_lock);
    child.m_parent = this;
  }
  MarkDirty(kDirtyZOrder);
}

void CWnd::DetachChild(CWnd& child) {
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    m_children.erase(std::remove(m_children.begin(), m_children.end(), &child), m_children.end());
  }
  {
    std::lock_guard<std::recursive_mutex> guard(child.m_lock);
    if (child.m_parent == this) child.m_parent = nullptr;
  }
  MarkDirty(kDirtyZOrder);
}

void CWnd::ReplaceChild(CWnd& oldChild, CWnd& newChild) {
  {
    std::lock_guard<std::recursive_mutex> guard(m_lock);
    auto it = std::find(m_children.begin(), m_children.end(), &oldChild);
    if (it == m_children.end()) {
      m_children.push_back(&newChild);
    } else {
      *it = &newChild;
    }
  }
  {
    std::lock_guard<std::recursive_mutex> guard(oldChild.m_lock);
    oldChild.m_parent = nullptr;
  }
  {
    std::lock_guard<std::recursive_mutex> guard(newChild.m_lock);
    newChild.m_parent = this;
  }
  MarkDirty(kDirtyZOrder);
}

}  // namespace ui
