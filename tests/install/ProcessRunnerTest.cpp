// Starting programs and command scripts: copies of the stand-in driver installer in temporary folders
// with Cyrillic names and blanks tell how they were started.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "DriverInstallerStandin.h"
#include "ElevationSeams.h"
#include "Error.h"
#include "ProcessRunner.h"
#include "UnattendedContext.h"

namespace {

const DWORD NotStarted = static_cast<DWORD>(-1);

std::wstring Quoted(const std::wstring& Path) { return L"\"" + Path + L"\""; }

// Makes Folder this program's current folder and puts the old one back.
class TScopedCurrentFolder {
 public:
  explicit TScopedCurrentFolder(const std::wstring& Folder) : FOld(CurrentFolderNow()) {
    EXPECT_TRUE(SetCurrentDirectoryW(Folder.c_str()));
  }
  ~TScopedCurrentFolder() { SetCurrentDirectoryW(FOld.c_str()); }

 private:
  std::wstring FOld;
};

// Bytes as cmd.exe writes them: the OEM code page of a Russian system.
std::string Oem866(const std::wstring& Text) {
  const int size = WideCharToMultiByte(866, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(866, 0, Text.data(), static_cast<int>(Text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::wstring WithoutTrailingBackslash(const std::wstring& Folder) { return Folder.substr(0, Folder.size() - 1); }

}  // namespace

TEST(ExecProcess, RunsTheCommandLineInOurFolderWithTheShowStateAndGivesTheExitCode) {
  struct {
    WORD Show;
    DWORD ExitCode;
  } const cases[] = {{SW_HIDE, 0}, {SW_SHOWNORMAL, 3}, {SW_SHOWMINNOACTIVE, 1000000}};
  TTempFolder temp;
  CreateFolder(temp.Path() + L"Текущая папка");
  const TScopedCurrentFolder current(temp.Path() + L"Текущая папка");
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Show);
    const std::wstring folder = temp.Path() + L"Установщик " + std::to_wstring(++n) + L"\\";
    CreateFolder(folder);
    PlantInstaller(folder + L"FTDIDriverInstall.exe");
    const TScopedVariable exitCode(L"FTDI_STANDIN_EXIT_CODE", std::to_wstring(c.ExitCode));

    EXPECT_EQ(ExecProcess(Quoted(folder + L"FTDIDriverInstall.exe"), c.Show, true), c.ExitCode);
    const auto runs = RunsOf(folder + L"FTDIDriverInstall.exe");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].Program, folder + L"FTDIDriverInstall.exe");
    EXPECT_EQ(runs[0].CommandLine, Quoted(folder + L"FTDIDriverInstall.exe"));
    EXPECT_EQ(runs[0].UseShowWindow, 1);
    EXPECT_EQ(runs[0].ShowWindow, c.Show);
    EXPECT_EQ(runs[0].CurrentFolder, temp.Path() + L"Текущая папка");
  }
}

TEST(ExecProcess, ProgramThatCannotBeStartedGivesMinusOne) {
  TTempFolder temp;
  const std::wstring lines[] = {Quoted(temp.Path() + L"Нет программы.exe"),
                                Quoted(temp.Path() + L"Нет папки\\FTDIDriverInstall.exe"), L""};
  for (const auto& line : lines) {
    SCOPED_TRACE(ToUtf8(line));
    EXPECT_EQ(ExecProcess(line, SW_HIDE, true), NotStarted);
    EXPECT_EQ(ExecProcess(line, SW_HIDE, false), NotStarted);
  }
}

TEST(ExecProcess, WithoutWaitingReturnsWhileTheProgramRuns) {
  TTempFolder temp;
  const std::wstring program = temp.Path() + L"FTDIDriverInstall.exe";
  PlantInstaller(program);
  const TScopedVariable delay(L"FTDI_STANDIN_DELAY_MS", L"1500");

  const DWORD started = GetTickCount();
  EXPECT_EQ(ExecProcess(Quoted(program), SW_HIDE, false), 0u);
  EXPECT_LT(GetTickCount() - started, 1000u);
  EXPECT_TRUE(RunsOf(program).empty());
  // The program goes on alone; it must have ended before its folder is removed.
  for (int i = 0; i < 150 && RunsOf(program).empty(); ++i) Sleep(100);
  Sleep(200);
  EXPECT_EQ(RunsOf(program).size(), 1u);
}

TEST(ExecAndWait, RunsTheProgramInItsFolderWaitsAndGivesTheExitCode) {
  struct {
    const wchar_t* Params;
    DWORD ExitCode;
  } const cases[] = {
      {L"", 0},  // the blank before the parameters stays
      {L"/S", 1},
      {L"\"два слова\" /Папка=\"C:\\Program Files\\\"", 259},
  };
  TTempFolder temp;
  // Longer than one wait slice, so the wait goes round.
  const TScopedVariable delay(L"FTDI_STANDIN_DELAY_MS", L"350");
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(ToUtf8(c.Params));
    const std::wstring folder = temp.Path() + L"Обновление " + std::to_wstring(++n) + L"\\";
    CreateFolder(folder);
    PlantInstaller(folder + L"Установка.exe");
    const TScopedVariable exitCode(L"FTDI_STANDIN_EXIT_CODE", std::to_wstring(c.ExitCode));

    EXPECT_EQ(ExecAndWait(folder + L"Установка.exe", c.Params, SW_HIDE), c.ExitCode);
    const auto runs = RunsOf(folder + L"Установка.exe");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].CommandLine, Quoted(folder + L"Установка.exe") + L" " + c.Params);
    EXPECT_EQ(runs[0].CurrentFolder, WithoutTrailingBackslash(folder));
    EXPECT_EQ(runs[0].UseShowWindow, 1);
    EXPECT_EQ(runs[0].ShowWindow, SW_HIDE);
  }
}

TEST(ExecAndWait, WhatCannotBeStartedIsAnErrorNamingIt) {
  TTempFolder temp;
  const std::wstring names[] = {temp.Path() + L"Нет программы.exe", temp.Path() + L"Нет папки\\Установка.exe",
                                temp.Path() + L"Нет сценария.cmd"};
  for (const auto& name : names) {
    SCOPED_TRACE(ToUtf8(name));
    try {
      ExecAndWait(name, L"", SW_HIDE);
      ADD_FAILURE() << "no error";
    } catch (const EProgramError& error) {
      EXPECT_EQ(error.Text(), L"не смог создать процесс: " + name);
      EXPECT_NE(error.SystemCode(), 0u);
    }
  }
}

// cmd.exe writes in the OEM code page; the folder, the script's name and its parameters are Cyrillic
// with blanks, and the script reaches cmd.exe through its double quoting.
TEST(ExecAndWait, CommandScriptRunsThroughCmdInItsOwnFolder) {
  const wchar_t* const scripts[] = {L"Install.cmd", L"Уровень 2.BAT"};
  TTempFolder temp;
  int n = 0;
  for (const auto* script : scripts) {
    SCOPED_TRACE(ToUtf8(script));
    const std::wstring folder = temp.Path() + L"Уровень выпуска " + std::to_wstring(++n) + L"\\";
    CreateFolder(folder);
    WriteFileBytes(folder + script,
                   "@echo off\r\n"
                   ">result.txt echo %CD%\r\n"
                   ">>result.txt echo %1\r\n"
                   ">>result.txt echo %2\r\n"
                   "exit /b 7\r\n");

    EXPECT_EQ(ExecAndWait(folder + script, L"\"первый параметр\" второй", SW_HIDE), 7u);
    ASSERT_TRUE(TestFileExists(folder + L"result.txt")) << "not run in its own folder";
    EXPECT_EQ(ReadFileBytes(folder + L"result.txt"),
              Oem866(WithoutTrailingBackslash(folder) + L"\r\n\"первый параметр\"\r\nвторой\r\n"));
  }
}

// Unquoted, a path with a blank is tried piece by piece: "<folder>\Целевая папка\x.exe" first as
// "<folder>\Целевая.exe". The decoy there shows the fault, and that quoting mends it. Only the decoy can
// tell: Wine quotes the program it found in the command line it passes on, Windows does not.
TEST(ProcessRunnerCommandLine, QuotedPathRunsTheProgramNotTheDecoyBeforeTheBlank) {
  TTempFolder temp;
  CreateFolder(temp.Path() + L"Целевая папка");
  const std::wstring program = temp.Path() + L"Целевая папка\\FTDIDriverInstall.exe";
  const std::wstring decoy = temp.Path() + L"Целевая.exe";
  PlantInstaller(program);
  PlantInstaller(decoy);

  ExecProcess(program, SW_HIDE, true);
  ASSERT_EQ(RunsOf(decoy).size(), 1u) << "the decoy is not reached: this test would show nothing";
  EXPECT_TRUE(RunsOf(program).empty());
  DeleteFileW(RecordOf(decoy).c_str());

  EXPECT_EQ(ExecProcess(Quoted(program), SW_HIDE, true), 0u);
  EXPECT_EQ(ExecAndWait(program, L"", SW_HIDE), 0u);
  EXPECT_TRUE(RunsOf(decoy).empty());
  ASSERT_EQ(RunsOf(program).size(), 2u);
  EXPECT_EQ(RunsOf(program)[1].Program, program);
}

// The old buffers held 255 and 511 characters; longer lines must arrive whole.
TEST(ProcessRunnerCommandLine, LinesLongerThanTheOldBuffersArriveWhole) {
  TTempFolder temp;
  std::wstring folder = temp.Path();
  for (int i = 0; i < 2; ++i) {
    folder += L"Очень длинное имя папки с программой установки драйвера " + std::to_wstring(i) + L"\\";
    CreateFolder(folder);
  }
  const std::wstring program = folder + L"FTDIDriverInstall.exe";
  PlantInstaller(program);
  std::wstring params;
  for (int i = 0; i < 12; ++i) params += L"/параметр" + std::to_wstring(i) + L"=\"значение с пробелами\" ";
  const std::wstring line = Quoted(program) + L" " + params;
  ASSERT_GT(line.size(), 511u);
  ASSERT_LT(program.size(), static_cast<size_t>(MAX_PATH));

  EXPECT_EQ(ExecProcess(line, SW_HIDE, true), 0u);
  EXPECT_EQ(ExecAndWait(program, params, SW_HIDE), 0u);
  const auto runs = RunsOf(program);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].CommandLine, line);
  EXPECT_EQ(runs[1].CommandLine, line);
}

namespace {

// Serves this thread's queue as the window's would, counting the test's own messages.
struct TQueuePump : TMessagePump {
  int Served = 0;
  std::vector<bool> Waits;
  void ProcessMessages() override {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      if (message.message == WM_APP) ++Served;
  }
  void WaitingForProgram(bool Waiting) override { Waits.push_back(Waiting); }
};

}  // namespace

// While a started program runs, messages that come for this thread are served at once, not after it
// ended; the pump knows a program runs for exactly the wait.
TEST(WaitForProcess, ServesTheQueueWhileTheStartedProgramRuns) {
  struct {
    const char* Way;
    std::function<DWORD(const std::wstring& Program, TMessagePump* Pump)> Run;
  } const ways[] = {
      {"ExecProcess", [](const std::wstring& Program, TMessagePump* Pump) {
         return ExecProcess(Quoted(Program), SW_HIDE, true, nullptr, nullptr, Pump);
       }},
      {"ExecAndWait", [](const std::wstring& Program, TMessagePump* Pump) {
         return ExecAndWait(Program, L"", SW_HIDE, nullptr, Pump);
       }},
  };
  TTempFolder temp;
  const std::wstring program = temp.Path() + L"Долгая установка.exe";
  PlantInstaller(program);
  const TScopedVariable delay(L"FTDI_STANDIN_DELAY_MS", L"1200");
  const TScopedVariable exitCode(L"FTDI_STANDIN_EXIT_CODE", L"5");
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // this thread's queue exists from here
  const DWORD self = GetCurrentThreadId();
  for (const auto& way : ways) {
    SCOPED_TRACE(way.Way);
    TQueuePump pump;
    // Eight messages within the program's first 400 ms, as a window gets them from the system.
    std::thread sender([self] {
      Sleep(100);
      for (int i = 0; i < 8; ++i) {
        PostThreadMessageW(self, WM_APP, 0, 0);
        Sleep(40);
      }
    });
    EXPECT_EQ(way.Run(program, &pump), 5u);
    sender.join();
    EXPECT_EQ(pump.Served, 8) << "every message that came during the wait was served during it";
    EXPECT_EQ(pump.Waits, (std::vector<bool>{true, false}));
  }
  EXPECT_EQ(RunsOf(program).size(), 2u);
}

namespace {

unsigned long long ThreadProcessorTime100ns() {
  FILETIME created, ended, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& Time) {
    return static_cast<unsigned long long>(Time.dwHighDateTime) << 32 | Time.dwLowDateTime;
  };
  return ticks(kernel) + ticks(user);
}

}  // namespace

// A run without any window waits on the same pump: what reaches the queue meanwhile (posted to the
// thread, to a hidden window of it) is read, so the wait sleeps instead of waking again and again for
// the same unread message. A pump that read nothing woke tens of thousands of times a second.
TEST(WaitForProcess, WithoutAScreenTheWaitSleepsThroughPostedMessages) {
  TTempFolder temp;
  const std::wstring program = temp.Path() + L"Долгая установка.exe";
  PlantInstaller(program);
  const TScopedVariable delay(L"FTDI_STANDIN_DELAY_MS", L"2000");
  const TOwnerWindow hidden;
  ASSERT_NE(hidden.Get(), nullptr);
  MSG message;
  PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
  const DWORD self = GetCurrentThreadId();
  const HWND window = hidden.Get();
  std::thread sender([self, window] {
    for (int i = 0; i < 20; ++i) {
      Sleep(50);
      PostThreadMessageW(self, WM_APP, 0, 0);
      PostMessageW(window, WM_NULL, 0, 0);
    }
  });
  TUnattendedContext nobody;
  const unsigned long long before = ThreadProcessorTime100ns();
  const DWORD started = GetTickCount();
  EXPECT_EQ(ExecProcess(Quoted(program), SW_HIDE, true, nullptr, nullptr, &nobody), 0u);
  const DWORD elapsedMs = GetTickCount() - started;
  const unsigned long long usedMs = (ThreadProcessorTime100ns() - before) / 10000;
  sender.join();
  EXPECT_GE(elapsedMs, 1900u) << "the program was waited for";
  EXPECT_LT(usedMs * 20, elapsedMs) << usedMs << " ms of processor time in a wait of " << elapsedMs << " ms";
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_APP, WM_APP, PM_NOREMOVE)) << "the posted messages were read";
}

TEST(WaitForProcess, WithoutAPumpOrWithoutAProcess) {
  TTempFolder temp;
  const std::wstring program = temp.Path() + L"FTDIDriverInstall.exe";
  PlantInstaller(program);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION started{};
  std::wstring line = Quoted(program);
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
  CloseHandle(started.hThread);
  EXPECT_EQ(WaitForProcess(started.hProcess, nullptr), WAIT_OBJECT_0);
  DWORD code = STILL_ACTIVE;
  EXPECT_TRUE(GetExitCodeProcess(started.hProcess, &code));
  EXPECT_EQ(code, 0u) << "ended when the wait returned";
  CloseHandle(started.hProcess);

  TQueuePump pump;
  EXPECT_EQ(WaitForProcess(nullptr, &pump), static_cast<DWORD>(WAIT_FAILED));
  EXPECT_EQ(pump.Waits, (std::vector<bool>{true, false})) << "the marquee ends with a failed wait too";
}

// A program that needs administrator rights, refused by CreateProcessW as UAC refuses it, goes to the
// shell with the owner window for the consent prompt, the default verb, hidden, in the same folder, and
// is waited for: its exit code comes back and its record is there on return.
TEST(ProcessRunnerElevation, RefusedStartGoesThroughTheShellAndIsWaitedFor) {
  TTempFolder temp;
  CreateFolder(temp.Path() + L"Текущая папка");
  const TScopedCurrentFolder current(temp.Path() + L"Текущая папка");
  const std::wstring folder = temp.Path() + L"Драйвер устройства\\";
  CreateFolder(folder);
  const std::wstring program = folder + L"FTDIDriverInstall.exe";
  PlantInstaller(program);
  const TScopedVariable delay(L"FTDI_STANDIN_DELAY_MS", L"300");
  const TScopedVariable exitCode(L"FTDI_STANDIN_EXIT_CODE", L"9");
  const TOwnerWindow owner;
  ASSERT_NE(owner.Get(), nullptr);
  const TElevationRequired uac;

  DWORD startError = 12345;
  EXPECT_EQ(ExecProcess(Quoted(program) + L" /S", SW_HIDE, true, owner.Get(), &startError), 9u);
  EXPECT_EQ(startError, 0u);
  auto runs = RunsOf(program);
  ASSERT_EQ(runs.size(), 1u) << "not waited for";
  EXPECT_EQ(runs[0].Program, program);
  EXPECT_EQ(runs[0].CommandLine.substr(runs[0].CommandLine.size() - 3), L" /S");
  EXPECT_EQ(runs[0].ShowWindow, SW_HIDE);
  EXPECT_EQ(runs[0].CurrentFolder, temp.Path() + L"Текущая папка");
  const TElevationLog& log = ElevationLog();
  EXPECT_EQ(log.CreateCalls, 1);
  ASSERT_EQ(log.ShellCalls, 1);
  EXPECT_EQ(log.Last.Owner, owner.Get());
  EXPECT_TRUE(log.Last.DefaultVerb) << "the program's manifest asks for the rights, not a \"runas\"";
  EXPECT_EQ(log.Last.File, program);
  EXPECT_EQ(log.Last.Parameters, L"/S");
  EXPECT_EQ(log.Last.Directory, L"") << "this program's current folder, as CreateProcessW's";
  EXPECT_EQ(log.Last.Show, SW_HIDE);
  EXPECT_EQ(log.Last.Mask & (SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI),
            static_cast<ULONG>(SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI));

  // ExecAndWait: in the program's own folder, with its parameters; without an owner in a run without one.
  EXPECT_EQ(ExecAndWait(program, L"\"два слова\" /Q", SW_HIDE), 9u);
  runs = RunsOf(program);
  ASSERT_EQ(runs.size(), 2u) << "not waited for";
  EXPECT_EQ(runs[1].CurrentFolder, WithoutTrailingBackslash(folder));
  EXPECT_EQ(runs[1].ShowWindow, SW_HIDE);
  EXPECT_EQ(log.Last.Owner, nullptr);
  EXPECT_EQ(log.Last.File, program);
  EXPECT_EQ(log.Last.Parameters, L"\"два слова\" /Q");
  EXPECT_EQ(log.Last.Directory, WithoutTrailingBackslash(folder));
}

// The operator's No to the consent prompt: nothing runs, and the caller learns why.
TEST(ProcessRunnerElevation, RefusedConsentIsAFailureToStartWithItsCode) {
  TTempFolder temp;
  const std::wstring program = temp.Path() + L"FTDIDriverInstall.exe";
  PlantInstaller(program);
  const TElevationRequired uac(ConsentRefused);

  DWORD startError = 0;
  EXPECT_EQ(ExecProcess(Quoted(program), SW_HIDE, true, nullptr, &startError), NotStarted);
  EXPECT_EQ(startError, static_cast<DWORD>(ERROR_CANCELLED));
  try {
    ExecAndWait(program, L"", SW_HIDE);
    ADD_FAILURE() << "no error";
  } catch (const EProgramError& error) {
    EXPECT_EQ(error.Text(), L"не смог создать процесс: " + program);
    EXPECT_EQ(error.SystemCode(), static_cast<unsigned long>(ERROR_CANCELLED));
  }
  EXPECT_EQ(ElevationLog().ShellCalls, 2);
  EXPECT_TRUE(RunsOf(program).empty());
}

// Only the refusal for elevation goes to the shell: a program that is not there is no question of rights.
TEST(ProcessRunnerElevation, OtherFailuresToStartNeverReachTheShell) {
  TTempFolder temp;
  struct TShellCounter {
    static BOOL WINAPI Start(SHELLEXECUTEINFOW* Execute) {
      RecordShellStart(Execute);
      return FALSE;
    }
  };
  const ProcessSeams::ShellExecuteFn previous = ProcessSeams::SetShellExecute(TShellCounter::Start);
  ElevationLog() = TElevationLog();
  DWORD startError = 0;
  EXPECT_EQ(ExecProcess(Quoted(temp.Path() + L"Нет программы.exe"), SW_HIDE, true, nullptr, &startError), NotStarted);
  EXPECT_NE(startError, 0u);
  EXPECT_NE(startError, static_cast<DWORD>(ERROR_CANCELLED));
  // A file that is no program.
  WriteFileBytes(temp.Path() + L"Не программа.exe", "MZ nothing more");
  EXPECT_EQ(ExecProcess(Quoted(temp.Path() + L"Не программа.exe"), SW_HIDE, true, nullptr, &startError), NotStarted);
  EXPECT_NE(startError, 0u);
  ProcessSeams::SetShellExecute(previous);
  EXPECT_EQ(ElevationLog().ShellCalls, 0);
}
