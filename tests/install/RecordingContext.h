#pragma once
// The engine's fake context for the tests: the log as strings, scripted answers, and every call in order.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "InstallContext.h"

struct TRecordingContext : TInstallContext {
  std::vector<std::wstring> Lines;
  std::vector<bool> Answers;  // Yes/No in order; No when empty
  std::vector<std::wstring> Questions, Errors, Events;
  bool Busy = false, ExitEnabled = false, FontPage = false, Closed = false;
  bool HasFontPage = true;  // false: a run without an operator
  int BusyEntered = 0;
  std::function<void(const std::wstring&)> OnLine;  // lets a test act between steps
  HWND Owner = nullptr;                             // the window boxes of others are to be owned by
  // The progress bar as shown, with how many lines and errors there were by then.
  struct TBar {
    int Done;
    TProgressMode Mode;
    size_t LinesBefore, ErrorsBefore, QuestionsBefore;
  };
  std::vector<TBar> Bars;
  std::vector<bool> Waits;  // WaitingForProgram, in order
  unsigned long long CopiedBytes = 0;
  int Served = 0;  // ProcessMessages calls

  int AddLine(const std::wstring& Text) override {
    Lines.push_back(Text);
    Events.push_back(L"line " + Text);
    if (OnLine) OnLine(Text);
    return static_cast<int>(Lines.size()) - 1;
  }
  void AppendOutcome(int Line, const std::wstring& Word) override { Lines.at(static_cast<size_t>(Line)) += Word; }
  void ShowProgress() override {
    Lines.clear();
    Events.push_back(L"progress");
  }
  void ProcessMessages() override { ++Served; }
  void Copied(unsigned long long Bytes) override { CopiedBytes += Bytes; }
  void WaitingForProgram(bool Waiting) override { Waits.push_back(Waiting); }
  void ShowProgressBar(int Done, TProgressMode Mode) override {
    Bars.push_back({Done, Mode, Lines.size(), Errors.size(), Questions.size()});
  }
  void RepaintLog() override { Events.push_back(L"repaint"); }
  bool AskYesNo(const std::wstring& Question) override {
    Questions.push_back(Question);
    if (Answers.empty()) return false;
    const bool answer = Answers.front();
    Answers.erase(Answers.begin());
    return answer;
  }
  std::vector<bool> Retries;  // "Повторить" (true) or "Отмена", in order; "Отмена" when empty
  std::function<void()> OnRetryBox;  // lets a test act while the box is open
  bool AskRetry(const std::wstring& Text) override {
    Questions.push_back(Text);
    Events.push_back(L"retry box");
    if (OnRetryBox) OnRetryBox();
    if (Retries.empty()) return false;
    const bool answer = Retries.front();
    Retries.erase(Retries.begin());
    return answer;
  }
  void ShowError(const std::wstring& Text) override {
    Errors.push_back(Text);
    Events.push_back(Busy ? L"error while busy" : L"error");
  }
  void SetBusy(bool Value) override {
    EXPECT_NE(Busy, Value) << "the busy span is entered and left once";
    Busy = Value;
    if (Value) ++BusyEntered;
    Events.push_back(Value ? L"busy" : L"not busy");
  }
  HWND OwnerWindow() override { return Owner; }
  bool Prompts = true;  // false: a run that may show nothing at all
  bool MayShowPrompts() override { return Prompts; }
  void EnableExit() override { ExitEnabled = true; }
  bool ShowFontSizePage() override {
    FontPage = HasFontPage;
    return HasFontPage;
  }
  void CloseProgram() override { Closed = true; }
};

