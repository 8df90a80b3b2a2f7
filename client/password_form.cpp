#include "client/password_form.h"

#include "client/core/definition_template.h"
#include "client/core/login_logic.h"
#include "client/core/server_requests.h"
#include "client/small_dialogs.h"
#include "client/view_layout.h"
#include "controls/oval_button.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/random.h"
#include "platform/rtl/string_list.h"
#include "platform/rtl/sysutils.h"
#include "platform/sys/files.h"
#include "platform/ui/modal_service.h"

using namespace view_layout;

TPasswordForm::TPasswordForm(TComponent* AOwner) : TForm(AOwner) {
  SetName("PasswordForm");
  SetCaption("Login");
  SetBorderStyle(bsDialog);
  SetBorderIcons({biSystemMenu});
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  PaintFormBackground(this);
  SetBounds(0, 0, 372, 236);
  Mode_ = MakeCaptioned<TLabel>(this, this, "Mode", "Quillon Database Server", 16, 12, 340, 20);
  // The title's font given in one change: the label measures its caption once, in that font.
  TFont title(Mode_->Font());
  title.SetSize(12);
  title.SetStyle({fsBold});
  title.SetColor(clNavy);
  Mode_->Font().Assign(title);
  ServerLabel = MakeCaptioned<TLabel>(this, this, "ServerLabel", "Server", 16, 47, 96, 15);
  Server = Make<TEdit>(this, this, "Server", 116, 44, 240, 21);
  UserNameLabel = MakeCaptioned<TLabel>(this, this, "UserNameLabel", "Username", 16, 75, 96, 15);
  UserName = Make<TEdit>(this, this, "UserName", 116, 72, 240, 21);
  PasswordLabel = MakeCaptioned<TLabel>(this, this, "PasswordLabel", "Password", 16, 103, 96, 15);
  Password = Make<TEdit>(this, this, "Password", 116, 100, 240, 21);
  Password->SetPasswordChar('*');
  DatabaseLabel = MakeCaptioned<TLabel>(this, this, "DatabaseLabel", "Database Name", 16, 131, 96, 15);
  Database = Make<TEdit>(this, this, "Database", 116, 128, 240, 21);
  CreateBtn = MakeCaptioned<TRoundButton>(this, this, "CreateBtn", "Create Demo", 16, 176, 110, 28);
  LoginBtn = MakeCaptioned<TButton>(this, this, "LoginBtn", "Login", 186, 176, 80, 28);
  LoginBtn->SetDefault(true);
  ExitBTN = MakeCaptioned<TButton>(this, this, "ExitBTN", "Exit", 276, 176, 80, 28);
  LoginBtn->OnClick = [this](TObject* s) { LoginBtnClick(s); };
  ExitBTN->OnClick = [this](TObject* s) { ExitBTNClick(s); };
  CreateBtn->OnClick = [this](TObject* s) { CreateBtnClick(s); };
  OnClose = [](TObject*, TCloseAction& action) { action = caHide; };
  AfterConstruction();
}

TPasswordForm::~TPasswordForm() { BeforeDestruction(); }

void TPasswordForm::Activate() {
  TForm::Activate();
  if (!FActivated) {
    FActivated = true;
    FormActivate(this);
  }
}

void TPasswordForm::FormActivate(TObject*) {
  if (Mode != 1) return;
  CreateBtn->SetCaption("Create Demo");
  // The client opens databases without a user check: the user's boxes have no use here, so
  // they go with their labels.
  for (TControl* c : {static_cast<TControl*>(UserNameLabel), static_cast<TControl*>(PasswordLabel),
                      static_cast<TControl*>(UserName), static_cast<TControl*>(Password)})
    c->SetVisible(false);
  UserName->SetReadOnly(true);
  Password->SetReadOnly(true);
  DatabaseLabel->SetTop(78);
  Database->SetTop(75);
  for (TControl* b : std::initializer_list<TControl*>{CreateBtn, LoginBtn, ExitBTN}) b->SetTop(118);
  SetClientHeight(164);
  if (TitleWord == "Yes") Mode_->SetCaption("Quillon Database Server");
  Server->SetText(ServerAddress);
  Database->SetText(DatabaseName);
  if (Database->Text().empty())
    FocusControl(Database);
  else
    FocusControl(LoginBtn);
}

void TPasswordForm::EnablePasswordForm(bool Enable) {
  for (TControl* c : {static_cast<TControl*>(Database), static_cast<TControl*>(UserName),
                      static_cast<TControl*>(Password), static_cast<TControl*>(ExitBTN),
                      static_cast<TControl*>(LoginBtn), static_cast<TControl*>(CreateBtn)})
    c->SetEnabled(Enable);
}

void TPasswordForm::LoginBtnClick(TObject*) {
  if (!Session) return;
  Session->ServerURL = Trim(Server->Text());
  EnablePasswordForm(false);
  TLoginLogic login(*Session);
  Result = login.Login(Database->Text());
  EnablePasswordForm(true);
  if (Result == 1) {
    ServerAddress = Session->ServerURL;
    DatabaseName = Session->DatabaseName;
    SetModalResult(mrOk);
  } else {
    FocusControl(Database);
  }
}

void TPasswordForm::ExitBTNClick(TObject*) {
  Result = 0;
  SetModalResult(mrCancel);
}

void TPasswordForm::CreateBtnClick(TObject*) {
  if (!Session) return;
  TTemplateData definition(DefinitionBase);
  auto* info = new TDatabaseInformationForm(this);
  const std::string today = Today ? FormatDateTime("yyyy/mm/dd", Today()) : TodayText();
  info->Info.Type = definition.AttributeA(1).empty() ? DatabaseType : definition.AttributeA(1);
  // The name typed in the login window is the new database's name to begin with.
  info->Info.Name = Trim(Database->Text());
  info->Info.CDate = today;
  info->Info.UDate = today;
  // The dates are shown as the new database will write its dates.
  info->DateFormat = definition.Configuration().DateFormat.empty() ? std::string("mm/dd/yyyy")
                                                                   : definition.Configuration().DateFormat;
  info->ShowModal();
  const bool confirmed = info->Accepted;
  TNewDatabase values;
  if (confirmed) {
    values.Name = NewName = info->Info.Name;
    values.Author = NewAuthor = info->Info.Author;
    values.Description = NewDescription = info->Info.Description;
    values.Type = NewType = info->Info.Type;
    values.CreationDate = NewCDate = info->Info.CDate;
    values.UpdateDate = NewUDate = info->Info.UDate;
  }
  delete info;
  if (!confirmed || values.Name.empty()) return;
  Session->ServerURL = Trim(Server->Text());
  EnablePasswordForm(false);
  TLoginLogic login(*Session);
  if (RandomDraw) login.RandomDraw = RandomDraw;
  const std::string created = login.CreateDatabase(values, DefinitionBase, ProgramFolder);
  EnablePasswordForm(true);
  if (!created.empty()) Database->SetText(created);
  FocusControl(created.empty() ? static_cast<TWinControl*>(Database) : LoginBtn);
}
