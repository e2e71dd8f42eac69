#include "StageSteps.h"

#include "FileOps.h"
#include "InstalledFiles.h"

bool CreateFolderStep(TInstallContext& Context, const std::wstring& Folder, const std::wstring& Created,
                      const std::wstring& Failed) {
  if (DirectoryExists(Folder)) return true;
  if (!CreateDir(Folder)) {
    Context.ShowError(Failed);
    Context.AddLine(Failed);
    return false;
  }
  Context.AddLine(Created);
  Context.ProcessMessages();
  return true;
}

namespace {

bool CopyStepWith(bool (*Copy)(const std::wstring&, const std::wstring&, TMessagePump*), TInstallContext& Context,
                  const std::wstring& FromFolder, const std::wstring& ToFolder, const std::wstring& Name) {
  const int line = Context.AddLine(L"Копирование файла " + Name + L"....");
  Context.ProcessMessages();
  const bool copied = Copy(FromFolder + Name, ToFolder + Name, &Context);
  ReportFilePut(ToFolder + Name);
  Context.AppendOutcome(line, copied ? OutcomeDone : OutcomeFailed);
  return copied;
}

}  // namespace

bool CopyStep(TInstallContext& Context, const std::wstring& FromFolder, const std::wstring& ToFolder,
              const std::wstring& Name) {
  return CopyStepWith(CopyFileWithDate, Context, FromFolder, ToFolder, Name);
}

bool CopyNewFileStep(TInstallContext& Context, const std::wstring& FromFolder, const std::wstring& ToFolder,
                     const std::wstring& Name) {
  return CopyStepWith(CopyNewFileWithDate, Context, FromFolder, ToFolder, Name);
}
