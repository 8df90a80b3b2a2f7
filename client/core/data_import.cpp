#include "client/core/data_import.h"

#include <algorithm>
#include <fstream>

#include "client/core/record_streams.h"
#include "client/core/server_requests.h"
#include "controls/grid/qn_grid.h"
#include "platform/rtl/sysutils.h"
#include "platform/ui/modal_service.h"
#include "records/value_stream.h"

namespace {

void ReplaceUpTo(std::string& S, const std::string& From, const std::string& To, int Times) {
  std::size_t At = 0;
  for (int i = 0; i < Times; ++i) {
    At = S.find(From, At);
    if (At == std::string::npos) return;
    S.replace(At, From.size(), To);
    At += To.size();
  }
}

std::string TrimBlanksAndTabs(const std::string& S) {
  const auto B = S.find_first_not_of(" \t");
  if (B == std::string::npos) return "";
  return S.substr(B, S.find_last_not_of(" \t") - B + 1);
}

std::string Quoted(const std::string& S) {
  std::string Out = "\"";
  for (char C : S) {
    if (C == '"') Out += '"';  // a quote inside a cell stays one cell
    Out += C;
  }
  return Out + "\"";
}

// The restorer of the import's time-out and the window's state.
struct TImportScope {
  TImportLogic& L;
  const std::function<void(bool)>& Enable;
  const std::function<void(int)>& TimeOut;
  TImportScope(TImportLogic& Logic, const std::function<void(bool)>& E, const std::function<void(int)>& T)
      : L(Logic), Enable(E), TimeOut(T) {
    if (Enable) Enable(false);
    if (TimeOut) TimeOut(1000);
  }
  ~TImportScope() {
    if (TimeOut) TimeOut(360);
    if (Enable) Enable(true);
  }
};

}  // namespace

std::vector<TImportFieldItem> ImportFieldMenu(const TConfiguration& Config, const std::string& RecordTitle) {
  std::vector<TImportFieldItem> Items{{"Not Assigned", ImportNotAssigned}};
  for (int n = 0; n < 10; ++n) Items.push_back({Config.DescriptionNames[n], 10 * n});
  for (int n = 0; n < 10; ++n) Items.push_back({Config.DetailNames[n], 100 + 10 * n});
  Items.push_back({RecordTitle, 210});
  for (int n = 0; n < 6; ++n) Items.push_back({Config.OtherNames[n], 300 + 10 * n});
  return Items;
}

std::vector<std::string> ParseImport(const std::vector<std::string>& Lines) {
  std::vector<std::string> Out;
  std::string Line, Cell, Tag;
  bool InTag = false;
  auto Judge = [&] {
    // The tag's first four characters with its "<": "</td", "</th", "</tr".
    const std::string Head = LowerCase(Tag.substr(0, 3));
    if (Head == "/td" || Head == "/th") {
      std::string C = Cell;
      ReplaceUpTo(C, "&nbsp;", " ", 5);
      ReplaceUpTo(C, "&ndash;", "-", 5);
      ReplaceUpTo(C, "&#8211;", "-", 5);
      ReplaceUpTo(C, "&quot;", " ", 10);
      ReplaceUpTo(C, "&amp;", " ", 100);
      ReplaceUpTo(C, "       ", "", 5);
      C = TrimBlanksAndTabs(C);
      if (!Line.empty()) Line += ',';
      Line += Quoted(C);
      Cell.clear();
    } else if (Head == "/tr") {
      Out.push_back(Line);
      Line.clear();
    }
  };
  for (const std::string& Source : Lines) {
    const std::string Text = Source.empty() ? std::string(" ") : Source;
    for (char C : Text) {
      if (C == '<') {
        InTag = true;
        Tag.clear();
      } else if (C == '>') {
        InTag = false;
        Judge();
      } else {
        Tag += C;
        if (!InTag) Cell += C;
      }
    }
  }
  return Out;
}

std::vector<std::string> ListItemImport(const std::vector<std::string>& Lines) {
  std::vector<std::string> Out;
  for (const std::string& Source : Lines) {
    std::string L = Source;
    if (LowerCase(L).find("<li") == std::string::npos) {
      Out.push_back(L);
      continue;
    }
    std::size_t At;
    while ((At = L.find("&amp;")) != std::string::npos) L.replace(At, 5, " & ");
    // The text pieces between the tags become the fields.
    std::vector<std::string> Fields;
    std::string Piece;
    bool InTag = false;
    for (char C : L) {
      if (C == '<') {
        InTag = true;
        if (!TrimBlanksAndTabs(Piece).empty()) Fields.push_back(TrimBlanksAndTabs(Piece));
        Piece.clear();
      } else if (C == '>') {
        InTag = false;
      } else if (!InTag) {
        Piece += C;
      }
    }
    if (!TrimBlanksAndTabs(Piece).empty()) Fields.push_back(TrimBlanksAndTabs(Piece));
    std::string Joined;
    for (const auto& F : Fields) Joined += (Joined.empty() ? "" : ",") + Quoted(F);
    Out.push_back(Joined);
  }
  return Out;
}

std::string ImportBody(TQnStringGrid& Grid, const std::vector<int>& ColumnCodes) {
  std::string Body = GridToStream(Grid);
  TValueWriter W(Body);
  for (int i = 0; i < ImportCodeCount; ++i)
    W.WriteInteger(i < static_cast<int>(ColumnCodes.size()) && i < Grid.ColCount() ? ColumnCodes[i] : 0);
  return Body;
}

TImportLogic::TImportLogic(TServerSession& Session, TQnStringGrid& Grid) : FSession(Session), FGrid(Grid) {}

bool TImportLogic::LoadFile(const std::string& FileName) {
  if (FileName.empty()) return false;
  // What an earlier file left goes first.
  ClearImportGrid();
  FGrid.FieldDelimiter = ',';
  try {
    FGrid.LoadFromCSV(FileName);
  } catch (const std::exception& E) {
    MessageDlg(E.what(), mtError, {mbOK});
    return false;
  }
  bool Data = FGrid.RowCount() > 1;
  for (int c = 0; c < FGrid.ColCount() && !Data; ++c) Data = !FGrid.Cells(c, 0).empty();
  if (!Data) return false;
  FGrid.InsertRows(0, 1);
  FCodes.assign(static_cast<std::size_t>(FGrid.ColCount()), ImportUnchosen);
  if (FGrid.RowCount() <= 1) return false;
  FGrid.SetFixedRows(1);
  for (int c = 0; c < FGrid.ColCount(); ++c) FGrid.SetCells(c, 0, "Not Assigned");
  return true;
}

bool TImportLogic::LoadHtml(std::vector<std::string>& Lines, const std::string& Folder) {
  Lines = ParseImport(Lines);
  const std::string Path = Folder + "html.csv";
  {
    std::ofstream F(Path, std::ios::binary | std::ios::trunc);
    for (const auto& L : Lines) F << L << "\r\n";
    if (!F) return false;
  }
  return LoadFile(Path);
}

void TImportLogic::SelectField(int Column, const TImportFieldItem& Item) {
  if (Column < 0 || Column >= FGrid.ColCount()) return;
  if (static_cast<int>(FCodes.size()) < FGrid.ColCount())
    FCodes.resize(static_cast<std::size_t>(FGrid.ColCount()), ImportUnchosen);
  FGrid.SetCells(Column, 0, Item.Caption);
  FCodes[static_cast<std::size_t>(Column)] = Item.Code;
}

void TImportLogic::SetFieldMenuEnableState(std::vector<TImportFieldItem>& Items) const {
  for (auto& I : Items) I.Enabled = true;
  if (FGrid.ColCount() < 2) return;
  for (auto& I : Items)
    for (int Code : FCodes)
      if (Code < ImportNotAssigned && Code == I.Code) I.Enabled = false;
}

bool TImportLogic::PerformImport() {
  if (FGrid.ColCount() > ImportCodeCount) {
    MessageDlg(TooManyColumnsText, mtError, {mbOK});
    return false;
  }
  bool Sent = false;
  {
    TImportScope Scope(*this, EnableForm, SetTimeOut);
    try {
      const std::string Body = ImportBody(FGrid, FCodes);
      FSession.WriteDiagnostic("logsend.txt", Body);
      FSession.WriteDiagnostic("logdata.txt", FSession.Post("M", Body));
      Sent = true;
    } catch (const std::exception&) {
      Sent = false;
    }
    if (Sent) {
      FGrid.SetFixedRows(0);
      FGrid.SetRowCount(1);
      for (int c = 0; c < FGrid.ColCount(); ++c) FGrid.SetCells(c, 0, "");
      FCodes.assign(FCodes.size(), ImportUnchosen);
    }
  }
  MessageDlg(Sent ? SuccessText : FailureText, Sent ? mtInformation : mtError, {mbOK});
  return Sent;
}

void TImportLogic::ClearImportGrid() {
  FGrid.SetFixedRows(0);
  FGrid.SetRowCount(1);
  FGrid.SetColCount(1);
  FGrid.SetCells(0, 0, "");
  FCodes.clear();
}

// ---- Book import -------------------------------------------------------------------------------------

std::string BookPageText(const std::string& Reply) {
  std::string Page;
  for (const std::string& L : SplitReplyLines(Reply)) Page += L + "\n";
  return Page;
}

TBookFields ParseBookPage(const std::string& Page) {
  const std::string Q = "\"";
  auto After = [&](const std::string& Label) {
    const auto At = Page.find(Label);
    if (At == std::string::npos) return std::string();
    const auto From = At + Label.size();
    const auto To = Page.find('<', From);
    return Page.substr(From, To == std::string::npos ? std::string::npos : To - From);
  };
  const std::string Ltr = "</TH><TD dir=" + Q + "ltr" + Q + "> ";
  TBookFields B;
  B.RecordName = After("Title:" + Ltr);
  auto Part = [&](const std::string& Sep) {
    const auto At = B.RecordName.find(Sep);
    return At == std::string::npos ? std::string() : B.RecordName.substr(At + Sep.size());
  };
  B.Details[0] = Part("/ by ");
  if (B.Details[0].empty()) B.Details[0] = Part("/ ");
  B.Details[2] = After("Edition Information:" + Ltr);
  B.Details[3] = After("Published/Created:" + Ltr);
  B.Details[1] = After("Type of Material:</TH><TD>");
  B.Details[5] = After("ISBN:" + Ltr);
  B.Details[4] = After("Description:" + Ltr);
  return B;
}
