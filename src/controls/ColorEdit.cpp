#include "controls/ColorEdit.h"

#include <algorithm>

#include "platform/StationSettings.h"
#include "platform/Text.h"

namespace {

// The pieces of a wrapped text; one that ends with "*" brings the separator of the field after
// it, which is no piece of its own.
std::vector<std::string> PiecesOf(std::string_view wrapped) {
  std::vector<std::string> pieces = platform::Split(wrapped, '*');
  while (!pieces.empty() && pieces.back().empty()) pieces.pop_back();
  return pieces;
}

// The number of fields from `at` on that are the pieces of one wrapped text (0 when they are
// none), with the text they make up, trimmed.
std::size_t WrappedRunAt(const std::vector<std::string>& fields, std::size_t at,
                         const std::vector<std::vector<std::string>>& wrappedPieces, std::string& whole) {
  for (const std::vector<std::string>& pieces : wrappedPieces) {
    if (pieces.size() < 2 || pieces.size() > fields.size() - at) continue;
    if (!std::equal(pieces.begin(), pieces.end(), fields.begin() + static_cast<std::ptrdiff_t>(at))) continue;
    std::string joined;
    for (const std::string& piece : pieces) joined += piece;
    whole = platform::Trim(joined);
    return pieces.size();
  }
  return 0;
}

}  // namespace

CColorEdit::TextMember& CColorEdit::TextMember::operator=(std::string_view text) {
  {
    std::lock_guard<std::recursive_mutex> guard(m_owner.StateLock());
    if (m_owner.*m_member == text) return *this;
    (m_owner.*m_member).assign(text);
  }
  m_owner.Invalidate();
  return *this;
}

std::string CColorEdit::TextMember::Get() const {
  std::lock_guard<std::recursive_mutex> guard(m_owner.StateLock());
  return m_owner.*m_member;
}

CColorEdit::CColorEdit() { ModifyStyle(0, ui::ES_READONLY); }

void CColorEdit::SetTextSize(int height, int width) {
  const int configuredHeight = settings::ReadInt(settings::keys::ColorEditTextH);
  const int configuredWidth = settings::ReadInt(settings::keys::ColorEditTextW);
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    m_textHeight = configuredHeight > 0 ? configuredHeight : std::max(height, 0);
    m_textWidth = configuredWidth > 0 ? configuredWidth : std::max(width, 0);
  }
  Invalidate();
}

int CColorEdit::GetTextHeight() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_textHeight;
}

int CColorEdit::GetTextWidth() const {
  std::lock_guard<std::recursive_mutex> guard(StateLock());
  return m_textWidth;
}

void CColorEdit::Clear() { SetWindowText(""); }

void CColorEdit::SetWrappedTexts(const std::vector<std::string>& texts) {
  std::vector<std::vector<std::string>> pieces;
  for (const std::string& text : texts) pieces.push_back(PiecesOf(text));
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    m_wrappedPieces = std::move(pieces);
  }
  Invalidate();
}

CColorEdit::Painting CColorEdit::PaintPlan() const {
  Painting painting;
  painting.textColor = GetTextColor();
  painting.backgroundColor = GetBkColor();
  std::string state, main, sub, text;
  std::vector<std::vector<std::string>> wrappedPieces;
  int height, width;
  {
    std::lock_guard<std::recursive_mutex> guard(StateLock());
    state = m_stateText;
    main = m_mainText;
    sub = m_subText;
    height = m_textHeight;
    width = m_textWidth;
    text = GetWindowText();
    wrappedPieces = m_wrappedPieces;
  }
  if (!state.empty()) painting.lines.push_back(PaintLine{state, height, width, true});
  std::vector<std::string> fields;
  const std::vector<std::string> pieces = platform::Split(text, '*');
  for (std::size_t at = 0; at < pieces.size();) {
    std::string field;
    const std::size_t run = WrappedRunAt(pieces, at, wrappedPieces, field);
    if (run == 0) field = pieces[at];
    at += std::max<std::size_t>(run, 1);
    if (!field.empty()) fields.push_back(std::move(field));
  }
  if (!fields.empty() && !state.empty() && fields.front() == state) fields.erase(fields.begin());
  for (const std::string& field : fields) painting.lines.push_back(PaintLine{field, height, width, false});
  if (!main.empty() && std::find(fields.begin(), fields.end(), main) == fields.end() && main != state) {
    painting.lines.push_back(PaintLine{main, height, width, false});
  }
  if (!sub.empty()) painting.lines.push_back(PaintLine{sub, height * 2 / 3, width * 2 / 3, false});
  return painting;
}

bool CColorEdit::BuildDrawing(ui::DrawList& drawing) const {
  const Painting painting = PaintPlan();
  const ui::CRect client = GetClientRect();
  ui::DrawCommand background;
  background.kind = ui::DrawCommand::Kind::FillRect;
  background.rect = client;
  background.color = painting.backgroundColor;
  drawing.push_back(background);

  // Lines stack in the middle of the cell; a line of the default font counts 16 pixels. When
  // the lines are taller than the cell (a pass text with model, serial and statistics), every
  // line's font shrinks by the same factor, down to 8 pixels, so that each field stays readable
  // instead of running out of the cell.
  auto fontHeight = [](const PaintLine& line) { return line.height > 0 ? line.height : 16; };
  const int gaps = 2 * static_cast<int>(painting.lines.size());
  int fonts = 0;
  for (const PaintLine& line : painting.lines) fonts += fontHeight(line);
  const int room = std::max(client.Height() - gaps, 0);
  const bool shrink = fonts > room;
  auto scaled = [&](int size, int smallest) {
    if (!shrink || size <= 0) return size;
    return std::max(smallest, size * room / fonts);
  };
  auto lineHeight = [&](const PaintLine& line) { return scaled(fontHeight(line), 8) + 2; };
  int total = 0;
  for (const PaintLine& line : painting.lines) total += lineHeight(line);
  int top = client.top + std::max(0, (client.Height() - total) / 2);
  for (const PaintLine& line : painting.lines) {
    ui::DrawCommand command;
    command.kind = ui::DrawCommand::Kind::Text;
    command.rect = ui::CRect(client.left + 2, top, client.right - 2, top + lineHeight(line));
    command.color = painting.textColor;
    command.text = line.text;
    command.font.lfHeight = line.height > 0 || shrink ? -scaled(fontHeight(line), 8) : 0;
    command.font.lfWidth = scaled(line.width, 1);
    command.font.lfWeight = line.bold ? ui::FW_BOLD : ui::FW_NORMAL;
    command.align = ui::HorizontalAlign::Center;
    drawing.push_back(command);
    top += lineHeight(line);
  }
  return true;
}
