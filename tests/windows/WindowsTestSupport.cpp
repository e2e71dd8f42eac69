#include <gtest/gtest.h>

#include "WindowsTestSupport.h"

#include <map>

namespace {

std::map<UINT_PTR, std::function<void()>>& Pending() {
  static std::map<UINT_PTR, std::function<void()>> pending;
  return pending;
}

void CALLBACK RunPending(HWND, UINT, UINT_PTR Id, DWORD) {
  KillTimer(nullptr, Id);
  auto found = Pending().find(Id);
  if (found == Pending().end()) return;
  std::function<void()> action = std::move(found->second);
  Pending().erase(found);
  action();
}

BOOL CALLBACK CollectVisible(HWND Wnd, LPARAM Data) {
  if (IsWindowVisible(Wnd)) reinterpret_cast<std::vector<HWND>*>(Data)->push_back(Wnd);
  return TRUE;
}

class Environment : public ::testing::Environment {
 public:
  void SetUp() override { Application.Initialize(); }
};
const auto* const TheEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

}  // namespace

void RunLater(unsigned Milliseconds, std::function<void()> Action) {
  const UINT_PTR id = SetTimer(nullptr, 0, Milliseconds, RunPending);
  ASSERT_NE(id, 0u);
  Pending()[id] = std::move(Action);
}

void WhenReady(std::function<bool()> Condition, std::function<void()> Action, unsigned TimeoutMs,
               std::function<void()> OnTimeout) {
  const DWORD deadline = GetTickCount() + TimeoutMs;
  struct Poll {
    std::function<bool()> Condition;
    std::function<void()> Action, OnTimeout;
    DWORD Deadline;
    void operator()() const {
      if (Condition()) {
        Action();
      } else if (static_cast<LONG>(GetTickCount() - Deadline) >= 0) {
        ADD_FAILURE() << "the awaited state never came";
        OnTimeout();
      } else {
        RunLater(20, *this);
      }
    }
  };
  RunLater(20, Poll{std::move(Condition), std::move(Action), std::move(OnTimeout), deadline});
}

namespace {

struct ClassSearch {
  std::wstring ClassName;
  HWND Found = nullptr;
};

BOOL CALLBACK MatchClass(HWND Wnd, LPARAM Data) {
  auto* search = reinterpret_cast<ClassSearch*>(Data);
  wchar_t name[256] = {};
  GetClassNameW(Wnd, name, 256);
  if (search->ClassName != name) return TRUE;
  search->Found = Wnd;
  return FALSE;
}

}  // namespace

HWND FindOwnWindow(const std::wstring& ClassName) {
  ClassSearch search{ClassName};
  EnumThreadWindows(GetCurrentThreadId(), MatchClass, reinterpret_cast<LPARAM>(&search));
  return search.Found;
}

std::vector<HWND> VisibleDescendants(HWND Parent) {
  std::vector<HWND> windows;
  EnumChildWindows(Parent, CollectVisible, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

std::wstring WindowText(HWND Wnd) {
  wchar_t text[1024] = {};
  SendMessageW(Wnd, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
  return text;
}

HWND FindVisibleByText(HWND Parent, const std::wstring& Text) {
  for (HWND w : VisibleDescendants(Parent))
    if (WindowText(w) == Text) return w;
  return nullptr;
}

void PostClick(HWND Button) {
  PostMessageW(GetParent(Button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Button), BN_CLICKED),
               reinterpret_cast<LPARAM>(Button));
}

void WindowTest::SetUp() {
  Main = std::make_unique<MainStandIn>();
  PreviousPrompts = SetPrompts(&Boxes);
}

void WindowTest::TearDown() {
  // Nothing scheduled may outlive the test that scheduled it.
  for (auto& pending : Pending()) KillTimer(nullptr, pending.first);
  Pending().clear();
  SetPrompts(PreviousPrompts);
  EXPECT_TRUE(Boxes.Texts.empty()) << "unexpected box: " << ToUtf8(Boxes.Texts.front());
  Main.reset();
}
