#pragma once
// CResultControls: the view of the report readers (ResultView.h) over a result page's own
// controls. A page binds the controls it has to the roles; a role without a control is
// dropped. The controls take the calls from any thread (the page's worker reads reports too).
#include <array>

#include "pages/results/ResultView.h"
#include "ui/ListBox.h"
#include "ui/ListCtrl.h"

class CResultControls final : public CResultView {
 public:
  void BindReportLines(ui::CListBox* lines) { m_lines = lines; }
  void BindList(ResultList role, ui::CListCtrl* list) { m_lists[static_cast<std::size_t>(role)] = list; }
  void BindBox(ResultBox role, ui::CWnd* box) { m_boxes[static_cast<std::size_t>(role)] = box; }

  void ClearReportLines() override;
  void AddReportLine(std::string_view line) override;
  void SelectLastReportLine() override;
  void DebugLine(std::string_view text) override;
  void ClearRows(ResultList list) override;
  int InsertRow(ResultList list, int row, std::span<const std::string_view> cells) override;
  void SetCell(ResultList list, int row, int column, std::string_view text) override;
  void SetBox(ResultBox box, std::string_view text) override;

 private:
  ui::CListCtrl* List(ResultList role) const { return m_lists[static_cast<std::size_t>(role)]; }

  ui::CListBox* m_lines = nullptr;
  std::array<ui::CListCtrl*, kResultListCount> m_lists{};
  std::array<ui::CWnd*, kResultBoxCount> m_boxes{};
};
