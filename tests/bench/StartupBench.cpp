// Times one start of a window program to its first painted main window, measured from outside:
//
//   startup_bench <window class> <program> [arguments...]
//
// The clock runs from just before CreateProcess to the moment a visible top-level window of that class
// belongs to the new process and neither it nor any visible window inside it has anything left to
// paint (empty update regions), confirmed by a message round trip to the window: the program's thread
// answers it only after its painting handler has returned. The program is then ended.
// Prints one line: "ms=<milliseconds>"; exit code 1 when no such window was painted within 30 s.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
  DWORD ProcessId;
  const wchar_t* Class;
  HWND Found;
};

BOOL CALLBACK MatchTopWindow(HWND Wnd, LPARAM Data) {
  auto* search = reinterpret_cast<Search*>(Data);
  DWORD process = 0;
  GetWindowThreadProcessId(Wnd, &process);
  wchar_t name[256] = {};
  if (process != search->ProcessId || !IsWindowVisible(Wnd) || !GetClassNameW(Wnd, name, 256) ||
      lstrcmpW(name, search->Class) != 0)
    return TRUE;
  search->Found = Wnd;
  return FALSE;
}

BOOL CALLBACK FindUnpainted(HWND Wnd, LPARAM Data) {
  if (IsWindowVisible(Wnd) && GetUpdateRect(Wnd, nullptr, FALSE)) {
    *reinterpret_cast<bool*>(Data) = true;
    return FALSE;
  }
  return TRUE;
}

bool Painted(HWND Wnd) {
  if (GetUpdateRect(Wnd, nullptr, FALSE)) return false;
  bool unpainted = false;
  EnumChildWindows(Wnd, FindUnpainted, reinterpret_cast<LPARAM>(&unpainted));
  return !unpainted;
}

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::wstring Quoted(const std::wstring& Argument) { return L"\"" + Argument + L"\""; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    fputs("usage: startup_bench <window class> <program> [arguments...]\n", stderr);
    return 2;
  }
  std::wstring commandLine = Quoted(argv[2]);
  for (int i = 3; i < argc; ++i) commandLine += L" " + Quoted(argv[i]);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const double start = Now();
  if (!CreateProcessW(argv[2], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    fprintf(stderr, "cannot start the program: error %lu\n", GetLastError());
    return 2;
  }
  double painted = 0;
  while (Now() - start < 30000.0) {
    Search search{process.dwProcessId, argv[1], nullptr};
    EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
    DWORD_PTR answer = 0;
    if (search.Found && Painted(search.Found) &&
        SendMessageTimeoutW(search.Found, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer) && Painted(search.Found)) {
      painted = Now() - start;
      break;
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (painted == 0) {
    fputs("no painted window of that class\n", stderr);
    return 1;
  }
  printf("ms=%.1f\n", painted);
  return 0;
}
