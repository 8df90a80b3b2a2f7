#include "client/core/record_fields.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "controls/mini_html.h"
#include "controls/picture_effects.h"
#include "platform/gfx/bitmap.h"
#include "platform/gfx/jpeg_image.h"
#include "platform/gfx/picture.h"
#include "platform/rtl/file_io.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/modal_service.h"
#include "platform/ui/shell.h"

namespace {

bool Contains(const std::string& Text, const std::string& Part) { return Text.find(Part) != std::string::npos; }

std::string BaseNameOf(const std::string& Path) { return std::filesystem::path(Path).filename().string(); }

// The frame size of JPEG data from its start-of-frame marker, without decoding; false when the
// data is no JPEG or its markers end first.
bool JpegFrameSize(const std::string& Data, int& Width, int& Height) {
  auto Byte = [&](std::size_t At) { return static_cast<unsigned char>(Data[At]); };
  if (Data.size() < 4 || Byte(0) != 0xFF || Byte(1) != 0xD8) return false;
  std::size_t At = 2;
  while (At + 3 < Data.size()) {
    if (Byte(At) != 0xFF) return false;
    const unsigned Marker = Byte(At + 1);
    if (Marker == 0xFF) {  // fill byte
      ++At;
      continue;
    }
    if (Marker == 0x01 || (Marker >= 0xD0 && Marker <= 0xD7)) {  // no length
      At += 2;
      continue;
    }
    const std::size_t Length = (std::size_t{Byte(At + 2)} << 8) | Byte(At + 3);
    if (Length < 2) return false;
    const bool Frame = Marker >= 0xC0 && Marker <= 0xCF && Marker != 0xC4 && Marker != 0xC8 && Marker != 0xCC;
    if (Frame) {
      if (Length < 7 || At + 9 > Data.size()) return false;
      Height = (Byte(At + 5) << 8) | Byte(At + 6);
      Width = (Byte(At + 7) << 8) | Byte(At + 8);
      return Width > 0 && Height > 0;
    }
    if (Marker == 0xD9 || Marker == 0xDA) return false;  // end of image or scan before a frame
    At += 2 + Length;
  }
  return false;
}

// The largest decoder reduction (1, 2, 4 or 8) that still leaves at least Width x Height pixels,
// so the fit only ever shrinks by less than two.
TJPEGScale ReductionFor(int FullWidth, int FullHeight, int Width, int Height) {
  const TJPEGScale Scales[] = {jsEighth, jsQuarter, jsHalf};
  const int Denominators[] = {8, 4, 2};
  for (int i = 0; i < 3; ++i) {
    const int D = Denominators[i];
    if ((FullWidth + D - 1) / D >= Width && (FullHeight + D - 1) / D >= Height) return Scales[i];
  }
  return jsFullSize;
}

// The fitted copy of Source, resampled.
std::unique_ptr<TBitmap> Resampled(const TBitmap& Source, int Width, int Height) {
  auto Out = std::make_unique<TBitmap>(Width, Height, pf24bit);
  if (Source.PixelFormat() == pf24bit) {
    BilinearResample(Source, *Out);
  } else {
    TBitmap Copy;
    Copy.Assign(Source);
    Copy.SetPixelFormat(pf24bit);
    BilinearResample(Copy, *Out);
  }
  return Out;
}

// A JPEG file fitted into the panel: decoded reduced when the fit is at most half its size, then
// resampled.  Null when the file is no JPEG (the general loader then reads it); Invalid set when
// it is one that does not decode.
std::unique_ptr<TBitmap> FittedJpeg(const std::string& Path, int PanelWidth, int PanelHeight, bool& Invalid) {
  std::string Data;
  try {
    Data = ReadFileBytes(Path);
  } catch (const std::exception&) {
    return nullptr;
  }
  int W = 0, H = 0;
  if (!JpegFrameSize(Data, W, H)) return nullptr;
  const TPictureFit F = FitPicture(W, H, PanelWidth, PanelHeight);
  if (!F.Valid) {
    Invalid = true;
    return nullptr;
  }
  try {
    TJPEGImage Jpeg;
    Jpeg.SetScale(ReductionFor(W, H, F.Width, F.Height));
    Jpeg.LoadFromBytes(std::vector<BYTE>(Data.begin(), Data.end()));
    const TBitmap& Decoded = Jpeg.Bitmap();
    if (Decoded.Width() <= 0 || Decoded.Height() <= 0) {
      Invalid = true;
      return nullptr;
    }
    return Resampled(Decoded, F.Width, F.Height);
  } catch (const std::exception&) {
    Invalid = true;
    return nullptr;
  }
}

}  // namespace

// ---- Field kinds --------------------------------------------------------------------------------

std::string GetFieldType(const TConfiguration& Config, const std::string& EditorName) {
  auto Index = [&](const std::string& Prefix, int Count) {
    if (EditorName.size() != Prefix.size() + 1 || EditorName.compare(0, Prefix.size(), Prefix) != 0) return -1;
    const int N = EditorName.back() - (Prefix == "Other" ? '1' : '0');
    return N >= 0 && N < Count ? N : -1;
  };
  if (const int D = Index("Detail", 10); D >= 0) return Config.DetailKinds[D];
  if (const int O = Index("Other", 6); O >= 0) return Config.OtherKinds[O];
  return "";
}

TFieldClick FieldClickOf(const std::string& Kind) {
  const std::string Lower = LowerCase(Kind);
  // A date field is read-only and takes its dates from the date menu, whatever the case the
  // definition writes its kind in.
  if (Contains(Lower, "date")) return TFieldClick::Date;
  if (Contains(Kind, "URL")) return TFieldClick::URL;
  if (Contains(Lower, "barcode")) return TFieldClick::Barcode;
  if (Contains(Lower, "quantity")) return TFieldClick::Quantity;
  if (IsRecordCounter(Kind)) return TFieldClick::RecordCounter;
  return TFieldClick::None;
}

bool IsRecordCounter(const std::string& Kind) { return Contains(Kind, "Record Counter"); }

std::string ReturnFieldName(const TConfiguration& Config, int Index, int Step) {
  // Positions 0-9 the details, 10-15 the others.
  int Position;
  if (Index >= 0 && Index <= 9) Position = Index;
  else if (Index >= 21 && Index <= 26) Position = Index - 11;
  else return "";
  Position += Step;
  if (Position >= 0 && Position <= 9) return Config.DetailNames[Position];
  if (Position >= 10 && Position <= 15) return Config.OtherNames[Position - 10];
  return "";
}

// ---- Pictures -----------------------------------------------------------------------------------

TPictureFit FitPicture(int PictureWidth, int PictureHeight, int PanelWidth, int PanelHeight) {
  TPictureFit Fit;
  if (PictureWidth <= 0 || PictureHeight <= 0 || PanelWidth <= 0 || PanelHeight <= 0) return Fit;
  const double Ratio = static_cast<double>(PictureHeight) / PictureWidth;
  double W, H;
  if (Ratio < 1) {
    W = PanelWidth;
    H = W * Ratio;
    if (H > PanelHeight) {
      H = PanelHeight;
      W = H / Ratio;
    }
  } else {
    H = PanelHeight;
    W = H / Ratio;
    if (W > PanelWidth) {
      W = PanelWidth;
      H = W * Ratio;
    }
  }
  Fit.Width = std::max(1, static_cast<int>(std::lround(W)));
  Fit.Height = std::max(1, static_cast<int>(std::lround(H)));
  Fit.Valid = true;
  return Fit;
}

std::unique_ptr<TBitmap> LoadRecordPicture(const std::string& FileName) {
  const std::string Ext = LowerCase(std::filesystem::path(FileName).extension().string());
  std::unique_ptr<TBitmap> Bitmap;
  try {
    if (Ext == ".gif" || Ext == ".pcx") {
      Bitmap = PicLibLoad(FileName, 0);
    } else {
      TPicture Picture;
      Picture.LoadFromFile(FileName);
      if (Picture.Graphic() && Picture.Width() > 0 && Picture.Height() > 0) {
        Bitmap = std::make_unique<TBitmap>();
        Bitmap->SetSize(Picture.Width(), Picture.Height());
        Bitmap->Canvas().Draw(0, 0, *Picture.Graphic());
      }
    }
  } catch (const std::exception&) {
    Bitmap.reset();
  }
  if (Bitmap && (Bitmap->Width() <= 0 || Bitmap->Height() <= 0)) Bitmap.reset();
  return Bitmap;
}

// ---- Links ------------------------------------------------------------------------------------

std::string ShellURL(const std::string& Text) {
  const std::string Url = Trim(Text);
  if (!IsShellAnchor(Url)) return "";
  static const char Hex[] = "0123456789ABCDEF";
  std::string Out;
  for (const char C : Url) {
    const auto U = static_cast<unsigned char>(C);
    if (U <= 0x20 || U == 0x7F || C == '"' || C == '\'' || C == '<' || C == '>' || C == '\\') {
      Out += '%';
      Out += Hex[U >> 4];
      Out += Hex[U & 15];
    } else {
      Out += C;
    }
  }
  return Out;
}

// ---- The logic ----------------------------------------------------------------------------------

TRecordFields::TRecordFields(TRecordWindow& Window) : FW(Window) {}

void TRecordFields::Inform(const std::string& Text, int Type) {
  FW.BeginModal();
  MessageDlg(Text, static_cast<TMsgDlgType>(Type), {mbOK});
  FW.EndModal();
}

bool TRecordFields::AddQuantity(int Tag, int Amount) {
  if (Amount == 0) return false;
  // The reload below shows what the server holds: what was typed is stored first.
  if (!FW.SaveRecord(FW.Buffers.Current, true)) return false;
  TServerSession& S = FW.Session();
  S.InitializeRequest();
  S.SetParameter("Record", FW.Number(), true);
  S.SetParameter("QuantityField", std::to_string(Tag), false);
  S.SetParameter("Function", "Add", false);
  S.SetParameter("Amount", std::to_string(Amount), false);
  if (S.GetServerPath() && S.CheckResult("Quantity")) return FW.GetRecord("G" + FW.Number());
  // The field keeps the stored quantity: the typed amount never reaches it, so no save can
  // overwrite what the server holds.
  Inform(TRecordWindow::RequestProblemText, mtError);
  return false;
}

bool TRecordFields::EditBarcode(const std::string& Text, const std::function<void(const std::string&)>& SetText,
                                const TBarcodeEditor& Editor) {
  if (!FW.SaveRecord(FW.Buffers.Current, true)) return false;
  // Without the stored settings the editor would start from stale ones.
  if (!FW.LoadServerConfiguration()) {
    Inform(TRecordWindow::RequestProblemText, mtError);
    return false;
  }
  FW.BeginModal();
  const TBarcodeEdit E = Editor(Text, FW.Buffers.Configuration);
  FW.EndModal();
  bool Ok = true, Changed = false;
  if (E.Value != Text) {
    SetText(E.Value);
    Ok = FW.SaveRecord(FW.Buffers.Current, true);
    Changed = true;
  }
  if (E.SettingsChanged) {
    FW.Buffers.ConfigMask.Set(ConfigMask::ConfigStrings, 0);
    if (!FW.SaveServerConfiguration()) {
      Inform(TRecordWindow::RequestProblemText, mtError);
      Ok = false;
    }
    Changed = true;
  }
  return Ok && Changed;
}

bool TRecordFields::JumpToURL(const std::string& Text) {
  const std::string Url = ShellURL(Text);
  if (Url.empty()) {
    Inform(URLRefusedText, mtInformation);
    return false;
  }
  return WriteRedirectPage(FW.Session().ScratchFolder, Url);
}

bool TRecordFields::CustomizeLabels(int Tag, const std::string& Caption) {
  const bool Description = Tag >= 0 && Tag <= 9, Other = Tag >= 20 && Tag <= 25;
  if (!Description && !Other) return false;
  if (!FW.LoadServerConfiguration()) return false;
  std::string Name = Caption;
  FW.BeginModal();
  const bool Confirmed = InputQuery("Field Name", "Please enter a new Field Name:", Name);
  FW.EndModal();
  if (!Confirmed) Name = Caption;
  TConfiguration& C = FW.Buffers.Configuration;
  if (Description) {
    C.DescriptionNames[Tag] = Name;
    FW.Buffers.ConfigMask.Set(ConfigMask::Descriptions, Tag);
  } else {
    C.OtherNames[Tag - 20] = Name;
    FW.Buffers.ConfigMask.Set(ConfigMask::OtherNames, Tag - 20);
  }
  return FW.SaveServerConfiguration();
}

bool TRecordFields::CustomizeDetailLabel(int Tag, const std::string& Name, const std::string& Kind) {
  if (Tag < 10 || Tag > 19) return false;
  const int i = Tag - 10;
  TConfiguration& C = FW.Buffers.Configuration;
  C.DetailNames[i] = Name;
  C.DetailKinds[i] = Kind;
  FW.Buffers.ConfigMask.Set(ConfigMask::DetailNames, i);
  FW.Buffers.ConfigMask.Set(ConfigMask::DetailKinds, i);
  return FW.SaveServerConfiguration();
}

TPictureShow TRecordFields::DisplayPicture(int Slot, bool Fit, int PanelWidth, int PanelHeight) {
  TPictureShow Show;
  if (Slot < 1 || Slot > 6) return Show;
  const std::string Name = FW.Buffers.Current.Images[Slot - 1].FileName;
  if (Name.empty()) {
    Show.StatusText = "No " + ImageWord + " File Selected";
    return Show;
  }
  TServerSession& S = FW.Session();
  const std::string Path = S.RetreiveFile(Name, "IR" + std::to_string(Slot), FW.Number());
  std::unique_ptr<TBitmap> Picture;
  if (!Path.empty()) {
    const std::string Ext = LowerCase(std::filesystem::path(Path).extension().string());
    bool Invalid = false;
    // A fitted JPEG decodes at the size it is shown in; the rest decode whole and are resampled.
    if (Fit && Ext != ".gif" && Ext != ".pcx") Picture = FittedJpeg(Path, PanelWidth, PanelHeight, Invalid);
    if (!Picture && !Invalid) {
      Picture = LoadRecordPicture(Path);
      if (Picture && Fit) {
        const TPictureFit F = FitPicture(Picture->Width(), Picture->Height(), PanelWidth, PanelHeight);
        Picture = F.Valid ? Resampled(*Picture, F.Width, F.Height) : nullptr;
      }
    }
  }
  // Only the copy this client fetched goes: a file of the same name elsewhere is the user's.
  if (!Path.empty()) S.DeleteDownload(Name);
  if (!Picture) {
    Show.State = TPictureShow::Invalid;
    Show.StatusText = ImageNotValidText;
    return Show;
  }
  Show.State = TPictureShow::Shown;
  Show.Bitmap = std::move(Picture);
  return Show;
}

bool TRecordFields::SelectPicture(int Slot, const std::string& FileName) {
  if (Slot < 1 || Slot > 6 || FileName.empty()) return false;
  if (FileSizeOf(FileName) > MaxUploadSize) {
    Inform(ImageTooLargeText, mtInformation);
    return false;
  }
  if (!FW.Session().SendFile(FileName, "IS" + std::to_string(Slot), FW.Number())) {
    Inform(ImageNotOpenedText, mtInformation);
    return false;
  }
  FW.Buffers.Current.Images[Slot - 1].FileName = BaseNameOf(FileName);
  FW.Buffers.RecordMask.Set(RecordMask::Images, Slot);
  FW.SaveRecord(FW.Buffers.Current, true);
  return true;
}

void TRecordFields::ClearPicture(int Slot) {
  if (Slot < 1 || Slot > 6) return;
  FW.Buffers.Current.Images[Slot - 1].FileName.clear();
  FW.Buffers.RecordMask.Set(RecordMask::Images, Slot);
}

void TRecordFields::SetImageTitle(int Slot, const std::string& Title) {
  if (Slot < 1 || Slot > 6) return;
  FW.Buffers.Current.Images[Slot - 1].Title = Title;
  FW.ImageTitleChange(Slot - 1);
}

bool TRecordFields::SelectResume(const std::string& FileName, const std::string& Notes2Title) {
  if (FileName.empty()) return false;
  if (FileSizeOf(FileName) > MaxUploadSize) {
    Inform("Sorry, the selected " + Notes2Title + " file is too large.", mtInformation);
    return false;
  }
  if (!FW.Session().SendFile(FileName, "RS", FW.Number())) {
    Inform("Sorry, the selected " + Notes2Title +
               " file could not be opened.  It may be in use by another program.",
           mtInformation);
    return false;
  }
  FW.Buffers.Current.Memos[1] = {BaseNameOf(FileName)};
  FW.View().SetMemo(1, FW.Buffers.Current.Memos[1]);
  FW.Memo2Change();
  FW.SaveRecord(FW.Buffers.Current, true);
  return true;
}

bool TRecordFields::ViewResume(const std::string& Memo2FirstLine, bool Memo2HasLine, const std::string& Notes2Title) {
  if (!Memo2HasLine) {
    Inform("No " + Notes2Title + " file is selected.", mtInformation);
    return false;
  }
  const std::string Path = FW.Session().RetreiveFile(Memo2FirstLine, "RR", FW.Number());
  if (Path.empty()) {
    Inform(FileNotAvailableText, mtInformation);
    return false;
  }
  return ShellOpenOrTell(nullptr, Path, "the file \"" + Memo2FirstLine + "\"");
}
