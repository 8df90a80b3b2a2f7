// The grid's option objects: print and HTML settings, navigation, mouse actions, sizing while
// typing, column sizes, cell nodes, bands and the background; and the print settings file.
#pragma once

#include <memory>
#include <string>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/graphics.h"
#include "platform/gfx/printer.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/string_list.h"

class TQnStringGrid;

enum TPrintPosition { ppNone, ppTopLeft, ppTopRight, ppTopCenter, ppBottomLeft, ppBottomRight, ppBottomCenter };
enum TPrintBorders {
  pbNoborder, pbSingle, pbDouble, pbVertical, pbHorizontal, pbAround, pbAroundVertical,
  pbAroundHorizontal, pbCustom
};
enum TFitToPage { fpNever, fpGrow, fpShrink, fpAlways, fpCustom };
enum TAdvanceDirection { adLeftRight, adTopBottom };
enum TInsertPosition { pInsertBefore, pInsertAfter };
enum TColumnSizeLocation { clRegistry, clInifile };
enum TNodeType { cnFlat, cn3D, cnGlyph };
enum TBackGroundDisplay { bdTile, bdFixed };
enum TBackGroundCells { bcNormal, bcFixed };

class TPrintsettings : public TPersistent {
public:
  TPrintsettings();
  ~TPrintsettings() override;

  int FooterSize = 0, HeaderSize = 0, LeftSize = 0, RightSize = 0;
  TPrintPosition Time = ppNone, Date = ppNone, PageNr = ppNone, Title = ppNone;
  std::string DateFormat = "dd/mm/yyyy";
  std::string TitleText;
  TStringList& TitleLines() { return *FTitleLines; }
  void SetTitleLines(const TStrings& Value) { FTitleLines->Assign(&Value); }
  TFont& Font() { return FFont; }
  TFont& HeaderFont() { return FHeaderFont; }
  TFont& FooterFont() { return FFooterFont; }
  TPrintBorders Borders = pbNoborder;
  TPenStyle BorderStyle = psSolid;
  bool Centered = false, RepeatFixedRows = false, RepeatFixedCols = false, UseFixedHeight = false,
       UseFixedWidth = false, NoAutoSize = false, PrintGraphics = false;
  int ColumnSpacing = 0, RowSpacing = 0, TitleSpacing = 0;
  TPrinterOrientation Orientation = poPortrait;
  std::string PagePrefix, PageSuffix;
  std::string PageNumSep = "/";
  int FixedWidth = 0, FixedHeight = 0;
  TFitToPage FitToPage = fpNever;
  std::string JobName;

  void Assign(const TPersistent* Source) override;

  // The print settings file: every value in one section of an INI file.
  void SaveToIni(const std::string& FileName, const std::string& Section) const;
  void LoadFromIni(const std::string& FileName, const std::string& Section);

private:
  std::unique_ptr<TStringList> FTitleLines;
  TFont FFont, FHeaderFont, FFooterFont;
};

class THTMLSettings : public TPersistent {
public:
  int BorderSize = 1, CellSpacing = 0, CellPadding = 0;
  bool SaveColor = true, SaveFonts = true;
  std::string FooterFile, HeaderFile, TableStyle, PrefixTag, SuffixTag;
  int Width = 100;
};

class TNavigation : public TPersistent {
public:
  bool AllowInsertRow = false, AllowDeleteRow = false, AdvanceOnEnter = false,
       AdvanceInsert = false, AutoGotoWhenSorted = false, AutoGotoIncremental = false,
       AutoComboDropSize = false;
  TAdvanceDirection AdvanceDirection = adLeftRight;
  bool AllowClipboardShortCuts = false, AllowSmartClipboard = false, AllowRTFClipboard = false,
       AllowClipboardAlways = false, AllowClipboardRowGrow = true, AllowClipboardColGrow = true,
       AdvanceAuto = false;
  TInsertPosition InsertPosition = pInsertBefore;
  bool CursorWalkEditor = false, MoveRowOnSort = false, ImproveMaskSel = false,
       AlwaysEdit = false, CopyHTMLTagsToClipboard = true, LineFeedOnEnter = false;
};

class TMouseActions : public TPersistent {
public:
  bool AllSelect = false, ColSelect = false, RowSelect = false, DirectEdit = false,
       DirectComboDrop = false, DisjunctRowSelect = false, AllColumnSize = false,
       AllRowSize = false, CaretPositioning = false;
};

class TSizeWhileTyping : public TPersistent {
public:
  bool Height = false, Width = false;
};

class TColumnSize : public TPersistent {
public:
  explicit TColumnSize(TQnStringGrid* Grid) : FGrid(Grid) {}
  bool Save = false;
  std::string Key, Section;
  TColumnSizeLocation Location = clRegistry;
  bool Stretch() const { return FStretch; }
  // Setting it runs the stretch pass at once.
  void SetStretch(bool Value);

private:
  TQnStringGrid* FGrid;
  bool FStretch = false;
};

class TCellNode : public TPersistent {
public:
  explicit TCellNode(TQnStringGrid* Grid) : FGrid(Grid) {}
  TColor Color = clSilver;
  TColor NodeColor = clBlack;
  TNodeType NodeType() const { return FNodeType; }
  void SetNodeType(TNodeType Value);
  TBitmap& ExpandGlyph() { return FExpandGlyph; }
  TBitmap& ContractGlyph() { return FContractGlyph; }

private:
  TQnStringGrid* FGrid;
  TNodeType FNodeType = cnFlat;
  TBitmap FExpandGlyph, FContractGlyph;
};

class TBands : public TPersistent {
public:
  explicit TBands(TQnStringGrid* Grid) : FGrid(Grid) {}
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  TColor PrimaryColor() const { return FPrimaryColor; }
  void SetPrimaryColor(TColor Value);
  TColor SecondaryColor() const { return FSecondaryColor; }
  void SetSecondaryColor(TColor Value);
  int PrimaryLength() const { return FPrimaryLength; }
  void SetPrimaryLength(int Value);
  int SecondaryLength() const { return FSecondaryLength; }
  void SetSecondaryLength(int Value);
  int Period() const { return FPeriod; }
  bool Print = false;

private:
  void Changed();
  TQnStringGrid* FGrid;
  bool FActive = false;
  TColor FPrimaryColor = clInfoBk;
  TColor FSecondaryColor = clWindow;
  int FPrimaryLength = 1;
  int FSecondaryLength = 1;
  int FPeriod = 2;
};

class TBackGround : public TPersistent {
public:
  explicit TBackGround(TQnStringGrid* Grid) : FGrid(Grid) {}
  int Top() const { return FTop; }
  void SetTop(int Value) { FTop = Value; Changed(); }
  int Left() const { return FLeft; }
  void SetLeft(int Value) { FLeft = Value; Changed(); }
  TBackGroundDisplay Display() const { return FDisplay; }
  void SetDisplay(TBackGroundDisplay Value) { FDisplay = Value; Changed(); }
  TBackGroundCells Cells() const { return FCells; }
  void SetCells(TBackGroundCells Value) { FCells = Value; Changed(); }
  TBitmap& Bitmap() { return FBitmap; }
  void SetBitmap(const TBitmap& Value);

private:
  void Changed();
  TQnStringGrid* FGrid;
  int FTop = 0, FLeft = 0;
  TBackGroundDisplay FDisplay = bdTile;
  TBackGroundCells FCells = bcNormal;
  TBitmap FBitmap;
};
