#pragma once
// What the installation engine needs from whoever runs it: the main window (its log list, message
// boxes and cursor), a test (a list of strings and scripted answers), or an unattended run. No stage
// knows which one it has.
#include <windows.h>

#include <string>

#include "MessagePump.h"

// Outcome words appended to a step line.
extern const wchar_t* const OutcomeDone;    // "Завершено"
extern const wchar_t* const OutcomeFailed;  // "ОШИБКА!!!"

// How the progress bar shows: a position, marquee while an outside program runs, or red once the run
// ended by an error.
enum TProgressMode { pmPosition, pmWaiting, pmFailed };

// The progress bar's scale: ProgressBarEnd thousandths make the whole run.
constexpr int ProgressBarEnd = 1000;

class TInstallContext : public TMessagePump {
 public:
  virtual ~TInstallContext() = default;

  // The log: appends a line and returns its index; appends an outcome word to a line, without a blank.
  virtual int AddLine(const std::wstring& Text) = 0;
  virtual void AppendOutcome(int Line, const std::wstring& Word) = 0;
  // Clears the log and shows it (the progress page).
  virtual void ShowProgress() = 0;
  // ProcessMessages (TMessagePump): lets the window handle what is waiting in its queue.
  // Paints the log now, so its last line shows before an outside program starts.
  virtual void RepaintLog() = 0;

  // Modal boxes: a Yes/No question (true for Yes) and an error box with OK.
  virtual bool AskYesNo(const std::wstring& Question) = 0;
  virtual void ShowError(const std::wstring& Text) = 0;
  // A warning box with "Повторить" and "Отмена": true for "Повторить". Without an operator nobody
  // could retry: false.
  virtual bool AskRetry(const std::wstring& Text) {
    (void)Text;
    return false;
  }
  // The window that owns boxes others show for us (the administrator's consent prompt); none without one.
  virtual HWND OwnerWindow() { return nullptr; }
  // False when nothing may show at all, not even a prompt of the system's (the consent prompt): a run
  // nobody watches must not wait for an answer.
  virtual bool MayShowPrompts() { return true; }

  // The progress bar and the task-bar button: Done of ProgressBarEnd, as the engine measures the run
  // (TInstallProgress). A context without a bar shows nothing.
  virtual void ShowProgressBar(int Done, TProgressMode Mode) {
    (void)Done;
    (void)Mode;
  }

  // The busy span: close requests refused and the hourglass cursor while true.
  virtual void SetBusy(bool Busy) = 0;

  // The end of a run that went through: the exit button works, then either the large-font page is
  // shown or the program is closed (after Yes to the final question). A run without an operator shows
  // no page (false): the installation logs its recommendation instead.
  virtual void EnableExit() = 0;
  virtual bool ShowFontSizePage() = 0;
  virtual void CloseProgram() = 0;
};

// Enters the busy span for its lifetime: left on every way out, errors included.
class TBusySpan {
 public:
  explicit TBusySpan(TInstallContext& Context) : FContext(Context) { FContext.SetBusy(true); }
  ~TBusySpan() { FContext.SetBusy(false); }
  TBusySpan(const TBusySpan&) = delete;
  TBusySpan& operator=(const TBusySpan&) = delete;

 private:
  TInstallContext& FContext;
};
