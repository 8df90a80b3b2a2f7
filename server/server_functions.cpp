#include "server/server_functions.h"

#include <functional>
#include <utility>

#include "platform/rtl/sysutils.h"

namespace {

const char* const Begin = "<HTML>";
const char* const End = "</HTML>";

bool IsOnText(const std::string& Text, bool Current) {
  if (Text == "On") return true;
  if (Text == "Off") return false;
  return Current;
}

// The field of a bulk-change code (0-9 descriptions, 10-19 details, 23-28 others, 30 and up
// the name); null for the codes that name none.  Description is set to the description number.
template <class TRecord>
auto BulkField(TRecord& Record, int Code, int& Description) -> decltype(&Record.Name) {
  Description = -1;
  if (Code >= 0 && Code <= 9) {
    Description = Code;
    return &Record.Descriptions[static_cast<std::size_t>(Code)];
  }
  if (Code >= 10 && Code <= 19) return &Record.Details[static_cast<std::size_t>(Code - 10)];
  if (Code >= 23 && Code <= 28) return &Record.Others[static_cast<std::size_t>(Code - 23)];
  if (Code >= 30) return &Record.Name;
  return nullptr;
}

std::string& MutableField(ItemRecord& Record, int Code) {
  int Description;
  return *BulkField(Record, Code, Description);
}

class TFunctions {
public:
  explicit TFunctions(const THandlerContext& Context)
      : C(Context), D(Context.Database), Request(Context.Request) {}

  void Run(const std::string& Name);

private:
  std::string Field(const std::string& Name) const { return Request.GetField(Name); }
  // The last record whose BarcodeField field is "Barcode"; -1 when none is.
  int BarcodeLookup(int BarcodeField) const;
  void Add();
  void Jump();
  void DuplicateBarcode();
  void BarcodeRequest();
  void EmailList();
  void ReminderReport();
  void ListRecords();
  void RelateRecords();
  void QuantityReport();
  void ValueReport();
  void Replace();
  void SetDefault();
  void SetConditional();
  void MoveLine(TGridLineMove Move);
  // "<HTML>", "Barcode Field: " + its text, Work when it is a number, "</HTML>".
  void BarcodeFunction(const std::function<void(int BarcodeField)>& Work);
  // "SUCCESS", the code and what Found writes for the barcode lookup's record, or "FAILURE".
  void BarcodeAnswer(int BarcodeField, const std::function<void(const ItemRecord&)>& Found);
  // "<HTML>", "*** " + Title + " Begin ***", per record its code and what PerRecord writes, then
  // "*** " + Title + " End ***" and "</HTML>".
  void RecordList(const std::string& Title, const std::function<void(const ItemRecord&)>& PerRecord);
  // Marks the database changed when any record was (Description: a description changed, -1
  // none), saves, then answers "success" and Count.
  void Changed(int Count, bool Any, int Description);

  const THandlerContext& C;
  TDatabase& D;
  TServerRequest& Request;
};

int TFunctions::BarcodeLookup(int BarcodeField) const {
  const std::string Barcode = Field("Barcode");
  for (int i = D.Count() - 1; i >= 0; --i)
    if (ReturnValue(std::as_const(D).Record(i), BarcodeField) == Barcode) return i;
  return -1;
}

void TFunctions::Add() {
  C.Reply(Begin);
  const std::string Barcode = Field("Barcode");
  int BarcodeField = 0;
  const bool BarcodeNumeric = TryStrToInt(Field("BarcodeField"), BarcodeField);
  int Index = -1;
  if (Barcode.empty())
    Index = D.FindRecordIndex(Field("Record"));
  else if (BarcodeNumeric)
    Index = BarcodeLookup(BarcodeField);
  if (Index < 0) return C.Reply("FAILURE</HTML>");
  const int Amount = StrToIntDef(Field("Amount"), 0);
  const std::string QuantityText = Field("QuantityField");
  C.Reply("Quantity Field: " + QuantityText);
  int QuantityField = 0;
  if (TryStrToInt(QuantityText, QuantityField)) {
    C.Reply("AT FIELD");
    const std::string Value =
        AddAmount(C, ReturnValue(std::as_const(D).Record(Index), QuantityField), Amount);
    UpdateValue(D.Record(Index), QuantityField, Value);
    D.Changed = true;
  }
  C.SaveDatabase();
  C.Reply("SUCCESS</HTML>");
}

void TFunctions::BarcodeFunction(const std::function<void(int BarcodeField)>& Work) {
  C.Reply(Begin);
  const std::string FieldText = Field("BarcodeField");
  C.Reply("Barcode Field: " + FieldText);
  int BarcodeField = 0;
  if (TryStrToInt(FieldText, BarcodeField)) Work(BarcodeField);
  C.Reply(End);
}

void TFunctions::BarcodeAnswer(int BarcodeField, const std::function<void(const ItemRecord&)>& Found) {
  const int Index = BarcodeLookup(BarcodeField);
  if (Index < 0) return C.Reply("FAILURE");
  const ItemRecord& R = std::as_const(D).Record(Index);
  C.Reply("SUCCESS");
  C.Reply(R.Code);
  if (Found) Found(R);
}

void TFunctions::Jump() {
  BarcodeFunction([&](int BarcodeField) { BarcodeAnswer(BarcodeField, nullptr); });
}

void TFunctions::DuplicateBarcode() {
  BarcodeFunction([&](int BarcodeField) {
    const std::string Own = Field("Record"), Value = Field("BarcodeValue");
    int Position = -1;
    for (int i = D.Count() - 1; i >= 0 && Position < 0; --i) {
      const ItemRecord& R = std::as_const(D).Record(i);
      if (R.Code != Own && ReturnValue(R, BarcodeField) == Value) Position = i + 1;
    }
    C.Reply(Position == -1 ? "Okay" : "Duplicate");
    C.Reply(std::to_string(Position));
  });
}

void TFunctions::BarcodeRequest() {
  BarcodeFunction([&](int BarcodeField) {
    BarcodeAnswer(BarcodeField, [&](const ItemRecord& R) {
      for (int n = 1; n <= 10; ++n) {
        const std::string Code = Field("Field" + std::to_string(n));
        if (Code.empty()) continue;
        int Number = 0;
        C.Reply(TryStrToInt(Code, Number) ? PutFieldValue(R, Number) : "*** Error ***");
      }
    });
  });
}

void TFunctions::RecordList(const std::string& Title,
                            const std::function<void(const ItemRecord&)>& PerRecord) {
  C.Reply(Begin);
  C.Reply("*** " + Title + " Begin ***");
  for (int i = 0; i < D.Count(); ++i) {
    const ItemRecord& R = std::as_const(D).Record(i);
    C.Reply(R.Code);
    PerRecord(R);
  }
  C.Reply("*** " + Title + " End ***");
  C.Reply(End);
}

void TFunctions::EmailList() {
  const int NameField = C.IntField("NameField"), EmailField = C.IntField("EmailField");
  RecordList("Email Data", [&](const ItemRecord& R) {
    C.Reply(NameField == -1 ? R.Name : ReturnValue(R, NameField));
    C.Reply(ReturnValue(R, EmailField));
  });
}

void TFunctions::ReminderReport() {
  const int ReminderField = C.IntField("ReminderField");
  RecordList("Reminder Data", [&](const ItemRecord& R) {
    C.Reply(R.Name);
    C.Reply(ReturnValue(R, ReminderField));
  });
}

void TFunctions::ListRecords() {
  RecordList("Record List", [&](const ItemRecord& R) { C.Reply(R.Name); });
}

void TFunctions::RelateRecords() {
  RecordList("Relate List", [&](const ItemRecord& R) {
    C.Reply(R.Name);
    C.Reply("*** Start ***");
    for (std::size_t d = 0; d < 10; ++d)
      if (D.Config.DescriptionKinds[d] == "Relational") C.Reply(R.Descriptions[d]);
    C.Reply("*** Finish ***");
  });
}

void TFunctions::QuantityReport() {
  const int Quantity = C.IntField("QuantityField"), Desired = C.IntField("DesiredField"),
            Barcode = C.IntField("BarcodeField");
  RecordList("Quantity Data", [&](const ItemRecord& R) {
    C.Reply(R.Name);
    C.Reply(ReturnValue(R, Barcode));
    C.Reply(ReturnValue(R, Quantity));
    C.Reply(ReturnValue(R, Desired));
  });
}

void TFunctions::ValueReport() {
  int Codes[5];
  for (int n = 0; n < 5; ++n) Codes[n] = C.IntField("Value" + std::to_string(n + 1) + "Field");
  RecordList("Value Data", [&](const ItemRecord& R) {
    C.Reply(R.Name);
    for (int Code : Codes)
      if (Code != -1) C.Reply(ReturnValue(R, Code));
  });
}

void TFunctions::Changed(int Count, bool Any, int Description) {
  if (Any) {
    D.Changed = true;
    if (Description >= 0) D.RecomputeDistinctValues(Description);
  }
  C.SaveDatabase();
  C.Reply(Begin);
  C.Reply("success");
  C.Reply(std::to_string(Count));
  C.Reply(End);
}

void TFunctions::Replace() {
  const int Code = C.IntField("field");
  const std::string Old = Field("oldvalue"), New = Field("newvalue");
  int Description = -1, Count = 0;
  for (int i = 0; i < D.Count(); ++i) {
    const std::string* Value = BulkField(std::as_const(D).Record(i), Code, Description);
    if (!Value) continue;
    if (Old.empty()) {
      MutableField(D.Record(i), Code) = New;
      ++Count;
    } else if (const auto At = Value->find(Old); At != std::string::npos) {
      MutableField(D.Record(i), Code).replace(At, Old.size(), New);
      ++Count;
    }
  }
  Changed(Count, Count > 0, Description);
}

void TFunctions::SetDefault() {
  const int Code = C.IntField("field");
  const std::string New = Field("newvalue");
  Field("oldvalue");
  int Description = -1;
  bool Any = false;
  for (int i = 0; i < D.Count(); ++i)
    if (BulkField(std::as_const(D).Record(i), Code, Description)) {
      MutableField(D.Record(i), Code) = New;
      Any = true;
    }
  Changed(D.Count(), Any, Description);
}

void TFunctions::SetConditional() {
  const int Condition = C.IntField("cfield"), Code = C.IntField("field");
  const std::string Old = Field("oldvalue"), New = Field("newvalue");
  int Description = -1, Unused = -1, Count = 0;
  for (int i = 0; i < D.Count(); ++i) {
    const ItemRecord& R = std::as_const(D).Record(i);
    const std::string* Test = BulkField(R, Condition, Unused);
    if (!Test || *Test != Old || !BulkField(R, Code, Description)) continue;
    MutableField(D.Record(i), Code) = New;
    ++Count;
  }
  Changed(Count, Count > 0, Description);
}

void TFunctions::MoveLine(TGridLineMove Move) {
  const std::string Record = Field("Record");
  if (!MoveGridItem(C, Record, Field("GridID"), Field("LineID"), Move)) {
    C.Reply(Begin + (Record.empty() ? std::string("not found") : Record));
    C.Reply("Failure</HTML>");
  }
}

void TFunctions::Run(const std::string& Name) {
  if (Name == "Add") return Add();
  if (Name == "Jump") return Jump();
  if (Name == "DuplicateBarcode") return DuplicateBarcode();
  if (Name == "BarcodeRequest") return BarcodeRequest();
  if (Name == "EmailList") return EmailList();
  if (Name == "ReminderReport") return ReminderReport();
  if (Name == "ListRecords") return ListRecords();
  if (Name == "RelateRecords") return RelateRecords();
  if (Name == "QuantityReport") return QuantityReport();
  if (Name == "ValueReport") return ValueReport();
  if (Name == "Replace") return Replace();
  if (Name == "SetDefault") return SetDefault();
  if (Name == "SetConditional") return SetConditional();
  if (Name == "RemoveLine") return MoveLine(TGridLineMove::Remove);
  if (Name == "MoveUpLine") return MoveLine(TGridLineMove::Up);
  if (Name == "MoveDownLine") return MoveLine(TGridLineMove::Down);
  C.Reply("<HTML>Function not defined</HTML>");
}

}  // namespace

std::string ReturnValue(const ItemRecord& Record, int Code) {
  const auto At = [](int Index) { return static_cast<std::size_t>(Index); };
  if (Code >= 0 && Code <= 9) return Record.Details[At(Code)];
  if (Code >= 21 && Code <= 26) return Record.Others[At(Code - 21)];
  if (Code == 27) return Record.Name;
  if (Code >= 31 && Code <= 33) return Record.ExtraStrings[At(Code - 31)];
  if (Code >= 34 && Code <= 36) return std::to_string(Record.ExtraIntegers[At(Code - 34)]);
  if (Code == 40) return Record.Details[9];
  if (Code >= 41 && Code <= 50) return Record.Descriptions[At(Code - 41)];
  return {};
}

std::string PutFieldValue(const ItemRecord& Record, int Code) {
  if (Code == 28) return Record.Code;
  if (Code >= 91 && Code <= 96) return Record.Images[static_cast<std::size_t>(Code - 91)].FileName;
  return ReturnValue(Record, Code);
}

void UpdateValue(ItemRecord& Record, int Code, const std::string& Text) {
  const auto At = [](int Index) { return static_cast<std::size_t>(Index); };
  if (Code >= 0 && Code <= 9) Record.Details[At(Code)] = Text;
  else if (Code >= 21 && Code <= 26) Record.Others[At(Code - 21)] = Text;
  else if (Code == 27) Record.Name = Text;
  else if (Code >= 31 && Code <= 33) Record.ExtraStrings[At(Code - 31)] = Text;
  else if (Code >= 34 && Code <= 36) Record.ExtraIntegers[At(Code - 34)] = StrToInt(Text);
  else if (Code >= 40 && Code <= 42) Record.Checks[At(Code - 40)] = IsOnText(Text, Record.Checks[At(Code - 40)]);
}

std::string AddAmount(const THandlerContext& Context, const std::string& Current, int Amount) {
  Context.Reply("AT ADD " + Current);
  int Value = 0;
  if (TryStrToInt(Current, Value)) return std::to_string(static_cast<long long>(Value) + Amount);
  return std::to_string(Amount);
}

bool MoveGridItem(const THandlerContext& Context, const std::string& RecordCode,
                  const std::string& GridID, const std::string& LineID, TGridLineMove Move) {
  TDatabase& D = Context.Database;
  const int Index = D.FindRecordIndex(RecordCode);
  if (Index < 0) return false;
  const TRecordGrid Which = GridID == "3" ? TRecordGrid::Grid3 : TRecordGrid::Grid4;
  TQnStringGrid Grid(nullptr);
  PrepareWorkGrid(Grid);
  LoadRecordGrid(D, std::as_const(D).Record(Index), Which, Grid);
  const int Row = ReturnLineID(Grid, LineID);
  if (Row < 0) return true;
  if (Move == TGridLineMove::Remove)
    Grid.RemoveRows(Row, 1);
  else if (Move == TGridLineMove::Up && Row > 1)
    Grid.ExchangeRows(Row, Row - 1);
  else if (Move == TGridLineMove::Down && Row < Grid.RowCount() - 2)
    Grid.ExchangeRows(Row, Row + 1);
  SaveRecordGrid(D.Record(Index), Which, Grid);
  D.Changed = true;
  Context.SaveDatabase();
  return true;
}

void ProcessHTMLRequest(const THandlerContext& Context) {
  TFunctions Functions(Context);
  try {
    Functions.Run(Context.Request.GetField("Function"));
  } catch (const std::exception&) {
    const std::string Record = Context.Request.GetField("Record");
    Context.Reply("<HTML>" + (Record.empty() ? std::string("not found") : Record));
    Context.Reply("Failure</HTML>");
  }
}
