#include "ui/qt/ListModels.h"

#include <QSize>

#include "ui/qt/Convert.h"

namespace uiqt {

ListCtrlModel::ListCtrlModel(ui::CListCtrl& list, QObject* parent) : QAbstractTableModel(parent), m_list(list) {}

int ListCtrlModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

int ListCtrlModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  // A list without columns (icon and list views) shows each row's first cell.
  return m_columns.empty() ? 1 : static_cast<int>(m_columns.size());
}

QVariant ListCtrlModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return QVariant();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
      const std::optional<ui::ListCell> cell = m_list.GetCell(index.row(), index.column());
      return cell ? QVariant(FromStation(cell->text)) : QVariant();
    }
    case Qt::BackgroundRole:
    case Qt::ForegroundRole: {
      const std::optional<ui::ListCell> cell = m_list.GetCell(index.row(), index.column());
      if (!cell) return QVariant();
      const QColor color = ToQColor(role == Qt::BackgroundRole ? cell->bkColor : cell->textColor);
      return color.isValid() ? QVariant(color) : QVariant();
    }
    case Qt::TextAlignmentRole: {
      const int column = index.column();
      const int format = column < static_cast<int>(m_columns.size()) ? m_columns[static_cast<std::size_t>(column)].format
                                                                      : ui::LVCFMT_LEFT;
      const Qt::Alignment horizontal = format == ui::LVCFMT_CENTER  ? Qt::AlignHCenter
                                       : format == ui::LVCFMT_RIGHT ? Qt::AlignRight
                                                                    : Qt::AlignLeft;
      return QVariant(static_cast<int>(horizontal | Qt::AlignVCenter));
    }
    default:
      return QVariant();
  }
}

QVariant ListCtrlModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
  if (section < 0 || section >= static_cast<int>(m_columns.size())) return QVariant();
  return FromStation(m_columns[static_cast<std::size_t>(section)].heading);
}

Qt::ItemFlags ListCtrlModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (index.isValid() && m_list.CellEditingAllowed()) result |= Qt::ItemIsEditable;
  return result;
}

bool ListCtrlModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid()) return false;
  const std::optional<ui::CellEdit> edit = m_list.CurrentEdit();
  if (!edit || edit->row != index.row() || edit->column != index.column()) return false;
  m_list.UserEditText(ToStation(value.toString()));
  m_list.UserEndEdit(true);
  return true;
}

bool ListCtrlModel::Sync(std::uint32_t dirty) {
  const std::vector<ui::ListColumn> columns = m_list.GetColumns();
  const int rows = m_list.GetItemCount();
  const std::uint64_t serial = m_list.StructureSerial();
  const bool columnsChanged = columns != m_columns;
  if (columnsChanged || serial != m_serial || rows < m_rows) {
    beginResetModel();
    m_columns = columns;
    m_rows = rows;
    m_serial = serial;
    endResetModel();
    return columnsChanged;
  }
  if (rows > m_rows) {
    beginInsertRows(QModelIndex(), m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
  }
  if ((dirty & (ui::kDirtyContent | ui::kDirtyPaint)) && m_rows > 0) {
    emit dataChanged(index(0, 0), index(m_rows - 1, columnCount() - 1));
  }
  return false;
}

ListBoxModel::ListBoxModel(ui::CListBox& list, QObject* parent) : QAbstractListModel(parent), m_list(list) {}

int ListBoxModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_rows; }

QVariant ListBoxModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return QVariant();
  if (role == Qt::DisplayRole) {
    std::string text;
    if (m_list.GetText(index.row(), text) == ui::LB_ERR) return QVariant();
    return FromStation(text);
  }
  if (role == Qt::SizeHintRole && m_extent > 0) return QSize(m_extent, m_lineHeight);
  return QVariant();
}

void ListBoxModel::Sync(std::uint32_t dirty) {
  const int rows = m_list.GetCount();
  const std::uint64_t serial = m_list.StructureSerial();
  const int extent = m_list.GetHorizontalExtent();
  if (serial != m_serial || rows < m_rows || extent != m_extent) {
    beginResetModel();
    m_rows = rows;
    m_serial = serial;
    m_extent = extent;
    endResetModel();
    return;
  }
  if (rows > m_rows) {
    beginInsertRows(QModelIndex(), m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
  }
  if ((dirty & ui::kDirtyContent) && m_rows > 0) emit dataChanged(index(0), index(m_rows - 1));
}

}  // namespace uiqt
