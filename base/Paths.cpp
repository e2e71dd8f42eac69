#include "Paths.h"

#include <windows.h>

std::wstring ProgramFolderOf(const std::wstring& FileName) {
  const size_t lastSeparator = FileName.find_last_of(L'\\');
  if (lastSeparator == std::wstring::npos) return std::wstring();
  return FileName.substr(0, lastSeparator + 1);
}

std::wstring ProgramFile() {
  // A program deep in a long path needs more than MAX_PATH characters; grow until the name fits.
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return std::wstring();
    if (length < path.size()) return path.substr(0, length);
    if (path.size() >= 32768) return std::wstring();
    path.resize(path.size() * 2);
  }
}

std::wstring ProgramFolder() { return ProgramFolderOf(ProgramFile()); }

std::wstring SystemFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  UINT length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  if (length >= folder.size()) {
    folder.resize(length);
    length = GetSystemDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  }
  folder.resize(length < folder.size() ? length : 0);
  return folder;
}

std::wstring FullPathOf(const std::wstring& Path) {
  const DWORD size = GetFullPathNameW(Path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return Path;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(Path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return Path;
  full.resize(length);
  return full;
}

