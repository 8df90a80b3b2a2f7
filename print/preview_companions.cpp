#include "print/preview_companions.h"

#include <algorithm>

#include "platform/gfx/resources.h"
#include "print/preview_art.h"

namespace {

struct TNavKind {
  const char* Glyph;
  const char* Hint;
  int Group;
};

const TNavKind kNav[kPgNavButtonCount] = {
    {"FIRST", "First Page", 0},          {"PREV", "Previous Page", 0},        {"NEXT", "Next Page", 0},
    {"LAST", "Last Page", 0},            {"ADDPAGE", "Add Page", 1},          {"DELETEPAGE", "Delete Current Page", 1},
    {"CLEAR", "Clear", 1},               {"ZOOMIN", "Zoom In", 2},            {"ZOOMOUT", "Zoom Out", 2},
    {"ACTUALSIZE", "Actual Size", 2},    {"FITWIDTH", "Fit Width", 3},        {"FITHEIGHT", "Fit Height", 3},
    {"FITWHOLEPAGE", "Fit Whole Page", 3},
};

bool IsPreviewMessage(UINT msg) { return msg >= PG_PAGESPERSHEET && msg <= PG_CURRENTPAGE; }

void SetGlyph(TSpeedButton& b, const char* name) {
  if (const TBitmap* g = FindBitmapResource(name)) b.SetGlyph(*g);
}

}  // namespace

const char* NavButtonGlyph(TPgNavigateBtn kind) { return kNav[kind].Glyph; }
const char* NavButtonHint(TPgNavigateBtn kind) { return kNav[kind].Hint; }
int NavButtonGroup(TPgNavigateBtn kind) { return kNav[kind].Group; }

// ---- TPgPreviewLink -------------------------------------------------------------------------

TPgPreviewLink::~TPgPreviewLink() { Set(nullptr); }

bool TPgPreviewLink::Set(TPgPreview* preview) {
  if (preview == FPreview) return false;
  if (FPreview) FPreview->RemoveAssociatedComponent(&FOwner);
  FPreview = preview;
  if (FPreview) FPreview->AddAssociatedComponent(&FOwner);
  return true;
}

void TPgPreviewLink::Removed(TComponent* component) {
  if (component == FPreview) FPreview = nullptr;
}

// ---- TPgPropertyGraphic ---------------------------------------------------------------------

TPgPropertyGraphic::TPgPropertyGraphic(TComponent* AOwner) : TPgWinControl(AOwner) {
  RegisterPreviewResources();
  SetBounds(Left(), Top(), 137, 105);
  SetColor(clBtnFace);
  FShadow.Width = 2;
  const char* glyphs[] = {"Portrait", "Landscape", nullptr};
  for (int i = 0; i < 3; ++i) {
    FButtons[static_cast<std::size_t>(i)] = std::make_unique<TSpeedButton>(nullptr);
    TSpeedButton& b = *FButtons[static_cast<std::size_t>(i)];
    b.SetGroupIndex(1);
    b.SetParent(this);
    if (glyphs[i]) SetGlyph(b, glyphs[i]);
    b.OnClick = [this, i](TObject*) { Pressed(i); };
  }
  FButtons[0]->SetDown(true);
  Layout();
}

TPgPropertyGraphic::~TPgPropertyGraphic() {
  for (auto& b : FButtons) b.reset();
}

void TPgPropertyGraphic::SetPreview(TPgPreview* value) {
  if (FLink.Set(value)) FromPreview();
}

void TPgPropertyGraphic::Notification(TComponent* AComponent, TOperation Operation) {
  TPgWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove) FLink.Removed(AComponent);
}

void TPgPropertyGraphic::SetPreviewProperty(TPgGraphicPropertyType value) {
  FProperty = value;
  const char* glyphs[3] = {"Portrait", "Landscape", nullptr};
  if (value == gmMultipageGraphic) {
    glyphs[0] = "OnePage";
    glyphs[1] = "TwoPage";
    glyphs[2] = "FourPage";
  }
  for (int i = 0; i < 3; ++i)
    if (glyphs[i]) SetGlyph(*FButtons[static_cast<std::size_t>(i)], glyphs[i]);
  Layout();
  FromPreview();
}

void TPgPropertyGraphic::SetShowButtons(bool value) {
  FShowButtons = value;
  Layout();
}

void TPgPropertyGraphic::SetButtonSpacing(int value) {
  FSpacing = std::max(0, value);
  Layout();
}

void TPgPropertyGraphic::Resize() {
  TPgWinControl::Resize();
  Layout();
}

void TPgPropertyGraphic::Layout() {
  if (!FButtons[2]) return;  // still being made
  int n = ButtonCount();
  for (int i = 0; i < 3; ++i) {
    TSpeedButton& b = *FButtons[static_cast<std::size_t>(i)];
    b.SetVisible(FShowButtons && i < n);
    b.SetBounds(ClientWidth() - 23 - 4, 4 + i * (23 + FSpacing), 23, 23);
  }
  Invalidate();
}

void TPgPropertyGraphic::FromPreview() {
  if (TPgPreview* p = Preview()) {
    FOrientation = p->Orientation();
    FPagesPerSheet = p->PagesPerSheet();
  }
  int down = FProperty == gmOrientationGraphic ? static_cast<int>(FOrientation) : static_cast<int>(FPagesPerSheet);
  FButtons[static_cast<std::size_t>(down)]->SetDown(true);
  Invalidate();
}

void TPgPropertyGraphic::Pressed(int index) {
  if (FProperty == gmOrientationGraphic) {
    FOrientation = static_cast<TPgOrientation>(index);
    if (TPgPreview* p = Preview()) p->SetOrientation(FOrientation);
  } else {
    FPagesPerSheet = static_cast<TPgPagesPerSheet>(index);
    if (TPgPreview* p = Preview()) p->SetPagesPerSheet(FPagesPerSheet);
  }
  FromPreview();
}

void TPgPropertyGraphic::WndProc(TMessage& message) {
  if (message.Msg == PG_ORIENTATION || message.Msg == PG_PAGESPERSHEET || message.Msg == PG_ENDUPDATE) FromPreview();
  TPgWinControl::WndProc(message);
}

TRect TPgPropertyGraphic::PaperRect() const {
  int right = FShowButtons ? ClientWidth() - 23 - 4 - FSpacing : ClientWidth();
  TRect area = Rect(6, 6, std::max(right - 6, 8), ClientHeight() - 6);
  double w = 8.26, h = 11.69;
  if (FOrientation == gmLandscape) std::swap(w, h);
  double scale = std::min(area.Width() / w, area.Height() / h);
  int pw = static_cast<int>(w * scale), ph = static_cast<int>(h * scale);
  int left = area.Left + (area.Width() - pw) / 2, top = area.Top + (area.Height() - ph) / 2;
  return Rect(left, top, left + pw, top + ph);
}

void TPgPropertyGraphic::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  TRect r = PaperRect();
  if (FShadow.Visible) {
    c.Brush().SetColor(FShadow.Color);
    c.FillRect(Rect(r.Left + FShadow.Width, r.Top + FShadow.Width, r.Right + FShadow.Width, r.Bottom + FShadow.Width));
  }
  c.Brush().SetColor(clWhite);
  c.Pen().SetColor(clBlack);
  c.Rectangle(r);
  c.Brush().SetStyle(bsClear);
  c.Font().SetName("Arial");
  c.Font().SetColor(clBlack);
  auto centred = [&](const TRect& box, const std::string& text) {
    TRect t = box;
    c.DrawText(text, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  };
  if (FProperty == gmOrientationGraphic) {
    c.Font().SetHeight(-std::max(8, r.Height() / 2));
    centred(r, FOrientation == gmPortrait ? "P" : "L");
    return;
  }
  std::vector<TRect> parts;
  int mx = (r.Left + r.Right) / 2, my = (r.Top + r.Bottom) / 2;
  if (FPagesPerSheet == gmOnePage) parts = {r};
  else if (FPagesPerSheet == gmTwoPage)
    parts = r.Width() > r.Height() ? std::vector<TRect>{Rect(r.Left, r.Top, mx, r.Bottom), Rect(mx, r.Top, r.Right, r.Bottom)}
                                   : std::vector<TRect>{Rect(r.Left, r.Top, r.Right, my), Rect(r.Left, my, r.Right, r.Bottom)};
  else
    parts = {Rect(r.Left, r.Top, mx, my), Rect(mx, r.Top, r.Right, my), Rect(r.Left, my, mx, r.Bottom),
             Rect(mx, my, r.Right, r.Bottom)};
  c.Font().SetHeight(-std::max(8, std::min(parts[0].Height(), parts[0].Width()) / 2));
  for (std::size_t i = 0; i < parts.size(); ++i) {
    c.Brush().SetStyle(bsClear);
    c.Rectangle(parts[i]);
    centred(parts[i], std::to_string(i + 1));
  }
}

// ---- TPgPropertyComboBox --------------------------------------------------------------------

TPgPropertyComboBox::TPgPropertyComboBox(TComponent* AOwner) : TComboBox(AOwner) {
  RegisterPreviewResources();
  SetStyle(csOwnerDrawFixed);
  SetItemHeight(18);
}

TPgPropertyComboBox::~TPgPropertyComboBox() = default;

void TPgPropertyComboBox::SetPreview(TPgPreview* value) {
  if (FLink.Set(value)) Rebuild();
}

void TPgPropertyComboBox::Notification(TComponent* AComponent, TOperation Operation) {
  TComboBox::Notification(AComponent, Operation);
  if (Operation == opRemove) FLink.Removed(AComponent);
}

void TPgPropertyComboBox::SetPreviewProperty(TPgComboPropertyType value) {
  FProperty = value;
  Rebuild();
}

void TPgPropertyComboBox::Rebuild() {
  FRebuilding = true;
  Items().Clear();
  TPgPreview* p = Preview();
  if (p) {
    TStringList names;
    if (FProperty == gmPaperList) p->GetPaperNames(names);
    else p->GetPrinterNames(names);
    std::string current = FProperty == gmPaperList ? PaperSizeToString(p->PaperSize())
                          : p->PrinterIndex() >= 0 && p->PrinterIndex() < names.Count() ? names[p->PrinterIndex()]
                          : names.Count() > 0 ? names[0] : std::string();
    int selected = -1;
    for (int i = 0; i < names.Count(); ++i) {
      bool add = true;
      if (OnAddItem) OnAddItem(this, names[i], add);
      if (!add) continue;
      if (names[i] == current) selected = Items().Count();
      Items().Add(names[i]);
    }
    SetItemIndex(selected);
  } else {
    SetItemIndex(-1);
  }
  FRebuilding = false;
}

void TPgPropertyComboBox::Change() {
  TComboBox::Change();
  TPgPreview* p = Preview();
  if (FRebuilding || !p || ItemIndex() < 0) return;
  std::string item = Items()[ItemIndex()];
  if (FProperty == gmPaperList) {
    p->SetPaperSize(StringToPaperSize(item));
    return;
  }
  TStringList names;
  p->GetPrinterNames(names);
  int index = names.IndexOf(item);
  if (index >= 0) p->SetPrinterIndex(index);
}

void TPgPropertyComboBox::DrawItem(int index, const TRect& rect, TOwnerDrawState state) {
  if (index < 0 || index >= Items().Count()) return;
  TCanvas& c = Canvas();
  bool selected = state.Contains(odSelected);
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(selected ? clHighlight : clWindow);
  c.FillRect(rect);
  std::string item = Items()[index];
  const char* picture = FProperty == gmPrinterList ? "Printer"
                        : IsEnvelopeStylePaper(StringToPaperSize(item)) ? "Envelope" : "Paper";
  if (const TBitmap* g = FindBitmapResource(picture)) DrawGlyph(c, *g, 1, 0, rect.Left + 2, rect.Top + (rect.Height() - 16) / 2, false);
  c.Brush().SetStyle(bsClear);
  c.Font().SetColor(selected ? clHighlightText : clWindowText);
  TRect t = Rect(rect.Left + 22, rect.Top, rect.Right, rect.Bottom);
  c.DrawText(item, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void TPgPropertyComboBox::WndProc(TMessage& message) {
  if ((message.Msg == PG_PAPERSIZE && FProperty == gmPaperList) ||
      (message.Msg == PG_PRINTER && FProperty == gmPrinterList) || message.Msg == PG_ENDUPDATE)
    Rebuild();
  TComboBox::WndProc(message);
}

// ---- TPgPageNavigator -----------------------------------------------------------------------

TPgPageNavigator::TPgPageNavigator(TComponent* AOwner) : TPgWinControl(AOwner) {
  RegisterPreviewResources();
  SetColor(clBtnFace);
  for (int i = 0; i < kPgNavButtonCount; ++i) {
    auto kind = static_cast<TPgNavigateBtn>(i);
    FVisible.Include(kind);
    FButtons[static_cast<std::size_t>(i)] = std::make_unique<TPgNavButton>(nullptr, kind);
    TPgNavButton& b = *FButtons[static_cast<std::size_t>(i)];
    b.SetParent(this);
    SetGlyph(b, kNav[i].Glyph);
    b.OnClick = [this, kind](TObject*) { Press(kind); };
  }
  UpdateHints();
  Layout();
  UpdateButtons();
}

TPgPageNavigator::~TPgPageNavigator() {
  for (auto& b : FButtons) b.reset();
}

void TPgPageNavigator::SetPreview(TPgPreview* value) {
  if (FLink.Set(value)) UpdateButtons();
}

void TPgPageNavigator::Notification(TComponent* AComponent, TOperation Operation) {
  TPgWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove) {
    FLink.Removed(AComponent);
    if (!FLink.Preview()) UpdateButtons();
  }
}

void TPgPageNavigator::SetNavAutoSize(bool v) { FAutoSize = v; Layout(); }
void TPgPageNavigator::SetBorderWidth(int v) { FBorderWidth = std::max(0, v); Layout(); }
void TPgPageNavigator::SetButtonWidth(int v) { FButtonWidth = std::max(1, v); Layout(); }
void TPgPageNavigator::SetButtonHeight(int v) { FButtonHeight = std::max(1, v); Layout(); }
void TPgPageNavigator::SetGroupButtons(bool v) { FGroupButtons = v; Layout(); }
void TPgPageNavigator::SetGroupSpacing(int v) { FGroupSpacing = std::max(0, v); Layout(); }
void TPgPageNavigator::SetVisibleButtons(TPgNavigateBtns v) { FVisible = v; Layout(); }

void TPgPageNavigator::SetFlat(bool value) {
  FFlat = value;
  for (auto& b : FButtons) b->SetFlat(value);
}

void TPgPageNavigator::SetShowButtonHints(bool value) {
  FShowHints = value;
  UpdateHints();
}

void TPgPageNavigator::UpdateHints() {
  for (int i = 0; i < kPgNavButtonCount; ++i) {
    TPgNavButton& b = *FButtons[static_cast<std::size_t>(i)];
    std::string hint = kNav[i].Hint;
    if (OnGetButtonHint) OnGetButtonHint(this, b.Kind, hint);
    b.SetHint(hint);
    b.SetShowHint(FShowHints);
  }
}

void TPgPageNavigator::Layout() {
  if (!FButtons[kPgNavButtonCount - 1]) return;  // still being made
  int x = FBorderWidth, lastGroup = -1;
  for (int i = 0; i < kPgNavButtonCount; ++i) {
    TPgNavButton& b = *FButtons[static_cast<std::size_t>(i)];
    bool visible = FVisible.Contains(b.Kind);
    b.SetVisible(visible);
    if (!visible) continue;
    if (FGroupButtons && lastGroup >= 0 && kNav[i].Group != lastGroup) x += FGroupSpacing;
    lastGroup = kNav[i].Group;
    b.SetBounds(x, FBorderWidth, FButtonWidth, FButtonHeight);
    x += FButtonWidth;
  }
  if (FAutoSize) SetBounds(Left(), Top(), x + FBorderWidth, FButtonHeight + 2 * FBorderWidth);
  UpdateHints();
  Invalidate();
}

void TPgPageNavigator::UpdateButtons() {
  if (!FButtons[kPgNavButtonCount - 1]) return;
  TPgPreview* p = Preview();
  for (int i = 0; i < kPgNavButtonCount; ++i) {
    TPgNavButton& b = *FButtons[static_cast<std::size_t>(i)];
    bool on = false;
    if (p) {
      switch (b.Kind) {
        case gmFirstPage: case gmPrevPage: on = p->CurrentPage() > 1; break;
        case gmNextPage: case gmLastPage: on = p->CurrentPage() < p->NumPages(); break;
        case gmZoomIn: on = p->Zoom() < p->MaxZoom(); break;
        case gmZoomOut: on = p->Zoom() > p->MinZoom(); break;
        default: on = true; break;
      }
    }
    b.SetEnabled(on);
  }
}

void TPgPageNavigator::Press(TPgNavigateBtn kind) {
  if (TPgPreview* p = Preview()) {
    switch (kind) {
      case gmFirstPage: p->FirstPage(); break;
      case gmPrevPage: p->PrevPage(); break;
      case gmNextPage: p->NextPage(); break;
      case gmLastPage: p->LastPage(); break;
      case gmAddPage: p->NewPage(); break;
      case gmDeletePage: p->DeleteCurrentPage(); break;
      case gmClear: p->Clear(); break;
      case gmZoomIn: p->ZoomIn(); break;
      case gmZoomOut: p->ZoomOut(); break;
      case gmActualSize: p->SetZoom(100); break;
      case gmFitWidth: p->FitWidth(); break;
      case gmFitHeight: p->FitHeight(); break;
      case gmFitWholePage: p->FitWholePage(); break;
    }
  }
  UpdateButtons();
  if (OnClickButton) OnClickButton(this, kind);
}

void TPgPageNavigator::WndProc(TMessage& message) {
  if (IsPreviewMessage(message.Msg)) UpdateButtons();
  TPgWinControl::WndProc(message);
}

void TPgPageNavigator::Paint() {
  TCanvas& c = Canvas();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
}
