#pragma once
// How far an installation has come, for the progress bar: the bytes its copies have written, out of
// what they weigh (known before the run from the distribution and the target), plus a fixed share for
// each stage done, so that stages without copies move the bar too. It stands between the stages and
// the context they report to, passing everything on; while an outside program runs the bar shows
// marquee, once the run ended by an error it is red, at the end it is full.
#include <string>

#include "InstallContext.h"

class TInstallProgress : public TInstallContext {
 public:
  // What one stage weighs beside the copies: as much as a mebibyte copied.
  static constexpr unsigned long long StageShare = 1ull << 20;

  TInstallProgress(TInstallContext& Inner, unsigned long long CopyBytes, int Stages);

  int AddLine(const std::wstring& Text) override { return FInner.AddLine(Text); }
  void AppendOutcome(int Line, const std::wstring& Word) override { FInner.AppendOutcome(Line, Word); }
  void ShowProgress() override { FInner.ShowProgress(); }
  // Shows the bar where the run has come since the last time, then lets the window handle its queue.
  void ProcessMessages() override;
  void RepaintLog() override { FInner.RepaintLog(); }
  bool AskYesNo(const std::wstring& Question) override { return FInner.AskYesNo(Question); }
  HWND OwnerWindow() override { return FInner.OwnerWindow(); }
  bool AskRetry(const std::wstring& Text) override { return FInner.AskRetry(Text); }
  bool MayShowPrompts() override { return FInner.MayShowPrompts(); }
  // An error box ends the run: the bar turns red before it shows.
  void ShowError(const std::wstring& Text) override;
  void SetBusy(bool Busy) override { FInner.SetBusy(Busy); }
  void EnableExit() override { FInner.EnableExit(); }
  bool ShowFontSizePage() override { return FInner.ShowFontSizePage(); }
  void CloseProgram() override { FInner.CloseProgram(); }
  void ShowProgressBar(int Done, TProgressMode Mode) override { FInner.ShowProgressBar(Done, Mode); }

  void Copied(unsigned long long Bytes) override;
  void WaitingForProgram(bool Waiting) override;

  // A stage has ended: its share is added and shown.
  void StageDone();
  // Every stage has run: the bar is full.
  void Finished();
  // The run ended by an error: the bar stays where it was, red.
  void Failed();

  // Where the bar stands, in thousandths; below the end until Finished.
  int Done() const;

 private:
  void Show(TProgressMode Mode);

  TInstallContext& FInner;
  unsigned long long FCopyBytes;
  unsigned long long FTotal;
  unsigned long long FCopied = 0;
  int FStagesDone = 0;
  bool FFinished = false;
  int FShownDone = -1;
  TProgressMode FShownMode = pmPosition;
  TProgressMode FMode = pmPosition;
};
