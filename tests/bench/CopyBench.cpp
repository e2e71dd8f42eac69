// Times one way of copying the database file and reports the process's peak working set around it;
// scripts/bench.sh runs it once per way and compares. Each way runs in a process of its own, so each
// peak is that copy's own.
//
//   copy_bench stage    <distribution\> <target\>   the database stage of the installation
//   copy_bench served   <distribution\> <target\>   the same, serving a window that another thread asks
//                                                   whether it answers (its longest silence is printed)
//   copy_bench check    <source file> <unused>      the distribution check's read of the file with its
//                                                   SHA-256, serving a window as "served" does
//   copy_bench dated    <source file> <destination>   CopyFileWithDate alone
//   copy_bench copyfile <source file> <destination>   the system's CopyFileW
//   copy_bench flushed  <source file> <destination>   CopyFileW, then the copy put on the disk, as the
//                                                     stage must before it renames its copy into place
//   copy_bench install  <Install.exe> <target folder>  the whole unattended installation: the real program
//                                                     started with /VERYSILENT /DIR=<target> until it ends
//                                                     (the peak working set is the program's own)
//
// Prints one line: "<way> seconds=<wall> cpu=<user+kernel> peak_before_kib=<k> peak_after_kib=<k> ok=<0|1>
// silence_ms=<longest silence of the served window, -1 for the other ways>".
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Error.h"
#include "FileOps.h"
#include "DatabaseRuntime.h"
#include "InstallSequence.h"
#include "Sha256.h"

namespace {

void Print(const std::wstring& Text) {
  const std::string bytes = ToUtf8(Text + L"\n");
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fflush(stdout);
}

// The log goes to the console; questions are answered No, as nobody is there to ask.
class TConsoleContext : public TInstallContext {
 public:
  int AddLine(const std::wstring& Text) override {
    FLines.push_back(Text);
    return static_cast<int>(FLines.size()) - 1;
  }
  void AppendOutcome(int Line, const std::wstring& Word) override {
    FLines[static_cast<size_t>(Line)] += Word;
    if (Word == OutcomeDone) ++FDone;
  }
  void ShowProgress() override { FLines.clear(); }
  void ProcessMessages() override {}
  void RepaintLog() override {}
  bool AskYesNo(const std::wstring& Question) override {
    Print(L"question (answered No): " + Question);
    return false;
  }
  void ShowError(const std::wstring& Text) override { Print(L"error: " + Text); }
  void SetBusy(bool) override {}
  void EnableExit() override {}
  bool ShowFontSizePage() override { return false; }
  void CloseProgram() override {}

  int Done() const { return FDone; }
  void PrintLog() const {
    for (const std::wstring& line : FLines) Print(L"  " + line);
  }

 private:
  std::vector<std::wstring> FLines;
  int FDone = 0;
};

// The stage as the program runs it: a window of this thread is served between the pieces of the copies,
// and another thread asks it every 20 ms whether it answers (WM_NULL, 100 ms to answer), as Windows does
// before it calls a program "not responding".
class TServedContext : public TConsoleContext {
 public:
  TServedContext()
      : FWindow(CreateWindowExW(0, L"STATIC", L"served", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                                nullptr)),
        FLastAnswer(GetTickCount()),
        FAsker(CreateThread(nullptr, 0, Ask, this, 0, nullptr)) {}
  ~TServedContext() override {
    FStop = true;
    WaitForSingleObject(FAsker, INFINITE);
    CloseHandle(FAsker);
    DestroyWindow(FWindow);
  }
  void ProcessMessages() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  // The longest time the window went without an answer, up to now.
  DWORD LongestSilenceMs() const { return std::max<DWORD>(FLongest.load(), GetTickCount() - FLastAnswer.load()); }

 private:
  static DWORD WINAPI Ask(void* Self) {
    auto* context = static_cast<TServedContext*>(Self);
    while (!context->FStop) {
      DWORD_PTR result = 0;
      if (SendMessageTimeoutW(context->FWindow, WM_NULL, 0, 0, SMTO_NORMAL, 100, &result)) {
        const DWORD now = GetTickCount();
        context->FLongest = std::max<DWORD>(context->FLongest.load(), now - context->FLastAnswer.load());
        context->FLastAnswer = now;
      }
      Sleep(20);
    }
    return 0;
  }

  HWND FWindow;
  std::atomic<DWORD> FLastAnswer;
  std::atomic<DWORD> FLongest{0};
  std::atomic<bool> FStop{false};
  HANDLE FAsker;
};

SIZE_T PeakWorkingSetKib() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) return 0;
  return counters.PeakWorkingSetSize / 1024;
}

// User and kernel time together: what the copy itself costs, whatever else the machine is doing.
double CpuSeconds() {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& Time) {
    return static_cast<double>((static_cast<unsigned long long>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime);
  };
  return (ticks(kernel) + ticks(user)) / 1e7;
}

// The real program, unattended, from its start to its end. Its processor time and peak working set go
// to Cpu and PeakKib: the installation is the child's work, not this process's.
bool RunInstallation(const std::wstring& Program, const std::wstring& Target, double& Cpu, SIZE_T& PeakKib) {
  std::wstring commandLine = L"\"" + Program + L"\" /VERYSILENT /DIR=\"" + Target + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(Program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    Print(L"cannot start " + Program);
    return false;
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(process.hProcess, &code);
  FILETIME created, ended, kernel, user;
  if (GetProcessTimes(process.hProcess, &created, &ended, &kernel, &user)) {
    const auto ticks = [](const FILETIME& Time) {
      return static_cast<double>((static_cast<unsigned long long>(Time.dwHighDateTime) << 32) | Time.dwLowDateTime);
    };
    Cpu = (ticks(kernel) + ticks(user)) / 1e7;
  }
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof(counters))) PeakKib = counters.PeakWorkingSetSize / 1024;
  CloseHandle(process.hProcess);
  if (code != 0) Print(L"the installation ended with exit code " + std::to_wstring(code));
  return code == 0;
}

double Seconds() {
  LARGE_INTEGER frequency, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    Print(L"usage: copy_bench stage|served|check|dated|copyfile|flushed|install <source> <destination>");
    return 2;
  }
  const std::wstring way = argv[1], source = argv[2], destination = argv[3];
  // Made before the clock starts: a program's first window costs Wine half a second, which is no cost
  // of the copy.
  std::unique_ptr<TServedContext> served;
  if (way == L"served" || way == L"check") served = std::make_unique<TServedContext>();
  const SIZE_T peakBefore = PeakWorkingSetKib();
  const double start = Seconds();
  const double cpuStart = CpuSeconds();
  bool ok = false;
  long silence = -1;
  double childCpu = -1;
  SIZE_T childPeak = 0;
  try {
    if (way == L"stage") {
      TConsoleContext context;
      // 24 copy lines, each "Завершено", is the stage gone through.
      ok = DeployDatabaseRuntime(context, source, destination) && context.Done() == 24;
      if (!ok) context.PrintLog();
    } else if (way == L"served") {
      ok = DeployDatabaseRuntime(*served, source, destination) && served->Done() == 24;
      if (!ok) served->PrintLog();
      silence = static_cast<long>(served->LongestSilenceMs());
    } else if (way == L"check") {
      const TFileDigest read = Sha256OfFile(source, served.get());
      ok = read.Error == 0 && read.Read == read.Size;
      silence = static_cast<long>(served->LongestSilenceMs());
    } else if (way == L"dated") {
      ok = CopyFileWithDate(source, destination);
    } else if (way == L"copyfile") {
      ok = CopyFileW(source.c_str(), destination.c_str(), FALSE) != FALSE;
    } else if (way == L"flushed") {
      ok = CopyFileW(source.c_str(), destination.c_str(), FALSE) != FALSE;
      if (ok) {
        const HANDLE copy = CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ok = copy != INVALID_HANDLE_VALUE && FlushFileBuffers(copy);
        if (copy != INVALID_HANDLE_VALUE) CloseHandle(copy);
      }
    } else if (way == L"install") {
      ok = RunInstallation(source, destination, childCpu, childPeak);
    } else {
      Print(L"unknown way: " + way);
      return 2;
    }
  } catch (const EProgramError& error) {
    Print(L"error: " + error.Text());
  }
  const double elapsed = Seconds() - start;
  const double cpu = childCpu >= 0 ? childCpu : CpuSeconds() - cpuStart;
  const SIZE_T peakAfter = childPeak ? childPeak : PeakWorkingSetKib();
  char line[256];
  snprintf(line, sizeof(line), "%s seconds=%.3f cpu=%.3f peak_before_kib=%lu peak_after_kib=%lu ok=%d silence_ms=%ld\n",
           ToUtf8(way).c_str(), elapsed, cpu, static_cast<unsigned long>(childPeak ? 0 : peakBefore), static_cast<unsigned long>(peakAfter),
           ok ? 1 : 0, silence);
  fputs(line, stdout);
  return ok ? 0 : 1;
}
