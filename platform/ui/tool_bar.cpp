#include "platform/ui/tool_bar.h"

#include <algorithm>

// ---- TToolButton ----------------------------------------------------------------------------

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  SetBounds(0, 0, 23, 22);
  SetParentColor(true);
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(FParent); }

void TToolButton::SetParent(TWinControl* parent) {
  TGraphicControl::SetParent(parent);
  if (TToolBar* bar = ToolBar()) bar->ArrangeControls();
}

void TToolButton::SetImageIndex(int value) {
  if (value == FImageIndex) return;
  FImageIndex = value;
  Invalidate();
}

void TToolButton::SetStyle(TToolButtonStyle value) {
  if (value == FStyle) return;
  bool wasSeparator = IsSeparator();
  FStyle = value;
  if (IsSeparator() != wasSeparator) {
    if (IsSeparator()) SetWidth(8);
    else if (TToolBar* bar = ToolBar()) SetWidth(bar->ButtonWidth());
    if (TToolBar* bar = ToolBar()) bar->ArrangeControls();
  }
  Invalidate();
}

void TToolButton::SetDown(bool value) {
  if (value == FDown) return;
  FDown = value;
  // A grouped check button going down lets the others of its run go up.
  if (value && FGrouped && FStyle == tbsCheck && FParent) {
    std::vector<TToolButton*> run;
    int self = -1;
    for (int i = 0; i < FParent->ControlCount(); ++i) {
      auto* b = dynamic_cast<TToolButton*>(FParent->Controls(i));
      if (b && b->FGrouped && b->FStyle == tbsCheck) {
        if (b == this) self = static_cast<int>(run.size());
        run.push_back(b);
      } else if (self >= 0) {
        break;
      } else {
        run.clear();
      }
    }
    for (TToolButton* b : run)
      if (b != this && b->FDown) {
        b->FDown = false;
        b->Invalidate();
      }
  }
  Invalidate();
}

void TToolButton::Click() {
  if (IsSeparator()) return;  // no button: a separator makes no click
  if (FStyle == tbsCheck) {
    // A grouped button that is down stays down unless the group may be all up.
    if (!FDown) SetDown(true);
    else if (!FGrouped || FAllowAllUp) SetDown(false);
  }
  TGraphicControl::Click();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !Enabled() || IsSeparator()) return;
  FTracking = true;
  FPressed = true;
  Invalidate();
}

void TToolButton::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FTracking) return;
  bool inside = X >= 0 && Y >= 0 && X < Width() && Y < Height();
  if (inside != FPressed) {
    FPressed = inside;
    Invalidate();
  }
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && FTracking) {
    FTracking = false;
    FPressed = false;
    Invalidate();
  }
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TToolButton::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_MOUSEENTER:
      FMouseInControl = true;
      if (TToolBar* bar = ToolBar(); bar && bar->Flat()) Invalidate();
      break;
    case CM_MOUSELEAVE:
      FMouseInControl = false;
      if (TToolBar* bar = ToolBar(); bar && bar->Flat()) Invalidate();
      break;
    default:
      break;
  }
  TGraphicControl::WndProc(message);
}

void TToolButton::Paint() {
  TCanvas& c = Canvas();
  TToolBar* bar = ToolBar();
  bool flat = bar && bar->Flat();
  TRect r = ClientRect();
  if (IsSeparator()) {
    if (FStyle == tbsDivider || flat) {
      // An etched line down the middle.
      int x = Width() / 2 - 1;
      c.Pen().SetWidth(1);
      c.Pen().SetColor(clBtnShadow);
      c.MoveTo(x, 1);
      c.LineTo(x, Height() - 1);
      c.Pen().SetColor(clBtnHighlight);
      c.MoveTo(x + 1, 1);
      c.LineTo(x + 1, Height() - 1);
    }
    return;
  }
  bool sunken = FPressed || FDown;
  if (flat) {
    if (FDown && !FPressed) {
      // A checked flat button: a lighter face.
      c.Brush().SetStyle(bsSolid);
      c.Brush().SetColor(cl3DLight);
      c.FillRect(r);
    }
    TRect frame = r;
    if (sunken) c.DrawEdge(frame, BDR_SUNKENOUTER, BF_RECT);
    else if (FMouseInControl && Enabled()) c.DrawEdge(frame, BDR_RAISEDINNER, BF_RECT);
  } else {
    c.DrawFrameControl(r, DFC_BUTTON, DFCS_BUTTONPUSH | (sunken ? UINT(DFCS_PUSHED) : 0u));
    if (FDown && !FPressed) {
      TRect inner = r;
      InflateRect(inner, -2, -2);
      c.Brush().SetStyle(bsSolid);
      c.Brush().SetColor(cl3DLight);
      c.FillRect(inner);
    }
  }
  int shift = sunken ? 1 : 0;
  TImageList* images = bar ? bar->Images() : nullptr;
  bool showCaption = bar && bar->ShowCaptions() && !Caption().empty();
  int textHeight = 0;
  if (showCaption) {
    c.Font().Assign(Font());
    textHeight = c.TextHeight("gh");
  }
  int imageHeight = images && FImageIndex >= 0 ? images->Height() : 0;
  int top = (Height() - imageHeight - (showCaption ? textHeight + (imageHeight ? 1 : 0) : 0)) / 2;
  if (images && FImageIndex >= 0 && FImageIndex < images->Count())
    images->Draw(c, (Width() - images->Width()) / 2 + shift, top + shift, FImageIndex, Enabled());
  if (showCaption) {
    TRect t = Rect(1 + shift, top + imageHeight + (imageHeight ? 1 : 0) + shift, Width() - 1 + shift, Height());
    t.Bottom = t.Top + textHeight;
    c.Brush().SetStyle(bsClear);
    c.Font().SetColor(Enabled() ? Font().Color() : clGrayText);
    c.DrawText(Caption(), t, DT_SINGLELINE | DT_CENTER | DT_END_ELLIPSIS);
  }
}

// ---- TToolBar -------------------------------------------------------------------------------

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
  SetBounds(0, 0, 150, 29);
  SetColor(clBtnFace);
  SetAlign(alTop);
}

void TToolBar::SetImages(TImageList* value) {
  FImages = value;
  Invalidate();
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
}

void TToolBar::SetFlat(bool value) {
  if (value == FFlat) return;
  FFlat = value;
  Invalidate();
}

void TToolBar::SetButtonWidth(int value) {
  FButtonWidth = std::max(value, 1);
  ArrangeControls();
}

void TToolBar::SetButtonHeight(int value) {
  FButtonHeight = std::max(value, 1);
  ArrangeControls();
}

void TToolBar::SetShowCaptions(bool value) {
  if (value == FShowCaptions) return;
  FShowCaptions = value;
  Invalidate();
  for (int i = 0; i < ControlCount(); ++i) Controls(i)->Invalidate();
}

void TToolBar::SetIndent(int value) {
  FIndent = std::max(value, 0);
  ArrangeControls();
}

int TToolBar::ButtonCount() const {
  int n = 0;
  for (int i = 0; i < ControlCount(); ++i) n += dynamic_cast<TToolButton*>(Controls(i)) != nullptr;
  return n;
}

TToolButton* TToolBar::Buttons(int index) const {
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TToolButton*>(Controls(i)); b && index-- == 0) return b;
  return nullptr;
}

void TToolBar::ArrangeControls() {
  if (FArranging) return;
  FArranging = true;
  int x = FIndent;
  const int top = 2;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible()) continue;
    if (auto* b = dynamic_cast<TToolButton*>(c)) {
      bool separator = b->Style() == tbsSeparator || b->Style() == tbsDivider;
      b->SetBounds(x, top, separator ? b->Width() : FButtonWidth, FButtonHeight);
    } else {
      // Any other control keeps its size, centred on the button row.
      c->SetBounds(x, top + (FButtonHeight - c->Height()) / 2, c->Width(), c->Height());
    }
    x += c->Width();
  }
  FArranging = false;
}

void TToolBar::Resize() {
  TCustomControl::Resize();
  ArrangeControls();
}

void TToolBar::WndProc(TMessage& message) {
  TCustomControl::WndProc(message);
  if (message.Msg == CM_CONTROLCHANGE) ArrangeControls();
}

void TToolBar::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  // The etched edge along the top.
  c.Pen().SetWidth(1);
  c.Pen().SetColor(clBtnShadow);
  c.MoveTo(0, 0);
  c.LineTo(Width(), 0);
  c.Pen().SetColor(clBtnHighlight);
  c.MoveTo(0, 1);
  c.LineTo(Width(), 1);
}
