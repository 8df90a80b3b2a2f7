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

void WriteBand(TWriter& W, const TBandSettings& B) {
  W.WriteInteger(B.Visible);
  W.WriteString(B.Left);
  W.WriteString(B.Center);
  W.WriteString(B.Right);
  W.WriteBoolean(B.ShowLine);
  W.WriteFloat(B.Height);
  W.WriteInteger(B.PageNumber);
  W.WriteInteger(B.Date);
}

TBandSettings ReadBand(TReader& R) {
  TBandSettings B;
  B.Visible = ReadIndex(R, 2);
  B.Left = R.ReadString();
  B.Center = R.ReadString();
  B.Right = R.ReadString();
  B.ShowLine = R.ReadBoolean();
  B.Height = ReadNumber(R, 0, 4);
  B.PageNumber = ReadIndex(R, 4);
  B.Date = ReadIndex(R, 4);
  return B;
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
  W.WriteListBegin();
  for (const TReportItem& Item : F.Fields) {
    W.WriteString(Item.Caption);
    W.WriteInteger(Item.Code);
  }
  W.WriteListEnd();
  W.WriteBoolean(F.IncludeRecordName);
  W.WriteBoolean(F.IncludeFieldNames);
  W.WriteInteger(F.Layout);
  W.WriteFloat(F.ItemHeight);
  W.WriteFloat(F.CellSpacing);
  W.WriteInteger(F.PageFrame);
  W.WriteInteger(F.CellBorder);
  WriteColorDialog(W, F.BorderColor);
  W.WriteFloat(F.LeftMargin);
  W.WriteFloat(F.RightMargin);
  W.WriteFloat(F.TopMargin);
  W.WriteFloat(F.BottomMargin);
  WriteBand(W, F.Header);
  WriteBand(W, F.Footer);
  for (int Image : F.Images) W.WriteInteger(Image);
  W.WriteBoolean(F.IncludeImageTitle);
  W.WriteInteger(F.ImageOrientation);
  W.WriteInteger(F.ImageSpace);
  for (int k = 0; k < kReportFonts; ++k) WriteFontDialog(W, F.Fonts[k], k + 1);
  W.FlushBuffer();
}

bool ReadImageReportFormat(TStream& Stream, TImageReportFormat& Format) {
  TImageReportFormat F;
  try {
    TReader R(Stream, 1024);
    const auto& Known = ReportItemCodes();
    std::set<int> Codes;
    R.ReadListBegin();
    while (!R.EndOfList()) {
      TReportItem Item;
      Item.Caption = R.ReadString();
      Item.Code = R.ReadInteger();
      if (std::find(Known.begin(), Known.end(), Item.Code) == Known.end() || !Codes.insert(Item.Code).second)
        Refuse("report item code");
      F.Fields.push_back(std::move(Item));
    }
    R.ReadListEnd();
    F.IncludeRecordName = R.ReadBoolean();
    F.IncludeFieldNames = R.ReadBoolean();
    F.Layout = ReadIndex(R, 4);
    F.ItemHeight = ReadNumber(R, 0, 1000);
    F.CellSpacing = ReadNumber(R, 0, 1);
    F.PageFrame = ReadIndex(R, 2);
    F.CellBorder = ReadIndex(R, 4);
    F.BorderColor = ReadColorDialog(R);
    F.LeftMargin = ReadNumber(R, 0, 4);
    F.RightMargin = ReadNumber(R, 0, 4);
    F.TopMargin = ReadNumber(R, 0, 4);
    F.BottomMargin = ReadNumber(R, 0, 4);
    F.Header = ReadBand(R);
    F.Footer = ReadBand(R);
    for (int& Image : F.Images) Image = ReadIndex(R, 7);
    F.IncludeImageTitle = R.ReadBoolean();
    F.ImageOrientation = ReadIndex(R, 2);
    F.ImageSpace = ReadIndex(R, 101);
    for (TFont& Font : F.Fonts) Font = ReadFontDialog(R);
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
