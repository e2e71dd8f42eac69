#pragma once
#include <string>

#include "Toolkit.h"

// The suite's always-on-top launch progress window: a caption chosen by typemessage, a text line and
// a bar of 25 steps.
class TFWaitRun : public TForm {
 public:
  TFWaitRun();

  TProgressBar* ProgressBar;
  TLabel* LblProgress;
  // Chooses the caption: 2 "Запись данных ЭКГ", 3 the conversion, 4 none, anything else "Launching ".
  // Set it before showing the window.
  unsigned char typemessage = 0;

  // One step of the bar with its text; the window repaints at once. Never fails.
  void Next(const std::wstring& msg) noexcept;

  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
};

// The program's one instance, made hidden by CreateWaitRunWindow when a program first wants to show it (a
// second call keeps it); the setup program never shows it, so it never makes it.
extern TFWaitRun* FWaitRun;
void CreateWaitRunWindow();
