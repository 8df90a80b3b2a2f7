// The record window's logic: fetching a record and putting it on the screen, copying the editors
// back and saving them with the change mask before every move, the record commands (next,
// previous, new, delete, copy, insert), the change handlers of the editors, the description
// values behind the description fields, the idle refresh, and the order of the login's first
// load and of the close.
//
// The window implements TRecordView over its controls; a test implements it over plain fields.
// Every request goes through the TServerSession; every question through the modal service.
#pragma once

#include <array>
#include <optional>
#include <functional>
#include <string>
#include <vector>

#include "client/core/record_streams.h"
#include "client/core/server_requests.h"
#include "platform/sys/event_loop.h"

// What the record window shows.
class TRecordView {
public:
  virtual ~TRecordView() = default;
  // Fills the editors from Record: record name, details, others, check boxes, memos, grids 3 and
  // 4 (row count and grid text), rich text (an empty stream shows an empty page), the item
  // list (captions from the configuration shown last), the read-only box, the image title, and
  // the description fields with the texts given (already cut for the short-values option).
  virtual void ShowRecord(const ItemRecord& Record,
                          const std::array<std::string, 10>& DescriptionTexts) = 0;
  // Copies the editors into Record: name, read-only flag, check flags, memos, grid 3 and grid 4
  // (row count and grid text), details, others, rich text, item rows 1-100.  Descriptions and
  // every other field are left alone (the logic holds the description values).
  virtual void ReadRecord(ItemRecord& Record) = 0;
  // The state of the "Read Only" box.
  virtual bool ReadOnlyChecked() = 0;
  // A configuration arrived: labels, item captions, kinds, status word.
  virtual void ShowConfiguration(const TConfiguration& Config) = 0;
  // One description field's text, set by the logic (menu choice, CLEAR FIELD).
  virtual void ShowDescription(int Index, const std::string& Text) = 0;
  // Memo 1-3 (Index 0-2) set by the logic (the attachment name cleared).
  virtual void SetMemo(int Index, const std::vector<std::string>& Lines) = 0;
  // The window lock around a request.
  virtual void EnableForm(bool Enable) = 0;
  // The insert command's menu item and tool button.
  virtual void SetInsertEnabled(bool MenuItem, bool ToolButton) = 0;
};

// The steps of the close that lie outside the record logic.
struct TCloseSteps {
  std::function<void()> CloseSearchWindow;
  std::function<void()> WriteSettings;
  std::function<void()> FreeDatabase;
  std::function<void()> StopLocalServer;
};

class TRecordWindow {
public:
  TRecordWindow(TServerSession& Session, TRecordView& View);

  // The record buffers, masks and configuration.
  TRecordBuffers Buffers;

  // The message of every failed save or fetch.
  static constexpr const char* RequestProblemText =
      "There was a problem with the request.  Please try again.";
  static constexpr const char* CloseUnsavedText =
      "The changes to this record could not be saved: the server does not answer.  Close anyway "
      "and lose them ?  (No keeps the window open: close it again once the server answers.)";
  static constexpr const char* RecordDeletedText =
      "This record was deleted by another user.  Do you want to keep what is shown as a new "
      "record ?";

  TServerSession& Session() { return FSession; }
  // The window the logic shows in.
  TRecordView& View() { return FView; }
  // The code of the shown record (the window's `number` field).
  const std::string& Number() const { return FNumber; }
  void SetNumber(const std::string& Code) { FNumber = Code; }

  // ---- Loading and saving ----
  // "F", or "N", "P", "G", "E", "D" followed by a code, or "Insert" (shows the spare record).
  // Fetches the configuration, then the record, and shows it.  A failed fetch shows the request
  // problem and leaves the editors, the mask and the buffers as they were; false then.
  bool GetRecord(const std::string& Command);
  // Copies the editors into Record; with Send, saves the current record ("S") and deletes the
  // downloaded copy of its attachment.  A save the server did not confirm shows the request
  // problem and returns false; the editors and the mask stay.  When the record was deleted by
  // another client meanwhile, the user is asked whether what is shown becomes a new record
  // (saved whole and shown; true) or goes (the first record is shown; false).
  bool SaveRecord(ItemRecord& Record, bool Send);
  // "S" + code with the mask and the current record; true on the reply "<HTML>index</HTML>".
  // Nothing is sent while no record is shown.
  bool SaveToServer();
  // "CL": the configuration, shown; false (nothing changed) on a failed transfer or a bad reply.
  bool LoadServerConfiguration();
  // "CS": the configuration mask and the configuration; false on failure.
  bool SaveServerConfiguration();

  // ---- Record commands ----
  void nextClick();
  void PreviousClick();
  void NewRecordClick();
  void CutClick();
  void CopyRecordClick();
  void InsertRecordClick();

  // ---- Description values ----
  // The part before the first ":" while the short-values option is on, else the whole value.
  std::string ReturnDescriptionValue(const std::string& Value) const;
  // The value a menu entry gives: its caption, then its parents' captions up to the top level,
  // joined by " : " (Path runs from the top level down to the chosen entry).
  static std::string MenuPathValue(const std::vector<std::string>& Path);
  // A menu choice or a relational select: the field's value and text (Index 0-9); nothing while
  // the record is read-only.
  void ChooseDescriptionValue(int Index, const std::string& Value);
  // CLEAR FIELD: empties the field and its value, then saves the record (not a read-only one).
  void ClearFieldClick(int Index);
  const std::string& DescriptionValue(int Index) const { return FDescriptionValues.at(Index); }
  bool ShortDescriptionValues() const { return FShortValues; }
  void SetShortDescriptionValues(bool Value) { FShortValues = Value; }
  // Saves, toggles the option and reloads the record.
  void ShortDescriptionValues1Click();

  // ---- Change handlers (each sets one flag of the record mask) ----
  // Description edits, Tag 1-10.  The text never replaces the value behind the field.
  void DescChange(int Tag);
  void Detail8Change(int Tag);  // Tag 0-9
  void OtherChange(int Tag);    // Tag 21-26
  void ItemListChange(int ItemIndex);  // 0-99
  void RecordChange();
  void Memo1Change();
  void Memo2Change();
  void Memo3Change();
  void ImageTitleChange(int TabIndex);  // 0-5; also the picture select and clear commands
  void CheckBoxClick(int Number);       // 1-3
  void DetailChangeClick();             // the rich text
  // Asks before removing the attachment name (when there is one), clears Memo2, saves.
  void ClearResumeBtnClick(const std::string& Memo2FirstLine, const std::string& Notes2Title);
  // The Tag text of the detail or other field whose label caption is Name, or "-1".
  std::string ReturnFieldString(const std::string& Name) const;

  // ---- Idle refresh ----
  // A key press in the window or mouse movement over its surface.
  void UserActivity() { FIdleCounter = 0; }
  // One tick of the 1000 ms timer: counts, and at each multiple of EditIdle saves and reloads.
  // While a request or a record command is under way, or a modal window is open, a due refresh
  // waits for the next tick.
  void IdleRefreshTimer();
  // Saves and reloads at once.
  void IdleRefreshBtnClick();
  int EditIdle() const { return FEditIdle; }
  // Kept within 30..720.
  void SetEditIdle(int Value);
  int IdleCounter() const { return FIdleCounter; }
  bool IdleEnabled() const { return FIdleEnabled; }
  void SetIdleEnabled(bool Value) { FIdleEnabled = Value; }
  // Modal windows hold the idle counter while they are open; a window left locked by the
  // requests of the command under way is unlocked before one opens.
  void BeginModal() {
    ReleaseLock();
    ReleasePaints();
    ++FModal;
  }
  void EndModal() { --FModal; }

  // ---- Login and close ----
  // After the login: configuration, FitWindow (the window takes the template's captions),
  // configuration again, the first record.  False when a step failed.
  bool OpenDatabase(const std::function<void()>& FitWindow);
  bool LoggedIn() const { return FLoggedIn; }
  // The close, in order: idle refresh stopped, the record saved, the search window closed and the
  // settings written, UDate today ("YYYY/MM/DD"), a FileCode when there is none, the
  // configuration sent, the buffers freed, the search index rebuilt, the local server stopped.
  // Requests that fail here fail silently, but for the record's save: when changes to the shown
  // record could not be saved and MayStay is set, the person is asked whether to close all the
  // same; the answer No stops the close (nothing else is done) and gives false.  Without a login
  // only the last step runs.
  bool CloseSequence(const TCloseSteps& Steps, bool MayStay = true);
  // The random draw of the FileCode (0 <= value < range); Random() by default.
  std::function<int(int)> RandomDraw;

private:
  enum class TRecordState { There, Gone, Unknown };
  // Whether the shown record is still on the server ("G" of its code answers with it).
  TRecordState ShownRecordState();
  // The shown record is gone: asks, then saves what is shown as a new record (its pictures and
  // attachment left out: they went with the deleted one).  Show: the window follows.
  bool KeepDeletedRecord(bool Show);
  bool GetFromServer(const std::string& Command);
  // Cut and Copy: the shown record into the spare buffer, with its pictures.
  void KeepSpare();
  // The spare record as copy Number under the new record's code (the current record), its
  // files stored under that code.
  ItemRecord CopyOfSpare(int Number);
  // Prefix + the shown code: a file of the record fetched, or stored; nothing on failure.
  std::optional<std::string> FetchFile(const std::string& Prefix);
  bool StoreFile(const std::string& Prefix, const std::optional<std::string>& Data);
  void ShowDisplayed(const ItemRecord& Record);
  void RequestProblem();
  int Ask(const std::string& Text, int Type, bool YesNo);
  bool ReadTypedRecord(ItemRecord& Record);
  // A record command: a refresh waits while one runs, and the windows stay locked from its first
  // request to its end (Next's save, configuration and record lock them once, not three times).
  // What the command changes on the screen is painted once, at its end: the states between its
  // requests (the lock, the fields emptied before the new record fills them) are not painted,
  // unless the command takes longer than PaintHoldMs (a slow server), or asks a question.
  struct TCommandScope {
    explicit TCommandScope(TRecordWindow& W) : FW(W) {
      if (FW.FCommands++ == 0) FW.HoldPaints();
    }
    ~TCommandScope() {
      if (--FW.FCommands > 0) return;
      FW.ReleaseLock();
      FW.ReleasePaints();
    }
    TRecordWindow& FW;
  };
  static constexpr unsigned PaintHoldMs = 100;
  void HoldPaints();
  void ReleasePaints() noexcept;
  // The lock and unlock of a request (the session's OnEnableForm); within a command the unlock
  // waits for ReleaseLock.
  void LockForRequest(bool Enable);
  // Unlocks the windows when a request of the command left them locked.
  void ReleaseLock() noexcept;

  TServerSession& FSession;
  TRecordView& FView;
  std::string FNumber;
  std::array<std::string, 10> FDescriptionValues;
  bool FShortValues = false;
  int FIdleCounter = 0;
  int FEditIdle = 120;
  bool FIdleEnabled = false;
  bool FRefreshDue = false;
  int FModal = 0;
  int FCommands = 0;
  bool FLocked = false;     // locked by a request of the command under way
  bool FUnlockDue = false;  // and its last request is done
  TEventLoop* FPaintsHeld = nullptr;  // the loop that holds the paints of the command under way
  bool FSaveRefused = false;  // the last save reached the server and was not confirmed
  bool FLoggedIn = false;
  struct TSpareFiles {
    std::array<std::optional<std::string>, 6> Pictures;
  } FSpareFiles;  // the files of the spare record, as they were when it was cut or copied
};

// A whole number as the copies box takes it (optional sign, decimal digits, 32-bit).
bool ParseWholeNumber(const std::string& Text, int& Value);
