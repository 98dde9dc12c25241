// The exception hierarchy of the runtime layer. Every exception of the system
// derives from Exception and keeps its design class name and message.
#pragma once

#include <exception>

#include "platform/rtl/types.h"
#include "platform/rtl/varrec.h"

class Exception : public std::exception {
 public:
  explicit Exception(String message = String()) : FMessage(std::move(message)) {}
  // Message built by Format(fmt, args).
  Exception(const String& fmt, TVarRecList args);
  ~Exception() override = default;

  const String& Message() const { return FMessage; }
  void SetMessage(const String& value) { FMessage = value; }
  const char* what() const noexcept override { return FMessage.c_str(); }
  virtual const char* ClassName() const { return "Exception"; }

  template <class E = Exception>
  static E CreateFmt(const String& fmt, TVarRecList args) {
    return E(fmt, args);
  }

 private:
  String FMessage;
};

#define RTL_DECLARE_EXCEPTION(Name, Base)                    \
  class Name : public Base {                                 \
   public:                                                   \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  }

// Silent exception: unwinds without a message being shown.
RTL_DECLARE_EXCEPTION(EAbort, Exception);
RTL_DECLARE_EXCEPTION(EConvertError, Exception);
RTL_DECLARE_EXCEPTION(EListError, Exception);
RTL_DECLARE_EXCEPTION(EStringListError, Exception);
RTL_DECLARE_EXCEPTION(EStreamError, Exception);
RTL_DECLARE_EXCEPTION(EReadError, EStreamError);
RTL_DECLARE_EXCEPTION(EWriteError, EStreamError);
RTL_DECLARE_EXCEPTION(EFCreateError, EStreamError);
RTL_DECLARE_EXCEPTION(EFOpenError, EStreamError);
RTL_DECLARE_EXCEPTION(EFilerError, EStreamError);
RTL_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
RTL_DECLARE_EXCEPTION(EParserError, Exception);
RTL_DECLARE_EXCEPTION(EInvalidCast, Exception);
RTL_DECLARE_EXCEPTION(EInvalidOperation, Exception);
RTL_DECLARE_EXCEPTION(EInvalidOp, Exception);
RTL_DECLARE_EXCEPTION(EComponentError, Exception);
RTL_DECLARE_EXCEPTION(EThread, Exception);
RTL_DECLARE_EXCEPTION(EOutOfMemory, Exception);

class EInOutError : public Exception {
 public:
  using Exception::Exception;
  EInOutError(const String& message, int32_t errorCode) : Exception(message), ErrorCode(errorCode) {}
  const char* ClassName() const override { return "EInOutError"; }
  int32_t ErrorCode = 0;
};

class EOSError : public Exception {
 public:
  using Exception::Exception;
  EOSError(const String& message, uint32_t errorCode) : Exception(message), ErrorCode(errorCode) {}
  const char* ClassName() const override { return "EOSError"; }
  uint32_t ErrorCode = 0;
};

// Raises EOSError for the calling thread's errno ("System Error.  Code: %d.\n%s").
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(int errorCode);

// Runs fn and turns std::bad_alloc into EOutOfMemory.
template <class F>
auto TranslateOutOfMemory(F&& fn) -> decltype(fn()) {
  try {
    return fn();
  } catch (const std::bad_alloc&) {
    throw EOutOfMemory("Out of memory");
  }
}
