#include "platform/ui/edits.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/clipboard.h"

namespace {
int Len(const std::string& s) { return static_cast<int>(s.size()); }
}  // namespace

// ---- TCustomEdit ----------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TNativeControl(AOwner) {
  SetBounds(0, 0, 121, 21);
  SetColor(clWindow);
}

TCustomEdit::~TCustomEdit() { DestroyHandle(); }

DWORD TCustomEdit::EditStyle() const {
  DWORD style = ES_AUTOHSCROLL;
  if (FAlignment == taRightJustify) style |= ES_RIGHT;
  if (FAlignment == taCenter) style |= ES_CENTER;
  if (FPasswordChar) style |= ES_PASSWORD;
  if (FReadOnly) style |= ES_READONLY;
  if (FCharCase == ecUpperCase) style |= ES_UPPERCASE;
  if (FCharCase == ecLowerCase) style |= ES_LOWERCASE;
  return style;
}

std::string TCustomEdit::ApplyCharCase(const std::string& s) const {
  switch (FCharCase) {
    case ecUpperCase: return AnsiUpperCase(s);
    case ecLowerCase: return AnsiLowerCase(s);
    default: return s;
  }
}

void TCustomEdit::SetText(const std::string& value) {
  // Setting the text puts the caret at its start and clears the modified flag, as the window
  // text of an edit does.
  FModified = false;
  if (FCharCase == ecNormal) return ReplaceText(value, 0, 0, false);
  ReplaceText(ApplyCharCase(value), 0, 0, false);
}

void TCustomEdit::AppendText(const std::string& value) {
  FModified = false;
  const std::string tail = FCharCase == ecNormal ? value : ApplyCharCase(value);
  if (tail.empty()) return ReplaceText(Text(), 0, 0, false);
  const std::size_t oldSize = Text().size();
  const bool knewStarts = FLineStartsVersion == FTextVersion && !FLineStarts.empty();
  TControl::AppendToText(tail);
  ++FTextVersion;
  if (knewStarts) {
    // Only the added text (and a CR LF across the seam) holds new line starts.
    const std::string& t = Text();
    for (std::size_t p = t.find("\r\n", oldSize > 0 ? oldSize - 1 : 0); p != std::string::npos; p = t.find("\r\n", p + 2))
      FLineStarts.push_back(static_cast<int>(p) + 2);
    FLineStartsVersion = FTextVersion;
  }
  FAnchor = FCaret = 0;
  if (auto* peer = NativePeer<TEditPeer>()) {
    // A multi-line edit shows its text as it is (only single-line mask edits show another).
    if (MultiLine()) peer->AppendEditText(Text(), oldSize);
    else peer->SetEditText(DisplayText());
    peer->SetSelection(FAnchor, FCaret);
  }
  Change();
}

void TCustomEdit::ReplaceText(const std::string& text, int anchor, int caret, bool byUser) {
  bool changed = text != Text();
  if (changed) {
    TControl::SetText(text);
    ++FTextVersion;
  }
  FAnchor = Utf8Floor(Text(), anchor);
  FCaret = Utf8Floor(Text(), caret);
  if (changed && byUser) FModified = true;
  if (auto* peer = NativePeer<TEditPeer>()) {
    if (changed) peer->SetEditText(DisplayText());
    peer->SetSelection(FAnchor, FCaret);
  }
  if (changed) Change();
}

void TCustomEdit::Change() {
  if (OnChange) OnChange(this);
}

void TCustomEdit::PushState() {
  auto* peer = NativePeer<TEditPeer>();
  if (!peer) return;
  peer->SetEditText(DisplayText());
  peer->SetSelection(FAnchor, FCaret);
  peer->SetReadOnly(FReadOnly);
  peer->SetPasswordChar(FPasswordChar);
  DWORD style = EditStyle();
  peer->SetAlignment((style & ES_RIGHT) ? taRightJustify : (style & ES_CENTER) ? taCenter : FAlignment);
  if (FHasFormatRect) peer->SetFormatRect(FFormatRect);
}

void TCustomEdit::PushSelection() {
  if (auto* peer = NativePeer<TEditPeer>()) peer->SetSelection(FAnchor, FCaret);
}

void TCustomEdit::SetMaxLength(int value) { FMaxLength = std::max(value, 0); }

void TCustomEdit::SetReadOnly(bool value) {
  FReadOnly = value;
  if (auto* peer = NativePeer<TEditPeer>()) peer->SetReadOnly(value);
}

void TCustomEdit::SetPasswordChar(char32_t value) {
  FPasswordChar = value;
  if (auto* peer = NativePeer<TEditPeer>()) peer->SetPasswordChar(value);
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  FCharCase = value;
  std::string text = ApplyCharCase(Text());
  if (text != Text()) ReplaceText(text, FAnchor, FCaret, false);
}

void TCustomEdit::SetAlignment(TAlignment value) {
  FAlignment = value;
  if (auto* peer = NativePeer<TEditPeer>()) peer->SetAlignment(value);
}

int TCustomEdit::SelStart() const { return std::min(FAnchor, FCaret); }
int TCustomEdit::SelLength() const { return std::abs(FCaret - FAnchor); }

void TCustomEdit::SetSelStart(int value) {
  int p = Utf8Floor(Text(), value);
  FAnchor = FCaret = p;
  PushSelection();
}

void TCustomEdit::SetSelLength(int value) {
  int start = SelStart();
  FAnchor = start;
  FCaret = Utf8Floor(Text(), start + std::max(value, 0));
  PushSelection();
}

void TCustomEdit::SetSelection(int anchor, int caret) {
  FAnchor = Utf8Floor(Text(), anchor);
  FCaret = Utf8Floor(Text(), caret);
  PushSelection();
}

std::string TCustomEdit::SelText() const { return Text().substr(SelStart(), SelLength()); }

void TCustomEdit::SetSelText(const std::string& value) {
  int start = SelStart();
  std::string text = Text();
  std::string insert = ApplyCharCase(value);
  text.replace(start, SelLength(), insert);
  int caret = start + Len(insert);
  ReplaceText(text, caret, caret, true);
}

void TCustomEdit::SelectAll() { SetSelection(0, Len(Text())); }

void TCustomEdit::ClearSelection() { Perform(WM_CLEAR); }

void TCustomEdit::CopyToClipboard() { Perform(WM_COPY); }
void TCustomEdit::CutToClipboard() { Perform(WM_CUT); }
void TCustomEdit::PasteFromClipboard() { Perform(WM_PASTE); }

void TCustomEdit::TypeText(const std::string& typed) {
  if (FReadOnly) return Refuse();
  std::string s = ApplyCharCase(typed);
  if (FMaxLength > 0) {
    int room = FMaxLength - (Len(Text()) - SelLength());
    if (room < Len(s)) s = s.substr(0, Utf8Floor(s, std::max(room, 0)));
    if (s.empty()) return Refuse();
  }
  SetSelText(s);
}

void TCustomEdit::DeleteBack() {
  if (FReadOnly) return Refuse();
  if (SelLength() > 0) return DoClear();
  if (FCaret == 0) return;
  const std::string& t = Text();
  int from = Utf8Prev(t, FCaret);
  if (MultiLine() && from > 0 && t.compare(from - 1, 2, "\r\n") == 0) --from;
  std::string text = t;
  text.erase(from, FCaret - from);
  ReplaceText(text, from, from, true);
}

void TCustomEdit::DeleteForward() {
  if (FReadOnly) return Refuse();
  if (SelLength() > 0) return DoClear();
  const std::string& t = Text();
  if (FCaret >= Len(t)) return;
  int to = Utf8Next(t, FCaret);
  if (MultiLine() && t.compare(FCaret, 2, "\r\n") == 0) to = FCaret + 2;
  std::string text = t;
  text.erase(FCaret, to - FCaret);
  ReplaceText(text, FCaret, FCaret, true);
}

void TCustomEdit::DoClear() {
  if (FReadOnly || SelLength() == 0) return;
  std::string text = Text();
  int start = SelStart();
  text.erase(start, SelLength());
  ReplaceText(text, start, start, true);
}

void TCustomEdit::DoCut() {
  // A password edit gives nothing away.
  if (FReadOnly || FPasswordChar || SelLength() == 0) return Refuse();
  Clipboard().SetAsText(SelText());
  DoClear();
}

void TCustomEdit::DoPaste() {
  if (FReadOnly) return Refuse();
  std::string s = Clipboard().AsText();
  if (MultiLine()) {
    // Line ends become CR LF, whatever the source wrote.
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
      if (s[i] == '\r') {
        out += "\r\n";
        if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
      } else if (s[i] == '\n') {
        out += "\r\n";
      } else {
        out += s[i];
      }
    }
    s = out;
  } else {
    // A single-line edit takes the first line.
    s = s.substr(0, s.find_first_of("\r\n"));
  }
  if (!s.empty()) TypeText(s);
}

int TCustomEdit::LineStart(int offset) const {
  if (!MultiLine()) return 0;
  const std::string& t = Text();
  std::size_t p = t.rfind('\n', offset > 0 ? offset - 1 : std::string::npos);
  if (offset == 0 || p == std::string::npos) return 0;
  return static_cast<int>(p) + 1;
}

int TCustomEdit::LineEnd(int offset) const {
  const std::string& t = Text();
  if (!MultiLine()) return Len(t);
  std::size_t p = t.find("\r\n", offset);
  return p == std::string::npos ? Len(t) : static_cast<int>(p);
}

const std::vector<int>& TCustomEdit::LineStarts() const {
  if (FLineStartsVersion != FTextVersion || FLineStarts.empty()) {
    const std::string& t = Text();
    FLineStarts.assign(1, 0);
    for (std::size_t p = t.find("\r\n"); p != std::string::npos; p = t.find("\r\n", p + 2))
      FLineStarts.push_back(static_cast<int>(p) + 2);
    FLineStartsVersion = FTextVersion;
  }
  return FLineStarts;
}

int TCustomEdit::LineCount() const {
  if (!MultiLine()) return 1;
  return static_cast<int>(LineStarts().size());
}

int TCustomEdit::LineOfOffset(int offset) const {
  if (!MultiLine()) return 0;
  const std::vector<int>& starts = LineStarts();
  offset = std::clamp(offset, 0, Len(Text()));
  return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin()) - 1;
}

int TCustomEdit::LineIndex(int line) const {
  if (line < 0) return LineStart(FCaret);
  if (!MultiLine()) return line == 0 ? 0 : -1;
  const std::vector<int>& starts = LineStarts();
  return line < static_cast<int>(starts.size()) ? starts[static_cast<std::size_t>(line)] : -1;
}

int TCustomEdit::MoveCaret(WORD key, TShiftState shift) const {
  const std::string& t = Text();
  bool extend = shift.Contains(ssShift);
  switch (key) {
    case VK_LEFT:
      if (!extend && SelLength() > 0) return SelStart();
      if (MultiLine() && FCaret >= 2 && t.compare(FCaret - 2, 2, "\r\n") == 0) return FCaret - 2;
      return Utf8Prev(t, FCaret);
    case VK_RIGHT:
      if (!extend && SelLength() > 0) return SelStart() + SelLength();
      if (MultiLine() && t.compare(FCaret, 2, "\r\n") == 0) return FCaret + 2;
      return Utf8Next(t, FCaret);
    case VK_HOME:
      return shift.Contains(ssCtrl) ? 0 : LineStart(FCaret);
    case VK_END:
      return shift.Contains(ssCtrl) ? Len(t) : LineEnd(FCaret);
    default:
      return -1;
  }
}

bool TCustomEdit::EditKey(WORD key, TShiftState shift) {
  switch (key) {
    case VK_DELETE:
      if (shift.Contains(ssShift)) Perform(WM_CUT);
      else DeleteForward();
      return true;
    case VK_INSERT:
      if (shift.Contains(ssCtrl)) Perform(WM_COPY);
      else if (shift.Contains(ssShift)) Perform(WM_PASTE);
      else return false;
      return true;
    default: {
      int caret = MoveCaret(key, shift);
      if (caret < 0) return false;
      FCaret = caret;
      if (!shift.Contains(ssShift)) FAnchor = caret;
      PushSelection();
      return true;
    }
  }
}

bool TCustomEdit::EditChar(char32_t key) {
  switch (key) {
    case 0x08: DeleteBack(); return true;
    case 0x01: SelectAll(); return true;       // Ctrl+A
    case 0x03: Perform(WM_COPY); return true;  // Ctrl+C
    case 0x16: Perform(WM_PASTE); return true; // Ctrl+V
    case 0x18: Perform(WM_CUT); return true;   // Ctrl+X
    default: break;
  }
  if (key < 0x20 || key == 0x7F) return false;
  TypeText(Utf8Encode(key));
  return true;
}

void TCustomEdit::DoEnter() {
  if (FAutoSelect && !(EditStyle() & ES_MULTILINE) && !MultiLine() && !(GetKeyState(VK_LBUTTON) < 0))
    SelectAll();
  TNativeControl::DoEnter();
}

TRect TCustomEdit::FormatRect() const {
  if (FHasFormatRect) return FFormatRect;
  TRect r = ClientRect();
  return Rect(r.Left + 1, r.Top + 1, std::max(r.Right - 1, r.Left + 1), std::max(r.Bottom - 1, r.Top + 1));
}

int TCustomEdit::CharFromPoint(TPoint p) {
  if (auto* peer = NativePeer<TEditPeer>()) {
    int pos = peer->CharFromPos(p);
    if (pos >= 0) return pos;
  }
  // Measured with the control's font on a scratch canvas (the backend's metrics).
  TBitmap scratch(1, 1);
  TCanvas& c = scratch.Canvas();
  c.Font().Assign(Font());
  TRect fr = FormatRect();
  const std::string shown = DisplayText();
  int lineHeight = std::max(c.TextHeight("Wg"), 1);
  int line = MultiLine() ? std::max((p.Y - fr.Top) / lineHeight, 0) : 0;
  int start = LineIndex(std::min(line, LineCount() - 1));
  int end = MultiLine() ? LineEnd(start) : Len(shown);
  int x = p.X - fr.Left;
  int pos = start;
  while (pos < end) {
    int next = Utf8Next(shown, pos);
    int before = c.TextWidth(shown.substr(start, pos - start));
    int after = c.TextWidth(shown.substr(start, next - start));
    if (x < (before + after + 1) / 2) break;
    pos = next;
  }
  scratch.ReleaseCanvas();
  return pos;
}

void TCustomEdit::PeerSelectionChanged(int anchor, int caret) {
  FAnchor = Utf8Floor(Text(), anchor);
  FCaret = Utf8Floor(Text(), caret);
}

void TCustomEdit::PeerTextEdited(const std::string& text, int caret) {
  ReplaceText(text, caret, caret, true);
}

void TCustomEdit::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
      TNativeControl::WndProc(m);
      if (m.Result == 0 && m.WParam && EditKey(static_cast<WORD>(m.WParam), KeyboardShiftState())) m.Result = 1;
      return;
    case WM_CHAR:
      TNativeControl::WndProc(m);
      if (m.Result == 0 && m.WParam && EditChar(static_cast<char32_t>(m.WParam))) m.Result = 1;
      return;
    case WM_GETDLGCODE:
      // The arrows move the caret; a memo also keeps Return (and Tab when it wants tabs).
      m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
      if (auto* memo = dynamic_cast<TCustomMemo*>(this)) {
        if (memo->WantReturns()) m.Result |= DLGC_WANTALLKEYS;
        if (memo->WantTabs()) m.Result |= DLGC_WANTTAB;
      }
      return;
    case WM_CUT: DoCut(); return;
    case WM_COPY:
      if (FPasswordChar || SelLength() == 0) return;
      Clipboard().SetAsText(SelText());
      return;
    case WM_PASTE: DoPaste(); return;
    case WM_CLEAR: DoClear(); return;
    case WM_SETTEXT:
      SetText(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "");
      m.Result = 1;
      return;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(m.LParam);
      int size = static_cast<int>(m.WParam);
      if (!buffer || size <= 0) return;
      int n = std::min(size - 1, Len(Text()));
      std::memcpy(buffer, Text().data(), n);
      buffer[n] = 0;
      m.Result = n;
      return;
    }
    case EM_GETSEL:
      if (m.WParam) *reinterpret_cast<DWORD*>(m.WParam) = SelStart();
      if (m.LParam) *reinterpret_cast<DWORD*>(m.LParam) = SelStart() + SelLength();
      m.Result = MAKELPARAM(SelStart(), SelStart() + SelLength());
      return;
    case EM_SETSEL: {
      int start = static_cast<int>(static_cast<intptr_t>(m.WParam));
      int end = static_cast<int>(m.LParam);
      if (start < 0) { SetSelection(FCaret, FCaret); return; }
      if (end < 0) end = Len(Text());
      SetSelection(start, end);
      return;
    }
    case EM_REPLACESEL:
      SetSelText(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "");
      return;
    case EM_GETRECT:
      if (m.LParam) *reinterpret_cast<TRect*>(m.LParam) = FormatRect();
      return;
    case EM_SETRECT:
    case EM_SETRECTNP:
      if (m.LParam) {
        FFormatRect = *reinterpret_cast<const TRect*>(m.LParam);
        FHasFormatRect = true;
      } else {
        FHasFormatRect = false;
      }
      if (auto* peer = NativePeer<TEditPeer>()) peer->SetFormatRect(FormatRect());
      if (m.Msg == EM_SETRECT) Invalidate();
      return;
    case EM_GETMODIFY: m.Result = FModified ? 1 : 0; return;
    case EM_SETMODIFY: FModified = m.WParam != 0; return;
    case EM_LIMITTEXT: SetMaxLength(static_cast<int>(m.WParam)); return;
    case EM_GETLIMITTEXT: m.Result = FMaxLength ? FMaxLength : 0x7FFFFFFE; return;
    case EM_SETREADONLY: SetReadOnly(m.WParam != 0); m.Result = 1; return;
    case EM_SETPASSWORDCHAR: SetPasswordChar(static_cast<char32_t>(m.WParam)); return;
    case EM_GETLINECOUNT: m.Result = LineCount(); return;
    case EM_LINEFROMCHAR: {
      int offset = static_cast<int>(static_cast<intptr_t>(m.WParam));
      m.Result = LineOfOffset(offset < 0 ? SelStart() : offset);
      return;
    }
    case EM_LINEINDEX: m.Result = LineIndex(static_cast<int>(static_cast<intptr_t>(m.WParam))); return;
    case EM_LINELENGTH: {
      int offset = static_cast<int>(static_cast<intptr_t>(m.WParam));
      int start = LineStart(offset < 0 ? FCaret : std::min(offset, Len(Text())));
      m.Result = LineEnd(start) - start;
      return;
    }
    case EM_CHARFROMPOS: {
      int pos = CharFromPoint({GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
      m.Result = MAKELPARAM(pos, LineOfOffset(pos));
      return;
    }
    default:
      TNativeControl::WndProc(m);
  }
}

// ---- TCustomMemo ----------------------------------------------------------------------------

// The lines of a memo, read from and written into its text.
class TMemoStrings : public TStrings {
public:
  explicit TMemoStrings(TCustomMemo& memo) : FMemo(memo) {}

  std::string Get(int Index) const override {
    if (Index < 0 || Index >= GetCount()) return "";
    int start = static_cast<int>(FMemo.Perform(EM_LINEINDEX, Index));
    int next = static_cast<int>(FMemo.Perform(EM_LINEINDEX, Index + 1));
    const std::string& t = FMemo.Text();
    if (start < 0) return "";
    // The next line's start follows this line's CR LF.
    return t.substr(start, next < 0 ? std::string::npos : next - 2 - start);
  }
  int GetCount() const override {
    const std::string& t = FMemo.Text();
    if (t.empty()) return 0;
    int n = static_cast<int>(FMemo.Perform(EM_GETLINECOUNT));
    // A last line left empty by a closing line end is no line.
    if (t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0) --n;
    return n;
  }
  void Put(int Index, const std::string& S) override {
    if (Index < 0 || Index >= GetCount()) return;
    int start = static_cast<int>(FMemo.Perform(EM_LINEINDEX, Index));
    int length = static_cast<int>(FMemo.Perform(EM_LINELENGTH, start));
    Replace(start, length, S);
  }
  void Insert(int Index, const std::string& S) override {
    if (Index < 0) return;
    int start = static_cast<int>(FMemo.Perform(EM_LINEINDEX, Index));
    if (start >= 0) return Replace(start, 0, S + "\r\n");
    // Beyond the last line: a line end first.
    start = static_cast<int>(FMemo.Perform(EM_LINEINDEX, Index - 1));
    if (start < 0) return;
    int length = static_cast<int>(FMemo.Perform(EM_LINELENGTH, start));
    Replace(start + length, 0, "\r\n" + S);
  }
  void Delete(int Index) override {
    if (Index < 0 || Index >= GetCount()) return;
    int start = static_cast<int>(FMemo.Perform(EM_LINEINDEX, Index));
    int next = static_cast<int>(FMemo.Perform(EM_LINEINDEX, Index + 1));
    if (next < 0) next = static_cast<int>(FMemo.Text().size());
    Replace(start, next - start, "");
  }
  // The lines go in with one change of the text (and one OnChange), as Add would put them.
  void AddStrings(const TStrings& Strings) override {
    const int n = Strings.GetCount();
    if (n == 0) return;
    std::string t = FMemo.Text();
    const bool open = !t.empty() && !(t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0);
    for (int i = 0; i < n; ++i) {
      if (open) t += "\r\n";
      t += Strings.Get(i);
      if (!open) t += "\r\n";
    }
    FMemo.SetText(t);
  }
  void Clear() override { FMemo.SetText(""); }
  std::string Text() const override { return FMemo.Text(); }
  void SetText(const std::string& Value) override { FMemo.SetText(Value); }

private:
  void Replace(int start, int length, const std::string& s) {
    // A line added at the end copies only itself.
    if (length == 0 && static_cast<std::size_t>(start) == FMemo.Text().size()) return FMemo.AppendText(s);
    std::string t = FMemo.Text();
    t.replace(start, length, s);
    FMemo.SetText(t);
  }
  TCustomMemo& FMemo;
};

TCustomMemo::TCustomMemo(TComponent* AOwner)
    : TCustomEdit(AOwner), FLines(std::make_unique<TMemoStrings>(*this)) {
  SetBounds(0, 0, 185, 89);
  SetAutoSelect(false);
}

TCustomMemo::~TCustomMemo() { DestroyHandle(); }

DWORD TCustomMemo::EditStyle() const {
  DWORD style = (TCustomEdit::EditStyle() & ~ES_AUTOHSCROLL) | ES_MULTILINE | ES_AUTOVSCROLL;
  if (!FWordWrap) style |= ES_AUTOHSCROLL;
  if (FWantReturns) style |= ES_WANTRETURN;
  return style;
}

TStrings& TCustomMemo::Lines() { return *FLines; }

void TCustomMemo::SetLines(const TStrings& value) { SetText(value.Text()); }

std::vector<std::string> TCustomMemo::LineTexts() const {
  const std::string& t = Text();
  std::vector<std::string> lines;
  if (t.empty()) return lines;
  const std::vector<int>& starts = LineStarts();
  lines.reserve(starts.size());
  for (std::size_t i = 0; i < starts.size(); ++i) {
    const std::size_t start = static_cast<std::size_t>(starts[i]);
    // A last line left empty by a closing line end is no line.
    if (i + 1 == starts.size() && start == t.size()) break;
    const std::size_t end = i + 1 < starts.size() ? static_cast<std::size_t>(starts[i + 1]) - 2 : t.size();
    lines.emplace_back(t, start, end - start);
  }
  return lines;
}

void TCustomMemo::SetLineTexts(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& l : lines) size += l.size() + 2;
  std::string text;
  text.reserve(size);
  for (const std::string& l : lines) {
    text += l;
    text += "\r\n";
  }
  SetText(text);
}

void TCustomMemo::SetWordWrap(bool value) {
  FWordWrap = value;
  if (auto* peer = NativePeer<TEditPeer>()) peer->SetWordWrap(value);
}

void TCustomMemo::SetScrollBars(TScrollStyle value) {
  FScrollBars = value;
  if (auto* peer = NativePeer<TEditPeer>()) peer->SetScrollBars(static_cast<int>(value));
}

void TCustomMemo::PushState() {
  TCustomEdit::PushState();
  if (auto* peer = NativePeer<TEditPeer>()) {
    peer->SetWordWrap(FWordWrap);
    peer->SetScrollBars(static_cast<int>(FScrollBars));
  }
}

bool TCustomMemo::EditChar(char32_t key) {
  if (key == '\r') {
    if (!FWantReturns) return false;
    TypeText("\r\n");
    return true;
  }
  if (key == '\t') {
    if (!FWantTabs) return false;
    TypeText("\t");
    return true;
  }
  return TCustomEdit::EditChar(key);
}

int TCustomMemo::MoveCaret(WORD key, TShiftState shift) const {
  if (key != VK_UP && key != VK_DOWN) return TCustomEdit::MoveCaret(key, shift);
  int line = LineOfOffset(FCaret);
  int target = key == VK_UP ? line - 1 : line + 1;
  if (target < 0) return 0;
  if (target >= LineCount()) return static_cast<int>(Text().size());
  int column = FCaret - LineStart(FCaret);
  int start = LineIndex(target);
  return Utf8Floor(Text(), std::min(start + column, LineEnd(start)));
}
