// The exception classes of the class library, with its English texts.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>

#include "platform/rtl/var_rec.h"

class Exception : public std::exception {
public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  // CreateFmt: the message is Format(format, args).
  Exception(const std::string& format, std::initializer_list<TVarRec> args);
  ~Exception() override = default;

  const std::string& Message() const noexcept { return FMessage; }
  void SetMessage(std::string message) { FMessage = std::move(message); }
  const char* what() const noexcept override { return FMessage.c_str(); }
  virtual const char* ClassName() const noexcept { return "Exception"; }

private:
  std::string FMessage;
};

#define QN_DECLARE_EXCEPTION(Name, Base)                                      \
  class Name : public Base {                                                  \
  public:                                                                     \
    using Base::Base;                                                         \
    const char* ClassName() const noexcept override { return #Name; }         \
  }

// Silent exception: caught by the application and shown to nobody.
class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
  explicit EAbort(std::string message) : Exception(std::move(message)) {}
  const char* ClassName() const noexcept override { return "EAbort"; }
};

QN_DECLARE_EXCEPTION(EConvertError, Exception);
QN_DECLARE_EXCEPTION(EStreamError, Exception);
QN_DECLARE_EXCEPTION(EFilerError, EStreamError);

class EReadError : public EFilerError {
public:
  EReadError() : EFilerError("Stream read error") {}
  explicit EReadError(std::string message) : EFilerError(std::move(message)) {}
  const char* ClassName() const noexcept override { return "EReadError"; }
};

class EWriteError : public EFilerError {
public:
  EWriteError() : EFilerError("Stream write error") {}
  explicit EWriteError(std::string message) : EFilerError(std::move(message)) {}
  const char* ClassName() const noexcept override { return "EWriteError"; }
};

// "Cannot create file <name>"; the system's own reason may follow after a period.
class EFCreateError : public EStreamError {
public:
  using EStreamError::EStreamError;
  static EFCreateError ForFile(const std::string& name) {
    return EFCreateError("Cannot create file " + name);
  }
  const char* ClassName() const noexcept override { return "EFCreateError"; }
};

class EFOpenError : public EStreamError {
public:
  using EStreamError::EStreamError;
  static EFOpenError ForFile(const std::string& name) {
    return EFOpenError("Cannot open file " + name);
  }
  const char* ClassName() const noexcept override { return "EFOpenError"; }
};

class EListError : public Exception {
public:
  using Exception::Exception;
  static EListError OutOfBounds(long long index) {
    return EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  const char* ClassName() const noexcept override { return "EListError"; }
};

class EStringListError : public EListError {
public:
  using EListError::EListError;
  static EStringListError Duplicates() {
    return EStringListError("String list does not allow duplicates");
  }
  const char* ClassName() const noexcept override { return "EStringListError"; }
};

class EInOutError : public Exception {
public:
  EInOutError(std::string message, int errorCode)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  const char* ClassName() const noexcept override { return "EInOutError"; }
  int ErrorCode;
};

QN_DECLARE_EXCEPTION(EInvalidOperation, Exception);
QN_DECLARE_EXCEPTION(EInvalidGridOperation, Exception);
QN_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
QN_DECLARE_EXCEPTION(EPrinter, Exception);
QN_DECLARE_EXCEPTION(EOutOfResources, Exception);

class EClipboardException : public Exception {
public:
  EClipboardException() : Exception("Cannot open clipboard") {}
  explicit EClipboardException(std::string message) : Exception(std::move(message)) {}
  const char* ClassName() const noexcept override { return "EClipboardException"; }
};

QN_DECLARE_EXCEPTION(EOleError, Exception);
QN_DECLARE_EXCEPTION(EOleSysError, EOleError);
QN_DECLARE_EXCEPTION(EOleException, EOleSysError);
