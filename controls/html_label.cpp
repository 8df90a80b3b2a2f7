#include "controls/html_label.h"

#include "platform/ui/application.h"
#include "platform/ui/screen.h"
#include "platform/ui/shell.h"

TMarkupLabel::TMarkupLabel(TComponent* AOwner) : TCustomLabel(AOwner) {
  TCustomLabel::SetAutoSize(false);
  FHTMLText.OnChange = [this](TObject*) {
    FPictures.Clear();
    FLayout.Clear();
    Invalidate();
  };
}

TMarkupLabel::~TMarkupLabel() {
  if (FImages) FImages->RemoveFreeNotification(this);
}

void TMarkupLabel::SetImages(TImageList* value) {
  if (FImages) FImages->RemoveFreeNotification(this);
  FImages = value;
  if (FImages) FImages->FreeNotification(this);
  Invalidate();
}

void TMarkupLabel::SetURLColor(TColor value) {
  if (value == FURLColor) return;
  FURLColor = value;
  Invalidate();
}

void TMarkupLabel::SetVAlignment(TVAlignment value) {
  if (value == FVAlignment) return;
  FVAlignment = value;
  Invalidate();
}

void TMarkupLabel::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomLabel::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) FImages = nullptr;
}

void TMarkupLabel::Loaded() {
  TCustomLabel::Loaded();
  SetCaption("");
}

std::string TMarkupLabel::GetLabelText() const {
  std::string s;
  for (int i = 0; i < FHTMLText.Count(); ++i) s += FHTMLText.Strings(i);
  return s;
}

TMiniHTMLParams TMarkupLabel::Params() const {
  TMiniHTMLParams p;
  p.Cache = const_cast<TWebPictureCache*>(&FPictures);
  p.Layout = const_cast<TMarkupLayout*>(&FLayout);
  p.Images = FImages;
  p.ShadowOffset = FShadowOffset;
  p.ShadowColor = FShadowColor;
  p.URLColor = FURLColor;
  p.HoverColor = FHoverColor;
  p.HoverFontColor = FHoverFontColor;
  p.Hover = FHover;
  p.HoverLink = FHoverIndex;
  return p;
}

TRect TMarkupLabel::TextRect(TCanvas* canvas) {
  TRect r = ClientRect();
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    TColor top = clBtnShadow, bottom = clBtnHighlight;
    if (cut == bvRaised) std::swap(top, bottom);
    if (canvas) Frame3D(*canvas, r, top, bottom, FBevelWidth);
    else InflateRect(r, -FBevelWidth, -FBevelWidth);
  };
  bevel(FBevelOuter);
  if (FBorderWidth > 0) {
    if (canvas) Frame3D(*canvas, r, Color(), Color(), FBorderWidth);
    else InflateRect(r, -FBorderWidth, -FBorderWidth);
  }
  bevel(FBevelInner);
  if (FBorderStyle == bsSingle && FBorderWidth > 0 && canvas) {
    canvas->Pen().SetColor(clBlack);
    canvas->Pen().SetWidth(FBorderWidth);
    canvas->Brush().SetStyle(bsClear);
    canvas->Rectangle(ClientRect());
    canvas->Pen().SetWidth(1);
  }
  if (FBevelOuter != bvNone || FBevelInner != bvNone) InflateRect(r, -FBevelWidth, -FBevelWidth);
  if (FBorderStyle == bsSingle) InflateRect(r, -FBorderWidth, -FBorderWidth);
  return r;
}

TRect TMarkupLabel::PlaceText(TCanvas& canvas, const std::string& text, TRect r, const TMiniHTMLParams& params) {
  if (FAutoSizing) {
    if (Align() == alNone || Align() == alLeft || Align() == alRight) r.Right += 65535;
    if (Align() == alNone || Align() == alTop || Align() == alBottom) r.Bottom += 250;
  }
  if (FVAlignment != tvaTop) {
    TMiniHTMLParams m = params;
    m.Measuring = true;
    TMiniHTMLResult res;
    DrawMiniHTML(canvas, text, r, m, res);
    int h = res.YSize;
    if (h < Height()) {
      if (FVAlignment == tvaCenter) r.Top += (r.Bottom - r.Top - h) / 2;
      else r.Top = r.Bottom - h;
    }
  }
  return r;
}

void TMarkupLabel::Paint() {
  TCanvas& c = Canvas();
  if (!Transparent()) {
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(Color());
    c.FillRect(ClientRect());
  }
  TRect r = TextRect(&c);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.Font().Assign(Font());
  TMiniHTMLParams p = Params();
  TPoint cursor;
  GetCursorPos(&cursor);
  p.Mouse = ScreenToClient(cursor);
  std::string text = GetLabelText();
  r = PlaceText(c, text, r, p);
  TMiniHTMLResult res;
  DrawMiniHTML(c, text, r, p, res);
  if (FAutoSizing) {
    if ((Align() == alNone || Align() == alTop || Align() == alBottom) && res.YSize + 6 != Height())
      SetHeight(res.YSize + 6);
    if ((Align() == alNone || Align() == alLeft || Align() == alRight) && res.XSize + 6 != Width())
      SetWidth(res.XSize + 6);
  }
}

std::string TMarkupLabel::AnchorAt(int X, int Y, TRect* AnchorRect) {
  TCanvas& c = MeasureCanvas(Font());
  c.Font().Assign(Font());
  TMiniHTMLParams p = Params();
  p.Mouse = {X, Y};
  p.Measuring = true;
  std::string text = GetLabelText();
  TRect r = PlaceText(c, text, TextRect(nullptr), p);
  TMiniHTMLResult res;
  bool on = DrawMiniHTML(c, text, r, p, res);
  FFoundIndex = on ? res.MouseLink : -1;
  if (!on) return "";
  if (AnchorRect) *AnchorRect = res.HoverRect;
  return res.AnchorVal;
}

void TMarkupLabel::InvalidateOnParent(const TRect& r) {
  if (!Parent()) return;
  TRect area = r;
  OffsetRect(area, Left(), Top());
  Parent()->InvalidateRect(area, true);
}

void TMarkupLabel::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomLabel::MouseMove(Shift, X, Y);
  TRect rect;
  std::string anchor = AnchorAt(X, Y, &rect);
  int index = FFoundIndex;
  if (!anchor.empty()) {
    bool moved = anchor != FHoverAnchor || !(rect == FHoverRect) || FHoverIndex == -1;
    if (moved && FHover) InvalidateOnParent(FHoverRect);
    if (anchor != FHoverAnchor || index != FHoverIndex || Cursor() != crHandPoint) {
      if (FAnchorHint && Application) Application->CancelHint();
      SetCursor(crHandPoint);
      if (OnAnchorEnter) OnAnchorEnter(this, anchor);
      if (FHover) InvalidateOnParent(rect);
    }
    FHoverAnchor = anchor;
    FHoverIndex = index;
    FHoverRect = rect;
  } else if (Cursor() == crHandPoint) {
    SetCursor(crDefault);
    if (OnAnchorExit) OnAnchorExit(this, anchor);
    if (FHover) InvalidateOnParent(FHoverRect);
    FHoverAnchor.clear();
    FHoverIndex = -1;
  }
}

void TMarkupLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomLabel::MouseDown(Button, Shift, X, Y);
  std::string anchor = AnchorAt(X, Y);
  if (anchor.empty()) return;
  // Only web and mail addresses go to the shell; any other scheme (a file:// link in record
  // data) would launch a local target, so it is the form's to judge.
  if (IsShellAnchor(anchor)) ShellOpenOrTell(nullptr, anchor, "the link \"" + anchor + "\"");
  else if (OnAnchorClick) OnAnchorClick(this, anchor);
}

void TMarkupLabel::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CM_HINTSHOW: {
      auto* info = reinterpret_cast<THintInfo*>(message.LParam);
      if (FAnchorHint && info) {
        std::string anchor = AnchorAt(info->CursorPos.X, info->CursorPos.Y);
        if (!anchor.empty()) {
          info->HintStr = anchor;
          TPoint p = ClientToScreen(info->CursorPos);
          info->HintPos = {p.X + 10, p.Y - 10};
        }
      }
      TCustomLabel::WndProc(message);
      message.Result = 0;
      return;
    }
    case CM_MOUSELEAVE:
      if (FHover && FHoverIndex != -1) InvalidateOnParent(FHoverRect);
      FHoverIndex = -1;
      FHoverAnchor.clear();
      break;
    default:
      break;
  }
  TCustomLabel::WndProc(message);
}
