#include "platform/ui/status_bar.h"

#include <algorithm>

namespace {
constexpr int kGripWidth = 14;

void DrawPanelText(TCanvas& c, const std::string& text, TRect r, TAlignment alignment) {
  InflateRect(r, -2, -1);
  c.Brush().SetStyle(bsClear);
  UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
  if (alignment == taCenter) flags |= DT_CENTER;
  else if (alignment == taRightJustify) flags |= DT_RIGHT;
  c.DrawText(text, r, flags);
}
}  // namespace

TStatusPanel::TStatusPanel(TCollection* ACollection) : TCollectionItem(ACollection) {}

void TStatusPanel::SetText(const std::string& value) {
  if (value == FText) return;
  FText = value;
  Changed(false);
}

void TStatusPanel::SetWidth(int value) {
  value = std::max(value, 0);
  if (value == FWidth) return;
  FWidth = value;
  Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment value) {
  if (value == FAlignment) return;
  FAlignment = value;
  Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
  if (value == FBevel) return;
  FBevel = value;
  Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle value) {
  if (value == FStyle) return;
  FStyle = value;
  Changed(false);
}

TStatusPanels::TStatusPanels(TStatusBar& bar) : TCollection(ItemClassOf<TStatusPanel>()), FBar(bar) {}

void TStatusPanels::Update(TCollectionItem*) { FBar.Invalidate(); }

TStatusBar::TStatusBar(TComponent* AOwner)
    : TCustomControl(AOwner), FPanels(std::make_unique<TStatusPanels>(*this)) {
  SetBounds(0, 0, 200, 19);
  SetColor(clBtnFace);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool value) {
  if (value == FSimplePanel) return;
  FSimplePanel = value;
  Invalidate();
}

void TStatusBar::SetSimpleText(const std::string& value) {
  if (value == FSimpleText) return;
  FSimpleText = value;
  if (FSimplePanel) Invalidate();
}

void TStatusBar::SetSizeGrip(bool value) {
  if (value == FSizeGrip) return;
  FSizeGrip = value;
  Invalidate();
}

TRect TStatusBar::PanelRect(int index) const {
  int right = Width() - (FSizeGrip ? kGripWidth : 0);
  int x = 0;
  for (int i = 0; i < FPanels->Count(); ++i) {
    int w = FPanels->Items(i)->Width();
    bool last = i == FPanels->Count() - 1;
    TRect r = Rect(x, 2, last ? std::max(right, x) : x + w, Height());
    if (i == index) return r;
    x += w + 2;
  }
  return Rect(0, 0, 0, 0);
}

void TStatusBar::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  c.Font().Assign(Font());
  if (FSimplePanel) {
    TRect r = Rect(0, 2, Width() - (FSizeGrip ? kGripWidth : 0), Height());
    DrawPanelText(c, FSimpleText, r, taLeftJustify);
  } else {
    for (int i = 0; i < FPanels->Count(); ++i) {
      TStatusPanel* p = FPanels->Items(i);
      TRect r = PanelRect(i);
      if (p->Bevel() != pbNone) {
        TRect frame = r;
        c.DrawEdge(frame, p->Bevel() == pbLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      }
      if (p->Style() == psOwnerDraw) {
        TRect inner = r;
        InflateRect(inner, -1, -1);
        if (OnDrawPanel) OnDrawPanel(this, p, inner);
        c.Font().Assign(Font());
      } else {
        DrawPanelText(c, p->Text(), r, p->Alignment());
      }
    }
  }
  if (FSizeGrip) {
    // Three diagonal ridges in the bottom right corner.
    int w = Width(), h = Height();
    c.Pen().SetWidth(1);
    for (int k = 0; k < 3; ++k) {
      int d = 4 * k + 3;
      c.Pen().SetColor(clBtnHighlight);
      c.MoveTo(w - d - 1, h - 1);
      c.LineTo(w - 1, h - d - 2);
      c.Pen().SetColor(clBtnShadow);
      c.MoveTo(w - d, h - 1);
      c.LineTo(w - 1, h - d - 1);
      c.MoveTo(w - d + 1, h - 1);
      c.LineTo(w - 1, h - d);
    }
  }
}
