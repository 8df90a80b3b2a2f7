// The shared resource table of a document: brushes, fonts, pens, pictures and rich-text memos
// that the drawing objects refer to. Equal records are stored once and counted; the table also
// writes and reads its lists as blocks.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/metafile.h"
#include "platform/gfx/picture.h"
#include "platform/ui/rich_edit.h"
#include "print/value_list.h"

class TPgBrush {
public:
  TColor Color = 0xFFFFFF;
  TBrushStyle Style = bsClear;
  void Assign(const TBrush& brush);
  friend bool operator==(const TPgBrush& a, const TPgBrush& b) { return a.Color == b.Color && a.Style == b.Style; }
  // The style, or clear when the colour is none.
  void AssignToCanvas(TCanvas& canvas) const;
};

class TPgFont {
public:
  int Size = 12;
  TColor Color = 0;
  int Charset = 1;
  TFontStyles Style;
  double Angle = 0;
  std::string Name;
  // Size, colour, character set, name and style of a platform font; angle 0.
  void Assign(const TFont& font);
  friend bool operator==(const TPgFont& a, const TPgFont& b) {
    return a.Name == b.Name && a.Size == b.Size && a.Charset == b.Charset && a.Angle == b.Angle &&
           a.Color == b.Color && a.Style == b.Style;
  }
  // Sets the canvas font at `pixelsPerInch`; a non-zero angle turns the escapement.
  void AssignToCanvas(TCanvas& canvas, int pixelsPerInch) const;
  void AssignTo(TFont& font) const;
};

class TPgPen {
public:
  int Width = 1;  // quarter points
  TColor Color = 0;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  void Assign(const TPen& pen);
  friend bool operator==(const TPgPen& a, const TPgPen& b) {
    return a.Width == b.Width && a.Color == b.Color && a.Style == b.Style && a.Mode == b.Mode;
  }
  // Width = round(pixelsPerInch / 72 / 4 x Width); a pen of colour none is clear.
  void AssignToCanvas(TCanvas& canvas, int pixelsPerInch) const;
};

// One counted list of equal-once records.
template <typename T>
class TPgResourceList {
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  // An equal entry gets one count more; otherwise a copy is stored with count 1.
  T* Add(const T& value) {
    int i = IndexOf(value);
    if (i >= 0) {
      ++FCounts[static_cast<std::size_t>(i)];
      return FItems[static_cast<std::size_t>(i)].get();
    }
    FItems.push_back(std::make_unique<T>(value));
    FCounts.push_back(1);
    return FItems.back().get();
  }
  int IndexOf(const T& value) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
      if (*FItems[i] == value) return static_cast<int>(i);
    return -1;
  }
  int IndexOfEntry(const T* entry) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
      if (FItems[i].get() == entry) return static_cast<int>(i);
    return -1;
  }
  // nullptr for -1 or an index out of range.
  T* Get(int index) const {
    return index >= 0 && index < Count() ? FItems[static_cast<std::size_t>(index)].get() : nullptr;
  }
  int RefCount(int index) const { return index >= 0 && index < Count() ? FCounts[static_cast<std::size_t>(index)] : 0; }
  // One more user of an entry already stored.
  void AddRef(const T* entry) {
    int i = IndexOfEntry(entry);
    if (i >= 0) ++FCounts[static_cast<std::size_t>(i)];
  }
  // One user less; the last one frees the entry.
  void Release(const T* entry) {
    int i = IndexOfEntry(entry);
    if (i < 0) return;
    if (--FCounts[static_cast<std::size_t>(i)] <= 0) {
      FItems.erase(FItems.begin() + i);
      FCounts.erase(FCounts.begin() + i);
    }
  }
  void Clear() {
    FItems.clear();
    FCounts.clear();
  }
  // Moves the entries of `other` to the end of this list.
  void Append(TPgResourceList& other) {
    for (std::size_t i = 0; i < other.FItems.size(); ++i) {
      FItems.push_back(std::move(other.FItems[i]));
      FCounts.push_back(other.FCounts[i]);
    }
    other.Clear();
  }
  void Swap(TPgResourceList& other) {
    FItems.swap(other.FItems);
    FCounts.swap(other.FCounts);
  }
  // Adds the record of a canvas object (brush, font, pen) as Add does.
  template <typename TSource>
  T* AddFrom(const TSource& source) {
    T value;
    value.Assign(source);
    return Add(value);
  }

protected:
  std::vector<std::unique_ptr<T>> FItems;
  std::vector<int> FCounts;
};

class TPgBrushList : public TPgResourceList<TPgBrush> {
public:
  TPgBrush* AddBrush(const TPgBrush& brush) { return Add(brush); }
  TPgBrush* AddBrush(const TBrush& brush) { return AddFrom(brush); }
  int IndexOfBrush(const TPgBrush& brush) const { return IndexOf(brush); }
  TPgBrush* GetBrush(int index) const { return Get(index); }
  void SaveToStream(TStream& stream) const;
  // Replaces the list; EPgStreamError (and the list unchanged) for a bad block.
  void LoadFromStream(TStream& stream);
};

class TPgFontList : public TPgResourceList<TPgFont> {
public:
  TPgFont* AddFont(const TPgFont& font) { return Add(font); }
  TPgFont* AddFont(const TFont& font) { return AddFrom(font); }
  int IndexOfFont(const TPgFont& font) const { return IndexOf(font); }
  TPgFont* GetFont(int index) const { return Get(index); }
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);
};

class TPgPenList : public TPgResourceList<TPgPen> {
public:
  TPgPen* AddPen(const TPgPen& pen) { return Add(pen); }
  TPgPen* AddPen(const TPen& pen) { return AddFrom(pen); }
  int IndexOfPen(const TPgPen& pen) const { return IndexOf(pen); }
  TPgPen* GetPen(int index) const { return Get(index); }
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);
};

// A stored picture: a JPEG image (kind 0), a metafile recording (kind 1) or a bitmap (kind 2).
class TPgPicture {
public:
  int Kind = 2;
  std::unique_ptr<TGraphic> Graphic;
  int Width() const { return Graphic ? Graphic->Width() : 0; }
  int Height() const { return Graphic ? Graphic->Height() : 0; }
  // The picture's own stream form.
  std::string Bytes() const;
  void Draw(TCanvas& canvas, const TRect& r) const;
  // Kinds 0 and 2 as a bitmap (the caller owns it).
  std::unique_ptr<TBitmap> ToBitmap() const;
};

class TPgGraphicList : public TPgResourceList<TPgPicture> {
public:
  bool CompareGraphics = true;
  // A JPEG image, a metafile or a bitmap; another kind of graphic is not added (nullptr).
  TPgPicture* AddGraphic(const TGraphic& graphic);
  TPgPicture* GetGraphic(int index) const { return Get(index); }
  int IndexOfGraphic(const TPgPicture* picture) const { return IndexOfEntry(picture); }
  static int GraphicKind(const TGraphic& graphic);
  void SaveToStream(TStream& stream) const;
  // Appends; EPgStreamError (and the list unchanged) for a bad block.
  void LoadFromStream(TStream& stream);

private:
  TPgPicture* AddPicture(std::unique_ptr<TPgPicture> picture);
};

// The memos of rich text shown on pages: copies of rich-edit controls that the list owns.
class TPgMemoList {
public:
  // Supplies a rich edit for a new entry (the list owns what it gets); none = a hidden one.
  std::function<void(TObject* Sender, TCustomRichEdit*& richEdit)> OnNeedRichEdit;
  TObject* Owner = nullptr;

  int Count() const { return static_cast<int>(FItems.size()); }
  // The very control already listed gets one count more; any other control is copied into
  // a new entry with count 1.
  TCustomRichEdit* AddMemo(TCustomRichEdit* memo);
  TCustomRichEdit* GetMemo(int index) const;
  int IndexOfMemo(const TCustomRichEdit* memo) const;
  int RefCount(int index) const;
  void ReleaseResource(const TCustomRichEdit* memo);
  void Clear();
  void SaveToStream(TStream& stream) const;
  void LoadFromStream(TStream& stream);
  void Append(TPgMemoList& other);

private:
  std::unique_ptr<TCustomRichEdit> NewRichEdit();
  struct TEntry {
    std::unique_ptr<TCustomRichEdit> Edit;
    int Count = 1;
  };
  std::vector<TEntry> FItems;
};

// A rich edit of size 0 without word wrap, up to 1000000 characters.
std::unique_ptr<TRichEdit> CreateHiddenRichEdit();

class TPgResourceTable {
public:
  TPgBrushList Brushes;
  TPgFontList Fonts;
  TPgPenList Pens;
  TPgGraphicList Graphics;
  TPgMemoList Memos;

  void ReleaseResource(const TPgBrush* entry) { Brushes.Release(entry); }
  void ReleaseResource(const TPgFont* entry) { Fonts.Release(entry); }
  void ReleaseResource(const TPgPen* entry) { Pens.Release(entry); }
  void ReleaseResource(const TPgPicture* entry) { Graphics.Release(entry); }
  void ReleaseResource(const TCustomRichEdit* entry) { Memos.ReleaseResource(entry); }
  // Brushes, fonts, pens, graphics, memos.
  void Clear();
  // The five lists in that order in one stream (graphic end positions are stream positions).
  void SaveToStream(TStream& stream) const;
  // All or nothing: a bad block shows the engine's error (for `owner`), leaves the table and
  // the stream position as they were, and gives false.
  bool LoadFromStream(TStream& stream, const TObject* owner = nullptr);
};
