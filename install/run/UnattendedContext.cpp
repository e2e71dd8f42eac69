#include "UnattendedContext.h"

int TUnattendedContext::AddLine(const std::wstring& Text) { return FScreen ? FScreen->AddLine(Text) : FLines++; }

void TUnattendedContext::AppendOutcome(int Line, const std::wstring& Word) {
  if (FScreen) FScreen->AppendOutcome(Line, Word);
}

void TUnattendedContext::ShowProgress() {
  FLines = 0;
  if (FScreen) FScreen->ShowProgress();
}

void TUnattendedContext::ProcessMessages() {
  if (FScreen) return FScreen->ProcessMessages();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    // No message loop follows that would end on it: posting it again would only wake the wait again.
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TUnattendedContext::RepaintLog() {
  if (FScreen) FScreen->RepaintLog();
}

bool TUnattendedContext::AskYesNo(const std::wstring& Question) {
  (void)Question;
  return true;
}

void TUnattendedContext::ShowError(const std::wstring& Text) { FLastError = Text; }

void TUnattendedContext::SetBusy(bool Busy) {
  if (FScreen) FScreen->SetBusy(Busy);
}

void TUnattendedContext::ShowProgressBar(int Done, TProgressMode Mode) {
  if (FScreen) FScreen->ShowProgressBar(Done, Mode);
}

void TUnattendedContext::EnableExit() {
  if (FScreen) FScreen->EnableExit();
}
