// Watches the real setup program's window through an installation, as Windows does before it calls a
// program "not responding": scripts/bench.sh runs it.
//
//   responsiveness_bench <Install.exe> <target folder> <driver installer's delay in ms>
//
// Starts Install.exe /SILENT /DIR=<target> (the stand-in driver installer of the distribution takes the
// delay given), asks its main window every 20 ms whether it answers (WM_NULL, 100 ms to answer) until
// the program has ended, and notes the log's last line with each answer. Prints one line:
//   "responsive longest_ms=<n> seconds=<run> asked=<n> unanswered=<n> exit=<code>"
// then the longest silence after each log line (the step that ran), longest first, as
// "  <ms> ms after: <line>".
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void Print(const std::wstring& Text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
  bytes.pop_back();
  bytes += '\n';
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

struct TWindowSearch {
  DWORD ProcessId;
  HWND Found;
};

BOOL CALLBACK FindMain(HWND Wnd, LPARAM Data) {
  auto* search = reinterpret_cast<TWindowSearch*>(Data);
  DWORD process = 0;
  GetWindowThreadProcessId(Wnd, &process);
  wchar_t name[64] = {};
  GetClassNameW(Wnd, name, 64);
  if (process == search->ProcessId && std::wstring(name) == L"TFMain") {
    search->Found = Wnd;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK FindList(HWND Wnd, LPARAM Data) {
  wchar_t name[64] = {};
  GetClassNameW(Wnd, name, 64);
  if (std::wstring(name) == L"ListBox") {
    *reinterpret_cast<HWND*>(Data) = Wnd;
    return FALSE;
  }
  return TRUE;
}

std::wstring LastLine(HWND List) {
  DWORD_PTR count = 0, length = 0, got = 0;
  if (!List || !SendMessageTimeoutW(List, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 100, &count) || count == 0 ||
      count == static_cast<DWORD_PTR>(LB_ERR))
    return L"(no line yet)";
  if (!SendMessageTimeoutW(List, LB_GETTEXTLEN, count - 1, 0, SMTO_NORMAL, 100, &length) || length > 4096)
    return L"(unread)";
  std::wstring text(length + 1, L'\0');
  if (!SendMessageTimeoutW(List, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 100, &got))
    return L"(unread)";
  text.resize(got);
  return text;
}

long long Milliseconds(Clock::duration Duration) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Duration).count();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    Print(L"usage: responsiveness_bench <Install.exe> <target folder> <driver delay ms>");
    return 2;
  }
  SetEnvironmentVariableW(L"FTDI_STANDIN_DELAY_MS", argv[3]);
  std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\" /SILENT /DIR=\"" + argv[2] + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    Print(L"cannot start " + std::wstring(argv[1]));
    return 1;
  }
  const Clock::time_point started = Clock::now();

  TWindowSearch search{process.dwProcessId, nullptr};
  while (!search.Found && WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT)
    EnumWindows(FindMain, reinterpret_cast<LPARAM>(&search));
  if (!search.Found) {
    Print(L"the program ended without showing its window");
    return 1;
  }
  HWND list = nullptr;

  Clock::time_point lastAnswer = Clock::now();
  std::wstring lastLine = L"(window shown)";
  Clock::duration longest{};
  std::map<std::wstring, Clock::duration> longestAfter;
  int asked = 0, unanswered = 0;
  while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
    DWORD_PTR result = 0;
    ++asked;
    if (SendMessageTimeoutW(search.Found, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result)) {
      const Clock::time_point now = Clock::now();
      const Clock::duration silence = now - lastAnswer;
      longest = std::max(longest, silence);
      longestAfter[lastLine] = std::max(longestAfter[lastLine], silence);
      lastAnswer = now;
      if (!list) EnumChildWindows(search.Found, FindList, reinterpret_cast<LPARAM>(&list));
      lastLine = LastLine(list);
    } else {
      ++unanswered;
    }
    Sleep(20);
  }
  // The silence up to the end counts too: a program that hangs until it ends answers nobody.
  const Clock::time_point ended = Clock::now();
  if (ended - lastAnswer > longest) longest = ended - lastAnswer;
  DWORD exitCode = 0;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  char line[256];
  snprintf(line, sizeof(line), "responsive longest_ms=%lld seconds=%.1f asked=%d unanswered=%d exit=%lu",
           Milliseconds(longest), static_cast<double>(Milliseconds(ended - started)) / 1000.0, asked, unanswered,
           static_cast<unsigned long>(exitCode));
  Print(std::wstring(line, line + strlen(line)));
  std::vector<std::pair<Clock::duration, std::wstring>> phases;
  for (const auto& phase : longestAfter) phases.emplace_back(phase.second, phase.first);
  std::sort(phases.rbegin(), phases.rend());
  for (size_t i = 0; i < phases.size() && i < 5; ++i)
    Print(L"  " + std::to_wstring(Milliseconds(phases[i].first)) + L" ms after: " + phases[i].second);
  return exitCode == 0 ? 0 : 1;
}
