// What the login window decides: the handshake with the server, the login of one database, and
// the creation of a database from the definition found at start.  The window shows the controls
// and the database information form; the messages go through the modal service.
#pragma once

#include <functional>
#include <string>

#include "client/core/server_requests.h"

// The values of a database being created, from the database information form.
struct TNewDatabase {
  std::string Name;
  std::string Author;
  std::string Description;
  std::string Type;
  std::string CreationDate;
  std::string UpdateDate;
};

class TLoginLogic {
public:
  // The session's ServerURL is the server address the window shows and edits.
  explicit TLoginLogic(TServerSession& Session);

  static constexpr const char* BadNameText =
      "A database name may not hold \";\", \":\", \"/\", \"\\\", \"*\", \"?\", \"\"\", \"<\", \">\", \"|\" or "
      "control characters, nor start with \".\" or \"-\", and is at most 64 bytes long.";
  static constexpr const char* NoNameText = "Please enter the name of a database.";

  // "HANDSHAKE": 0 the server has the database, 1 it has not, 2 no usable answer.
  int Handshake(const std::string& Database);
  // "USERLIST": true when the server answered.
  bool RetreivePasswords(const std::string& Database);
  // The login button: 1 when the database is open (the session's DatabaseName is set), else 0
  // after the message of what failed.  Names the server cannot take are refused unsent.
  int Login(const std::string& Database);

  // The create button, once the information form was confirmed: creates the database from
  // Definition (the definition's name, without folder) and tells how it went.  ProgramFolder
  // (ending "/") is where the new database file is looked for afterwards.  Returns the name to
  // put into the database edit (empty when nothing was created).
  std::string CreateDatabase(const TNewDatabase& Values, const std::string& TemplateBaseName,
                             const std::string& ProgramFolder);
  // The random draw of the file code (0 <= value < range).
  std::function<int(int)> RandomDraw;

private:
  TClientRequest Request(const std::string& Command, const std::string& Database) const;
  TServerSession& FSession;
};
