// Volumes: the mount table (from /proc/self/mounts, or a source a test
// installs), the drive type of a path by its longest matching mount, free
// space, and which paths are volume roots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/rtl/types.h"

struct TMountEntry {
  String Device;
  String MountPoint;  // decoded (\040 and friends), without a trailing "/" except "/"
  String FsType;
};

// Parses mounts text (device, mount point, type, ... per line; blanks, tabs,
// newlines and backslashes as octal escapes). At most 4 MiB and 100,000
// lines are looked at; malformed lines are skipped.
std::vector<TMountEntry> ParseMountTable(const char* data, size_t size);

// Replaces the mount table's source (its text); an empty function restores
// /proc/self/mounts. The table is read again on next use.
void SetMountTableSource(std::function<String()> source);
std::vector<TMountEntry> MountTable();

// The longest mount containing the path (compared by whole segments after
// lexical normalisation); false when the table has none.
bool FindMount(const String& path, TMountEntry& mount);
// The volumes the Computer folder shows: "/" first, then the mounts under
// /media, /run/media/$USER and /mnt (pseudo file systems left out), sorted.
std::vector<String> ShellVolumes();

// The longest of volumes whose segments begin path ("/" when none does).
String LongestVolume(const String& path, const std::vector<String>& volumes);
// The drive type a mount gives its paths (see GetDriveType).
uint32_t DriveTypeOfMount(const TMountEntry& mount);

bool IsRemoteFsType(const String& fsType);
// Whether the path lies on a remote mount.
bool IsRemotePath(const String& path);

inline constexpr uint32_t DRIVE_UNKNOWN = 0;
inline constexpr uint32_t DRIVE_NO_ROOT_DIR = 1;
inline constexpr uint32_t DRIVE_REMOVABLE = 2;
inline constexpr uint32_t DRIVE_FIXED = 3;
inline constexpr uint32_t DRIVE_REMOTE = 4;
inline constexpr uint32_t DRIVE_CDROM = 5;
inline constexpr uint32_t DRIVE_RAMDISK = 6;

// By the path's longest mount: REMOTE for nfs, nfs4, cifs, smb3, sshfs,
// fuse.sshfs; CDROM for iso9660 and udf; RAMDISK for tmpfs and ramfs;
// REMOVABLE under /media and /run/media; FIXED otherwise. NO_ROOT_DIR for a
// path that does not exist.
uint32_t GetDriveType(const String& rootPathName);
// statvfs of the folder; false (GetLastError) when it cannot be asked.
bool GetDiskFreeSpaceEx(const String& directoryName, uint64_t* freeBytesAvailable, uint64_t* totalBytes,
                        uint64_t* totalFreeBytes);
// "/" and the volumes' mount points (with or without a trailing "/").
bool PathIsRoot(const String& path);
