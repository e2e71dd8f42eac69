#pragma once
// The uninstall runs from a copy of the setup program in the temporary folder: the program Windows or a
// deployment tool started from the target cannot delete its own running file. That first program waits
// until the copy hands it the result, so whoever waits for it waits for the whole uninstall.
#include <windows.h>

#include <string>

// Starts this program again from a fresh copy in the temporary folder, with Arguments and
// "/HANDOVER=<process>,<pipe>", and waits for the result the copy hands over, or for its end, handling
// this program's window messages meanwhile. The system removes the copy's file as soon as the copy has
// ended: the copy holds the only handle to it, opened to be deleted on close. Returns the copy's result;
// -1 when it could not be started or waited for, or ended by an exception (Error says why).
int RunFromTemporaryCopy(const std::wstring& Arguments, std::wstring& Error);

// True for an exit code that is an exception's (a crash), and the text the parent logs and shows then.
bool IsExceptionCode(unsigned long ExitCode);
std::wstring CopyCrashedText(const std::wstring& Copy, unsigned long ExitCode);

// The copy's side: the parent's process and the pipe's writing end, inherited from the parent.
class TSetupCopyParent {
 public:
  // Handles that are not a process and a pipe (a command line typed by hand) are not used.
  TSetupCopyParent(unsigned long Process, unsigned long Pipe);
  ~TSetupCopyParent();
  TSetupCopyParent(const TSetupCopyParent&) = delete;
  TSetupCopyParent& operator=(const TSetupCopyParent&) = delete;

  // Tells the parent ExitCode (its own exit code from then on) and waits for it to end; once only.
  void HandOver(int ExitCode);

 private:
  HANDLE FProcess = nullptr;
  HANDLE FPipe = nullptr;
};
