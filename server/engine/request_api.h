// The procedural request API: code that holds no engine object answers the request that runs on
// its own thread.  Every call addresses the calling thread's current engine (made current by the
// front end before any handler runs); a call with no current engine raises EHttpEngineError.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/exceptions.h"

class THttpEngine;
class TStringList;

QN_DECLARE_EXCEPTION(EHttpEngineError, Exception);

THttpEngine* GetCurrentEngine();

void WriteText(const std::string& Text);             // the text as it stands
void WriteString(const std::string& Text);           // the text and CR LF
void WriteBytes(const void* Buffer, int Count);      // binary reply data
int ReadBytes(void* Buffer, int Count);              // raw request body; returns the bytes read
void AddHeader(const std::string& Name, const std::string& Value);
void GetVariable(const std::string& Name, std::string& Value);
void GetField(const std::string& Name, const std::string& Default, std::string& Value);
void GetQueryString(std::string& Value);
void GetRemoteAddr(std::string& Value);
int GetContentLength();
void GetUrl(std::string& Value);
void GetUserAgent(std::string& Value);
void GetCookie(std::string& Value);
void GetReferer(std::string& Value);
void GetExecutablePath(std::string& Value);
void SetPictureKind(int Kind);                       // 0 none, 1 JPEG, 2 GIF

// Splits a text into lines at CR LF, CR or LF; the caller owns the new list.
std::unique_ptr<TStringList> TextToStringList(const std::string& Text);

// The hook table through which the units below the engine (input parsing, picture replies) reach
// the current engine without depending on its classes.  Filled once, in this order.
struct THttpHooks {
  void (*WriteText)(const std::string& Text);
  void (*WriteString)(const std::string& Text);
  void (*WriteBytes)(const void* Buffer, int Count);
  int (*ReadBytes)(void* Buffer, int Count);
  void (*AddHeader)(const std::string& Name, const std::string& Value);
  void (*GetVariable)(const std::string& Name, std::string& Value);
  void (*GetField)(const std::string& Name, const std::string& Default, std::string& Value);
  void (*GetQueryString)(std::string& Value);
  void (*GetCookie)(std::string& Value);
  void (*GetExecutablePath)(std::string& Value);
  void (*GetUserAgent)(std::string& Value);
  void (*SetPictureKind)(int Kind);
};

extern const THttpHooks HttpHooks;
