#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "Toolkit.h"

// The suite's timed, always-on-top message window.

enum TMessageType : unsigned char { mtMessage = 0, mtDialog = 1 };

class TFMessageform : public TForm {
 public:
  TFMessageform();

  TPanel* pnlButtons;
  TButton* btnOK;
  TButton* btnCancel;
  TLabel* lblMessage;
  TPanel* pnlClose;
  TLabel* lblClose;
  TLabel* lblSec;
  TButton* btnStop;
  TTimer* StayUpTimer;
  TTimer* StopTimer;
  TCheckBox* cbRealTime;
  TCheckBox* cbnotChek;
  TPanel* RzBorder1;
  TImageList* ImageList1;

  // Fills and shows the window, modally (with the countdown) when smodal; returns the answer, true only
  // after OK. A non-modal window answers false at once.
  bool Showmes(const std::wstring& Text, TMessageType tip, const std::wstring& CaptionText, bool smodal);

  void StayUpTimerTimer(TObject* Sender);
  void FormShow(TObject* Sender);
  void StopTimerTimer(TObject* Sender);
  void btnStopClick(TObject* Sender);
  void btnCancelClick(TObject* Sender);
  void btnOKClick(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);

 private:
  double tt = 0;  // when the window was last shown, in days
  TMessageType FMessageTtype = mtMessage;
  std::wstring FMessageText;
  std::wstring FCaptionText;
  bool FShowResult = false;
  bool Fsmodal = false;
};

// Shows the message in a new modal window with a countdown (0 seconds keeps the default of 20) and
// frees it; true exactly when the user pressed OK. A negative countdown, or one whose milliseconds do
// not fit in a 32-bit signed integer, raises the program's error type.
bool ShowMessageWindow(const std::wstring& Text, TMessageType Kind, const std::wstring& CaptionText,
                       int CountdownSeconds);

// Whole seconds left of a countdown of IntervalMs after ElapsedSeconds, halves rounded to even.
std::int64_t CountdownRemaining(unsigned IntervalMs, double ElapsedSeconds);

// Top-left corner of the window on a screen of that size: centred across, its lower edge on the
// screen's horizontal centre line.
POINT MessageWindowPosition(SIZE Screen, SIZE Window);

// The local date and time in days since 30 December 1899, the clock the countdown text is read from.
double MessageFormNow();
// Tests put a clock of their own here (an empty function restores the system clock); returns the one
// it replaces.
std::function<double()> SetMessageFormClock(std::function<double()> Clock);
