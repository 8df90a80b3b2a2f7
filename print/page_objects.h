// The drawing objects of a page: text, text boxes, lines, shapes, pictures and clipping
// commands, with their geometry in inches. They draw themselves at any resolution (600 per inch
// on screen, the printer's when printing), save themselves as value lists and answer hit tests.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/gfx/metafile.h"
#include "print/resource_table.h"
#include "print/value_list.h"

struct TPgDrawInfo {
  TMetafile* ScratchMetafile = nullptr;  // screen text is laid out in it; none draws directly
  int PageNumber = 1;
  int PixelsPerInch = 600;
  int PageCount = 1;
  const TRegion* BaseClip = nullptr;  // the clip the page was drawn under (none: unclipped)
};

enum : int {
  kPgTextObjectID = 0, kPgLineObjectID = 1, kPgRectangleID = 2, kPgEllipseID = 3, kPgRoundRectID = 4,
  kPgRemoveClipID = 9, kPgClipRectID = 10, kPgClipRoundRectID = 11, kPgClipEllipseID = 12,
  kPgGraphicID = 13, kPgTextBoxID = 14
};

class TPgBaseObject : public TPersistent {
public:
  explicit TPgBaseObject(TPgResourceTable* table) : FTable(table) {}
  ~TPgBaseObject() override = default;

  virtual int GetObjectID() const = 0;
  bool Visible() const { return FVisible; }
  void SetVisible(bool value);
  TPgResourceTable* ResourceTable() const { return FTable; }
  std::function<void(TPgBaseObject* Sender)> OnChange;

  // Calls DoDraw, except for an invisible object on a printer canvas.
  void Draw(TCanvas& canvas, const TPgDrawInfo& info);
  // Clears the list, writes "ID", then the object's keys.
  void SaveToValueList(TPgValueList& list) const;
  // Reads the object's keys; a bad value raises EPgStreamError and leaves the object as it was.
  void LoadFromValueList(const TPgValueList& list);
  // One value-list block.
  void LoadFromStream(TStream& stream);
  // The object id, then the value list as one block.
  void SaveToStream(TStream& stream) const;
  virtual void Offset(double dx, double dy, TPgMeasurement unit);

protected:
  virtual void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) = 0;
  virtual void WriteKeys(TPgValueList& list) const = 0;
  // Reads into the object; the caller has checked nothing yet and restores on failure.
  virtual void ReadKeys(const TPgValueList& list) = 0;
  void Changed();
  static int Px(double inches, int ppi);

  TPgResourceTable* FTable;
  bool FVisible = true;
  bool FLoading = false;
};

class TPgVisibleObject : public TPgBaseObject {
public:
  using TPgBaseObject::TPgBaseObject;
  // The corners of the rectangle the object covers, in pixels at info.PixelsPerInch.
  virtual std::array<TPoint, 4> GetBoundingPoints(const TPgDrawInfo& info) const = 0;
};

class TPgOutlineShape : public TPgVisibleObject {
public:
  using TPgVisibleObject::TPgVisibleObject;
  ~TPgOutlineShape() override;
  TPgPen* Pen() const { return FPen; }
  // Takes a counted entry of the table (AddPen's result); the old one is released.
  void SetPen(TPgPen* entry);

protected:
  void WriteKeys(TPgValueList& list) const override;
  void ReadKeys(const TPgValueList& list) override;
  void ApplyPen(TCanvas& canvas, const TPgDrawInfo& info) const;
  TPgPen* FPen = nullptr;
};

class TPgSolidShape : public TPgOutlineShape {
public:
  using TPgOutlineShape::TPgOutlineShape;
  ~TPgSolidShape() override;
  TPgBrush* Brush() const { return FBrush; }
  void SetBrush(TPgBrush* entry);

protected:
  void WriteKeys(TPgValueList& list) const override;
  void ReadKeys(const TPgValueList& list) override;
  void ApplyBrush(TCanvas& canvas) const;
  TPgBrush* FBrush = nullptr;
};

class TPgBaseSolidShape : public TPgSolidShape {
public:
  using TPgSolidShape::TPgSolidShape;
  // Inches.
  TPgRectExt Bounds() const { return FBounds; }
  void SetBounds(const TPgRectExt& bounds);
  void Offset(double dx, double dy, TPgMeasurement unit) override;
  std::array<TPoint, 4> GetBoundingPoints(const TPgDrawInfo& info) const override;

protected:
  TRect DeviceBounds(int ppi) const;
  TPgRectExt FBounds;
};

class TPgSimpleSolidShape : public TPgBaseSolidShape {
public:
  using TPgBaseSolidShape::TPgBaseSolidShape;

protected:
  void WriteKeys(TPgValueList& list) const override;
  void ReadKeys(const TPgValueList& list) override;
};

class TPgBaseTextObject : public TPgBaseSolidShape {
public:
  using TPgBaseSolidShape::TPgBaseSolidShape;
  ~TPgBaseTextObject() override;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  TPgFont* Font() const { return FFont; }
  void SetFont(TPgFont* entry);

protected:
  void WriteKeys(TPgValueList& list) const override;
  void ReadKeys(const TPgValueList& list) override;
  void ApplyFont(TCanvas& canvas, int ppi) const;
  std::string FCaption;
  TPgFont* FFont = nullptr;
};

class TPgTextObject : public TPgBaseTextObject {
public:
  using TPgBaseTextObject::TPgBaseTextObject;
  int GetObjectID() const override { return kPgTextObjectID; }
  std::array<TPoint, 4> GetBoundingPoints(const TPgDrawInfo& info) const override;

protected:
  void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) override;
};

class TPgTextBoxObject : public TPgBaseTextObject {
public:
  using TPgBaseTextObject::TPgBaseTextObject;
  int GetObjectID() const override { return kPgTextBoxID; }
  double Inset = 0;
  double TextHeight = 0;
  TAlignment Alignment = taLeftJustify;
  TPgVertAlignment VertAlignment = gmTop;
  bool ClipText = true;
  bool WordWrap = true;
  // The text rectangle in inches: the box lowered by the vertical alignment, less the inset.
  TPgRectExt TextRect() const;

protected:
  void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) override;
  void WriteKeys(TPgValueList& list) const override;
  void ReadKeys(const TPgValueList& list) override;
};

class TPgLineObject : public TPgSimpleSolidShape {
public:
  using TPgSimpleSolidShape::TPgSimpleSolidShape;
  int GetObjectID() const override { return kPgLineObjectID; }
  std::array<TPoint, 4> GetBoundingPoints(const TPgDrawInfo& info) const override;

protected:
  void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) override;
};

class TPgRectangleShape : public TPgSimpleSolidShape {
public:
  using TPgSimpleSolidShape::TPgSimpleSolidShape;
  int GetObjectID() const override { return kPgRectangleID; }

protected:
  void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) override;
};

class TPgEllipseShape : public TPgSimpleSolidShape {
public:
  using TPgSimpleSolidShape::TPgSimpleSolidShape;
  int GetObjectID() const override { return kPgEllipseID; }

protected:
  void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) override;
};

class TPgSemiComplexShape : public TPgSimpleSolidShape {
public:
  using TPgSimpleSolidShape::TPgSimpleSolidShape;
  TPgPointExt Third() const { return FThird; }
  void SetThird(const TPgPointExt& value);
  void Offset(double dx, double dy, TPgMeasurement unit) override;

protected:
  // Whether the third pair is a point that moves with the shape (not a size).
  virtual bool ThirdIsPoint() const { return true; }
  void WriteKeys(TPgValueList& list) const override;
  void ReadKeys(const TPgValueList& list) override;
  TPgPointExt FThird;
};

// The third pair holds the corner width and height: a size, which moving leaves alone.
class TPgRoundRectShape : public TPgSemiComplexShape {
public:
  using TPgSemiComplexShape::TPgSemiComplexShape;
  int GetObjectID() const override { return kPgRoundRectID; }

protected:
  bool ThirdIsPoint() const override { return false; }
  void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) override;
};

class TPgGraphicObject : public TPgSimpleSolidShape {
public:
  using TPgSimpleSolidShape::TPgSimpleSolidShape;
  ~TPgGraphicObject() override;
  int GetObjectID() const override { return kPgGraphicID; }
  DWORD CopyMode = SRCCOPY;
  int PixelFormat = 3;
  TPgPicture* Graphic() const { return FGraphic; }
  // Stores a picture through the table: an icon as a bitmap, any other kind that is neither
  // bitmap, metafile nor JPEG as a JPEG.
  void SetGraphic(const TGraphic& graphic);

protected:
  void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) override;
  void WriteKeys(TPgValueList& list) const override;
  void ReadKeys(const TPgValueList& list) override;
  void TakeGraphic(TPgPicture* entry);
  TPgPicture* FGraphic = nullptr;
};

class TPgRemoveClipObject : public TPgBaseObject {
public:
  using TPgBaseObject::TPgBaseObject;
  int GetObjectID() const override { return kPgRemoveClipID; }

protected:
  void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) override;
  void WriteKeys(TPgValueList&) const override {}
  void ReadKeys(const TPgValueList&) override {}
};

class TPgBaseClipObject : public TPgBaseObject {
public:
  using TPgBaseObject::TPgBaseObject;
  TPgRectExt ClipBounds;
  void Offset(double dx, double dy, TPgMeasurement unit) override;

protected:
  void DoDraw(TCanvas& canvas, const TPgDrawInfo& info) override;
  virtual void AddShape(TCanvas& canvas, const TRect& r, int ppi) = 0;
  void WriteKeys(TPgValueList& list) const override;
  void ReadKeys(const TPgValueList& list) override;
};

class TPgClipRectObject : public TPgBaseClipObject {
public:
  using TPgBaseClipObject::TPgBaseClipObject;
  int GetObjectID() const override { return kPgClipRectID; }

protected:
  void AddShape(TCanvas& canvas, const TRect& r, int ppi) override;
};

class TPgClipRoundRectObject : public TPgClipRectObject {
public:
  using TPgClipRectObject::TPgClipRectObject;
  int GetObjectID() const override { return kPgClipRoundRectID; }
  TPgPointExt Corner;  // corner width and height, inches

protected:
  void AddShape(TCanvas& canvas, const TRect& r, int ppi) override;
  void WriteKeys(TPgValueList& list) const override;
  void ReadKeys(const TPgValueList& list) override;
};

class TPgClipEllipseObject : public TPgBaseClipObject {
public:
  using TPgBaseClipObject::TPgBaseClipObject;
  int GetObjectID() const override { return kPgClipEllipseID; }

protected:
  void AddShape(TCanvas& canvas, const TRect& r, int ppi) override;
};

// A new object of that id (nullptr for an id no class has).
std::unique_ptr<TPgBaseObject> CreatePgObject(int objectID, TPgResourceTable* table);
// One object record; EPgStreamError for an unknown id or a bad block.
std::unique_ptr<TPgBaseObject> ReadPgObject(TStream& stream, TPgResourceTable* table);

// Text laid out as on the page: at info.PixelsPerInch in the scratch metafile, which is then
// drawn into `r` (screen), or straight onto the canvas (printer, or no scratch metafile).
void PgDrawTextIn(TCanvas& canvas, const TPgDrawInfo& info, const TRect& r,
                  const std::function<void(TCanvas& target, const TRect& local)>& draw);
