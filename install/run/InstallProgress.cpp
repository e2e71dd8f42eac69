#include "InstallProgress.h"

#include <algorithm>

TInstallProgress::TInstallProgress(TInstallContext& Inner, unsigned long long CopyBytes, int Stages)
    : FInner(Inner), FCopyBytes(CopyBytes), FTotal(CopyBytes + StageShare * static_cast<unsigned>(std::max(Stages, 1))) {}

int TInstallProgress::Done() const {
  if (FFinished) return ProgressBarEnd;
  // A file that grew since it was measured must not fill the bar before the end.
  const unsigned long long done = std::min(FCopied, FCopyBytes) + StageShare * static_cast<unsigned>(FStagesDone);
  const unsigned long long scaled = done * ProgressBarEnd / FTotal;
  return static_cast<int>(std::min<unsigned long long>(scaled, ProgressBarEnd - 1));
}

void TInstallProgress::Show(TProgressMode Mode) {
  FMode = Mode;
  const int done = Done();
  if (done == FShownDone && Mode == FShownMode) return;
  FShownDone = done;
  FShownMode = Mode;
  FInner.ShowProgressBar(done, Mode);
}

void TInstallProgress::ProcessMessages() {
  Show(FMode);
  FInner.ProcessMessages();
}

void TInstallProgress::ShowError(const std::wstring& Text) {
  Failed();
  FInner.ShowError(Text);
}

void TInstallProgress::Copied(unsigned long long Bytes) { FCopied += Bytes; }

void TInstallProgress::WaitingForProgram(bool Waiting) {
  if (FMode == pmFailed) return;
  Show(Waiting ? pmWaiting : pmPosition);
}

void TInstallProgress::StageDone() {
  ++FStagesDone;
  if (FMode != pmFailed) Show(FMode);
}

void TInstallProgress::Finished() {
  FFinished = true;
  Show(pmPosition);
}

void TInstallProgress::Failed() { Show(pmFailed); }
