#include "ui/qt/Bindings.h"

#include <algorithm>
#include <functional>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>

#include "ui/Button.h"
#include "ui/CheckComboBox.h"
#include "ui/ComboBox.h"
#include "ui/Edit.h"
#include "ui/ListBox.h"
#include "ui/ListCtrl.h"
#include "ui/ProgressCtrl.h"
#include "ui/qt/CheckComboBinding.h"
#include "ui/qt/Convert.h"
#include "ui/qt/FittingFont.h"
#include "ui/qt/FocusReturn.h"
#include "ui/qt/ListModels.h"
#include "ui/qt/StationImages.h"

namespace uiqt {

std::uint32_t Binding::Sync(bool everything) {
  const std::uint32_t dirty = m_window.TakeDirty() | (everything ? ui::kDirtyAll : 0u);
  if (dirty == 0) return 0;
  if (dirty & ui::kDirtyFont) m_widget->setFont(ModelFont());
  // A placement may depend on the font (a combo box's edit field), so a new font places anew.
  if ((dirty & (ui::kDirtyGeometry | ui::kDirtyFont)) && FollowsModelGeometry()) {
    m_widget->setGeometry(Placement(m_window.GetWindowRect()));
  }
  if (dirty & ui::kDirtyState) {
    if (FollowsModelGeometry()) m_widget->setVisible((m_window.GetStyle() & ui::WS_VISIBLE) != 0);
    SetEnabledReturningFocus(*m_widget, m_window.IsWindowEnabled());
  }
  if (dirty & ui::kDirtyText) SyncText(m_window.GetWindowText());
  SyncContent(dirty);
  if (dirty & ui::kDirtyPaint) m_widget->update();
  return dirty;
}

QRect Binding::Placement(const ui::CRect& rect) const {
  return QRect(rect.left, rect.top, std::max(rect.Width(), 0), std::max(rect.Height(), 0));
}

QFont Binding::ModelFont() const {
  const std::optional<ui::LOGFONT> font = m_window.GetFont();
  return font ? ToQFont(*font, m_widget->parentWidget() ? m_widget->parentWidget()->font() : QFont()) : QFont();
}

void Binding::SyncText(const std::string& /*text*/) {}
void Binding::SyncContent(std::uint32_t /*dirty*/) {}

namespace {

// ---- statics and group boxes
class StaticBinding : public Binding {
 public:
  StaticBinding(ui::CWnd& window, QWidget* parent) : Binding(window, new QLabel(parent)) {
    auto* label = static_cast<QLabel*>(Widget());
    label->setWordWrap(true);
    const std::uint32_t align = window.GetStyle() & 0x3;
    label->setAlignment((align == ui::SS_CENTER  ? Qt::AlignHCenter
                         : align == ui::SS_RIGHT ? Qt::AlignRight
                                                 : Qt::AlignLeft) |
                        Qt::AlignTop);
  }
  void SyncText(const std::string& text) override { static_cast<QLabel*>(Widget())->setText(FromStation(text)); }
};

class GroupBinding : public Binding {
 public:
  GroupBinding(ui::CWnd& window, QWidget* parent) : Binding(window, new QGroupBox(parent)) {}
  void SyncText(const std::string& text) override { static_cast<QGroupBox*>(Widget())->setTitle(FromStation(text)); }
};

// ---- owner-drawn controls
class DrawnWidget : public QWidget {
 public:
  DrawnWidget(ui::CWnd& window, QWidget* parent) : QWidget(parent), m_window(window) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    ui::DrawList drawing;
    if (!m_window.BuildDrawing(drawing)) return;
    QPainter painter(this);
    for (const ui::DrawCommand& command : drawing) {
      const QRect rect(command.rect.left, command.rect.top, command.rect.Width(), command.rect.Height());
      switch (command.kind) {
        case ui::DrawCommand::Kind::FillRect:
          painter.fillRect(rect, ToQColor(command.color));
          break;
        case ui::DrawCommand::Kind::Text: {
          // A line too wide for its place takes a smaller font; only what does not fit at the
          // smallest is cut.
          const QString whole = FromStation(command.text);
          painter.setFont(FontFittingWidth(ToQFont(command.font, font()), whole, rect.width()));
          painter.setPen(ToQColor(command.color));
          const Qt::Alignment align = command.align == ui::HorizontalAlign::Left    ? Qt::AlignLeft
                                      : command.align == ui::HorizontalAlign::Right ? Qt::AlignRight
                                                                                    : Qt::AlignHCenter;
          const QString text = painter.fontMetrics().elidedText(whole, Qt::ElideRight, rect.width());
          painter.drawText(rect, align | Qt::AlignVCenter, text);
          break;
        }
        case ui::DrawCommand::Kind::Image:
          painter.drawPixmap(rect, StationImage(command.imageId, rect.size()));
          break;
      }
    }
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
  }

 private:
  ui::CWnd& m_window;
};

class DrawnBinding : public Binding {
 public:
  DrawnBinding(ui::CWnd& window, QWidget* parent) : Binding(window, new DrawnWidget(window, parent)) {}
  void SyncText(const std::string&) override { Widget()->update(); }
  void SyncContent(std::uint32_t) override { Widget()->update(); }
};

// ---- edits
class EditBinding : public Binding {
 public:
  EditBinding(ui::CEdit& edit, QWidget* parent) : Binding(edit, MakeWidget(edit, parent)), m_edit(edit) {
    if (auto* line = qobject_cast<QLineEdit*>(Widget())) {
      QObject::connect(line, &QLineEdit::textEdited, line, [this](const QString& text) { m_edit.UserEdit(ToStation(text)); });
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(Widget())) {
      QObject::connect(plain, &QPlainTextEdit::textChanged, plain, [this, plain] {
        if (!m_syncing) m_edit.UserEdit(ToStation(plain->toPlainText()));
      });
    }
  }
  void SyncText(const std::string& text) override {
    const QString value = FromStation(text);
    m_syncing = true;
    if (auto* line = qobject_cast<QLineEdit*>(Widget())) {
      if (line->text() != value) line->setText(value);
    } else if (auto* plain = qobject_cast<QPlainTextEdit*>(Widget())) {
      if (plain->toPlainText() != value) plain->setPlainText(value);
    }
    m_syncing = false;
  }
  void SyncContent(std::uint32_t dirty) override {
    if (dirty & ui::kDirtyState) {
      const bool readOnly = m_edit.IsReadOnly();
      if (auto* line = qobject_cast<QLineEdit*>(Widget())) line->setReadOnly(readOnly);
      if (auto* plain = qobject_cast<QPlainTextEdit*>(Widget())) plain->setReadOnly(readOnly);
    }
    if (dirty & (ui::kDirtyText | ui::kDirtyFont | ui::kDirtyGeometry | ui::kDirtyState)) FitReadOnlyText();
  }

 private:
  // A read-only box shows its whole text, from its start: the font shrinks to fit the box (the
  // operator cannot scroll a box he cannot type into); what still does not fit is the end,
  // and the tip shows it all.
  void FitReadOnlyText() {
    auto* line = qobject_cast<QLineEdit*>(Widget());
    if (line == nullptr || !m_edit.IsReadOnly()) return;
    const int frame = line->hasFrame() ? line->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, line) : 0;
    const QMargins margins = line->textMargins();
    const int width = m_edit.GetWindowRect().Width() - 2 * frame - 2 * kLineEditInnerMargin - margins.left() -
                      margins.right();
    const QFont font = FontFittingWidth(ModelFont(), line->text(), width);
    line->setFont(font);
    line->setCursorPosition(0);
    line->setToolTip(QFontMetrics(font).horizontalAdvance(line->text()) > width ? line->text() : QString());
  }
  // The space QLineEdit keeps between its frame and its text on either side.
  static constexpr int kLineEditInnerMargin = 2;

  static QWidget* MakeWidget(ui::CEdit& edit, QWidget* parent) {
    const std::uint32_t style = edit.GetStyle();
    if (style & ui::ES_MULTILINE) return new QPlainTextEdit(parent);
    auto* line = new QLineEdit(parent);
    if (style & ui::ES_PASSWORD) line->setEchoMode(QLineEdit::Password);
    if (style & ui::ES_CENTER) line->setAlignment(Qt::AlignHCenter);
    return line;
  }
  ui::CEdit& m_edit;
  bool m_syncing = false;
};

// ---- buttons
QIcon ButtonIcon(const ui::ButtonImage& image, QSize size) {
  QIcon icon;
  if (image.kind == ui::ButtonImage::Kind::Icon) {
    const int normal = image.secondIcon ? image.secondIcon : image.icon;
    icon.addPixmap(StationImage(normal, size), QIcon::Normal);
    icon.addPixmap(StationImage(image.icon, size), QIcon::Active);
  } else if (image.kind == ui::ButtonImage::Kind::Bitmap) {
    const auto& bitmaps = image.bitmaps;
    const int normal = bitmaps[ui::ButtonImage::kNormal];
    icon.addPixmap(StationImage(normal, size), QIcon::Normal);
    icon.addPixmap(StationImage(bitmaps[ui::ButtonImage::kHover] ? bitmaps[ui::ButtonImage::kHover] : normal, size),
                   QIcon::Active);
    icon.addPixmap(StationImage(bitmaps[ui::ButtonImage::kPressed] ? bitmaps[ui::ButtonImage::kPressed] : normal, size),
                   QIcon::Selected);
    if (bitmaps[ui::ButtonImage::kDisabled]) {
      icon.addPixmap(StationImage(bitmaps[ui::ButtonImage::kDisabled], size), QIcon::Disabled);
    }
  }
  return icon;
}

class PushBinding : public Binding {
 public:
  PushBinding(ui::CButton& button, QWidget* parent) : Binding(button, new QToolButton(parent)), m_button(button) {
    auto* tool = static_cast<QToolButton*>(Widget());
    tool->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // A push button takes the focus when it is clicked, as on Windows: the keyboard is then on
    // the button pressed, and comes back to it when the modal dialog it opened closes.
    tool->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(tool, &QToolButton::clicked, tool, [this] { m_button.Click(); });
  }
  void SyncText(const std::string& text) override { static_cast<QToolButton*>(Widget())->setText(FromStation(text)); }
  void SyncContent(std::uint32_t dirty) override {
    if (!(dirty & (ui::kDirtyPaint | ui::kDirtyGeometry))) return;
    auto* tool = static_cast<QToolButton*>(Widget());
    const ui::ButtonImage image = m_button.GetImage();
    tool->setLayoutDirection(Qt::LeftToRight);
    if (image.kind == ui::ButtonImage::Kind::None) {
      tool->setIcon(QIcon());
      tool->setToolButtonStyle(Qt::ToolButtonTextOnly);
      return;
    }
    const ui::CRect rect = m_button.GetWindowRect();
    QSize size = image.kind == ui::ButtonImage::Kind::Bitmap && image.stretch
                     ? QSize(std::max(rect.Width() - 6, 1), std::max(rect.Height() - 6, 1))
                     : StationImageSize(image.kind == ui::ButtonImage::Kind::Icon ? image.icon
                                                                                  : image.bitmaps[ui::ButtonImage::kNormal]);
    tool->setIconSize(size);
    tool->setIcon(ButtonIcon(image, size));
    tool->setAutoRaise(image.kind == ui::ButtonImage::Kind::Bitmap && !image.border);
    if (image.kind == ui::ButtonImage::Kind::Bitmap || tool->text().isEmpty()) {
      tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
    } else if (image.align == 1 || image.align == 3) {
      tool->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    } else {
      tool->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
      if (image.align == 2) tool->setLayoutDirection(Qt::RightToLeft);
    }
  }

 private:
  ui::CButton& m_button;
};

class CheckBinding : public Binding {
 public:
  CheckBinding(ui::CButton& button, QWidget* parent, bool radio)
      : Binding(button, radio ? static_cast<QWidget*>(new QRadioButton(parent)) : new QCheckBox(parent)), m_button(button) {
    auto* box = static_cast<QAbstractButton*>(Widget());
    if (radio) box->setAutoExclusive(false);  // the model keeps the group
    QObject::connect(box, &QAbstractButton::clicked, box, [this, box] {
      m_button.Click();
      box->setChecked(m_button.GetCheck() == ui::BST_CHECKED);  // the model decides the state
    });
  }
  void SyncText(const std::string& text) override { static_cast<QAbstractButton*>(Widget())->setText(FromStation(text)); }
  void SyncContent(std::uint32_t dirty) override {
    if (dirty & ui::kDirtyContent) static_cast<QAbstractButton*>(Widget())->setChecked(m_button.GetCheck() == ui::BST_CHECKED);
  }

 private:
  ui::CButton& m_button;
};

// ---- combo boxes
class ComboWidget : public QComboBox {
 public:
  ComboWidget(ui::CComboBox& combo, QWidget* parent) : QComboBox(parent), m_combo(combo) {}
  std::function<void()> beforePopup;

 protected:
  // The parent hears of the drop-down before the list opens and may refill it.
  void showPopup() override {
    m_combo.UserDropDown();
    if (beforePopup) beforePopup();
    QComboBox::showPopup();
  }

 private:
  ui::CComboBox& m_combo;
};

// The edit field of a combo box, which says whether it is handling an event. QComboBox matches
// the field's text against the items when the field loses the focus (to the list it opens,
// too) or takes Enter, and reports a match as an item activated; that is the field's doing, no
// choice of the user's.
class ComboField : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;
  bool IsHandlingAnEvent() const { return m_depth > 0; }

 protected:
  bool event(QEvent* event) override {
    ++m_depth;
    const bool handled = QLineEdit::event(event);
    --m_depth;
    return handled;
  }

 private:
  int m_depth = 0;
};

class ComboBinding : public Binding {
 public:
  ComboBinding(ui::CComboBox& combo, QWidget* parent) : Binding(combo, new ComboWidget(combo, parent)), m_combo(combo) {
    auto* widget = static_cast<ComboWidget*>(Widget());
    const std::uint32_t type = combo.GetStyle() & ui::CBS_TYPEMASK;
    ComboField* field = nullptr;
    if (type == ui::CBS_DROPDOWN || type == ui::CBS_SIMPLE) {
      widget->setEditable(true);
      field = new ComboField(widget);
      widget->setLineEdit(field);
    }
    widget->setInsertPolicy(QComboBox::NoInsert);
    widget->setMaxVisibleItems(24);
    widget->beforePopup = [this] { SyncItems(); };
    // The parent hears CBN_SELCHANGE, as from a native combo box, only when the user chooses an
    // item in the list or steps to one with the keys; the widget shows the model's choice again
    // after whatever it activated.
    QObject::connect(widget, qOverload<int>(&QComboBox::activated), widget, [this, field](int index) {
      if (field == nullptr || !field->IsHandlingAnEvent()) m_combo.UserSelect(index);
      SyncItems();
    });
    if (QLineEdit* line = widget->lineEdit()) {
      QObject::connect(line, &QLineEdit::textEdited, line, [this](const QString& text) { m_combo.UserEditText(ToStation(text)); });
    }
  }
  void SyncText(const std::string& text) override {
    auto* widget = static_cast<ComboWidget*>(Widget());
    if (widget->isEditable() && widget->currentText() != FromStation(text)) widget->setEditText(FromStation(text));
  }
  void SyncContent(std::uint32_t dirty) override {
    if (dirty & ui::kDirtyContent) SyncItems();
  }
  // The template's height of a drop-down combo box includes its list, as on Windows; what
  // stays on the page is the edit field, drawn at the height the style gives it. A simple
  // combo box shows its list below the field, so it fills its rectangle.
  QRect Placement(const ui::CRect& rect) const override {
    QRect placed = Binding::Placement(rect);
    if ((m_combo.GetStyle() & ui::CBS_TYPEMASK) != ui::CBS_SIMPLE) placed.setHeight(Widget()->sizeHint().height());
    return placed;
  }

 private:
  // QComboBox puts the current item's text into its field, and an index of -1 (or emptying the
  // list) empties it; the field shows the model's text instead, which may be what the user
  // typed. When that is the text the field had, the cursor stays where the user left it.
  void SyncItems() {
    auto* widget = static_cast<ComboWidget*>(Widget());
    const QSignalBlocker block(widget);
    QLineEdit* line = widget->lineEdit();
    const QString before = line ? line->text() : QString();
    const int cursor = line ? line->cursorPosition() : 0;
    QStringList items;
    for (const std::string& item : m_combo.Items()) items << FromStation(item);
    bool same = items.size() == widget->count();
    for (int i = 0; same && i < items.size(); ++i) same = widget->itemText(i) == items[i];
    if (!same) {
      widget->clear();
      widget->addItems(items);
    }
    widget->setCurrentIndex(m_combo.GetCurSel());
    if (line == nullptr) return;
    const QString text = FromStation(m_combo.GetWindowText());
    if (line->text() != text) line->setText(text);
    if (text == before && line->cursorPosition() != cursor) line->setCursorPosition(cursor);
  }
  ui::CComboBox& m_combo;
};

// ---- list boxes
class ListBoxBinding : public Binding {
 public:
  ListBoxBinding(ui::CListBox& list, QWidget* parent) : Binding(list, new QListView(parent)), m_list(list) {
    auto* view = static_cast<QListView*>(Widget());
    m_model = new ListBoxModel(list, view);
    view->setModel(m_model);
    view->setUniformItemSizes(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QObject::connect(view, &QListView::clicked, view, [this](const QModelIndex& index) { m_list.UserSelect(index.row()); });
  }
  void SyncContent(std::uint32_t dirty) override {
    auto* view = static_cast<QListView*>(Widget());
    m_model->SetLineHeight(view->fontMetrics().height() + 2);
    m_model->Sync(dirty);
    if (dirty & (ui::kDirtyContent | ui::kDirtyScroll)) {
      const int selection = m_list.GetCurSel();
      const QSignalBlocker block(view->selectionModel());
      if (selection >= 0 && selection < m_model->rowCount()) {
        const QModelIndex index = m_model->index(selection);
        view->setCurrentIndex(index);
        view->scrollTo(index);
      } else {
        view->clearSelection();
        const int top = m_list.GetTopIndex();
        if ((dirty & ui::kDirtyScroll) && top < m_model->rowCount()) {
          view->scrollTo(m_model->index(top), QAbstractItemView::PositionAtTop);
        }
      }
    }
  }

 private:
  ui::CListBox& m_list;
  ListBoxModel* m_model;
};

// ---- list views
class CellDelegate : public QStyledItemDelegate {
 public:
  CellDelegate(ui::CListCtrl& list, QObject* parent) : QStyledItemDelegate(parent), m_list(list) {}
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    if (!m_list.UserBeginEdit(index.row(), index.column())) return nullptr;
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      QObject::connect(line, &QLineEdit::textEdited, line, [this](const QString& text) { m_list.UserEditText(ToStation(text)); });
    }
    m_editor = editor;
    return editor;
  }
  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    if (m_list.CurrentEdit()) m_list.UserEndEdit(false);
    m_editor.clear();
    QStyledItemDelegate::destroyEditor(editor, index);
  }
  // The model ended the edit itself (its content changed): close the editor too.
  void CloseIfEnded() {
    if (m_editor && !m_list.CurrentEdit()) emit closeEditor(m_editor, QAbstractItemDelegate::NoHint);
  }

 private:
  ui::CListCtrl& m_list;
  mutable QPointer<QWidget> m_editor;
};

class ListCtrlBinding : public Binding {
 public:
  ListCtrlBinding(ui::CListCtrl& list, QWidget* parent) : Binding(list, new QTableView(parent)), m_list(list) {
    auto* view = static_cast<QTableView*>(Widget());
    m_model = new ListCtrlModel(list, view);
    m_delegate = new CellDelegate(list, view);
    view->setModel(m_model);
    view->setItemDelegate(m_delegate);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(list.GetRowHeight());
    view->verticalHeader()->setMinimumSectionSize(1);
    view->horizontalHeader()->setMinimumSectionSize(0);
    view->horizontalHeader()->setStretchLastSection(false);
    view->horizontalHeader()->setHighlightSections(false);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    view->setWordWrap(false);
    QObject::connect(view->horizontalHeader(), &QHeaderView::sectionClicked, view,
                     [this](int section) { m_list.UserColumnClick(section); });
    auto reportScroll = [this, view] {
      if (!m_syncing) m_list.UserScrolled(ui::CPoint{view->horizontalScrollBar()->value(), view->verticalScrollBar()->value()});
    };
    QObject::connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, view, reportScroll);
    QObject::connect(view->verticalScrollBar(), &QScrollBar::valueChanged, view, reportScroll);
  }
  void SyncContent(std::uint32_t dirty) override {
    auto* view = static_cast<QTableView*>(Widget());
    m_syncing = true;
    const bool columnsChanged = m_model->Sync(dirty);
    if (columnsChanged || (dirty & (ui::kDirtyGeometry | ui::kDirtyStructure))) {
      const auto& columns = m_model->Columns();
      for (std::size_t c = 0; c < columns.size(); ++c) view->setColumnWidth(static_cast<int>(c), columns[c].width);
      if (columns.empty()) view->setColumnWidth(0, std::max(m_list.GetWindowRect().Width() - 4, 0));
    }
    if (dirty & ui::kDirtyState) {
      const std::uint32_t style = m_list.GetStyle();
      const bool report = (style & ui::LVS_TYPEMASK) == ui::LVS_REPORT;
      view->horizontalHeader()->setVisible(report && !(style & ui::LVS_NOCOLUMNHEADER));
      view->horizontalHeader()->setSectionsClickable(!(style & ui::LVS_NOSORTHEADER));
      view->setShowGrid((m_list.GetExtendedStyle() & ui::LVS_EX_GRIDLINES) != 0);
      const Qt::ScrollBarPolicy bars = (style & ui::LVS_NOSCROLL) ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
      view->setHorizontalScrollBarPolicy(bars);
      view->setVerticalScrollBarPolicy(bars);
    }
    if (dirty & (ui::kDirtyContent | ui::kDirtyStructure | ui::kDirtyGeometry | ui::kDirtyState | ui::kDirtyFont)) {
      FitRowsOfAnUnscrolledList(*view);
    }
    if (dirty & ui::kDirtyScroll) {
      const ui::CPoint position = m_list.GetScrollPosition();
      view->horizontalScrollBar()->setValue(position.x);
      view->verticalScrollBar()->setValue(position.y);
    }
    m_delegate->CloseIfEnded();
    m_syncing = false;
  }

 private:
  // A disabled list (a legend) cannot be scrolled: its rows are made as short as it takes,
  // with a font to match, for all of them to show in its rectangle.
  void FitRowsOfAnUnscrolledList(QTableView& view) {
    const int listRowHeight = m_list.GetRowHeight();
    int rowHeight = listRowHeight;
    QFont font = ModelFont();
    const int rows = m_model->rowCount();
    if (!m_list.IsWindowEnabled() && rows > 0) {
      const int frame = view.frameWidth();
      const int header = view.horizontalHeader()->isVisible() ? view.horizontalHeader()->sizeHint().height() : 0;
      const int height = m_list.GetWindowRect().Height() - 2 * frame - header;
      rowHeight = std::clamp(height / rows, 1, listRowHeight);
      font = FontFittingHeight(font, rowHeight);
    }
    if (view.font() != font) view.setFont(font);
    if (view.verticalHeader()->defaultSectionSize() != rowHeight) view.verticalHeader()->setDefaultSectionSize(rowHeight);
  }

  ui::CListCtrl& m_list;
  ListCtrlModel* m_model;
  CellDelegate* m_delegate;
  bool m_syncing = false;
};

// ---- progress bars
class ProgressBinding : public Binding {
 public:
  ProgressBinding(ui::CProgressCtrl& bar, QWidget* parent) : Binding(bar, new QProgressBar(parent)), m_bar(bar) {
    static_cast<QProgressBar*>(Widget())->setTextVisible(false);
  }
  void SyncContent(std::uint32_t dirty) override {
    if (!(dirty & ui::kDirtyContent)) return;
    auto* widget = static_cast<QProgressBar*>(Widget());
    int lower = 0, upper = 0;
    m_bar.GetRange(lower, upper);
    widget->setRange(std::min(lower, upper), std::max(lower, upper));
    widget->setValue(m_bar.GetPos());
  }

 private:
  ui::CProgressCtrl& m_bar;
};

class ContainerBinding : public Binding {
 public:
  ContainerBinding(ui::CWnd& window, QWidget* widget, bool followsGeometry)
      : Binding(window, widget), m_followsGeometry(followsGeometry) {}

 protected:
  bool FollowsModelGeometry() const override { return m_followsGeometry; }

 private:
  bool m_followsGeometry;
};

}  // namespace

std::unique_ptr<Binding> MakeControlBinding(ui::CWnd& window, QWidget* parent) {
  ui::DrawList probe;
  switch (window.Kind()) {
    case ui::ControlKind::Static:
      return std::make_unique<StaticBinding>(window, parent);
    case ui::ControlKind::Edit:
      if (window.BuildDrawing(probe)) return std::make_unique<DrawnBinding>(window, parent);
      return std::make_unique<EditBinding>(static_cast<ui::CEdit&>(window), parent);
    case ui::ControlKind::Button: {
      auto& button = static_cast<ui::CButton&>(window);
      switch (button.GetButtonStyle()) {
        case ui::BS_GROUPBOX:
          return std::make_unique<GroupBinding>(window, parent);
        case ui::BS_CHECKBOX:
        case ui::BS_AUTOCHECKBOX:
        case ui::BS_3STATE:
        case ui::BS_AUTO3STATE:
          return std::make_unique<CheckBinding>(button, parent, false);
        case ui::BS_RADIOBUTTON:
        case ui::BS_AUTORADIOBUTTON:
          return std::make_unique<CheckBinding>(button, parent, true);
        default:
          return std::make_unique<PushBinding>(button, parent);
      }
    }
    case ui::ControlKind::ComboBox:
      if (auto* checkCombo = dynamic_cast<ui::CCheckComboBox*>(&window)) return MakeCheckComboBinding(*checkCombo, parent);
      return std::make_unique<ComboBinding>(static_cast<ui::CComboBox&>(window), parent);
    case ui::ControlKind::ListBox:
      return std::make_unique<ListBoxBinding>(static_cast<ui::CListBox&>(window), parent);
    case ui::ControlKind::ListCtrl:
      return std::make_unique<ListCtrlBinding>(static_cast<ui::CListCtrl&>(window), parent);
    case ui::ControlKind::ProgressCtrl:
      return std::make_unique<ProgressBinding>(static_cast<ui::CProgressCtrl&>(window), parent);
    default:
      if (window.BuildDrawing(probe)) return std::make_unique<DrawnBinding>(window, parent);
      return nullptr;
  }
}

std::unique_ptr<Binding> MakeContainerBinding(ui::CWnd& window, QWidget* widget, bool followsModelGeometry) {
  return std::make_unique<ContainerBinding>(window, widget, followsModelGeometry);
}

}  // namespace uiqt
