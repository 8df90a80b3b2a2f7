// Drag and drop of TQnStringGrid.
#include "controls/grid/grid_drag.h"

#include <algorithm>
#include <cctype>

#include "controls/grid/grid_arrows.h"
#include "controls/grid/qn_grid.h"
#include "platform/ui/screen.h"

namespace {
bool GDropRTF = false;

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}
}  // namespace

void SetDropRTF(bool Value) { GDropRTF = Value; }
bool DropRTF() { return GDropRTF; }

// ---- the reader of incoming objects ----

TEnumFormats::TEnumFormats(IDataObject* Data) : FData(Data) {
  if (!Data) return;
  std::vector<FORMATETC> formats;
  if (Data->EnumFormatEtc(DATADIR_GET, formats) != S_OK)
    throw EQnGridError("Cannot get the format enumerator");
  for (const FORMATETC& f : formats) {
    const UINT c = CanonicalClipboardFormat(f.cfFormat);
    if (c == CF_TEXT) FHasText = true;
    else if (c == CF_RTF()) FHasRTF = true;
    else if (c == CF_GRIDCOLUMN()) FHasCol = true;
    else if (c == CF_HDROP) FHasFiles = true;
  }
}

std::string TEnumFormats::Text() const {
  std::string bytes;
  if (!FData || !GetDataObjectFormat(*FData, CF_TEXT, bytes)) return std::string();
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  return bytes;
}

std::string TEnumFormats::RTF() const {
  std::string bytes;
  if (!FData || !GetDataObjectFormat(*FData, CF_RTF(), bytes)) return std::string();
  const std::size_t nul = bytes.find('\0');
  if (nul != std::string::npos) bytes.resize(nul);
  return bytes;
}

int TEnumFormats::Col() const {
  std::string bytes;
  if (!FData || !GetDataObjectFormat(*FData, CF_GRIDCOLUMN(), bytes)) return -1;
  return GridColumnFromBytes(bytes);
}

bool TEnumFormats::Files(TStrings& List) const {
  std::string bytes;
  if (!FData || !GetDataObjectFormat(*FData, CF_HDROP, bytes)) return false;
  const std::vector<std::string> names = DropFilesFromBytes(bytes);
  for (const std::string& n : names) List.Add(n);
  return !names.empty();
}

// ---- the data object of a drag from the grid ----

bool TSourceDataObject::Offers(UINT Format) const {
  const UINT c = CanonicalClipboardFormat(Format);
  if (c == CF_TEXT) return FColumn < 0;
  if (c == CF_RTF()) return FColumn < 0 && GDropRTF && !FRichText.empty();
  if (c == CF_GRIDCOLUMN()) return FColumn >= 0;
  return false;
}

HRESULT TSourceDataObject::QueryGetData(const FORMATETC& Format) {
  if (Format.dwAspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
  if (!(Format.tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
  return Offers(Format.cfFormat) ? S_OK : DV_E_FORMATETC;
}

HRESULT TSourceDataObject::GetData(const FORMATETC& Format, STGMEDIUM& Medium) {
  const HRESULT r = QueryGetData(Format);
  if (r != S_OK) return r;
  const UINT c = CanonicalClipboardFormat(Format.cfFormat);
  Medium.tymed = TYMED_HGLOBAL;
  if (c == CF_GRIDCOLUMN())
    Medium.hGlobal = GlobalAllocBytes(GridColumnBytes(FColumn), false);
  else
    Medium.hGlobal = GlobalAllocBytes(c == CF_TEXT ? FText : FRichText, true);
  return Medium.hGlobal ? S_OK : E_OUTOFMEMORY;
}

HRESULT TSourceDataObject::EnumFormatEtc(DWORD Direction, std::vector<FORMATETC>& Formats) {
  if (Direction != DATADIR_GET) return E_NOTIMPL;
  Formats.clear();
  for (UINT f : {UINT{CF_TEXT}, UINT{CF_UNICODETEXT}, CF_RTF(), CF_GRIDCOLUMN()})
    if (Offers(f)) {
      FORMATETC e;
      e.cfFormat = f;
      Formats.push_back(e);
    }
  return S_OK;
}

// ---- drop source ----

HRESULT TDropSource::QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) {
  if (EscapePressed) {
    FCancelled = true;
    DragDropStop();
    return DRAGDROP_S_CANCEL;
  }
  if (!(KeyState & MK_LBUTTON)) {
    DragDropStop();
    return DRAGDROP_S_DROP;
  }
  return S_OK;
}

HRESULT TDropSource::GiveFeedback(DWORD Effect) {
  CurrentEffect(Effect);
  return DRAGDROP_S_USEDEFAULTCURSORS;
}

HRESULT StartTextDoDragDrop(TDropSource& Source, const std::string& Text, const std::string& RichText,
                            DWORD Allowed, DWORD& Effect) {
  TSourceDataObject data(Text, RichText, -1);
  Effect = DROPEFFECT_NONE;
  const HRESULT r = DoDragDrop(&data, &Source, Allowed, &Effect);
  return Source.Cancelled() ? DRAGDROP_S_CANCEL : r;
}

HRESULT StartColDoDragDrop(TDropSource& Source, int Column, DWORD Allowed, DWORD& Effect) {
  TSourceDataObject data(std::string(), std::string(), Column);
  Effect = DROPEFFECT_NONE;
  const HRESULT r = DoDragDrop(&data, &Source, Allowed, &Effect);
  return Source.Cancelled() ? DRAGDROP_S_CANCEL : r;
}

// ---- drop target ----

TPoint TDropTarget::ClientPoint(TPoint ScreenPoint) const {
  return FControl ? FControl->ScreenToClient(ScreenPoint) : ScreenPoint;
}

HRESULT TDropTarget::DragEnter(IDataObject* Data, DWORD KeyState, TPoint ScreenPoint, DWORD* Effect) {
  const TEnumFormats formats(Data);
  FColumnDrag = formats.HasCol();
  FAcceptable = Enabled && ((formats.HasText() && AcceptText) || (formats.HasFiles() && AcceptFiles) ||
                            (formats.HasRTF() && GDropRTF && AcceptText) || (formats.HasCol() && AcceptCols));
  return DragOver(KeyState, ScreenPoint, Effect);
}

HRESULT TDropTarget::DragOver(DWORD KeyState, TPoint ScreenPoint, DWORD* Effect) {
  bool accept = FAcceptable;
  const TPoint p = ClientPoint(ScreenPoint);
  DragMouseMove(p);
  if (accept) DragOverPoint(p, accept, FColumnDrag);
  if (Effect) *Effect = accept ? DropEffectFromKeyState(KeyState, *Effect) : DROPEFFECT_NONE;
  return S_OK;
}

HRESULT TDropTarget::DragLeave() {
  DragLeaveTarget();
  return S_OK;
}

HRESULT TDropTarget::Drop(IDataObject* Data, DWORD KeyState, TPoint ScreenPoint, DWORD* Effect) {
  const DWORD allowed = Effect ? *Effect : DROPEFFECT_COPY | DROPEFFECT_MOVE;
  if (Effect) *Effect = DROPEFFECT_NONE;
  if (!Enabled || !Data) return S_OK;
  const TEnumFormats formats(Data);
  const TPoint p = ClientPoint(ScreenPoint);
  bool taken = false;
  if (formats.HasCol() && AcceptCols) {
    DropCol(p, formats.Col());
    taken = true;
  } else if (formats.HasRTF() && GDropRTF && AcceptText) {
    DropRTF(p, formats.RTF());
    taken = true;
  } else if (formats.HasText() && AcceptText) {
    DropText(p, formats.Text());
    taken = true;
  }
  if (formats.HasFiles() && AcceptFiles) {
    TStringList files;
    if (formats.Files(files)) DropFiles(p, files);
    taken = true;
  }
  if (taken && Effect) *Effect = DropEffectFromKeyState(KeyState, allowed);
  return S_OK;
}

// ---- the grid's source and target ----

void TGridDropSource::CurrentEffect(DWORD Effect) {
  FLastEffect = Effect;
  TPopupButton* image = FGrid ? FGrid->DragImage() : nullptr;
  if (!image || !image->Visible()) return;
  TPoint mouse{};
  GetCursorPos(&mouse);
  FGrid->ShowDragImage(mouse, image->Width(), image->Height(), image->Caption());
}

TGridDropTarget::TGridDropTarget(TQnStringGrid* Grid) : TDropTarget(Grid), FGrid(Grid) {
  AcceptText = Grid->OleAcceptText;
  AcceptFiles = Grid->OleAcceptFiles;
  AcceptCols = true;
}

void TGridDropTarget::DropText(TPoint Point, const std::string& Text) {
  TQnStringGrid& g = *FGrid;
  const TGridCoord cell = g.MouseCoord(Point.X, Point.Y);
  const TPoint size = TQnStringGrid::PasteSize(Text);
  int col = cell.X, row = cell.Y;
  if (g.Options().Contains(goRowSelect)) col = g.OleEntireRows ? 0 : g.TStringGrid::FixedCols();
  bool accept = true;
  if (g.OnOleDrop) g.OnOleDrop(&g, row, col, Text, accept);
  if (!accept || row < 0 || col < 0) {
    return;
  }
  TGridRect& dragged = g.DragSelection();
  if (row <= dragged.Top) {
    dragged.Top += size.Y;
    dragged.Bottom += size.Y;
  }
  if (row == 0 && g.FixedRowAlways && g.RowCount() == 1) row = 1;
  if (g.OleInsertRows && size.Y > 0) {
    const int top = g.TopRow();
    g.InsertRows(row, size.Y);
    g.SetTopRow(top > g.TStringGrid::FixedRows() ? std::min(top + 1, g.RowCount() - 1) : top);
  }
  g.PasteText(col, row, Text);
  g.SetSelection(TGridRect{col, row, std::min(col + std::max(size.X, 1) - 1, g.ColCount() - 1),
                           std::min(row + std::max(size.Y, 1) - 1, g.RowCount() - 1)});
  g.HideArrows();
}

void TGridDropTarget::DropRTF(TPoint Point, const std::string& RichText) {
  TQnStringGrid& g = *FGrid;
  const TGridCoord cell = g.MouseCoord(Point.X, Point.Y);
  bool accept = true;
  if (g.OnOleDrop) g.OnOleDrop(&g, cell.Y, cell.X, RichText, accept);
  if (accept && cell.X >= 0 && cell.Y >= 0) g.SetCells(g.RealColIndex(cell.X), cell.Y, RichText);
}

void TGridDropTarget::DropCol(TPoint Point, int Column) {
  TQnStringGrid& g = *FGrid;
  const TGridCoord cell = g.MouseCoord(Point.X, Point.Y);
  g.HideArrows(0, 1);
  if (g.OnOleDropCol) g.OnOleDropCol(&g, cell.Y, cell.X, Column);
}

void TGridDropTarget::DropFiles(TPoint, const TStrings& Files) {
  TQnStringGrid& g = *FGrid;
  if (Files.Count() != 1) return;
  const std::string name = Files[0];
  const std::string upper = Upper(name);
  bool accept = true;
  if (upper.find(".CSV") != std::string::npos) {
    if (g.OnOleDrop) g.OnOleDrop(&g, -1, -1, name, accept);
    if (accept) g.LoadFromCSV(name);
  } else if (upper.find(".XLS") != std::string::npos) {
    if (g.OnOleDrop) g.OnOleDrop(&g, -1, -1, name, accept);
    if (accept) g.LoadFromXLS(name, std::string());
  }
}

void TGridDropTarget::DragLeaveTarget() { FGrid->HideArrows(); }

void TGridDropTarget::DragOverPoint(TPoint Point, bool& Accept, bool ColumnDrag) {
  TQnStringGrid& g = *FGrid;
  const TGridCoord cell = g.MouseCoord(Point.X, Point.Y);
  Accept = cell.X >= 0 && cell.Y >= 0;
  const int fixedRows = g.TStringGrid::FixedRows(), fixedCols = g.TStringGrid::FixedCols();
  if (Accept && !ColumnDrag) {
    if (cell.Y == g.TopRow() && g.TopRow() > fixedRows) g.SetTopRow(g.TopRow() - 1);
    else if (cell.Y == g.TopRow() + g.VisibleRowCount() && cell.Y < g.RowCount()) g.SetTopRow(g.TopRow() + 1);
    if (cell.Y < fixedRows && !(cell.Y == 0 && g.RowCount() == 1 && g.FixedRowAlways)) Accept = false;
  } else if (Accept && ColumnDrag) {
    // A column drag marks the left edge of the column it would land before.
    Accept = cell.Y < fixedRows && cell.X >= fixedCols;
    if (Accept) g.ShowColumnArrows(cell.X);
  }
  if (ColumnDrag && !Accept) g.HideArrows(0, 1);
  if (g.OnOleDragOver) g.OnOleDragOver(&g, cell.Y, cell.X, Accept);
}



// ---- the grid's side ----

void TQnStringGrid::SetOleDropTarget(bool Value) {
  if (Value == FOleDropTargetOn) return;
  FOleDropTargetOn = Value;
  if (Value) {
    FOleTarget = std::make_unique<TGridDropTarget>(this);
    RegisterDragDrop(this, FOleTarget.get());
  } else {
    RevokeDragDrop(this);
    FOleTarget.reset();
  }
}

void TQnStringGrid::SetOleDropRTF(bool Value) {
  FOleDropRTF = Value;
  SetDropRTF(Value);
}

void TQnStringGrid::SetOleDropSource(bool Value) {
  FOleDropSource = Value;
  FOleDragStart = Value ? [this](int ACol, int ARow) { StartOleDrag(ACol, ARow); } : std::function<void(int, int)>();
}

void TQnStringGrid::StartOleDrag(int ACol, int ARow) {
  bool allow = true;
  const int realCol = ACol >= 0 ? RealColIndex(ACol) : ACol;
  const std::string cellText = realCol >= 0 && ARow >= 0 ? Cells(realCol, ARow) : std::string();
  if (OnOleDrag) OnOleDrag(this, ARow, realCol, cellText, allow);
  if (!allow) {
    if (GridState() == gsNormal) SetGridState(gsSelecting);
    return;
  }
  TGridDropSource source(this);
  if (OnOleDragStart) OnOleDragStart(this, ARow, realCol);
  DWORD effect = DROPEFFECT_NONE;
  if (ARow >= 0 && ARow < TStringGrid::FixedRows() && realCol >= 0) {
    // The header's caption follows the mouse while the column is dragged.
    TPoint mouse{};
    GetCursorPos(&mouse);
    ShowDragImage(mouse, ColWidths(ACol), RowHeights(0), Cells(realCol, ARow));
    const HRESULT r = StartColDoDragDrop(source, realCol, DROPEFFECT_COPY | DROPEFFECT_MOVE, effect);
    HideDragImage();
    HideArrows(0, 1);
    if (r != DRAGDROP_S_CANCEL && OnOleDragStop) OnOleDragStop(this, static_cast<int>(effect));
    return;
  }
  FDragSelection = Selection();
  // The cell's text goes as rich text only when it is rich text: a plain text block would
  // otherwise arrive in a single cell of a target that takes rich text first.
  const std::string rich = cellText.rfind("{\\", 0) == 0 ? cellText : std::string();
  const HRESULT r = StartTextDoDragDrop(source, SelectionToText(), rich, DROPEFFECT_COPY | DROPEFFECT_MOVE, effect);
  if (r == DRAGDROP_S_CANCEL) return;
  if (effect == DROPEFFECT_MOVE) {
    const TGridRect s = FDragSelection;
    if (OleRemoveRows && Options().Contains(goRowSelect)) {
      if (FMouseActions->DisjunctRowSelect) RemoveSelectedRows();
      else DeleteRows(s.Top, s.Bottom - s.Top + 1);
      Invalidate();
    } else {
      ClearRect(s.Left, s.Top, s.Right, s.Bottom);
    }
  }
  if (OnOleDragStop) OnOleDragStop(this, static_cast<int>(effect));
}
