#include "client/core/record_window.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "client/core/definition_template.h"
#include "client/core/record_fields.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/random.h"
#include "platform/ui/modal_service.h"

TRecordWindow::TRecordWindow(TServerSession& Session, TRecordView& View)
    : FSession(Session), FView(View) {
  FSession.OnEnableForm = [this](bool Enable) { LockForRequest(Enable); };
  RandomDraw = [](int Range) {
    Randomize();
    return Random(Range);
  };
}

int TRecordWindow::Ask(const std::string& Text, int Type, bool YesNo) {
  BeginModal();
  const int Answer =
      MessageDlg(Text, static_cast<TMsgDlgType>(Type), YesNo ? mbYesNo : TMsgDlgButtons{mbOK});
  EndModal();
  return Answer;
}

namespace {

bool AnyChange(const TChangeMask& Mask) {
  for (int Row = 1; Row <= TChangeMask::Rows; ++Row)
    for (int Col = 0; Col < TChangeMask::Cols; ++Col)
      if (Mask.Get(Row, Col)) return true;
  return false;
}

}  // namespace

void TRecordWindow::RequestProblem() { Ask(RequestProblemText, mtError, false); }

void TRecordWindow::LockForRequest(bool Enable) {
  if (FCommands == 0) {
    FView.EnableForm(Enable);
    return;
  }
  if (Enable) {
    FUnlockDue = FLocked;
    return;
  }
  FUnlockDue = false;
  if (FLocked) return;
  FLocked = true;
  FView.EnableForm(false);
}

void TRecordWindow::ReleaseLock() noexcept {
  if (!FUnlockDue) return;
  FUnlockDue = FLocked = false;
  try {
    FView.EnableForm(true);
  } catch (...) {
    // (Enabling controls raises nothing a command could still act on.)
  }
}

void TRecordWindow::HoldPaints() {
  if (FPaintsHeld) return;
  FPaintsHeld = CurrentEventLoop();
  if (FPaintsHeld) FPaintsHeld->HoldPaints(PaintHoldMs);
}

void TRecordWindow::ReleasePaints() noexcept {
  TEventLoop* Loop = FPaintsHeld;
  FPaintsHeld = nullptr;
  if (Loop && TEventLoop::IsAlive(Loop)) Loop->ReleasePaints();
}

// ---- Loading and saving ----------------------------------------------------------------------

bool TRecordWindow::LoadServerConfiguration() {
  std::string Reply;
  try {
    Reply = FSession.Get("CL");
  } catch (const std::exception&) {
    return false;
  }
  if (!ReadConfigurationStream(Reply, Buffers.Configuration)) return false;
  Buffers.ConfigMask.SetAll(false);
  FView.ShowConfiguration(Buffers.Configuration);
  return true;
}

bool TRecordWindow::SaveServerConfiguration() {
  try {
    const std::string Reply =
        FSession.Post("CS", WriteConfigurationStream(Buffers.ConfigMask, Buffers.Configuration));
    FSession.WriteDiagnostic("logdata.txt", Reply);
    return !IsErrorReply(Reply);
  } catch (const std::exception&) {
    return false;
  }
}

bool TRecordWindow::GetFromServer(const std::string& Command) {
  std::string Reply;
  try {
    Reply = FSession.Get(Command);
  } catch (const std::exception&) {
    return false;
  }
  FSession.WriteDiagnostic("logdata.txt", Reply);
  return ReadRecordStream(Reply, Buffers.Current);
}

void TRecordWindow::ShowDisplayed(const ItemRecord& Record) {
  FIdleEnabled = false;
  FNumber = Record.Code;
  FDescriptionValues = Record.Descriptions;
  std::array<std::string, 10> Texts;
  for (int i = 0; i < 10; ++i) Texts[i] = ReturnDescriptionValue(FDescriptionValues[i]);
  FView.ShowRecord(Record, Texts);
  Buffers.RecordMask.SetAll(false);
  FIdleCounter = 0;
  FIdleEnabled = true;
}

bool TRecordWindow::GetRecord(const std::string& Command) {
  TCommandScope Scope(*this);
  if (Command == "Insert") {
    ShowDisplayed(Buffers.Spare);
    return true;
  }
  if (!LoadServerConfiguration() || !GetFromServer(Command)) {
    RequestProblem();
    return false;
  }
  ShowDisplayed(Buffers.Current);
  return true;
}

bool TRecordWindow::SaveToServer() {
  // No record shown (the first load failed): a save under no code would make the server
  // create a record.
  FSaveRefused = false;
  if (FNumber.empty()) return false;
  const std::string Body = WriteRecordStream(Buffers.RecordMask, Buffers.Current);
  FSession.WriteDiagnostic("logsend.txt", Body);
  try {
    const std::string Reply = FSession.Post("S" + FNumber, Body);
    FSession.WriteDiagnostic("logdata.txt", Reply);
    FSaveRefused = !IsSaveReply(Reply);
    return !FSaveRefused;
  } catch (const std::exception&) {
    return false;
  }
}

TRecordWindow::TRecordState TRecordWindow::ShownRecordState() {
  ItemRecord There;
  try {
    if (!ReadRecordStream(FSession.Get("G" + FNumber), There)) return TRecordState::Unknown;
  } catch (const std::exception&) {
    return TRecordState::Unknown;
  }
  // The server answers an unknown code with its first record.
  return There.Code == FNumber.substr(0, 8) ? TRecordState::There : TRecordState::Gone;
}

bool TRecordWindow::KeepDeletedRecord(bool Show) {
  ItemRecord Kept = Buffers.Current;  // what the editors held, with the description values
  if (Ask(RecordDeletedText, mtConfirmation, true) != mrYes) {
    if (Show) GetRecord("F");
    return false;
  }
  if (!LoadServerConfiguration() || !GetFromServer("E" + FNumber)) {
    RequestProblem();
    return false;
  }
  // The deleted record's pictures and attached file went with it: the new record lists none.
  Kept.Code = Buffers.Current.Code;
  for (ImageRecord& Image : Kept.Images) Image.FileName.clear();
  Kept.Memos[1].clear();
  Buffers.Current = std::move(Kept);
  FNumber = Buffers.Current.Code;
  Buffers.RecordMask.SetAll(true);
  if (!SaveToServer()) {
    RequestProblem();
    return false;
  }
  return !Show || GetRecord("G" + FNumber);
}

// The editors copied into Record, unless a money field holds a typed value that no total can
// read: then Record keeps what it held, the person is told (the row editor's message) and the
// editors keep the value to be mended.
bool TRecordWindow::ReadTypedRecord(ItemRecord& Record) {
  const std::array<std::string, 10> Details = Record.Details;
  const std::array<std::string, 6> Others = Record.Others;
  FView.ReadRecord(Record);
  const std::string Refusal = TypedAmountRefusal(Buffers.Configuration, Record, Details, Others);
  if (Refusal.empty()) return true;
  Record.Details = Details;
  Record.Others = Others;
  Ask(Refusal, mtWarning, false);
  return false;
}

bool TRecordWindow::SaveRecord(ItemRecord& Record, bool Send) {
  TCommandScope Scope(*this);
  if (!Send) {
    FView.ReadRecord(Record);
    Record.Descriptions = FDescriptionValues;
    return true;
  }
  if (!ReadTypedRecord(Record)) return false;
  Record.Descriptions = FDescriptionValues;
  if (&Record != &Buffers.Current) Buffers.Current = Record;
  if (!SaveToServer()) {
    if (FSaveRefused && ShownRecordState() == TRecordState::Gone) return KeepDeletedRecord(true);
    RequestProblem();
    return false;
  }
  const auto& Memo2 = Buffers.Current.Memos[1];
  if (!Memo2.empty()) FSession.DeleteDownload(Memo2.front());
  return true;
}

// ---- Record commands ---------------------------------------------------------------------

void TRecordWindow::nextClick() {
  TCommandScope Scope(*this);
  const std::string Old = FNumber;
  if (!SaveRecord(Buffers.Current, true) || !GetRecord("N" + FNumber)) return;
  if (FNumber == Old) Ask("You are already viewing the last record.", mtInformation, false);
}

void TRecordWindow::PreviousClick() {
  TCommandScope Scope(*this);
  const std::string Old = FNumber;
  if (!SaveRecord(Buffers.Current, true) || !GetRecord("P" + FNumber)) return;
  if (FNumber == Old) Ask("You are already viewing the first record.", mtInformation, false);
}

void TRecordWindow::NewRecordClick() {
  TCommandScope Scope(*this);
  if (SaveRecord(Buffers.Current, true)) GetRecord("E" + FNumber);
}

void TRecordWindow::CutClick() {
  TCommandScope Scope(*this);
  if (FView.ReadOnlyChecked()) {
    Ask("You may not delete read only records.", mtInformation, false);
    return;
  }
  if (Ask("Are you sure you want to delete the current record ?", mtConfirmation, true) != mrYes)
    return;
  KeepSpare();
  GetRecord("D" + FNumber);
  FView.SetInsertEnabled(true, true);
}

void TRecordWindow::CopyRecordClick() {
  TCommandScope Scope(*this);
  FView.SetInsertEnabled(true, true);
  KeepSpare();
}

void TRecordWindow::KeepSpare() {
  // What the editors do not show (the picture slots, the further strings and numbers) comes
  // from the shown record, not from whatever the spare held before.
  Buffers.Spare = Buffers.Current;
  SaveRecord(Buffers.Spare, false);
  // The files are fetched now: after a cut the server deletes them with the record.
  FSpareFiles = {};
  for (int Slot = 0; Slot < 6; ++Slot)
    if (!Buffers.Spare.Images[Slot].FileName.empty())
      FSpareFiles.Pictures[Slot] = FetchFile("IR" + std::to_string(Slot + 1));
}

std::optional<std::string> TRecordWindow::FetchFile(const std::string& Prefix) {
  try {
    std::string Reply = FSession.Get(Prefix + FNumber);
    if (!IsErrorReply(Reply)) return Reply;
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

bool TRecordWindow::StoreFile(const std::string& Prefix, const std::optional<std::string>& Data) {
  if (!Data) return false;
  try {
    return !IsErrorReply(FSession.Post(Prefix + FNumber, *Data));
  } catch (const std::exception&) {
    return false;
  }
}

ItemRecord TRecordWindow::CopyOfSpare(int Number) {
  ItemRecord Copy = Buffers.Spare;
  const ItemRecord& Fresh = Buffers.Current;  // the new record as the server made it
  Copy.Code = FNumber.substr(0, 8);
  Copy.Name += " (" + std::to_string(Number) + ")";
  // A counter field holds the number the server gave the new record, not the original's.
  const TConfiguration& Config = Buffers.Configuration;
  for (int i = 0; i < 10; ++i)
    if (IsRecordCounter(Config.DetailKinds[i])) Copy.Details[i] = Fresh.Details[i];
  for (int i = 0; i < 6; ++i)
    if (IsRecordCounter(Config.OtherKinds[i])) Copy.Others[i] = Fresh.Others[i];
  // The copy's own files under its own code; a file that could not be copied is not listed.
  for (int Slot = 0; Slot < 6; ++Slot) {
    ImageRecord& Image = Copy.Images[Slot];
    if (!Image.FileName.empty() &&
        !StoreFile("IS" + std::to_string(Slot + 1), FSpareFiles.Pictures[Slot]))
      Image.FileName.clear();
  }
  // The attached file stays the original's own: a copy lists none.
  Copy.Memos[1].clear();
  return Copy;
}

bool ParseWholeNumber(const std::string& Text, int& Value) {
  std::size_t i = 0;
  if (i < Text.size() && (Text[i] == '+' || Text[i] == '-')) ++i;
  if (i == Text.size() || Text.size() - i > 10) return false;
  if (Text.find_first_not_of("0123456789", i) != std::string::npos) return false;
  const long long N = std::strtoll(Text.c_str(), nullptr, 10);
  if (N < INT_MIN || N > INT_MAX) return false;
  Value = static_cast<int>(N);
  return true;
}

void TRecordWindow::InsertRecordClick() {
  TCommandScope Scope(*this);
  if (!SaveRecord(Buffers.Current, true)) return;
  int Copies = 0;
  for (;;) {
    std::string Answer = "0";
    BeginModal();
    if (!InputQuery("Number of Copies", "Number of Copies (1-20)", Answer)) Answer = "0";
    EndModal();
    if (Answer == "0") return;
    if (!ParseWholeNumber(Answer, Copies)) {
      Ask("Please enter a valid number.", mtError, false);
      continue;
    }
    if (Copies > 20) {
      Ask("Please enter a number less then 20.", mtError, false);
      continue;
    }
    break;
  }
  bool Saved = true;
  for (int i = 1; i <= Copies; ++i) {
    if (!GetRecord("E" + FNumber)) {
      Saved = false;
      break;
    }
    // The copy is the record saved: the editors give back what it shows, the rest is its own.
    Buffers.Current = CopyOfSpare(i);
    ShowDisplayed(Buffers.Current);
    Buffers.RecordMask.SetAll(true);
    if (!SaveRecord(Buffers.Current, true)) {
      Saved = false;
      break;
    }
  }
  // The last copy as the server stored it, with an empty mask: a later save sends only what is
  // edited then, not every field again over what the server changed meanwhile (a grid line).
  if (Saved && Copies > 0) GetRecord("G" + FNumber);
  FView.SetInsertEnabled(true, false);
}

// ---- Description values ------------------------------------------------------------------

std::string TRecordWindow::ReturnDescriptionValue(const std::string& Value) const {
  if (!FShortValues) return Value;
  return Value.substr(0, Value.find(':'));
}

std::string TRecordWindow::MenuPathValue(const std::vector<std::string>& Path) {
  std::string Value;
  for (auto it = Path.rbegin(); it != Path.rend(); ++it) {
    if (it != Path.rbegin()) Value += " : ";
    Value += *it;
  }
  return Value;
}

void TRecordWindow::ChooseDescriptionValue(int Index, const std::string& Value) {
  // A read-only record takes no value, from a menu, a relation or the category editor.
  if (Index < 0 || Index > 9 || FView.ReadOnlyChecked()) return;
  FDescriptionValues[Index] = Value;
  FView.ShowDescription(Index, ReturnDescriptionValue(Value));
  Buffers.RecordMask.Set(RecordMask::Descriptions, Index + 1);
}

void TRecordWindow::ClearFieldClick(int Index) {
  TCommandScope Scope(*this);
  if (FView.ReadOnlyChecked()) return;
  ChooseDescriptionValue(Index, "");
  SaveRecord(Buffers.Current, true);
}

void TRecordWindow::ShortDescriptionValues1Click() {
  TCommandScope Scope(*this);
  if (!SaveRecord(Buffers.Current, true)) return;
  FShortValues = !FShortValues;
  GetRecord("G" + FNumber);
}

// ---- Change handlers ---------------------------------------------------------------------

static void SetFlag(TChangeMask& Mask, int Row, int Col) {
  if (Col >= 0 && Col < TChangeMask::Cols) Mask.Set(Row, Col);
}

void TRecordWindow::DescChange(int Tag) {
  if (Tag >= 1 && Tag <= 10) SetFlag(Buffers.RecordMask, RecordMask::Descriptions, Tag);
}
void TRecordWindow::Detail8Change(int Tag) {
  if (Tag >= 0 && Tag <= 9) SetFlag(Buffers.RecordMask, RecordMask::Details, Tag);
}
void TRecordWindow::OtherChange(int Tag) {
  if (Tag >= 21 && Tag <= 26) SetFlag(Buffers.RecordMask, RecordMask::Others, Tag - 21);
}
void TRecordWindow::ItemListChange(int ItemIndex) {
  if (ItemIndex >= 0 && ItemIndex < 100) SetFlag(Buffers.RecordMask, RecordMask::Items, ItemIndex + 1);
}
void TRecordWindow::RecordChange() { SetFlag(Buffers.RecordMask, RecordMask::Name, 0); }
void TRecordWindow::Memo1Change() { SetFlag(Buffers.RecordMask, RecordMask::Memos, 0); }
void TRecordWindow::Memo2Change() { SetFlag(Buffers.RecordMask, RecordMask::Memos, 1); }
void TRecordWindow::Memo3Change() { SetFlag(Buffers.RecordMask, RecordMask::Memos, 2); }
void TRecordWindow::ImageTitleChange(int TabIndex) {
  if (TabIndex >= 0 && TabIndex < 6) SetFlag(Buffers.RecordMask, RecordMask::Images, TabIndex + 1);
}
void TRecordWindow::CheckBoxClick(int Number) {
  if (Number >= 1 && Number <= 3) SetFlag(Buffers.RecordMask, RecordMask::Checks, Number);
}
void TRecordWindow::DetailChangeClick() { SetFlag(Buffers.RecordMask, RecordMask::RichText, 0); }

void TRecordWindow::ClearResumeBtnClick(const std::string& Memo2FirstLine,
                                        const std::string& Notes2Title) {
  TCommandScope Scope(*this);
  if (!Memo2FirstLine.empty() &&
      Ask("Are you sure you want to remove the " + Notes2Title + " ?", mtConfirmation, true) == mrNo)
    return;
  FView.SetMemo(1, {});
  Memo2Change();
  SaveRecord(Buffers.Current, true);
}

std::string TRecordWindow::ReturnFieldString(const std::string& Name) const {
  const TConfiguration& C = Buffers.Configuration;
  for (int i = 0; i < 10; ++i)
    if (C.DetailNames[i] == Name) return std::to_string(i);
  for (int i = 0; i < 6; ++i)
    if (C.OtherNames[i] == Name) return std::to_string(21 + i);
  return "-1";
}

// ---- Idle refresh ------------------------------------------------------------------------

void TRecordWindow::SetEditIdle(int Value) { FEditIdle = std::clamp(Value, 30, 720); }

void TRecordWindow::IdleRefreshTimer() {
  if (!FIdleEnabled || FModal > 0) return;
  if (FIdleCounter < INT_MAX) ++FIdleCounter;
  if (FIdleCounter % FEditIdle == 0) FRefreshDue = true;
  if (!FRefreshDue || FSession.Busy() || FCommands > 0) return;
  FRefreshDue = false;
  IdleRefreshBtnClick();
}

void TRecordWindow::IdleRefreshBtnClick() {
  TCommandScope Scope(*this);
  if (!SaveRecord(Buffers.Current, true)) return;
  FIdleEnabled = false;
  if (!GetRecord("G" + FNumber)) FIdleEnabled = true;
}

// ---- Login and close ---------------------------------------------------------------------

bool TRecordWindow::OpenDatabase(const std::function<void()>& FitWindow) {
  TCommandScope Scope(*this);
  if (!LoadServerConfiguration()) {
    RequestProblem();
    return false;
  }
  if (FitWindow) FitWindow();
  LoadServerConfiguration();
  FLoggedIn = true;
  return GetRecord("F");
}

bool TRecordWindow::CloseSequence(const TCloseSteps& Steps, bool MayStay) {
  TCommandScope Scope(*this);
  const bool IdleWasEnabled = FIdleEnabled;
  FIdleEnabled = false;
  if (FLoggedIn) {
    // A close the person may call off waits for a typed amount to be mended; one that cannot
    // (the desktop ending) keeps what was typed.
    if (!MayStay) {
      FView.ReadRecord(Buffers.Current);
    } else if (!ReadTypedRecord(Buffers.Current)) {
      FIdleEnabled = IdleWasEnabled;
      return false;
    }
    Buffers.Current.Descriptions = FDescriptionValues;
    if (!SaveToServer() && !FNumber.empty()) {
      if (FSaveRefused && ShownRecordState() == TRecordState::Gone) {
        KeepDeletedRecord(false);
      } else if (MayStay && AnyChange(Buffers.RecordMask) &&
                 Ask(CloseUnsavedText, mtWarning, true) != mrYes) {
        // The person stays with the edit on the screen, and may close again once the server is back.
        FIdleEnabled = IdleWasEnabled;
        return false;
      }
    }
    if (Steps.CloseSearchWindow) Steps.CloseSearchWindow();
    if (Steps.WriteSettings) Steps.WriteSettings();
    auto& Info = Buffers.Configuration.DatabaseInfo;
    WORD Year = 0, Month = 0, Day = 0;
    DecodeDate(Date(), Year, Month, Day);
    char Today[32];
    std::snprintf(Today, sizeof Today, "%04u/%02u/%02u", static_cast<unsigned>(Year),
                  static_cast<unsigned>(Month), static_cast<unsigned>(Day));
    Info[diUDate] = Today;
    if (Info[diFileCode].empty()) Info[diFileCode] = NewFileCode(RandomDraw);
    SaveServerConfiguration();
    if (Steps.FreeDatabase) Steps.FreeDatabase();
    FSession.BuildSearchIndex();
    FLoggedIn = false;
  }
  if (Steps.StopLocalServer) Steps.StopLocalServer();
  return true;
}
