#include "DiskSpace.h"

#include <windows.h>

#include <algorithm>

#include "ChecksumList.h"
#include "FileOps.h"

namespace {

// The nearest folder of Path that exists: the target folder may not be made yet.
std::wstring ExistingFolderOf(const std::wstring& Path) {
  std::wstring folder = Path;
  for (;;) {
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    const size_t separator = folder.find_last_of(L'\\');
    if (separator == std::wstring::npos) return std::wstring();
    folder.resize(separator + 1);
    if (DirectoryExists(folder)) return folder;
  }
}

struct TDrive {
  TDriveSpace Space;
  std::wstring Key;
  unsigned long long Largest = 0;
};

TDrive& DriveOf(const std::wstring& Destination, std::vector<TDrive>& Drives) {
  const std::wstring folder = ExistingFolderOf(Destination);
  wchar_t volume[MAX_PATH] = L"";
  if (folder.empty() || !GetVolumePathNameW(folder.c_str(), volume, MAX_PATH)) {
    // Not on any drive there is: one entry for every such path, which no figure can be told for.
    wcscpy(volume, L"?");
  }
  const std::wstring key = FoldedPath(volume);
  for (TDrive& drive : Drives)
    if (drive.Key == key) return drive;
  TDrive drive;
  drive.Key = key;
  std::wstring name = volume;
  if (name.size() == 3 && name[1] == L':' && name[2] == L'\\') name.pop_back();
  drive.Space.Drive = name;
  ULARGE_INTEGER forCaller{};
  drive.Space.Known = !folder.empty() && GetDiskFreeSpaceExW(folder.c_str(), &forCaller, nullptr, nullptr);
  drive.Space.Free = forCaller.QuadPart;
  Drives.push_back(drive);
  return Drives.back();
}

unsigned long long Mebibytes(unsigned long long Bytes, bool Up) {
  return (Bytes + (Up ? (1ull << 20) - 1 : 0)) >> 20;
}

}  // namespace

std::vector<TDriveSpace> SpaceNeeded(const std::wstring& Source, const std::wstring& Target, const TPlannedReads& Reads) {
  std::vector<TDrive> drives;
  DriveOf(Target, drives).Space.Needed += TargetSmallFiles;
  for (const TPlannedCopy& copy : Reads.Copies) {
    TDrive& drive = DriveOf(copy.Destination, drives);
    const unsigned long long size = FileBytes(Source + copy.Source);
    const unsigned long long existing = FileBytes(copy.Destination);
    if (size > existing) drive.Space.Needed += size - existing;
    // A new file's copy beside its name is the file itself; one that replaces a file is there beside it.
    if (FileExists(copy.Destination)) drive.Largest = std::max(drive.Largest, size);
  }
  std::vector<TDriveSpace> spaces;
  for (TDrive& drive : drives) {
    drive.Space.Needed += drive.Largest;
    spaces.push_back(drive.Space);
  }
  return spaces;
}

std::wstring SpaceText(const TDriveSpace& Space) {
  return L"Требуется на диске " + Space.Drive + L" " + std::to_wstring(Mebibytes(Space.Needed, true)) +
         L" МБ, свободно " + std::to_wstring(Mebibytes(Space.Free, false)) + L" МБ";
}

const TDriveSpace* FirstShortDrive(const std::vector<TDriveSpace>& Spaces) {
  for (const TDriveSpace& space : Spaces)
    if (!space.Enough()) return &space;
  return nullptr;
}

std::wstring NoRoomText(const TDriveSpace& Space) {
  return L"Недостаточно места на диске. " + SpaceText(Space) +
         L". Освободите место или выберите другую папку для установки.";
}
