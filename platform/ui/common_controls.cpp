#include "platform/ui/common_controls.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/utf8_text.h"

namespace {

// The message NotifyParent is delivering, and whether its reflection arrived.
thread_local LPARAM gPendingParam = 0;
thread_local bool gReflected = false;

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

}  // namespace

TOwnerDrawState OwnerDrawState(UINT itemState) {
  TOwnerDrawState s;
  if (itemState & ODS_SELECTED) s << odSelected;
  if (itemState & ODS_GRAYED) s << odGrayed;
  if (itemState & ODS_DISABLED) s << odDisabled;
  if (itemState & ODS_CHECKED) s << odChecked;
  if (itemState & ODS_FOCUS) s << odFocused;
  if (itemState & ODS_DEFAULT) s << odDefault;
  if (itemState & ODS_HOTLIGHT) s << odHotLight;
  if (itemState & ODS_INACTIVE) s << odInactive;
  return s;
}

UINT OwnerDrawItemState(TOwnerDrawState state) {
  UINT v = 0;
  if (state.Contains(odSelected)) v |= ODS_SELECTED;
  if (state.Contains(odGrayed)) v |= ODS_GRAYED;
  if (state.Contains(odDisabled)) v |= ODS_DISABLED;
  if (state.Contains(odChecked)) v |= ODS_CHECKED;
  if (state.Contains(odFocused)) v |= ODS_FOCUS;
  if (state.Contains(odDefault)) v |= ODS_DEFAULT;
  if (state.Contains(odHotLight)) v |= ODS_HOTLIGHT;
  if (state.Contains(odInactive)) v |= ODS_INACTIVE;
  return v;
}

bool IsReflectedMessage(UINT Msg) {
  return Msg == CN_NOTIFY || Msg == CN_DRAWITEM || Msg == CN_MEASUREITEM;
}

void NoteReflected(const TMessage& Message) {
  if (IsReflectedMessage(Message.Msg) && Message.LParam == gPendingParam) gReflected = true;
}

LRESULT NotifyParent(TWinControl& From, UINT Message, WPARAM WParam, LPARAM LParam) {
  const LPARAM savedParam = gPendingParam;
  const bool savedReflected = gReflected;
  gPendingParam = LParam;
  gReflected = false;
  LRESULT result = 0;
  try {
    if (TWinControl* parent = From.Parent()) result = parent->Perform(Message, WParam, LParam);
    // A parent that answered itself (non-zero) keeps its answer.
    if (!gReflected && result == 0) result = From.Perform(CN_BASE + Message, WParam, LParam);
  } catch (...) {
    gPendingParam = savedParam;
    gReflected = savedReflected;
    throw;
  }
  gPendingParam = savedParam;
  gReflected = savedReflected;
  return result;
}

LRESULT SendNotify(TWinControl& From, NMHDR& Header) {
  Header.hwndFrom = &From;
  Header.idFrom = static_cast<std::uintptr_t>(From.Tag());
  return NotifyParent(From, WM_NOTIFY, Header.idFrom, reinterpret_cast<LPARAM>(&Header));
}

void CopyToBuffer(const std::string& Text, char* Buffer, int Size) {
  if (!Buffer || Size <= 0) return;
  std::size_t n = std::min(Text.size(), static_cast<std::size_t>(Size - 1));
  std::memcpy(Buffer, Text.data(), n);
  Buffer[n] = '\0';
}

// ---- TInplaceTextEdit -------------------------------------------------------------------------

TInplaceTextEdit::TInplaceTextEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
  SetCursor(crIBeam);
}

void TInplaceTextEdit::SetText(const std::string& value) {
  TCustomControl::SetText(value);
  FCaret = FSelAnchor = static_cast<int>(value.size());
  Invalidate();
}

void TInplaceTextEdit::SetBounds(int left, int top, int width, int height) {
  TRect r = Bounds(left, top, width, height);
  if (OnPlacing) OnPlacing(this, r);
  TCustomControl::SetBounds(r.Left, r.Top, r.Width(), r.Height());
}

void TInplaceTextEdit::SetSelStart(int value) {
  FCaret = FSelAnchor = std::clamp(value, 0, static_cast<int>(Text().size()));
  Invalidate();
}

void TInplaceTextEdit::SelectAll() {
  FSelAnchor = 0;
  FCaret = static_cast<int>(Text().size());
  Invalidate();
}

void TInplaceTextEdit::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  c.Brush().SetColor(clWindow);
  c.FillRect(r);
  c.Pen().SetColor(clWindowFrame);
  c.Brush().SetStyle(bsClear);
  c.Rectangle(r);
  const std::string& text = Text();
  int x = 2;
  int h = c.TextHeight("Wg");
  int y = std::max(0, (r.Height() - h) / 2);
  int lo = std::min(FCaret, FSelAnchor), hi = std::max(FCaret, FSelAnchor);
  c.Font().SetColor(clWindowText);
  c.TextOut(x, y, text.substr(0, static_cast<std::size_t>(lo)));
  int sx = x + c.TextWidth(text.substr(0, static_cast<std::size_t>(lo)));
  if (hi > lo) {
    std::string sel = text.substr(static_cast<std::size_t>(lo), static_cast<std::size_t>(hi - lo));
    int w = c.TextWidth(sel);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clHighlight);
    c.FillRect(Rect(sx, y, sx + w, y + h));
    c.Brush().SetStyle(bsClear);
    c.Font().SetColor(clHighlightText);
    c.TextOut(sx, y, sel);
    c.Font().SetColor(clWindowText);
    sx += w;
  }
  c.TextOut(sx, y, text.substr(static_cast<std::size_t>(hi)));
  if (Focused()) {
    int cx = x + c.TextWidth(text.substr(0, static_cast<std::size_t>(FCaret)));
    c.Pen().SetColor(clWindowText);
    c.MoveTo(cx, y);
    c.LineTo(cx, y + h);
  }
}

void TInplaceTextEdit::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  const std::string& text = Text();
  const int n = static_cast<int>(text.size());
  auto prev = [&](int p) {
    if (p <= 0) return 0;
    --p;
    while (p > 0 && IsContinuation(text[static_cast<std::size_t>(p)])) --p;
    return p;
  };
  auto next = [&](int p) {
    if (p >= n) return n;
    ++p;
    while (p < n && IsContinuation(text[static_cast<std::size_t>(p)])) ++p;
    return p;
  };
  auto move = [&](int p) {
    FCaret = p;
    if (!Shift.Contains(ssShift)) FSelAnchor = p;
    Invalidate();
  };
  auto erase = [&](int from, int to) {
    std::string s = text;
    s.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    TCustomControl::SetText(s);
    FCaret = FSelAnchor = from;
    Invalidate();
    if (OnChange) OnChange(this);
  };
  switch (Key) {
    case VK_LEFT: move(prev(FCaret)); break;
    case VK_RIGHT: move(next(FCaret)); break;
    case VK_HOME: move(0); break;
    case VK_END: move(n); break;
    case VK_DELETE:
      if (FCaret != FSelAnchor) erase(std::min(FCaret, FSelAnchor), std::max(FCaret, FSelAnchor));
      else if (FCaret < n) erase(FCaret, next(FCaret));
      break;
    case VK_RETURN: Finish(true); break;
    case VK_ESCAPE: Finish(false); break;
    default: return;
  }
  Key = 0;
}

void TInplaceTextEdit::KeyPress(char32_t& Key) {
  TCustomControl::KeyPress(Key);
  if (Key == 0 || Key == U'\r' || Key == 27 || Key == U'\t') return;
  std::string s = Text();
  int lo = std::min(FCaret, FSelAnchor), hi = std::max(FCaret, FSelAnchor);
  if (Key == 8) {  // backspace
    if (hi == lo && lo > 0) {
      --lo;
      while (lo > 0 && IsContinuation(s[static_cast<std::size_t>(lo)])) --lo;
    }
    s.erase(static_cast<std::size_t>(lo), static_cast<std::size_t>(hi - lo));
  } else {
    if (Key < 0x20) return;
    std::string add;
    AppendUtf8(add, Key);
    s.erase(static_cast<std::size_t>(lo), static_cast<std::size_t>(hi - lo));
    if (FMaxLength > 0 && static_cast<int>(s.size() + add.size()) > FMaxLength) return;
    s.insert(static_cast<std::size_t>(lo), add);
    lo += static_cast<int>(add.size());
  }
  TCustomControl::SetText(s);
  FCaret = FSelAnchor = lo;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TInplaceTextEdit::DoExit() {
  TCustomControl::DoExit();
  Finish(true);
}

void TInplaceTextEdit::Finish(bool accept) {
  if (FFinishing) return;
  FFinishing = true;
  try {
    if (OnDone) OnDone(this, accept);
  } catch (...) {
    FFinishing = false;
    throw;
  }
  FFinishing = false;
}
