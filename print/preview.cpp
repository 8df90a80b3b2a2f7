#include "print/preview.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/forms.h"
#include "platform/ui/scroll_bars.h"

namespace {

const int kZoomSteps[] = {7, 10, 14, 20, 30, 45, 60, 80, 120, 170, 250, 350, 500, 650, 800};

int Px(double inches, int ppi) { return static_cast<int>(std::lround(inches * ppi)); }

}  // namespace

// ---- The paper ------------------------------------------------------------------------------

TRect TPgPaperImage::PaperRect(int width, int height, int scrollX, int scrollY) const {
  int pw = static_cast<int>(std::lround(PaperSize.Width * 96 * Zoom / 100.0));
  int ph = static_cast<int>(std::lround(PaperSize.Height * 96 * Zoom / 100.0));
  int areaW = std::max(width, pw + 2 * Gutter), areaH = std::max(height, ph + 2 * Gutter);
  int left = (areaW - 2 * Gutter - pw) / 2 + Gutter - scrollX;
  int top = (areaH - 2 * Gutter - ph) / 2 + Gutter - scrollY;
  return Rect(left, top, left + pw, top + ph);
}

void TPgPaperImage::Paint(TCanvas& canvas, const TRect& paper) {
  if (UpdateCount > 0 || paper.Width() <= 0 || paper.Height() <= 0) return;
  canvas.Handle();  // a canvas that gets its painter now would forget the saved state
  int saved = canvas.SaveDC();
  SetMapMode(&canvas, MM_ANISOTROPIC);
  int we = std::max(1, Px(PaperSize.Width, 600)), he = std::max(1, Px(PaperSize.Height, 600));
  SetWindowOrgEx(&canvas, 0, 0, nullptr);
  SetWindowExtEx(&canvas, we, he, nullptr);
  SetViewportExtEx(&canvas, paper.Width(), paper.Height(), nullptr);
  SetViewportOrgEx(&canvas, paper.Left, paper.Top, nullptr);

  canvas.Pen().SetColor(clBlack);
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetWidth(1);
  canvas.Brush().SetStyle(bsSolid);
  canvas.Brush().SetColor(clWhite);
  canvas.Rectangle(0, 0, we, he);
  canvas.IntersectClipRect(0, 0, we, he);
  if (Margins && Margins->ClipMargins)
    canvas.IntersectClipRect(Px(Margins->Left().AsInches(), 600), Px(Margins->Top().AsInches(), 600),
                             Px(PaperSize.Width - Margins->Right().AsInches(), 600),
                             Px(PaperSize.Height - Margins->Bottom().AsInches(), 600));
  if (Page) Page->DrawPage(canvas, 600, false);
  if (Margins) Margins->Draw(canvas, 600, PaperSize.Width, PaperSize.Height, Page ? Page->Orientation() : gmPortrait);
  if (PageGrid) PageGrid->Draw(canvas, 600, PaperSize.Width, PaperSize.Height);
  canvas.SelectClipRgn(nullptr);
  canvas.RestoreDC(saved);

  canvas.Pen().SetColor(clBlack);
  canvas.Pen().SetStyle(psSolid);
  canvas.Pen().SetWidth(1);
  canvas.Brush().SetStyle(bsClear);
  canvas.Rectangle(paper);
  if (Shadow && Shadow->Visible && Shadow->Width > 0) {
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(Shadow->Color);
    int w = Shadow->Width;
    canvas.FillRect(Rect(paper.Right, paper.Top + w, paper.Right + w, paper.Bottom + w));
    canvas.FillRect(Rect(paper.Left + w, paper.Bottom, paper.Right + w, paper.Bottom + w));
  }
}

// ---- The preview ----------------------------------------------------------------------------

TPgPreview::TPgPreview(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  SetAutoScroll(false);
  SetBounds(Left(), Top(), 240, 300);
  SetColor(static_cast<TColor>(0xC0C0C0));
  SetTabStop(true);
  FPaper.Margins = &FPages.Margins();
  FPaper.PageGrid = &FPageGrid;
  FPaper.Shadow = &FShadow;

  FPages.OnPageAddedDeleted = [this] { PagesAddedDeleted(); };
  FPages.OnCurrentPageChanged = [this] {
    ShowCurrentPage();
    if (OnPageChanged) OnPageChanged(this);
    Notify(PG_CURRENTPAGE);
  };
  FPages.OnOrientationChanged = [this] {
    FOrientationChanging = false;
    ShowCurrentPage();
    Notify(PG_ORIENTATION);
    Invalidate();
  };
  FPages.OnPaperSizeChanged = [this] {
    ShowCurrentPage();
    Notify(PG_PAPERSIZE);
  };
  FPages.OnHeaderFooterChanged = [this] {
    Invalidate();
    Notify(PG_HEADERFOOTERMARGINS);
  };
  FPages.OnMarginsChanged = FPages.OnHeaderFooterChanged;
  FPages.OnClear = [this] { if (OnClear) OnClear(this); };
  FPages.OnNewPage = [this] { PageAdded(); };
  FPages.OnPageContentChanged = [this] { if (FPaper.UpdateCount == 0) Invalidate(); };
  FPages.OnPrintProgress = [this](int printed, int total) { if (OnPrintProgress) OnPrintProgress(this, printed, total); };
  TPgPrinter& p = FPages.Printer();
  p.BeforePrint = [this](TObject*) { if (BeforePrint) BeforePrint(this); };
  p.AfterPrint = [this](TObject*) { if (AfterPrint) AfterPrint(this); };
  p.OnAbortPrint = [this](TObject*) { if (OnAbortPrint) OnAbortPrint(this); };
  p.OnChangePrinter = [this](TObject*) {
    if (FPages.Printer().Printing()) return;
    Notify(PG_PRINTER);
    Invalidate();
  };
  FPages.ResourceTable().Memos.Owner = this;
  FPages.ResourceTable().Memos.OnNeedRichEdit = [this](TObject*, TCustomRichEdit*& edit) {
    if (OnNeedRichEdit) OnNeedRichEdit(this, edit);
  };
  FPages.AddPage();
  ShowCurrentPage();
}

TPgPreview::~TPgPreview() {
  // The companions hear of it through the free notification and forget this preview.
  FAssociated.clear();
  FPages.OnPageAddedDeleted = nullptr;
  FPages.OnCurrentPageChanged = nullptr;
  FPages.OnPageContentChanged = nullptr;
}

void TPgPreview::Notify(UINT message) {
  if (FPages.IsUpdating()) return;
  std::vector<TComponent*> companions = FAssociated;
  for (TComponent* c : companions) {
    if (std::find(FAssociated.begin(), FAssociated.end(), c) == FAssociated.end()) continue;
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->Perform(message, 0, 0);
  }
}

void TPgPreview::AddAssociatedComponent(TComponent* component) {
  if (!component || std::find(FAssociated.begin(), FAssociated.end(), component) != FAssociated.end()) return;
  FAssociated.push_back(component);
  component->FreeNotification(this);
}

void TPgPreview::RemoveAssociatedComponent(TComponent* component) {
  auto it = std::find(FAssociated.begin(), FAssociated.end(), component);
  if (it == FAssociated.end()) return;
  FAssociated.erase(it);
  component->RemoveFreeNotification(this);
}

void TPgPreview::Notification(TComponent* AComponent, TOperation Operation) {
  TScrollingWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove) {
    auto it = std::find(FAssociated.begin(), FAssociated.end(), AComponent);
    if (it != FAssociated.end()) FAssociated.erase(it);
  }
}

void TPgPreview::ShowCurrentPage() {
  TPgPage* page = FPages.Current();
  FPaper.Page = page;
  if (page) FPaper.PaperSize = {page->Width, page->Height};
  if (!FOrientationChanging) UpdateScrollRanges();
  if (FPaper.UpdateCount == 0) Invalidate();
}

void TPgPreview::PagesAddedDeleted() {
  if (FEnding) return;
  ShowCurrentPage();
  Notify(PG_PAGESADDEDDELETED);
  Notify(PG_PAGESCHANGED);
}

void TPgPreview::PageAdded() {
  if (OnNewPage) OnNewPage(this);
  if (OnDrawHeader) {
    TPgValueRect r(FPages.HeaderRect());
    OnDrawHeader(this, r, FPages.Canvas());
  }
  if (OnDrawFooter) {
    TPgValueRect r(FPages.FooterRect());
    OnDrawFooter(this, r, FPages.Canvas());
  }
}

void TPgPreview::Loaded() {
  TScrollingWinControl::Loaded();
  PageAdded();
}

void TPgPreview::BeginUpdate() {
  FPages.BeginUpdate();
  ++FPaper.UpdateCount;
}

void TPgPreview::EndUpdate() {
  if (!FPages.IsUpdating()) return;
  FPaper.UpdateCount = std::max(0, FPaper.UpdateCount - 1);
  FEnding = true;
  FPages.EndUpdate();
  FEnding = false;
  if (FPages.IsUpdating()) return;
  ShowCurrentPage();
  Notify(PG_PAGESADDEDDELETED);
  Notify(PG_PAGESCHANGED);
  Invalidate();
  Notify(PG_ENDUPDATE);
}

void TPgPreview::Clear() {
  FPages.Clear(false, true);
  ShowCurrentPage();
  Notify(PG_PAGESADDEDDELETED);
  Notify(PG_PAGESCHANGED);
}

void TPgPreview::SetGutter(int value) {
  FPaper.Gutter = std::max(0, value);
  UpdateScrollRanges();
  Invalidate();
}

void TPgPreview::SetMaxZoom(int value) {
  FMaxZoom = value < FMinZoom ? FMinZoom : value;
  if (Zoom() > FMaxZoom) SetZoom(FMaxZoom);
}

void TPgPreview::SetMinZoom(int value) {
  FMinZoom = value > FMaxZoom ? FMaxZoom : value;
  if (Zoom() < FMinZoom) SetZoom(FMinZoom);
}

void TPgPreview::SetZoom(int value) {
  value = std::clamp(value, FMinZoom, FMaxZoom);
  if (value == FPaper.Zoom) return;
  auto percent = [](TControlScrollBar& bar, int client) {
    int room = bar.Range() - client;
    return room > 0 ? static_cast<double>(bar.Position()) / room : 0.0;
  };
  double h = percent(HorzScrollBar(), ClientWidth()), v = percent(VertScrollBar(), ClientHeight());
  FPaper.Zoom = value;
  UpdateScrollRanges();
  Invalidate();
  HorzScrollBar().SetPosition(static_cast<int>(std::lround(h * std::max(0, HorzScrollBar().Range() - ClientWidth()))));
  VertScrollBar().SetPosition(static_cast<int>(std::lround(v * std::max(0, VertScrollBar().Range() - ClientHeight()))));
}

void TPgPreview::ZoomIn() {
  if (ZoomStyle == gmFixedZoom) {
    SetZoom(Zoom() + ZoomIncrement);
    return;
  }
  for (int step : kZoomSteps)
    if (step > Zoom()) {
      SetZoom(step);
      return;
    }
}

void TPgPreview::ZoomOut() {
  if (ZoomStyle == gmFixedZoom) {
    SetZoom(Zoom() - ZoomIncrement);
    return;
  }
  for (int i = static_cast<int>(std::size(kZoomSteps)) - 1; i >= 0; --i)
    if (kZoomSteps[i] < Zoom()) {
      SetZoom(kZoomSteps[i]);
      return;
    }
}

int TPgPreview::FitZoom(int room, double inches) {
  if (inches <= 0) return 100;
  return static_cast<int>(100.0 * room / (inches * 96));
}

void TPgPreview::FitWidth() { SetZoom(FitZoom(Width() - 2 * Gutter() - 20, FPaper.PaperSize.Width)); }
void TPgPreview::FitHeight() { SetZoom(FitZoom(Height() - 2 * Gutter() - 20, FPaper.PaperSize.Height)); }
void TPgPreview::FitWholePage() {
  SetZoom(std::min(FitZoom(Width() - 2 * Gutter() - 20, FPaper.PaperSize.Width),
                   FitZoom(Height() - 2 * Gutter() - 20, FPaper.PaperSize.Height)));
}

void TPgPreview::UpdateScrollRanges() {
  int g = Gutter();
  HorzScrollBar().SetRange(static_cast<int>(std::lround(FPaper.PaperSize.Width * 96 * Zoom() / 100.0)) + 2 * g);
  VertScrollBar().SetRange(static_cast<int>(std::lround(FPaper.PaperSize.Height * 96 * Zoom() / 100.0)) + 2 * g);
}

void TPgPreview::SetOrientation(TPgOrientation value) {
  FOrientationChanging = true;
  FPages.SetOrientation(value);
  FOrientationChanging = false;
  UpdateScrollRanges();
}

void TPgPreview::SetPagesPerSheet(TPgPagesPerSheet value) {
  if (value == FPages.PagesPerSheet()) return;
  FPages.SetPagesPerSheet(value);
  Notify(PG_PAGESPERSHEET);
}

void TPgPreview::SetPaperSize(TPgPaperSize value) { FPages.SetPaperSize(value); }

void TPgPreview::SetPageSize(double width, double height, TPgMeasurement unit) { FPages.SetPageSize(width, height, unit); }

void TPgPreview::SetPrinterIndex(int index) { FPages.Printer().SetPrinterIndex(index); }

void TPgPreview::Print() {
  TPgPrinter& printer = FPages.Printer();
  const std::string title = printer.Title;
  const TCustomForm* form = GetParentForm(this);
  if ((title.empty() || title == TPgPrinter::kUntitled) && form && !form->Caption().empty())
    printer.Title = form->Caption();
  struct TRestore {
    TPgPrinter& Printer;
    const std::string& Title;
    ~TRestore() { Printer.Title = Title; }
  } restore{printer, title};
  FPages.Print();
}

double TPgPreview::AvailablePageWidth(TPgMeasurement unit) const {
  TPgPage* p = FPages.Current();
  double w = p ? p->Width : FPages.PaperWidth();
  auto& m = const_cast<TPgPageList&>(FPages).Margins();
  return ConvertValue(w - m.Left().AsInches() - m.Right().AsInches(), gmInches, unit);
}

double TPgPreview::AvailablePageHeight(TPgMeasurement unit) const {
  TPgPageList& l = const_cast<TPgPageList&>(FPages);
  TPgPage* p = l.Current();
  double h = p ? p->Height : l.PaperHeight();
  return ConvertValue(h - l.Margins().Top().AsInches() - l.Margins().Bottom().AsInches() - l.Header().GetHeight(gmInches) -
                          l.Footer().GetHeight(gmInches),
                      gmInches, unit);
}

TPgVisibleObject* TPgPreview::ObjectAtPos(double x, double y, TPgMeasurement unit) {
  TPgPage* p = FPages.Current();
  return p ? p->ObjectAtPos(x, y, unit) : nullptr;
}

void TPgPreview::GetPaperNames(TStrings& strings) const {
  strings.Clear();
  for (int i = 0; i < kPgPaperSizeCount; ++i) strings.Add(PaperSizeToString(static_cast<TPgPaperSize>(i)));
}

void TPgPreview::GetPrinterNames(TStrings& strings) const {
  strings.Clear();
  for (const std::string& name : FPages.Printer().PrinterList()) strings.Add(name);
}

// ---- Painting and input ---------------------------------------------------------------------

TRect TPgPreview::PaperRect() const {
  return FPaper.PaperRect(ClientWidth(), ClientHeight(), const_cast<TPgPreview*>(this)->HorzScrollBar().Position(),
                          const_cast<TPgPreview*>(this)->VertScrollBar().Position());
}

void TPgPreview::Paint() {
  TCanvas& c = TScrollingWinControl::Canvas();
  c.Brush().SetStyle(bsSolid);
  c.Brush().SetColor(Color());
  c.FillRect(ClientRect());
  TRect paper = PaperRect();
  FPaper.Paint(c, paper);
  if (OnPaint && FPaper.UpdateCount == 0) {
    int saved = c.SaveDC();
    SetMapMode(&c, MM_TEXT);
    c.IntersectClipRect(paper.Left, paper.Top, paper.Right, paper.Bottom);
    OnPaint(this);
    c.RestoreDC(saved);
  }
  if (FBorderStyle == bsSingle) {
    TRect edge = ClientRect();
    c.DrawEdge(edge, EDGE_SUNKEN, BF_RECT);
  }
}

void TPgPreview::SetBorderStyle(TBorderStyle value) {
  if (value == FBorderStyle) return;
  FBorderStyle = value;
  Invalidate();
}

void TPgPreview::Resize() {
  TScrollingWinControl::Resize();
  UpdateScrollRanges();
}

TPgPointExt TPgPreview::PixelToPage(int x, int y) const {
  TRect r = PaperRect();
  double scale = 96 * Zoom() / 100.0;
  return {(x - r.Left) / scale, (y - r.Top) / scale};
}

bool TPgPreview::OnPaper(int x, int y) const {
  TRect r = PaperRect();
  return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
}

void TPgPreview::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (CanFocus()) SetFocus();
  TScrollingWinControl::MouseDown(Button, Shift, X, Y);
  if (!OnPaper(X, Y)) return;
  TPgPointExt p = PixelToPage(X, Y);
  TPgValue px(p.X, gmInches), py(p.Y, gmInches);
  if (OnPageMouseDown) OnPageMouseDown(this, Button, Shift, px, py);
  if (OnObjectMouseDown) {
    if (TPgVisibleObject* o = ObjectAtPos(p.X, p.Y, gmInches)) OnObjectMouseDown(this, Button, Shift, px, py, o);
  }
}

void TPgPreview::MouseMove(TShiftState Shift, int X, int Y) {
  TScrollingWinControl::MouseMove(Shift, X, Y);
  if (!OnPaper(X, Y) || !OnPageMouseMove) return;
  TPgPointExt p = PixelToPage(X, Y);
  TPgValue px(p.X, gmInches), py(p.Y, gmInches);
  OnPageMouseMove(this, Shift, px, py);
}

void TPgPreview::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TScrollingWinControl::MouseUp(Button, Shift, X, Y);
  if (!OnPaper(X, Y) || !OnPageMouseUp) return;
  TPgPointExt p = PixelToPage(X, Y);
  TPgValue px(p.X, gmInches), py(p.Y, gmInches);
  OnPageMouseUp(this, Button, Shift, px, py);
}

void TPgPreview::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TScrollingWinControl::DragOver(Source, X, Y, State, Accept);
  if (!OnPaper(X, Y) || !OnPageDragOver) return;
  TPgPointExt p = PixelToPage(X, Y);
  TPgValue px(p.X, gmInches), py(p.Y, gmInches);
  OnPageDragOver(this, Source, px, py, State, Accept);
}

void TPgPreview::DragDrop(TObject* Source, int X, int Y) {
  TScrollingWinControl::DragDrop(Source, X, Y);
  if (!OnPaper(X, Y) || !OnPageDragDrop) return;
  TPgPointExt p = PixelToPage(X, Y);
  TPgValue px(p.X, gmInches), py(p.Y, gmInches);
  OnPageDragDrop(this, Source, px, py);
}

void TPgPreview::KeyDown(WORD& Key, TShiftState Shift) {
  TScrollingWinControl::KeyDown(Key, Shift);
  TControlScrollBar& v = VertScrollBar();
  TControlScrollBar& h = HorzScrollBar();
  TControlScrollBar& visible = v.IsScrollBarVisible() ? v : h;
  switch (Key) {
    case VK_PRIOR: visible.SetPosition(visible.Position() - 10 * visible.Increment()); break;
    case VK_NEXT: visible.SetPosition(visible.Position() + 10 * visible.Increment()); break;
    case VK_HOME:
      h.SetPosition(0);
      v.SetPosition(0);
      break;
    case VK_END:
      h.SetPosition(h.Range());
      v.SetPosition(v.Range());
      break;
    case VK_UP: v.SetPosition(v.Position() - v.Increment()); break;
    case VK_DOWN: v.SetPosition(v.Position() + v.Increment()); break;
    case VK_LEFT: h.SetPosition(h.Position() - h.Increment()); break;
    case VK_RIGHT: h.SetPosition(h.Position() + h.Increment()); break;
    default: return;
  }
}

bool TPgPreview::DoMouseWheelDown(TShiftState, TPoint) {
  TControlScrollBar& bar = VertScrollBar().IsScrollBarVisible() ? VertScrollBar() : HorzScrollBar();
  bar.SetPosition(bar.Position() + bar.Increment());
  return true;
}

bool TPgPreview::DoMouseWheelUp(TShiftState, TPoint) {
  TControlScrollBar& bar = VertScrollBar().IsScrollBarVisible() ? VertScrollBar() : HorzScrollBar();
  bar.SetPosition(bar.Position() - bar.Increment());
  return true;
}

void TPgPreview::WndProc(TMessage& message) {
  if (message.Msg == WM_GETDLGCODE) {
    message.Result = DLGC_WANTARROWS;
    return;
  }
  TScrollingWinControl::WndProc(message);
}
