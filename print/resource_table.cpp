#include "print/resource_table.h"

#include <cmath>

#include "platform/gfx/bitmap.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/rtl/sysutils.h"

namespace {

// Colours as the engine stores them: RGB values, system colours, none and default.
constexpr long long kMinColor = -0x80000000LL;
constexpr long long kMaxColor = 0xFFFFFFFFLL;
// A value list block holds at least its 4-byte length.
constexpr int kMinBlock = 4;
constexpr int kMaxEntries = 1000000;

TColor ReadColor(const TPgValueList& v, TColor def) {
  return static_cast<TColor>(static_cast<std::uint32_t>(v.ReadInteger("CL", static_cast<long long>(def), kMinColor, kMaxColor)));
}

void WriteColor(TPgValueList& v, TColor c) { v.WriteInteger("CL", static_cast<long long>(static_cast<std::int32_t>(c))); }

// The brush, font and pen lists are stored as a count and one value list an entry.
template <class TList, class F>
void SaveValueLists(TStream& stream, const TList& list, F&& write) {
  TPgWriter w(stream);
  w.WriteInteger(list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    TPgValueList v;
    write(v, *list.Get(i));
    v.SaveToStream(stream);
  }
}

// Reads what SaveValueLists wrote; the list is replaced once every entry has been read.
template <class TList, class F>
void LoadValueLists(TStream& stream, TList& list, F&& read) {
  TPgReader r(stream);
  const int n = r.ReadCount(kMaxEntries, kMinBlock);
  TList loaded;
  for (int i = 0; i < n; ++i) {
    TPgValueList v;
    v.LoadFromStream(stream);
    loaded.Add(read(v));
  }
  list.Swap(loaded);
}

}  // namespace

// ---- Records --------------------------------------------------------------------------------

void TPgBrush::Assign(const TBrush& brush) {
  Color = brush.Color();
  Style = brush.Style();
}

void TPgBrush::AssignToCanvas(TCanvas& canvas) const {
  canvas.Brush().SetColor(Color);
  canvas.Brush().SetStyle(Color == clNone ? bsClear : Style);
}

void TPgFont::Assign(const TFont& font) {
  Size = font.Size();
  Color = font.Color();
  Charset = font.Charset();
  Name = font.Name();
  Style = font.Style();
  Angle = 0;
}

void TPgFont::AssignTo(TFont& font) const {
  font.SetName(Name.empty() ? "Arial" : Name);
  font.SetSize(Size);
  font.SetColor(Color);
  font.SetCharset(Charset);
  font.SetStyle(Style);
  font.SetOrientation(static_cast<int>(std::lround(Angle * 10)));
}

void TPgFont::AssignToCanvas(TCanvas& canvas, int pixelsPerInch) const {
  TFont& f = canvas.Font();
  f.SetPixelsPerInch(pixelsPerInch);
  AssignTo(f);
}

void TPgPen::Assign(const TPen& pen) {
  Width = pen.Width();
  Color = pen.Color();
  Style = pen.Style();
  Mode = pen.Mode();
}

void TPgPen::AssignToCanvas(TCanvas& canvas, int pixelsPerInch) const {
  TPen& p = canvas.Pen();
  p.SetColor(Color);
  p.SetStyle(Color == clNone ? psClear : Style);
  p.SetMode(Mode);
  p.SetWidth(static_cast<int>(Round(pixelsPerInch / 72.0 / 4.0 * Width)));
}

// ---- Brushes, fonts, pens -------------------------------------------------------------------

void TPgBrushList::SaveToStream(TStream& stream) const {
  SaveValueLists(stream, *this, [](TPgValueList& v, const TPgBrush& b) {
    WriteColor(v, b.Color);
    v.WriteEnum("ST", b.Style);
  });
}

void TPgBrushList::LoadFromStream(TStream& stream) {
  LoadValueLists(stream, *this, [](const TPgValueList& v) {
    TPgBrush b;
    b.Color = ReadColor(v, 0xFFFFFF);
    b.Style = static_cast<TBrushStyle>(v.ReadEnum("ST", 0, bsDiagCross + 1));
    return b;
  });
}

void TPgFontList::SaveToStream(TStream& stream) const {
  SaveValueLists(stream, *this, [](TPgValueList& v, const TPgFont& f) {
    WriteColor(v, f.Color);
    v.WriteString("ST", FontStylesToString(f.Style));
    v.WriteFloat("FA", f.Angle);
    v.WriteInteger("SZ", f.Size);
    v.WriteInteger("CS", f.Charset);
    v.WriteString("FN", f.Name);
  });
}

void TPgFontList::LoadFromStream(TStream& stream) {
  LoadValueLists(stream, *this, [](const TPgValueList& v) {
    TPgFont f;
    f.Color = ReadColor(v, 0xFFFFFF);
    f.Style = StringToFontStyles(v.ReadString("ST", ""));
    f.Angle = v.ReadFloat("FA", 0);
    if (std::fabs(f.Angle) > 360) throw EPgStreamError("Invalid font angle");
    f.Size = static_cast<int>(v.ReadInteger("SZ", 10, 1, 1638));
    f.Charset = static_cast<int>(v.ReadInteger("CS", 1, 0, 255));
    f.Name = v.ReadString("FN", "Arial");
    return f;
  });
}

void TPgPenList::SaveToStream(TStream& stream) const {
  SaveValueLists(stream, *this, [](TPgValueList& v, const TPgPen& p) {
    WriteColor(v, p.Color);
    v.WriteInteger("SZ", p.Width);
    v.WriteEnum("ST", p.Style);
    v.WriteEnum("PM", p.Mode);
  });
}

void TPgPenList::LoadFromStream(TStream& stream) {
  LoadValueLists(stream, *this, [](const TPgValueList& v) {
    TPgPen p;
    p.Color = ReadColor(v, 0);
    p.Width = static_cast<int>(v.ReadInteger("SZ", 1, 0, 4000));
    p.Style = static_cast<TPenStyle>(v.ReadEnum("ST", 0, psInsideFrame + 1));
    p.Mode = static_cast<TPenMode>(v.ReadEnum("PM", 4, pmNotXor + 1));
    return p;
  });
}

// ---- Pictures -------------------------------------------------------------------------------

std::string TPgPicture::Bytes() const {
  TMemoryStream s;
  if (Graphic) Graphic->SaveToStream(s);
  return s.DataString();
}

void TPgPicture::Draw(TCanvas& canvas, const TRect& r) const {
  if (Graphic) canvas.StretchDraw(r, *Graphic);
}

std::unique_ptr<TBitmap> TPgPicture::ToBitmap() const {
  if (!Graphic) return nullptr;
  if (auto* jpeg = dynamic_cast<const TJPEGImage*>(Graphic.get())) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->Assign(jpeg->Bitmap());
    return bmp;
  }
  if (auto* bmp = dynamic_cast<const TBitmap*>(Graphic.get())) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(*bmp);
    return copy;
  }
  return nullptr;
}

int TPgGraphicList::GraphicKind(const TGraphic& graphic) {
  if (dynamic_cast<const TJPEGImage*>(&graphic)) return 0;
  return dynamic_cast<const TMetafile*>(&graphic) ? 1 : 2;
}

TPgPicture* TPgGraphicList::AddPicture(std::unique_ptr<TPgPicture> picture) {
  if (CompareGraphics) {
    std::string bytes;
    bool known = false;
    for (std::size_t i = 0; i < FItems.size(); ++i) {
      TPgPicture& p = *FItems[i];
      if (p.Kind != picture->Kind || p.Width() != picture->Width() || p.Height() != picture->Height()) continue;
      auto* a = dynamic_cast<const TMetafile*>(p.Graphic.get());
      auto* b = dynamic_cast<const TMetafile*>(picture->Graphic.get());
      bool same = a && b && a->SharesWith(*b);
      if (!same) {
        if (!known) {
          bytes = picture->Bytes();
          known = true;
        }
        same = p.Bytes() == bytes;
      }
      if (same) {
        ++FCounts[i];
        return FItems[i].get();
      }
    }
  }
  FItems.push_back(std::move(picture));
  FCounts.push_back(1);
  return FItems.back().get();
}

TPgPicture* TPgGraphicList::AddGraphic(const TGraphic& graphic) {
  auto p = std::make_unique<TPgPicture>();
  if (auto* jpeg = dynamic_cast<const TJPEGImage*>(&graphic)) {
    p->Kind = 0;
    p->Graphic = jpeg->Clone();
  } else if (auto* mf = dynamic_cast<const TMetafile*>(&graphic)) {
    p->Kind = 1;
    p->Graphic = mf->Clone();
  } else if (auto* bmp = dynamic_cast<const TBitmap*>(&graphic)) {
    p->Kind = 2;
    p->Graphic = bmp->Clone();
  } else {
    return nullptr;
  }
  return AddPicture(std::move(p));
}

void TPgGraphicList::SaveToStream(TStream& stream) const {
  TPgWriter w(stream);
  w.WriteInteger(Count());
  for (const auto& p : FItems) {
    w.WriteByte(static_cast<std::uint8_t>(p->Kind));
    std::int64_t at = stream.Position();
    w.WriteInteger(0);
    std::string bytes = p->Bytes();
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<long>(bytes.size()));
    std::int64_t end = stream.Position();
    stream.SetPosition(at);
    w.WriteInteger(static_cast<std::int32_t>(end));
    stream.SetPosition(end);
  }
}

void TPgGraphicList::LoadFromStream(TStream& stream) {
  TPgReader r(stream);
  int n = r.ReadCount(kMaxEntries, 5);
  std::vector<std::unique_ptr<TPgPicture>> loaded;
  for (int i = 0; i < n; ++i) {
    int kind = r.ReadByte();
    std::int64_t end = r.ReadInteger();
    std::int64_t here = stream.Position();
    if (end < here || end > stream.Size()) throw EPgStreamError("Invalid picture end position");
    std::vector<BYTE> data(static_cast<std::size_t>(end - here));
    if (!data.empty()) stream.ReadBuffer(data.data(), static_cast<long>(data.size()));
    stream.SetPosition(end);
    auto p = std::make_unique<TPgPicture>();
    p->Kind = kind;
    try {
      if (kind == 0) {
        auto jpeg = std::make_unique<TJPEGImage>();
        jpeg->LoadFromBytes(data);
        p->Graphic = std::move(jpeg);
      } else if (kind == 2) {
        auto bmp = std::make_unique<TBitmap>();
        bmp->LoadFromBmp(data);
        p->Graphic = std::move(bmp);
      } else if (kind == 1) {
        TMemoryStream s;
        if (!data.empty()) s.WriteBuffer(data.data(), static_cast<long>(data.size()));
        s.SetPosition(0);
        auto mf = std::make_unique<TMetafile>();
        mf->LoadFromStream(s);
        p->Graphic = std::move(mf);
      } else {
        continue;  // an unknown kind is skipped
      }
    } catch (const EPgStreamError&) {
      throw;
    } catch (const Exception& e) {
      throw EPgStreamError(std::string("Invalid picture: ") + e.what());
    }
    loaded.push_back(std::move(p));
  }
  for (auto& p : loaded) {
    FItems.push_back(std::move(p));
    FCounts.push_back(1);
  }
}

// ---- Memos ----------------------------------------------------------------------------------

std::unique_ptr<TRichEdit> CreateHiddenRichEdit() {
  auto edit = std::make_unique<TRichEdit>(nullptr);
  edit->SetBounds(0, 0, 0, 0);
  edit->SetWordWrap(false);
  edit->SetMaxLength(1000000);
  return edit;
}

std::unique_ptr<TCustomRichEdit> TPgMemoList::NewRichEdit() {
  TCustomRichEdit* supplied = nullptr;
  if (OnNeedRichEdit) OnNeedRichEdit(Owner, supplied);
  if (supplied) return std::unique_ptr<TCustomRichEdit>(supplied);
  return CreateHiddenRichEdit();
}

TCustomRichEdit* TPgMemoList::AddMemo(TCustomRichEdit* memo) {
  if (!memo) return nullptr;
  int i = IndexOfMemo(memo);
  if (i >= 0) {
    ++FItems[static_cast<std::size_t>(i)].Count;
    return memo;
  }
  std::unique_ptr<TCustomRichEdit> copy = NewRichEdit();
  if (memo->PlainText()) {
    copy->SetPlainText(true);
    copy->SetText(memo->Text());
  } else {
    copy->SetRichText(memo->RichText());
  }
  FItems.push_back({std::move(copy), 1});
  return FItems.back().Edit.get();
}

TCustomRichEdit* TPgMemoList::GetMemo(int index) const {
  return index >= 0 && index < Count() ? FItems[static_cast<std::size_t>(index)].Edit.get() : nullptr;
}

int TPgMemoList::IndexOfMemo(const TCustomRichEdit* memo) const {
  for (std::size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Edit.get() == memo) return static_cast<int>(i);
  return -1;
}

int TPgMemoList::RefCount(int index) const {
  return index >= 0 && index < Count() ? FItems[static_cast<std::size_t>(index)].Count : 0;
}

void TPgMemoList::ReleaseResource(const TCustomRichEdit* memo) {
  int i = IndexOfMemo(memo);
  if (i < 0) return;
  if (--FItems[static_cast<std::size_t>(i)].Count <= 0) FItems.erase(FItems.begin() + i);
}

void TPgMemoList::Clear() { FItems.clear(); }

void TPgMemoList::Append(TPgMemoList& other) {
  for (TEntry& e : other.FItems) FItems.push_back(std::move(e));
  other.FItems.clear();
}

void TPgMemoList::SaveToStream(TStream& stream) const {
  TPgWriter w(stream);
  w.WriteInteger(Count());
  for (const TEntry& e : FItems) {
    bool rich = !e.Edit->PlainText();
    w.WriteInteger(rich ? 1 : 0);
    w.WriteBytes(rich ? e.Edit->RichText() : e.Edit->Text());
  }
}

void TPgMemoList::LoadFromStream(TStream& stream) {
  TPgReader r(stream);
  int n = r.ReadCount(kMaxEntries, 8);
  std::vector<TEntry> loaded;
  for (int i = 0; i < n; ++i) {
    int kind = r.ReadInteger();
    if (kind != 0 && kind != 1) throw EPgStreamError("Invalid memo kind " + IntToStr(kind));
    std::string contents = r.ReadBytes();
    std::unique_ptr<TCustomRichEdit> edit = kind == 1 ? NewRichEdit() : CreateHiddenRichEdit();
    try {
      if (kind == 0) {
        edit->SetPlainText(true);
        edit->SetText(contents);
      } else {
        edit->SetRichText(contents);
      }
    } catch (const Exception& e) {
      throw EPgStreamError(std::string("Invalid memo: ") + e.what());
    }
    loaded.push_back({std::move(edit), 1});
  }
  for (TEntry& e : loaded) FItems.push_back(std::move(e));
}

// ---- The table ------------------------------------------------------------------------------

void TPgResourceTable::Clear() {
  Brushes.Clear();
  Fonts.Clear();
  Pens.Clear();
  Graphics.Clear();
  Memos.Clear();
}

void TPgResourceTable::SaveToStream(TStream& stream) const {
  Brushes.SaveToStream(stream);
  Fonts.SaveToStream(stream);
  Pens.SaveToStream(stream);
  Graphics.SaveToStream(stream);
  Memos.SaveToStream(stream);
}

bool TPgResourceTable::LoadFromStream(TStream& stream, const TObject* owner) {
  std::int64_t start = stream.Position();
  TPgResourceTable loaded;
  loaded.Memos.OnNeedRichEdit = Memos.OnNeedRichEdit;
  loaded.Memos.Owner = Memos.Owner;
  loaded.Graphics.CompareGraphics = Graphics.CompareGraphics;
  try {
    loaded.Brushes.LoadFromStream(stream);
    loaded.Fonts.LoadFromStream(stream);
    loaded.Pens.LoadFromStream(stream);
    loaded.Graphics.LoadFromStream(stream);
    loaded.Memos.LoadFromStream(stream);
  } catch (const Exception& e) {
    stream.SetPosition(start);
    ShowPgError(owner, e.what());
    return false;
  }
  Brushes.Swap(loaded.Brushes);
  Fonts.Swap(loaded.Fonts);
  Pens.Swap(loaded.Pens);
  // Graphics and memos append to what the table holds.
  Graphics.Append(loaded.Graphics);
  Memos.Append(loaded.Memos);
  return true;
}
