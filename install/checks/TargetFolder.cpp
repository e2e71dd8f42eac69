#include "TargetFolder.h"

#include <windows.h>

#include "FileOps.h"
#include "Paths.h"
#include "Scoped.h"
#include "TargetRemoval.h"
#include "Text.h"

namespace {

std::wstring WithBackslashes(std::wstring Path) {
  for (wchar_t& c : Path)
    if (c == L'/') c = L'\\';
  return Path;
}

bool OnlyBackslashesFrom(const std::wstring& Path, size_t Position) {
  return Position >= Path.size() || Path.find_first_not_of(L'\\', Position) == std::wstring::npos;
}

// After the share's name ("\\server\share\"), where its folders begin; npos when there is no share.
size_t ShareRootEnd(const std::wstring& Path) {
  const size_t server = Path.find(L'\\', 2);
  if (server == std::wstring::npos) return std::wstring::npos;
  return Path.find(L'\\', server + 1);
}

// The text of the path alone. The system drops "." and "..", blanks and dots at a name's end and turns
// "/" into "\\" only for paths without the "\\?\" prefix; with it the name goes to the file system as it
// is, so the part after the volume is normalised here the same way, which can only refuse more.
bool SpellsAVolumeRoot(const std::wstring& Folder) {
  std::wstring path = WithBackslashes(FullPathOf(WithBackslashes(Folder)));
  if (StartsWithIgnoringCase(path, L"\\\\?\\") || StartsWithIgnoringCase(path, L"\\\\.\\")) {
    const std::wstring rest = path.substr(4);
    if (StartsWithIgnoringCase(rest, L"UNC\\")) {
      path = FullPathOf(L"\\\\" + rest.substr(4));
    } else if (rest.size() >= 2 && rest[1] == L':') {
      path = FullPathOf(rest);
    } else {
      // A volume or device by its own name ("Volume{...}", "GLOBALROOT\Device\HarddiskVolume1"): its
      // root is where its name ends; what follows is judged as if it followed a drive's root.
      size_t from = 0;
      for (int names = StartsWithIgnoringCase(rest, L"GLOBALROOT\\") ? 3 : 1; names > 0; --names) {
        const size_t end = rest.find(L'\\', from);
        if (end == std::wstring::npos) return true;
        from = end + 1;
      }
      path = FullPathOf(L"C:\\" + rest.substr(from));
    }
    path = WithBackslashes(path);
  }
  if (path.size() >= 2 && path[1] == L':') return OnlyBackslashesFrom(path, 2);
  if (StartsWithIgnoringCase(path, L"\\\\")) {
    const size_t shareEnd = ShareRootEnd(path);
    return shareEnd == std::wstring::npos || OnlyBackslashesFrom(path, shareEnd);
  }
  return false;
}

}  // namespace

bool NamesAVolumeRoot(const std::wstring& Folder) {
  if (SpellsAVolumeRoot(Folder)) return true;
  // A folder that is a link or junction to a root, or a subst drive's root reached through it.
  TScopedFile folder(CreateFileW(Folder.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!folder.Valid()) return false;
  const std::wstring final = FinalPathOf(folder.Get());
  return !final.empty() && SpellsAVolumeRoot(final);
}

TTargetCheck CheckTargetFolder(const std::wstring& Typed, std::wstring& Folder) {
  Folder = TrimBlanks(Typed);
  if (Folder.empty()) return tcEmpty;
  if (Folder.back() != L'\\') Folder += L'\\';
  // Counting characters refuses one- or two-letter names; a root has more spellings than "C:\\".
  return Folder.size() <= 3 || NamesAVolumeRoot(Folder) ? tcRoot : tcValid;
}

void PrepareTargetFolder(const std::wstring& Folder) {
  if (!DirectoryExists(Folder)) CreateDir(Folder);
  const std::wstring settings = Folder + L"Settings\\";
  if (!DirectoryExists(settings)) CreateDir(settings);
}

std::wstring FullFolderPath(const std::wstring& Folder) {
  std::wstring full = FullPathOf(Folder);
  if (!full.empty() && full.back() != L'\\') full += L'\\';
  return full;
}
