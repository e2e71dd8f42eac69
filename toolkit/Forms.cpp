#include "Forms.h"
#include "SystemLibraries.h"

#include <commctrl.h>

#include <algorithm>

#include "Prompts.h"
#include "StdCtrls.h"

TApplication Application;

// ---------------------------------------------------------------- TForm

namespace {

// The common controls learn of new system colours from the window they lie in.
BOOL CALLBACK PassOnSettingChange(HWND Child, LPARAM Msg) {
  SendMessageW(Child, *reinterpret_cast<const UINT*>(Msg), 0, 0);
  return TRUE;
}

}  // namespace

TForm::TForm(const wchar_t* WindowClassName) : TWinControl(nullptr) {
  RegisterWindowClass(WindowClassName, CS_DBLCLKS);
  CreateHandle(WindowClassName, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                                    WS_THICKFRAME | WS_CLIPCHILDREN,
               WS_EX_CONTROLPARENT);
  // Underlines and focus rectangles as the system is set: hidden until the keyboard is used, or shown.
  BOOL cues = FALSE;
  SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cues, 0);
  SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(cues ? UIS_CLEAR : UIS_SET, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
  Application.FormCreated(this);
}

TForm::~TForm() {
  while (!FTimers.empty()) delete FTimers.back();
  Application.FormDestroyed(this);
}

void TForm::SetClientSize(int Width, int Height) {
  RECT rect{0, 0, Width, Height};
  AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongW(Handle(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(Handle(), GWL_EXSTYLE)));
  SetWindowPos(Handle(), nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::SetBorderStyle(TFormBorderStyle Value) {
  const int width = ClientWidth(), height = ClientHeight();
  LONG style = GetWindowLongW(Handle(), GWL_STYLE);
  LONG exStyle = GetWindowLongW(Handle(), GWL_EXSTYLE);
  style &= ~(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_DLGFRAME | WS_BORDER);
  exStyle &= ~WS_EX_DLGMODALFRAME;
  switch (Value) {
    case bsNone: style |= WS_POPUP; break;
    case bsSingle: style |= WS_CAPTION; break;
    case bsSizeable: style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      style |= WS_CAPTION;
      style &= ~(WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
      exStyle |= WS_EX_DLGMODALFRAME;
      break;
  }
  SetWindowLongW(Handle(), GWL_STYLE, style);
  SetWindowLongW(Handle(), GWL_EXSTYLE, exStyle);
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  SetClientSize(width, height);
}

void TForm::SetBorderIcons(bool SystemMenu, bool Minimize, bool Maximize) {
  LONG style = GetWindowLongW(Handle(), GWL_STYLE) & ~(WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
  if (SystemMenu) style |= WS_SYSMENU;
  if (Minimize) style |= WS_MINIMIZEBOX;
  if (Maximize) style |= WS_MAXIMIZEBOX;
  SetWindowLongW(Handle(), GWL_STYLE, style);
  SetWindowPos(Handle(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TForm::SetStayOnTop(bool Value) {
  SetWindowPos(Handle(), Value ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool TForm::StayOnTop() const { return (GetWindowLongW(Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

void TForm::SetIcon(HICON Icon) {
  SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
  SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Icon));
}

void TForm::SetVisible(bool Value) {
  if (!Value) {
    ShowWindow(Handle(), SW_HIDE);
    return;
  }
  if (!FShownOnce && FPosition == poScreenCenter) {
    const int x = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
    SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  FShownOnce = true;
  if (OnShow) OnShow(this);
  if (Application.MainForm() == this && Application.Handle() && !IsWindowVisible(Application.Handle()))
    ShowWindow(Application.Handle(), SW_SHOWNOACTIVATE);
  ShowWindow(Handle(), SW_SHOW);
  SetForegroundWindow(Handle());
  // The activation may come before the controls are shown: the focus goes where the form wants it.
  if (GetActiveWindow() == Handle()) RestoreFocus();
}

int TForm::ShowModal() {
  FModalResult = mrNone;
  FModal = true;
  HWND previous = GetActiveWindow();
  const std::vector<HWND> disabled = Application.DisableTaskWindows(Handle());
  auto closeModal = [this]() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    TCloseAction action = caHide;
    if (canClose && OnClose) OnClose(this, action);
    if (!canClose || action == caNone) FModalResult = mrNone;
    return FModalResult != mrNone;
  };
  try {
    Show();
    ++Application.FModalDepth;
    for (;;) {
      if (FModalResult != mrNone && closeModal()) break;
      if (!Application.HandleMessage()) {
        FModalResult = mrCancel;
        break;
      }
    }
  } catch (...) {
    --Application.FModalDepth;
    TApplication::EnableTaskWindows(disabled);
    Hide();
    FModal = false;
    throw;
  }
  --Application.FModalDepth;
  // The owners come back before this window goes, so that Windows activates one of them.
  TApplication::EnableTaskWindows(disabled);
  Hide();
  FModal = false;
  if (previous && IsWindow(previous)) SetActiveWindow(previous);
  return FModalResult;
}

void TForm::Close() {
  if (FModal) {
    if (FModalResult == mrNone) FModalResult = mrCancel;
    return;
  }
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  if (!canClose) return;
  TCloseAction action = caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (Application.MainForm() == this)
    Application.Terminate();
  else
    Hide();
}

void TForm::BringToFront() {
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (IsWindowEnabled(Handle())) SetForegroundWindow(Handle());
}

void TForm::FocusControl(TWinControl* Control) {
  if (!Control || !Control->Handle()) return;
  FFocused = Control->Handle();
  if (GetActiveWindow() == Handle()) RestoreFocus();
  if (SendMessageW(FFocused, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(FFocused, EM_SETSEL, 0, -1);
}

TWinControl* TForm::FirstControl(const std::function<bool(TWinControl*)>& Match, bool ShownOnly) {
  std::vector<TWinControl*> pending(Controls().rbegin(), Controls().rend());
  while (!pending.empty()) {
    TWinControl* control = pending.back();
    pending.pop_back();
    if (ShownOnly && !control->Showing()) continue;
    if (Match(control)) return control;
    pending.insert(pending.end(), control->Controls().rbegin(), control->Controls().rend());
  }
  return nullptr;
}

TButton* TForm::FindButton(bool Default) {
  return dynamic_cast<TButton*>(FirstControl(
      [Default](TWinControl* Control) {
        auto* button = dynamic_cast<TButton*>(Control);
        return button && (Default ? button->Default() : button->Cancel());
      },
      true));
}

void TForm::ShowKeyboardCues(WORD Cues) {
  if (!(SendMessageW(Handle(), WM_QUERYUISTATE, 0, 0) & Cues)) return;
  SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, Cues), 0);
  // The toolkit's buttons read the form's state; not every system passes the change on to them.
  RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

namespace {

// The letter after the single ampersand of a caption, in upper case; 0 for none.
wchar_t AccessKey(const std::wstring& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != L'&') continue;
    if (Caption[i + 1] == L'&') {
      ++i;
      continue;
    }
    wchar_t key[2] = {Caption[i + 1], L'\0'};
    CharUpperBuffW(key, 1);
    return key[0];
  }
  return 0;
}

}  // namespace

bool TForm::PressAccessKey(wchar_t Key) {
  wchar_t upper[2] = {Key, L'\0'};
  CharUpperBuffW(upper, 1);
  TWinControl* control = FirstControl(
      [&upper](TWinControl* Control) {
        return Control->Enabled() && (SendMessageW(Control->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_BUTTON) &&
               AccessKey(Control->Text()) == upper[0];
      },
      true);
  if (control) SendMessageW(control->Handle(), BM_CLICK, 0, 0);
  return control != nullptr;
}

bool TForm::DialogKey(const MSG& Msg) {
  if (Msg.hwnd != Handle() && !IsChild(Handle(), Msg.hwnd)) return false;
  if (Msg.message == WM_SYSKEYDOWN && Msg.wParam == VK_MENU) ShowKeyboardCues(UISF_HIDEACCEL | UISF_HIDEFOCUS);
  // Alt and the underlined letter, or the letter alone where the focused control takes no typing. The
  // dialog manager would do it, but compares the letters in upper case only for Latin ones under Wine.
  if (Msg.message == WM_SYSCHAR ||
      (Msg.message == WM_CHAR && !(SendMessageW(Msg.hwnd, WM_GETDLGCODE, Msg.wParam, 0) & (DLGC_WANTCHARS | DLGC_WANTALLKEYS))))
    return PressAccessKey(static_cast<wchar_t>(Msg.wParam));
  if (Msg.message != WM_KEYDOWN) return false;
  switch (Msg.wParam) {
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
      ShowKeyboardCues(UISF_HIDEFOCUS);
      return false;
    case VK_RETURN:
    case VK_ESCAPE: {
      // A held key presses once: the next page's default button must not be pressed by the same key.
      const bool repeated = (Msg.lParam & (1L << 30)) != 0;
      TButton* button = nullptr;
      HWND focus = GetFocus();
      if (Msg.wParam == VK_RETURN && focus)
        button = dynamic_cast<TButton*>(FirstControl([focus](TWinControl* Control) { return Control->Handle() == focus; }, false));
      if (!button) button = FindButton(Msg.wParam == VK_RETURN);
      if (!button) return false;
      if (!repeated && button->Enabled()) button->Click();
      return true;
    }
  }
  return false;
}

void TForm::RememberFocus() {
  HWND focus = GetFocus();
  if (focus && IsChild(Handle(), focus)) FFocused = focus;
}

void TForm::RestoreFocus() {
  if (FFocused && IsWindow(FFocused) && IsChild(Handle(), FFocused) && IsWindowVisible(FFocused) &&
      IsWindowEnabled(FFocused))
    ::SetFocus(FFocused);
}

void TForm::TimerMessage(UINT_PTR Id) {
  for (TTimer* timer : FTimers)
    if (timer->FId == Id) {
      if (timer->FEnabled && timer->OnTimer) timer->OnTimer(timer);
      return;
    }
}

LRESULT TForm::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_CLOSE:
      Close();
      return 0;
    case WM_TIMER:
      TimerMessage(WParam);
      return 0;
    case WM_ACTIVATE: {
      if (LOWORD(WParam) == WA_INACTIVE) {
        RememberFocus();
        break;
      }
      const LRESULT result = DefaultHandler(Msg, WParam, LParam);
      if (!HIWORD(WParam)) RestoreFocus();
      return result;
    }
    case WM_SETFOCUS:
      RestoreFocus();
      return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE: {
      // A high-contrast scheme switched on or off, or new system colours: everything is drawn anew.
      const LRESULT result = DefaultHandler(Msg, WParam, LParam);
      RefreshHighContrast();
      EnumChildWindows(Handle(), PassOnSettingChange, reinterpret_cast<LPARAM>(&Msg));
      if (OnSystemColorsChange) OnSystemColorsChange(this);
      RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
      return result;
    }
    case WM_SYSCOMMAND:
      // The main form minimises the application window, whose task-bar button then restores it.
      if ((WParam & 0xFFF0) == SC_MINIMIZE && Application.MainForm() == this && Application.Handle()) {
        ShowWindow(Application.Handle(), SW_MINIMIZE);
        return 0;
      }
      break;
  }
  return TWinControl::WndProc(Msg, WParam, LParam);
}

// ---------------------------------------------------------------- TTimer

TTimer::TTimer(TForm* Owner) : TComponent(Owner), FForm(Owner), FId(Owner->FNextTimerId++) {
  FForm->FTimers.push_back(this);
}

TTimer::~TTimer() {
  if (FForm->Handle()) KillTimer(FForm->Handle(), FId);
  auto& list = FForm->FTimers;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TTimer::SetEnabled(bool Value) {
  FEnabled = Value;
  Update();
}

void TTimer::SetInterval(unsigned Milliseconds) {
  FInterval = Milliseconds;
  Update();
}

void TTimer::Update() {
  if (!FForm->Handle()) return;
  KillTimer(FForm->Handle(), FId);
  if (FEnabled && FInterval > 0) SetTimer(FForm->Handle(), FId, FInterval, nullptr);
}

// ---------------------------------------------------------------- TApplication

void TApplication::Initialize() {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS | ICC_WIN95_CLASSES};
  LateBound::InitCommonControlsEx(&controls);
  if (FHandle) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = AppWndProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"TApplication";
  RegisterClassExW(&wc);
  // Zero-sized: it is there for its task-bar button only.
  FHandle = CreateWindowExW(0, wc.lpszClassName, FTitle.c_str(),
                            WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr,
                            nullptr, wc.hInstance, nullptr);
}

void TApplication::SetTitle(const std::wstring& Value) {
  FTitle = Value;
  if (FHandle) SetWindowTextW(FHandle, FTitle.c_str());
}

void TApplication::SetIcon(HICON Icon) {
  if (!FHandle) return;
  SendMessageW(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(Icon));
  SendMessageW(FHandle, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(Icon));
}

LRESULT CALLBACK TApplication::AppWndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  switch (Msg) {
    case WM_CLOSE:
      if (Application.FMainForm) Application.FMainForm->Close();
      return 0;
    case WM_SIZE:
      // The forms go with the application window when it is minimised and come back with it.
      if (WParam == SIZE_MINIMIZED) ShowOwnedPopups(Wnd, FALSE);
      if (WParam == SIZE_RESTORED) {
        ShowOwnedPopups(Wnd, TRUE);
        HWND popup = GetLastActivePopup(Wnd);
        if (GetActiveWindow() == Wnd && popup != Wnd && IsWindowVisible(popup) && IsWindowEnabled(popup)) SetFocus(popup);
      }
      break;
    case WM_ACTIVATE:
      // Activated through its task-bar button: the form the user worked in last takes over.
      if (LOWORD(WParam) != WA_INACTIVE && !HIWORD(WParam)) {
        HWND popup = GetLastActivePopup(Wnd);
        if (popup && popup != Wnd && IsWindowVisible(popup) && IsWindowEnabled(popup)) SetFocus(popup);
      }
      return 0;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

void TApplication::FormCreated(TForm* Form) {
  FForms.push_back(Form);
  if (!FMainForm) {
    FMainForm = Form;
    FTerminated = false;
  }
}

void TApplication::FormDestroyed(TForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  if (FMainForm == Form) FMainForm = nullptr;
}

TForm* TApplication::FormOf(HWND Wnd) const {
  if (!Wnd) return nullptr;
  auto found = std::find_if(FForms.begin(), FForms.end(), [Wnd](TForm* f) { return f->Handle() == Wnd; });
  return found == FForms.end() ? nullptr : *found;
}

void TApplication::Run() {
  FRunning = true;
  if (FMainForm && !FMainForm->Visible()) FMainForm->Show();
  while (!FTerminated && HandleMessage()) {
  }
  FRunning = false;
}

bool TApplication::HandleMessage() {
  MSG msg;
  const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
  if (got == 0) {
    FTerminated = true;
    // A modal loop passes the quit on to the loop it runs in.
    if (FModalDepth > 0) PostQuitMessage(static_cast<int>(msg.wParam));
    return false;
  }
  if (got == -1) return false;
  if (DialogMessage(msg)) return true;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  return true;
}

bool TApplication::DialogMessage(MSG& Msg) {
  TForm* form = FormOf(GetActiveWindow());
  return form && (form->DialogKey(Msg) || IsDialogMessageW(form->Handle(), &Msg));
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      FTerminated = true;
      if (FModalDepth > 0) PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (DialogMessage(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

void TApplication::Terminate() {
  FTerminated = true;
  if (FRunning) PostQuitMessage(0);
}

void TApplication::HandleException() {
  try {
    throw;
  } catch (const EProgramError& error) {
    ShowException(error.Text());
  } catch (const std::exception& error) {
    ShowException(FromUtf8(error.what()));
  } catch (...) {
    ShowException(L"Неизвестная ошибка.");
  }
}

void TApplication::ShowException(const std::wstring& Text) {
  Prompts().Box(DialogOwner(), Text, FTitle, MB_OK | MB_ICONERROR);
}

void TApplication::SetBusyCursor(bool Value) {
  FBusyCursor = Value;
  SetCursor(LoadCursorW(nullptr, Value ? IDC_WAIT : IDC_ARROW));
}

HWND TApplication::DialogOwner() const {
  HWND active = GetActiveWindow();
  if (FormOf(active)) return active;
  if (FMainForm && IsWindowVisible(FMainForm->Handle())) return FMainForm->Handle();
  return FHandle;
}

namespace {

struct TaskWindows {
  HWND Keep;
  std::vector<HWND> Disabled;
};

BOOL CALLBACK CollectTaskWindow(HWND Wnd, LPARAM Data) {
  auto* windows = reinterpret_cast<TaskWindows*>(Data);
  if (Wnd != windows->Keep && IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) windows->Disabled.push_back(Wnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> TApplication::DisableTaskWindows(HWND Keep) const {
  TaskWindows windows{Keep, {}};
  EnumThreadWindows(GetCurrentThreadId(), CollectTaskWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND wnd : windows.Disabled) EnableWindow(wnd, FALSE);
  return windows.Disabled;
}

void TApplication::EnableTaskWindows(const std::vector<HWND>& Windows) {
  for (HWND wnd : Windows)
    if (IsWindow(wnd)) EnableWindow(wnd, TRUE);
}
