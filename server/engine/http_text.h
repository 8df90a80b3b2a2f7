// Text routines below the engine: URL coding, fields of an "&"-separated field text, the HTTP
// date, environment look-up, file-path building, and the cookie component.
#pragma once

#include <string>

#include "platform/rtl/classes.h"

// "+" becomes a blank, "%" and two hexadecimal digits that byte; a lone "%" stays.
std::string UrlDecode(const std::string& Text);
// Blank becomes "+"; ".", "/", "\", digits and ASCII letters stay; every other byte "%XX".
std::string UrlEncode(const std::string& Text);
// The URL-decoded value of the field Name (compared upper-cased and trimmed).  A field that
// appears more than once gives every value, joined by CR LF; an absent one gives Default.
std::string GetUrlEncodedField(const std::string& Name, const std::string& FieldText,
                               const std::string& Default);
// "Wed, 09 Dec 2026 07:05:00 GMT" of a local date and time.
std::string HttpDateString(double DateTime);
// The variable's value, empty when unset; "SERVER_SOFTWARE" holding "ZB" reads as empty.
std::string GetEnvVar(const std::string& Name);
// Name when it is an absolute path; else Folder (an absolute one, or one taken relative to the
// folder of ModulePath), "/", Name's base name (before its first ".") and Extension (or Name's
// own extension when Extension is empty).  "/./" and "//" are reduced to "/".
void BuildFilePath(const std::string& ModulePath, const std::string& Folder, bool KeepModuleName,
                   std::string& Path, const std::string& Extension, bool KeepModuleExtension,
                   const std::string& Name);
// The program file's full path.
std::string GetModuleName();

// The per-request session cookie object; nothing in this system reads or stores it.
class THttpCookie : public TComponent {
public:
  explicit THttpCookie(TComponent* AOwner) : TComponent(AOwner) {}
  std::string CookieName;
  std::string Domain;
  std::string Path;
  bool Secure = false;
  bool Coded = false;
  int CodeKey = 0;
  // Renaming: CookieName follows the name when it was empty or equal to the old name.
  void Rename(const std::string& NewName);

private:
  std::string FLastName;
};

// The present moment in the log's format: short date and long time ("12/9/2026 7:05:00 AM").
std::string LogTimeStamp();

// Helpers shared by the engine's text handling.
std::string AsciiUpper(std::string Text);
std::string TrimBlanks(const std::string& Text);
bool ContainsNoCase(const std::string& Text, const std::string& Part);
