#include "platform/ui/mask_edit.h"

#include <algorithm>

#include "platform/rtl/format_settings.h"
#include "platform/rtl/sysutils.h"

namespace {

// The code point at a byte offset, and its length.
char32_t DecodeAt(const std::string& s, std::size_t i, std::size_t& length) {
  auto b = static_cast<unsigned char>(s[i]);
  int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
  char32_t cp = extra == 3 ? (b & 0x07) : extra == 2 ? (b & 0x0F) : extra == 1 ? (b & 0x1F) : b;
  length = 1;
  for (int k = 0; k < extra && i + length < s.size(); ++k, ++length) {
    auto c = static_cast<unsigned char>(s[i + length]);
    if ((c & 0xC0) != 0x80) break;
    cp = (cp << 6) | (c & 0x3F);
  }
  return cp;
}

std::vector<std::string> CodePoints(const std::string& s) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.size();) {
    std::size_t n = 0;
    DecodeAt(s, i, n);
    out.push_back(s.substr(i, n));
    i += n;
  }
  return out;
}

bool IsDigit(char32_t c) { return c >= '0' && c <= '9'; }
bool IsLetter(char32_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0; }

std::string Join(const std::vector<std::string>& cells) {
  std::string out;
  for (const auto& c : cells) out += c;
  return out;
}

}  // namespace

// ---- TEditMask ------------------------------------------------------------------------------

TEditMask::TEditMask(const std::string& mask) {
  // Fields are separated by ';' that no backslash escapes.
  std::vector<std::string> fields(1);
  for (std::size_t i = 0; i < mask.size(); ++i) {
    if (mask[i] == '\\' && i + 1 < mask.size()) {
      fields.back() += mask.substr(i, 2);
      ++i;
    } else if (mask[i] == ';' && fields.size() < 3) {
      fields.emplace_back();
    } else {
      fields.back() += mask[i];
    }
  }
  if (fields.size() > 1 && !fields[1].empty()) FSaveLiterals = fields[1][0] != '0';
  if (fields.size() > 2 && !fields[2].empty()) FBlank = fields[2][0];

  const std::string& m = fields[0];
  int caseMode = 0;
  for (std::size_t i = 0; i < m.size();) {
    char c = m[i];
    TPosition p;
    switch (c) {
      case '!': ++i; continue;
      case '>':
        if (i + 1 < m.size() && m[i + 1] == '<') { caseMode = 0; i += 2; } else { caseMode = 1; ++i; }
        continue;
      case '<':
        if (i + 1 < m.size() && m[i + 1] == '>') { caseMode = 0; i += 2; } else { caseMode = -1; ++i; }
        continue;
      case '\\': {
        ++i;
        if (i >= m.size()) continue;
        std::size_t n = 0;
        DecodeAt(m, i, n);
        p.Text = m.substr(i, n);
        i += n;
        FPositions.push_back(p);
        continue;
      }
      case '0': case '9': case '#': case 'L': case 'l': case 'A': case 'a': case 'C': case 'c':
        p.Literal = false;
        p.Kind = c;
        p.Required = c == '0' || c == 'L' || c == 'A' || c == 'C';
        p.CaseMode = caseMode;
        ++i;
        FPositions.push_back(p);
        continue;
      case '/': p.Text = std::string(1, FormatSettings.DateSeparator); ++i; break;
      case ':': p.Text = std::string(1, FormatSettings.TimeSeparator); ++i; break;
      case '_': p.Text = " "; ++i; break;
      default: {
        std::size_t n = 0;
        DecodeAt(m, i, n);
        p.Text = m.substr(i, n);
        i += n;
        break;
      }
    }
    FPositions.push_back(p);
  }
}

std::string TEditMask::EmptyEditText() const {
  std::string out;
  for (const auto& p : FPositions) out += p.Literal ? p.Text : std::string(1, FBlank);
  return out;
}

std::string TEditMask::Accept(std::size_t position, char32_t ch) const {
  if (position >= FPositions.size() || FPositions[position].Literal) return "";
  const TPosition& p = FPositions[position];
  bool ok = false;
  switch (p.Kind) {
    case '0': case '9': ok = IsDigit(ch); break;
    case '#': ok = IsDigit(ch) || ch == '+' || ch == '-'; break;
    case 'L': case 'l': ok = IsLetter(ch); break;
    case 'A': case 'a': ok = IsLetter(ch) || IsDigit(ch); break;
    default: ok = ch >= 0x20 && ch != 0x7F; break;
  }
  if (!ok) return "";
  std::string s = Utf8Encode(ch);
  if (p.CaseMode > 0) s = AnsiUpperCase(s);
  if (p.CaseMode < 0) s = AnsiLowerCase(s);
  return s;
}

std::vector<std::string> TEditMask::Fit(const std::string& value, bool withLiterals) const {
  std::vector<std::string> cells;
  for (const auto& p : FPositions) cells.push_back(p.Literal ? p.Text : std::string(1, FBlank));
  std::vector<std::string> chars = CodePoints(value);
  std::size_t next = 0;
  for (std::size_t i = 0; i < FPositions.size() && next < chars.size(); ++i) {
    if (FPositions[i].Literal) {
      if (withLiterals) ++next;
      continue;
    }
    std::size_t n = 0;
    char32_t ch = DecodeAt(chars[next++], 0, n);
    if (ch == ' ' || ch == static_cast<unsigned char>(FBlank)) continue;
    std::string taken = Accept(i, ch);
    if (!taken.empty()) cells[i] = taken;
  }
  return cells;
}

std::string FormatMaskText(const std::string& editMask, const std::string& value) {
  TEditMask mask(editMask);
  return Join(mask.Fit(value, mask.SaveLiterals()));
}

// ---- TCustomMaskEdit ------------------------------------------------------------------------

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TCustomMaskEdit::SetEditMask(const std::string& value) {
  std::string current = Text();
  FMaskText = value;
  FMask = TEditMask(value);
  SetText(current);
}

std::string TCustomMaskEdit::Text() const {
  if (!IsMasked()) return TCustomEdit::Text();
  std::vector<std::string> cells = Cells();
  std::string out;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    const auto& p = FMask.Positions()[i];
    if (p.Literal) {
      if (FMask.SaveLiterals()) out += cells[i];
    } else {
      out += cells[i] == std::string(1, FMask.Blank()) ? std::string(" ") : cells[i];
    }
  }
  return out;
}

void TCustomMaskEdit::SetText(const std::string& value) {
  if (!IsMasked()) return TCustomEdit::SetText(value);
  TCustomEdit::SetText(Join(FMask.Fit(value, FMask.SaveLiterals())));
}

void TCustomMaskEdit::SetEditText(const std::string& value) {
  if (!IsMasked()) return TCustomEdit::SetText(value);
  TCustomEdit::SetText(Join(FMask.Fit(value, true)));
}

std::vector<std::string> TCustomMaskEdit::Cells() const {
  // The edit text is always built from the mask, one code point per position.
  std::vector<std::string> chars = CodePoints(EditText());
  std::vector<std::string> cells;
  for (std::size_t i = 0; i < FMask.Positions().size(); ++i) {
    const auto& p = FMask.Positions()[i];
    cells.push_back(i < chars.size() ? chars[i] : p.Literal ? p.Text : std::string(1, FMask.Blank()));
  }
  return cells;
}

int TCustomMaskEdit::PositionAt(int offset) const {
  std::vector<std::string> cells = Cells();
  int at = 0;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    if (offset <= at) return static_cast<int>(i);
    at += static_cast<int>(cells[i].size());
  }
  return static_cast<int>(cells.size());
}

int TCustomMaskEdit::OffsetOf(int position) const {
  std::vector<std::string> cells = Cells();
  int at = 0;
  for (int i = 0; i < position && i < static_cast<int>(cells.size()); ++i) at += static_cast<int>(cells[i].size());
  return at;
}

int TCustomMaskEdit::NextInput(int position) const {
  const auto& ps = FMask.Positions();
  for (int i = std::max(position, 0); i < static_cast<int>(ps.size()); ++i)
    if (!ps[i].Literal) return i;
  return -1;
}

int TCustomMaskEdit::PrevInput(int position) const {
  const auto& ps = FMask.Positions();
  for (int i = std::min(position, static_cast<int>(ps.size())) - 1; i >= 0; --i)
    if (!ps[i].Literal) return i;
  return -1;
}

void TCustomMaskEdit::Blank(int from, int to, std::vector<std::string>& cells) const {
  for (int i = from; i < to && i < static_cast<int>(cells.size()); ++i)
    if (!FMask.Positions()[i].Literal) cells[i] = std::string(1, FMask.Blank());
}

void TCustomMaskEdit::SetCells(const std::vector<std::string>& cells, int caretPosition) {
  std::string text = Join(cells);
  int caret = 0;
  for (int i = 0; i < caretPosition && i < static_cast<int>(cells.size()); ++i) caret += static_cast<int>(cells[i].size());
  ReplaceText(text, caret, caret, true);
}

bool TCustomMaskEdit::EditChar(char32_t key) {
  if (!IsMasked() || key < 0x20) return TCustomEdit::EditChar(key);
  TypeText(Utf8Encode(key));
  return true;
}

void TCustomMaskEdit::TypeText(const std::string& typed) {
  if (!IsMasked()) return TCustomEdit::TypeText(typed);
  if (ReadOnly()) return Refuse();
  std::vector<std::string> cells = Cells();
  int from = PositionAt(SelStart());
  int to = PositionAt(SelStart() + SelLength());
  std::vector<std::string> chars = CodePoints(typed);
  // Characters go into the input positions from the selection on; the first refused one
  // stops the typing, and nothing changes when none was taken.
  bool blanked = false;
  int pos = from;
  int taken = 0;
  for (const std::string& c : chars) {
    int p = NextInput(pos);
    if (p < 0) break;
    std::size_t n = 0;
    char32_t ch = DecodeAt(c, 0, n);
    std::string accepted;
    if (ch == ' ' && !FMask.Positions()[p].Required) accepted = std::string(1, FMask.Blank());
    else accepted = FMask.Accept(p, ch);
    if (accepted.empty()) break;
    if (!blanked) {
      Blank(from, to, cells);
      blanked = true;
    }
    cells[p] = accepted;
    pos = p + 1;
    ++taken;
  }
  if (taken == 0) return Refuse();
  int next = NextInput(pos);
  SetCells(cells, next < 0 ? static_cast<int>(cells.size()) : next);
}

void TCustomMaskEdit::DeleteBack() {
  if (!IsMasked()) return TCustomEdit::DeleteBack();
  if (ReadOnly()) return Refuse();
  if (SelLength() > 0) return DoClear();
  int p = PrevInput(PositionAt(SelStart()));
  if (p < 0) return;
  std::vector<std::string> cells = Cells();
  Blank(p, p + 1, cells);
  SetCells(cells, p);
}

void TCustomMaskEdit::DeleteForward() {
  if (!IsMasked()) return TCustomEdit::DeleteForward();
  if (ReadOnly()) return Refuse();
  if (SelLength() > 0) return DoClear();
  int p = NextInput(PositionAt(SelStart()));
  if (p < 0) return;
  std::vector<std::string> cells = Cells();
  Blank(p, p + 1, cells);
  SetCells(cells, p);
}

void TCustomMaskEdit::DoClear() {
  if (!IsMasked()) return TCustomEdit::DoClear();
  if (ReadOnly() || SelLength() == 0) return;
  int from = PositionAt(SelStart());
  std::vector<std::string> cells = Cells();
  Blank(from, PositionAt(SelStart() + SelLength()), cells);
  SetCells(cells, from);
}
