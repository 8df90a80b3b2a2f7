// The page engine's value lists and stream blocks.  The first byte picks what the rest is: 'v'
// one value-list block (its keys read as every kind), 't' a resource table (brushes, fonts,
// pens, pictures and rich-text memos), 'o' a resource table followed by object records, each
// object drawn on a small bitmap, written and read again, 'b' the raw blocks of the reader.
#include "fuzz_support.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/gfx/metafile.h"
#include "platform/headless/headless_modal.h"
#include "platform/headless/headless_peer.h"
#include "platform/headless/headless_printing.h"
#include "platform/rtl/streams.h"
#include "print/page_objects.h"
#include "print/resource_table.h"
#include "print/value_list.h"

namespace {

void Fill(TPgResourceTable& Table) {
  TPgBrush Brush;
  Brush.Color = clRed;
  Brush.Style = bsSolid;
  Table.Brushes.AddBrush(Brush);
  TPgFont Font;
  Font.Name = "Arial";
  Font.Angle = 90;
  Font.Style = {fsBold};
  Table.Fonts.AddFont(Font);
  TPgPen Pen;
  Pen.Width = 8;
  Pen.Style = psDash;
  Table.Pens.AddPen(Pen);
  TBitmap Picture(6, 4);
  Picture.SetPixelAt(1, 1, clBlue);
  Table.Graphics.AddGraphic(Picture);
  TJPEGImage Jpeg;
  Jpeg.Assign(&Picture);
  Table.Graphics.AddGraphic(Jpeg);
  TMetafile Recording;
  {
    TMetafileCanvas Canvas(Recording, nullptr);
    Canvas.Rectangle(0, 0, 30, 20);
    Canvas.TextOut(2, 2, "metafile");
  }
  Table.Graphics.AddGraphic(Recording);
  std::unique_ptr<TRichEdit> Memo = CreateHiddenRichEdit();
  Memo->SetText("memo text\r\nsecond line");
  Table.Memos.AddMemo(Memo.get());
}

std::string TableBytes() {
  TPgResourceTable Table;
  Fill(Table);
  TMemoryStream S;
  Table.SaveToStream(S);
  return S.DataString();
}

// Every kind of object, each using the table's first entries.
std::string ObjectBytes() {
  TPgResourceTable Table;
  Fill(Table);
  TMemoryStream S;
  Table.SaveToStream(S);
  for (int Id : {kPgTextObjectID, kPgLineObjectID, kPgRectangleID, kPgEllipseID, kPgRoundRectID, kPgRemoveClipID,
                 kPgClipRectID, kPgClipRoundRectID, kPgClipEllipseID, kPgGraphicID, kPgTextBoxID}) {
    std::unique_ptr<TPgBaseObject> Object = CreatePgObject(Id, &Table);
    if (auto* Shape = dynamic_cast<TPgBaseSolidShape*>(Object.get())) {
      Shape->SetBounds({0.5, 0.25, 1.5, 1.0});
      Shape->SetPen(Table.Pens.AddPen(*Table.Pens.GetPen(0)));
      Shape->SetBrush(Table.Brushes.AddBrush(*Table.Brushes.GetBrush(0)));
    }
    if (auto* Text = dynamic_cast<TPgBaseTextObject*>(Object.get())) {
      Text->SetCaption("Caption\r\nof two lines");
      Text->SetFont(Table.Fonts.AddFont(*Table.Fonts.GetFont(0)));
    }
    if (auto* Round = dynamic_cast<TPgSemiComplexShape*>(Object.get())) Round->SetThird({0.1, 0.1});
    if (auto* Graphic = dynamic_cast<TPgGraphicObject*>(Object.get())) {
      TBitmap Picture(3, 3);
      Graphic->SetGraphic(Picture);
    }
    Object->SaveToStream(S);
  }
  return S.DataString();
}

std::string ValueListBytes() {
  TPgValueList List;
  List.WriteInteger("Count", 12);
  List.WriteString("Caption", "a=b\r\nc");
  List.WriteFloat("Angle", 12.5);
  List.WritePoint("Point", {1.25, 2.5});
  List.WriteRect("Rect", {0.1, 0.2, 3.3, 4.4});
  List.WriteBool("Visible", true);
  TMemoryStream S;
  List.SaveToStream(S);
  return S.DataString();
}

void ReadValues(const TPgValueList& List) {
  for (int i = 0; i < List.Count(); ++i) {
    const std::string Name = List.Names(i);
    auto Guard = [](auto&& Read) {
      try {
        Read();
      } catch (const EPgStreamError&) {
      }
    };
    Guard([&] { List.ReadInteger(Name, 0); });
    Guard([&] { List.ReadInteger(Name, 0, -5, 5); });
    Guard([&] { List.ReadFloat(Name, 0); });
    Guard([&] { List.ReadPoint(Name, {}); });
    Guard([&] { List.ReadRect(Name, {}); });
    Guard([&] { List.ReadString(Name, ""); });
  }
}

void Objects(TStream& In, TPgResourceTable& Table) {
  TBitmap Target(60, 40);
  TPgDrawInfo Info;
  Info.PixelsPerInch = 24;
  for (int n = 0; n < 64 && In.Position() < In.Size(); ++n) {
    std::unique_ptr<TPgBaseObject> Object = ReadPgObject(In, &Table);
    Object->Draw(Target.Canvas(), Info);
    if (auto* Visible = dynamic_cast<TPgVisibleObject*>(Object.get())) Visible->GetBoundingPoints(Info);
    // What an object writes, an object of its kind reads.
    TMemoryStream Again;
    Object->SaveToStream(Again);
    Again.SetPosition(0);
    ReadPgObject(Again, &Table);
  }
  Target.ReleaseCanvas();
}

void SetUp() {
  InstallHeadlessBackend();
  RemovePrintDevices();
}

}  // namespace

std::vector<std::string> FuzzSeeds() {
  TMemoryStream Blocks;
  TPgWriter W(Blocks);
  W.WriteInteger(3);
  W.WriteByte(7);
  W.WriteBytes("some bytes");
  TStringList Strings;
  Strings.Add("one");
  Strings.Add("two=2");
  W.WriteStrings(Strings);
  TStringStream Inner("inner stream");
  W.WriteStream(Inner);
  return {"v" + ValueListBytes(), "t" + TableBytes(), "o" + ObjectBytes(), "b" + Blocks.DataString()};
}

QN_FUZZ_SET_UP_THEN_SEEDS(SetUp)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  TStringStream In{std::string(fuzz::AsView(Data + 1, Size - 1))};
  // A table that does not load shows the engine's error: answered quietly.
  THeadlessModalScript Quiet;
  Quiet.OnFailure = [](const std::string&) {};
  try {
    switch (Data[0]) {
      case 'v': {
        TPgValueList List;
        List.LoadFromStream(In);
        ReadValues(List);
        TMemoryStream Out;
        List.SaveToStream(Out);
        break;
      }
      case 't': {
        TPgResourceTable Table;
        if (Table.LoadFromStream(In)) {
          TMemoryStream Out;
          Table.SaveToStream(Out);
          Out.SetPosition(0);
          TPgResourceTable Back;
          // What a table writes, a table reads.
          if (!Back.LoadFromStream(Out)) __builtin_trap();
        } else if (In.Position() != 0) {
          __builtin_trap();
        }
        break;
      }
      case 'o': {
        TPgResourceTable Table;
        if (Table.LoadFromStream(In)) Objects(In, Table);
        break;
      }
      case 'b': {
        TPgReader R(In);
        R.ReadInteger();
        R.ReadByte();
        R.ReadBytes();
        TStringList Strings;
        R.ReadStrings(Strings);
        TMemoryStream Target;
        R.ReadStream(Target);
        R.ReadCount(1000, 4);
        break;
      }
      default:
        break;
    }
  } catch (const Exception&) {
  }
  return 0;
}
