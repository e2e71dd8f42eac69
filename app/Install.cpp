// The program block of the setup program.
#include <windows.h>
#include <commctrl.h>
#include <string>

#include "RH_Common_Proc.h"
#include "ResourceIds.h"

namespace {

// The program's own folder becomes the current directory, so relative names typed by the operator
// resolve against the distribution, also when the program was started from elsewhere.
void EnterProgramFolder() {
  wchar_t path[MAX_PATH * 4] = {};
  const DWORD length = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  if (length == 0 || length >= std::size(path)) return;
  std::wstring folder(path, length);
  folder.erase(folder.find_last_of(L'\\') + 1);
  SetCurrentDirectoryW(folder.c_str());
}

LRESULT CALLBACK MainWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, LPWSTR, int ShowCmd) {
  EnterProgramFolder();
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = Instance;
  wc.hIcon = LoadIconW(Instance, MAKEINTRESOURCEW(IDI_INSTALL));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"TFMain";
  RegisterClassExW(&wc);

  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT rect{0, 0, 954, 579};
  AdjustWindowRectEx(&rect, style, FALSE, 0);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"Установка комплекса", style,
                             (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                             (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, nullptr,
                             nullptr, Instance, nullptr);
  if (!wnd) return 1;
  ShowWindow(wnd, ShowCmd);
  UpdateWindow(wnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
