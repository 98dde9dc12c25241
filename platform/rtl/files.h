// Files, folders, paths and processes over POSIX. Paths use "/", names are
// compared case-sensitively, wildcards and extensions case-insensitively, and
// the process's current folder is never changed.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/types.h"

// ------------------------------------------------------------ files and folders

bool FileExists(const String& FileName);  // false for folders; follows links
bool DirectoryExists(const String& Directory);
// Creates Dir and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(const String& Dir);
bool CreateDir(const String& Dir);
bool RemoveDir(const String& Dir);  // only an empty folder
bool DeleteFile(const String& FileName);
// Never replaces an existing NewName (false instead). A rename that changes
// only the letter case goes through a temporary name.
bool RenameFile(const String& OldName, const String& NewName);

// ------------------------------------------------------------ searching

constexpr int32_t faReadOnly = 0x01;  // no write permission bit set
constexpr int32_t faHidden = 0x02;    // name starts with '.'
constexpr int32_t faSysFile = 0x04;   // device, pipe or socket
constexpr int32_t faVolumeID = 0x08;
constexpr int32_t faDirectory = 0x10;
constexpr int32_t faArchive = 0x20;  // regular file
constexpr int32_t faSymLink = 0x40;
constexpr int32_t faAnyFile = 0x3F;

struct TSearchState;

struct TSearchRec {
  int32_t Time = 0;  // modification time as a local DOS date
  int64_t Size = 0;  // 0 for folders
  int32_t Attr = 0;
  String Name;
  int32_t ExcludeAttr = 0;
  int64_t MTime = 0;  // modification time, POSIX seconds
  std::shared_ptr<TSearchState> FindHandle;
};

// Path is a folder plus a name mask ("/photos/*.jpg"). Entries come sorted by
// name; "." and ".." are never returned. Folders, hidden and system entries
// are returned only when Attr asks for them. Answer 0 when an entry was
// found, non-zero otherwise (2 no match, 3 folder not readable, 18 no more).
int FindFirst(const String& Path, int32_t Attr, TSearchRec& F);
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);

// '*' matches any run of characters, '?' one character; ASCII letters match
// either case; "*.*" matches every name, with or without a dot.
bool MatchesMask(const String& Name, const String& Mask);
// Masks separated by ';' ("*.jpg;*.png"); true when any matches.
bool MatchesMaskList(const String& Name, const String& Masks);

// ------------------------------------------------------------ file dates

int32_t FileAge(const String& FileName);                            // local DOS date; -1 if missing or a folder
int32_t FileGetDate(const String& FileName);                        // local DOS date; -1 if missing
int FileSetDate(const String& FileName, int32_t dosDate);           // 0 or an errno value
bool FileGetModified(const String& FileName, TDateTime& DateTime);  // local time
bool FileSetModified(const String& FileName, TDateTime DateTime);

// ------------------------------------------------------------ paths

String GetTempPath();  // $TMPDIR, else /tmp; ends with "/"
String GetCurrentDir();
String ExtractFilePath(const String& FileName);   // up to and with the last "/"
String ExtractFileDir(const String& FileName);    // the same without the "/" (a root keeps it)
String ExtractFileName(const String& FileName);   // after the last "/"
String ExtractFileExt(const String& FileName);    // from the last "." of the name, or ""
String ExtractFileDrive(const String& FileName);  // always "": no drives
String ChangeFileExt(const String& FileName, const String& Extension);
String IncludeTrailingPathDelimiter(const String& S);
String ExcludeTrailingPathDelimiter(const String& S);
// An absolute path with "." and ".." resolved lexically against Base (the
// current folder when empty). Links are not followed.
String ExpandFileName(const String& FileName, const String& Base = String());

// ------------------------------------------------------------ the process

// Called by main so that ParamStr/ParamCount see the command line.
void SetCommandLine(int argc, char** argv);
int32_t ParamCount();
String ParamStr(int32_t Index);  // 0 = the running executable; "" out of range
String GetModuleFileName();      // the running executable, absolute
// Starts argv[0] (searched in PATH) with argv, without a shell. With wait,
// answers its exit code (128 + signal when killed); without, 0 once started.
// -1 when it cannot be started.
int RunProcess(const std::vector<String>& argv, bool wait = true);
