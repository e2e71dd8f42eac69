#pragma once
// Test stand-in for the operator at the standard dialogs: records what was shown and answers from a
// script. Installed for its lifetime.
#include <windows.h>

#include <string>
#include <vector>

#include "Dialogs.h"

class ScriptedPrompts : public TPrompts {
 public:
  struct Shown {
    std::wstring Text, Caption;
    UINT Flags;
  };
  std::vector<Shown> Boxes;
  std::vector<int> Answers;  // IDOK when empty
  struct Browse {
    HWND Owner;
    std::wstring Instruction, PathGiven;
    UINT Flags;
  };
  std::vector<Browse> Browses;
  bool BrowseConfirms = true;
  std::wstring BrowseResult;

  ScriptedPrompts() { Previous = SetPrompts(this); }
  ~ScriptedPrompts() override { SetPrompts(Previous); }
  int Box(HWND, const std::wstring& Text, const std::wstring& Caption, UINT Flags) override {
    Boxes.push_back({Text, Caption, Flags});
    if (Answers.empty()) return IDOK;
    const int answer = Answers.front();
    Answers.erase(Answers.begin());
    return answer;
  }
  bool BrowseForFolder(HWND Owner, const std::wstring& Instruction, UINT Flags, std::wstring& Path) override {
    Browses.push_back({Owner, Instruction, Path, Flags});
    if (BrowseConfirms) Path = BrowseResult;
    return BrowseConfirms;
  }

 private:
  TPrompts* Previous;
};
