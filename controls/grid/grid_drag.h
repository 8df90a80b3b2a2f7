// Drag and drop of the grid: a reader of incoming data objects, the data object, drop source
// and drop target over the platform's drag interfaces, and the grid's own source and target that
// turn dropped text, rich text, columns and files into cell changes.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/string_list.h"
#include "platform/ui/ole_drag.h"

class TQnStringGrid;

// Rich text is taken by drop targets only while this is on (the grids' OleDropRTF).
void SetDropRTF(bool Value);
bool DropRTF();

// What an incoming data object offers, and its contents.
class TEnumFormats {
public:
  explicit TEnumFormats(IDataObject* Data);
  bool HasText() const { return FHasText; }
  bool HasRTF() const { return FHasRTF; }
  bool HasCol() const { return FHasCol; }
  bool HasFiles() const { return FHasFiles; }
  std::string Text() const;
  // The block up to its first NUL.
  std::string RTF() const;
  // The dragged column; -1 when there is none.
  int Col() const;
  // True when at least one name was added.
  bool Files(TStrings& List) const;

private:
  IDataObject* FData;
  bool FHasText = false, FHasRTF = false, FHasCol = false, FHasFiles = false;
};

// What a drag from the grid offers: the text, the rich text (while rich text drops are on and
// it is not empty) or a column index. Only content blocks in global memory are given.
class TSourceDataObject : public IDataObject {
public:
  TSourceDataObject(std::string Text, std::string RichText, int Column)
      : FText(std::move(Text)), FRichText(std::move(RichText)), FColumn(Column) {}
  HRESULT GetData(const FORMATETC& Format, STGMEDIUM& Medium) override;
  HRESULT QueryGetData(const FORMATETC& Format) override;
  HRESULT EnumFormatEtc(DWORD Direction, std::vector<FORMATETC>& Formats) override;

private:
  bool Offers(UINT Format) const;
  std::string FText, FRichText;
  int FColumn;
};

// Goes on while the left button is down; Escape cancels.
class TDropSource : public IDropSource {
public:
  HRESULT QueryContinueDrag(BOOL EscapePressed, DWORD KeyState) override;
  HRESULT GiveFeedback(DWORD Effect) override;
  bool Cancelled() const { return FCancelled; }

protected:
  virtual void DragDropStop() {}
  virtual void CurrentEffect(DWORD /*Effect*/) {}

private:
  bool FCancelled = false;
};

// Decodes drops into its slots; points are the target control's client points.
class TDropTarget : public IDropTarget {
public:
  explicit TDropTarget(TWinControl* Control) : FControl(Control) {}
  HRESULT DragEnter(IDataObject* Data, DWORD KeyState, TPoint ScreenPoint, DWORD* Effect) override;
  HRESULT DragOver(DWORD KeyState, TPoint ScreenPoint, DWORD* Effect) override;
  HRESULT DragLeave() override;
  HRESULT Drop(IDataObject* Data, DWORD KeyState, TPoint ScreenPoint, DWORD* Effect) override;

  bool Enabled = true, AcceptText = true, AcceptFiles = true, AcceptCols = false;

protected:
  virtual void DropText(TPoint /*Point*/, const std::string& /*Text*/) {}
  virtual void DropCol(TPoint /*Point*/, int /*Column*/) {}
  virtual void DropRTF(TPoint /*Point*/, const std::string& /*RichText*/) {}
  virtual void DropFiles(TPoint /*Point*/, const TStrings& /*Files*/) {}
  virtual void DragOverPoint(TPoint /*Point*/, bool& /*Accept*/, bool /*ColumnDrag*/) {}
  virtual void DragMouseMove(TPoint /*Point*/) {}
  virtual void DragLeaveTarget() {}

private:
  TPoint ClientPoint(TPoint ScreenPoint) const;
  TWinControl* FControl;
  bool FAcceptable = false;
  bool FColumnDrag = false;
};

// Runs the drag loop with the text (and rich text) or a column; the platform's result, or
// DRAGDROP_S_CANCEL when the source was cancelled. Effect gets the chosen effect.
HRESULT StartTextDoDragDrop(TDropSource& Source, const std::string& Text, const std::string& RichText,
                            DWORD Allowed, DWORD& Effect);
HRESULT StartColDoDragDrop(TDropSource& Source, int Column, DWORD Allowed, DWORD& Effect);

class TGridDropTarget : public TDropTarget {
public:
  explicit TGridDropTarget(TQnStringGrid* Grid);

protected:
  void DropText(TPoint Point, const std::string& Text) override;
  void DropCol(TPoint Point, int Column) override;
  void DropRTF(TPoint Point, const std::string& RichText) override;
  void DropFiles(TPoint Point, const TStrings& Files) override;
  void DragOverPoint(TPoint Point, bool& Accept, bool ColumnDrag) override;
  // Hides the drop indicators.
  void DragLeaveTarget() override;

private:
  TQnStringGrid* FGrid;
};

class TGridDropSource : public TDropSource {
public:
  explicit TGridDropSource(TQnStringGrid* Grid) : FGrid(Grid) {}
  DWORD LastEffect() const { return FLastEffect; }

protected:
  // Remembers the effect; the grid's caption window follows the cursor.
  void CurrentEffect(DWORD Effect) override;

private:
  TQnStringGrid* FGrid;
  DWORD FLastEffect = DROPEFFECT_NONE;
};
