#include "controls/rich_format_buttons.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gfx/resources.h"

namespace {

// The buttons' glyphs, 16 × 16 pixel art of our own ('#' black, '.' the key colour).
const std::string kGlyphColors = "#=000000 .=FF00FF";

// A glyph drawn one row a line (the rows below the last one given are blank).
TPixelArt Drawing(const char* Rows) {
  std::vector<std::string> rows;
  std::istringstream lines(Rows);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) rows.push_back(line);
  rows.resize(16, std::string(16, '.'));
  return {kGlyphColors, rows};
}

// Lines of text in a paragraph: long ones on rows 2, 6 and 10, short ones of 8 pixels on rows
// 4, 8 and 12 starting at ShortLeft (the paragraph's alignment).
TPixelArt AlignmentGlyph(int ShortLeft) {
  const std::string blank(16, '.'), full = "..############..";
  std::string part = blank;
  part.replace(static_cast<std::size_t>(ShortLeft), 8, 8, '#');
  std::vector<std::string> rows(16, blank);
  for (int r : {2, 6, 10}) rows[static_cast<std::size_t>(r)] = full;
  for (int r : {4, 8, 12}) rows[static_cast<std::size_t>(r)] = part;
  return {kGlyphColors, rows};
}

struct TGlyph {
  const char* Name;
  TPixelArt Art;
};

const std::vector<TGlyph>& Glyphs() {
  static const std::vector<TGlyph> kGlyphs{
      {"BOLD", Drawing(R"(
................
................
...########.....
....###...###...
....###...###...
....###...###...
....########....
....###....###..
....###....###..
....###....###..
....###....###..
...##########...
)")},
      {"ITALIC", Drawing(R"(
................
................
.......######...
.........##.....
.........##.....
........##......
........##......
.......##.......
.......##.......
......##........
......##........
....######......
)")},
      {"UNDERLINE", Drawing(R"(
................
................
...####..####...
....##....##....
....##....##....
....##....##....
....##....##....
....##....##....
....##....##....
.....##..##.....
......####......
................
...##########...
)")},
      {"STRIKEOUT", Drawing(R"(
................
................
.....#####......
....##...##.....
....##..........
.....###........
..############..
........###.....
..........##....
....##...##.....
.....#####......
)")},
      {"ALIGNLEFT", AlignmentGlyph(2)},
      {"ALIGNCENTER", AlignmentGlyph(4)},
      {"ALIGNRIGHT", AlignmentGlyph(6)},
      {"COPYTEXT", Drawing(R"(
................
.#######........
.#.....#........
.#.###.#........
.#...#######....
.#.###.....#....
.#...#.###.#....
.#####.....#....
.....#.###.#....
.....#.....#....
.....#.###.#....
.....#.....#....
.....#######....
)")},
      {"PASTETEXT", Drawing(R"(
................
......####......
..####.##.####..
..#..........#..
..#.########.#..
..#..........#..
..#.########.#..
..#..........#..
..#.########.#..
..#..........#..
..#.#####....#..
..#..........#..
..############..
)")},
      {"BULLET", Drawing(R"(
................
................
..##............
..##..########..
................
................
..##............
..##..########..
................
................
..##............
..##..########..
)")},
  };
  return kGlyphs;
}

void RegisterGlyphs() {
  static const bool done = [] {
    for (const TGlyph& glyph : Glyphs()) {
      const TPixelArt* art = &glyph.Art;
      RegisterBitmapResource(glyph.Name, [art](TBitmap& bmp) {
        TCursorImage image = PaintPixelArt(*art);
        bmp.SetPixelFormat(pf24bit);
        bmp.SetSize(image.Width, image.Height);
        for (int y = 0; y < image.Height; ++y)
          for (int x = 0; x < image.Width; ++x) {
            std::uint32_t p = image.PixelAt(x, y);
            bmp.Canvas().SetPixel(x, y, static_cast<TColor>(RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF)));
          }
      });
    }
    return true;
  }();
  (void)done;
}

}  // namespace

const TBitmap* RichToolGlyph(const std::string& Name) {
  RegisterGlyphs();
  return FindBitmapResource(Name);
}

TConsistentAttribute FontStyleToConsistentAttribute(TFontStyle Style) {
  switch (Style) {
    case fsBold: return caBold;
    case fsItalic: return caItalic;
    case fsUnderline: return caUnderline;
    case fsStrikeOut: return caStrikeOut;
  }
  throw Exception("FontStyleToConsistentAttribute() Invalid style.");
}

void SetFontStyle(TCustomRichEdit& RichEdit, TFontStyles Styles, bool Add) {
  TNotifyEvent change = RichEdit.OnChange, selection = RichEdit.OnSelectionChange;
  RichEdit.OnChange = nullptr;
  RichEdit.OnSelectionChange = nullptr;
  const int start = RichEdit.SelStart(), length = RichEdit.SelLength();
  auto restore = [&] {
    RichEdit.SetSelStart(start);
    RichEdit.SetSelLength(length);
    RichEdit.OnChange = change;
    RichEdit.OnSelectionChange = selection;
  };
  try {
    if (length >= 1) {
      RichEdit.Lines().BeginUpdate();
      for (int p = start; p < start + length; ++p) {
        RichEdit.SetSelStart(p);
        RichEdit.SetSelLength(1);
        TFontStyles s = RichEdit.SelAttributes().Style();
        s = Add ? s + Styles : s - Styles;
        RichEdit.SelAttributes().SetStyle(s);
      }
      RichEdit.Lines().EndUpdate();
    } else if (RichEdit.HandleAllocated()) {
      CHARFORMAT cf;
      cf.cbSize = 60;
      const struct { TFontStyle Style; DWORD Mask; DWORD Effect; } kBits[] = {
          {fsBold, CFM_BOLD, CFE_BOLD}, {fsItalic, CFM_ITALIC, CFE_ITALIC},
          {fsUnderline, CFM_UNDERLINE, CFE_UNDERLINE}, {fsStrikeOut, CFM_STRIKEOUT, CFE_STRIKEOUT}};
      for (const auto& b : kBits)
        if (Styles.Contains(b.Style)) {
          cf.dwMask = b.Mask;
          break;
        }
      if (Add)
        for (const auto& b : kBits)
          if (Styles.Contains(b.Style)) cf.dwEffects |= b.Effect;
      RichEdit.Perform(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    }
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

// ---- TCustomRichButton ---------------------------------------------------------------------------

bool& TCustomRichButton::Busy() {
  static bool busy = false;
  return busy;
}

TCustomRichButton::TCustomRichButton(TComponent* AOwner) : TSpeedButton(AOwner) {
  Busy() = false;
  SetTransparent(false);
  SetBounds(Left(), Top(), 23, 22);
}

TCustomRichButton::~TCustomRichButton() {
  if (FRichEdit) FRichEdit->RemoveFreeNotification(this);
}

void TCustomRichButton::LoadGlyph(const char* resource) {
  RegisterGlyphs();
  if (const TBitmap* b = FindBitmapResource(resource)) SetGlyph(*b);
}

void TCustomRichButton::SetRichEdit(TCustomRichEdit* value) {
  if (FRichEdit) FRichEdit->RemoveFreeNotification(this);
  FRichEdit = value;
  if (value) value->FreeNotification(this);
  if (!Busy()) {
    UpdateState();
    Invalidate();
  }
}

void TCustomRichButton::Notification(TComponent* AComponent, TOperation Operation) {
  TSpeedButton::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FRichEdit) FRichEdit = nullptr;
}

void TCustomRichButton::SetParent(TWinControl* parent) {
  TSpeedButton::SetParent(parent);
  if (GroupIndex() != 0 || !parent) return;
  int highest = 0;
  for (int i = 0; i < parent->ControlCount(); ++i)
    if (auto* b = dynamic_cast<TSpeedButton*>(parent->Controls(i))) highest = std::max(highest, b->GroupIndex());
  SetGroupIndex(highest + 1);
  SetAllowAllUp(true);
}

void TCustomRichButton::UpdateState() {
  if (!FRichEdit) return;
  TFontStyle style;
  TAlignment alignment;
  TNumberingStyle numbering;
  if (GetFontStyle(style)) {
    FMixed = FRichEdit->SelLength() >= 1 &&
             !FRichEdit->SelAttributes().ConsistentAttributes().Contains(FontStyleToConsistentAttribute(style));
    if (!FMixed) SetDown(FRichEdit->SelAttributes().Style().Contains(style));
  } else if (GetAlignment(alignment)) {
    SetDown(FRichEdit->Paragraph().Alignment() == alignment);
  } else if (GetNumbering(numbering)) {
    SetDown(FRichEdit->Paragraph().Numbering() == numbering);
  }
  Invalidate();
}

void TCustomRichButton::Paint() {
  if (!Parent()) throw Exception("TCustomRichButton.Paint() Parent is not assigned.");
  TSpeedButton::Paint();
}

void TCustomRichButton::PaintFrame(TCanvas& canvas, TRect& rect) {
  if (!FMixed) {
    TSpeedButton::PaintFrame(canvas, rect);
    return;
  }
  // The mixed look: a pressed frame over a dither of button face and highlight.
  TRect face = ClientRect();
  canvas.DrawEdge(face, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  for (int y = face.Top; y < face.Bottom; ++y)
    for (int x = face.Left; x < face.Right; ++x) canvas.SetPixel(x, y, ((x + y) & 1) ? clBtnFace : clBtnHighlight);
  rect = face;
}

void TCustomRichButton::Click() {
  TSpeedButton::Click();
  if (Busy()) return;
  Busy() = true;
  try {
    if (FMixed) {
      FMixed = false;
      SetDown(false);
      Invalidate();
    }
    if (FRichEdit) {
      TFontStyle style;
      TAlignment alignment;
      TNumberingStyle numbering;
      if (GetFontStyle(style)) {
        SetFontStyle(*FRichEdit, TFontStyles{style}, Down());
      } else if (GetAlignment(alignment)) {
        FRichEdit->Paragraph().SetAlignment(alignment);
      } else if (GetNumbering(numbering)) {
        FRichEdit->Paragraph().SetNumbering(Down() ? numbering : nsNone);
      }
    }
  } catch (...) {
    Busy() = false;
    throw;
  }
  Busy() = false;
  // The other buttons of the same editor show the new format at once (one alignment replaces
  // another; the caret need not move first).
  if (FRichEdit && Parent())
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TCustomRichButton*>(Parent()->Controls(i)); b && b != this && b->FRichEdit == FRichEdit)
        b->UpdateState();
}
