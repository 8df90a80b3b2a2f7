// The Windows CGI front end: the web server starts the program with the path of a profile file
// (an INI text holding the server variables and form fields, and naming the content file with
// the request body and the output file for the reply).  The engine answers from the profile and
// writes the whole reply, header lines included, into the output file.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "server/engine/channel_engine.h"

// The profile reader: sections of keys with values; section names and keys upper-case and
// trimmed.  Lines end at CR LF, CR or LF and may be of any length.
class TCGIIniFile {
public:
  // Reads the file; raises EFOpenError when it cannot be opened.
  explicit TCGIIniFile(const std::string& FileName);
  // Parses profile text.
  static std::unique_ptr<TCGIIniFile> FromText(const std::string& Text);

  // Empty when the section or the key is absent.
  std::string ReadString(const std::string& Section, const std::string& Key) const;
  bool ValueExists(const std::string& Section, const std::string& Key) const;
  // The section names in the order they first appear.
  const std::vector<std::string>& Sections() const { return FSectionNames; }
  // The keys of a section, sorted.
  std::vector<std::string> Keys(const std::string& Section) const;

private:
  TCGIIniFile() = default;
  void Parse(const std::string& Text);
  std::vector<std::string> FSectionNames;
  std::map<std::string, std::map<std::string, std::string>> FSections;
};

class TCGIWinEngine : public TChannelEngine {
public:
  TCGIWinEngine(TComponent* AOwner, const TCGIEngineSettings& Settings);
  ~TCGIWinEngine() override;

  bool AutoTerminate = true;

  // Serves this process when the engine is active: runs the request of the profile named by
  // the program's first argument and, with AutoTerminate, ends the process.
  void Start();
  // Runs the request of one profile file (a relative name is taken from the working folder).
  void RunProfile(const std::string& ProfileFile);

  void RunRequest() override;
  void FinishRequest() override;
  TThread* GetRequestThread() override;
  void WriteStatusLine() override;
  int ReadBytes(void* Buffer, int Count) override;
  void GetVariable(const std::string& Name, std::string& Value) override;
  std::string GetCookie() override;
  int GetContentLength() override;
  void GetField(const std::string& Name, const std::string& Default, std::string& Value) override;
  std::unique_ptr<TStringList> GetFieldNames() override;
  bool IsActive() override;

protected:
  void WriteChannel(const char* Data, size_t Count) override;

private:
  bool FFirstRequest = true;
};
