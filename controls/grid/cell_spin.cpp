#include "controls/grid/cell_spin.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/bitmap.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/screen.h"

namespace {

int Len(const std::string& s) { return static_cast<int>(s.size()); }

// The 1-based position of c in s after position `after` (1-based), 0 when none.
int PosAfter(char c, const std::string& s, int after) {
  const std::size_t p = s.find(c, static_cast<std::size_t>(std::max(after, 0)));
  return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

int LimitInt(int v, int lo, int hi) {
  if (lo == hi) return v;
  return std::clamp(v, std::min(lo, hi), std::max(lo, hi));
}

double LimitFloat(double v, double lo, double hi) {
  if (lo == hi) return v;
  return std::clamp(v, std::min(lo, hi), std::max(lo, hi));
}

void LoadDefaultGlyph(TBitmap& glyph, const char* name) {
  try {
    glyph.LoadFromResourceName(nullptr, name);
  } catch (...) {
    glyph.SetSize(0, 0);  // the button then shows its arrow without a picture
  }
}

}  // namespace

TDateTime StepYear(TDateTime Date, int Years) {
  WORD y = 0, m = 0, d = 0;
  DecodeDate(Date, y, m, d);
  const int year = y + Years;
  const int day = std::min<int>(d, DaysInAMonth(year, m));
  TDateTime result = 0;
  if (!TryEncodeDate(year, m, day, result)) return Date;
  return result + (Date - std::floor(Date));
}

TDateTime StepTime(TDateTime Time, double Step) {
  const double v = Time + Step;
  return v - std::floor(v);
}

// ---- TQnTimerSpeedButton ----

TQnTimerSpeedButton::TQnTimerSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner) {}
TQnTimerSpeedButton::~TQnTimerSpeedButton() = default;

void TQnTimerSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TSpeedButton::MouseDown(Button, Shift, X, Y);
  if (TimeBtnState.Contains(tbAllowTimer)) {
    if (!FTimer) {
      FTimer = std::make_unique<TTimer>(nullptr);
      FTimer->OnTimer = [this](TObject*) { TimerExpired(); };
    }
    FTimer->SetInterval(400);
    FTimer->SetEnabled(true);
  }
  if (Parent()) Parent()->Invalidate();
}

void TQnTimerSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TSpeedButton::MouseUp(Button, Shift, X, Y);
  if (FTimer) FTimer->SetEnabled(false);
  if (Parent()) Parent()->Invalidate();
}

void TQnTimerSpeedButton::TimerExpired() {
  if (!FTimer) return;
  FTimer->SetInterval(100);
  if (Pressing()) {
    try {
      Click();
    } catch (...) {
      FTimer->SetEnabled(false);
      throw;
    }
  }
}

void TQnTimerSpeedButton::Paint() {
  if (ArrowKind == 0 || ArrowKind == 1) {
    UINT state = ArrowKind == 0 ? DFCS_SCROLLLEFT : DFCS_SCROLLRIGHT;
    if (Pressing()) state |= DFCS_PUSHED;
    if (Flat()) state |= DFCS_FLAT;
    Canvas().DrawFrameControl(Rect(0, 0, Width(), Height()), DFC_SCROLL, state);
    return;
  }
  TSpeedButton::Paint();
}

// ---- the spinner ----

TSpinButtonCore::TSpinButtonCore(TComponent* AOwner, bool QnFamily)
    : TWinControl(AOwner), FQnFamily(QnFamily) {
  auto make = [this](int kind) {
    auto b = std::make_unique<TQnTimerSpeedButton>(nullptr);
    b->TimeBtnState << tbAllowTimer;
    b->ArrowKind = kind;
    b->SetParent(this);
    TQnTimerSpeedButton* raw = b.get();
    b->OnClick = [this, raw](TObject*) { BtnClick(raw); };
    b->OnMouseDown = [this, raw](TObject*, TMouseButton button, TShiftState, int, int) {
      if (button == mbLeft) BtnMouseDown(raw);
    };
    return b;
  };
  FUpButton = make(2);
  FDownButton = make(3);
  SetUpGlyph(nullptr);
  SetDownGlyph(nullptr);
  FFocusedButton = FUpButton.get();
  SetTabStop(false);
  SetBounds(0, 0, 15, 25);
}

TSpinButtonCore::~TSpinButtonCore() {
  FUpButton->SetParent(nullptr);
  FDownButton->SetParent(nullptr);
}

void TSpinButtonCore::SetFocusControl(TWinControl* Value) {
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
}

void TSpinButtonCore::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TSpinButtonCore::SetUpGlyph(const TBitmap* Value) {
  if (Value) {
    FUpButton->SetGlyph(*Value);
  } else {
    LoadDefaultGlyph(FUpButton->Glyph(), FQnFamily ? "QnSpinUp" : "CellSpinUp");
    FUpButton->SetNumGlyphs(1);
  }
  FUpButton->Invalidate();
}

void TSpinButtonCore::SetDownGlyph(const TBitmap* Value) {
  if (Value) {
    FDownButton->SetGlyph(*Value);
  } else {
    LoadDefaultGlyph(FDownButton->Glyph(), FQnFamily ? "QnSpinDown" : "CellSpinDown");
    FDownButton->SetNumGlyphs(1);
  }
  FDownButton->Invalidate();
}

void TSpinButtonCore::SetDirection(TSpinDirection Value) {
  FDirection = Value;
  if (Value == spVertical) {
    FUpButton->ArrowKind = 2;
    FDownButton->ArrowKind = 3;
    SetBounds(Left(), Top(), 15, Height());
  } else {
    FUpButton->ArrowKind = 1;
    FDownButton->ArrowKind = 0;
    SetBounds(Left(), Top(), 20, Height());
  }
  if (HandleAllocated()) RecreateWnd();
}

void TSpinButtonCore::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  const int minimum = FDirection == spVertical ? 15 : 20;
  TWinControl::SetBounds(ALeft, ATop, std::max(AWidth, minimum), AHeight);
  Layout();
}

void TSpinButtonCore::Layout() {
  if (!FUpButton || !FDownButton) return;
  const int w = Width(), h = Height();
  if (FDirection == spVertical) {
    const int upHeight = h / 2;
    FUpButton->SetBounds(0, 0, w, upHeight);
    FDownButton->SetBounds(0, upHeight - 1, w, h - upHeight + 1);
  } else {
    FDownButton->SetBounds(0, 0, w / 2, h);
    FUpButton->SetBounds(w / 2 + 1, 0, w / 2, h);
  }
}

void TSpinButtonCore::BtnClick(TQnTimerSpeedButton* Button) {
  if (Button == FUpButton.get()) {
    if (OnUpClick) OnUpClick(this);
  } else if (OnDownClick) {
    OnDownClick(this);
  }
}

void TSpinButtonCore::BtnMouseDown(TQnTimerSpeedButton* Button) {
  if (TabStop() && CanFocus() && FFocusedButton != Button) {
    FFocusedButton = Button;
    Invalidate();
  }
  if (FFocusControl && FFocusControl->TabStop() && FFocusControl->CanFocus() && !FFocusControl->Focused())
    FFocusControl->SetFocus();
  else if (TabStop() && CanFocus() && !Focused())
    SetFocus();
}

void TSpinButtonCore::KeyDown(WORD& Key, TShiftState Shift) {
  TWinControl::KeyDown(Key, Shift);
  switch (Key) {
    case VK_SPACE: BtnClick(FFocusedButton); break;
    case VK_UP: FFocusedButton = FUpButton.get(); BtnClick(FFocusedButton); break;
    case VK_DOWN: FFocusedButton = FDownButton.get(); BtnClick(FFocusedButton); break;
    default: break;
  }
}

void TSpinButtonCore::DoEnter() {
  TWinControl::DoEnter();
  FFocusedButton->TimeBtnState << tbFocusRect;
  FFocusedButton->Invalidate();
}

void TSpinButtonCore::DoExit() {
  TWinControl::DoExit();
  FFocusedButton->TimeBtnState >> tbFocusRect;
  FFocusedButton->Invalidate();
}

void TSpinButtonCore::WndProc(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTARROWS;
    return;
  }
  TWinControl::WndProc(Message);
}

// ---- the editor ----

TSpinEditCore::TSpinEditCore(TComponent* AOwner, bool QnFamily)
    : TCustomMaskEdit(AOwner), FQnFamily(QnFamily) {
  FButton = std::make_unique<TSpinButtonCore>(nullptr, QnFamily);
  FButton->SetBounds(0, 0, 15, 17);
  FButton->SetParent(this);
  FButton->SetFocusControl(this);
  FButton->OnUpClick = [this](TObject* s) { UpClick(s); };
  FButton->OnDownClick = [this](TObject* s) { DownClick(s); };
  TCustomMaskEdit::SetText("0");
  if (!QnFamily) {
    MinValue = 0;
    MaxValue = 100;
    MinFloatValue = 0.0;
    MaxFloatValue = 100.0;
  }
  SetTabStop(true);
}

TSpinEditCore::~TSpinEditCore() {
  FButton->OnUpClick = nullptr;
  FButton->OnDownClick = nullptr;
  FButton->SetFocusControl(nullptr);
  FButton->SetParent(nullptr);
}

DWORD TSpinEditCore::EditStyle() const { return TCustomMaskEdit::EditStyle() | ES_MULTILINE; }

// -- values --

int TSpinEditCore::Value() const {
  int v = 0;
  return TryStrToInt(EditText(), v) ? v : MinValue;
}

void TSpinEditCore::SetValue(int NewValue) {
  TCustomMaskEdit::SetText(IntToStr(LimitInt(NewValue, MinValue, MaxValue)));
  if (!EditorEnabled) SelectAll();
}

double TSpinEditCore::FloatValue() const {
  double v = 0;
  std::string text = EditText();
  if (!FQnFamily) {
    for (char& c : text)
      if (c == FormatSettings.ThousandSeparator && c != FormatSettings.DecimalSeparator)
        c = FormatSettings.DecimalSeparator;
  }
  return TryStrToFloat(text, v) ? v : MinFloatValue;
}

void TSpinEditCore::SetFloatValue(double NewValue) {
  const double v = LimitFloat(NewValue, MinFloatValue, MaxFloatValue);
  TCustomMaskEdit::SetText(FPrecision != 0 ? FloatToStrF(v, ffFixed, 15, FPrecision) : FloatToStr(v));
}

TDateTime TSpinEditCore::DateValue() const {
  const std::string text = EditText();
  if (text.empty() || text == "0") return Now();
  TDateTime v = 0;
  return TryStrToDate(text, v) ? v : MinDateValue;
}

void TSpinEditCore::SetDateValue(TDateTime NewValue) {
  FDateValue = NewValue;
  if (Loading) return;
  double v = NewValue;
  if (MinDateValue != MaxDateValue) v = LimitFloat(v, MinDateValue, MaxDateValue);
  const int caret = SelStart();
  TCustomMaskEdit::SetText(DateToStr(v));
  SetSelStart(std::min(caret, Len(EditText())));
}

TDateTime TSpinEditCore::TimeValue() const {
  TDateTime v = 0;
  return TryStrToTime(EditText(), v) ? v : 0;
}

void TSpinEditCore::SetTimeValue(TDateTime NewValue) {
  FTimeValue = NewValue;
  if (Loading) return;
  const int caret = SelStart();
  TCustomMaskEdit::SetText(FormatDateTime(FormatSettings.LongTimeFormat, NewValue));
  SetSelStart(std::min(caret, Len(EditText())));
}

int TSpinEditCore::HexValue() const {
  const std::string text = EditText();
  const std::string digits = text.size() > 2 ? text.substr(2) : std::string();
  auto digit = [](char c) {
    if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    int v = c - '0';
    if (v > 10) v -= 7;
    return v;
  };
  unsigned value = 0;
  std::size_t i = 0;
  for (; i + 1 < digits.size(); i += 2) value = value * 256 + static_cast<unsigned>(digit(digits[i]) * 16 + digit(digits[i + 1]));
  if (i < digits.size()) value = value * 16 + static_cast<unsigned>(digit(digits[i]));
  return static_cast<int>(value);
}

void TSpinEditCore::SetHexValue(int NewValue) {
  FHexValue = NewValue;
  if (Loading) return;
  TCustomMaskEdit::SetText("0x" + IntToHex(static_cast<unsigned>(NewValue), 1));
}

void TSpinEditCore::SetPrecision(int Value) {
  FPrecision = Value;
  if (FSpinType == sptFloat) SetFloatValue(FloatValue());
}

void TSpinEditCore::SetSpinType(TQnSpinType Value) {
  if (Value == sptHex && !FQnFamily) Value = sptNormal;
  FSpinType = Value;
  if (Loading && FQnFamily) return;
  switch (Value) {
    case sptNormal: SetValue(Value == sptNormal ? this->Value() : 0); break;
    case sptFloat: SetFloatValue(FloatValue()); break;
    case sptDate: SetDateValue(DateValue()); break;
    case sptTime: SetTimeValue(TimeValue()); break;
    case sptHex: SetHexValue(HexValue()); break;
  }
}

void TSpinEditCore::SetDirection(TSpinDirection Value) {
  FButton->SetDirection(Value);
  SetWidth(Width() + 1);
  SetWidth(Width() - 1);
}

void TSpinEditCore::Loaded() {
  TCustomMaskEdit::Loaded();
  Loading = false;
  if (FSpinType == sptDate) TCustomMaskEdit::SetText(DateToStr(FDateValue));
  else if (FSpinType == sptTime) TCustomMaskEdit::SetText(FormatDateTime(FormatSettings.LongTimeFormat, FTimeValue));
  else if (FSpinType == sptHex) TCustomMaskEdit::SetText("0x" + IntToHex(static_cast<unsigned>(FHexValue), 1));
  SetSpinType(FSpinType);
}

// -- stepping --

void TSpinEditCore::Step(int Sign) {
  if (ReadOnly()) {
    MessageBeep(0);
    return;
  }
  const std::string text = EditText();
  const int caret = SelStart();
  switch (FSpinType) {
    case sptNormal: SetValue(Value() + Sign * Increment); break;
    case sptFloat: SetFloatValue(FloatValue() + Sign * IncrementFloat); break;
    case sptHex: SetHexValue(HexValue() + Sign * Increment); break;
    case sptDate: {
      const int p1 = PosAfter(FormatSettings.DateSeparator, text, 0);
      const int p2 = p1 > 0 ? PosAfter(FormatSettings.DateSeparator, text, p1) : 0;
      const TDateTime d = DateValue();
      if (caret < p1 || p1 == 0) SetDateValue(d + Sign);
      else if (p2 > caret) SetDateValue(IncMonth(d, Sign));
      else SetDateValue(StepYear(d, Sign));
      break;
    }
    case sptTime: {
      const int p1 = PosAfter(FormatSettings.TimeSeparator, text, 0);
      const int p2 = p1 > 0 ? PosAfter(FormatSettings.TimeSeparator, text, p1) : 0;
      double unit = 1.0 / 86400;
      if (caret < p1 || p1 == 0) unit = 1.0 / 24;
      else if (p2 > caret) unit = 1.0 / 1440;
      SetTimeValue(StepTime(TimeValue(), Sign * unit));
      break;
    }
  }
}

void TSpinEditCore::UpClick(TObject*) { Step(1); }
void TSpinEditCore::DownClick(TObject*) { Step(-1); }

// -- typing --

bool TSpinEditCore::IsValidChar(char32_t Key) {
  const TFormatSettings& fs = FormatSettings;
  if (FSpinType == sptHex) {
    bool ok = (Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'F') || (Key >= 'a' && Key <= 'f') ||
              (Key < 32 && Key != 13);
    if (SelStart() < 2) ok = false;
    if (Key == 8 && SelStart() == 2) ok = false;
    if (!EditorEnabled) ok = Key < 32 && Key != 8 && Key != 13;
    return ok;
  }
  bool ok = Key == '+' || Key == '-' || (Key >= '0' && Key <= '9') ||
            Key == static_cast<unsigned char>(fs.DecimalSeparator) ||
            Key == static_cast<unsigned char>(fs.TimeSeparator) ||
            Key == static_cast<unsigned char>(fs.DateSeparator) ||
            (!FQnFamily && Key == static_cast<unsigned char>(fs.ThousandSeparator)) ||
            (Key < 32 && Key != 13);
  if (Key == static_cast<unsigned char>(fs.TimeSeparator) && FSpinType != sptTime &&
      fs.TimeSeparator != fs.DecimalSeparator)
    ok = false;
  if (Key == static_cast<unsigned char>(fs.DateSeparator) && FSpinType != sptDate &&
      fs.DateSeparator != fs.DecimalSeparator)
    ok = false;
  const std::string text = EditText();
  if (FSpinType == sptFloat && Key != 8 && Key != 13 && Key != 27) {
    char32_t k = Key;
    if (!FQnFamily && k == static_cast<unsigned char>(fs.ThousandSeparator)) k = static_cast<unsigned char>(fs.DecimalSeparator);
    const std::size_t sep = text.find(fs.DecimalSeparator);
    if (k == static_cast<unsigned char>(fs.DecimalSeparator) && sep != std::string::npos) ok = false;
    if (FPrecision >= 1 && sep != std::string::npos) {
      const int p = static_cast<int>(sep) + 1;
      if (SelStart() >= p && SelLength() == 0 && Len(text) >= p + FPrecision) ok = false;
    }
  }
  if (FSpinType == sptTime && Key == static_cast<unsigned char>(fs.TimeSeparator) &&
      text.find(fs.TimeSeparator) != std::string::npos)
    ok = false;
  if (!EditorEnabled) ok = Key < 32 && Key != 8;
  return ok;
}

void TSpinEditCore::KeyPress(char32_t& Key) {
  TCustomMaskEdit::KeyPress(Key);
  if (Key == 0) return;
  if (!IsValidChar(Key)) {
    Key = 0;
    MessageBeep(0);
    return;
  }
  if (FSpinType == sptFloat && !FQnFamily &&
      Key == static_cast<unsigned char>(FormatSettings.ThousandSeparator))
    Key = static_cast<unsigned char>(FormatSettings.DecimalSeparator);
}

void TSpinEditCore::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomMaskEdit::KeyDown(Key, Shift);
  switch (Key) {
    case VK_RETURN:
      if (ReturnIsTab) {
        Key = VK_TAB;
        PostMessage(WM_KEYDOWN, VK_TAB, 0);
      }
      break;
    case VK_UP: UpClick(this); break;
    case VK_DOWN: DownClick(this); break;
    case VK_DELETE:
      if (!EditorEnabled || (FSpinType == sptHex && SelStart() < 2)) Key = 0;
      break;
    default: break;
  }
}

void TSpinEditCore::DoCut() {
  if (EditorEnabled && !ReadOnly()) TCustomMaskEdit::DoCut();
}

void TSpinEditCore::DoPaste() {
  if (EditorEnabled && !ReadOnly()) TCustomMaskEdit::DoPaste();
}

void TSpinEditCore::DoEnter() {
  TCustomMaskEdit::DoEnter();
  if (AutoSelect() && !(GetKeyState(VK_LBUTTON) < 0 && EditorEnabled)) SelectAll();
}

void TSpinEditCore::DoExit() {
  TCustomMaskEdit::DoExit();
  switch (FSpinType) {
    case sptNormal: if (MinValue != MaxValue && (Value() < MinValue || Value() > MaxValue)) SetValue(Value()); break;
    case sptFloat: if (MinFloatValue != MaxFloatValue && (FloatValue() < MinFloatValue || FloatValue() > MaxFloatValue)) SetFloatValue(FloatValue()); break;
    case sptDate: if (MinDateValue != MaxDateValue && (DateValue() < MinDateValue || DateValue() > MaxDateValue)) SetDateValue(DateValue()); break;
    case sptHex: SetHexValue(LimitInt(HexValue(), MinValue, MaxValue)); break;
    default: break;
  }
}

void TSpinEditCore::SetEditRect() {
  TRect r = Rect(0, 0, ClientWidth() - FButton->Width() - 2, ClientHeight() + 1);
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TSpinEditCore::BoundsChanged(bool resized) {
  TCustomMaskEdit::BoundsChanged(resized);
  if (!resized || !FButton) return;
  TBitmap scratch(1, 1);
  scratch.Canvas().Font().Assign(Font());
  const int own = scratch.Canvas().TextHeight("gh");
  scratch.Canvas().Font().Assign(TFont());
  const int system = scratch.Canvas().TextHeight("gh");
  scratch.ReleaseCanvas();
  const int minimum = own + std::min(own, system) / 4 + 2 + 4 * GetSystemMetrics(SM_CYBORDER);
  if (Height() < minimum) {
    SetHeight(minimum);
    return;
  }
  constexpr int b = 5;
  FButton->SetBounds(Width() - FButton->Width() - b, 0, FButton->Width(), std::max(Height() - b, 1));
  SetEditRect();
}

void TSpinEditCore::WndProc(TMessage& Message) {
  if ((Message.Msg == WM_CUT || Message.Msg == WM_PASTE) && (!EditorEnabled || ReadOnly())) return;
  TCustomMaskEdit::WndProc(Message);
}
