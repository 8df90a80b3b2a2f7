#include "controls/grid/grid_options.h"

#include "controls/grid/grid_utils.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/ini_files.h"

// ---- TPrintsettings ----

TPrintsettings::TPrintsettings() : FTitleLines(std::make_unique<TStringList>()) {}

TPrintsettings::~TPrintsettings() = default;

void TPrintsettings::Assign(const TPersistent* Source) {
  const auto* s = dynamic_cast<const TPrintsettings*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  FooterSize = s->FooterSize; HeaderSize = s->HeaderSize; LeftSize = s->LeftSize; RightSize = s->RightSize;
  Time = s->Time; Date = s->Date; PageNr = s->PageNr; Title = s->Title;
  DateFormat = s->DateFormat; TitleText = s->TitleText;
  FTitleLines->Assign(s->FTitleLines.get());
  FFont.Assign(s->FFont); FHeaderFont.Assign(s->FHeaderFont); FFooterFont.Assign(s->FFooterFont);
  Borders = s->Borders; BorderStyle = s->BorderStyle;
  Centered = s->Centered; RepeatFixedRows = s->RepeatFixedRows; RepeatFixedCols = s->RepeatFixedCols;
  UseFixedHeight = s->UseFixedHeight; UseFixedWidth = s->UseFixedWidth; NoAutoSize = s->NoAutoSize;
  PrintGraphics = s->PrintGraphics;
  ColumnSpacing = s->ColumnSpacing; RowSpacing = s->RowSpacing; TitleSpacing = s->TitleSpacing;
  Orientation = s->Orientation; PagePrefix = s->PagePrefix; PageSuffix = s->PageSuffix;
  PageNumSep = s->PageNumSep; FixedWidth = s->FixedWidth; FixedHeight = s->FixedHeight;
  FitToPage = s->FitToPage; JobName = s->JobName;
}

namespace {

std::string YN(bool v) { return v ? "Y" : "N"; }

void WriteFont(TCustomIniFile& ini, const std::string& section, const std::string& prefix,
               const TFont& font) {
  ini.WriteString(section, prefix + "Name", font.Name());
  ini.WriteInteger(section, prefix + "Size", font.Size());
  ini.WriteInteger(section, prefix + "Style", static_cast<int>(font.Style().Bits() & 15));
  ini.WriteInteger(section, prefix + "Color", static_cast<int>(font.Color()));
}

void ReadFont(TCustomIniFile& ini, const std::string& section, const std::string& prefix,
              TFont& font) {
  font.SetName(ini.ReadString(section, prefix + "Name", "Arial"));
  font.SetSize(ini.ReadInteger(section, prefix + "Size", 10));
  // The stored bits are the whole style; bits beyond the four styles are dropped.
  const int bits = ini.ReadInteger(section, prefix + "Style", 0);
  font.SetStyle(TFontStyles::FromBits(static_cast<std::uint64_t>(bits) & 15));
  font.SetColor(static_cast<TColor>(ini.ReadInteger(section, prefix + "Color", 0)));
}

// A stored ordinal outside 0..Max gives the default.
template <class E>
E ReadOrdinal(TCustomIniFile& ini, const std::string& section, const std::string& key, int max,
              E def) {
  const int v = ini.ReadInteger(section, key, static_cast<int>(def));
  return v >= 0 && v <= max ? static_cast<E>(v) : def;
}

}  // namespace

void TPrintsettings::SaveToIni(const std::string& FileName, const std::string& Section) const {
  TMemIniFile ini(FileName);
  const std::string& s = Section;
  ini.WriteInteger(s, "ColumnSpacing", ColumnSpacing);
  ini.WriteInteger(s, "RowSpacing", RowSpacing);
  ini.WriteInteger(s, "TitleSpacing", TitleSpacing);
  ini.WriteInteger(s, "FixedHeight", FixedHeight);
  ini.WriteInteger(s, "FixedWidth", FixedWidth);
  ini.WriteString(s, "Centered", YN(Centered));
  ini.WriteString(s, "NoAutoSize", YN(NoAutoSize));
  ini.WriteString(s, "UseFixedHeight", YN(UseFixedHeight));
  ini.WriteString(s, "UseFixedWidth", YN(UseFixedWidth));
  ini.WriteString(s, "RepeatFixedRows", YN(RepeatFixedRows));
  ini.WriteString(s, "RepeatFixedCols", YN(RepeatFixedCols));
  ini.WriteInteger(s, "Borders", Borders);
  ini.WriteInteger(s, "BorderStyle", static_cast<int>(BorderStyle));
  ini.WriteInteger(s, "Date", Date);
  ini.WriteInteger(s, "PageNr", PageNr);
  ini.WriteInteger(s, "Title", Title);
  ini.WriteInteger(s, "Time", Time);
  ini.WriteString(s, "DateFormat", DateFormat);
  ini.WriteString(s, "TitleText", TitleText);
  ini.WriteInteger(s, "FooterSize", FooterSize);
  ini.WriteInteger(s, "HeaderSize", HeaderSize);
  ini.WriteInteger(s, "LeftSize", LeftSize);
  ini.WriteInteger(s, "RightSize", RightSize);
  ini.WriteInteger(s, "FitToPage", FitToPage);
  WriteFont(ini, s, "Font", FFont);
  WriteFont(ini, s, "HeaderFont", FHeaderFont);
  WriteFont(ini, s, "FooterFont", FFooterFont);
  ini.WriteString(s, "PageNumSep", PageNumSep);
  ini.WriteString(s, "PageSuffix", PageSuffix);
  ini.WriteString(s, "PagePrefix", PagePrefix);
  ini.WriteInteger(s, "Orientation", Orientation);
  ini.WriteString(s, "TitleLines", CRToLiteralNL(FTitleLines->Text()));
  ini.UpdateFile();
}

void TPrintsettings::LoadFromIni(const std::string& FileName, const std::string& Section) {
  TMemIniFile ini(FileName);
  const std::string& s = Section;
  auto yes = [&](const char* key, const char* def) { return ini.ReadString(s, key, def) == "Y"; };
  ColumnSpacing = ini.ReadInteger(s, "ColumnSpacing", 20);
  RowSpacing = ini.ReadInteger(s, "RowSpacing", 20);
  TitleSpacing = ini.ReadInteger(s, "TitleSpacing", 20);
  FixedHeight = ini.ReadInteger(s, "FixedHeight", 0);
  FixedWidth = ini.ReadInteger(s, "FixedWidth", 0);
  Centered = yes("Centered", "Y");
  NoAutoSize = yes("NoAutoSize", "N");
  UseFixedHeight = yes("UseFixedHeight", "N");
  UseFixedWidth = yes("UseFixedWidth", "N");
  RepeatFixedRows = yes("RepeatFixedRows", "N");
  RepeatFixedCols = yes("RepeatFixedCols", "N");
  Borders = ReadOrdinal(ini, s, "Borders", pbCustom, pbNoborder);
  BorderStyle = ReadOrdinal(ini, s, "BorderStyle", static_cast<int>(psInsideFrame), psSolid);
  Date = ReadOrdinal(ini, s, "Date", ppBottomCenter, ppNone);
  PageNr = ReadOrdinal(ini, s, "PageNr", ppBottomCenter, ppNone);
  Title = ReadOrdinal(ini, s, "Title", ppBottomCenter, ppNone);
  Time = ReadOrdinal(ini, s, "Time", ppBottomCenter, ppNone);
  DateFormat = ini.ReadString(s, "DateFormat", "");
  TitleText = ini.ReadString(s, "TitleText", "");
  FooterSize = ini.ReadInteger(s, "FooterSize", 100);
  HeaderSize = ini.ReadInteger(s, "HeaderSize", 100);
  LeftSize = ini.ReadInteger(s, "LeftSize", 100);
  RightSize = ini.ReadInteger(s, "RightSize", 100);
  FitToPage = ReadOrdinal(ini, s, "FitToPage", fpCustom, fpNever);
  ReadFont(ini, s, "Font", FFont);
  ReadFont(ini, s, "HeaderFont", FHeaderFont);
  ReadFont(ini, s, "FooterFont", FFooterFont);
  PageNumSep = ini.ReadString(s, "PageNumSep", "");
  PageSuffix = ini.ReadString(s, "PageSuffix", "");
  PagePrefix = ini.ReadString(s, "PagePrefix", "");
  Orientation = ReadOrdinal(ini, s, "Orientation", poLandscape, poPortrait);
  FTitleLines->SetText(LiteralNLToCR(ini.ReadString(s, "TitleLines", "")));
}

// ---- objects that repaint their grid ----

void TCellNode::SetNodeType(TNodeType Value) {
  FNodeType = Value;
  if (FGrid) FGrid->Invalidate();
}

void TBands::Changed() {
  FPeriod = FPrimaryLength + FSecondaryLength;
  if (FPeriod <= 0) FPeriod = 1;
  if (FActive && FGrid) FGrid->Invalidate();
}

void TBands::SetActive(bool Value) {
  FActive = Value;
  if (FGrid) FGrid->Invalidate();
}
void TBands::SetPrimaryColor(TColor Value) { FPrimaryColor = Value; Changed(); }
void TBands::SetSecondaryColor(TColor Value) { FSecondaryColor = Value; Changed(); }
void TBands::SetPrimaryLength(int Value) { FPrimaryLength = Value < 0 ? 0 : Value; Changed(); }
void TBands::SetSecondaryLength(int Value) { FSecondaryLength = Value < 0 ? 0 : Value; Changed(); }

void TBackGround::Changed() {
  if (FGrid) FGrid->Invalidate();
}

void TBackGround::SetBitmap(const TBitmap& Value) {
  FBitmap.Assign(Value);
  Changed();
}

// ---- column widths ----

namespace {
std::unique_ptr<TCustomIniFile> OpenColumnStore(const TColumnSize& cs) {
  if (cs.Location == clInifile) return std::make_unique<TIniFile>(cs.Key);
  return std::make_unique<TRegIniFile>(cs.Key);
}
}  // namespace

void TQnStringGrid::SaveColumnSizes() {
  if (FColumnSize->Key.empty() || FColumnSize->Section.empty()) return;
  auto store = OpenColumnStore(*FColumnSize);
  for (int i = 0; i < ColCount(); ++i)
    store->WriteInteger(FColumnSize->Section, "col" + std::to_string(i), ColWidths(i));
}

void TQnStringGrid::LoadColumnSizes() {
  if (FColumnSize->Key.empty() || FColumnSize->Section.empty()) return;
  auto store = OpenColumnStore(*FColumnSize);
  for (int i = 0; i < ColCount(); ++i) {
    const int w = store->ReadInteger(FColumnSize->Section, "col" + std::to_string(i), -1);
    if (w != -1) SetColWidths(i, w);
  }
}
