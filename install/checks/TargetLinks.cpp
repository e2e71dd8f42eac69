#include "TargetLinks.h"

#include <windows.h>

#include "Error.h"
#include "Scoped.h"
#include "ServedReads.h"
#include "TargetRemoval.h"

namespace {

std::wstring FinalPathOfPath(const std::wstring& Path) {
  TScopedFile file(CreateFileW(Path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.Valid()) return std::wstring();
  std::wstring final = FinalPathOf(file.Get());
  while (!final.empty() && final.back() == L'\\') final.pop_back();
  return final;
}

bool Below(const std::wstring& Root, const std::wstring& Final) {
  return Final.size() > Root.size() && Final[Root.size()] == L'\\' &&
         CompareStringOrdinal(Final.c_str(), static_cast<int>(Root.size()), Root.c_str(),
                              static_cast<int>(Root.size()), TRUE) == CSTR_EQUAL;
}

bool SamePath(const std::wstring& Left, const std::wstring& Right) {
  return CompareStringOrdinal(Left.c_str(), static_cast<int>(Left.size()), Right.c_str(),
                              static_cast<int>(Right.size()), TRUE) == CSTR_EQUAL;
}

// Folder is where FolderFinal says. Every entry is judged by where it leads, not by its attributes: Wine
// does not mark a link to a file as a reparse point. Only a folder that is where its name says is looked
// into, so no link is followed and no loop is walked.
bool Search(const std::wstring& Root, const std::wstring& Folder, const std::wstring& FolderFinal, TLinkOut& Found) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileExW((Folder + L"*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return false;
  bool found = false;
  do {
    BeforeMediumLookup();
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = Folder + name;
    const std::wstring leadsTo = FinalPathOfPath(path);
    const std::wstring own = FolderFinal + L"\\" + name;
    if (leadsTo.empty() ? (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 : !Below(Root, leadsTo)) {
      Found = {path, leadsTo};
      found = true;
    } else if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
               SamePath(leadsTo, own)) {
      found = Search(Root, path + L"\\", own, Found);
    }
  } while (!found && FindNextFileW(search, &entry));
  FindClose(search);
  return found;
}

}  // namespace

TLinkOut FindLinkLeadingOut(const std::wstring& Target) {
  TLinkOut found;
  const std::wstring root = FinalPathOfPath(Target);
  if (!root.empty()) Search(root, Target, root, found);
  return found;
}

std::wstring LinkLeadingOutText(const TLinkOut& Found) {
  const std::wstring where = Found.LeadsTo.empty() ? std::wstring(L"в несуществующее место")
                                                   : L"в \"" + Found.LeadsTo + L"\"";
  return L"В папке установки есть ссылка, ведущая за её пределы: \"" + Found.Link + L"\" ведёт " + where +
         L". Установка прервана: удалите ссылку и повторите установку.";
}

namespace {

struct TConfinement {
  std::wstring Text;   // the target as the plan spells it, with its trailing backslash
  std::wstring Final;  // where it is, without one; empty while nothing is confined
};
TConfinement Confinement;

bool MeantForTarget(const std::wstring& Path) {
  const std::wstring& text = Confinement.Text;
  // A target the run itself creates is found once it is there.
  if (!text.empty() && Confinement.Final.empty()) Confinement.Final = FinalPathOfPath(text);
  return !Confinement.Final.empty() && Path.size() > text.size() &&
         CompareStringOrdinal(Path.c_str(), static_cast<int>(text.size()), text.c_str(), static_cast<int>(text.size()),
                              TRUE) == CSTR_EQUAL;
}

std::wstring WithoutTrailingBackslash(std::wstring Path) {
  while (!Path.empty() && Path.back() == L'\\') Path.pop_back();
  return Path;
}

}  // namespace

TWritesInsideTarget::TWritesInsideTarget(const std::wstring& Target) {
  Confinement = {Target, FinalPathOfPath(Target)};
}

TWritesInsideTarget::~TWritesInsideTarget() { Confinement = TConfinement(); }

bool WrittenInside(HANDLE File, const std::wstring& Path) {
  if (!MeantForTarget(Path)) return true;
  const std::wstring final = WithoutTrailingBackslash(FinalPathOf(File));
  return SamePath(final, Confinement.Final) || Below(Confinement.Final, final);
}

void CheckWrittenInside(HANDLE File, const std::wstring& Path) {
  if (!WrittenInside(File, Path)) throw EProgramError(LinkLeadingOutText({Path, FinalPathOf(File)}));
}

HANDLE HoldFolderInside(const std::wstring& Path) {
  if (!MeantForTarget(Path)) return INVALID_HANDLE_VALUE;
  const std::wstring folder = Path.substr(0, Path.find_last_of(L'\\'));
  // Listing access, not attributes alone: a handle without data access takes no part in sharing, and would
  // keep nobody from renaming the folder.
  const HANDLE held = CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                  nullptr);
  // A folder that cannot be opened is no write either: the write's own error tells of it.
  if (held == INVALID_HANDLE_VALUE) return held;
  if (!WrittenInside(held, folder + L"\\")) {
    const std::wstring final = FinalPathOf(held);
    CloseHandle(held);
    throw EProgramError(LinkLeadingOutText({folder, final}));
  }
  return held;
}
