#pragma once
// The installation's progress on the program's task-bar button: ITaskbarList3 where Windows has it
// (Windows 7 and later), reached through COM, so nothing is imported that Vista lacks; on Vista, or
// where the shell refuses, the button shows nothing.
#include <windows.h>
#include <shobjidl.h>

#include "InstallContext.h"

class TTaskbarProgress {
 public:
  // Button: the window that owns the task-bar button (the application window).
  explicit TTaskbarProgress(HWND Button) : FButton(Button) {}
  // Takes the run's state off the button again.
  ~TTaskbarProgress();
  TTaskbarProgress(const TTaskbarProgress&) = delete;
  TTaskbarProgress& operator=(const TTaskbarProgress&) = delete;

  // Done of ProgressBarEnd: green; pmWaiting: the moving band of work of unknown length; pmFailed: red
  // at Done.
  void Show(int Done, TProgressMode Mode);

 private:
  HWND FButton;
  ITaskbarList3* FList = nullptr;
  bool FAsked = false;
  bool FShown = false;
};

namespace TaskbarSeams {
// Makes the task-bar object: the shell's own, or a test's recorder. Returns S_OK with *List set (one
// reference for the caller), or a failure.
using CreateTaskbarListFn = HRESULT (*)(ITaskbarList3** List);
// Installs Fn (nullptr: the shell's) and returns the previous one.
CreateTaskbarListFn SetCreateTaskbarList(CreateTaskbarListFn Fn);
}  // namespace TaskbarSeams
