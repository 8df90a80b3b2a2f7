// The image report's page: the cell split into image and text areas by the layout, the image
// area into equal parts, the pictures fitted into them, and the header and footer captions.
#pragma once

#include <array>
#include <map>
#include <string>
#include <vector>

#include "client/reports/quick_report.h"
#include "platform/gfx/graphics.h"

class TPgCanvas;

namespace image_report {

enum TLayout { LayoutOne, LayoutTwo, LayoutThree, LayoutFour };

// ImageSpace / 100, held within 0.2 .. 0.8.
double ImageShare(int ImageSpace);
struct TAreas {
  TRect Image, Text;
};
// One: images on top; Two: text on top; Three: text left, images right; Four: images left.
TAreas SplitCell(TLayout Layout, const TRect& Cell, double Share);
// Count equal parts of Area, side by side (Horizontal) or one above the other.
std::vector<TRect> ImageRects(const TRect& Area, int Count, bool Horizontal);

// A file name from record data that may be downloaded and looked for: no folder separator, no
// "..", no control character, not empty.
bool IsPlainFileName(const std::string& Name);
// The name of the Record Print window's own copy of the picture of a slot (1 to 6): not the
// picture's plain name, which the main window fetches and deletes at every refresh.
std::string PrintCopyName(int Slot, const std::string& FileName);

// The three captions of the header or footer: each box's text, a blank, and its piece; the
// page number (" {PAGE}") and the date (" " + Date) go to the piece their combo names
// ("Left", "Center", "Right"; anything else none).
std::array<std::string, 3> HeaderCaptions(const std::array<std::string, 3>& Boxes, const std::string& PageNumber,
                                          const std::string& DatePosition, const std::string& Date);

struct TImageSlot {
  std::string FileName;  // relative to the program folder; empty: no image
  std::string Title;
};

// Draws the picture file into Part (thousandths of an inch): ".gif", ".pcx" and ".jpg" through the
// picture library, any other file through the picture loader; kept in its aspect ratio, fitted at
// the part's top-left.  False (nothing drawn) for a file that does not load or a picture of width
// or height 0.
bool RenderImage(const TRect& Part, TPgCanvas& Canvas, const std::string& FileName);

// Draws the chosen slots (indexes 0-5, in order) into the image area: each picture that loads,
// with a width and height above 0, fitted into its part; with Titles the slot's title at the
// part's top-left in TitleFont over a clear background.  Rectangles in thousandths of an inch.
// The number of pictures drawn.
int DrawImages(TPgCanvas& Canvas, const TRect& Area, const std::vector<int>& Chosen,
               const std::array<TImageSlot, 6>& Slots, const std::string& ProgramFolder, bool Horizontal,
               bool Titles, const TFont* TitleFont = nullptr);

// The record as the report prints it: its name and, per item code, the lines of the value.
struct TReportRecord {
  std::string Name;
  std::map<int, std::vector<std::string>> Values;
};
// Clears Lines and fills them with the item's value lines (none for an unknown code).
void ReturnFieldValue(const TReportRecord& Record, int Code, std::vector<std::string>& Lines);

// The line height, thousandths of an inch: the larger of the two fonts' heights.
int LineHeight(const TFont& ValueFont, const TFont& NameFont);
// Within one text column: the names' rectangle (its left half; empty without field names) and the
// values' rectangle (from its middle with field names, else the whole column).
TRect ReturnFieldRect(const TRect& Column, bool FieldNames);
TRect ReturnValueRect(const TRect& Column, bool FieldNames);

struct TTextOptions {
  bool RecordName = false;  // the record name as a title first
  bool FieldNames = false;  // each item's title and ":" before its value
  int Columns = 1;          // 1 .. 5
};
// One text to write: where (thousandths of an inch), which report font (1 values, 2 the record
// name, 3 field names) and the column rectangle it is clipped to.
struct TTextPiece {
  int Left = 0, Top = 0;
  std::string Text;
  int Font = 1;
  TRect Clip;
  friend bool operator==(const TTextPiece&, const TTextPiece&) = default;
};
// The text area's pieces: the record name at the area's top-left, then the items in their order,
// as many to a column as an even share gives (the first columns take one more), each item's
// value lines one under the other and the next item below the longer of its name and its value.
// Lines that would start below the area are left out.
std::vector<TTextPiece> LayoutText(const TRect& Area, const TTextOptions& Options, const TReportRecord& Record,
                                   const std::vector<TReportItem>& Fields, int LineHeight);
// Writes the pieces with Fonts[piece font - 1], each clipped to its column.
void RenderText(TPgCanvas& Canvas, const std::vector<TTextPiece>& Pieces, const TFont* Fonts);

}  // namespace image_report
