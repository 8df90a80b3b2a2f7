#include "platform/ui/spin_edit.h"

#include <algorithm>
#include <climits>

#include "platform/rtl/sysutils.h"

TSpinEdit::TSpinEdit(TComponent* AOwner) : TCustomEdit(AOwner) { SetText("0"); }

TSpinEdit::~TSpinEdit() { DestroyHandle(); }

int TSpinEdit::Limit(long long value) const {
  if (FMinValue != FMaxValue) value = std::clamp<long long>(value, FMinValue, FMaxValue);
  return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

int TSpinEdit::Value() const {
  int v = 0;
  if (!TryStrToInt(TCustomEdit::Text(), v)) v = FMinValue;
  return Limit(v);
}

void TSpinEdit::SetValue(int value) { SetText(IntToStr(Limit(value))); }

void TSpinEdit::PushRange() {
  if (auto* peer = NativePeer<TSpinPeer>()) {
    bool limited = FMinValue != FMaxValue;
    peer->SetRange(limited ? FMinValue : INT_MIN, limited ? FMaxValue : INT_MAX, FIncrement);
  }
}

void TSpinEdit::SetMinValue(int value) {
  FMinValue = value;
  PushRange();
}

void TSpinEdit::SetMaxValue(int value) {
  FMaxValue = value;
  PushRange();
}

void TSpinEdit::SetIncrement(int value) {
  FIncrement = value;
  PushRange();
}

void TSpinEdit::PushState() {
  PushRange();
  TCustomEdit::PushState();
}

void TSpinEdit::UpClick() {
  if (ReadOnly()) return Refuse();
  SetValue(Limit(static_cast<long long>(Value()) + FIncrement));
}

void TSpinEdit::DownClick() {
  if (ReadOnly()) return Refuse();
  SetValue(Limit(static_cast<long long>(Value()) - FIncrement));
}

void TSpinEdit::PeerStep(int steps) {
  for (int i = 0; i < std::abs(steps); ++i) steps > 0 ? UpClick() : DownClick();
}

bool TSpinEdit::EditKey(WORD key, TShiftState shift) {
  if (key == VK_UP) { UpClick(); return true; }
  if (key == VK_DOWN) { DownClick(); return true; }
  if (key == VK_DELETE && !FEditorEnabled) return true;
  return TCustomEdit::EditKey(key, shift);
}

bool TSpinEdit::EditChar(char32_t key) {
  bool control = key < 0x20;
  bool numeric = (key >= '0' && key <= '9') || key == '-' || key == '+';
  if (!FEditorEnabled ? !(control && key != 0x08) : !(control || numeric)) {
    Refuse();
    return true;
  }
  return TCustomEdit::EditChar(key);
}

void TSpinEdit::DoExit() {
  // Leaving puts a value outside the range back into it.
  std::string limited = IntToStr(Value());
  if (limited != TCustomEdit::Text()) SetText(limited);
  TCustomEdit::DoExit();
}
