#include "controls/grid/cell_edit_btn.h"

#include <algorithm>

#include "platform/gfx/bitmap.h"
#include "platform/ui/menus.h"
#include "platform/ui/screen.h"

namespace {
constexpr int kMinButtonWidth = 15;

// The height of a font's characters on the screen.
int FontHeight(const TFont& font) {
  TBitmap scratch(1, 1);
  TCanvas& canvas = scratch.Canvas();
  canvas.Font().Assign(font);
  const int h = canvas.TextHeight("gh");
  scratch.ReleaseCanvas();
  return h;
}
}  // namespace

// ---- TCellEditButton ----

TCellEditButton::TCellEditButton(TComponent* AOwner) : TCustomControl(AOwner) {
  FButton = std::make_unique<TSpeedButton>(nullptr);
  FButton->SetParent(this);
  FButton->OnClick = [this](TObject*) { ButtonReleased(); };
  SetBounds(0, 0, 20, 25);
}

TCellEditButton::~TCellEditButton() {
  FButton->OnClick = nullptr;
  FButton->SetParent(nullptr);
}

void TCellEditButton::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TCustomControl::SetBounds(ALeft, ATop, std::max(AWidth, kMinButtonWidth), AHeight);
  if (FButton) FButton->SetBounds(0, 0, Width(), Height());
}

void TCellEditButton::Loaded() {
  TCustomControl::Loaded();
  SetBounds(Left(), Top(), Width(), Height());
}

void TCellEditButton::SetFocusControl(TWinControl* Value) {
  FFocusControl = Value;
  if (Value) Value->FreeNotification(this);
}

void TCellEditButton::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TCellEditButton::DoEnter() {
  TCustomControl::DoEnter();
  if (FFocusControl && FFocusControl->CanFocus()) FFocusControl->SetFocus();
}

void TCellEditButton::ButtonReleased() {
  if (OnClick) OnClick(this);
  if (FFocusControl && FFocusControl->TabStop() && FFocusControl->CanFocus() && !FFocusControl->Focused())
    FFocusControl->SetFocus();
  else if (TabStop() && CanFocus() && !Focused())
    SetFocus();
}

// ---- TCellEditBtn ----

TCellEditBtn::TCellEditBtn(TComponent* AOwner) : TCustomEdit(AOwner) {
  FButton = std::make_unique<TCellEditButton>(nullptr);
  FButton->SetBounds(0, 0, 15, 17);
  FButton->SetParent(this);
  FButton->SetFocusControl(this);
  FButton->OnClick = [this](TObject*) { ClickButton(); };
  SetText("0");
  SetAutoSelect(true);
  PlaceButton();
}

TCellEditBtn::~TCellEditBtn() {
  FButton->OnClick = nullptr;
  FButton->SetFocusControl(nullptr);
  FButton->SetParent(nullptr);
}

DWORD TCellEditBtn::EditStyle() const {
  DWORD style = TCustomEdit::EditStyle() | ES_MULTILINE;
  if (FRightAlign) style |= ES_RIGHT;
  return style;
}

void TCellEditBtn::SetRightAlign(bool Value) {
  if (Value == FRightAlign) return;
  FRightAlign = Value;
  SetAlignment(Value ? taRightJustify : taLeftJustify);
  if (HandleAllocated()) RecreateWnd();
}

void TCellEditBtn::ClickButton() {
  if (OnClickBtn) OnClickBtn(this);
}

void TCellEditBtn::SetEditRect() {
  TRect r;
  Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&r));
  r.Bottom = ClientHeight() + 1;
  r.Right = ClientWidth() - ButtonWidth() - 3 - UnitWidth();
  r.Left = r.Top = 2;
  Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
}

void TCellEditBtn::PlaceButton() {
  if (!FButton) return;
  constexpr int d = 2;
  FButton->SetBounds(Width() - FButton->Width() - d, 0, FButton->Width(), std::max(Height() - d, 1));
  SetEditRect();
}

void TCellEditBtn::BoundsChanged(bool resized) {
  TCustomEdit::BoundsChanged(resized);
  if (!resized) return;
  const int own = FontHeight(Font());
  const int minimum = own + std::min(FontHeight(TFont()), own) / 4;
  if (Height() < minimum) {
    SetHeight(minimum);
    return;
  }
  PlaceButton();
}

void TCellEditBtn::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomEdit::KeyDown(Key, Shift);
  if (Key == VK_F4) {
    Key = 0;
    ClickButton();
  }
}

void TCellEditBtn::DoEnter() {
  // The edit selects its whole text on entering unless a mouse button is down.
  TCustomEdit::DoEnter();
}

void TCellEditBtn::DoCut() {
  if (EditorEnabled && !ReadOnly()) TCustomEdit::DoCut();
}

void TCellEditBtn::DoPaste() {
  if (EditorEnabled && !ReadOnly()) TCustomEdit::DoPaste();
}

void TCellEditBtn::WndProc(TMessage& Message) {
  if ((Message.Msg == WM_CUT || Message.Msg == WM_PASTE) && (!EditorEnabled || ReadOnly())) return;
  TCustomEdit::WndProc(Message);
}

// ---- TCellUnitEditBtn ----

TCellUnitEditBtn::TCellUnitEditBtn(TComponent* AOwner) : TCellEditBtn(AOwner) {
  FUnits = std::make_unique<TStringList>();
  SetRightAlign(true);
  SetEditRect();
}

TCellUnitEditBtn::~TCellUnitEditBtn() = default;

void TCellUnitEditBtn::SetUnitID(const std::string& Value) {
  FUnitID = Value;
  Invalidate();
}

void TCellUnitEditBtn::SetUnitSpace(int Value) {
  FUnitSpace = Value;
  SetEditRect();
  Invalidate();
}

TRect TCellUnitEditBtn::UnitRect() const {
  const int x = ClientWidth() - const_cast<TCellUnitEditBtn*>(this)->ButtonWidth() - 3 - FUnitSpace;
  return Rect(x, 2, x + FUnitSpace, ClientHeight());
}

void TCellUnitEditBtn::ClickButton() {
  HMENU menu = CreatePopupMenu();
  for (int i = 0; i < FUnits->Count(); ++i)
    AppendMenu(menu, MF_STRING, static_cast<std::uintptr_t>(i + 1), FUnits->Strings(i));
  const TPoint origin = ClientToScreen({0, 0});
  const int id = TrackPopupMenu(menu, TPM_RETURNCMD, origin.X + ClientWidth() - 15,
                                origin.Y + ClientHeight(), 0, this, nullptr);
  DestroyMenu(menu);
  if (id >= 1 && id <= FUnits->Count()) SetUnitID(FUnits->Strings(id - 1));
}

void TCellUnitEditBtn::WndProc(TMessage& Message) {
  TCellEditBtn::WndProc(Message);
  if (Message.Msg == WM_PAINT && Message.WParam) {
    TCanvas canvas;
    canvas.SetPainter(reinterpret_cast<TPainter*>(Message.WParam));
    canvas.Font().Assign(Font());
    TRect r = UnitRect();
    canvas.SetBkMode(TRANSPARENT);
    canvas.DrawText(FUnitID, r, DT_EDITCONTROL);
    canvas.SetPainter(nullptr);
  }
}
