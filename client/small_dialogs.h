// The client's small modal windows: date format, database information, e-mail settings, server
// settings, quantity, field name and type, item editing, drop-down choices and the about box,
// each one declaration over the skeleton they share (TSmallDialog).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/edits.h"
#include "platform/ui/forms.h"
#include "platform/ui/list_controls.h"
#include "platform/ui/std_buttons.h"
#include "platform/ui/std_painted.h"

class TCustomIniFile;
class TMarkupLabel;
class TTreeView;
struct TDescriptionTree;

// The skeleton every small dialog shares: a modal window with OK and Cancel at the bottom right.
// Each dialog's constructor makes its controls and sets Fill, which fills them from the public
// fields its opener set, at the window's first activation (every modal run of a window that is
// reused), and Accept, which OK runs: it checks what was typed and writes it back into those
// fields (or into the settings key), and says whether the window may close.
class TSmallDialog : public TForm {
public:
  TSmallDialog(TComponent* AOwner, const std::string& caption, int width, int height);
  TButton* OKBtn = nullptr;
  TButton* CancelBtn = nullptr;
  // Set by OK when the window's checks pass.
  bool Accepted = false;

protected:
  std::function<void()> Fill;
  std::function<bool()> Accept;
  void Activate() override;
  void DoShow() override;
  // Places the buttons (CancelBtn may be null: OK alone).
  void PlaceButtons(bool withCancel);
  // A row of the window at top: a label named name + "Label" from the left margin, and an edit
  // named name from editLeft to the right margin. The label comes back in *label when asked.
  TEdit* AddEditRow(const std::string& name, const std::string& caption, int top, int editLeft,
                    TLabel** label = nullptr);

private:
  bool FActivated = false;
};

// "Select Date Format": "MM/DD/YYYY" or "DD/MM/YYYY".
class TSelectDateFormatForm : public TSmallDialog {
public:
  explicit TSelectDateFormatForm(TComponent* AOwner);
  std::string DateFormat;  // in and out: "mm/dd/yyyy" or "dd/mm/yyyy"
  TRadioButton* MonthFirst = nullptr;
  TRadioButton* DayFirst = nullptr;
};

// The values of a database as the information window shows them.
struct TDatabaseValues {
  std::string Name, Author, Description, Type, CDate, UDate, Size, FileCode;
};

// "Please enter database information:".
class TDatabaseInformationForm : public TSmallDialog {
public:
  explicit TDatabaseInformationForm(TComponent* AOwner);
  TDatabaseValues Info;  // in and out
  // The database's date format: the stored dates ("yyyy/mm/dd") are shown in it ("" shows them
  // as stored).
  std::string DateFormat;
  TEdit* DatabaseName = nullptr;
  TEdit* DatabaseAuthor = nullptr;
  TEdit* DatabaseDescription = nullptr;
  TEdit* DateCreated = nullptr;
  TEdit* DateUpdated = nullptr;
  TLabel* TypeLabel = nullptr;
  TEdit* DatabaseType = nullptr;
  TEdit* FileCode = nullptr;
  TEdit* Size = nullptr;
  // A click on the "Database Type" label asks for a type.
  void TypeLabelClick(TObject* Sender);
};

// "Email Settings": six values of the settings key.
class TEmailSettingsForm : public TSmallDialog {
public:
  explicit TEmailSettingsForm(TComponent* AOwner);
  // The mail component's own host and port: the defaults of "MailServer" and "MailPort".
  std::string DefaultHost = "localhost";
  std::string DefaultPort = "25";
  // The key to read and write (the settings key by default).
  std::function<std::unique_ptr<TCustomIniFile>()> OpenKey;
  TEdit* MailServer = nullptr;
  TEdit* MailPort = nullptr;
  TEdit* SenderName = nullptr;
  TEdit* SenderEmail = nullptr;
  TEdit* RecipientName = nullptr;
  TEdit* RecipientEmail = nullptr;
};

// "Server Settings": the address others reach this machine's server at, and its addresses.
class TServerSettingsForm : public TSmallDialog {
public:
  explicit TServerSettingsForm(TComponent* AOwner);
  std::string DatabaseName;
  std::string DatabaseType;
  int Port = 6777;
  // The address the web server listens on: QN_LISTEN, else the loopback address.
  std::string ListenAddress;
  // Fetches the address-echo page; false when it cannot be fetched (the client's HTTP client
  // by default; tests set it).
  std::function<bool(std::string& Reply)> FetchPublicAddress;
  // This machine's addresses in dotted form (the host name resolved by default).
  std::function<std::vector<std::string>()> LocalAddresses;
  TLabel* URLLabel = nullptr;
  TEdit* URLBox = nullptr;
  TMarkupLabel* Explanation = nullptr;
  TButton* CopyURLBtn = nullptr;
  TListBox* AddressList = nullptr;
  void CopyURLBtnClick(TObject* Sender);
  // The URL box's text for an address-echo reply: the URL at the public address the reply's
  // second line holds, else at this machine's first address that is not a loopback one, else
  // "Not Available" (exposed for tests).
  std::string URLFromReply(const std::string& Reply) const;
};

// "Edit Quantity": an amount to add or remove.
class TEditQuantityForm : public TSmallDialog {
public:
  explicit TEditQuantityForm(TComponent* AOwner);
  std::string FieldName;
  int Amount = 0;  // out: 0 for no change
  TLabel* FieldLabel = nullptr;
  TEdit* AmountBox = nullptr;
  TRadioButton* AddBtn = nullptr;
  TRadioButton* RemoveBtn = nullptr;
};

// "Edit Text Field": a field's name and type.
class TEditFieldForm : public TSmallDialog {
public:
  explicit TEditFieldForm(TComponent* AOwner);
  std::string FieldName;
  std::string FieldType = "Text";
  TEdit* NameBox = nullptr;
  TComboBox* TypeBox = nullptr;
};

// "Edit Skill": one row of the item list.
class TEditSkillForm : public TSmallDialog {
public:
  explicit TEditSkillForm(TComponent* AOwner);
  std::string ItemName;
  std::string Value1, Value2;
  bool Flag = false;
  std::vector<std::string> ColumnCaptions{"Item", "Version/Model", "Notes"};
  // A double click on the title: renames the item (the opener saves the configuration); the new
  // name comes back in ItemName.
  std::function<void(const std::string& NewName)> OnRename;
  TLabel* SkillTitle = nullptr;
  TLabel* Value1Label = nullptr;
  TEdit* Value1Box = nullptr;
  TLabel* Value2Label = nullptr;
  TMemo* Value2Box = nullptr;
  TCheckBox* FlagBox = nullptr;
  void SkillTitleDblClick(TObject* Sender);
};

// "Edit Drop Down Menu Options": one description's choices, one per line, sub-items indented
// by TAB.
class TDropDownMenuForm : public TSmallDialog {
public:
  explicit TDropDownMenuForm(TComponent* AOwner);
  int Description = 1;                 // 1..10
  TDescriptionTree* Tree = nullptr;    // the description's value tree
  // "Tree View": the typed lines become the tree, then the category tree editor opens for the
  // description (the opener rebuilds the description's menu and takes the editor's last value).
  std::function<void()> OnTreeView;
  TMemo* Choices = nullptr;
  TButton* TreeViewBtn = nullptr;
  void TreeViewBtnClick(TObject* Sender);
  // The choices as lines from the tree.
  void LoadChoices();
};

// The about box.
class TAboutBox : public TSmallDialog {
public:
  explicit TAboutBox(TComponent* AOwner);
  std::string Title;        // the application's title
  std::string ProgramName;  // the program file's name
  TLabel* ProductName = nullptr;
  TLabel* Version = nullptr;
};

// Today's date as the dialogs write it ("YYYY/MM/DD").
std::string TodayText();
