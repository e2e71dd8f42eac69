#pragma once
// Asks Windows to wait with shutting down or logging off, with a reason its shutdown screen shows, for
// as long as it lives. The calls are there from Vista on; looked up at run time, so the program starts
// wherever they are missing (and Wine, which only pretends to have them).
#include <windows.h>

#include <string>

class TShutdownBlock {
 public:
  // Window: a top-level window of the program, which answers WM_QUERYENDSESSION with FALSE meanwhile.
  TShutdownBlock(HWND Window, const std::wstring& Reason);
  ~TShutdownBlock();
  TShutdownBlock(const TShutdownBlock&) = delete;
  TShutdownBlock& operator=(const TShutdownBlock&) = delete;
  // True when Windows took the reason.
  bool Registered() const { return FRegistered; }

 private:
  HWND FWindow;
  bool FRegistered = false;
};

// What the shutdown screen shows while the installation, or the uninstall, runs.
extern const wchar_t* const InstallationShutdownReason;
extern const wchar_t* const UninstallShutdownReason;
