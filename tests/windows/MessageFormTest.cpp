// The suite's message window: its answers (OK, Cancel, the countdown, the close box, the stop button),
// the buttons per kind, the countdown text, size and place, and the countdowns it refuses.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "MessageForm.h"
#include "WindowsTestSupport.h"

namespace {

const wchar_t Notice[] = L"Внимание!\r Если на вашем компьютере уже установлен комплекс \"Ритмон-Vidoze\",\r"
                         L" снимите галочку установки драйвера!";

HWND ShownMessageWindow() {
  HWND wnd = FindOwnWindow(L"TFMessageform");
  return wnd && IsWindowVisible(wnd) ? wnd : nullptr;
}

std::wstring Title(HWND Wnd) {
  wchar_t text[256] = {};
  GetWindowTextW(Wnd, text, 256);
  return text;
}

bool Shows(HWND Wnd, const std::wstring& Text) { return FindVisibleByText(Wnd, Text) != nullptr; }

// Mean colour of the opaque pixels of an image.
struct Mean {
  int R, G, B;
};
Mean MeanColour(const TBitmap32& Image) {
  long long r = 0, g = 0, b = 0, n = 0;
  for (int y = 0; y < Image.Height(); ++y)
    for (int x = 0; x < Image.Width(); ++x) {
      const uint32_t p = Image.Pixel(x, y);
      if ((p >> 24) < 64) continue;
      r += (p >> 16) & 0xFF;
      g += (p >> 8) & 0xFF;
      b += p & 0xFF;
      ++n;
    }
  if (n == 0) return {0, 0, 0};
  return {static_cast<int>(r / n), static_cast<int>(g / n), static_cast<int>(b / n)};
}

class MessageWindow : public WindowTest {};

TEST_F(MessageWindow, CreatedHiddenWithItsComponentsInPlace) {
  TFMessageform form;
  wchar_t className[64] = {};
  GetClassNameW(form.Handle(), className, 64);
  EXPECT_STREQ(className, L"TFMessageform");
  EXPECT_FALSE(form.Visible());
  EXPECT_TRUE(form.StayOnTop());
  const LONG style = GetWindowLongW(form.Handle(), GWL_STYLE);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
            WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  EXPECT_EQ(form.ClientWidth(), 446);
  EXPECT_EQ(form.ClientHeight(), 138);
  EXPECT_EQ(form.Font().Name, L"Tahoma");
  EXPECT_EQ(form.Font().Height, 10);

  EXPECT_FALSE(form.StayUpTimer->Enabled());
  EXPECT_EQ(form.StayUpTimer->Interval(), 1000u);
  EXPECT_FALSE(form.StopTimer->Enabled());
  EXPECT_EQ(form.StopTimer->Interval(), 20000u) << "the default countdown of 20 s";

  EXPECT_EQ(form.btnOK->Caption(), L"OK");
  EXPECT_EQ(form.btnCancel->Caption(), L"Отмена");
  EXPECT_EQ(form.btnStop->Caption(), L"остановить");
  EXPECT_EQ(form.lblClose->Caption(), L"Окно закроется через");
  EXPECT_EQ(form.lblSec->Caption(), L"  сек");
  EXPECT_EQ(form.cbRealTime->Text(), L"Обработка программой анализа в реальном времени");
  EXPECT_EQ(form.cbnotChek->Text(), L"Не проверять ФИО в регистраторе, выбирать запись для считывания вручную");
  EXPECT_FALSE(form.cbRealTime->Visible());
  EXPECT_FALSE(form.cbnotChek->Visible());

  // The countdown strip is the lowest, the buttons' strip right above it.
  EXPECT_EQ(form.pnlClose->BoundsRect().bottom, 138);
  EXPECT_EQ(form.pnlClose->Height(), 16);
  EXPECT_EQ(form.pnlButtons->BoundsRect().bottom, form.pnlClose->Top());
  EXPECT_EQ(form.pnlButtons->Height(), 24);
  EXPECT_EQ(form.lblMessage->Top(), 0);
  // OK at the right with the spacer left of it, Cancel at the left; in the strip stop, text, seconds.
  EXPECT_EQ(form.btnOK->BoundsRect().right, 446);
  EXPECT_EQ(form.btnOK->Width(), 70);
  EXPECT_EQ(form.RzBorder1->BoundsRect().right, form.btnOK->Left());
  EXPECT_EQ(form.RzBorder1->Width(), 10);
  EXPECT_EQ(form.btnCancel->Left(), 0);
  EXPECT_EQ(form.btnCancel->Width(), 73);
  EXPECT_EQ(form.btnStop->Left(), 0);
  EXPECT_EQ(form.btnStop->Width(), 80);
  EXPECT_EQ(form.lblClose->Left(), 80);
  EXPECT_EQ(form.lblSec->Left(), form.lblClose->BoundsRect().right);
  EXPECT_GT(form.lblSec->Width(), 0);
}

TEST_F(MessageWindow, ImageListHoldsRedCrossGreyCrossGreenTickGreyTick) {
  TFMessageform form;
  ASSERT_EQ(form.ImageList1->Count(), 4);
  EXPECT_EQ(form.ImageList1->Width(), 16);
  EXPECT_EQ(form.ImageList1->Height(), 16);
  const Mean red = MeanColour(form.ImageList1->Image(0));
  const Mean greyCross = MeanColour(form.ImageList1->Image(1));
  const Mean green = MeanColour(form.ImageList1->Image(2));
  const Mean greyTick = MeanColour(form.ImageList1->Image(3));
  EXPECT_GT(red.R, red.G + 60);
  EXPECT_GT(red.R, red.B + 60);
  EXPECT_GT(green.G, green.R + 40);
  EXPECT_GT(green.G, green.B + 20);
  for (const Mean& grey : {greyCross, greyTick}) {
    EXPECT_LE(std::max({grey.R, grey.G, grey.B}) - std::min({grey.R, grey.G, grey.B}), 6);
    EXPECT_GT(grey.R, 0);
  }
}

// ShowMessageWindow as another process sees and answers it.
struct AnswerCase {
  const char* Name;
  TMessageType Kind;
  const wchar_t* Caption;
  const wchar_t* Press;  // caption of the button clicked, or nullptr for the close box
  bool Result;
  std::vector<std::wstring> ButtonsShown, ButtonsHidden;
};

TEST_F(MessageWindow, ShowMessageWindowAnswersByTheButtonPressed) {
  const std::vector<AnswerCase> cases = {
      {"message, OK", mtMessage, L"", L"OK", true, {L"OK", L"остановить"}, {L"Отмена"}},
      {"question, Cancel", mtDialog, L"Вопрос", L"Отмена", false, {L"OK", L"Отмена", L"остановить"}, {}},
      {"question, OK", mtDialog, L"Вопрос", L"OK", true, {L"OK", L"Отмена"}, {}},
      {"message, close box", mtMessage, L"Сообщение", nullptr, false, {L"OK"}, {L"Отмена"}},
  };
  for (const AnswerCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::wstring title = L"<not seen>", label;
    std::vector<std::wstring> shown, hidden;
    HWND seen = nullptr;
    WhenReady([&] { return (seen = ShownMessageWindow()) != nullptr; },
              [&] {
                title = Title(seen);
                for (HWND w : VisibleDescendants(seen))
                  if (WindowText(w).find(L"Внимание!") != std::wstring::npos) label = WindowText(w);
                for (const auto& b : c.ButtonsShown)
                  if (!Shows(seen, b)) shown.push_back(b);
                for (const auto& b : c.ButtonsHidden)
                  if (Shows(seen, b)) hidden.push_back(b);
                if (c.Press)
                  PostClick(FindVisibleByText(seen, c.Press));
                else
                  PostMessageW(seen, WM_CLOSE, 0, 0);
              },
              3000, [] { PostMessageW(FindOwnWindow(L"TFMessageform"), WM_CLOSE, 0, 0); });
    EXPECT_EQ(ShowMessageWindow(Notice, c.Kind, c.Caption, 0), c.Result);
    EXPECT_EQ(title, c.Caption) << "the caption is the title, an empty one leaves it empty";
    EXPECT_EQ(label, Notice) << "the message is readable from outside";
    EXPECT_TRUE(shown.empty()) << "not shown: " << ToUtf8(shown.front());
    EXPECT_TRUE(hidden.empty()) << "shown: " << ToUtf8(hidden.front());
    EXPECT_EQ(FindOwnWindow(L"TFMessageform"), nullptr) << "the window is freed";
  }
}

TEST_F(MessageWindow, ClosesItselfWithFalseWhenTheCountdownRunsOut) {
  bool sawStrip = false;
  WhenReady([] { return ShownMessageWindow() != nullptr; },
            [&] {
              sawStrip = Shows(ShownMessageWindow(), L"Окно закроется через") &&
                         Shows(ShownMessageWindow(), L"остановить");
            },
            3000, [] {});
  const DWORD start = GetTickCount();
  EXPECT_FALSE(ShowMessageWindow(L"Нет ответа", mtMessage, L"", 1));
  const DWORD took = GetTickCount() - start;
  EXPECT_TRUE(sawStrip);
  EXPECT_GE(took, 900u);
  EXPECT_LT(took, 5000u);
  EXPECT_EQ(FindOwnWindow(L"TFMessageform"), nullptr);
}

// The countdown length reaches the timer: read off the strip after the first tick, with the clock
// standing still so that the whole length is shown.
TEST_F(MessageWindow, CountdownLengthSetsTheStopTimer) {
  const auto previous = SetMessageFormClock([] { return 45000.25; });
  const std::vector<std::pair<int, std::wstring>> cases = {{0, L"  20с"}, {2147483, L"  2147483с"}};
  for (const auto& [seconds, strip] : cases) {
    SCOPED_TRACE(seconds);
    bool seen = false;
    WhenReady([&] { return ShownMessageWindow() && FindVisibleByText(ShownMessageWindow(), strip); },
              [&] {
                seen = true;
                PostClick(FindVisibleByText(ShownMessageWindow(), L"OK"));
              },
              4000, [] { PostMessageW(FindOwnWindow(L"TFMessageform"), WM_CLOSE, 0, 0); });
    EXPECT_TRUE(ShowMessageWindow(L"Отсчёт", mtMessage, L"", seconds));
    EXPECT_TRUE(seen);
  }
  SetMessageFormClock(previous);
}

TEST_F(MessageWindow, StopKeepsTheWindowOpenWithoutTheStripUntilOK) {
  TFMessageform form;
  form.StopTimer->SetInterval(300);
  bool stripGone = false, stillOpen = false, stopTimerOff = false, stayUpOn = false, stripAtStart = false;
  RunLater(50, [&] {
    stripAtStart = form.pnlClose->Showing() && form.StopTimer->Enabled() && form.StayUpTimer->Enabled();
    PostClick(form.btnStop->Handle());
  });
  RunLater(900, [&] {
    stillOpen = form.Showing();
    stripGone = !form.pnlClose->Visible() && !Shows(form.Handle(), L"Окно закроется через");
    stopTimerOff = !form.StopTimer->Enabled();
    stayUpOn = form.StayUpTimer->Enabled();
    PostClick(form.btnOK->Handle());
  });
  EXPECT_TRUE(form.Showmes(L"Остановить отсчёт", mtMessage, L"", true));
  EXPECT_TRUE(stripAtStart);
  EXPECT_TRUE(stillOpen) << "past the 300 ms countdown";
  EXPECT_TRUE(stripGone);
  EXPECT_TRUE(stopTimerOff);
  EXPECT_TRUE(stayUpOn) << "it still comes to the front every second";
  EXPECT_FALSE(form.Visible());
  EXPECT_FALSE(form.StayUpTimer->Enabled()) << "closing stops both timers";
}

TEST_F(MessageWindow, RefusesNegativeAndOverflowingCountdownsBeforeShowingAnything) {
  for (const int seconds : {-1, INT_MIN, INT_MAX / 1000 + 1, INT_MAX}) {
    SCOPED_TRACE(seconds);
    try {
      ShowMessageWindow(L"Никогда", mtMessage, L"", seconds);
      ADD_FAILURE() << "accepted";
    } catch (const EProgramError& error) {
      EXPECT_EQ(error.Text().rfind(L"Недопустимая длительность отсчёта окна сообщения: " +
                                       std::to_wstring(seconds) + L" с. Допустимо от 1 до 2147483 с",
                                   0),
                0u)
          << error.what();
    }
    EXPECT_EQ(FindOwnWindow(L"TFMessageform"), nullptr);
  }
}

TEST_F(MessageWindow, CountdownRoundsHalvesToEven) {
  struct {
    unsigned IntervalMs;
    double Elapsed;
    std::int64_t Remaining;
  } const cases[] = {
      {20000, 0.0, 20}, {20000, 0.5, 20},  {20000, 1.5, 18},   {20000, 2.5, 18},    {20000, 1.4, 19},
      {20000, 1.6, 18}, {20000, 19.5, 0},  {20000, 20.5, 0},   {20000, 25.0, -5},   {20999, 0.0, 20},
      {60000, 1.0, 59}, {60000, 59.4, 1},  {2147483000, 0, 2147483},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CountdownRemaining(c.IntervalMs, c.Elapsed), c.Remaining) << c.IntervalMs << " ms, " << c.Elapsed << " s";
}

// The tick, read at chosen moments of the clock, inside the modal loop.
TEST_F(MessageWindow, TickShowsTheRemainingSecondsAndBringsTheWindowToTheFront) {
  double now = 45000.5;
  const auto previous = SetMessageFormClock([&] { return now; });
  TFMessageform form;
  form.StopTimer->SetInterval(60000);
  form.StayUpTimer->SetInterval(60000);  // the test ticks by itself
  std::wstring before;
  std::vector<std::wstring> texts;
  bool onTop = false;
  RunLater(30, [&] {
    before = form.lblSec->Caption();
    for (const double seconds : {1.0, 1.4, 1.6, 30.0, 59.7, 75.0}) {
      now = 45000.5 + seconds / 86400;
      form.StayUpTimerTimer(form.StayUpTimer);
      texts.push_back(form.lblSec->Caption());
    }
    // Another always-on-top window comes up over it; the next tick puts the message back on top.
    HWND other = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    const bool otherFirst = [&] {
      for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == other) return true;
        if (w == form.Handle()) return false;
      }
      return false;
    }();
    form.StayUpTimerTimer(form.StayUpTimer);
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
      if (w == form.Handle()) {
        onTop = otherFirst;
        break;
      }
      if (w == other) break;
    }
    DestroyWindow(other);
    form.btnOK->Click();
  });
  EXPECT_TRUE(form.Showmes(L"Отсчёт", mtMessage, L"", true));
  SetMessageFormClock(previous);
  EXPECT_EQ(before, L"  сек") << "until the first tick";
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"  59с", L"  59с", L"  58с", L"  30с", L"  0с", L"  -15с"}));
  EXPECT_TRUE(onTop);

  // A hidden window does not tick.
  form.StayUpTimerTimer(form.StayUpTimer);
  EXPECT_EQ(form.lblSec->Caption(), L"  -15с");
  form.lblSec->SetCaption(L"  сек");
  form.StayUpTimerTimer(form.StayUpTimer);
  EXPECT_EQ(form.lblSec->Caption(), L"  сек");
}

TEST_F(MessageWindow, HeightFollowsTheWrappedTextAndTheLowerEdgeSitsOnTheCentreLine) {
  const std::wstring longText =
      L"Длинное сообщение, которое не помещается в одну строку окна шириной 446 точек и потому переносится "
      L"на несколько строк, делая окно выше; так бывает с подробными предупреждениями комплекса.";
  const SIZE screen{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  int oneLineHeight = 0;
  const std::wstring threeLines = L"Внимание!\r Первая строка\r Вторая строка";
  for (const std::wstring& text : {std::wstring(L"Коротко"), threeLines, longText}) {
    SCOPED_TRACE(ToUtf8(text));
    TFMessageform form;
    EXPECT_FALSE(form.Showmes(text, mtMessage, L"", false)) << "a non-modal window answers false at once";
    ASSERT_TRUE(form.Showing());
    EXPECT_EQ(form.lblMessage->Font().Name, L"Tahoma");
    EXPECT_EQ(form.lblMessage->Font().Height, PointsToPixels(10));
    EXPECT_EQ(form.lblMessage->Width(), 446);
    const int labelHeight = form.lblMessage->Height();
    EXPECT_EQ(labelHeight, form.lblMessage->TextExtent(446).cy);
    EXPECT_EQ(form.Height(), labelHeight + 24 + 16 + 60);
    const POINT at = MessageWindowPosition(screen, {form.Width(), form.Height()});
    const RECT r = form.BoundsRect();
    EXPECT_EQ(r.left, at.x);
    EXPECT_EQ(r.top, at.y);
    EXPECT_EQ(r.bottom, screen.cy / 2);
    if (oneLineHeight == 0) {
      oneLineHeight = labelHeight;
    } else if (text == threeLines) {
      EXPECT_EQ(labelHeight, 3 * oneLineHeight) << "three lines parted by a carriage return alone";
    } else {
      EXPECT_GE(labelHeight, 3 * oneLineHeight) << "wrapped";
    }
    // Non-modal: no buttons, no timers, an empty strip.
    EXPECT_FALSE(form.btnOK->Visible());
    EXPECT_FALSE(form.btnCancel->Visible());
    EXPECT_FALSE(form.btnStop->Visible());
    EXPECT_FALSE(form.lblClose->Visible());
    EXPECT_FALSE(form.lblSec->Visible());
    EXPECT_TRUE(form.pnlClose->Showing());
    EXPECT_FALSE(form.StayUpTimer->Enabled());
    EXPECT_FALSE(form.StopTimer->Enabled());
    form.Hide();
  }
}

TEST(MessageWindowPlace, CentredAcrossWithTheLowerEdgeOnTheCentreLine) {
  struct {
    SIZE Screen, Window;
    POINT At;
  } const cases[] = {
      {{1920, 1080}, {446, 200}, {737, 340}},
      {{1366, 768}, {463, 197}, {451, 187}},
      {{1025, 1025}, {446, 201}, {289, 311}},
      {{800, 600}, {1000, 400}, {-100, -100}},
  };
  for (const auto& c : cases) {
    const POINT at = MessageWindowPosition(c.Screen, c.Window);
    EXPECT_EQ(at.x, c.At.x) << c.Screen.cx << "x" << c.Screen.cy;
    EXPECT_EQ(at.y, c.At.y) << c.Screen.cx << "x" << c.Screen.cy;
  }
}

}  // namespace
