#pragma once
// What the file primitives put into a target, told to whoever listens: the installation's record while an
// installation runs, nobody otherwise.
#include <string>

class TInstalledFilesListener {
 public:
  virtual ~TInstalledFilesListener() = default;
  // A file written there (whole or not).
  virtual void FilePut(const std::wstring& Path) = 0;
  // A folder made or filled there.
  virtual void FolderPut(const std::wstring& Path) = 0;
  // A folder whose whole content is the installation's, also what a program started later adds to it.
  virtual void TreePut(const std::wstring& Folder) = 0;
};

void ReportFilePut(const std::wstring& Path);
void ReportFolderPut(const std::wstring& Path);
void ReportTreePut(const std::wstring& Folder);

// Installs Listener (nullptr: nobody) and returns the previous one.
TInstalledFilesListener* SetInstalledFilesListener(TInstalledFilesListener* Listener);
