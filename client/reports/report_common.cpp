#include "client/reports/report_common.h"

#include "controls/grid/print_settings_dialog.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/path_text.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

TFieldCaptions CaptionsFromConfiguration(const TConfiguration& Config) {
  TFieldCaptions C;
  C.DescriptionNames = Config.DescriptionNames;
  C.DetailNames = Config.DetailNames;
  C.DetailKinds = Config.DetailKinds;
  C.OtherNames = Config.OtherNames;
  C.OtherKinds = Config.OtherKinds;
  C.ItemNames = Config.ItemNames;
  C.Trees = Config.DescriptionTrees;
  C.StatusCaption = Config.StatusWord.empty() ? "Status" : Config.StatusWord;
  C.RecordTitle = "Name";
  C.NotesTitles = {"Notes 1", "Notes 2", "Notes 3"};
  C.CheckBoxCaptions = {"Working", "Available", "Not Available"};
  C.ItemColumns = {"Item", "Value", "Notes"};
  C.PageCaptions = {"Record", "Items", "Grid 3", "Grid 4", "Notes", "Text", "Pictures", ""};
  for (int g = 0; g < 2; ++g) {
    auto& Headers = g == 0 ? C.Grid3Headers : C.Grid4Headers;
    auto& Kinds = g == 0 ? C.Grid3Kinds : C.Grid4Kinds;
    const int Count = g == 0 ? Config.Grid3Columns : Config.Grid4Columns;
    Headers.assign(1, "ID");
    Kinds.assign(1, "Text");
    for (int c = 1; c <= std::min(Count, 10); ++c) {
      Headers.push_back("Column " + std::to_string(c));
      Kinds.push_back("Text");
    }
  }
  return C;
}

std::string GridColumnKind(const std::string& InputKind) {
  const std::string K = LowerCase(InputKind);
  if (K.find("menu=") == std::string::npos) {
    if (K.find("date") != std::string::npos) return "Date";
    if (K.find("money") != std::string::npos || K.find("numeric") != std::string::npos) return InputKind;
  }
  return "Text";
}

bool IsBarcodeColumn(const TFieldCaptions& C, const std::string& Caption) {
  const auto Barcode = [&](const auto& Names, const auto& Kinds) {
    for (std::size_t i = 0; i < Names.size() && i < Kinds.size(); ++i)
      if (!Names[i].empty() && Names[i] == Caption && LowerCase(Kinds[i]).find("barcode") != std::string::npos)
        return true;
    return false;
  };
  return !Caption.empty() && (Barcode(C.DetailNames, C.DetailKinds) || Barcode(C.OtherNames, C.OtherKinds));
}

std::string GridStreamText(TQnStringGrid& Grid) {
  TStringStream S;
  Grid.SaveToStream(S);
  return S.DataString();
}

void LoadGridStream(TQnStringGrid& Grid, const std::string& Text) {
  TStringStream S(Text);
  Grid.LoadFromStream(S);
}

void PrintGridDirectly(TQnStringGrid& Grid) { Grid.Print(); }

bool RunPrintSettings(TQnStringGrid& Grid) {
  TQnGridPrintSettingsDialog Dialog(nullptr);
  Dialog.SetGrid(&Grid);
  return Dialog.Execute();
}

void ClearCells(TStringGrid& Grid) {
  for (int r = 0; r < Grid.RowCount(); ++r)
    for (int c = 0; c < Grid.ColCount(); ++c) {
      if (!Grid.Cells(c, r).empty()) Grid.SetCells(c, r, "");
      Grid.SetObjects(c, r, nullptr);
    }
}

TStringGrid& AsStringGrid(TQnStringGrid& Grid) { return Grid; }

std::string ExportFileName(const std::string& FileName, int Kind) {
  const std::string Ext = ExtractFileExt(FileName);
  const char* Own = Kind == 0 ? ".xlsx" : Kind == 1 ? ".csv" : ".htm";
  if (Ext.empty()) return FileName + Own;
  if (Kind == 0 && SameText(Ext, ".xls")) return FileName.substr(0, FileName.size() - Ext.size()) + Own;
  return FileName;
}

void FitColumnsToText(TStringGrid& Grid, bool OnlyGrow) {
  auto* Report = dynamic_cast<TQnStringGrid*>(&Grid);
  if (!Report) return;
  // A grid that cannot measure (not on any window on the desktop backend) keeps its widths.
  try {
    for (int c = 0; c < Report->ColCount(); ++c) Report->AutoSizeColumn(c, OnlyGrow);
  } catch (const std::exception&) {
  }
}

void ExportGrid(TQnStringGrid& Grid, int Kind, const std::string& FileName) {
  switch (Kind) {
    case 0: Grid.SaveToXLS(FileName, "Report"); break;
    case 1: Grid.SaveToCSV(FileName); break;
    default: {
      // The table goes out as a whole page that names its encoding: the cells are UTF-8, and a
      // browser left to guess reads every accented letter as two others.
      THTMLSettings& Settings = Grid.HTMLSettings();
      const std::string Prefix = Settings.PrefixTag, Suffix = Settings.SuffixTag;
      Settings.PrefixTag =
          "<!DOCTYPE html>\r\n<html><head><meta charset=\"utf-8\"></head><body>" + (Prefix.empty() ? "" : "\r\n" + Prefix);
      Settings.SuffixTag = (Suffix.empty() ? "" : Suffix + "\r\n") + "</body></html>";
      try {
        Grid.SaveToHTML(FileName);
      } catch (...) {
        Settings.PrefixTag = Prefix;
        Settings.SuffixTag = Suffix;
        throw;
      }
      Settings.PrefixTag = Prefix;
      Settings.SuffixTag = Suffix;
      break;
    }
  }
}
