// The exceptions of the internet client library.
#pragma once

#include "platform/rtl/exceptions.h"

QN_DECLARE_EXCEPTION(ENetError, Exception);
QN_DECLARE_EXCEPTION(ENetServerError, Exception);
QN_DECLARE_EXCEPTION(EWinsockError, Exception);
QN_DECLARE_EXCEPTION(EMessageError, Exception);
QN_DECLARE_EXCEPTION(EMessageParserError, Exception);

class ENetTimedOutError : public Exception {
public:
  ENetTimedOutError() : Exception("Operation timed out") {}
  const char* ClassName() const noexcept override { return "ENetTimedOutError"; }
};

class ENetCanceledError : public Exception {
public:
  ENetCanceledError() : Exception("Operation has been canceled") {}
  const char* ClassName() const noexcept override { return "ENetCanceledError"; }
};
