// The image report's page: the cell split into image and text areas by the layout, the image
// area into equal parts, the pictures fitted into them, and the header and footer captions.
#pragma once

#include <array>
#include <string>
#include <vector>

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

// The three captions of the header or footer: each box's text, a blank, and its piece; the
// page number (" {PAGE}") and the date (" " + Date) go to the piece their combo names
// ("Left", "Center", "Right"; anything else none).
std::array<std::string, 3> HeaderCaptions(const std::array<std::string, 3>& Boxes, const std::string& PageNumber,
                                          const std::string& DatePosition, const std::string& Date);

struct TImageSlot {
  std::string FileName;  // relative to the program folder; empty: no image
  std::string Title;
};

// Draws the chosen slots (indexes 0-5, in order) into the image area: each picture that loads,
// with a width and height above 0, fitted into its part; with Titles the slot's title at the
// part's top-left.  Rectangles in thousandths of an inch.  The number of pictures drawn.
int DrawImages(TPgCanvas& Canvas, const TRect& Area, const std::vector<int>& Chosen,
               const std::array<TImageSlot, 6>& Slots, const std::string& ProgramFolder, bool Horizontal,
               bool Titles);

}  // namespace image_report
