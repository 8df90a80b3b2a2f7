#include "controls/grid/qn_combo.h"

#include "platform/ui/screen.h"

TQnCustomCombo::TQnCustomCombo(TComponent* AOwner) : TCustomComboBox(AOwner) {
  FButtonWidth = GetSystemMetrics(SM_CXVSCROLL) + 2;
}

void TQnCustomCombo::SetFlat(bool Value) {
  FFlat = Value;
  FCtl3D = !Value;
  Invalidate();
}

void TQnCustomCombo::SetEtched(bool Value) {
  FEtched = Value;
  Invalidate();
}

void TQnCustomCombo::SetButtonWidth(int Value) {
  if (Value < 14 || Value > 32) return;
  FButtonWidth = Value;
  Invalidate();
}

void TQnCustomCombo::SetDropWidth(int Value) {
  FDropWidth = Value;
  if (Value > 0) Perform(CB_SETDROPPEDWIDTH, static_cast<WPARAM>(Value));
}

bool TQnCustomCombo::NeedDraw3DBorder() const {
  if (HasState(csDesigning)) return false;
  return (FMouseInControl || Screen().ActiveControl() == this) && FocusBorder;
}

bool TQnCustomCombo::NeedDraw3DButton() const {
  if (HasState(csDesigning)) return Enabled();
  return FMouseInControl || Screen().ActiveControl() == this;
}

void TQnCustomCombo::DrawBorder(TCanvas& Canvas) {
  const bool border3D = NeedDraw3DBorder();
  const TColor outer = border3D ? static_cast<TColor>(clBtnFace)
                                : (Parent() ? Parent()->Color() : static_cast<TColor>(clBtnFace));
  TRect r = Rect(0, 0, Width(), Height());
  if (border3D) {
    Canvas.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    Canvas.Brush().SetColor(outer);
    Canvas.FrameRect(r);
    InflateRect(r, -1, -1);
    Canvas.Brush().SetColor(Color());
    Canvas.FrameRect(r);
  } else {
    Canvas.Brush().SetColor(outer);
    Canvas.FrameRect(r);
    InflateRect(r, -1, -1);
    Canvas.FrameRect(r);
    InflateRect(r, -1, -1);
    Canvas.Brush().SetColor(Color());
    Canvas.FrameRect(r);
  }
}

void TQnCustomCombo::DrawButton(TCanvas& Canvas) {
  const int cw = ClientWidth(), ch = ClientHeight();
  const int saved = Canvas.SaveDC();
  Canvas.ExcludeClipRect(cw - FButtonWidth + 4, 4, cw - 4, ch - 4);
  TRect r = Rect(0, 0, Width(), Height());
  r.Left = cw - FButtonWidth - 2;
  InflateRect(r, -2, -2);
  if (NeedDraw3DButton()) {
    UINT flags = BF_RECT;
    if (DroppedDown()) flags |= BF_FLAT;
    Canvas.DrawEdge(r, FEtched ? EDGE_ETCHED : EDGE_RAISED, flags);
  } else {
    Canvas.Brush().SetColor(clBtnFace);
    Canvas.FillRect(Rect(r.Left, r.Top + 1, r.Right - 1, r.Bottom - 1));
  }
  Canvas.RestoreDC(saved);
  Canvas.ExcludeClipRect(r.Left, r.Top, r.Right, r.Bottom);
}

void TQnCustomCombo::DrawFlat(TCanvas& Canvas) {
  DrawBorder(Canvas);
  if (Style() != csSimple) DrawButton(Canvas);
}

void TQnCustomCombo::Redraw() {
  if (!FFlat || !HandleAllocated()) return;
  TControlCanvas canvas(*this);
  DrawFlat(canvas);
}

void TQnCustomCombo::DoEnter() {
  TCustomComboBox::DoEnter();
  if (!HasState(csDesigning)) Redraw();
}

void TQnCustomCombo::DoExit() {
  TCustomComboBox::DoExit();
  if (!HasState(csDesigning)) Redraw();
}

void TQnCustomCombo::DropDown() {
  TCustomComboBox::DropDown();
  if (HandleAllocated()) InvalidateRect(Rect(ClientWidth() - FButtonWidth, 0, ClientWidth(), ClientHeight()), false);
}

void TQnCustomCombo::CloseUp() {
  TCustomComboBox::CloseUp();
  if (HandleAllocated()) InvalidateRect(Rect(ClientWidth() - FButtonWidth, 0, ClientWidth(), ClientHeight()), false);
}

void TQnCustomCombo::EnabledChanged() {
  TCustomComboBox::EnabledChanged();
  if (!FFlat) return;
  if (!Enabled()) {
    FSavedColor = Color();
    FSavedParentColor = ParentColor();
    if (Parent()) SetColor(Parent()->Color());
  } else {
    SetColor(FSavedColor);
    SetParentColor(FSavedParentColor);
    if (!FSavedParentColor) SetColor(FSavedColor);
  }
}

void TQnCustomCombo::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case CM_MOUSEENTER:
      TCustomComboBox::WndProc(Message);
      if (!FMouseInControl && Enabled()) {
        FMouseInControl = true;
        Redraw();
      }
      if (AutoFocus && CanFocus()) SetFocus();
      return;
    case CM_MOUSELEAVE:
      TCustomComboBox::WndProc(Message);
      if (FMouseInControl && Enabled()) {
        FMouseInControl = false;
        Redraw();
      }
      return;
    case WM_NCPAINT:
      TCustomComboBox::WndProc(Message);
      if (FFlat && Message.WParam) {
        TCanvas canvas;
        canvas.SetPainter(reinterpret_cast<TPainter*>(Message.WParam));
        DrawFlat(canvas);
        canvas.SetPainter(nullptr);
      }
      return;
    default:
      TCustomComboBox::WndProc(Message);
  }
}
