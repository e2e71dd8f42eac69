#pragma once
// The steps the stages are made of, with their log lines.
#include <string>

#include "InstallContext.h"

// Creates a missing folder (one level). Made: the notice Created is logged. Not made: the error box
// Failed, then the same text as a log line, and false, which ends the installation.
bool CreateFolderStep(TInstallContext& Context, const std::wstring& Folder, const std::wstring& Created,
                      const std::wstring& Failed);

// "Копирование файла <Name>....", then the copy of FromFolder + Name to ToFolder + Name, then the outcome
// word on the line. An error raised by the copy (a source that cannot be opened, a destination that
// cannot be created) leaves the line without one.
bool CopyStep(TInstallContext& Context, const std::wstring& FromFolder, const std::wstring& ToFolder,
              const std::wstring& Name);
// The same for a file that is not there yet, copied whole or not at all (CopyNewFileWithDate).
bool CopyNewFileStep(TInstallContext& Context, const std::wstring& FromFolder, const std::wstring& ToFolder,
                     const std::wstring& Name);
