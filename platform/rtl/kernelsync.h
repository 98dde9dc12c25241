// Kernel objects addressed by handle and the waits on them: mutexes (owned by
// a thread, re-entrant, abandoned when the owner ends), events, threads
// (signalled when they end) and folder change notifications over inotify.
// Waits poll() eventfds and the inotify descriptors; finite time-outs run on
// the real clock. Handles are ids, never reused; a closed or made-up handle
// fails with ERROR_INVALID_HANDLE. Every call may come from any thread.
#pragma once

#include <cstdint>

#include "platform/rtl/threads.h"
#include "platform/rtl/types.h"
#include "platform/rtl/winerror.h"

struct HANDLE__;
using HANDLE = HANDLE__*;
inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~uintptr_t(0));

inline constexpr uint32_t WAIT_OBJECT_0 = 0x00000000;
inline constexpr uint32_t WAIT_ABANDONED_0 = 0x00000080;
inline constexpr uint32_t WAIT_ABANDONED = WAIT_ABANDONED_0;
inline constexpr uint32_t WAIT_TIMEOUT = 0x00000102;
inline constexpr uint32_t WAIT_FAILED = 0xFFFFFFFF;
inline constexpr uint32_t MAXIMUM_WAIT_OBJECTS = 64;
inline constexpr uint32_t STILL_ACTIVE = 259;
inline constexpr uint32_t CREATE_SUSPENDED = 0x00000004;

// Unnamed objects only: a name is refused (nullptr with ERROR_NOT_SUPPORTED).
HANDLE CreateMutex(void* attributes, bool initialOwner, const char* name);
// ERROR_NOT_OWNER when the caller does not own the mutex.
bool ReleaseMutex(HANDLE mutex);
HANDLE CreateEvent(void* attributes, bool manualReset, bool initialState, const char* name);
bool SetEvent(HANDLE event);
bool ResetEvent(HANDLE event);

// The routine runs on a new thread; the handle is signalled once it has
// returned (its result is the exit code). CREATE_SUSPENDED is refused.
using LPTHREAD_START_ROUTINE = uint32_t (*)(void* parameter);
HANDLE CreateThread(void* attributes, size_t stackSize, LPTHREAD_START_ROUTINE start, void* parameter, uint32_t flags,
                    uint32_t* threadId);
// STILL_ACTIVE while the thread runs.
bool GetExitCodeThread(HANDLE thread, uint32_t* exitCode);

// WAIT_OBJECT_0 (+ index), WAIT_ABANDONED_0 (+ index) when a mutex was
// taken over from a thread that ended owning it, WAIT_TIMEOUT, or
// WAIT_FAILED with GetLastError. Waiting for all takes every object at once.
uint32_t WaitForSingleObject(HANDLE handle, uint32_t milliseconds);
uint32_t WaitForMultipleObjects(uint32_t count, const HANDLE* handles, bool waitAll, uint32_t milliseconds);
bool CloseHandle(HANDLE handle);

// ---- Folder change notification -------------------------------------------------
inline constexpr uint32_t FILE_NOTIFY_CHANGE_FILE_NAME = 0x001;
inline constexpr uint32_t FILE_NOTIFY_CHANGE_DIR_NAME = 0x002;
inline constexpr uint32_t FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x004;
inline constexpr uint32_t FILE_NOTIFY_CHANGE_SIZE = 0x008;
inline constexpr uint32_t FILE_NOTIFY_CHANGE_LAST_WRITE = 0x010;
inline constexpr uint32_t FILE_NOTIFY_CHANGE_LAST_ACCESS = 0x020;
inline constexpr uint32_t FILE_NOTIFY_CHANGE_CREATION = 0x040;
inline constexpr uint32_t FILE_NOTIFY_CHANGE_SECURITY = 0x100;

// A handle that is signalled once a change the filter names happens in the
// folder (and, with watchSubtree, in every folder below it, new ones
// included). Name changes of files and of folders are told apart; a lost
// event queue signals too. INVALID_HANDLE_VALUE with GetLastError on
// failure.
HANDLE FindFirstChangeNotification(const String& pathName, bool watchSubtree, uint32_t notifyFilter);
// Re-arms the handle; changes already queued signal it again at once. Fails
// (ERROR_ACCESS_DENIED) once the folder was deleted or moved away.
bool FindNextChangeNotification(HANDLE changeHandle);
bool FindCloseChangeNotification(HANDLE changeHandle);
