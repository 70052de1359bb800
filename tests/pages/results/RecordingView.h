#pragma once
// A view of the report readers that keeps what they did: the report lines, the rows of every
// list (a cell set on a row that does not exist changes nothing, as on a list control) and the
// last text of every box.
#include <array>
#include <map>
#include <string>
#include <vector>

#include "pages/results/ResultView.h"

namespace resultstest {

class RecordingView final : public CResultView {
 public:
  using Row = std::vector<std::string>;

  void ClearReportLines() override {
    lines.clear();
    selected = -1;
  }
  void AddReportLine(std::string_view line) override { lines.emplace_back(line); }
  void SelectLastReportLine() override { selected = lines.empty() ? -1 : static_cast<int>(lines.size()) - 1; }
  void DebugLine(std::string_view text) override { debug.emplace_back(text); }
  void ClearRows(ResultList list) override { Rows(list).clear(); }
  int InsertRow(ResultList list, int row, std::span<const std::string_view> cells) override {
    std::vector<Row>& rows = Rows(list);
    const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(row < 0 ? 0 : row), rows.size());
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(at), Row(cells.begin(), cells.end()));
    return static_cast<int>(at);
  }
  void SetCell(ResultList list, int row, int column, std::string_view text) override {
    std::vector<Row>& rows = Rows(list);
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size() || column < 0) return;
    Row& cells = rows[static_cast<std::size_t>(row)];
    if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(static_cast<std::size_t>(column) + 1);
    cells[static_cast<std::size_t>(column)] = std::string(text);
  }
  void SetBox(ResultBox box, std::string_view text) override { boxes[box] = std::string(text); }

  std::vector<Row>& Rows(ResultList list) { return lists[static_cast<std::size_t>(list)]; }
  const std::vector<Row>& Rows(ResultList list) const { return lists[static_cast<std::size_t>(list)]; }
  std::string Box(ResultBox box) const {
    const auto found = boxes.find(box);
    return found == boxes.end() ? "<unset>" : found->second;
  }
  // The text of a cell; "<none>" when the row or the column is missing.
  std::string Cell(ResultList list, int row, int column) const {
    const std::vector<Row>& rows = Rows(list);
    if (row < 0 || static_cast<std::size_t>(row) >= rows.size()) return "<none>";
    const Row& cells = rows[static_cast<std::size_t>(row)];
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)] : "<none>";
  }
  friend bool operator==(const RecordingView& a, const RecordingView& b) {
    return a.lines == b.lines && a.selected == b.selected && a.lists == b.lists && a.boxes == b.boxes &&
           a.debug == b.debug;
  }

  std::vector<std::string> lines;
  int selected = -1;
  std::vector<std::string> debug;
  std::array<std::vector<Row>, kResultListCount> lists;
  std::map<ResultBox, std::string> boxes;
};

}  // namespace resultstest
