#include "ui/qt/WindowView.h"

#include <algorithm>

namespace uiqt {

WindowView::WindowView(ui::CWnd& container, QWidget* widget, bool followsModelGeometry)
    : m_container(container), m_widget(widget), m_self(MakeContainerBinding(container, widget, followsModelGeometry)) {
  Reconcile();
  Sync(true);
}

WindowView::~WindowView() {
  for (auto& binding : m_children) delete binding->Widget();
}

void WindowView::Reconcile() {
  const std::vector<ui::CWnd*> children = m_container.Children();
  // Drop the widgets of windows that left the container.
  for (auto it = m_children.begin(); it != m_children.end();) {
    if (std::find(children.begin(), children.end(), &(*it)->Window()) == children.end()) {
      delete (*it)->Widget();
      it = m_children.erase(it);
    } else {
      ++it;
    }
  }
  for (ui::CWnd* child : children) {
    const bool known = std::any_of(m_children.begin(), m_children.end(),
                                   [child](const std::unique_ptr<Binding>& binding) { return &binding->Window() == child; });
    if (known || !child->IsCreated()) continue;
    std::unique_ptr<Binding> binding = MakeControlBinding(*child, m_widget);
    if (!binding) continue;
    binding->Sync(true);
    m_children.push_back(std::move(binding));
  }
  Restack();
}

void WindowView::Restack() {
  // The model lists children topmost first; raising from the bottom up rebuilds that order.
  const std::vector<ui::CWnd*> children = m_container.Children();
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    if (QWidget* widget = WidgetOf(**it)) widget->raise();
  }
}

void WindowView::Sync(bool everything) {
  const std::uint32_t dirty = m_self->Sync(everything);
  if (dirty & ui::kDirtyZOrder) Reconcile();
  for (auto& binding : m_children) binding->Sync(everything);
}

ui::CWnd* WindowView::WindowOf(const QWidget* widget) const {
  for (const QWidget* current = widget; current; current = current->parentWidget()) {
    if (current == m_widget) return &m_container;
    for (const auto& binding : m_children) {
      if (binding->Widget() == current) return &binding->Window();
    }
  }
  return nullptr;
}

QWidget* WindowView::WidgetOf(const ui::CWnd& window) const {
  if (&window == &m_container) return m_widget;
  for (const auto& binding : m_children) {
    if (&binding->Window() == &window) return binding->Widget();
  }
  return nullptr;
}

}  // namespace uiqt
