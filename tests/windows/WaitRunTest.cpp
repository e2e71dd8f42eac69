// The launch progress window: its look, the captions by typemessage, the bar's 25 steps and what the
// 26th does, and Next on a hidden window.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "WaitRun.h"
#include "WindowsTestSupport.h"

namespace {

class LaunchProgressWindow : public WindowTest {};

TEST_F(LaunchProgressWindow, CreatedHiddenWithoutCloseBoxOrSystemMenu) {
  TFWaitRun form;
  EXPECT_FALSE(form.Visible());
  EXPECT_EQ(form.Caption(), L"Launching ");
  EXPECT_EQ(form.typemessage, 0);
  const LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0) << "fixed, no title-bar buttons";
  EXPECT_TRUE(form.StayOnTop());
  EXPECT_EQ(form.Font().Name, L"Tahoma");
  EXPECT_EQ(form.Font().Height, 13);
  EXPECT_EQ(form.Font().Charset, RUSSIAN_CHARSET);

  EXPECT_EQ(form.ProgressBar->Position(), 0);
  EXPECT_EQ(form.ProgressBar->Min(), 0);
  EXPECT_EQ(form.ProgressBar->Max(), 25);
  EXPECT_EQ(form.ProgressBar->Step(), 1);
  EXPECT_TRUE(GetWindowLongW(form.ProgressBar->Handle(), GWL_STYLE) & PBS_SMOOTH);
  // 314 x 39 inside a 2-pixel border: the bar at the bottom, the text above it.
  const RECT bar = form.ProgressBar->BoundsRect(), text = form.LblProgress->BoundsRect();
  EXPECT_EQ(form.ClientWidth(), 318);
  EXPECT_EQ(form.ClientHeight(), 43);
  EXPECT_EQ(bar.left, 2);
  EXPECT_EQ(bar.right, 316);
  EXPECT_EQ(bar.bottom, 41);
  EXPECT_EQ(bar.bottom - bar.top, 20);
  EXPECT_EQ(text.left, 2);
  EXPECT_EQ(text.top, 2);
  EXPECT_EQ(text.right, 316);
  EXPECT_EQ(text.bottom, bar.top);
}

TEST_F(LaunchProgressWindow, CaptionFollowsTypemessageWhenShown) {
  const struct {
    unsigned char Type;
    const wchar_t* Caption;
  } cases[] = {
      {0, L"Launching "},
      {2, L"Запись данных ЭКГ"},
      {3, L"Преобразование данных ЭКГ в формат Ритмон-Vidoze"},
      {4, L""},
      {7, L"Launching "},
      {255, L"Launching "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Type);
    TFWaitRun form;
    form.typemessage = c.Type;
    EXPECT_EQ(form.Caption(), L"Launching ") << "until shown";
    form.Show();
    EXPECT_EQ(form.Caption(), c.Caption);
    wchar_t title[128] = L"?";
    GetWindowTextW(form.Handle(), title, 128);
    EXPECT_STREQ(title, c.Caption);
    form.Hide();
  }
}

TEST_F(LaunchProgressWindow, TwentyFiveStepsFillTheBarAndTheNextStartsOver) {
  TFWaitRun form;
  form.Show();
  for (int i = 1; i <= 25; ++i) form.Next(L"Шаг " + std::to_wstring(i));
  EXPECT_EQ(form.ProgressBar->Position(), 25);
  EXPECT_EQ(form.LblProgress->Caption(), L"Шаг 25");
  // The progress control wraps past its maximum: (26 - 0) mod (25 - 0) = 1, on Windows and Wine alike.
  form.Next(L"Шаг 26");
  EXPECT_EQ(form.ProgressBar->Position(), 1);
  EXPECT_EQ(form.LblProgress->Caption(), L"Шаг 26");
  // Showing it again keeps the bar where it is.
  form.Hide();
  form.Show();
  EXPECT_EQ(form.ProgressBar->Position(), 1);
  form.Hide();
}

TEST_F(LaunchProgressWindow, NextOnTheHiddenWindowUpdatesItWithoutShowingIt) {
  TFWaitRun form;
  form.Next(L"Запуск");
  form.Next(L"Чтение настроек");
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(IsWindowVisible(form.Handle()));
  EXPECT_EQ(form.ProgressBar->Position(), 2);
  EXPECT_EQ(form.LblProgress->Caption(), L"Чтение настроек");
}

TEST_F(LaunchProgressWindow, NextLetsPendingWindowEventsRun) {
  TFWaitRun form;
  class Other : public TForm {
   public:
    Other() : TForm(L"TWaitRunTestOther") {
      Button = new TButton(this, L"Нажать");
    }
    TButton* Button;
  } other;
  int clicks = 0;
  other.Button->OnClick = [&](TObject*) { ++clicks; };
  PostClick(other.Button->Handle());
  form.Next(L"Шаг");
  EXPECT_EQ(clicks, 1);
}

TEST_F(LaunchProgressWindow, TheProgramCreatesOneHiddenInstance) {
  ASSERT_EQ(FWaitRun, nullptr);
  CreateWaitRunWindow();
  ASSERT_NE(FWaitRun, nullptr);
  TFWaitRun* first = FWaitRun;
  CreateWaitRunWindow();
  EXPECT_EQ(FWaitRun, first);
  EXPECT_EQ(FindOwnWindow(L"TFWaitRun"), FWaitRun->Handle());
  EXPECT_EQ(FWaitRun->Caption(), L"Launching ");
  EXPECT_FALSE(IsWindowVisible(FWaitRun->Handle()));
  EXPECT_EQ(FWaitRun->ProgressBar->Position(), 0);
  delete FWaitRun;
  FWaitRun = nullptr;
}

}  // namespace
