#include "platform/ui/dialogs.h"

#include "platform/gfx/printer.h"
#include "platform/rtl/path_text.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/application.h"

std::string AddDefaultExt(const std::string& fileName, const std::string& defaultExt) {
  if (fileName.empty() || defaultExt.empty()) return fileName;
  if (!ExtractFileExt(fileName).empty()) return fileName;
  // "name." is a name without extension that wants none.
  if (fileName.back() == '.') return fileName.substr(0, fileName.size() - 1);
  return fileName + "." + defaultExt;
}

bool AskPrintFile(const std::string& title, std::string& fileName) {
  TFileDialogRequest r;
  r.Save = true;
  r.Title = title.empty() ? "Print to File" : "Print to File - " + title;
  r.Filter = "PDF files (*.pdf)|*.pdf";
  r.FileName = fileName;
  r.DefaultExt = "pdf";
  r.Options = TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofPathMustExist};
  if (!ModalService().FileDialog(r) || r.FileName.empty()) return false;
  fileName = AddDefaultExt(r.FileName, "pdf");
  return true;
}

// ---- File dialogs ---------------------------------------------------------------------------

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
TOpenDialog::~TOpenDialog() = default;

void TOpenDialog::SetDefaultExt(const std::string& v) {
  FDefaultExt = !v.empty() && v[0] == '.' ? v.substr(1) : v;
}

bool TOpenDialog::Execute() {
  return Run([this] {
    TFileDialogRequest r;
    r.Save = IsSave();
    r.Title = FTitle;
    r.Filter = FFilter;
    r.FilterIndex = FFilterIndex;
    r.FileName = FFileName;
    r.InitialDir = FInitialDir;
    r.DefaultExt = FDefaultExt;
    r.Options = FOptions;
    if (!ModalService().FileDialog(r)) return false;
    FFileName = AddDefaultExt(r.FileName, FDefaultExt);
    FFilterIndex = r.FilterIndex;
    FFiles.Clear();
    if (FOptions.Contains(ofAllowMultiSelect) && !r.Files.empty())
      for (const std::string& f : r.Files) FFiles.Add(AddDefaultExt(f, FDefaultExt));
    else
      FFiles.Add(FFileName);
    return true;
  });
}

// ---- Font, colour, print --------------------------------------------------------------------

bool TFontDialog::Execute() {
  return Run([this] {
    TFont font;
    font.Assign(FFont);
    TFontRequest r{&font, FMin, FMax};
    if (!ModalService().FontDialog(r)) return false;
    FFont.Assign(font);
    return true;
  });
}

namespace {

std::string CustomColorKey(std::size_t i) { return std::string("Color") + static_cast<char>('A' + i); }

}  // namespace

bool TColorDialog::Execute() {
  return Run([this] {
    TColorRequest r;
    r.Color = FColor;
    r.Options = FOptions;
    for (std::size_t i = 0; i < 16; ++i) {
      std::string v = FCustomColors.Values(CustomColorKey(i));
      int c = 0;
      r.CustomColors.push_back(!v.empty() && TryStrToInt("$" + v, c) ? static_cast<TColor>(c) : clWhite);
    }
    if (!ModalService().ColorDialog(r)) return false;
    FColor = r.Color;
    FCustomColors.Clear();
    for (std::size_t i = 0; i < r.CustomColors.size() && i < 16; ++i)
      FCustomColors.Add(CustomColorKey(i) + "=" + IntToHex(static_cast<int>(r.CustomColors[i] & 0xFFFFFF), 6));
    return true;
  });
}

void UsePrintChoice(const TPrintRequest& r) {
  TPrinter& p = Printer();
  const std::string name = r.OutputFile.empty() ? r.PrinterName : kFilePrinterName;
  const std::vector<std::string> names = p.Printers();
  for (std::size_t i = 0; i < names.size(); ++i)
    if (!name.empty() && names[i] == name && static_cast<int>(i) != p.PrinterIndex()) p.SetPrinterIndex(static_cast<int>(i));
  if (!r.OutputFile.empty()) p.SetOutputFile(r.OutputFile, true);
  else if (!r.PrinterName.empty() && p.OutputFileForNextJobOnly()) p.SetOutputFile("");
}

bool TPrintDialog::Execute() {
  if (FRequest.Options.Contains(poPageNums) && FRequest.MaxPage > 0 &&
      (FRequest.FromPage < FRequest.MinPage || FRequest.ToPage > FRequest.MaxPage || FRequest.FromPage > FRequest.ToPage))
    throw EInvalidOperation("Invalid page range");
  return Run([this] {
    TPrintRequest r = FRequest;
    r.PrinterName.clear();
    if (!ModalService().PrintDialog(r)) return false;
    if (r.Copies < 1) r.Copies = 1;
    FRequest = r;
    UsePrintChoice(r);
    return true;
  });
}

bool TPrinterSetupDialog::Execute() {
  return Run([this] {
    TPrintRequest r = FRequest;
    r.PrinterName.clear();
    if (!ModalService().PrinterSetupDialog(r)) return false;
    FRequest = r;
    return true;
  });
}
