#include "platform/rtl/winerror.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

thread_local uint32_t tLastError = 0;

struct TErrorText {
  uint32_t Code;
  const char* Text;
};

constexpr TErrorText kTexts[] = {
    {0, "The operation completed successfully."},
    {1, "Incorrect function."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {4, "The system cannot open the file."},
    {5, "Access is denied."},
    {6, "The handle is invalid."},
    {8, "Not enough memory resources are available to process this command."},
    {14, "Not enough memory resources are available to complete this operation."},
    {17, "The system cannot move the file to a different disk drive."},
    {18, "There are no more files."},
    {19, "The media is write protected."},
    {21, "The device is not ready."},
    {31, "A device attached to the system is not functioning."},
    {32, "The process cannot access the file because it is being used by another process."},
    {38, "Reached the end of the file."},
    {50, "The request is not supported."},
    {80, "The file exists."},
    {87, "The parameter is incorrect."},
    {109, "The pipe has been ended."},
    {112, "There is not enough space on the disk."},
    {123, "The filename, directory name, or volume label syntax is incorrect."},
    {145, "The directory is not empty."},
    {170, "The requested resource is in use."},
    {183, "Cannot create a file when that file already exists."},
    {206, "The filename or extension is too long."},
    {267, "The directory name is invalid."},
    {288, "Attempt to release mutex not owned by caller."},
    {1155, "No application is associated with the specified file for this operation."},
    {1223, "The operation was canceled by the user."},
    {1460, "This operation returned because the timeout period expired."},
    {1921, "The name of the file cannot be resolved by the system."},
};

struct TResultText {
  uint32_t Code;
  const char* Text;
};

constexpr TResultText kResults[] = {
    {0x80004001u, "Not implemented"},
    {0x80004002u, "No such interface supported"},
    {0x80004003u, "Invalid pointer"},
    {0x80004004u, "Operation aborted"},
    {0x80004005u, "Unspecified error"},
    {0x8000FFFFu, "Catastrophic failure"},
    {0x80040154u, "Class not registered"},
    {0x80040110u, "Class does not support aggregation"},
    {0x8001010Eu, "The application called an interface that was marshalled for a different thread."},
    {0x800A004Cu, "Path not found."},
};

const char* TextOf(uint32_t code) {
  for (const TErrorText& t : kTexts)
    if (t.Code == code) return t.Text;
  if ((code & 0xFFFF0000u) == 0x80070000u) {
    const uint32_t low = code & 0xFFFFu;
    for (const TErrorText& t : kTexts)
      if (t.Code == low && low != 0) return t.Text;
  }
  for (const TResultText& r : kResults)
    if (r.Code == code) return r.Text;
  return nullptr;
}

}  // namespace

uint32_t GetLastError() { return tLastError; }
void SetLastError(uint32_t code) { tLastError = code; }

uint32_t Win32ErrorFromErrno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY: return ERROR_BUSY;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EISDIR: return ERROR_DIRECTORY;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case ENOSYS:
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    case ECANCELED: return ERROR_CANCELLED;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ENODEV:
    case ENXIO: return ERROR_NOT_READY;
    default: return ERROR_GEN_FAILURE;
  }
}

uint32_t SetLastErrorFromErrno(int err) {
  const uint32_t code = Win32ErrorFromErrno(err);
  SetLastError(code);
  return code;
}

String SystemErrorText(uint32_t code) {
  if (const char* t = TextOf(code)) return t;
  char buf[40];
  std::snprintf(buf, sizeof buf, "Unknown error 0x%08X", code);
  return buf;
}

uint32_t FormatMessage(uint32_t flags, const void*, uint32_t messageId, uint32_t, String& buffer) {
  if (!(flags & FORMAT_MESSAGE_FROM_SYSTEM)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    buffer.clear();
    return 0;
  }
  buffer = SystemErrorText(messageId);
  return static_cast<uint32_t>(buffer.size());
}

uint32_t FormatMessage(uint32_t flags, const void* source, uint32_t messageId, uint32_t languageId, char* buffer,
                       uint32_t size, void*) {
  String text;
  if (FormatMessage(flags, source, messageId, languageId, text) == 0) return 0;
  if (!buffer || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return static_cast<uint32_t>(n);
}
