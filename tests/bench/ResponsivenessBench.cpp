// Watches the real setup program's window through an installation, as Windows does before it calls a
// program "not responding": scripts/bench.sh runs it.
//
//   responsiveness_bench <Install.exe> <target folder> <driver installer's delay in ms>
//
// Starts Install.exe /SILENT /DIR=<target> (the stand-in driver installer of the distribution takes the
// delay given), asks its main window, from its first answer once shown, every 20 ms whether it answers
// (WM_NULL, 100 ms to answer) until the window is gone; a second thread reads the log's last line every
// 50 ms. Prints one line:
//   "responsive longest_ms=<n> seconds=<run> asked=<n> unanswered=<n> exit=<code>"
// then the longest silences by the log line last read before each began (the step that ran), longest
// first, as
// "  <ms> ms after: <line>".
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>
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
  // Visible: a window the operator cannot see yet is no window Windows would call "not responding".
  if (process == search->ProcessId && std::wstring(name) == L"TFMain" && IsWindowVisible(Wnd)) {
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
  // LB_GETTEXT takes no buffer size, and the line may get its outcome word between the two questions:
  // room for much more than the length asked.
  if (!SendMessageTimeoutW(List, LB_GETTEXTLEN, count - 1, 0, SMTO_NORMAL, 100, &length) || length > 4096)
    return L"(unread)";
  std::wstring text(8192, L'\0');
  if (!SendMessageTimeoutW(List, LB_GETTEXT, count - 1, reinterpret_cast<LPARAM>(text.data()), SMTO_NORMAL, 100, &got))
    return L"(unread)";
  if (got >= text.size()) return L"(unread)";
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
  // The log's last line, read every 50 ms by a thread of its own so the reading never holds up the asking.
  std::mutex lineLock;
  std::wstring currentLine = L"(window shown)";
  std::atomic<bool> finished{false};
  std::thread reader([&] {
    HWND list = nullptr;
    while (!finished) {
      if (!list) EnumChildWindows(search.Found, FindList, reinterpret_cast<LPARAM>(&list));
      if (list) {
        const std::wstring line = LastLine(list);
        if (line[0] != L'(') {
          std::lock_guard<std::mutex> lock(lineLock);
          currentLine = line;
        }
      }
      Sleep(50);
    }
  });

  // From its first answer: the program has started up and shown its page by then.
  DWORD_PTR first = 0;
  while (!SendMessageTimeoutW(search.Found, WM_NULL, 0, 0, SMTO_NORMAL, 100, &first) &&
         WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
  }
  Clock::time_point lastAnswer = Clock::now();
  std::wstring lastLine = L"(window shown)";
  Clock::duration longest{};
  std::map<std::wstring, Clock::duration> longestAfter;
  int asked = 0, unanswered = 0;
  auto silenceUntil = [&](Clock::time_point Now) {
    const Clock::duration silence = Now - lastAnswer;
    longest = std::max(longest, silence);
    longestAfter[lastLine] = std::max(longestAfter[lastLine], silence);
    lastAnswer = Now;
  };
  for (;;) {
    // Silent up to the end counts too: until the window is gone, or the program, when it goes first.
    if (WaitForSingleObject(process.hProcess, 0) != WAIT_TIMEOUT) {
      silenceUntil(Clock::now());
      break;
    }
    DWORD_PTR result = 0;
    ++asked;
    if (SendMessageTimeoutW(search.Found, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result)) {
      silenceUntil(Clock::now());
      std::lock_guard<std::mutex> lock(lineLock);
      lastLine = currentLine;
    } else if (!IsWindow(search.Found)) {
      // The run is over and the program has closed its window: nobody waits for it any more.
      silenceUntil(Clock::now());
      break;
    } else {
      ++unanswered;
    }
    Sleep(20);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  finished = true;
  reader.join();
  const Clock::time_point ended = Clock::now();
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
