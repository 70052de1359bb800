#pragma once
// CColorEdit: the status cell of a slot and the read-only status box of a page. An edit
// control that paints itself with its colour pair (it is a CColorSet) and carries, besides
// its window text, three texts: the state word, the main text and the sub text. Worker
// threads set all of them.
//
// What the cell paints, top to bottom, centred, over its background colour and in its text
// colour (PaintPlan):
//  1. the state word, in bold, when it is not empty;
//  2. the fields of the window text (fields are separated by "*"; empty fields are left
//     out), without a first field that repeats the state word; the pieces of a wrapped text
//     (SetWrappedTexts) stand on one line, as the one text they are;
//  3. the main text, when it is not empty and not already one of those fields;
//  4. the sub text, when it is not empty, at two thirds of the text height.
// The text height and width are those of SetTextSize (0: the control's default font).
#include <string>
#include <string_view>
#include <vector>

#include "controls/ColorSet.h"
#include "ui/Edit.h"

class CColorEdit : public ui::CEdit, public CColorSet {
 public:
  // One of the three texts, handed out for assignment: `cell.GetStateText() = "Error";`
  // reads and writes go through the cell's lock and repaint the cell.
  class TextMember {
   public:
    TextMember& operator=(std::string_view text);
    operator std::string() const { return Get(); }
    std::string Get() const;

   private:
    friend class CColorEdit;
    TextMember(CColorEdit& owner, std::string CColorEdit::*member) : m_owner(owner), m_member(member) {}
    CColorEdit& m_owner;
    std::string CColorEdit::*m_member;
  };

  struct PaintLine {
    std::string text;
    int height = 0;  // character height in pixels; 0: the default font
    int width = 0;   // average character width; 0: the face's own
    bool bold = false;
    friend bool operator==(const PaintLine&, const PaintLine&) = default;
  };
  struct Painting {
    ui::COLORREF textColor = 0;
    ui::COLORREF backgroundColor = 0;
    std::vector<PaintLine> lines;
  };

  CColorEdit();

  TextMember GetStateText() { return TextMember(*this, &CColorEdit::m_stateText); }
  TextMember GetMainText() { return TextMember(*this, &CColorEdit::m_mainText); }
  TextMember GetSubText() { return TextMember(*this, &CColorEdit::m_subText); }

  // (height, width) of the painted text; ColorEditTextH / ColorEditTextW of [General Info] in
  // MPToolSetting.ini take precedence when they are set (greater than 0).
  void SetTextSize(int height, int width);
  int GetTextHeight() const;
  int GetTextWidth() const;

  // Empties the window text (the edit control's clear message on the whole contents).
  void Clear();

  // Texts that the window text may hold whose "*" cut one text into pieces (a drive's model or
  // serial number after every ten characters) instead of separating fields: where the window
  // text holds one, its pieces are painted as the one text they make up.
  void SetWrappedTexts(const std::vector<std::string>& texts);

  Painting PaintPlan() const;
  bool BuildDrawing(ui::DrawList& drawing) const override;

 protected:
  void OnColorChanged() override { Invalidate(); }

 private:
  std::string m_stateText;
  std::string m_mainText;
  std::string m_subText;
  std::vector<std::vector<std::string>> m_wrappedPieces;  // of each wrapped text
  int m_textHeight = 0;
  int m_textWidth = 0;
};
