#include "client/core/login_logic.h"

#include "client/core/definition_template.h"
#include "client/core/server_requests.h"
#include "platform/rtl/random.h"
#include "platform/sys/files.h"
#include "platform/ui/modal_service.h"

TLoginLogic::TLoginLogic(TServerSession& Session) : FSession(Session) {
  RandomDraw = [](int Range) {
    Randomize();
    return Random(Range);
  };
}

TClientRequest TLoginLogic::Request(const std::string& Command, const std::string& Database) const {
  TClientRequest R;
  R.URL = FSession.ServerURL;
  R.UserAgent = TServerSession::ServerCommand(Command, Database);
  return R;
}

int TLoginLogic::Handshake(const std::string& Database) {
  std::string Reply;
  try {
    Reply = FSession.Send(Request("HANDSHAKE", Database), false);
  } catch (const std::exception&) {
    return 2;
  }
  FSession.WriteDiagnostic("servfnd.txt", Reply);
  const std::vector<std::string> Lines = SplitReplyLines(Reply);
  for (const auto& Line : Lines)
    if (Line.find("database found") != std::string::npos) return 0;
  for (const auto& Line : Lines)
    if (Line.find("database not found") != std::string::npos) return 1;
  return 2;
}

bool TLoginLogic::RetreivePasswords(const std::string& Database) {
  try {
    FSession.Send(Request("USERLIST", Database), false);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

int TLoginLogic::Login(const std::string& Database) {
  if (Database.empty()) {
    MessageDlg(NoNameText, mtError, TMsgDlgButtons{mbOK});
    return 0;
  }
  if (!ValidDatabaseName(Database)) {
    MessageDlg(BadNameText, mtError, TMsgDlgButtons{mbOK});
    return 0;
  }
  int Result = 0;
  const int First = Handshake(Database);
  if (First == 1) {
    MessageDlg("The selected database could not be found.", mtError, TMsgDlgButtons{mbOK});
  } else if (Handshake(Database) == 2 || !RetreivePasswords(Database)) {
    MessageDlg("The selected server could not be located.", mtError, TMsgDlgButtons{mbOK});
  } else {
    Result = 1;
  }
  if (Result == 1) FSession.DatabaseName = Database;
  return Result;
}

std::string TLoginLogic::CreateDatabase(const TNewDatabase& V, const std::string& TemplateBaseName,
                                        const std::string& ProgramFolder) {
  if (V.Name.empty()) return "";
  if (!ValidDatabaseName(V.Name)) {
    MessageDlg(BadNameText, mtError, TMsgDlgButtons{mbOK});
    return "";
  }
  TTemplateData Template(TemplateBaseName);
  const std::string FileCode = NewFileCode(RandomDraw);
  const int Result = Template.CreateDatabaseOnServer(
      FSession, V.Name, V.Type, FileCode, V.UpdateDate, V.CreationDate, V.Description, V.Author,
      Template.DefinitionName(), FSession.ServerURL);
  if (!FileExists(ProgramFolder + "Data/database/" + V.Name + ".qnd")) {
    MessageDlg("Your database could not be created.  If you just installed the software, re-start "
               "your computer to complete software installation, then try again.  You may also "
               "need to unblock the software.",
               mtError, TMsgDlgButtons{mbOK});
    return "";
  }
  switch (Result) {
    case 0:
      MessageDlg("Demo database created. Press \"Login\" to start.  You do not need to enter a "
                 "username or password.",
                 mtInformation, TMsgDlgButtons{mbOK});
      return V.Name;
    case 2:
      MessageDlg("A database with the selected name already exists.  Please select a different "
                 "name and try again.",
                 mtError, TMsgDlgButtons{mbOK});
      return "";
    default:
      MessageDlg("The database could not be created.  Please contact Harrowmere for assistance.",
                 mtError, TMsgDlgButtons{mbOK});
      return "";
  }
}
