#include "client/reports/image_report_format.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/path_text.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typed_stream.h"
#include "platform/ui/controls.h"
#include "platform/ui/dialogs.h"
#include "platform/ui/modal_service.h"

namespace image_report {

namespace {

constexpr const char* kFontDialogClass = "TFontDialog";
constexpr const char* kColorDialogClass = "TColorDialog";
constexpr const char* kStyleIdents[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

[[noreturn]] void Refuse(const char* What) { throw EReadError(What); }

// An index of a combo with Count entries.
int ReadIndex(TReader& R, int Count) {
  const std::int64_t Value = R.ReadInt64();
  if (Value < 0 || Value >= Count) Refuse("combo index out of range");
  return static_cast<int>(Value);
}

// A number of an edit box that takes Low .. High.
double ReadNumber(TReader& R, double Low, double High) {
  const double Value = R.ReadFloat();
  if (!std::isfinite(Value) || Value < Low || Value > High) Refuse("value out of range");
  return Value;
}

void WriteRootHead(TWriter& W, const char* ClassName, const std::string& Name) {
  W.WriteSignature();
  W.WriteStr(ClassName);
  W.WriteStr(Name);
}

void WriteRootTail(TWriter& W) {
  W.WriteListEnd();  // properties
  W.WriteListEnd();  // children
}

// Reads the head of a root component stream of ClassName and calls Property for each stored
// property name; the stream may hold no children.
template <class F>
void ReadRoot(TReader& R, const char* ClassName, F&& Property) {
  R.ReadSignature();
  if (R.ReadStr() != ClassName) Refuse("wrong component class");
  R.ReadStr();
  while (!R.EndOfList()) Property(R.ReadStr());
  R.ReadListEnd();
  if (!R.EndOfList()) Refuse("unexpected child component");
  R.ReadListEnd();
}

void WriteFontDialog(TWriter& W, const TFont& Font, int Index) {
  WriteRootHead(W, kFontDialogClass, "FontDialog" + std::to_string(Index));
  W.WriteStr("Font.Charset");
  W.WriteInteger(Font.Charset());
  W.WriteStr("Font.Color");
  W.WriteInteger(Font.Color());
  W.WriteStr("Font.Height");
  W.WriteInteger(Font.Height());
  W.WriteStr("Font.Name");
  W.WriteString(Font.Name());
  W.WriteStr("Font.Style");
  std::vector<std::string> Style;
  for (int s = fsBold; s <= fsStrikeOut; ++s)
    if (Font.Style().Contains(static_cast<TFontStyle>(s))) Style.push_back(kStyleIdents[s]);
  W.WriteSet(Style);
  WriteRootTail(W);
}

TFont ReadFontDialog(TReader& R) {
  TFont Font;
  ReadRoot(R, kFontDialogClass, [&](const std::string& Name) {
    if (Name == "Font.Charset") {
      Font.SetCharset(ReadIndex(R, 256));
    } else if (Name == "Font.Color") {
      Font.SetColor(R.ReadInteger());
    } else if (Name == "Font.Height") {
      const int Height = R.ReadInteger();
      if (Height == 0 || Height < -1000 || Height > 1000) Refuse("font height out of range");
      Font.SetHeight(Height);
    } else if (Name == "Font.Name") {
      Font.SetName(R.ReadString());
    } else if (Name == "Font.Style") {
      TFontStyles Style;
      for (const std::string& Ident : R.ReadSet()) {
        int s = fsBold;
        while (s <= fsStrikeOut && Ident != kStyleIdents[s]) ++s;
        if (s > fsStrikeOut) Refuse("unknown font style");
        Style << static_cast<TFontStyle>(s);
      }
      Font.SetStyle(Style);
    } else {
      R.SkipValue();
    }
  });
  return Font;
}

void WriteColorDialog(TWriter& W, TColor Color) {
  WriteRootHead(W, kColorDialogClass, "BorderColor");
  W.WriteStr("Color");
  W.WriteInteger(Color);
  WriteRootTail(W);
}

TColor ReadColorDialog(TReader& R) {
  TColor Color = clBlack;
  ReadRoot(R, kColorDialogClass, [&](const std::string& Name) {
    if (Name == "Color")
      Color = R.ReadInteger();
    else
      R.SkipValue();
  });
  return Color;
}

// The two directions of the format: TPut writes each value, TTake reads it back and checks it
// against the range its control takes. TransferFormat lists the values once, in file order.
struct TPut {
  TWriter& W;
  void Bool(bool V) { W.WriteBoolean(V); }
  void Index(int V, int /*Count*/) { W.WriteInteger(V); }
  void Number(double V, double /*Low*/, double /*High*/) { W.WriteFloat(V); }
  void Text(const std::string& V) { W.WriteString(V); }
  void Color(TColor V) { WriteColorDialog(W, V); }
  void Font(const TFont& V, int Index) { WriteFontDialog(W, V, Index); }
  void Items(const std::vector<TReportItem>& Fields) {
    W.WriteListBegin();
    for (const TReportItem& Item : Fields) {
      W.WriteString(Item.Caption);
      W.WriteInteger(Item.Code);
    }
    W.WriteListEnd();
  }
};

struct TTake {
  TReader& R;
  void Bool(bool& V) { V = R.ReadBoolean(); }
  void Index(int& V, int Count) { V = ReadIndex(R, Count); }
  void Number(double& V, double Low, double High) { V = ReadNumber(R, Low, High); }
  void Text(std::string& V) { V = R.ReadString(); }
  void Color(TColor& V) { V = ReadColorDialog(R); }
  void Font(TFont& V, int /*Index*/) { V = ReadFontDialog(R); }
  // Each item code must be one of the menu's, and chosen once.
  void Items(std::vector<TReportItem>& Fields) {
    const auto& Known = ReportItemCodes();
    std::set<int> Codes;
    R.ReadListBegin();
    while (!R.EndOfList()) {
      TReportItem Item;
      Item.Caption = R.ReadString();
      Item.Code = R.ReadInteger();
      if (std::find(Known.begin(), Known.end(), Item.Code) == Known.end() || !Codes.insert(Item.Code).second)
        Refuse("report item code");
      Fields.push_back(std::move(Item));
    }
    R.ReadListEnd();
  }
};

template <class TIO, class TBand>
void TransferBand(TIO& IO, TBand& B) {
  IO.Index(B.Visible, 2);
  IO.Text(B.Left);
  IO.Text(B.Center);
  IO.Text(B.Right);
  IO.Bool(B.ShowLine);
  IO.Number(B.Height, 0, 4);
  IO.Index(B.PageNumber, 4);
  IO.Index(B.Date, 4);
}

template <class TIO, class TFormat>
void TransferFormat(TIO& IO, TFormat& F) {
  IO.Items(F.Fields);
  IO.Bool(F.IncludeRecordName);
  IO.Bool(F.IncludeFieldNames);
  IO.Index(F.Layout, 4);
  IO.Number(F.ItemHeight, 0, 1000);
  IO.Number(F.CellSpacing, 0, 1);
  IO.Index(F.PageFrame, 2);
  IO.Index(F.CellBorder, 4);
  IO.Color(F.BorderColor);
  IO.Number(F.LeftMargin, 0, 4);
  IO.Number(F.RightMargin, 0, 4);
  IO.Number(F.TopMargin, 0, 4);
  IO.Number(F.BottomMargin, 0, 4);
  TransferBand(IO, F.Header);
  TransferBand(IO, F.Footer);
  for (auto& Image : F.Images) IO.Index(Image, 7);
  IO.Bool(F.IncludeImageTitle);
  IO.Index(F.ImageOrientation, 2);
  IO.Index(F.ImageSpace, 101);
  for (int k = 0; k < kReportFonts; ++k) IO.Font(F.Fonts[static_cast<std::size_t>(k)], k + 1);
}

}  // namespace

const std::vector<int>& ReportItemCodes() {
  static const std::vector<int> Codes = [] {
    std::vector<int> C{500};
    for (int Code = 10; Code <= 260; Code += 10) C.push_back(Code);
    for (int Code : {600, 610, 620, 700, 800}) C.push_back(Code);
    return C;
  }();
  return Codes;
}

void WriteImageReportFormat(TStream& Stream, const TImageReportFormat& F) {
  TWriter W(Stream, 1024);
  TPut Put{W};
  TransferFormat(Put, F);
  W.FlushBuffer();
}

bool ReadImageReportFormat(TStream& Stream, TImageReportFormat& Format) {
  TImageReportFormat F;
  try {
    TReader R(Stream, 1024);
    TTake Take{R};
    TransferFormat(Take, F);
    if (R.BytesLeft() > 0) Refuse("trailing bytes");
  } catch (const std::exception&) {
    return false;
  }
  Format = std::move(F);
  return true;
}

void SaveImageReportFile(const std::string& FileName, const TImageReportFormat& Format) {
  TFileStream File(FileName, fmCreate);
  WriteImageReportFormat(File, Format);
}

bool LoadImageReportFile(const std::string& FileName, TImageReportFormat& Format) {
  try {
    TFileStream File(FileName, fmOpenRead);
    return ReadImageReportFormat(File, Format);
  } catch (const std::exception&) {
    return false;
  }
}

bool SaveImageReport(int Mode, const TImageReportFormat& Format, const std::string& ProgramFolder) {
  if (Mode == 1) {
    try {
      SaveImageReportFile((std::filesystem::path(ProgramFolder) / kLastReportFile).string(), Format);
      return true;
    } catch (const std::exception&) {
      return false;
    }
  }
  TSaveDialog Dialog(nullptr);
  Dialog.SetTitle(kSaveTitle);
  Dialog.SetFilter(kFormatFilter);
  Dialog.SetDefaultExt("irp");
  for (;;) {
    Dialog.SetFileName("");
    if (!Dialog.Execute() || Dialog.FileName().empty()) return false;
    const std::string Name = Dialog.FileName();
    std::error_code Error;
    if (std::filesystem::exists(Name, Error) &&
        MessageDlg(Name + kOverwriteText, mtInformation, TMsgDlgButtons{mbYes, mbNo}) != mrYes)
      continue;
    try {
      SaveImageReportFile(Name, Format);
    } catch (const std::exception& E) {
      MessageDlg(E.what(), mtError, TMsgDlgButtons{mbOK});
      return false;
    }
    MessageDlg(kSavedText + Name, mtInformation, TMsgDlgButtons{mbOK});
    return true;
  }
}

bool LoadReportFormat(int /*Mode*/, TImageReportFormat& Format) {
  TOpenDialog Dialog(nullptr);
  Dialog.SetFilter(kFormatFilter);
  Dialog.SetDefaultExt("irp");
  Dialog.SetFileName("");
  if (!Dialog.Execute() || Dialog.FileName().empty()) return false;
  if (!LoadImageReportFile(Dialog.FileName(), Format)) {
    MessageDlg(kInvalidText, mtError, TMsgDlgButtons{mbOK});
    return false;
  }
  MessageDlg(kLoadedText, mtInformation, TMsgDlgButtons{mbOK});
  return true;
}

}  // namespace image_report
