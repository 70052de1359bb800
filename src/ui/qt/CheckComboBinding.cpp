#include "ui/qt/CheckComboBinding.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QStyleOptionFocusRect>
#include <QStyledItemDelegate>
#include <QStylePainter>

#include "ui/qt/Convert.h"

namespace uiqt {

namespace {

QRect ToQRect(const ui::CRect& rect) { return QRect(rect.left, rect.top, rect.Width(), rect.Height()); }

// Carries out one item's drawing; the painter's origin is the item's left edge.
void PaintItem(QPainter& painter, const QWidget* widget, const ui::CheckItemDrawing& drawing) {
  if (!drawing.drawn) return;
  if (drawing.hasCheckBox) {
    painter.fillRect(ToQRect(drawing.checkRect), ToQColor(drawing.checkBackground));
    QStyleOptionButton box;
    const int side = std::min(drawing.checkRect.Width(), drawing.checkRect.Height()) - 2;
    const QRect area = ToQRect(drawing.checkRect);
    box.rect = QRect(area.left() + (area.width() - side) / 2, area.top() + (area.height() - side) / 2, side, side);
    box.state = (drawing.checked ? QStyle::State_On : QStyle::State_Off) |
                (drawing.inactive ? QStyle::State_None : QStyle::State_Enabled);
    widget->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, widget);
  }
  const QRect textRect = ToQRect(drawing.textRect);
  painter.fillRect(textRect, ToQColor(drawing.background));
  painter.setPen(ToQColor(drawing.textColor));
  const QString text = painter.fontMetrics().elidedText(FromStation(drawing.text), Qt::ElideRight, textRect.width());
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  if (drawing.focusRect) {
    QStyleOptionFocusRect focus;
    focus.rect = textRect;
    focus.backgroundColor = ToQColor(drawing.background);
    widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, widget);
  }
}

// The lines of the open list.
class CheckItemDelegate : public QStyledItemDelegate {
 public:
  CheckItemDelegate(ui::CCheckComboBox& combo, QObject* parent) : QStyledItemDelegate(parent), m_combo(combo) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QRect rect = option.rect;
    const ui::CheckItemDrawing drawing =
        m_combo.DrawItem(index.row(), ui::CRect(0, 0, rect.width(), rect.height()), (option.state & QStyle::State_Selected) != 0,
                         (option.state & QStyle::State_HasFocus) != 0);
    painter->save();
    painter->translate(rect.topLeft());
    PaintItem(*painter, option.widget, drawing);
    painter->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return QSize(QStyledItemDelegate::sizeHint(option, index).width() + m_combo.CheckBoxWidth(), m_combo.MeasureItem());
  }

 private:
  ui::CCheckComboBox& m_combo;
};

class CheckComboWidget : public QComboBox {
 public:
  CheckComboWidget(ui::CCheckComboBox& combo, QWidget* parent) : QComboBox(parent), m_combo(combo) {
    setItemDelegate(new CheckItemDelegate(combo, this));
    // Filters run last-installed first: ours see the list's events before the combo's own
    // popup handling, so a click on a check box can keep the list open.
    view()->installEventFilter(this);
    view()->viewport()->installEventFilter(this);
    // A line chosen in the list by the keyboard (a click has chosen it already).
    QObject::connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
      if (index >= 0 && index != m_combo.GetCurSel()) m_combo.UserSelect(index);
    });
    MeasureFont();
  }

  void MeasureFont() {
    const QFontMetrics metrics(font());
    m_combo.SetFontMetrics(metrics.height(), std::max(metrics.leading(), 0));
  }
  void SyncItems() {
    const QSignalBlocker block(this);
    QStringList items;
    for (const std::string& item : m_combo.Items()) items << FromStation(item);
    bool same = items.size() == count();
    for (int i = 0; same && i < items.size(); ++i) same = itemText(i) == items[i];
    if (!same) {
      clear();
      addItems(items);
    }
    setCurrentIndex(m_combo.GetCurSel());
  }

  void showPopup() override {
    m_combo.UserDropDown();
    SyncItems();
    QComboBox::showPopup();
  }
  void hidePopup() override {
    QComboBox::hidePopup();
    m_combo.UserCloseList();
    SyncItems();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    const QRect field = FieldRect();
    const ui::CheckItemDrawing drawing =
        m_combo.DrawItem(m_combo.GetCurSel(), ui::CRect(0, 0, field.width(), field.height()), false, hasFocus());
    if (!drawing.drawn) {  // the model chose a current item: paint again with it
      SyncItems();
      update();
      return;
    }
    painter.save();
    painter.setClipRect(field);
    painter.translate(field.topLeft());
    PaintItem(painter, this, drawing);
    painter.restore();
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) {
      const QPoint point = event->position().toPoint() - FieldRect().topLeft();
      if (m_combo.UserClick(ui::CPoint{point.x(), point.y()})) {
        if (!hasFocus()) setFocus(Qt::MouseFocusReason);
        update();
        event->accept();
        return;
      }
    }
    QComboBox::mousePressEvent(event);
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override { mousePressEvent(event); }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Space) {
      m_combo.UserKeyDown(ui::VK_SPACE);  // swallowed
      m_combo.UserChar(' ', event->isAutoRepeat());
      update();
      event->accept();
      return;
    }
    const int before = currentIndex();
    QComboBox::keyPressEvent(event);
    if (currentIndex() >= 0 && currentIndex() != before) m_combo.UserSelect(currentIndex());
  }
  void changeEvent(QEvent* event) override {
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange) MeasureFont();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    QAbstractItemView* list = view();
    if (watched == list->viewport()) {
      if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint point = mouse->position().toPoint();
        const QModelIndex index = list->indexAt(point);
        if (mouse->button() == Qt::LeftButton && index.isValid()) {
          m_combo.UserListButtonDown(index.row(), point.x() - list->visualRect(index).left());
          list->viewport()->update();
        }
        return false;  // the list highlights the line as usual
      }
      if (event->type() == QEvent::MouseButtonRelease) {
        if (m_combo.UserListButtonUp()) return false;  // the list selects and closes
        return true;  // a check box was clicked: the list stays open
      }
    } else if (watched == list && event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Space) {
        if (m_combo.UserListChar(list->currentIndex().row(), ' ', key->isAutoRepeat())) list->viewport()->update();
        return true;
      }
    }
    return QComboBox::eventFilter(watched, event);
  }

 private:
  QRect FieldRect() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  }

  ui::CCheckComboBox& m_combo;
};

class CheckComboBinding : public Binding {
 public:
  CheckComboBinding(ui::CCheckComboBox& combo, QWidget* parent)
      : Binding(combo, new CheckComboWidget(combo, parent)), m_combo(combo) {
    static_cast<CheckComboWidget*>(Widget())->setMaxVisibleItems(24);
  }
  void SyncContent(std::uint32_t dirty) override {
    auto* widget = static_cast<CheckComboWidget*>(Widget());
    if (dirty & ui::kDirtyFont) widget->MeasureFont();
    if (dirty & ui::kDirtyContent) widget->SyncItems();
    if (dirty & (ui::kDirtyPaint | ui::kDirtyContent)) {
      widget->update();
      widget->view()->viewport()->update();
    }
  }
  // The model's rectangle includes the list, as on Windows; the page shows the field only.
  QRect Placement(const ui::CRect& rect) const override {
    QRect placed = Binding::Placement(rect);
    placed.setHeight(Widget()->sizeHint().height());
    return placed;
  }

 private:
  ui::CCheckComboBox& m_combo;
};

}  // namespace

std::unique_ptr<Binding> MakeCheckComboBinding(ui::CCheckComboBox& combo, QWidget* parent) {
  return std::make_unique<CheckComboBinding>(combo, parent);
}

}  // namespace uiqt
