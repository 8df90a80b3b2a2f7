// TPasswordForm: the login window. The user names a database; Login checks that the server
// answers and has it; "Create Demo" creates a new database on the server from the definition
// found in the installation folder, after the database information window has collected its
// name, author and description.
#pragma once

#include <functional>
#include <string>

#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

class TRoundButton;
class TServerSession;
class TTreeView;

class TPasswordForm : public TForm {
public:
  explicit TPasswordForm(TComponent* AOwner);
  ~TPasswordForm() override;

  // ---- Handed in by the caller, read back after the window closed ----
  int Mode = 1;                      // 1: open a database on a server (the client's only mode)
  std::string TitleWord = "Yes";     // "Yes": the caption label shows the server's name
  TServerSession* Session = nullptr; // the requests go through the main window's session
  TTreeView* WorkTree = nullptr;
  std::string ServerAddress;         // the server program's address (shown, and may be edited)
  std::string DatabaseName;
  std::string Definition;            // the definition's file name (without folder)
  std::string DefinitionBase;        // the definition's path without extension
  std::string DateFormat = "YYYY/MM/DD";
  std::string DatabaseType;
  std::string ProgramFolder;         // the installation folder, with a trailing separator
  int Result = 0;                    // 1 logged in, 0 the user gave up
  // The values of a database being created.
  std::string NewName, NewAuthor, NewDescription, NewType, NewCDate, NewUDate;
  // The random draw of the file code (0 <= value < range); the process's generator by default.
  std::function<int(int)> RandomDraw;
  // Today's date; the clock by default (tests set it).
  std::function<double()> Today;

  // ---- Controls ----
  TLabel* Mode_ = nullptr;  // the caption label "Mode"
  TLabel* ServerLabel = nullptr;
  TEdit* Server = nullptr;
  TLabel* UserNameLabel = nullptr;
  TEdit* UserName = nullptr;
  TLabel* PasswordLabel = nullptr;
  TEdit* Password = nullptr;
  TLabel* DatabaseLabel = nullptr;
  TEdit* Database = nullptr;
  TButton* LoginBtn = nullptr;
  TButton* ExitBTN = nullptr;
  TRoundButton* CreateBtn = nullptr;  // the oval "Create Demo" button

  // ---- Handlers ----
  void FormActivate(TObject* Sender);
  void LoginBtnClick(TObject* Sender);
  void ExitBTNClick(TObject* Sender);
  void CreateBtnClick(TObject* Sender);
  void EnablePasswordForm(bool Enable);

protected:
  void Activate() override;

private:
  bool FActivated = false;
};
