#pragma once
// One binding per model window shown: the Qt widget that renders it, kept in step with the
// model by Sync (user-interface thread), and the widget's user events turned into the model's
// User* calls.
#include <QFont>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "ui/Wnd.h"

namespace uiqt {

class Binding {
 public:
  Binding(ui::CWnd& window, QWidget* widget) : m_window(window), m_widget(widget) {}
  virtual ~Binding() = default;
  Binding(const Binding&) = delete;
  Binding& operator=(const Binding&) = delete;

  ui::CWnd& Window() const { return m_window; }
  QWidget* Widget() const { return m_widget; }
  // Applies the window's dirty state (everything when asked); returns what it applied.
  std::uint32_t Sync(bool everything);

 protected:
  virtual void SyncText(const std::string& text);
  virtual void SyncContent(std::uint32_t dirty);
  // Pages fill their tab; their geometry and visibility are the tab widget's.
  virtual bool FollowsModelGeometry() const { return true; }
  // Where the widget goes for the window's rectangle: the rectangle itself.
  virtual QRect Placement(const ui::CRect& rect) const;
  // The font the model gives the window (the parent's font changed as it says), or the
  // application's font.
  QFont ModelFont() const;

 private:
  ui::CWnd& m_window;
  QWidget* m_widget;
};

// Makes the widget for a model control as a child of parent (nothing for windows that are
// not controls).
std::unique_ptr<Binding> MakeControlBinding(ui::CWnd& window, QWidget* parent);
// A plain container for a dialog or page whose children are placed at their rectangles.
std::unique_ptr<Binding> MakeContainerBinding(ui::CWnd& window, QWidget* widget, bool followsModelGeometry);

}  // namespace uiqt
