// The print window for text: a record's rich text on plain paper or on labels, address labels for
// many records, and one barcode label.  What it decides is kept here apart from the window.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/gfx/graphics.h"
#include "platform/ui/rich_text_document.h"

class TPgCanvas;
class TPgValueRect;
class TGraphic;
class TPgLabelPrinter;
class TSpinEdit;

namespace record_print {

// The label text items of the barcode label (item codes).
inline constexpr int RecordNameItem = 700;
inline constexpr int SpaceItem = 1000, CommaItem = 1100, NewLineItem = 1200;

// The lines of the label: a field code appends the field's value and a blank; Space a blank;
// Comma ","; New Line ends the line.  The last line is added even when empty.
std::vector<std::string> GenerateLabelText(const std::vector<int>& Items, const std::function<std::string(int Code)>& Value);

// (Row - 1) x Columns + Column.
inline int TargetLabel(int Row, int Column, int Columns) { return (Row - 1) * Columns + Column; }
// Whether label LabelNum (from 1) gets the text in print modes 1 to 3.
inline bool DrawsOnLabel(int LabelNum, int Target, bool EveryLabel) { return EveryLabel || LabelNum == Target; }
// The entry index of label LabelNum in mode 4 (the order list holds decimal indexes); -1 when
// the label has none or the index is no entry.
int EntryOfLabel(const std::vector<std::string>& Order, int LabelNum, int EntryCount);

// The first label's column and row before a template is loaded: 1 of at most 5 columns and 30
// rows.
void ResetLabelStart(TSpinEdit& Column, TSpinEdit& Row);

// The template named Name (the first when no template has that name) becomes the printer's;
// column and row start at 1, their maxima the template's columns and rows.
void LoadLabelInfo(TPgLabelPrinter& Printer, const std::string& Name, TSpinEdit& Column, TSpinEdit& Row);

// "rtf" or "htm" by the file name's extension (any case; ".html" is "htm"), else "".
std::string ExportKind(const std::string& FileName);
// The confirmation: "Data exported to " + the name in double quotes + ".".
std::string ExportedText(const std::string& FileName);
// What the person is told when the name's extension names no format (nothing is written).
std::string NotExportedText(const std::string& FileName);

// A font size text: a whole number, else "10".
std::string FontSizeText(const std::string& Text);

// The picture of PictureWidth x PictureHeight fitted into Space keeping its aspect ratio,
// anchored at Space's top-left corner.  Empty for a picture with no width or height.
TRect FitPicture(int PictureWidth, int PictureHeight, const TRect& Space);

// How far text on a label keeps from its edges (inches): clear of the clip of a corner of that
// radius, and never closer than the barcode picture's inset.
inline double LabelTextInset(double CornerRadius) { return CornerRadius * 0.3 > 0.05 ? CornerRadius * 0.3 : 0.05; }

// Draws the paragraphs of rich text into the label rectangle (inches): each paragraph from the
// label's left edge, its runs one after another in their own font, each line moved down by its
// tallest text.
void DrawRichText(TPgCanvas& Canvas, const TRichContent& Content, double Left, double Top, double Right, double Bottom);

}  // namespace record_print
