// Rich-text cells: the cell's RTF text drawn with its own fonts, sizes, colours, styles and
// paragraph alignment into a rectangle of any canvas (a grid window, a bitmap, a printed
// page), laid out for that canvas. The grid's painting and its printing both draw rich-text
// cells with it.
#pragma once

#include <string>

#include "platform/gfx/graphics.h"

// Draws the rich text Rtf into R (logical units of the canvas in its current mapping mode),
// lines broken at blanks to R's width and cut at R's edges. False, with nothing drawn, when
// the text is no readable RTF (the caller then draws it as plain text). A TextColor other than
// clNone replaces the text's own colours on its first TextColorLength positions (all of them
// when negative): a selected cell drawn in the selection's text colour.
bool DrawRichTextCell(TCanvas& Canvas, const std::string& Rtf, const TRect& R, TColor TextColor = clNone,
                      int TextColorLength = -1);

// The room the rich text Rtf takes unbroken (its widest line, all its lines), in logical units
// of the canvas in its current mapping mode; false for a text that is no readable RTF or a
// canvas that draws nothing.
bool RichTextCellExtent(TCanvas& Canvas, const std::string& Rtf, TPoint& Extent);

// The plain text of a rich-text cell (paragraphs ending CR LF); a text that is no readable
// RTF is its own plain text.
std::string RichCellPlainText(const std::string& Rtf);
