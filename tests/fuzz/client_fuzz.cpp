// The client's readers of what the server and the user's files give it.  The first byte picks
// the reader: 'r' a record reply, 'c' a configuration reply, 'a' the address print stream, 'l'
// a text reply read as lines (every judgement of the server functions, the relationship list
// and its diagram), 'd' a delimited file imported, 'h' an HTML page imported as a table and as
// list items, 'b' a catalogue page of the book import.  The rest is the input.
#include "client/core/data_import.h"
#include "client/core/record_streams.h"
#include "client/core/relationship.h"
#include "client/core/server_requests.h"
#include "controls/grid/qn_grid.h"
#include "tests/sample_records.h"
#include "fuzz_support.h"
#include "platform/headless/headless_modal.h"
#include "platform/headless/headless_peer.h"
#include "records/value_stream.h"

namespace {

// The server's record reply.
std::string RecordReply() {
  std::string Bytes;
  TValueWriter W(Bytes);
  ItemRecord R = samples::SampleRecord();
  R.Memos[2] = {"1 High Street", "Town"};
  WriteItemRecord(W, R, TRecordForm::Stream);
  return Bytes;
}

// The server's configuration reply.
std::string ConfigurationReply() {
  TConfiguration C = samples::SampleConfiguration();
  std::string Bytes;
  TValueWriter W(Bytes);
  WriteConfiguration(W, C, 3);
  return Bytes;
}

// The server's address print stream: a count, then code, title and address of each record.
std::string AddressReply() {
  std::string Bytes;
  TValueWriter W(Bytes);
  W.WriteInteger(2);
  for (const char* Code : {"AAAAAAAA", "BBBBBBBB"}) {
    W.WriteString(Code);
    W.WriteString(std::string("Name of ") + Code);
    W.WriteChars("1 High Street\r\nTown\r\n");
  }
  return Bytes;
}

// A text reply as the server writes it: URL-encoded lines, each ended by CR.
std::string TextReply(const std::vector<std::string>& Lines) {
  std::string Reply;
  for (const std::string& L : Lines) Reply += URLEncodeValue(L) + "\r";
  return Reply;
}

std::string CsvOfGrid() {
  TQnStringGrid G(nullptr);
  G.SetColCount(3);
  G.SetRowCount(3);
  G.SetCells(0, 0, "Name");
  G.SetCells(1, 0, "Say \"hi\", twice");
  G.SetCells(2, 1, "two\r\nlines");
  G.SetCells(0, 2, "12.5");
  const std::string Path = fuzz::PrivateFolder() + "seed.csv";
  G.SaveToCSV(Path);
  std::string Bytes = ReadWholeFile(Path);
  ::unlink(Path.c_str());
  return Bytes;
}

class TReplyTransport : public TServerTransport {
public:
  std::string Reply;
  std::string Send(const TClientRequest&) override { return Reply; }
};

std::vector<std::string> SplitAtLf(const std::string& Text) {
  std::vector<std::string> Lines;
  std::string_view Rest(Text);
  while (!Rest.empty()) Lines.emplace_back(fuzz::Take(Rest, '\n'));
  return Lines;
}

void ReplyLines(const std::string& Reply) {
  TReplyTransport Transport;
  Transport.Reply = Reply;
  TServerSession Session(Transport);
  Session.ServerURL = "http://127.0.0.1/qnserver.exe";
  Session.DatabaseName = "Books";
  Session.InitializeRequest();
  Session.SetParameter("Name", "Jump", true);
  if (!Session.GetServerPath()) return;
  for (const char* Kind : {"Quantity", "Jump", "Replace", "DuplicateBarcode", "EmailList", "SendRecordList",
                           "ReminderReport", "QuantityReport", "ValueReport", "Other"}) {
    std::vector<std::string> Lines;
    std::string Code;
    Session.CheckResult(Kind, &Lines, &Code);
  }
  IsSaveReply(Reply);
  IsErrorReply(Reply);
  const std::vector<std::string> Lines = SplitReplyLines(Reply);
  const TRelateData Data = ParseRelateReply(Lines);
  if (!Data.Codes.empty()) {
    GenerateDiagram(Data, Data.Codes[0], 3, 640, 480,
                    [](const std::string& Name) { return static_cast<int>(Name.size()) * 7; });
  }
  for (const std::string& L : Lines) {
    RelationCode(L);
    HexTextToInt64(L);
    SafeBaseName(L);
  }
}

void Import(const std::string& Bytes, bool Html) {
  TReplyTransport Transport;
  TServerSession Session(Transport);
  TQnStringGrid Grid(nullptr);
  TImportLogic Logic(Session, Grid);
  bool Loaded;
  if (Html) {
    std::vector<std::string> Lines = SplitAtLf(Bytes);
    ListItemImport(Lines);
    Loaded = Logic.LoadHtml(Lines, fuzz::PrivateFolder());
  } else {
    const std::string Path = fuzz::PrivateFolder() + "import.csv";
    WriteWholeFile(Path, Bytes);
    Loaded = Logic.LoadFile(Path);
  }
  if (!Loaded) return;
  TConfiguration Config;
  SetDefaultFieldNames(Config);
  std::vector<TImportFieldItem> Menu = ImportFieldMenu(Config, "Title");
  for (int Col = 0; Col < Grid.ColCount() && Col < static_cast<int>(Menu.size()); ++Col)
    Logic.SelectField(Col, Menu[static_cast<std::size_t>(Col)]);
  Logic.SetFieldMenuEnableState(Menu);
  ImportBody(Grid, Logic.ColumnCodes());
}

void SetUp() { InstallHeadlessBackend(); }

}  // namespace

std::vector<std::string> FuzzSeeds() {
  return {"r" + RecordReply(),
          "c" + ConfigurationReply(),
          "a" + AddressReply(),
          "l" + TextReply({"<HTML>", "Quantity Field: 5", "success", "ABCDEFGH", "x", "</HTML>"}),
          "l" + TextReply({"<HTML>", "*** Relate List Start ***", "AAAAAAAA", "First", "", "Parent: BBBBBBBB",
                           "*** Finish ***", "BBBBBBBB", "Second", "", "Child: AAAAAAAA", "*** Finish ***",
                           "*** Relate List End ***", "</HTML>"}),
          "d" + CsvOfGrid(),
          "h<table>\n<tr><th>Name</th><th>Price</th></tr>\n<tr><td>a&nbsp;b &amp; c</td><td>&#8211;3</td></tr>\n"
          "</table>\n<ul><li>One &amp; two<li><b>three</b> four</ul>",
          "b" + TextReply({"<HTML>", "Title:</TH><TD dir=\"ltr\"> A book / by Someone<", "ISBN:</TH><TD dir=\"ltr\"> 123<",
                           "Type of Material:</TH><TD>Book<", "Description:</TH><TD dir=\"ltr\"> 200 p.<"})};
}

QN_FUZZ_SET_UP_THEN_SEEDS(SetUp)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
  if (Size == 0) return 0;
  const std::string Bytes(fuzz::AsView(Data + 1, Size - 1));
  // Questions a failed import asks are answered with their default, quietly.
  THeadlessModalScript Quiet;
  Quiet.OnFailure = [](const std::string&) {};
  try {
    switch (Data[0]) {
      case 'r': {
        ItemRecord Record = samples::SampleRecord();
        if (ReadRecordStream(Bytes, Record) && Record.Code.size() > 8) __builtin_trap();
        break;
      }
      case 'c': {
        TConfiguration Config;
        SetDefaultFieldNames(Config);
        if (ReadConfigurationStream(Bytes, Config)) {
          // What was read is written and read back.
          TChangeMask Mask;
          Mask.SetAll(true);
          WriteConfigurationStream(Mask, Config);
        }
        break;
      }
      case 'a': {
        TEntryList List;
        ReadEntryList(Bytes, List);
        break;
      }
      case 'l':
        ReplyLines(Bytes);
        break;
      case 'd':
        Import(Bytes, false);
        break;
      case 'h':
        Import(Bytes, true);
        break;
      case 'b':
        ParseBookPage(BookPageText(Bytes));
        ParseBookPage(Bytes);
        break;
      default:
        break;
    }
  } catch (const Exception&) {
  }
  return 0;
}
