#include "server/engine/channel_engine.h"

TChannelEngine::TChannelEngine(TComponent* AOwner, const TCGIEngineSettings& Settings) : THttpEngine(AOwner) {
  FForceServerMode = Settings.ForceServerMode;
  CGIMode = Settings.ForceServerMode ? ServerMode : Settings.CGIMode;
  BufferedOutput = Settings.BufferedOutput;
  NoCache = Settings.NoCache;
  TempDir = Settings.TempDir;
  SessionName = Settings.SessionName;
  AutoReadLimit = Settings.AutoReadLimit;
  AutoReadInput = Settings.AutoReadInput;
  AutoContentType = Settings.AutoContentType;
  AutoHttpHeader = Settings.AutoHttpHeader;
  OnRequestError = Settings.OnRequestError;
  OnLastExecRequest = Settings.OnLastExecRequest;
  OnExecRequest = Settings.OnExecRequest;
  OnFirstExecRequest = Settings.OnFirstExecRequest;
}

void TChannelEngine::WriteText(const std::string& Text) {
  THttpEngine::WriteText(Text);
  if (!BufferedOutput || DirectOutput()) WriteChannel(Text.data(), Text.size());
}

void TChannelEngine::WriteData(const void* Buffer, int Count) {
  THttpEngine::WriteData(Buffer, Count);
  if ((!BufferedOutput || DirectOutput()) && Count > 0)
    WriteChannel(static_cast<const char*>(Buffer), static_cast<size_t>(Count));
}

void TChannelEngine::EndHeader() {
  THttpEngine::EndHeader();
  if (!BufferedOutput || DirectOutput()) WriteChannel("\r\n", 2);
}
