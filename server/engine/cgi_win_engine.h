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

class TTimer;

class TCGIWinEngine : public TChannelEngine {
public:
  TCGIWinEngine(TComponent* AOwner, const TCGIEngineSettings& Settings);
  ~TCGIWinEngine() override;

  bool AutoTerminate = true;

  // Serves this process when the engine is active.  In the resident instance it polls the
  // queue every 60 ms for profile entries.  A process started with a profile path runs that
  // request itself in NormalMode; otherwise it queues the profile for the resident instance
  // (starting one when needed), waits until the entry is finished and ends: the reply is then
  // in the profile's output file.
  void Start();
  // Runs the request of one profile file (a relative name is taken from the working folder).
  void RunProfile(const std::string& ProfileFile);
  // One round of the resident loop: takes the next queued profile and runs it.  Returns false
  // when the queue file is gone.
  bool ServeNextEntry();
  // Runs one queued profile and finishes its queue entry (the profile itself is left alone).
  void RunQueuedProfile(const std::string& ProfileFile, const std::string& UpperName);

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
  void HandOver(const std::string& ProfileFile);
  void ResidentTick();

  bool FFirstRequest = true;
  std::unique_ptr<TTimer> FTimer;
};
