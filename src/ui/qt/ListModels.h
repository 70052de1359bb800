#pragma once
// Qt item models over the model's list controls. They read cells on demand (under the
// control's lock), so a large coloured grid costs no widget per cell; Sync brings Qt's idea
// of the rows and columns up to date on the user-interface thread.
#include <QAbstractListModel>
#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

#include "ui/ListBox.h"
#include "ui/ListCtrl.h"

namespace uiqt {

class ListCtrlModel : public QAbstractTableModel {
 public:
  explicit ListCtrlModel(ui::CListCtrl& list, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  // Applies what the dirty bits name; true when the columns changed (widths to set again).
  bool Sync(std::uint32_t dirty);
  const std::vector<ui::ListColumn>& Columns() const { return m_columns; }

 private:
  ui::CListCtrl& m_list;
  std::vector<ui::ListColumn> m_columns;
  int m_rows = 0;
  std::uint64_t m_serial = ~std::uint64_t{0};
};

class ListBoxModel : public QAbstractListModel {
 public:
  explicit ListBoxModel(ui::CListBox& list, QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  void Sync(std::uint32_t dirty);
  void SetLineHeight(int pixels) { m_lineHeight = pixels; }

 private:
  ui::CListBox& m_list;
  int m_rows = 0;
  int m_extent = 0;
  int m_lineHeight = 16;
  std::uint64_t m_serial = ~std::uint64_t{0};
};

}  // namespace uiqt
