#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "Controls.h"
#include "Error.h"

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog };
enum TPosition { poDesigned, poScreenCenter };
enum TCloseAction { caNone, caHide };

// Modal results (the IDOK... values of message boxes).
constexpr int mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrYes = IDYES, mrNo = IDNO;

class TTimer;
class TButton;

// A top-level window. Derive one class per window: create the controls as fields in the constructor
// (children of this form or of its panels), bind the events to named member handlers. The window
// procedure is the toolkit's: it keeps `this` in GWLP_USERDATA from WM_NCCREATE to WM_NCDESTROY and
// dispatches in one switch (TWinControl::WndProc, TForm::WndProc); an exception thrown by a handler
// goes to Application.HandleException and never into user32.
class TForm : public TWinControl {
 public:
  // WindowClassName: the Win32 class of this kind of window (FindWindow finds it by that name).
  explicit TForm(const wchar_t* WindowClassName);
  ~TForm() override;

  std::wstring Caption() const { return Text(); }
  void SetCaption(const std::wstring& Value) { SetText(Value); }
  void SetClientSize(int Width, int Height);
  void SetBorderStyle(TFormBorderStyle Value);
  // Title-bar buttons; without a system menu there is no close box either.
  void SetBorderIcons(bool SystemMenu, bool Minimize, bool Maximize);
  void SetStayOnTop(bool Value);
  bool StayOnTop() const;
  // Where Show puts the window the first time it is shown.
  void SetPosition(TPosition Value) { FPosition = Value; }
  void SetIcon(HICON Icon);

  // Shows the form (OnShow runs first, before the window appears) and activates it.
  void SetVisible(bool Value) override;
  // Shows the form modally: the program's other windows are disabled until it closes; returns the
  // modal result (mrCancel when it was closed without one).
  int ShowModal();
  bool Modal() const { return FModal; }
  int ModalResult() const { return FModalResult; }
  void SetModalResult(int Value) { FModalResult = Value; }
  // A close request, as from the close box: OnCloseQuery may refuse it; then OnClose chooses the action.
  // Closing the application's main form ends the program (Application.Terminate); a modal form ends its
  // ShowModal; any other form hides.
  void Close();
  // The form on top of the windows and active.
  void BringToFront();
  // Gives Control the keyboard focus now, or when the form is next activated; an edit box's text is
  // selected, as the dialog manager does.
  void FocusControl(TWinControl* Control);
  // Enter (the focused button, else the shown default button), Esc (the shown cancel button) and the
  // keyboard cues, for a key message of this form's thread; true when the key was used.
  bool DialogKey(const MSG& Msg);

  // Handlers. OnShow runs each time the form is shown, before it appears.
  TNotifyEvent OnShow;
  std::function<void(TObject* Sender, bool& CanClose)> OnCloseQuery;
  std::function<void(TObject* Sender, TCloseAction& Action)> OnClose;
  // After the system's colours or its high-contrast setting changed, before the form is redrawn.
  TNotifyEvent OnSystemColorsChange;

 protected:
  LRESULT WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) override;

 private:
  void TimerMessage(UINT_PTR Id);
  void RememberFocus();
  void RestoreFocus();
  // The first control below the form, in creation order, that Match accepts; with ShownOnly hidden
  // controls and what they hold are passed over.
  TWinControl* FirstControl(const std::function<bool(TWinControl*)>& Match, bool ShownOnly);
  TButton* FindButton(bool Default);
  void ShowKeyboardCues(WORD Cues);
  bool PressAccessKey(wchar_t Key);

  TPosition FPosition = poDesigned;
  bool FShownOnce = false;
  bool FModal = false;
  int FModalResult = mrNone;
  HWND FFocused = nullptr;
  std::vector<TTimer*> FTimers;
  UINT_PTR FNextTimerId = 1;
  friend class TTimer;
};

// A window-message timer of its form's thread: OnTimer runs every Interval milliseconds while Enabled.
// Owned by the form; created disabled, interval 1000 ms.
class TTimer : public TComponent {
 public:
  explicit TTimer(TForm* Owner);
  ~TTimer() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  unsigned Interval() const { return FInterval; }
  // A new interval restarts a running timer.
  void SetInterval(unsigned Milliseconds);
  TNotifyEvent OnTimer;

 private:
  void Update();
  TForm* FForm;
  UINT_PTR FId;
  bool FEnabled = false;
  unsigned FInterval = 1000;
  friend class TForm;
};

// The application object: one per program, `Application`.
class TApplication : public TControlHost {
 public:
  TApplication() { SetControlHost(this); }
  ~TApplication() override { SetControlHost(nullptr); }
  // Common controls and the application window, which carries the title on the task bar and owns the
  // forms.
  void Initialize();
  const std::wstring& Title() const { return FTitle; }
  void SetTitle(const std::wstring& Value);
  void SetIcon(HICON Icon);
  HWND Handle() const { return FHandle; }
  HWND OwnerWindow() const override { return FHandle; }

  // The first form created becomes the main form; closing it ends the program.
  TForm* MainForm() const { return FMainForm; }
  // Shows the main form and runs the message loop until Terminate.
  void Run();
  // Handles the messages waiting in the queue, then returns.
  void ProcessMessages();
  // Waits for one message and handles it; false when the loop must end (quit).
  bool HandleMessage();
  void Terminate();
  bool Terminated() const { return FTerminated; }

  // The general error display: called inside a catch block, shows the current exception's text in a
  // modal error box (through the prompts seam of Prompts.h).
  void HandleException() override;
  void ShowException(const std::wstring& Text);

  // The hourglass over every window of the program while true (the screen cursor of a busy program).
  void SetBusyCursor(bool Value);
  bool BusyCursor() const override { return FBusyCursor; }

  // The window dialogs are owned by: the active form of the program, else the main form.
  HWND DialogOwner() const;
  // Disables the program's enabled top-level windows (except Keep) for a modal window; returns them.
  std::vector<HWND> DisableTaskWindows(HWND Keep) const;
  static void EnableTaskWindows(const std::vector<HWND>& Windows);

 private:
  static LRESULT CALLBACK AppWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  // The active form's keys and the dialog manager's navigation; true when the message was used.
  bool DialogMessage(MSG& Msg);
  void FormCreated(TForm* Form);
  void FormDestroyed(TForm* Form);
  TForm* FormOf(HWND Wnd) const;

  HWND FHandle = nullptr;
  std::wstring FTitle;
  TForm* FMainForm = nullptr;
  std::vector<TForm*> FForms;
  bool FTerminated = false;
  bool FRunning = false;
  bool FBusyCursor = false;
  int FModalDepth = 0;
  friend class TForm;
};

extern TApplication Application;
