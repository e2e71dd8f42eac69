#include "TargetFolder.h"

#include <windows.h>

#include "FileOps.h"
#include "Paths.h"
#include "Text.h"

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

std::wstring FullFolderPath(const std::wstring& Folder) {
  std::wstring full = FullPathOf(Folder);
  if (!full.empty() && full.back() != L'\\') full += L'\\';
  return full;
}
