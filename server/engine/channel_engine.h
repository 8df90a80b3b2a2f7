// The common ground of the front ends that write each piece of the reply to a channel of their
// own (an output file, the server's WriteClient, a session socket): the settings every front end
// takes at creation, and text, data and the header's end sent to the channel whenever the
// output is not held in the buffer.
#pragma once

#include <string>

#include "server/engine/http_engine.h"

// The settings every front end takes at creation.
struct TCGIEngineSettings {
  bool ForceServerMode = false;
  TCGIMode CGIMode = NormalMode;
  bool AutoTerminate = true;
  bool BufferedOutput = false;
  bool NoCache = false;
  std::string TempDir;
  std::string SessionName;
  int AutoReadLimit = 10000;
  bool AutoReadInput = true;
  std::string AutoContentType = "text/html";
  bool AutoHttpHeader = true;
  TRequestErrorEvent OnRequestError;
  TLastExecRequestEvent OnLastExecRequest;
  TExecRequestEvent OnExecRequest;
  TFirstExecRequestEvent OnFirstExecRequest;
};

class TChannelEngine : public THttpEngine {
public:
  TChannelEngine(TComponent* AOwner, const TCGIEngineSettings& Settings);

  void WriteText(const std::string& Text) override;
  void WriteData(const void* Buffer, int Count) override;
  void EndHeader() override;

protected:
  bool FForceServerMode = false;
};
