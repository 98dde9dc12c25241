#include "platform/rtl/exceptions.h"

#include <cstring>
#include <cerrno>

#include "platform/rtl/format.h"

Exception::Exception(const String& fmt, TVarRecList args) : FMessage(Format(fmt, args)) {}

void RaiseLastOSError() { RaiseLastOSError(errno); }

void RaiseLastOSError(int errorCode) {
  throw EOSError(Format("System Error.  Code: %d.\n%s", {errorCode, String(std::strerror(errorCode))}),
                 static_cast<uint32_t>(errorCode));
}
