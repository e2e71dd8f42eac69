#pragma once
// Room on the drives before the run: what the copies need on each drive against what the user may still
// write there (quotas count), so a full disk is found before a copy fails half-way.
#include <string>
#include <vector>

#include "PlannedCopies.h"

struct TDriveSpace {
  std::wstring Drive;            // "C:" for a drive root, else the volume's mount folder
  unsigned long long Needed = 0;  // bytes
  unsigned long long Free = 0;    // bytes the caller may write (GetDiskFreeSpaceExW)
  bool Known = false;             // false when the drive cannot be asked (no such drive)
  bool Enough() const { return !Known || Needed <= Free; }
};

// Room the settings files, the logs and the record take in the target beside the copies (a few KiB).
constexpr unsigned long long TargetSmallFiles = 64ull << 10;

// Per drive the copies go to, in the order first met (the target's drive first): what each copy adds
// over the file it replaces, plus room for the largest copy made beside a file it replaces before the
// rename; the target's drive also TargetSmallFiles.
std::vector<TDriveSpace> SpaceNeeded(const std::wstring& Source, const std::wstring& Target, const TPlannedReads& Reads);

// "Требуется на диске X: N МБ, свободно M МБ" (needed rounded up, free rounded down).
std::wstring SpaceText(const TDriveSpace& Space);
// The first drive without enough room; nullptr when every drive has it.
const TDriveSpace* FirstShortDrive(const std::vector<TDriveSpace>& Spaces);
// The box and log line of a drive without enough room.
std::wstring NoRoomText(const TDriveSpace& Space);

// Test seam, as the slow medium's: a test build may leave the check out, standing for a drive that another
// program fills after it, so that a test reaches the copies that a full drive then fails. The shipped
// program always makes it.
bool SpaceCheckWanted();
