#pragma once
// The widgets of one model container (a dialog or a page): a binding for the container and
// one per child control, kept in the model's z-order.
#include <QHash>
#include <QWidget>
#include <memory>
#include <vector>

#include "ui/qt/Bindings.h"

namespace uiqt {

class WindowView {
 public:
  // widget shows container; followsModelGeometry is false for pages, which fill their tab.
  WindowView(ui::CWnd& container, QWidget* widget, bool followsModelGeometry);
  ~WindowView();
  WindowView(const WindowView&) = delete;
  WindowView& operator=(const WindowView&) = delete;

  ui::CWnd& Container() const { return m_container; }
  QWidget* Widget() const { return m_widget; }
  void Sync(bool everything);
  // The model window a widget of this view belongs to (the container for the container's own
  // widget); null for other widgets.
  ui::CWnd* WindowOf(const QWidget* widget) const;
  // The widget that shows a model window of this view.
  QWidget* WidgetOf(const ui::CWnd& window) const;

 private:
  void Reconcile();
  void Restack();
  ui::CWnd& m_container;
  QWidget* m_widget;
  std::unique_ptr<Binding> m_self;
  std::vector<std::unique_ptr<Binding>> m_children;
};

}  // namespace uiqt
