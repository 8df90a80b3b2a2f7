// The document model of the preview: pages with their size, orientation and drawing objects,
// the settings that apply to all pages (paper, orientation, pages per sheet, header, footer,
// margins) and the printing loop.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/metafile.h"
#include "platform/ui/rich_edit.h"
#include "print/page_canvas.h"
#include "print/page_printer.h"

class TPgPageList;

class TPgHeaderFooterCaption {
public:
  TPgHeaderFooterCaption();
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  TFont& Font() { return FFont; }
  const TFont& Font() const { return FFont; }
  void Assign(const TPgHeaderFooterCaption& source);
  std::function<void()> OnChange;

private:
  std::string FCaption;
  TFont FFont;
};

class TPgHeaderFooter : public TPersistent {
public:
  explicit TPgHeaderFooter(bool isHeader);
  TPgHeaderFooterCaption CaptionLeft;
  TPgHeaderFooterCaption CaptionCenter;
  TPgHeaderFooterCaption CaptionRight;
  TPen& Pen() { return FPen; }
  bool ShowLine() const { return FShowLine; }
  void SetShowLine(bool value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  TPgValue& Height() { return FHeight; }
  // The height when set, else the text height of the largest caption font.
  double GetHeight(TPgMeasurement unit) const;
  void SetHeight(double value, TPgMeasurement unit) { FHeight.SetAsUnit(unit, value); }
  bool IsHeader() const { return FIsHeader; }
  // Draws the captions (tokens replaced) and the line into `r` (device pixels).
  void Draw(TCanvas& canvas, const TRect& r, int pixelsPerInch, int page, int pageCount, TMetafile* scratch);
  void Assign(const TPersistent* source) override;
  std::function<void()> OnChange;

private:
  void Changed() { if (OnChange) OnChange(); }
  bool FIsHeader;
  TPen FPen;
  bool FShowLine = true;
  bool FVisible = false;
  TPgValue FHeight;
};

class TPgHeader : public TPgHeaderFooter {
public:
  TPgHeader() : TPgHeaderFooter(true) {}
};

class TPgFooter : public TPgHeaderFooter {
public:
  TPgFooter() : TPgHeaderFooter(false) {}
};

class TPgMarginValues {
public:
  explicit TPgMarginValues(class TPgMargins& margins) : FMargins(margins) {}
  TPgMeasurement ValueMeasurement = gmInches;
  float Left() const;
  float Top() const;
  float Right() const;
  float Bottom() const;
  void SetLeft(float v);
  void SetTop(float v);
  void SetRight(float v);
  void SetBottom(float v);

private:
  TPgMargins& FMargins;
};

class TPgMargins : public TPersistent {
public:
  TPgMargins();
  TPgValue& Left() { return FLeft; }
  TPgValue& Top() { return FTop; }
  TPgValue& Right() { return FRight; }
  TPgValue& Bottom() { return FBottom; }
  const TPgValue& Left() const { return FLeft; }
  const TPgValue& Top() const { return FTop; }
  const TPgValue& Right() const { return FRight; }
  const TPgValue& Bottom() const { return FBottom; }
  TPen& Pen() { return FPen; }
  TPen& PrinterMarginPen() { return FPrinterMarginPen; }
  bool ClipMargins = false;
  bool ShowPrinterMargins() const { return FShowPrinterMargins; }
  void SetShowPrinterMargins(bool value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  TPgMarginValues& Values() { return FValues; }
  TPgPrinter* Printer = nullptr;
  // "MarginValues": left, top, right, bottom in twips, then the two pens as colour, width,
  // style and mode.
  std::string MarginValuesText() const;
  void SetMarginValuesText(const std::string& text);
  // The margins (and the printer's) drawn on a page of `width` x `height` inches.
  void Draw(TCanvas& canvas, int pixelsPerInch, double width, double height, TPgOrientation orientation);
  void Assign(const TPersistent* source) override;
  std::function<void()> OnChange;

private:
  void Changed() { if (OnChange) OnChange(); }
  TPgValue FLeft{0.5, gmInches}, FTop{0.5, gmInches}, FRight{0.5, gmInches}, FBottom{0.5, gmInches};
  TPen FPen;
  TPen FPrinterMarginPen;
  bool FShowPrinterMargins = false;
  bool FVisible = false;
  TPgMarginValues FValues{*this};
};

class TPgPageGrid {
public:
  TPgPageGrid();
  TPgGridStyle GridStyle = gmNoGrid;
  TPen& GridPen() { return FGridPen; }
  TPgValue& GridStep() { return FStep; }
  void Draw(TCanvas& canvas, int pixelsPerInch, double width, double height);

private:
  TPen FGridPen;
  TPgValue FStep{10, gmMillimeters};
};

class TPgShadow {
public:
  TColor Color = clBlack;
  int Width = 3;
  bool Visible = true;
};

// The rich-text range a page shows (first character, position after the last) in a rectangle
// (inches), from a memo of the resource table's memo list.
class TPgPageRtfInfo {
public:
  explicit TPgPageRtfInfo(TPgResourceTable& table) : FTable(table) {}
  ~TPgPageRtfInfo();
  int RangeStart = 0;
  int RangeEnd = 0;
  TPgRectExt Rect;
  TCustomRichEdit* Memo() const { return FMemo; }
  // Takes a counted memo entry; the old one is released.
  void SetMemo(TCustomRichEdit* memo);
  // Renders the range at `pixelsPerInch` for a page of `width` x `height` inches.
  void Draw(TCanvas& canvas, int pixelsPerInch, double width, double height);

private:
  TPgResourceTable& FTable;
  TCustomRichEdit* FMemo = nullptr;
};

// The device the rich text of pages is formatted for: the printer's resolution (300 per inch
// without a printer).
TCanvas& PgRichTextReference();

class TPgPage {
public:
  explicit TPgPage(TPgPageList& owner);
  ~TPgPage();
  TPgPage(const TPgPage&) = delete;
  TPgPage& operator=(const TPgPage&) = delete;

  double Width = 8.26;
  double Height = 11.69;
  TPgOrientation Orientation() const { return FOrientation; }
  // Landscape: the larger side is the width.
  void SetOrientation(TPgOrientation value);
  bool ShowHeader = true;
  bool ShowFooter = true;
  TPgSizeExt GetPageSize(TPgMeasurement unit) const;
  int ObjectCount() const { return static_cast<int>(FObjects.size()); }
  TPgBaseObject* Objects(int index) const { return FObjects.at(static_cast<std::size_t>(index)).get(); }
  void AddObject(std::unique_ptr<TPgBaseObject> object);
  // The last visible object whose covered rectangle (at 600 per inch) holds the point.
  TPgVisibleObject* ObjectAtPos(double x, double y, TPgMeasurement unit);
  // 0 to the end (drawn last), 1 one later, 2 one earlier, 3 to the front.
  void ChangeObjectOrder(TPgBaseObject* object, int order);
  void DrawPage(TCanvas& canvas, int pixelsPerInch, bool directText);
  TPgPageRtfInfo& RtfInfo() { return FRtfInfo; }
  int PageNumber() const;
  TPgPageList& Owner() { return FOwner; }

private:
  void ObjectChanged();
  TPgPageList& FOwner;
  std::vector<std::unique_ptr<TPgBaseObject>> FObjects;
  TPgOrientation FOrientation = gmPortrait;
  TPgPageRtfInfo FRtfInfo;
};

class TPgPageList : public TPgObjectSink {
public:
  TPgPageList();
  ~TPgPageList() override;
  TPgPageList(const TPgPageList&) = delete;
  TPgPageList& operator=(const TPgPageList&) = delete;

  int Count() const { return static_cast<int>(FPages.size()); }
  // By 1-based number; nullptr outside 1..Count.
  TPgPage* GetPage(int number) const;
  int IndexOf(const TPgPage* page) const;
  int CurrentPage() const { return FCurrentPage; }
  TPgPage* Current() const { return GetPage(FCurrentPage); }
  void SetCurrentPage(int number);

  void AddPage() { InsertPage(-1); }
  void InsertPage(int index);
  void DeletePage(int index);
  void Clear(bool keepEmpty, bool clearResources);
  void AddObject(std::unique_ptr<TPgBaseObject> object, TPgCoordsRelative relativeTo) override;

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  bool IsUpdating() const { return FUpdateCount > 0; }

  TPgOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TPgOrientation value);
  TPgPagesPerSheet PagesPerSheet() const { return FPagesPerSheet; }
  void SetPagesPerSheet(TPgPagesPerSheet value);
  TPgPaperSize PaperSize() const { return FPaperSize; }
  void SetPaperSize(TPgPaperSize value);
  void SetPageSize(double width, double height, TPgMeasurement unit);
  // The paper of new pages, inches (portrait or landscape as the list is).
  double PaperWidth() const { return FPaperWidth; }
  double PaperHeight() const { return FPaperHeight; }

  void PrintRange(int from, int to);
  void Print() { PrintRange(1, Count()); }
  // Of the current page, in inches.
  TPgRectExt PageContentRect() const;
  TPgRectExt HeaderRect() const;
  TPgRectExt FooterRect() const;

  TPgResourceTable& ResourceTable() { return FTable; }
  TPgCanvas& Canvas() { return FCanvas; }
  TPgHeader& Header() { return FHeader; }
  TPgFooter& Footer() { return FFooter; }
  TPgMargins& Margins() { return FMargins; }
  TPgPrinter& Printer() { return FPrinter; }
  const TPgPrinter& Printer() const { return FPrinter; }
  TPgValueSize& CustomPageSize() { return FCustomSize; }
  TMetafile& ScratchMetafile() { return FScratch; }

  // Toward the preview.
  std::function<void()> OnPageAddedDeleted;
  std::function<void()> OnCurrentPageChanging;
  std::function<void()> OnCurrentPageChanged;
  std::function<void()> OnOrientationChanged;
  std::function<void()> OnPaperSizeChanged;
  std::function<void()> OnHeaderFooterChanged;
  std::function<void()> OnMarginsChanged;
  std::function<void()> OnClear;
  std::function<void()> OnNewPage;
  std::function<void()> OnPageContentChanged;
  std::function<void(int printed, int total)> OnPrintProgress;

private:
  friend class TPgPage;
  void Fire(const std::function<void()>& callback, bool held);
  void PaperDimensions();

  std::vector<std::unique_ptr<TPgPage>> FPages;
  int FCurrentPage = 0;
  int FUpdateCount = 0;
  bool FAddedDeletedHeld = false;
  TMetafile FScratch;
  TPgResourceTable FTable;
  TPgCanvas FCanvas;
  TPgFooter FFooter;
  TPgHeader FHeader;
  TPgPrinter FPrinter;
  TPgMargins FMargins;
  TPgValueSize FCustomSize;
  TPgOrientation FOrientation = gmPortrait;
  TPgPagesPerSheet FPagesPerSheet = gmOnePage;
  TPgPaperSize FPaperSize = A4;
  double FPaperWidth = 8.26;
  double FPaperHeight = 11.69;
};
