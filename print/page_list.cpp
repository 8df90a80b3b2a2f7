#include "print/page_list.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/regions.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"

namespace {

int Px(double inches, int ppi) { return static_cast<int>(std::lround(inches * ppi)); }

}  // namespace

// ---- Header and footer ----------------------------------------------------------------------

TPgHeaderFooterCaption::TPgHeaderFooterCaption() {
  FFont.SetName("Arial");
  FFont.SetSize(12);
  FFont.SetColor(clBlack);
  FFont.OnChange = [this](TGraphicsObject*) { if (OnChange) OnChange(); };
}

void TPgHeaderFooterCaption::SetCaption(const std::string& value) {
  if (value == FCaption) return;
  FCaption = value;
  if (OnChange) OnChange();
}

void TPgHeaderFooterCaption::Assign(const TPgHeaderFooterCaption& source) {
  FCaption = source.FCaption;
  FFont.Assign(source.FFont);
}

TPgHeaderFooter::TPgHeaderFooter(bool isHeader) : FIsHeader(isHeader) {
  for (TPgHeaderFooterCaption* c : {&CaptionLeft, &CaptionCenter, &CaptionRight}) c->OnChange = [this] { Changed(); };
  FPen.OnChange = [this](TGraphicsObject*) { Changed(); };
  FHeight.OnChange = [this] { Changed(); };
}

void TPgHeaderFooter::SetShowLine(bool value) {
  if (value == FShowLine) return;
  FShowLine = value;
  Changed();
}

void TPgHeaderFooter::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Changed();
}

double TPgHeaderFooter::GetHeight(TPgMeasurement unit) const {
  if (FHeight.AsInches() != 0) return FHeight.AsUnit(unit);
  const TFont* largest = &CaptionLeft.Font();
  if (CaptionCenter.Font().Size() > largest->Size()) largest = &CaptionCenter.Font();
  if (CaptionRight.Font().Size() > largest->Size()) largest = &CaptionRight.Font();
  return ConvertValue(FontHeightInches(*largest), gmInches, unit);
}

void TPgHeaderFooter::Draw(TCanvas& canvas, const TRect& r, int ppi, int page, int pageCount, TMetafile* scratch) {
  if (!FVisible) return;
  TPgDrawInfo info;
  info.ScratchMetafile = scratch;
  info.PixelsPerInch = ppi;
  const TPgHeaderFooterCaption* captions[] = {&CaptionLeft, &CaptionCenter, &CaptionRight};
  for (int i = 0; i < 3; ++i) {
    const TPgHeaderFooterCaption& c = *captions[i];
    if (c.Caption().empty()) continue;
    std::string text = ReplaceHeaderTokens(c.Caption(), page, pageCount, PgDateFormat, PgTimeFormat);
    TPoint extent;
    {
      TPgTextLock lock;
      TCanvas& m = PgMeasureCanvas(ppi);
      m.Font().Assign(c.Font());
      m.Font().SetPixelsPerInch(ppi);
      m.Font().SetSize(c.Font().Size());
      extent = m.TextExtent(text);
    }
    int x = i == 0 ? r.Left : i == 1 ? r.Left + (r.Width() - extent.X) / 2 : r.Right - extent.X;
    int y = FIsHeader ? r.Bottom - extent.Y : r.Top;
    PgDrawTextIn(canvas, info, Rect(x, y, x + std::max(extent.X, 1), y + std::max(extent.Y, 1)),
                 [&](TCanvas& target, const TRect& local) {
                   target.Brush().SetStyle(bsClear);
                   target.SetBkMode(TRANSPARENT);
                   target.Font().Assign(c.Font());
                   target.Font().SetPixelsPerInch(ppi);
                   target.Font().SetSize(c.Font().Size());
                   target.TextOut(local.Left, local.Top, text);
                 });
  }
  if (FShowLine) {
    canvas.Pen().Assign(FPen);
    int y = FIsHeader ? r.Bottom : r.Top;
    canvas.MoveTo(r.Left, y);
    canvas.LineTo(r.Right, y);
  }
}

void TPgHeaderFooter::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TPgHeaderFooter*>(source);
  if (!s) {
    TPersistent::Assign(source);
    return;
  }
  CaptionLeft.Assign(s->CaptionLeft);
  CaptionCenter.Assign(s->CaptionCenter);
  CaptionRight.Assign(s->CaptionRight);
  FPen.Assign(s->FPen);
  FShowLine = s->FShowLine;
  FVisible = s->FVisible;
  FHeight.Assign(&s->FHeight);
  Changed();
}

// ---- Margins --------------------------------------------------------------------------------

float TPgMarginValues::Left() const { return static_cast<float>(FMargins.Left().AsUnit(ValueMeasurement)); }
float TPgMarginValues::Top() const { return static_cast<float>(FMargins.Top().AsUnit(ValueMeasurement)); }
float TPgMarginValues::Right() const { return static_cast<float>(FMargins.Right().AsUnit(ValueMeasurement)); }
float TPgMarginValues::Bottom() const { return static_cast<float>(FMargins.Bottom().AsUnit(ValueMeasurement)); }
void TPgMarginValues::SetLeft(float v) { FMargins.Left().SetAsUnit(ValueMeasurement, v); }
void TPgMarginValues::SetTop(float v) { FMargins.Top().SetAsUnit(ValueMeasurement, v); }
void TPgMarginValues::SetRight(float v) { FMargins.Right().SetAsUnit(ValueMeasurement, v); }
void TPgMarginValues::SetBottom(float v) { FMargins.Bottom().SetAsUnit(ValueMeasurement, v); }

TPgMargins::TPgMargins() {
  FPen.SetColor(static_cast<TColor>(0xC0C0C0));
  FPen.SetStyle(psDot);
  FPrinterMarginPen.Assign(FPen);
  for (TPgValue* v : {&FLeft, &FTop, &FRight, &FBottom}) v->OnChange = [this] { Changed(); };
  FPen.OnChange = [this](TGraphicsObject*) { Changed(); };
  FPrinterMarginPen.OnChange = [this](TGraphicsObject*) { Changed(); };
}

void TPgMargins::SetShowPrinterMargins(bool value) {
  if (value == FShowPrinterMargins) return;
  FShowPrinterMargins = value;
  Changed();
}

void TPgMargins::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  Changed();
}

std::string TPgMargins::MarginValuesText() const {
  TStringList list;
  for (const TPgValue* v : {&FLeft, &FTop, &FRight, &FBottom}) list.Add(IntToStr(v->AsTwips()));
  for (const TPen* p : {&FPen, &FPrinterMarginPen}) {
    TStringList pen;
    pen.Add(IntToStr(static_cast<std::int32_t>(p->Color())));
    pen.Add(IntToStr(p->Width()));
    pen.Add(IntToStr(p->Style()));
    pen.Add(IntToStr(p->Mode()));
    list.Add(pen.CommaText());
  }
  return list.CommaText();
}

void TPgMargins::SetMarginValuesText(const std::string& text) {
  TStringList list;
  list.SetCommaText(text);
  if (list.Count() < 4) return;
  int twips[4];
  for (int i = 0; i < 4; ++i)
    if (!TryStrToInt(list[i], twips[i]) || twips[i] < 0 || twips[i] > 1440 * 1000) return;
  TPen pens[2];
  int penCount = 0;
  for (int i = 4; i < std::min(list.Count(), 6); ++i) {
    TStringList pen;
    pen.SetCommaText(list[i]);
    int v[4];
    if (pen.Count() != 4) return;
    for (int k = 0; k < 4; ++k)
      if (!TryStrToInt(pen[k], v[k])) return;
    if (v[1] < 0 || v[1] > 1000 || v[2] < psSolid || v[2] > psInsideFrame || v[3] < pmBlack || v[3] > pmNotXor) return;
    pens[penCount].SetColor(static_cast<TColor>(v[0]));
    pens[penCount].SetWidth(v[1]);
    pens[penCount].SetStyle(static_cast<TPenStyle>(v[2]));
    pens[penCount].SetMode(static_cast<TPenMode>(v[3]));
    ++penCount;
  }
  FLeft.SetAsTwips(twips[0]);
  FTop.SetAsTwips(twips[1]);
  FRight.SetAsTwips(twips[2]);
  FBottom.SetAsTwips(twips[3]);
  if (penCount > 0) FPen.Assign(pens[0]);
  if (penCount > 1) FPrinterMarginPen.Assign(pens[1]);
}

void TPgMargins::Draw(TCanvas& canvas, int ppi, double width, double height, TPgOrientation orientation) {
  canvas.Brush().SetStyle(bsClear);
  if (FVisible) {
    canvas.Pen().Assign(FPen);
    canvas.Rectangle(Px(FLeft.AsInches(), ppi), Px(FTop.AsInches(), ppi), Px(width - FRight.AsInches(), ppi),
                     Px(height - FBottom.AsInches(), ppi));
  }
  if (FShowPrinterMargins && Printer) {
    TPgRectExt m = Printer->GetPrinterMargins(orientation);
    canvas.Pen().Assign(FPrinterMarginPen);
    canvas.Rectangle(Px(m.Left, ppi), Px(m.Top, ppi), Px(width - m.Right, ppi), Px(height - m.Bottom, ppi));
  }
}

void TPgMargins::Assign(const TPersistent* source) {
  auto* s = dynamic_cast<const TPgMargins*>(source);
  if (!s) {
    TPersistent::Assign(source);
    return;
  }
  FLeft.Assign(&s->FLeft);
  FTop.Assign(&s->FTop);
  FRight.Assign(&s->FRight);
  FBottom.Assign(&s->FBottom);
  FPen.Assign(s->FPen);
  FPrinterMarginPen.Assign(s->FPrinterMarginPen);
  ClipMargins = s->ClipMargins;
  FShowPrinterMargins = s->FShowPrinterMargins;
  FVisible = s->FVisible;
  Changed();
}

// ---- Page grid ------------------------------------------------------------------------------

TPgPageGrid::TPgPageGrid() { FGridPen.SetColor(static_cast<TColor>(0xC0C0C0)); }

void TPgPageGrid::Draw(TCanvas& canvas, int ppi, double width, double height) {
  double step = FStep.AsInches();
  if (GridStyle == gmNoGrid || step <= 0.01) return;
  int w = Px(width, ppi), h = Px(height, ppi);
  canvas.Pen().Assign(FGridPen);
  if (GridStyle == gmLines) {
    for (double x = step; x < width; x += step) {
      canvas.MoveTo(Px(x, ppi), 0);
      canvas.LineTo(Px(x, ppi), h);
    }
    for (double y = step; y < height; y += step) {
      canvas.MoveTo(0, Px(y, ppi));
      canvas.LineTo(w, Px(y, ppi));
    }
    return;
  }
  for (double x = step; x < width; x += step)
    for (double y = step; y < height; y += step) canvas.SetPixel(Px(x, ppi), Px(y, ppi), FGridPen.Color());
}

// ---- Rich text on a page --------------------------------------------------------------------

TCanvas& PgRichTextReference() {
  TPgPrinter probe;  // the printer selected now
  return PgMeasureCanvas(probe.Info().PixelsPerInchX);
}

TPgPageRtfInfo::~TPgPageRtfInfo() {
  if (FMemo) FTable.ReleaseResource(FMemo);
}

void TPgPageRtfInfo::SetMemo(TCustomRichEdit* memo) {
  if (memo == FMemo) {
    if (memo) FTable.ReleaseResource(memo);
    return;
  }
  if (FMemo) FTable.ReleaseResource(FMemo);
  FMemo = memo;
}

void TPgPageRtfInfo::Draw(TCanvas& canvas, int ppi, double width, double height) {
  if (!FMemo || RangeEnd <= RangeStart) return;
  auto twips = [](double inches) { return static_cast<int>(std::lround(inches * 1440)); };
  FORMATRANGE fr;
  fr.hdcTarget = &PgRichTextReference();
  fr.rc = ::Rect(twips(Rect.Left), twips(Rect.Top), twips(Rect.Right), twips(Rect.Bottom) + 1);
  fr.rcPage = ::Rect(0, 0, twips(width), twips(height));
  fr.chrg.cpMin = RangeStart;
  fr.chrg.cpMax = RangeEnd;
  // Rendered at the page's resolution into a metafile, which the canvas then draws: the
  // canvas's own mapping (zoom, sheet areas) scales it.
  TMetafile mf;
  int w = std::max(1, Px(width, ppi)), h = std::max(1, Px(height, ppi));
  mf.SetWidth(w);
  mf.SetHeight(h);
  {
    TPgTextLock lock;
    TMetafileCanvas mc(mf, &PgMeasureCanvas(ppi));
    fr.hdc = &mc;
    FMemo->FormatRange(&fr, true);
    mc.Finish();
  }
  canvas.StretchDraw(::Rect(0, 0, w, h), mf);
}

// ---- Pages ----------------------------------------------------------------------------------

TPgPage::TPgPage(TPgPageList& owner) : FOwner(owner), FRtfInfo(owner.FTable) {}
TPgPage::~TPgPage() = default;

void TPgPage::SetOrientation(TPgOrientation value) {
  FOrientation = value;
  double big = std::max(Width, Height), small = std::min(Width, Height);
  if (value == gmLandscape) {
    Width = big;
    Height = small;
  } else {
    Width = small;
    Height = big;
  }
}

TPgSizeExt TPgPage::GetPageSize(TPgMeasurement unit) const {
  return {ConvertValue(Width, gmInches, unit), ConvertValue(Height, gmInches, unit)};
}

void TPgPage::ObjectChanged() {
  if (FOwner.OnPageContentChanged && !FOwner.IsUpdating() && FOwner.Current() == this) FOwner.OnPageContentChanged();
}

void TPgPage::AddObject(std::unique_ptr<TPgBaseObject> object) {
  if (!object) return;
  object->OnChange = [this](TPgBaseObject*) { ObjectChanged(); };
  FObjects.push_back(std::move(object));
  ObjectChanged();
}

int TPgPage::PageNumber() const { return FOwner.IndexOf(this) + 1; }

TPgVisibleObject* TPgPage::ObjectAtPos(double x, double y, TPgMeasurement unit) {
  TPgDrawInfo info;
  info.PixelsPerInch = 600;
  info.PageNumber = PageNumber();
  info.PageCount = FOwner.Count();
  int px = Px(ConvertValue(x, unit, gmInches), 600), py = Px(ConvertValue(y, unit, gmInches), 600);
  TPgVisibleObject* hit = nullptr;
  for (auto& o : FObjects) {
    auto* v = dynamic_cast<TPgVisibleObject*>(o.get());
    if (!v || !v->Visible()) continue;
    TRect r = PointsToRect(v->GetBoundingPoints(info));
    if (px >= r.Left && px <= r.Right && py >= r.Top && py <= r.Bottom) hit = v;
  }
  return hit;
}

void TPgPage::ChangeObjectOrder(TPgBaseObject* object, int order) {
  auto it = std::find_if(FObjects.begin(), FObjects.end(), [&](const auto& p) { return p.get() == object; });
  if (it == FObjects.end()) return;
  std::size_t i = static_cast<std::size_t>(it - FObjects.begin());
  std::unique_ptr<TPgBaseObject> taken = std::move(*it);
  FObjects.erase(it);
  std::size_t to = i;
  switch (order) {
    case 0: to = FObjects.size(); break;
    case 1: to = std::min(i + 1, FObjects.size()); break;
    case 2: to = i > 0 ? i - 1 : 0; break;
    case 3: to = 0; break;
    default: break;
  }
  FObjects.insert(FObjects.begin() + static_cast<std::ptrdiff_t>(to), std::move(taken));
  ObjectChanged();
}

void TPgPage::DrawPage(TCanvas& canvas, int ppi, bool directText) {
  FRtfInfo.Draw(canvas, ppi, Width, Height);
  TPgDrawInfo info;
  info.ScratchMetafile = directText ? nullptr : &FOwner.FScratch;
  info.PageNumber = PageNumber();
  info.PixelsPerInch = ppi;
  info.PageCount = FOwner.Count();
  TRegion base;
  bool clipped = canvas.Clipped();
  if (clipped) {
    base = canvas.ClipRegion();
    info.BaseClip = &base;
  }
  for (auto& o : FObjects) o->Draw(canvas, info);
  canvas.SelectClipRgn(info.BaseClip);
  TPgRectExt m{FOwner.FMargins.Left().AsInches(), FOwner.FMargins.Top().AsInches(), FOwner.FMargins.Right().AsInches(),
               FOwner.FMargins.Bottom().AsInches()};
  double hh = FOwner.FHeader.GetHeight(gmInches), fh = FOwner.FFooter.GetHeight(gmInches);
  if (ShowHeader)
    FOwner.FHeader.Draw(canvas, Rect(Px(m.Left, ppi), Px(m.Top, ppi), Px(Width - m.Right, ppi), Px(m.Top + hh, ppi)), ppi,
                        info.PageNumber, info.PageCount, info.ScratchMetafile);
  if (ShowFooter)
    FOwner.FFooter.Draw(canvas,
                        Rect(Px(m.Left, ppi), Px(Height - m.Bottom - fh, ppi), Px(Width - m.Right, ppi), Px(Height - m.Bottom, ppi)),
                        ppi, info.PageNumber, info.PageCount, info.ScratchMetafile);
}

// ---- The page list --------------------------------------------------------------------------

TPgPageList::TPgPageList() : FCanvas(FTable, *this) {
  FMargins.Printer = &FPrinter;
  FHeader.OnChange = [this] { Fire(OnHeaderFooterChanged, false); };
  FFooter.OnChange = [this] { Fire(OnHeaderFooterChanged, false); };
  FMargins.OnChange = [this] { Fire(OnMarginsChanged, false); };
}

TPgPageList::~TPgPageList() {
  // Pages first: their objects release what they hold in the table.
  FPages.clear();
}

void TPgPageList::Fire(const std::function<void()>& callback, bool) {
  if (FUpdateCount > 0) return;
  if (callback) callback();
}

TPgPage* TPgPageList::GetPage(int number) const {
  return number >= 1 && number <= Count() ? FPages[static_cast<std::size_t>(number - 1)].get() : nullptr;
}

int TPgPageList::IndexOf(const TPgPage* page) const {
  for (std::size_t i = 0; i < FPages.size(); ++i)
    if (FPages[i].get() == page) return static_cast<int>(i);
  return -1;
}

void TPgPageList::SetCurrentPage(int number) {
  if (number == FCurrentPage || number < 1 || number > Count()) return;
  if (OnCurrentPageChanging) OnCurrentPageChanging();
  FCurrentPage = number;
  if (OnCurrentPageChanged) OnCurrentPageChanged();
}

void TPgPageList::InsertPage(int index) {
  auto page = std::make_unique<TPgPage>(*this);
  page->Width = FPaperWidth;
  page->Height = FPaperHeight;
  page->SetOrientation(FOrientation);
  if (index < 0 || index >= Count()) FPages.push_back(std::move(page));
  else FPages.insert(FPages.begin() + index, std::move(page));
  if (FUpdateCount > 0) FAddedDeletedHeld = true;
  else if (OnPageAddedDeleted) OnPageAddedDeleted();
  if (FCurrentPage != Count()) {
    if (OnCurrentPageChanging) OnCurrentPageChanging();
    FCurrentPage = Count();
    if (OnCurrentPageChanged) OnCurrentPageChanged();
  }
  if (OnNewPage) OnNewPage();
}

void TPgPageList::DeletePage(int index) {
  if (index < 0 || index >= Count()) return;
  FPages.erase(FPages.begin() + index);
  if (FPages.empty()) {
    auto page = std::make_unique<TPgPage>(*this);
    page->Width = FPaperWidth;
    page->Height = FPaperHeight;
    page->SetOrientation(FOrientation);
    FPages.push_back(std::move(page));
  }
  FCurrentPage = std::clamp(FCurrentPage, 1, Count());
  if (FUpdateCount > 0) FAddedDeletedHeld = true;
  else if (OnPageAddedDeleted) OnPageAddedDeleted();
}

void TPgPageList::Clear(bool keepEmpty, bool clearResources) {
  FPages.clear();
  if (clearResources) FTable.Clear();
  FCurrentPage = 0;
  if (!keepEmpty) {
    BeginUpdate();
    AddPage();
    FCurrentPage = 1;
    FAddedDeletedHeld = false;
    --FUpdateCount;
  }
  if (OnClear) OnClear();
}

void TPgPageList::AddObject(std::unique_ptr<TPgBaseObject> object, TPgCoordsRelative relativeTo) {
  if (!object) return;
  switch (relativeTo) {
    case gmFromPage: break;
    case gmFromPrinterMargins: {
      TPgRectExt m = FPrinter.GetPrinterMargins(FOrientation);
      object->Offset(m.Left, m.Top, gmInches);
      break;
    }
    case gmFromUserMargins: object->Offset(FMargins.Left().AsInches(), FMargins.Top().AsInches(), gmInches); break;
    case gmFromHeaderLine:
      object->Offset(FMargins.Left().AsInches(), FMargins.Top().AsInches() + FHeader.GetHeight(gmInches), gmInches);
      break;
  }
  if (FPages.empty()) AddPage();
  TPgPage* page = Current() ? Current() : FPages.back().get();
  page->AddObject(std::move(object));
}

void TPgPageList::EndUpdate() {
  if (FUpdateCount == 0) return;
  if (--FUpdateCount > 0) return;
  if (FAddedDeletedHeld) {
    FAddedDeletedHeld = false;
    if (OnPageAddedDeleted) OnPageAddedDeleted();
  }
}

void TPgPageList::PaperDimensions() {
  if (FPaperSize == Custom) return;
  TPgSizeExt s = GetPaperDimensions(FPaperSize);
  FPaperWidth = s.Width;
  FPaperHeight = s.Height;
  if (FOrientation == gmLandscape) std::swap(FPaperWidth, FPaperHeight);
}

void TPgPageList::SetOrientation(TPgOrientation value) {
  BeginUpdate();
  FOrientation = value;
  double big = std::max(FPaperWidth, FPaperHeight), small = std::min(FPaperWidth, FPaperHeight);
  FPaperWidth = value == gmLandscape ? big : small;
  FPaperHeight = value == gmLandscape ? small : big;
  for (auto& p : FPages) p->SetOrientation(value);
  FPrinter.SetOrientation(value);
  EndUpdate();
  if (OnOrientationChanged) OnOrientationChanged();
}

void TPgPageList::SetPagesPerSheet(TPgPagesPerSheet value) {
  FPagesPerSheet = value;
  FPrinter.SetPagesPerSheet(value);
}

void TPgPageList::SetPaperSize(TPgPaperSize value) {
  if (value == FPaperSize) return;
  BeginUpdate();
  FPaperSize = value;
  PaperDimensions();
  for (auto& p : FPages) {
    p->Width = FPaperWidth;
    p->Height = FPaperHeight;
  }
  EndUpdate();
  if (OnPaperSizeChanged) OnPaperSizeChanged();
}

void TPgPageList::SetPageSize(double width, double height, TPgMeasurement unit) {
  FPaperSize = Custom;
  FCustomSize.Width().SetAsUnit(unit, width);
  FCustomSize.Height().SetAsUnit(unit, height);
  FPaperWidth = FCustomSize.Width().AsInches();
  FPaperHeight = FCustomSize.Height().AsInches();
  for (auto& p : FPages) {
    p->Width = FPaperWidth;
    p->Height = FPaperHeight;
  }
  if (OnPaperSizeChanged) OnPaperSizeChanged();
}

TPgRectExt TPgPageList::PageContentRect() const {
  TPgPage* p = Current();
  double w = p ? p->Width : FPaperWidth, h = p ? p->Height : FPaperHeight;
  return {FMargins.Left().AsInches(), FMargins.Top().AsInches() + FHeader.GetHeight(gmInches),
          w - FMargins.Right().AsInches(), h - FMargins.Bottom().AsInches() - FFooter.GetHeight(gmInches)};
}

TPgRectExt TPgPageList::HeaderRect() const {
  TPgPage* p = Current();
  double w = p ? p->Width : FPaperWidth;
  return {FMargins.Left().AsInches(), FMargins.Top().AsInches(), w - FMargins.Right().AsInches(),
          FMargins.Top().AsInches() + FHeader.GetHeight(gmInches)};
}

TPgRectExt TPgPageList::FooterRect() const {
  TPgPage* p = Current();
  double w = p ? p->Width : FPaperWidth, h = p ? p->Height : FPaperHeight;
  return {FMargins.Left().AsInches(), h - FMargins.Bottom().AsInches() - FFooter.GetHeight(gmInches),
          w - FMargins.Right().AsInches(), h - FMargins.Bottom().AsInches()};
}

void TPgPageList::PrintRange(int from, int to) {
  std::vector<int> pages;
  from = std::clamp(from, 1, std::max(Count(), 1));
  to = std::clamp(to, 1, std::max(Count(), 1));
  if (from <= to)
    for (int i = from; i <= to; ++i) pages.push_back(i);
  else
    for (int i = from; i >= to; --i) pages.push_back(i);
  if (pages.empty() || !GetPage(pages.front())) return;
  FPrinter.SetOrientation(GetPage(pages.front())->Orientation());
  FPrinter.SetPagesPerSheet(FPagesPerSheet);
  FPrinter.BeginDoc();
  if (!FPrinter.Printing()) return;
  int total = static_cast<int>(pages.size());
  int ppi = FPrinter.Info().PixelsPerInchX;
  for (int i = 0; i < total; ++i) {
    if (FPrinter.Aborted()) {
      if (FPrinter.OnAbortPrint) FPrinter.OnAbortPrint(&FPrinter);
      break;
    }
    GetPage(pages[static_cast<std::size_t>(i)])->DrawPage(FPrinter.PrinterCanvas(), ppi, false);
    if (i < total - 1) FPrinter.NewPage();
    if (OnPrintProgress) OnPrintProgress(i + 1, total);
  }
  FPrinter.EndDoc();
}
