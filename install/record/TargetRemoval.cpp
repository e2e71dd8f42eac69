#include "TargetRemoval.h"

#include "Scoped.h"

namespace {

bool IsGone(DWORD Code) { return Code == ERROR_FILE_NOT_FOUND || Code == ERROR_PATH_NOT_FOUND; }

// Inside Root: below it, and not in the folders that always stay.
bool InsideAndRemovable(const std::wstring& Root, const std::wstring& Final) {
  if (Root.empty() || Final.size() <= Root.size() + 1 || Final[Root.size()] != L'\\') return false;
  if (CompareStringOrdinal(Final.c_str(), static_cast<int>(Root.size()), Root.c_str(), static_cast<int>(Root.size()),
                           TRUE) != CSTR_EQUAL)
    return false;
  return !IsKeptArea(Final.substr(Root.size() + 1));
}

bool SetAttributes(HANDLE File, DWORD Attributes) {
  FILE_BASIC_INFO basic{};
  if (!GetFileInformationByHandleEx(File, FileBasicInfo, &basic, sizeof(basic))) return false;
  // Zero times leave the times as they are.
  basic.CreationTime.QuadPart = basic.LastAccessTime.QuadPart = basic.LastWriteTime.QuadPart =
      basic.ChangeTime.QuadPart = 0;
  basic.FileAttributes = Attributes == 0 ? FILE_ATTRIBUTE_NORMAL : Attributes;
  return SetFileInformationByHandle(File, FileBasicInfo, &basic, sizeof(basic)) != FALSE;
}

}  // namespace

std::wstring FinalPathOf(HANDLE Handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetFinalPathNameByHandleW(Handle, path.data(), static_cast<DWORD>(path.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return std::wstring();
    if (length < path.size()) return path.substr(0, length);
    path.resize(length + 1);
  }
}

TTargetRemover::TTargetRemover(const std::wstring& Target) : FTarget(Target) {
  TScopedFile root(CreateFileW(Target.c_str(), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!root.Valid()) return;
  FRoot = FinalPathOf(root.Get());
  while (!FRoot.empty() && FRoot.back() == L'\\') FRoot.pop_back();
}

TRemovalResult TTargetRemover::Remove(const TRecordEntry& Entry) const {
  const std::wstring path = FTarget + Entry.Path;
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES && IsGone(GetLastError())) return {rmMissing, 0};
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) return {rmLink, 0};
  // The link at the end is opened, not followed; one on the way is followed, and the final path shows where.
  TScopedFile file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.Valid()) {
    const DWORD code = GetLastError();
    return {IsGone(code) ? rmMissing : rmFailed, code};
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(file.Get(), &information)) return {rmFailed, GetLastError()};
  if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return {rmLink, 0};
  if (((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != Entry.Folder) return {rmOtherKind, 0};
  const std::wstring where = FinalPathOf(file.Get());
  if (where.empty()) return {rmFailed, GetLastError()};
  if (!InsideAndRemovable(FRoot, where)) return {rmOutside, 0};

  // Windows refuses to delete a read-only file; the bit comes back if the delete fails after all.
  const bool readOnly = !Entry.Folder && (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY);
  if (readOnly && !SetAttributes(file.Get(), information.dwFileAttributes & ~DWORD(FILE_ATTRIBUTE_READONLY)))
    return {rmFailed, GetLastError()};
  FILE_DISPOSITION_INFO disposition{TRUE};
  if (SetFileInformationByHandle(file.Get(), FileDispositionInfo, &disposition, sizeof(disposition))) {
    // Gone once the one handle to it is closed, which is now.
    file.Reset();
    return {rmRemoved, 0};
  }
  const DWORD code = GetLastError();
  if (readOnly) SetAttributes(file.Get(), information.dwFileAttributes);
  if (code == ERROR_DIR_NOT_EMPTY) return {rmNotEmpty, code};
  return {rmFailed, code};
}
