#include "TargetFolder.h"

#include <windows.h>

#include "FileOps.h"

TTargetCheck CheckTargetFolder(const std::wstring& Typed, std::wstring& Folder) {
  Folder = TrimBlanks(Typed);
  if (Folder.empty()) return tcEmpty;
  if (Folder.back() != L'\\') Folder += L'\\';
  // Characters are counted, nothing more: a drive root and one- or two-letter names are refused.
  return Folder.size() <= 3 ? tcRoot : tcValid;
}

void PrepareTargetFolder(const std::wstring& Folder) {
  if (!DirectoryExists(Folder)) CreateDir(Folder);
  const std::wstring settings = Folder + L"Settings\\";
  if (!DirectoryExists(settings)) CreateDir(settings);
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

std::wstring FullFolderPath(const std::wstring& Folder) {
  std::wstring full = FullPathOf(Folder);
  if (!full.empty() && full.back() != L'\\') full += L'\\';
  return full;
}
