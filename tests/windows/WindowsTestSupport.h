#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Toolkit.h"

// Runs Action from the thread's message loop (also a modal loop's) after Milliseconds.
void RunLater(unsigned Milliseconds, std::function<void()> Action);
// Checks Condition every 20 ms from the message loop; runs Action once it holds. After TimeoutMs it
// gives up and runs OnTimeout instead (close the window, so a failing test does not hang).
void WhenReady(std::function<bool()> Condition, std::function<void()> Action, unsigned TimeoutMs,
               std::function<void()> OnTimeout);

// This thread's top-level window of that class (tests may run side by side in one Wine prefix, so
// FindWindow could answer with another test's window), or nullptr.
HWND FindOwnWindow(const std::wstring& ClassName);

// Visible descendants of a window and their texts, as a driver in another process would see them.
std::vector<HWND> VisibleDescendants(HWND Parent);
std::wstring WindowText(HWND Wnd);
HWND FindVisibleByText(HWND Parent, const std::wstring& Text);
// A click as another process sends it: a posted BN_CLICKED to the button's parent.
void PostClick(HWND Button);

// Every test starts with the application set up as the program has it: a main window (hidden here),
// and modal boxes answered by the test (a box nobody expects fails the test instead of hanging it).
class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  class RecordingPrompts : public TPrompts {
   public:
    std::vector<std::wstring> Texts;
    int Box(HWND, const std::wstring& Text, const std::wstring&, UINT) override {
      Texts.push_back(Text);
      return IDOK;
    }
  };
  RecordingPrompts Boxes;

 private:
  class MainStandIn : public TForm {
   public:
    MainStandIn() : TForm(L"TWindowsTestMain") { SetClientSize(300, 200); }
  };
  std::unique_ptr<MainStandIn> Main;
  TPrompts* PreviousPrompts = nullptr;
};
