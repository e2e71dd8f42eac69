// The yardstick of the start-up benchmark: a bare Win32 window program of ours, one window that paints
// a line of text, built with the same compiler and options as the setup program and nothing else in it.
#include <windows.h>

namespace {

LRESULT CALLBACK WindowProc(HWND Wnd, UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(Wnd, &paint);
      RECT client;
      GetClientRect(Wnd, &client);
      FillRect(dc, &client, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
      DrawTextW(dc, L"Пустое окно", -1, &client, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
      EndPaint(Wnd, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(Wnd, Message, WParam, LParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE Instance, HINSTANCE, PWSTR, int Show) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = Instance;
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = L"BareWindow";
  if (!RegisterClassExW(&windowClass)) return 1;
  HWND wnd = CreateWindowExW(0, L"BareWindow", L"Пустое окно", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                             480, nullptr, nullptr, Instance, nullptr);
  if (!wnd) return 1;
  ShowWindow(wnd, Show);
  UpdateWindow(wnd);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
