// The drawing interface report code uses: every call makes one object on the current page with
// the canvas's brush, font and pen taken from the shared resource table.
#pragma once

#include <memory>
#include <string>

#include "print/page_objects.h"
#include "print/page_values.h"

// Where the canvas puts what it makes (the page list).
class TPgObjectSink {
public:
  virtual ~TPgObjectSink() = default;
  virtual void AddObject(std::unique_ptr<TPgBaseObject> object, TPgCoordsRelative relativeTo) = 0;
};

class TPgCanvas : public TPersistent {
public:
  TPgCanvas(TPgResourceTable& table, TPgObjectSink& sink);

  TBrush& Brush() { return FBrush; }
  TFont& Font() { return FFont; }
  TPen& Pen() { return FPen; }
  DWORD CopyMode = SRCCOPY;
  TPgMeasurement DefaultMeasurement = gmMillimeters;
  TPgCoordsRelative CoordsRelativeTo = gmFromPage;
  bool CompareGraphics() const { return FTable.Graphics.CompareGraphics; }
  void SetCompareGraphics(bool value) { FTable.Graphics.CompareGraphics = value; }
  bool WordWrap = true;
  // The object the last call added (owned by its page).
  TPgBaseObject* LastObject() const { return FLastObject; }

  TPgLineObject* Line(double x1, double y1, double x2, double y2, TPgMeasurement unit);
  TPgRectangleShape* Rectangle(double x1, double y1, double x2, double y2, TPgMeasurement unit);
  TPgEllipseShape* Ellipse(double x1, double y1, double x2, double y2, TPgMeasurement unit);
  TPgRoundRectShape* RoundRect(double x1, double y1, double x2, double y2, double cornerWidth,
                               double cornerHeight, TPgMeasurement unit);
  TPgTextObject* TextOut(double x, double y, const std::string& text, TPgMeasurement unit);
  TPgTextObject* TextOutDefaultUnit(double x, double y, const std::string& text) {
    return TextOut(x, y, text, DefaultMeasurement);
  }
  // y2 0: the box grows to its text.
  TPgTextBoxObject* TextBox(double x1, double y1, double x2, double y2, const std::string& text,
                            TAlignment alignment, TPgVertAlignment vertAlignment, double inset,
                            TPgMeasurement unit);
  TPgGraphicObject* Draw(double x1, double y1, double x2, double y2, const TGraphic& graphic, TPgMeasurement unit);
  TPgClipRectObject* ClipRect(double x1, double y1, double x2, double y2, TPgMeasurement unit);
  TPgClipEllipseObject* ClipEllipse(double x1, double y1, double x2, double y2, TPgMeasurement unit);
  TPgClipRoundRectObject* ClipRoundRect(double x1, double y1, double x2, double y2, double cornerWidth,
                                        double cornerHeight, TPgMeasurement unit);
  TPgRemoveClipObject* RemoveClip();
  // Extent of a line of text in the canvas font, in inches.
  double TextWidth(const std::string& text) const;
  double TextHeight(const std::string& text) const;
  // The height (inches) of `text` laid out with word breaks (when WordWrap) in `width` inches
  // less twice the inset, plus twice the inset; measured at 600 per inch.
  double CalcTextHeight(const std::string& text, double inset, double width) const;
  void Save();
  void Restore();

private:
  template <typename T>
  T* Add(std::unique_ptr<T> object);
  void TakeStyle(TPgOutlineShape& shape, bool brush);

  TPgResourceTable& FTable;
  TPgObjectSink& FSink;
  TBrush FBrush;
  TFont FFont;
  TPen FPen;
  TPgBaseObject* FLastObject = nullptr;
  struct TSaved {
    TPgCoordsRelative Coords;
    TBrush Brush;
    TFont Font;
    TPen Pen;
  };
  std::unique_ptr<TSaved> FSaved;
};
