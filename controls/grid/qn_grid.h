// TQnStringGrid: the string grid of both programs.  It adds to the base string grid footer rows
// and right-hand fixed columns, hidden columns and rows with a row filter, banded rows, option
// objects, typed cell access, headers from string lists, the grid text stream and file, CSV,
// row and column insertion and removal, and sorting.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/grid/grid_filter.h"
#include "controls/grid/grid_options.h"
#include "controls/grid/grid_sort.h"
#include "platform/rtl/exceptions.h"
#include "platform/ui/grids.h"
#include "platform/ui/ole_drag.h"

class TStream;
class THintWindow;
class TArrowWindow;
class TPopupButton;
class TCustomForm;
class TQnInplaceEdit;
class TGridCombo;
class TGridSpin;
class TGridDatePicker;
class TGridCheckBox;
class TGridEditBtn;
class TGridUnitEditBtn;
class TGridButton;
class TEditLink;
class TWinControl;

QN_DECLARE_EXCEPTION(EQnGridError, Exception);

// Registers the grid and its option objects with their published properties (done by the
// grid's constructor; safe to call again).
void RegisterQnGridClasses();

// One line of the grid text stream: bytes up to a CR (not part of the line), and the byte after
// it is dropped.
std::string ReadStreamLine(TStream& Stream);
// The text's bytes in one write, then CR LF in another.
void WriteStreamLine(TStream& Stream, const std::string& Text);

enum TVAlignment { vtaCenter, vtaTop, vtaBottom };
enum TSortDirection { sdAscending, sdDescending };
enum TIntelliPan { ipVertical, ipHorizontal, ipBoth, ipNone };
enum TScrollType { ssNormal, ssFlat, ssEncarta };
enum TScrollHintType { shNone, shVertical, shHorizontal, shBoth };

enum TCellBorder { cbTop, cbLeft, cbBottom, cbRight };
using TCellBorders = TSet<TCellBorder>;

using TGridColorEvent = std::function<void(TObject* Sender, int ARow, int ACol,
                                           TGridDrawState AState, TBrush& ABrush, TFont& AFont)>;
using TGridBorderEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, TPen& APen, TCellBorders& Borders)>;
using TGridAlignEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, TAlignment& AAlignment)>;
using TGridFormatEvent = std::function<void(TObject* Sender, int ACol, TSortStyle& AStyle,
                                            std::string& APrefix, std::string& ASuffix)>;
using TGridEditorEvent = std::function<void(TObject* Sender, int ACol, int ARow, int& AEditor)>;
using TGridCellBoolEvent = std::function<void(TObject* Sender, int ARow, int ACol, bool& Value)>;
using TChangingEvent = std::function<void(TObject* Sender, int OldIndex, int NewIndex, bool& Allow)>;
using TCellChangingEvent = std::function<void(TObject* Sender, int OldRow, int OldCol, int NewRow,
                                              int NewCol, bool& Allow)>;
using TIndexEvent = std::function<void(TObject* Sender, int Index)>;
using TCanAddRowEvent = std::function<void(TObject* Sender, bool& CanAdd)>;
using TFileProgressEvent = std::function<void(TObject* Sender, int Progress)>;
using TCustomCompareEvent =
    std::function<void(TObject* Sender, const std::string& Str1, const std::string& Str2, int& Res)>;
using TRawCompareEvent =
    std::function<void(TObject* Sender, int ACol, int ARow1, int ARow2, int& Res)>;
using TCanSortEvent = std::function<void(TObject* Sender, int ACol, bool& DoSort)>;
using TScrollHintEvent = std::function<void(TObject* Sender, int ARow, std::string& HintStr)>;
using TClickCellEvent = std::function<void(TObject* Sender, int ARow, int ACol)>;
using TCellValidateEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, std::string& Value, bool& Valid)>;
using TClipboardEvent = std::function<void(TObject* Sender, bool& Allow)>;
using TCanInsertRowEvent = std::function<void(TObject* Sender, int ARow, bool& CanInsert)>;
using TCanDeleteRowEvent = std::function<void(TObject* Sender, int ARow, bool& CanDelete)>;
using TAnchorClickEvent = std::function<void(TObject* Sender, int ARow, int ACol,
                                             const std::string& Anchor, bool& AutoHandle)>;
using TGridHintEvent = std::function<void(TObject* Sender, int ARow, int ACol, std::string& HintStr)>;
using TColumnSizeEvent = std::function<void(TObject* Sender, int ACol, bool& Allow)>;
using TRowSizeEvent = std::function<void(TObject* Sender, int ARow, bool& Allow)>;
using TSpinClickEvent = std::function<void(TObject* Sender, int ACol, int ARow, int AValue, bool UpDown)>;
using TFloatSpinClickEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, double AValue, bool UpDown)>;
using TDateTimeSpinClickEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, double AValue, bool UpDown)>;
using TEllipsClickEvent = std::function<void(TObject* Sender, int ACol, int ARow, std::string& S)>;
using TPrintStartEvent = std::function<void(TObject* Sender, int NrOfPages, int& FromPage, int& ToPage)>;
using TPrintPageEvent =
    std::function<void(TObject* Sender, TCanvas& Canvas, int PageNr, int PageXSize, int PageYSize)>;
using TPrintNewPageEvent = std::function<void(TObject* Sender, int ARow, bool& NewPage)>;
using TPrintColumnWidthEvent = std::function<void(TObject* Sender, int ACol, int& Width)>;
using TPrintRowHeightEvent = std::function<void(TObject* Sender, int ARow, int& Height)>;
using TFitToPageEvent = std::function<void(TObject* Sender, double& ScaleFactor, bool& Allow)>;
using TOleDropEvent =
    std::function<void(TObject* Sender, int ARow, int ACol, const std::string& Data, bool& Accept)>;
using TOleDragOverEvent = std::function<void(TObject* Sender, int ARow, int ACol, bool& Allow)>;
using TOleDragStartEvent = std::function<void(TObject* Sender, int ARow, int ACol)>;
using TOleDragStopEvent = std::function<void(TObject* Sender, int OLEEffect)>;
using TOleDropColEvent = std::function<void(TObject* Sender, int ARow, int ACol, int DropCol)>;
using TAnchorEvent = std::function<void(TObject* Sender, int ARow, int ACol, const std::string& Anchor)>;
using TGetEditorPropEvent = std::function<void(TObject* Sender, int ACol, int ARow, TEditLink* AEditLink)>;
using TComboChangeEvent =
    std::function<void(TObject* Sender, int ACol, int ARow, int AItemIndex, const std::string& ASelection)>;
using TGetEditMaskEvent = std::function<void(TObject* Sender, int ACol, int ARow, std::string& Value)>;

// The editor kinds a cell may get through OnGetEditorType.
enum : int {
  edNormal = 0, edSpinEdit = 1, edComboEdit = 2, edComboList = 3, edEditBtn = 4, edCheckBox = 5,
  edDateEdit = 6, edDateEditUpDown = 7, edTimeEdit = 8, edButton = 9, edNone = 10, edNumeric = 11,
  edPositiveNumeric = 12, edFloat = 13, edCapital = 14, edMixedCase = 15, edPassword = 16,
  edUnitEditBtn = 17, edLowerCase = 18, edUpperCase = 19, edFloatSpinEdit = 20,
  edTimeSpinEdit = 21, edDateSpinEdit = 22, edNumericEditBtn = 23, edFloatEditBtn = 24,
  edCustom = 25
};
// Kinds that the grid's own text editor handles.
bool IsTextEditorKind(int Kind);
// Key and mouse messages of the grid's editors: an error puts the grid back in its normal
// state before it goes on to the application's guard.
bool IsInputMessage(UINT Msg);
// Puts the program's pan cursors (8000 to 8008) and header cursors (8010 to 8012) into the
// screen's cursor table (once).
void EnsureGridCursors();

class TQnStringGrid;
template <class F>
void GuardInput(TQnStringGrid& Grid, TMessage& Message, F&& Handle);

// A pasted or dropped text as lines of TAB-separated fields. A line ends at CR (an LF right
// after it belongs to it) or at a bare LF; a non-empty rest after the last line end is a line.
std::vector<std::vector<std::string>> SplitTabbedLines(const std::string& Text);

// The six header and footer texts of printing, indexed by TPrintPosition: items join a left
// slot in front, the others behind, one blank apart.
struct TPrintSlots {
  std::string Text[7];
  void Add(TPrintPosition Position, const std::string& Item);
  // The time ("hh:nn") and the date (DateFormat) of now.
  void AddTimeDate(TPrintPosition TimePos, TPrintPosition DatePos, const std::string& DateFormat);
  // Where a slot's text of width W starts: at LeftSize, ending 20 + RightSize before the right
  // edge, or centred on the page.
  static int TextX(int Slot, int PageWidth, int LeftSize, int RightSize, int W);
  static bool AtTop(TPrintPosition P) { return P == ppTopLeft || P == ppTopRight || P == ppTopCenter; }
  static bool AtBottom(TPrintPosition P) { return P == ppBottomLeft || P == ppBottomRight || P == ppBottomCenter; }
};

// HTML export: & < > " as entities; the anchor form of a link text as the grid shows links
// (only with URLShow; the shown text without its protocol unless URLFull, at most 255
// characters; text and reference escaped, the reference quoted); any other text escaped.
std::string HTMLEscape(const std::string& Text);
std::string MakeCellLink(const std::string& Text, bool URLShow, bool URLFull);
// Workbook ranges: a corner such as "$AD$12" (one or two column letters); the letters of a
// column (1 -> "A", 30 -> "AD").
bool ParseRangeCorner(const std::string& Text, int& Col, int& Row);
std::string RangeColumnLetters(int Col);

// The fit-to-page factor of printing: the room for the columns (Available less the spacing)
// over their width; fpShrink never enlarges, fpGrow never shrinks, fpCustom asks Ask (a refusal
// gives 1).
double PrintFitFactor(TFitToPage Mode, long long TotalWidth, long long SpacingTotal, int Available,
                      const std::function<void(double& Factor, bool& Allow)>& Ask);

// One job on the current printer titled Title: BeginDoc, Pages on its canvas in the metric
// mapping mode, EndDoc; the job is aborted when Pages raises. Nothing happens when the job does
// not start.
void RunMetricPrintJob(const std::string& Title, const std::function<void(TCanvas& Canvas)>& Pages);
// The title of a print job: the job name when one is set, else the caption of the window the
// control prints from (the document's name as the person sees it).
std::string PrintJobTitle(const std::string& JobName, const TControl& Control);

// Text turned by Angle degrees: the width and height of the box around a W x H text.
struct TRotatedExtents {
  int Width = 0, Height = 0;
};
TRotatedExtents RotatedExtents(int W, int H, int Angle);
// Where a W x H text turned clockwise by Angle starts (units with y growing upwards), so that
// the box around it is left-aligned (one Indent in), right-aligned (one Indent before the
// right edge) or centred in Cell, its top at Top.
TPoint RotatedTextOrigin(const TRect& Cell, TAlignment Align, int Indent, int Top, int W, int H, int Angle);

// Selects Font at the given height on the canvas; the height of "gh" in it.
int SelectPrintFont(TCanvas& Canvas, const TFont& Font, int Height);

class TQnStringGrid : public TStringGrid {
public:
  explicit TQnStringGrid(TComponent* AOwner);
  ~TQnStringGrid() override;

  // ---- counts (with the "always one fixed" options and the footer and right fixed parts) ----
  void SetRowCount(int Value) override;
  void SetColCount(int Value) override;
  int FixedRows() const override;
  int FixedCols() const override;
  int FixedFooters() const { return FFixedFooters; }
  void SetFixedFooters(int Value);
  int FixedRightCols() const { return FFixedRightCols; }
  void SetFixedRightCols(int Value);
  int FixedColWidth() const { return ColWidths(0); }
  void SetFixedColWidth(int Value);
  int FixedRowHeight() const { return RowHeights(0); }
  void SetFixedRowHeight(int Value);
  bool FixedRowAlways = false;
  bool FixedColAlways = false;

  // ---- option objects ----
  TPrintsettings& PrintSettings() { return *FPrintSettings; }
  THTMLSettings& HTMLSettings() { return *FHTMLSettings; }
  TNavigation& Navigation() { return *FNavigation; }
  TColumnSize& ColumnSize() { return *FColumnSize; }
  TCellNode& CellNode() { return *FCellNode; }
  TBands& Bands() { return *FBands; }
  TSizeWhileTyping& SizeWhileTyping() { return *FSizeWhileTyping; }
  TMouseActions& MouseActions() { return *FMouseActions; }
  TBackGround& BackGround() { return *FBackGround; }
  TFont& FixedFont() { return FFixedFont; }
  TImageList* GridImages = nullptr;
  // The sort glyphs; both must be loaded to replace the drawn triangle.
  TBitmap& SortUpGlyph() { return FSortUpGlyph; }
  TBitmap& SortDownGlyph() { return FSortDownGlyph; }

  // ---- headers ----
  TStringList& ColumnHeaders() { return *FColumnHeaders; }
  void SetColumnHeaders(const TStrings& Value);
  TStringList& RowHeaders() { return *FRowHeaders; }
  void SetRowHeaders(const TStrings& Value);
  TStringList& LookupItems() { return *FLookupItems; }
  void SetLookupItems(const TStrings* Value);

  // ---- plain published settings ----
  bool AutoNumAlign = false, EnhTextSize = false, EnhRowColMove = false, SortFixedCols = false,
       SortNormalCellsOnly = false, SizeWithForm = false, Multilinecells = false,
       SortFull = true, SortAutoFormat = true, EnableGraphics = false, EnableHTML = true,
       EnableWheel = true, HintShowCells = false, HintShowLargeText = false,
       OleAcceptFiles = true, OleAcceptText = true, OleEntireRows = false, OleInsertRows = false,
       OleRemoveRows = false, IntelliZoom = true, URLEdit = false, ScrollSynch = false,
       ScrollProportional = false, OemConvert = false, FixedAsButtons = false, Lookup = false,
       LookupCaseSensitive = false, LookupHistory = false, HideFocusRect = false,
       SelectionRTFKeep = false, Hovering = false;
  TSortDirection SortDirection = sdAscending;
  TColor HintColor = clYellow;
  TIntelliPan IntelliPan = ipVertical;
  TScrollType ScrollType = ssNormal;
  TColor ScrollColor = clNone;
  int ScrollWidth = 16;
  TScrollHintType ScrollHints = shNone;
  std::string FloatFormat = "%.2f";
  // Stored-cell switches of the text stream, file and CSV forms.
  bool StoreFixedCells = true;
  bool StoreHiddenCells = false;
  // The delimiter of CSV files; character 0 means "," when writing and detection when reading.
  char FieldDelimiter = '\0';

  // ---- settings that repaint ----
  TVAlignment VAlignment() const { return FVAlignment; }
  void SetVAlignment(TVAlignment Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  TColor SelectionColor() const { return FSelectionColor; }
  void SetSelectionColor(TColor Value);
  TColor SelectionTextColor() const { return FSelectionTextColor; }
  void SetSelectionTextColor(TColor Value);
  bool SelectionRectangle() const { return FSelectionRectangle; }
  void SetSelectionRectangle(bool Value);
  bool ShowSelection() const { return FShowSelection; }
  void SetShowSelection(bool Value);
  TColor URLColor() const { return FURLColor; }
  void SetURLColor(TColor Value);
  bool URLShow() const { return FURLShow; }
  void SetURLShow(bool Value);
  bool URLFull() const { return FURLFull; }
  void SetURLFull(bool Value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value);
  bool SortShow() const { return FSortShow; }
  void SetSortShow(bool Value);
  bool SortIndexShow() const { return FSortIndexShow; }
  void SetSortIndexShow(bool Value);
  int SortColumn() const { return FSortColumn; }
  void SetSortColumn(int Value);
  int MaxEditLength() const { return FMaxEditLength; }
  void SetMaxEditLength(int Value) { FMaxEditLength = Value; }

  // ---- typed cell access ----
  int Ints(int ACol, int ARow) const;
  void SetInts(int ACol, int ARow, int Value);
  double Floats(int ACol, int ARow) const;
  double Dates(int ACol, int ARow) const;

  void ShowCell(int ACol, int ARow);
  // Moves the selection off the grid, to (ColCount, RowCount); the old one is kept.
  void HideSelection();
  TGridRect HiddenSelection() const { return FHiddenSelection; }
  bool IsSizingEdge(int X, int Y) const;
  // The first cell (row by row) whose text equals Text; (-1, -1) when there is none.
  TPoint FindText(const std::string& Text) const;

  // Moves to the next (or previous) editable cell on Enter and Tab; see the navigation options.
  void AdvanceCell(int ACol, int ARow, bool Forward, bool ShowEditor, bool Forced);
  // A footer row, a right fixed column (real column number) or IsFixed.
  bool IsFixedCell(int ACol, int ARow) const;
  bool InCellControlShowing() const { return FInCellControl; }
  void CloseInCellControl() { FInCellControl = false; }

  // ---- hidden columns, hidden rows, filter and row selection ----
  void HideColumn(int ACol) { HideColumns(ACol, ACol); }
  void HideColumns(int AFirst, int ALast);
  int NumHiddenColumns() const { return FNumHidden; }
  int RealColIndex(int ACol) const;
  int DisplColIndex(int ACol) const;
  bool IsHiddenColumn(int ACol) const;
  int RealCol() const { return RealColIndex(Col()); }
  void HideRows(int AFirst, int ALast);
  void UnHideRows(int AFirst, int ALast);
  void UnHideRowsAll();
  bool IsHiddenRow(int ARow) const;
  int RealRowIndex(int ARow) const;
  int DisplRowIndex(int ARow) const;
  int RealRow() const { return RealRowIndex(Row()); }
  TGridItems& HiddenRows() { return *FHiddenRows; }
  TFilter& Filter() { return *FFilter; }
  bool FilterActive() const { return FFilterActive; }
  void SetFilterActive(bool Value);
  void ApplyFilter();
  bool RowMatchesFilter(int ARow) const;
  bool RowSelect(int ARow);
  void SetRowSelect(int ARow, bool Value);
  void ClearRowSelect();
  void SelectToRowSelect();

  // ---- grid text stream and file ----
  void SaveToStream(TStream& Stream);
  void LoadFromStream(TStream& Stream);
  void SaveToFile(const std::string& FileName);
  void LoadFromFile(const std::string& FileName);

  // ---- CSV ----
  void SaveToCSV(const std::string& FileName);
  void LoadFromCSV(const std::string& FileName);

  // ---- HTML, workbooks and the clipboard ----
  void SaveToHTML(const std::string& FileName);
  // The page's lines (without the header and footer files).
  std::vector<std::string> HTMLLines();
  void BuildHTML(const std::function<void(const std::string& Line)>& Put);
  void LoadFromXLS(const std::string& FileName, const std::string& SheetName);
  // The form a date read from a workbook takes in the cells ("mm/dd/yyyy", "dd/mm/yyyy",
  // "yyyy/mm/dd": the owner's date format); empty: the short date format.
  std::string WorkbookDateFormat;
  void SaveToXLS(const std::string& FileName, const std::string& SheetName);
  // The text-to-cells routine of pastes and drops; the number of fields met.
  int PasteText(int ACol, int ARow, const std::string& Text);
  int PasteAtCell(int ACol, int ARow);
  // Columns (most fields in a line) and rows (lines) of a pasted block.
  static TPoint PasteSize(const std::string& Text);
  // The tab-separated text of a rectangle of displayed cells.
  std::string ClipboardText(const TGridRect& R);
  // A cell outside the fixed parts that the grid and OnCanEditCell let be edited.
  bool CellMayBeEdited(int ACol, int ARow);

  // ---- printing and preview (tenths of a millimetre, y growing upwards) ----
  void Print();
  void PrintRange(const TGridRect& Range);
  // Draws the pages FromPage..ToPage of the layout for a page the size of Target (device
  // pixels of the canvas) with its top-left corner there.
  void PrintPreview(TCanvas& Canvas, const TRect& Target);
  void PreviewRange(TCanvas& Canvas, const TRect& Target, const TGridRect& Range);
  void SetPreviewPage(int Page);
  // The page engine: Mode 0 draws a preview, 1 prints, 2 counts for printing, 3 counts for a
  // preview; the number of pages laid out.
  int PrintPages(TCanvas& Canvas, int Mode, int Total);
  int MaxCellLines(int ARow);
  TGridRect PrintGridRect{};
  TRect PageArea{};
  int FromPage = 1, ToPage = 1, TotalPages = 0;
  bool PreviewFirstPageOnly = false;
  const std::vector<int>& PrintColWidths() const { return FPrintColWidths; }
  const std::vector<int>& PrintColPos() const { return FPrintColPos; }
  int PrintedWidth() const { return FPrintedWidth; }
  TRect PageRect() const { return FPageRect; }
  TPrintStartEvent OnPrintStart;
  TPrintPageEvent OnPrintPage;
  TPrintNewPageEvent OnPrintNewPage;
  TPrintColumnWidthEvent OnPrintSetColumnWidth;
  TPrintRowHeightEvent OnPrintSetRowHeight;
  TFitToPageEvent OnFitToPage;

  // ---- zoom and panning ----
  // Changes the font-size offset by Step (kept within -10..10) and every column width and row
  // height with it.
  void Zoom(int Step);
  bool Panning() const { return FPanning; }
  TPoint PanOrigin() const { return FPanOrigin; }

  // ---- drag and drop ----
  // A drop target registered for the grid's window while on.
  bool OleDropTarget() const { return FOleDropTargetOn; }
  void SetOleDropTarget(bool Value);
  // Presses on selected cells (or on a header) may start a drag while on.
  bool OleDropSource() const { return FOleDropSource; }
  void SetOleDropSource(bool Value);
  // Rich text is taken by drops while on (one setting for every grid).
  bool OleDropRTF() const { return FOleDropRTF; }
  void SetOleDropRTF(bool Value);
  // The selection when the last text drag started; a drop above it moves it down.
  TGridRect& DragSelection() { return FDragSelection; }
  // Runs the drag of a press at the cell (column drag on a header, else the selection's text).
  void StartOleDrag(int ACol, int ARow);
  TOleDropEvent OnOleDrop, OnOleDrag;
  TOleDragOverEvent OnOleDragOver;
  TOleDragStartEvent OnOleDragStart;
  TOleDragStopEvent OnOleDragStop;
  TOleDropColEvent OnOleDropCol;
  TAnchorEvent OnAnchorEnter, OnAnchorExit;
  TColumnSizeEvent OnColumnMove;
  TRowSizeEvent OnRowMove;
  // The selection the last mouse move repainted with SelectionRectangle.
  TGridRect LastSelection() const { return FLastSelection; }

  // ---- rows and columns ----
  virtual void RemoveRows(int RowIndex, int RCount);
  virtual void DeleteRows(int RowIndex, int RCount);
  virtual void InsertRows(int RowIndex, int RCount);
  virtual void RemoveCols(int ColIndex, int CCount);
  virtual void InsertCols(int ColIndex, int CCount);
  virtual void ClearRect(int ACol1, int ARow1, int ACol2, int ARow2);
  void ClearRows(int RowIndex, int RCount);
  void ClearCols(int ColIndex, int CCount);
  void RemoveSelectedRows();
  void ExchangeRows(int ARow1, int ARow2);

  // ---- sorting ----
  int CompareCells(int ACol, int ARow1, int ARow2);
  int CompareRows(int ACol, int ARow1, int ARow2);
  int CompareRowsIndexed(int Position, int ARow1, int ARow2);
  void SortByColumn();
  void SortByIndexes();
  TSortIndexList& SortIndexes() { return *FSortIndexes; }

  // ---- the per-cell queries ----
  virtual void GetCellColor(int ACol, int ARow, TGridDrawState AState, TBrush& ABrush, TFont& AFont);
  virtual void GetCellPrintColor(int ACol, int ARow, TGridDrawState AState, TBrush& ABrush, TFont& AFont);
  virtual void GetCellBorder(int ACol, int ARow, TPen& APen, TCellBorders& Borders);
  virtual void GetCellPrintBorder(int ACol, int ARow, TPen& APen, TCellBorders& Borders);
  virtual void GetCellAlign(int ACol, int ARow, TAlignment& AAlignment);
  virtual void GetCellFormat(int ACol, TSortStyle& AStyle, std::string& APrefix, std::string& ASuffix);
  virtual void GetCellEditor(int ACol, int ARow, int& AEditor);
  virtual bool IsFixed(int ACol, int ARow);
  virtual void CanEditCell(int ARow, int ACol, bool& CanEdit);
  virtual void IsPasswordCell(int ARow, int ACol, bool& IsPassword);
  // Whether a cell prints rotated, by AAngle degrees. The grid rotates no cell by itself; a grid
  // made for rotated cells answers here.
  virtual bool IsRotated(int /*ACol*/, int /*ARow*/, int& AAngle) {
    AAngle = 0;
    return false;
  }

  void Loaded() override;

  // ---- events ----
  TGridColorEvent OnGetCellColor, OnGetCellPrintColor;
  TGridBorderEvent OnGetCellBorder, OnGetCellPrintBorder;
  TGridAlignEvent OnGetAlignment;
  TGridFormatEvent OnGetFormat;
  TGridEditorEvent OnGetEditorType;
  TGridCellBoolEvent OnCanEditCell, OnIsFixedCell, OnIsPasswordCell;
  TChangingEvent OnRowChanging, OnColChanging;
  TCellChangingEvent OnCellChanging;
  TIndexEvent OnEndColumnSize, OnEndRowSize, OnAutoAddRow, OnAutoInsertCol, OnClickSort;
  TCanAddRowEvent OnCanAddRow;
  TFileProgressEvent OnFileProgress;
  TCustomCompareEvent OnCustomCompare;
  TRawCompareEvent OnRawCompare;
  TCanSortEvent OnCanSort;
  TScrollHintEvent OnScrollHint;

  // Runs the stretch pass of ColumnSize.Stretch.
  void StretchColumns();
  void SaveColumnSizes();
  void LoadColumnSizes();

  // ---- scroll bars (plain or flat) and scroll hints ----
  void SetScrollType(TScrollType Value);
  void SetScrollColor(TColor Value);
  void SetScrollWidth(int Value);
  void SetScrollProportional(bool Value);
  bool FlatScrollBarsOn() const { return FFlatOn; }
  // Applies the look, shows the bars that rows or columns outside the view need, and sets
  // their thumbs.
  void UpdateScrollBars();
  bool ScrollHintShowing() const { return FScrollHintShowing; }
  const std::string& ScrollHintText() const { return FScrollHintText; }
  // The thumb position (0..127) the base grid reports for the view.
  int ThumbPosition(bool Vertical) const;

  // ---- painting ----
  // The width and height that a cell's text needs (autosizing, sizing while typing).
  TPoint CellTextSize(int ACol, int ARow);
  // The text of the cell as painted (password and short link forms applied).
  std::string DisplayedText(int ACol, int ARow);
  bool BlinkPhase() const { return FBlinkOn; }
  int FontSizeOffset() const { return FZoom; }
  void InvalidateCellRange(const TGridRect& Cells);
  std::string GetVersionString() const { return "1.91 January 2001"; }
  int GetVersionNr() const { return 5963777; }

  // ---- selection text and automatic sizing ----
  std::string SelectionToText();
  bool IsCellSelected(int ACol, int ARow);
  void AutoSizeColumn(int ACol, bool OnlyGrow = false);
  void AutoSizeColumns(bool DoFixedCols, int Extra);
  void AutoSizeRow(int ARow);
  void SetRowHeightForLines(int ARow, int Lines, int Extra);
  void SwapRows(int ARow1, int ARow2);
  void ClearAll();

  // ---- messages and cell-change hooks ----
  // The first data row whose sort column starts (upper-cased) with Key; -1 when none.
  int LookupRow(const std::string& Key);
  // Validates the current cell's text when it may have been edited; false when rejected.
  bool ValidateCell(const std::string& NewValue);
  bool EditPending() const { return FEditPending; }
  // After an error in an input handler: editors closed with the cell's text put back, no
  // sizing, moving or capture left.
  void RecoverFromError();
  // The grid's clipboard operations used by the short cuts: the selection as text, and text
  // pasted from the current cell on.
  virtual void CopyToClipBoard();
  virtual void CutToClipBoard();
  virtual void PasteFromClipBoard();

  // ---- in-place editing ----
  int EditorKind() const { return FEditorKind; }
  void ShowInplaceEdit();
  void HideInplaceEdit();
  TQnInplaceEdit* InplaceEditor() const { return FInplaceEdit; }
  // The child editor shown for the current kind, or null.
  TWinControl* ActiveCellControl() const;
  // Writes the child editor's value back into the cell and hides it.
  void HideCellControl();
  TGridCombo& Combo();
  TGridSpin& Spin();
  TGridDatePicker& DatePicker();
  TGridCheckBox& CheckBox();
  TGridEditBtn& EditBtn();
  TGridUnitEditBtn& UnitEditBtn();
  TGridButton& CellButton();
  // The ellipsis step of the button editors: S as OnEllipsClick leaves it.
  std::string EllipsClick(const std::string& S);
  // Toggles the check box cell under the current cell (space bar).
  char32_t LastTypedChar() const { return FLastTypedChar; }
  bool CaretPlacementPending() const { return FCaretPending; }
  void ClearCaretPlacement() { FCaretPending = false; }
  const std::string& EditStartText() const { return FEditStartText; }
  void SetEditText(int ACol, int ARow, const std::string& Value);
  std::string GetEditText(int ACol, int ARow);
  TEditLink* EditLink = nullptr;
  char PasswordChar = '*';
  bool CellDateControlsAvailable() const;

  // The move feedback windows: arrows pointing up, down, right and left, and the caption
  // window; made with the grid's window, hidden until a move shows them.
  TArrowWindow* ArrowWindow(int Direction) const;
  TPopupButton* DragImage() const { return FDragImage; }
  // Arrows 0 and 1 below and above the left edge of the header of display column ACol.
  void ShowColumnArrows(int ACol);
  // Arrows 2 and 3 left and right of the bottom edge of the header of display row ARow.
  void ShowRowArrows(int ARow);
  // Hides arrows First..Last.
  void HideArrows(int First = 0, int Last = 3);
  // The caption window with its top-left corner at a screen point, sized and captioned.
  void ShowDragImage(TPoint ScreenPos, int Width, int Height, const std::string& Caption);
  void HideDragImage();
  // The form-resize hook of SizeWithForm: the grid follows the form's size change.
  void FormResized();

  // ---- events of interaction ----
  TClickCellEvent OnRightClickCell, OnDblClickCell, OnClickCell;
  TCellValidateEvent OnCellValidate;
  TClipboardEvent OnClipboardCut, OnClipboardPaste, OnClipboardCopy;
  TCanInsertRowEvent OnCanInsertRow;
  TCanDeleteRowEvent OnCanDeleteRow;
  TIndexEvent OnAutoInsertRow, OnAutoDeleteRow;
  TAnchorClickEvent OnAnchorClick;
  TGridHintEvent OnGridHint;
  TColumnSizeEvent OnColumnSize;
  TRowSizeEvent OnRowSize;
  TSpinClickEvent OnSpinClick;
  TFloatSpinClickEvent OnFloatSpinClick;
  TDateTimeSpinClickEvent OnDateSpinClick, OnTimeSpinClick;
  TEllipsClickEvent OnEllipsClick;
  TGetEditorPropEvent OnGetEditorProp;
  // The in-cell combo box's selection (item index and text) or edit text (index -1) changed.
  TComboChangeEvent OnComboChange;
  // The edit mask of a cell's text editor (empty: none).
  TGetEditMaskEvent OnGetEditMask;
  virtual std::string GetEditMask(int ACol, int ARow);

protected:
  int StoreExtraCols() const override { return FWidened ? 0 : FNumHidden; }
  void SizeChanged(int OldColCount, int OldRowCount) override;
  void ColWidthsChanged() override;
  bool SelectCell(int ACol, int ARow) override;
  // Paints the text of the real column behind the displayed one, with the cell's colours,
  // alignment and markup.
  void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
  bool CanEditShow() override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void CreateWnd() override;
  void WndProc(TMessage& Message) override;
  // The cells, then the window's colour on what lies beyond the last column and row.
  void Paint() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void Click() override;
  void DoEnter() override;
  void DoExit() override;
  void ColumnMoved(int FromIndex, int ToIndex) override;
  void RowMoved(int FromIndex, int ToIndex) override;
  void CalcSizingState(int X, int Y, TGridState& State, int& Index) override;
  void TopLeftChanged() override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void SetEditorMode(bool Value) override;
  // Remembers the current cell's text (entering or clicking a cell).
  virtual void CellEnter();
  // Runs when a validated cell's text changed; subclasses may act on it.
  virtual void CellsChanged(const TRect& /*R*/) {}
  // A new editor for the grid's own text editing.
  virtual TQnInplaceEdit* CreateEditor();
  // After a paste: the last copy's top-left cell, the pasted rectangle (left, top, right,
  // bottom cells) and whether the last clipboard action was a copy.
  virtual void PasteNotify(TPoint /*Origin*/, const TRect& /*Pasted*/, bool /*Copied*/) {}

private:
  friend class TColumnSize;
  friend class TGridRowComparer;
  void ApplyColumnHeaders();
  void ApplyRowHeaders();
  void Widen();
  void Narrow();
  void ReportProgress(int Row, int Total, int& Last);
  // Sorts rows Lo..Hi: the bounded quicksort runs over row numbers, each cell's sort key read
  // once; then every row moves once to its place.  Sign 0 sorts by the sort index list.
  void QuickSortRows(int Lo, int Hi, int Sign);
  // Moves the rows so that position Lo + k holds what row Order[k] held.
  void PermuteRows(int Lo, const std::vector<int>& Order);
  std::vector<std::string> RowTexts(int ARow) const;

  std::unique_ptr<TPrintsettings> FPrintSettings;
  std::unique_ptr<THTMLSettings> FHTMLSettings;
  std::unique_ptr<TNavigation> FNavigation;
  std::unique_ptr<TColumnSize> FColumnSize;
  std::unique_ptr<TCellNode> FCellNode;
  std::unique_ptr<TBands> FBands;
  std::unique_ptr<TSizeWhileTyping> FSizeWhileTyping;
  std::unique_ptr<TMouseActions> FMouseActions;
  std::unique_ptr<TBackGround> FBackGround;
  std::unique_ptr<TStringList> FColumnHeaders, FRowHeaders, FLookupItems, FLookupHistory;
  TFont FFixedFont;
  TBitmap FSortUpGlyph, FSortDownGlyph;
  std::unique_ptr<TGridItems> FHiddenRows;
  std::unique_ptr<TFilter> FFilter;
  std::unique_ptr<TSortIndexList> FSortIndexes;

  int FFixedFooters = 0;
  int FFixedRightCols = 0;
  TVAlignment FVAlignment = vtaTop;
  bool FWordWrap = false;
  TColor FSelectionColor = clHighlight;
  TColor FSelectionTextColor = clHighlightText;
  bool FSelectionRectangle = false;
  bool FShowSelection = true;
  TColor FURLColor = clBlue;
  bool FURLShow = false, FURLFull = false, FFlat = false;
  bool FSortShow = false, FSortIndexShow = false;
  int FSortColumn = 0;
  int FMaxEditLength = 0;

  // Column visibility: flags for real columns 0..256, saved widths, the hidden count.
  std::vector<bool> FColumnVisible = std::vector<bool>(257, true);
  std::vector<int> FSavedWidths = std::vector<int>(257, 0);
  int FNumHidden = 0;
  bool FWidened = false;
  int FWidenedLastWidth = 0;
  int FSavedFixedRows = 0;
  bool FFilterActive = false;
  std::vector<bool> FRowSelected;

  TGridRect FHiddenSelection{};
  std::string FEditStartText;
  bool FInCellControl = false;
  std::string FTypedText;
  int FSortRememberedRow = -1;
  int FSortSign = 1;
  bool FStretching = false;
  int FSizingCol = -1, FSizingRow = -1, FSizingOldSize = 0;

  friend class TQnInplaceEdit;
  friend class TGridCellEditorAccess;
  void DispatchMessage(TMessage& Message);
  void FreeEditors();
  void WMScroll(TMessage& Message, bool Vertical);
  void ScrollBy(bool Vertical, WORD Code, int Pos);
  void UpdateThumb(bool Vertical);
  void ShowScrollHint(bool Vertical, int Pos);
  void PaintSortGlyph(TCanvas& Canvas, const TRect& R, int RealCol);
  void PaintBackground(TCanvas& Canvas, const TRect& R, int ACol, int ARow, bool Fixed);
  void PaintFixedFrame(TCanvas& Canvas, const TRect& R);
  bool SortGlyphCell(int ACol, int ARow) const;
  void TimerTick();
  void WMChar(TMessage& Message);
  void WMRButtonDown(TMessage& Message);
  bool WMLButtonDblClk(TMessage& Message);
  void HandleCellHint(TMessage& Message);
  void WheelStep(int Delta);
  void ShowCellControl(int Kind);
  void PlaceInplaceEdit();
  // The feedback of a row or column move on a mouse move; the drop at the release (true when
  // it moved the row or column).
  void MoveFeedback(int X, int Y, TGridCoord Cell);
  bool DropMoved(TGridCoord Cell);
  void LeftButtonDown(TShiftState Shift, int X, int Y);
  void LeftButtonUp(TShiftState Shift, int X, int Y);
  void ClickAnchor(const std::string& Anchor, int ACol, int ARow);
  void HeaderSort(int RealCol, TShiftState Shift);
  TRect CellTextRect(int ACol, int ARow, const TRect& R) const;
  void CellFont(int ACol, int ARow, TCanvas& Canvas);

  // Scroll bars.
  bool FFlatOn = false;
  bool FScrollHintShowing = false;
  std::string FScrollHintText;
  std::unique_ptr<THintWindow> FScrollHint;
  // Messages and hooks.
  bool FBlinkOn = true;
  int FCursorMode = 0;
  bool FCursorGuard = false;
  int FEnteredCol = -1, FEnteredRow = -1;
  std::string FEnteredText;
  bool FEditPending = false;
  bool FInternalChange = false;
  char32_t FLastTypedChar = 0;
  int FZoom = 0;
  // Editing.
  int FEditorKind = 0;
  bool FEditing = false;
  bool FTextEditorInUse = false;
  bool FNoEditor = false;
  bool FModeGuard = false;
  bool FCaretPending = false;
  bool FComboChanged = false;
  // The focus came to the grid from its text editor (set when the editor loses it to the grid).
  bool FFocusFromEditor = false;
  void WMSetFocus();
  void WMCommand(TMessage& Message);
  TArrowWindow* FArrows[4] = {nullptr, nullptr, nullptr, nullptr};
  TPopupButton* FDragImage = nullptr;
  TCustomForm* FResizeForm = nullptr;
  TNotifyEvent FFormResize;
  int FFormWidth = 0, FFormHeight = 0;
  TQnInplaceEdit* FInplaceEdit = nullptr;
  TGridCombo* FCombo = nullptr;
  TGridSpin* FSpin = nullptr;
  TGridDatePicker* FDatePicker = nullptr;
  TGridCheckBox* FCheckBox = nullptr;
  TGridEditBtn* FEditBtn = nullptr;
  TGridUnitEditBtn* FUnitEditBtn = nullptr;
  TGridButton* FButton = nullptr;
  // Mouse.
  TPoint FDownPos{-1, -1};
  TGridCoord FDownCell{-1, -1};
  // The press point's offset inside its cell, and the cell under the mouse at the previous
  // move of a row or column move.
  TPoint FDownOffset{0, 0};
  TGridCoord FLastMoveCell{-1, -1};
  // The cell whose hint is up; (-1, -1) when none.
  TGridCoord FHintCell{-1, -1};
  int FMoveSource = -1;
  bool FDownInHeader = false;
  bool FSuppressClick = false;
  bool FSelectionPending = false;
  bool FDeselectOnUp = false;
  bool FPressedFixed = false;
  TRect FPressedRect;
  // Clipboard: the top-left cell of the last copy; set by a copy, cleared by a cut.
  TPoint FCopyOrigin{-1, -1};
  bool FCopied = false;
  std::string HTMLCellText(int RealCol, int ARow);
  void AppendHTMLCellText(std::string& Out, int RealCol, int ARow);
  // The page's lines onto Out, each ended by CR LF; LineDone after each (it may empty Out).
  void WriteHTMLLines(std::string& Out, const std::function<void()>& LineDone);
  // Drag and drop and the mouse move.
  bool FOleDropTargetOn = false, FOleDropSource = false, FOleDropRTF = false;
  std::unique_ptr<IDropTarget> FOleTarget;
  std::function<void(int ACol, int ARow)> FOleDragStart;
  TGridRect FDragSelection{-1, -1, -1, -1};
  TGridRect FLastSelection{};
  std::string FLastAnchor;
  // Panning: started by a middle-button press, ended by the next press or key.
  bool FPanning = false;
  TPoint FPanOrigin{};
  TCursor FPanCursor = crDefault;
  // Handles the pan messages; true when the message needs nothing more.
  bool PanMessage(TMessage& Message);
  void PanStep();
  void EndPanning();
  // The origin mark at the pan origin (its 32 x 32 square is what InvalidatePanMark repaints).
  void DrawPanMark();
  void InvalidatePanMark();
  // Printing.
  struct TPrintRun;
  std::vector<int> FPrintColWidths, FPrintColPos;
  int FPrintedWidth = 0, FPageFirstCol = 0, FPageLastCol = 0;
  TRect FPageRect{};
  double FFontScale = 1.0;
  bool FKeepPrintWidths = false;
  std::vector<int> FKeptWidths, FKeptHeights;
  double FKeptFactor = 1.0;
  int PrintFontHeight(int Points) const;
  // The cell's print angle in degrees, 0..359 (0 when not turned).
  int PrintAngle(int RealCol, int ARow);
  bool PageInRange(int PageNumber) const;
  void PrintCellFont(TPrintRun& Run, int RealCol, int ARow, TBrush& Brush);
  // The printed size of a cell; without Width only the height is sure (the width is measured
  // only where the height depends on it).
  TPoint MeasurePrintCell(TPrintRun& Run, int RealCol, int ARow, bool Width = true);
  int PrintRowHeight(TPrintRun& Run, int ARow);
  int RowSpace(TPrintRun& Run, int ARow);
  int PrintRow(TPrintRun& Run, int Y, int First, int Last, int ARow);
  std::string PageNumberText(const TPrintRun& Run) const;
  void PrintHeaderFooter(TPrintRun& Run);
  void PrintBorders(TPrintRun& Run, int First, int Last);
  void PrintNewPage(TPrintRun& Run);
};

template <class F>
void GuardInput(TQnStringGrid& Grid, TMessage& Message, F&& Handle) {
  if (!IsInputMessage(Message.Msg)) {
    Handle();
    return;
  }
  try {
    Handle();
  } catch (...) {
    Grid.RecoverFromError();
    throw;
  }
}
