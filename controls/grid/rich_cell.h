// Rich-text cells: the cell's RTF text drawn with its own fonts, sizes, colours, styles and
// paragraph alignment into a rectangle of any canvas (a grid window, a bitmap, a printed
// page), laid out for that canvas. The grid's painting and its printing both draw rich-text
// cells with it.
#pragma once

#include <string>

#include "platform/gfx/graphics.h"

// Draws the rich text Rtf into R (logical units of the canvas in its current mapping mode),
// lines broken at blanks to R's width and cut at R's edges. False, with nothing drawn, when
// the text is no readable RTF (the caller then draws it as plain text).
bool DrawRichTextCell(TCanvas& Canvas, const std::string& Rtf, const TRect& R);

// The plain text of a rich-text cell (paragraphs ending CR LF); a text that is no readable
// RTF is its own plain text.
std::string RichCellPlainText(const std::string& Rtf);
