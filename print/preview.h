// The print preview control: the scrolling window in which report code builds pages and a
// person looks at them at a zoom before printing. It owns the page list and tells its companion
// controls (navigator, paper and printer lists, orientation picture, grid and label printers,
// rich-text pager) about every change by window messages 7034 to 7047.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/ui/scroll_box.h"
#include "print/page_list.h"

// The messages the companions hear (both parameters 0).
enum : UINT {
  PG_PAGESPERSHEET = 7034,
  PG_HEADERFOOTERMARGINS = 7035,
  PG_ORIENTATION = 7036,
  PG_PAGESCHANGED = 7038,
  PG_PAGESADDEDDELETED = 7039,
  PG_PRINTER = 7042,
  PG_ENDUPDATE = 7044,
  PG_PAPERSIZE = 7045,
  PG_CURRENTPAGE = 7047
};

class TPgPreview;

using TPgDrawHeaderFooterEvent = std::function<void(TObject* Sender, TPgValueRect& ARect, TPgCanvas& ACanvas)>;
using TPgObjectMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, TPgValue& X,
                                               TPgValue& Y, TPgVisibleObject* APgObject)>;
using TPgPageMouseEvent =
    std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, TPgValue& X, TPgValue& Y)>;
using TPgPageMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, TPgValue& X, TPgValue& Y)>;
using TPgPageDragOverEvent =
    std::function<void(TObject* Sender, TObject* Source, TPgValue& X, TPgValue& Y, TDragState State, bool& Accept)>;
using TPgPageDragDropEvent = std::function<void(TObject* Sender, TObject* Source, TPgValue& X, TPgValue& Y)>;
using TPgPrintProgressEvent = std::function<void(TObject* Sender, int Printed, int Total)>;
using TPgBeforeLoadEvent = std::function<void(TObject* Sender, double FileVersion, bool& LoadFile)>;
using TPgNeedRichEditEvent = std::function<void(TObject* Sender, TCustomRichEdit*& ARichEdit)>;

// Draws the current page as a sheet of paper: 96 pixels per inch at zoom 100, 600 logical
// units per inch for the page's own drawing.
class TPgPaperImage {
public:
  TPgPage* Page = nullptr;
  TPgSizeExt PaperSize{8.26, 11.69};
  int Zoom = 20;
  int Gutter = 30;
  int UpdateCount = 0;
  TPgMargins* Margins = nullptr;
  TPgPageGrid* PageGrid = nullptr;
  TPgShadow* Shadow = nullptr;
  // The paper in pixels of the control for a client area of `width` x `height` scrolled by
  // (scrollX, scrollY).
  TRect PaperRect(int width, int height, int scrollX, int scrollY) const;
  void Paint(TCanvas& canvas, const TRect& paper);
};

class TPgPreview : public TScrollingWinControl {
public:
  explicit TPgPreview(TComponent* AOwner);
  ~TPgPreview() override;

  std::string About() const { return GetAboutText(this); }
  TPgCanvas& Canvas() { return FPages.Canvas(); }
  // The control's own canvas (for OnPaint), not the page's.
  TCanvas& ControlCanvas() { return TScrollingWinControl::Canvas(); }
  TPgHeader& Header() { return FPages.Header(); }
  TPgFooter& Footer() { return FPages.Footer(); }
  TPgPrinter& PgPrinter() { return FPages.Printer(); }
  TPgMargins& Margins() { return FPages.Margins(); }
  TPgPageGrid& PageGrid() { return FPageGrid; }
  TPgShadow& Shadow() { return FShadow; }
  TPgPageList& PageList() { return FPages; }
  TPgPaperImage& PaperImage() { return FPaper; }

  int Gutter() const { return FPaper.Gutter; }
  void SetGutter(int value);
  int MaxZoom() const { return FMaxZoom; }
  void SetMaxZoom(int value);
  int MinZoom() const { return FMinZoom; }
  void SetMinZoom(int value);
  int Zoom() const { return FPaper.Zoom; }
  void SetZoom(int value);
  int ZoomIncrement = 10;
  TPgZoomStyle ZoomStyle = gmVariableZoom;
  void ZoomIn();
  void ZoomOut();
  void FitWidth();
  void FitHeight();
  void FitWholePage();

  TPgOrientation Orientation() const { return FPages.Orientation(); }
  void SetOrientation(TPgOrientation value);
  TPgPagesPerSheet PagesPerSheet() const { return FPages.PagesPerSheet(); }
  void SetPagesPerSheet(TPgPagesPerSheet value);
  TPgPaperSize PaperSize() const { return FPages.PaperSize(); }
  void SetPaperSize(TPgPaperSize value);
  void SetPageSize(double width, double height, TPgMeasurement unit);

  void NewPage() { FPages.AddPage(); }
  void Clear();
  void DeleteCurrentPage() { DeletePage(CurrentPage()); }
  void DeletePage(int page) { FPages.DeletePage(page - 1); }
  TPgPage* GetPage(int page) const { return FPages.GetPage(page); }
  int CurrentPage() const { return FPages.CurrentPage(); }
  int NumPages() const { return FPages.Count(); }
  void SetCurrentPage(int page) { FPages.SetCurrentPage(page); }
  void FirstPage() { SetCurrentPage(1); }
  void PrevPage() { SetCurrentPage(CurrentPage() - 1); }
  void NextPage() { SetCurrentPage(CurrentPage() + 1); }
  void LastPage() { SetCurrentPage(NumPages()); }
  void BeginUpdate();
  void EndUpdate();
  bool Updating() const { return FPages.IsUpdating(); }
  // Prints every page; a job whose printer has no title of its own is named after the window
  // the preview is on.
  void Print();
  double AvailablePageWidth(TPgMeasurement unit) const;
  double AvailablePageHeight(TPgMeasurement unit) const;
  TPgVisibleObject* ObjectAtPos(double x, double y, TPgMeasurement unit);
  void GetPaperNames(TStrings& strings) const;
  // The printer names of the page engine's printer.
  void GetPrinterNames(TStrings& strings) const;
  int PrinterIndex() const { return FPages.Printer().PrinterIndex(); }
  void SetPrinterIndex(int index);

  void AddAssociatedComponent(TComponent* component);
  void RemoveAssociatedComponent(TComponent* component);
  int AssociatedCount() const { return static_cast<int>(FAssociated.size()); }

  // The page position (inches) of a pixel of the control.
  TPgPointExt PixelToPage(int x, int y) const;
  // The paper's rectangle in the control now.
  TRect PaperRect() const;
  void UpdateScrollRanges();

  // A single border, drawn as a sunken edge round the client area (bsNone: none).
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle value);

  TNotifyEvent AfterPrint;
  TNotifyEvent BeforePrint;
  TNotifyEvent OnAbortPrint;
  TPgBeforeLoadEvent BeforeLoad;
  TNotifyEvent OnClear;
  TPgDrawHeaderFooterEvent OnDrawHeader;
  TPgDrawHeaderFooterEvent OnDrawFooter;
  TPgNeedRichEditEvent OnNeedRichEdit;
  TNotifyEvent OnNewPage;
  TNotifyEvent OnPageChanged;
  TPgObjectMouseEvent OnObjectMouseDown;
  TPgPageMouseEvent OnPageMouseDown;
  TPgPageMouseEvent OnPageMouseUp;
  TPgPageMouseMoveEvent OnPageMouseMove;
  TPgPageDragOverEvent OnPageDragOver;
  TPgPageDragDropEvent OnPageDragDrop;
  TPgPrintProgressEvent OnPrintProgress;
  // Called after the paper is painted, with the canvas in pixels and clipped to the paper.
  TNotifyEvent OnPaint;

  void Loaded() override;
  void WndProc(TMessage& message) override;
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;

protected:
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void Notify(UINT message);
  void ShowCurrentPage();
  void PagesAddedDeleted();
  void PageAdded();
  bool OnPaper(int x, int y) const;
  static int FitZoom(int room, double inches);

  TPgPageList FPages;
  TPgPaperImage FPaper;
  TPgPageGrid FPageGrid;
  TPgShadow FShadow;
  std::vector<TComponent*> FAssociated;
  int FMaxZoom = 400;
  int FMinZoom = 5;
  bool FEnding = false;
  bool FOrientationChanging = false;
  TBorderStyle FBorderStyle = bsSingle;
};
