// The calling thread's last error in the system's numbering, the mapping of
// errno values onto it, result codes built from it, and the English texts of
// the common codes.
#pragma once

#include <cstdint>

#include "platform/rtl/types.h"

using HRESULT = int32_t;

inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_OUTOFMEMORY = 14;
inline constexpr uint32_t ERROR_NOT_SAME_DEVICE = 17;
inline constexpr uint32_t ERROR_NO_MORE_FILES = 18;
inline constexpr uint32_t ERROR_WRITE_PROTECT = 19;
inline constexpr uint32_t ERROR_NOT_READY = 21;
inline constexpr uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr uint32_t ERROR_HANDLE_EOF = 38;
inline constexpr uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_BROKEN_PIPE = 109;
inline constexpr uint32_t ERROR_DISK_FULL = 112;
inline constexpr uint32_t ERROR_INVALID_NAME = 123;
inline constexpr uint32_t ERROR_DIR_NOT_EMPTY = 145;
inline constexpr uint32_t ERROR_BUSY = 170;
inline constexpr uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr uint32_t ERROR_FILENAME_EXCED_RANGE = 206;
inline constexpr uint32_t ERROR_DIRECTORY = 267;
inline constexpr uint32_t ERROR_NOT_OWNER = 288;
inline constexpr uint32_t ERROR_CANCELLED = 1223;
inline constexpr uint32_t ERROR_CANT_RESOLVE_FILENAME = 1921;
inline constexpr uint32_t ERROR_TIMEOUT = 1460;
inline constexpr uint32_t ERROR_NO_ASSOCIATION = 1155;

// The last error of the calling thread (0 at first).
uint32_t GetLastError();
void SetLastError(uint32_t code);
// errno value -> system error code (ERROR_GEN_FAILURE for the rare ones).
uint32_t Win32ErrorFromErrno(int err);
// SetLastError(Win32ErrorFromErrno(err)) and answers that code.
uint32_t SetLastErrorFromErrno(int err);

// Result codes: negative is failure. A system error code x > 0 becomes
// 0x8007xxxx; 0 (and values <= 0) stay as they are.
constexpr HRESULT HRESULT_FROM_WIN32(uint32_t x) {
  return static_cast<int32_t>(x) <= 0 ? static_cast<HRESULT>(x) : static_cast<HRESULT>((x & 0x0000FFFFu) | 0x80070000u);
}
constexpr uint32_t HRESULT_CODE(HRESULT hr) { return static_cast<uint32_t>(hr) & 0xFFFFu; }
constexpr uint32_t HRESULT_FACILITY(HRESULT hr) { return (static_cast<uint32_t>(hr) >> 16) & 0x1FFFu; }
constexpr HRESULT MAKE_HRESULT(uint32_t severity, uint32_t facility, uint32_t code) {
  return static_cast<HRESULT>((severity << 31) | (facility << 16) | (code & 0xFFFFu));
}

inline constexpr uint32_t FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
inline constexpr uint32_t FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;

// Only FORMAT_MESSAGE_FROM_SYSTEM is served (other sources answer 0 with
// ERROR_INVALID_PARAMETER); inserts are never expanded. The text of a system
// error code, or of a result code made from one (0x8007xxxx) or one of the
// common COM results; "Unknown error 0x%08X" for anything else. The text has
// no line end. The char* form copies at most size - 1 bytes and a NUL;
// both answer the length of the text stored (0 on failure).
uint32_t FormatMessage(uint32_t flags, const void* source, uint32_t messageId, uint32_t languageId, char* buffer,
                       uint32_t size, void* arguments);
uint32_t FormatMessage(uint32_t flags, const void* source, uint32_t messageId, uint32_t languageId, String& buffer);
// The text FormatMessage gives for a code.
String SystemErrorText(uint32_t code);
