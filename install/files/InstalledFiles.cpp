#include "InstalledFiles.h"

#include <utility>

namespace {
TInstalledFilesListener* Listener = nullptr;
}  // namespace

void ReportFilePut(const std::wstring& Path) {
  if (Listener) Listener->FilePut(Path);
}

void ReportFolderPut(const std::wstring& Path) {
  if (Listener) Listener->FolderPut(Path);
}

void ReportTreePut(const std::wstring& Folder) {
  if (Listener) Listener->TreePut(Folder);
}

TInstalledFilesListener* SetInstalledFilesListener(TInstalledFilesListener* Value) {
  return std::exchange(Listener, Value);
}
