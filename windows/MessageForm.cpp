#include "MessageForm.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>

#include "NumberFormat.h"

namespace {

constexpr int DefaultCountdownMs = 20000;
constexpr int LongestCountdownSeconds = std::numeric_limits<std::int32_t>::max() / 1000;

std::function<double()>& Clock() {
  static std::function<double()> clock;
  return clock;
}

double SystemNow() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  FILETIME file;
  if (!SystemTimeToFileTime(&local, &file)) return 0;
  ULARGE_INTEGER ticks;
  ticks.LowPart = file.dwLowDateTime;
  ticks.HighPart = file.dwHighDateTime;
  // File times count 100 ns from 1 January 1601, which lies 109205 days before 30 December 1899.
  const std::int64_t ms = static_cast<std::int64_t>(ticks.QuadPart / 10000);
  return static_cast<double>(ms) / 86400000.0 - 109205.0;
}

}  // namespace

double MessageFormNow() { return Clock() ? Clock()() : SystemNow(); }

std::function<double()> SetMessageFormClock(std::function<double()> Replacement) {
  std::function<double()> previous = std::move(Clock());
  Clock() = std::move(Replacement);
  return previous;
}

std::int64_t CountdownRemaining(unsigned IntervalMs, double ElapsedSeconds) {
  const double remaining = std::nearbyint(static_cast<double>(IntervalMs / 1000) - ElapsedSeconds);
  // A clock set far off must not overflow the conversion.
  if (!(std::fabs(remaining) < 1e15)) return remaining < 0 ? -1000000000000000 : 1000000000000000;
  return static_cast<std::int64_t>(remaining);
}

POINT MessageWindowPosition(SIZE Screen, SIZE Window) {
  return {(Screen.cx - Window.cx) / 2, Screen.cy / 2 - Window.cy};
}

TFMessageform::TFMessageform() : TForm(L"TFMessageform") {
  SetStayOnTop(true);
  SetClientSize(446, 138);
  SetFont(TFont(L"Tahoma", 10));

  pnlButtons = new TPanel(this);
  pnlButtons->SetHeight(24);
  pnlButtons->SetAlign(alBottom);
  btnOK = new TButton(pnlButtons, L"OK");
  btnOK->SetWidth(70);
  btnOK->SetAlign(alRight);
  btnOK->SetHotTrack(true);
  btnCancel = new TButton(pnlButtons, L"Отмена");
  btnCancel->SetWidth(73);
  btnCancel->SetAlign(alLeft);
  btnCancel->SetHotTrack(true);

  lblMessage = new TLabel(this);
  lblMessage->SetWordWrap(true);
  lblMessage->SetLayout(tlCenter);
  lblMessage->SetAlign(alTop);

  pnlClose = new TPanel(this);
  pnlClose->SetHeight(16);
  pnlClose->SetAlign(alBottom);
  pnlClose->DockBefore(pnlButtons);  // the lowest strip
  lblClose = new TLabel(pnlClose, L"Окно закроется через");
  lblClose->SetAlignment(taCenter);
  lblClose->SetAlign(alLeft);
  lblSec = new TLabel(pnlClose, L"  сек");
  lblSec->SetAlign(alLeft);
  btnStop = new TButton(pnlClose, L"остановить");
  btnStop->SetWidth(80);
  btnStop->SetHotTrack(false);
  btnStop->SetAlign(alLeft);
  btnStop->DockBefore(lblClose);

  StayUpTimer = new TTimer(this);
  StayUpTimer->SetInterval(1000);
  StopTimer = new TTimer(this);
  StopTimer->SetInterval(DefaultCountdownMs);

  // Used by the suite's other programs; the setup program never shows them.
  cbRealTime = new TCheckBox(this, L"Обработка программой анализа в реальном времени");
  cbRealTime->Hide();
  cbRealTime->SetAlign(alBottom);
  cbnotChek = new TCheckBox(this, L"Не проверять ФИО в регистраторе, выбирать запись для считывания вручную");
  cbnotChek->Hide();
  cbnotChek->SetAlign(alBottom);

  RzBorder1 = new TPanel(pnlButtons);
  RzBorder1->SetWidth(10);
  RzBorder1->SetAlign(alRight);

  // Red cross, grey cross, green tick, grey tick.
  ImageList1 = new TImageList(this, 16, 16);
  ImageList1->AddStrip(L"GLYPH_CANCEL");
  ImageList1->AddStrip(L"GLYPH_OK");
  btnOK->SetImages(ImageList1, 2, 3);
  btnCancel->SetImages(ImageList1, 0, 1);

  StayUpTimer->OnTimer = [this](TObject* Sender) { StayUpTimerTimer(Sender); };
  StopTimer->OnTimer = [this](TObject* Sender) { StopTimerTimer(Sender); };
  btnStop->OnClick = [this](TObject* Sender) { btnStopClick(Sender); };
  btnCancel->OnClick = [this](TObject* Sender) { btnCancelClick(Sender); };
  btnOK->OnClick = [this](TObject* Sender) { btnOKClick(Sender); };
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
  OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
}

bool TFMessageform::Showmes(const std::wstring& Text, TMessageType tip, const std::wstring& CaptionText,
                            bool smodal) {
  FShowResult = false;
  FMessageTtype = tip;
  FMessageText = Text;
  FCaptionText = CaptionText;
  Fsmodal = smodal;
  // Enter is OK; Esc is Cancel, or OK where OK is the only answer.
  btnOK->SetDefault(true);
  btnOK->SetCancel(FMessageTtype == mtMessage);
  btnCancel->SetCancel(FMessageTtype == mtDialog);
  FocusControl(btnOK);
  switch (FMessageTtype) {
    case mtMessage:
      btnCancel->Hide();
      btnOK->Show();
      break;
    case mtDialog:
      btnCancel->Show();
      btnOK->Show();
      break;
  }
  if (!smodal) {
    btnOK->Hide();
    btnStop->Hide();
    btnCancel->Hide();
  }
  if (smodal)
    ShowModal();
  else
    Show();
  const bool result = FShowResult;
  // The caller may keep the thread busy next: a non-modal window must be drawn now.
  Repaint();
  return result;
}

void TFMessageform::FormShow(TObject*) {
  if (Fsmodal) {
    StayUpTimer->SetEnabled(true);
    StopTimer->SetEnabled(true);
  } else {
    StayUpTimer->SetEnabled(false);
    StopTimer->SetEnabled(false);
    lblClose->Hide();
    lblSec->Hide();
  }
  pnlClose->Show();
  pnlClose->DockBefore(pnlButtons);

  TFont font = lblMessage->Font();
  font.Height = PointsToPixels(10);
  lblMessage->SetFont(font);
  lblMessage->SetCaption(FMessageText);
  SetCaption(FCaptionText);

  const int height = lblMessage->Height() + pnlButtons->Height() + pnlClose->Height() + 60;
  const POINT at = MessageWindowPosition({GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)},
                                         {Width(), height});
  SetBounds(at.x, at.y, Width(), height);
  BringToFront();
  tt = MessageFormNow();
}

void TFMessageform::StayUpTimerTimer(TObject*) {
  if (!Showing()) return;
  BringToFront();
  const double elapsed = (MessageFormNow() - tt) * 24 * 60 * 60;
  lblSec->SetCaption(L"  " + IntToStr(CountdownRemaining(StopTimer->Interval(), elapsed)) + L"с");
}

void TFMessageform::StopTimerTimer(TObject*) { btnCancel->Click(); }

void TFMessageform::btnStopClick(TObject*) {
  StopTimer->SetEnabled(false);
  pnlClose->Hide();
}

void TFMessageform::btnCancelClick(TObject*) {
  FShowResult = false;
  Close();
}

void TFMessageform::btnOKClick(TObject*) {
  FShowResult = true;
  Close();
}

void TFMessageform::FormClose(TObject*, TCloseAction&) {
  StayUpTimer->SetEnabled(false);
  StopTimer->SetEnabled(false);
}

bool ShowMessageWindow(const std::wstring& Text, TMessageType Kind, const std::wstring& CaptionText,
                       int CountdownSeconds) {
  // Checked before any window exists: a negative interval or one that wraps round in milliseconds
  // would close the window at once or never.
  if (CountdownSeconds < 0 || CountdownSeconds > LongestCountdownSeconds) {
    throw EProgramError(L"Недопустимая длительность отсчёта окна сообщения: " + IntToStr(CountdownSeconds) +
                        L" с. Допустимо от 1 до " + IntToStr(LongestCountdownSeconds) +
                        L" с или 0 (по умолчанию 20 с).");
  }
  std::unique_ptr<TFMessageform> form(new TFMessageform());
  if (CountdownSeconds != 0) form->StopTimer->SetInterval(static_cast<unsigned>(CountdownSeconds) * 1000u);
  return form->Showmes(Text, Kind, CaptionText, true);
}
