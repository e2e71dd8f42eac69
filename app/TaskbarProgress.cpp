#include "TaskbarProgress.h"
#include "SystemLibraries.h"

#include <utility>

namespace {

HRESULT CreateShellTaskbarList(ITaskbarList3** List) {
  *List = nullptr;
  ITaskbarList3* list = nullptr;
  // Vista's task-bar object has no ITaskbarList3: this fails there.
  HRESULT result = LateBound::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                    reinterpret_cast<void**>(&list));
  if (FAILED(result)) return result;
  result = list->HrInit();
  if (FAILED(result)) {
    list->Release();
    return result;
  }
  *List = list;
  return S_OK;
}

TaskbarSeams::CreateTaskbarListFn CreateTaskbarList = CreateShellTaskbarList;

}  // namespace

namespace TaskbarSeams {
CreateTaskbarListFn SetCreateTaskbarList(CreateTaskbarListFn Fn) {
  return std::exchange(CreateTaskbarList, Fn ? Fn : CreateShellTaskbarList);
}
}  // namespace TaskbarSeams

TTaskbarProgress::~TTaskbarProgress() {
  if (!FList) return;
  // The run has ended: a bar left on the button would tell of work that is no longer going on.
  if (FShown && FButton) FList->SetProgressState(FButton, TBPF_NOPROGRESS);
  FList->Release();
}

void TTaskbarProgress::Show(int Done, TProgressMode Mode) {
  // Asked once: where there is none, every later step would ask the shell in vain.
  if (!FAsked) {
    FAsked = true;
    if (FAILED(CreateTaskbarList(&FList))) FList = nullptr;
  }
  if (!FList || !FButton) return;
  FShown = true;
  // A failure (the button not made yet) is let pass: the next step tries again.
  switch (Mode) {
    case pmWaiting:
      FList->SetProgressState(FButton, TBPF_INDETERMINATE);
      break;
    case pmFailed:
      FList->SetProgressState(FButton, TBPF_ERROR);
      FList->SetProgressValue(FButton, static_cast<ULONGLONG>(Done), ProgressBarEnd);
      break;
    case pmPosition:
      FList->SetProgressState(FButton, TBPF_NORMAL);
      FList->SetProgressValue(FButton, static_cast<ULONGLONG>(Done), ProgressBarEnd);
      break;
  }
}
