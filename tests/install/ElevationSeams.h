#pragma once
// What UAC does to a program that needs administrator rights, for the tests of the programs that start
// one: Wine runs everything as a full administrator, so CreateProcessW never refuses with
// ERROR_ELEVATION_REQUIRED there, and the shell never asks for consent. The seams of ProcessRunner.h
// refuse the start as Windows would and record what goes to the shell, which then really starts the
// program (Wine's shell starts it without a prompt).
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "ProcessRunner.h"
#include "TrustedProgram.h"

struct TShellStart {
  HWND Owner = nullptr;
  bool DefaultVerb = false;
  std::wstring Verb, File, Parameters, Directory;
  int Show = -1;
  ULONG Mask = 0;
};

struct TElevationLog {
  int CreateCalls = 0;
  int ShellCalls = 0;
  TShellStart Last;
};

inline TElevationLog& ElevationLog() {
  static TElevationLog log;
  return log;
}

inline BOOL WINAPI RefuseForElevation(LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                                      LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) {
  ++ElevationLog().CreateCalls;
  SetLastError(740);  // ERROR_ELEVATION_REQUIRED
  return FALSE;
}

inline void RecordShellStart(const SHELLEXECUTEINFOW* Execute) {
  TElevationLog& log = ElevationLog();
  ++log.ShellCalls;
  log.Last.Owner = Execute->hwnd;
  log.Last.DefaultVerb = Execute->lpVerb == nullptr;
  log.Last.Verb = Execute->lpVerb ? Execute->lpVerb : L"";
  log.Last.File = Execute->lpFile ? Execute->lpFile : L"";
  log.Last.Parameters = Execute->lpParameters ? Execute->lpParameters : L"";
  log.Last.Directory = Execute->lpDirectory ? Execute->lpDirectory : L"";
  log.Last.Show = Execute->nShow;
  log.Last.Mask = Execute->fMask;
}

// The operator agreed (or the prompt never came): the shell starts the program.
inline BOOL WINAPI ConsentGiven(SHELLEXECUTEINFOW* Execute) {
  RecordShellStart(Execute);
  return ShellExecuteExW(Execute);
}

// The operator answered No to the consent prompt.
inline BOOL WINAPI ConsentRefused(SHELLEXECUTEINFOW* Execute) {
  RecordShellStart(Execute);
  SetLastError(ERROR_CANCELLED);
  return FALSE;
}

// Every start is refused for elevation for the lifetime of the object, and the shell answers with
// Shell; both seams are put back at the end.
class TElevationRequired {
 public:
  explicit TElevationRequired(ProcessSeams::ShellExecuteFn Shell = ConsentGiven)
      : FCreate(ProcessSeams::SetCreateProcess(RefuseForElevation)), FShell(ProcessSeams::SetShellExecute(Shell)) {
    ElevationLog() = TElevationLog();
  }
  ~TElevationRequired() {
    ProcessSeams::SetCreateProcess(FCreate);
    ProcessSeams::SetShellExecute(FShell);
  }
  TElevationRequired(const TElevationRequired&) = delete;
  TElevationRequired& operator=(const TElevationRequired&) = delete;

 private:
  ProcessSeams::CreateProcessFn FCreate;
  ProcessSeams::ShellExecuteFn FShell;
};

// A window of this thread to own the consent prompt.
class TOwnerWindow {
 public:
  TOwnerWindow()
      : FWindow(CreateWindowExW(0, L"STATIC", L"Установка комплекса", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr)) {}
  ~TOwnerWindow() {
    if (FWindow) DestroyWindow(FWindow);
  }
  TOwnerWindow(const TOwnerWindow&) = delete;
  TOwnerWindow& operator=(const TOwnerWindow&) = delete;
  HWND Get() const { return FWindow; }

 private:
  HWND FWindow;
};

// This process with or without administrator rights, for one scope: Wine always has them.
class TAdministratorRights {
 public:
  explicit TAdministratorRights(bool Held)
      : FPrevious(AdministratorRightsSeams::SetRunsElevated(Held ? +[] { return true; } : +[] { return false; })) {}
  ~TAdministratorRights() { AdministratorRightsSeams::SetRunsElevated(FPrevious); }
  TAdministratorRights(const TAdministratorRights&) = delete;
  TAdministratorRights& operator=(const TAdministratorRights&) = delete;

 private:
  AdministratorRightsSeams::RunsElevatedFn FPrevious;
};
