#pragma once
// The installation log as support staff read it: Target + "Settings\install.log", UTF-8 with a
// byte-order mark, one section per run under a header line. It mirrors the on-screen log line for line
// (with the final outcome words) and adds the text of an error that ended the run. It is rewritten
// after every change of its run's section, so a run that stops anywhere leaves its log complete up to
// there. A log file that cannot be written changes nothing else.
#include <string>
#include <vector>

#include "InstallContext.h"

class TInstallLog : public TInstallContext {
 public:
  // Passes everything on to Inner and keeps the log lines; the file is Target + "Settings\install.log"
  // (none for an empty Target) and, when ExtraFile is not empty, that file too. Heading, when given, is
  // what the header line says after its date in place of the installation's words (an uninstall's run).
  TInstallLog(TInstallContext& Inner, const std::wstring& Source, const std::wstring& Target,
              std::wstring ExtraFile = std::wstring(), const std::wstring& Heading = std::wstring());

  int AddLine(const std::wstring& Text) override;
  void AppendOutcome(int Line, const std::wstring& Word) override;
  void ShowProgress() override;
  void ProcessMessages() override { FInner.ProcessMessages(); }
  void RepaintLog() override { FInner.RepaintLog(); }
  bool AskYesNo(const std::wstring& Question) override;
  bool AskRetry(const std::wstring& Text) override { return FInner.AskRetry(Text); }
  void ShowError(const std::wstring& Text) override;
  HWND OwnerWindow() override { return FInner.OwnerWindow(); }
  bool MayShowPrompts() override { return FInner.MayShowPrompts(); }
  void SetBusy(bool Busy) override { FInner.SetBusy(Busy); }
  void EnableExit() override { FInner.EnableExit(); }
  bool ShowFontSizePage() override { return FInner.ShowFontSizePage(); }
  void CloseProgram() override { FInner.CloseProgram(); }
  void ShowProgressBar(int Done, TProgressMode Mode) override { FInner.ShowProgressBar(Done, Mode); }

  // Keeps the target's log file unwritten until ReleaseTargetFile: checks that must leave the target as
  // it was run before it. Released, the file gets every line kept meanwhile.
  void HoldTargetFile();
  void ReleaseTargetFile();

  // Adds a line to the file only (the system's error code behind an error, for instance).
  void Note(const std::wstring& Text);

  // The header line of this run.
  const std::wstring& Header() const { return FHeader; }
  // The section of this run as it stands, lines joined by "\r\n".
  std::vector<std::wstring> FileLines() const;

 private:
  void Flush();
  struct TFileState {
    std::wstring Path;
    long long Start = -1;  // where this run's section begins; -1 until the first write succeeded
  };
  void FlushTo(TFileState& File);

  TInstallContext& FInner;
  std::wstring FHeader;
  // Lines as the file shows them, and for each on-screen line its index among them.
  std::vector<std::wstring> FLines;
  std::vector<size_t> FScreenToFile;
  std::vector<TFileState> FFiles;
  std::vector<TFileState> FHeld;
  std::wstring FTargetFile;
};
