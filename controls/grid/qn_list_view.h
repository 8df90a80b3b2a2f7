// TQnListView: the report-style list of the client, drawn cell by cell by itself: sortable
// columns, markup and rich-text cells, links, in-place sub-item editing, clipboard, printing and
// saved column widths.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/grid/grid_options.h"
#include "controls/grid/grid_sort.h"
#include "controls/grid/qn_grid.h"
#include "platform/gfx/image_list.h"
#include "platform/ui/hints.h"
#include "platform/ui/list_view.h"

enum TSortIndicator { siLeft, siRight };
enum TSizeStorage { stInifile, stRegistry };

// The list view's print settings: the grid's without title lines and repeated fixed parts,
// with RepeatHeaders; borders none, single, double, vertical or horizontal.
class TListViewPrintSettings : public TPersistent {
public:
  TPrintPosition Time = ppNone, Date = ppNone, PageNr = ppNone, Title = ppNone;
  std::string PageNumSep = "/";
  std::string DateFormat = "dd/mm/yyyy";
  TFont& Font() { return FFont; }
  TFont& HeaderFont() { return FHeaderFont; }
  TFont& FooterFont() { return FFooterFont; }
  TPrintBorders Borders = pbNoborder;
  TPenStyle BorderStyle = psSolid;
  std::string TitleText;
  bool Centered = false, RepeatHeaders = false;
  int FooterSize = 0, HeaderSize = 0, LeftSize = 0, RightSize = 0, ColumnSpacing = 0, RowSpacing = 0;
  TPrinterOrientation Orientation = poPortrait;
  std::string PagePrefix, PageSuffix;
  int FixedHeight = 0;
  bool UseFixedHeight = false;
  int FixedWidth = 0;
  bool UseFixedWidth = false;
  TFitToPage FitToPage = fpNever;
  std::string JobName;

private:
  TFont FFont, FHeaderFont, FFooterFont;
};

class TListViewHTMLSettings : public TPersistent {
public:
  bool SaveColor = true, SaveFonts = true;
  std::string FooterFile, HeaderFile;
  int BorderSize = 1, CellSpacing = 0;
  std::string TableStyle, PrefixTag, SuffixTag;
  int Width = 100;
};

class TListViewColumnSize : public TPersistent {
public:
  bool Save = false;
  std::string Key, Section;
  bool Stretch = false;
  TSizeStorage Storage = stInifile;
};

// Links that the shell may open: http, https and ftp addresses and mailto links. Anything else
// (file:, javascript:, a program's own scheme) goes to the anchor event only.
bool IsShellLink(const std::string& Link);

class TQnListView;
using TLVDrawItemPropEvent = std::function<void(TObject* Sender, int ItemIndex, int SubItemIndex,
                                                TOwnerDrawState AState, TBrush& ABrush, TFont& AFont,
                                                const std::string& ItemText)>;
using TLVGetFormatEvent = std::function<void(TObject* Sender, int ACol, TSortStyle& AStyle,
                                             std::string& APrefix, std::string& ASuffix)>;
using TLVCustomCompareEvent = std::function<void(TObject* Sender, int ACol, const std::string& Str1,
                                                 const std::string& Str2, int& Res)>;
using TLVRawCompareEvent = std::function<void(TObject* Sender, int Col, int Row1, int Row2, int& Res)>;
using TLVSortStartEvent = std::function<void(TObject* Sender, int Column, bool& Enable)>;
using TLVColumnEvent = std::function<void(TObject* Sender, int Column)>;
using TLVPrintPageEvent =
    std::function<void(TObject* Sender, TCanvas& Canvas, int PageNr, int PageXSize, int PageYSize)>;
using TLVFitToPageEvent = std::function<void(TObject* Sender, double& ScaleFactor, bool& Allow)>;
using TLVPrintColumnWidthEvent = std::function<void(TObject* Sender, int ACol, int& Width)>;
using TLVPrintNewPageEvent = std::function<void(TObject* Sender, int ARow, bool& NewPage)>;
using TLVCellEvent = std::function<void(TObject* Sender, int IItem, int ISubItem)>;
using TLVCanEditCellEvent = std::function<void(TObject* Sender, int IItem, int ISubItem, bool& Allow)>;
using TLVAnchorEvent = std::function<void(TObject* Sender, const std::string& Anchor)>;
using TLVColumnTrackEvent = std::function<void(TObject* Sender, int Column, bool& Allow)>;

class TQnListView : public TListView {
public:
  explicit TQnListView(TComponent* AOwner);
  ~TQnListView() override;

  TListViewPrintSettings& PrintSettings() { return *FPrintSettings; }
  TListViewHTMLSettings& HTMLSettings() { return *FHTMLSettings; }
  TListViewColumnSize& ColumnSize() { return *FColumnSize; }
  virtual std::string GetVersionString() const { return "1.52, April 30 2000"; }
  // 1 in the low word, 52 in the high word.
  virtual int GetVersionNr() const { return 1 | (52 << 16); }

  // ---- sorting ----
  int SortColumn() const { return FSortColumn; }
  // Sorts by column Value (0 = the captions) when it is a column of the list.
  void SetSortColumn(int Value);
  TSortDirection SortDirection() const { return FSortDirection; }
  // Stores the direction only; the list is not sorted again.
  void SetSortDirection(TSortDirection Value);
  bool SortShow = false;
  TSortIndicator SortIndicator = siLeft;
  // The comparison of two items by the sort column, signed by the direction: 1, 0 or -1.
  int CompareItems(TListItem* Item1, TListItem* Item2);
  // Sorts the items by the sort column with a merge sort that stays within bounds whatever the
  // comparison answers.
  void SortItems();

  // ---- header ----
  bool HeaderHotTrack() const { return Header().HotTrack(); }
  void SetHeaderHotTrack(bool Value) { Header().SetHotTrack(Value); }
  // Flat: the header's items are no buttons.
  bool HeaderFlatStyle() const { return Header().Flat(); }
  void SetHeaderFlatStyle(bool Value) { Header().SetFlat(Value); }
  // Columns may be dragged to another place.
  bool HeaderDragDrop() const { return (ExtendedStyle() & LVS_EX_HEADERDRAGDROP) != 0; }
  void SetHeaderDragDrop(bool Value);
  // The images of the header items; without both sort glyphs the sort column shows image 0
  // (ascending) or 1 (descending) of them. Forgotten when the image list is freed.
  TImageList* HeaderImages() const { return FHeaderImages; }
  void SetHeaderImages(TImageList* Value);
  const TFont& HeaderFont() const { return FHeaderFont; }
  void SetHeaderFont(const TFont& Value);
  // With both loaded, the sort column shows the glyph of its direction beside its caption
  // (on the right with siRight).
  const TBitmap& SortUpGlyph() const { return *FSortUpGlyph; }
  void SetSortUpGlyph(const TBitmap& Value) { FSortUpGlyph->Assign(Value); }
  const TBitmap& SortDownGlyph() const { return *FSortDownGlyph; }
  void SetSortDownGlyph(const TBitmap& Value) { FSortDownGlyph->Assign(Value); }
  // A filter edit under each column caption; a change is told (OnFilterChange) once
  // FilterTimeOut milliseconds pass without another.
  bool FilterBar() const { return Header().FilterBar(); }
  void SetFilterBar(bool Value);
  int FilterTimeOut() const { return FFilterTimeOut; }
  void SetFilterTimeOut(int Value);

  // ---- look ----
  bool URLShow = false, URLFull = false, WordWrap = false;
  bool SubImages() const { return (ExtendedStyle() & LVS_EX_SUBITEMIMAGES) != 0; }
  void SetSubImages(bool Value);
  // The picture behind the items (tiled); an empty one takes the list back to its colour.
  const TBitmap& Wallpaper() const { return *FWallpaper; }
  void SetWallpaper(const TBitmap& Value);
  // Milliseconds the mouse rests before the list tells it hovers.
  int HoverTime() const { return static_cast<int>(TListView::HoverTime()); }
  void SetHoverTime(int Value);
  TColor URLColor = clBlue;
  TColor SelectionColor = clHighlight, SelectionTextColor = clHighlightText;
  TVAlignment VAlignment = vtaCenter;
  bool SelectionRTFKeep = false, AutoHint = false, ScrollHint = false;
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value);

  // ---- behaviour ----
  bool ReArrangeItems = false, SubItemEdit = false, SubItemSelect = false, ClipboardEnable = false;
  // The list grows and shrinks with its owner form.
  bool SizeWithForm = false;
  int CurrentItem() const { return FCurrentItem; }
  int CurrentSubItem() const { return FCurrentSubItem; }
  void SetCurrentSubItem(int Value) { FCurrentSubItem = Value; }
  // Starts the in-place edit of a cell (SubItemEdit): the label edit over the cell with its text;
  // false when OnCanEditCell refuses.
  bool EditCell(int ItemIndex, int Column);
  // The text of a cell: the caption for sub-item 0, else the sub-item (empty past the last).
  std::string CellText(int ItemIndex, int Column) const;
  void SetCellText(int ItemIndex, int Column, const std::string& Value);
  // The anchor or link under a client point; empty when none. Opens it (the shell for web and
  // mail links, else OnAnchorClick) as a left press would.
  std::string LinkAt(int X, int Y);
  void ClickLink(const std::string& Link);

  // ---- clipboard ----
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();

  // ---- column widths ----
  void SaveColumnSizes();

  // ---- printing (tenths of a millimetre, y growing upwards) ----
  void Print();
  // The page engine on a canvas in the metric mapping mode; the number of pages.
  int PrintPages(TCanvas& Canvas);
  const std::vector<int>& PrintColWidths() const { return FPrintColWidths; }
  const std::vector<int>& PrintColPos() const { return FPrintColPos; }

  // ---- events ----
  TLVDrawItemPropEvent OnDrawItemProp;
  TLVGetFormatEvent OnGetFormat;
  TLVCustomCompareEvent OnCustomCompare;
  TLVRawCompareEvent OnRawCompare;
  TLVSortStartEvent OnSortStart;
  TLVColumnEvent OnSortDone, OnColumnSized, OnColumnRClick;
  TLVPrintPageEvent OnPrintPage;
  TLVFitToPageEvent OnFitToPage;
  TLVPrintColumnWidthEvent OnPrintSetColumnWidth;
  TLVPrintNewPageEvent OnPrintNewPage;
  TLVCellEvent OnRightClickCell, OnLeftClickCell;
  TLVCanEditCellEvent OnCanEditCell;
  TLVAnchorEvent OnAnchorClick, OnAnchorEnter, OnAnchorExit;
  TLVColumnTrackEvent OnStartColumnTrack;
  TLVColumnEvent OnEndColumnTrack, OnFilterChange, OnFilterBtnClick;

  // Draws one item, all its cells (owner drawing).
  virtual void DrawItemCells(TCanvas& C, int ItemIndex, const TRect& Rect, TOwnerDrawState State);

  // The item being dragged to another place (-1 for none).
  int DragItem() const { return FDragItem; }
  // The re-arranging scroll, once for each tick of the list's timer: a line up while the
  // mouse is above the first line, a line down while it is within ItemHeight of the bottom.
  void AutoScrollTick();

  static constexpr UINT kScrollTimer = 1222;
  // The window of the scroll hint (null until it showed once).
  THintWindow* ScrollHintWindow() const { return FScrollHint.get(); }

protected:
  void ColClick(TListColumn* Column) override;
  void WndProc(TMessage& Message) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  bool CanEdit(TListItem* Item) override;
  void Edit(TListItem* Item, std::string& S) override;
  void DrawItem(TListItem* Item, const TRect& Rect, TOwnerDrawState State) override;
  virtual void DoDrawItemProp(int ItemIndex, int SubItemIndex, const std::string& Text, TFont& AFont,
                              TBrush& ABrush, TOwnerDrawState State);
  // The list's click notifications: the item and sub-item (column) clicked.
  virtual void DoLeftClickCell(int ItemIndex, int SubItem);
  virtual void DoRightClickCell(int ItemIndex, int SubItem);
  // An item whose state changed to one with the selection; nothing here.
  virtual void ItemSelected(int /*ItemIndex*/) {}

private:
  struct TPrintRun;
  struct TFormResizeHook;
  void ShowSortMark(int Column);
  void RemoveSortMark(int Column);
  void HeaderNotify(TMessage& Message, bool& Handled);
  void EndColumnTrack(int Column);
  void ApplyWallpaper();
  // The items are measured again (the height is nudged and put back).
  void RemeasureItems();
  void HintShow(TMessage& Message);
  void ScrollHintMessage(WPARAM WParam);
  void FormResized(TCustomForm& Form);
  void HookOwnerForm();
  void UnhookOwnerForm();
  // A rich-text cell's text drawn into R (logical units of C), moved right and down by two
  // pixels of a 96 dpi screen in C's device units, its size kept; TextColor (clNone: the text's
  // own colours) recolours a selected cell. False, nothing drawn, for a text that is no RTF.
  bool DrawRichCellText(TCanvas& C, const std::string& Text, const TRect& R, TColor TextColor);
  // The anchor of a markup text at a point of its cell rectangle.
  std::string MarkupAnchorAt(const std::string& Text, const TRect& Cell, int X, int Y);
  TRect CellRect(int ItemIndex, int Column);
  int PrintFontHeight(int Points) const;
  TPoint MeasurePrintCell(TPrintRun& Run, int Row, int Column);
  int PrintRow(TPrintRun& Run, int Y, int First, int Last, int Row);
  void PrintHeaderFooter(TPrintRun& Run);

  std::unique_ptr<TListViewPrintSettings> FPrintSettings;
  std::unique_ptr<TListViewHTMLSettings> FHTMLSettings;
  std::unique_ptr<TListViewColumnSize> FColumnSize;
  int FSortColumn = -1;
  TSortDirection FSortDirection = sdAscending;
  int FSortSign = 1;
  int FItemHeight = 13;
  int FCurrentItem = -1, FCurrentSubItem = 0;
  int FDragItem = -1;
  std::string FLastAnchor;
  bool FAnchorEntered = false;
  bool FEditingCell = false;
  std::string FSavedCaption;
  std::vector<int> FPrintColWidths, FPrintColPos;
  int FPrintedWidth = 0;
  TImageList* FHeaderImages = nullptr;
  TChangeLink FHeaderImagesLink;
  TFont FHeaderFont;
  std::unique_ptr<TBitmap> FSortUpGlyph, FSortDownGlyph, FWallpaper;
  int FFilterTimeOut = 500;
  TPoint FMousePos{-1, -1};
  // The cell whose text the hint shows (-1: none).
  int FHintItem = -1, FHintSubItem = -1;
  std::unique_ptr<THintWindow> FScrollHint;
  // The owner form whose resizes the list follows, its size when last followed and the
  // handler it had before.
  TCustomForm* FOwnerForm = nullptr;
  int FFormWidth = 0, FFormHeight = 0;
  TNotifyEvent FFormResize;
};
