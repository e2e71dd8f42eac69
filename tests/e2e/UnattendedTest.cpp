// The real Install.exe run by a script or a deployment tool: switches, exit codes, the log file, no
// questions, and one setup program at a time.
#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <thread>

#include "Driver.h"
#include "E2eSupport.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const wchar_t MainCaption[] = L"Установка комплекса";

class Unattended : public SampleDistribution {
 protected:
  // Starts the program with Arguments and waits for its end; false when it did not end in time.
  bool Run(const std::wstring& Arguments, std::chrono::seconds Timeout = 90s) {
    Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere, Arguments);
    return Setup->WaitForExit(Timeout);
  }
  // The log lines of a run (header lines of every run dropped).
  static std::vector<std::wstring> RunLines(const std::wstring& LogFile) {
    std::vector<std::wstring> lines;
    for (const std::wstring& line : LogFileLines(LogFile))
      if (line.rfind(L"==== ", 0) != 0) lines.push_back(line);
    return lines;
  }
  std::unique_ptr<Program> Setup;
};

TEST_F(Unattended, VerySilentInstallsWithoutAnyWindowAsTheWizardWould) {
  const std::wstring target = Work + L"Папка клиники с пробелами\\";
  const std::wstring log = Work + L"журнал установки.log";
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere,
                                    L"/VERYSILENT /DIR=\"" + target + L"\" /LOG=\"" + log + L"\"");
  // No window may show at any moment of the run.
  size_t windowsSeen = 0;
  while (!Setup->WaitForExit(20ms)) windowsSeen = std::max(windowsSeen, Setup->TopWindows().size());
  EXPECT_EQ(windowsSeen, 0u);
  EXPECT_EQ(Setup->ExitCode(), 0u);

  // The target tree and the log are those of an installation through the wizard.
  for (const Deployed& file : DeployedFiles()) {
    SCOPED_TRACE(Narrow(file.Name));
    EXPECT_EQ(ReadBytes(target + file.To + file.Name), ReadBytes(Dist + file.From + file.Name));
  }
  const std::vector<std::wstring> lines = RunLines(log);
  EXPECT_EQ(lines, RunLines(target + L"Settings\\install.log")) << "the /LOG file is the installation log";
  ASSERT_GE(lines.size(), 27u);
  EXPECT_EQ(lines[0], L"Проверка дистрибутива...");
  EXPECT_EQ(lines[1], L"Создание настроечных файлов....Завершено");
  for (const Deployed& file : DeployedFiles())
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"Копирование файла " + file.Name + L"....Завершено"), lines.end())
        << Narrow(file.Name);
  // Wine's 96 DPI is small fonts: no font page and no restart, a recommendation in the log instead.
  EXPECT_EQ(lines.back(),
            L"Рекомендуется включить крупный размер шрифта (120 точек на дюйм) в настройках экрана Windows");
  // The driver was installed without a question.
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Установка драйверов устройства завершена"), lines.end());
  EXPECT_TRUE(FileExists(target + L"FTDIDriverInstall\\FTDIDriverInstall.record"));
}

namespace {

// The child of Parent running Exe, opened to be waited for; null while there is none.
HANDLE OpenChild(DWORD Parent, const wchar_t* Exe) {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return nullptr;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  HANDLE child = nullptr;
  for (BOOL more = Process32FirstW(snapshot, &entry); more && !child; more = Process32NextW(snapshot, &entry))
    if (entry.th32ParentProcessID == Parent && lstrcmpiW(entry.szExeFile, Exe) == 0)
      child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
  CloseHandle(snapshot);
  return child;
}

// Kernel and user time of Process, in milliseconds.
long long ProcessorTimeMs(HANDLE Process) {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(Process, &created, &ended, &kernel, &user)) return -1;
  const auto ticks = [](const FILETIME& Time) {
    return static_cast<long long>(Time.dwHighDateTime) << 32 | Time.dwLowDateTime;
  };
  return (ticks(kernel) + ticks(user)) / 10000;
}

BOOL CALLBACK PostNull(HWND Wnd, LPARAM Posted) {
  if (PostMessageW(Wnd, WM_NULL, 0, 0)) ++*reinterpret_cast<int*>(Posted);
  return TRUE;
}

}  // namespace

// A deployment agent's run waits for a driver installer of seconds without spending a core on it, also
// when messages reach the program meanwhile: to its hidden windows and to its thread.
TEST_F(Unattended, VerySilentSleepsWhileTheDriverInstallerRuns) {
  const std::wstring target = Work + L"Без окон\\";
  const ScopedVariable slowDriver(L"FTDI_STANDIN_DELAY_MS", L"3000");
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere, L"/VERYSILENT /DIR=\"" + target + L"\"");
  HANDLE driver = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (driver = OpenChild(Setup->ProcessId(), L"FTDIDriverInstall.exe")) != nullptr; },
                      90s))
      << "the driver installer never ran";
  const long long firstMs = ProcessorTimeMs(Setup->Handle());
  const auto firstAt = std::chrono::steady_clock::now();
  long long lastMs = firstMs;
  auto lastAt = firstAt;
  int posted = 0;
  while (WaitForSingleObject(driver, 100) == WAIT_TIMEOUT) {
    EnumThreadWindows(Setup->MainThreadId(), PostNull, reinterpret_cast<LPARAM>(&posted));
    if (PostThreadMessageW(Setup->MainThreadId(), WM_APP, 0, 0)) ++posted;
    const long long now = ProcessorTimeMs(Setup->Handle());
    // Counted only while the installer still runs: what the run does after it is not the wait's.
    if (WaitForSingleObject(driver, 0) == WAIT_TIMEOUT) {
      lastMs = now;
      lastAt = std::chrono::steady_clock::now();
    }
  }
  CloseHandle(driver);
  const long long spanMs = std::chrono::duration_cast<std::chrono::milliseconds>(lastAt - firstAt).count();
  ASSERT_TRUE(Setup->WaitForExit(90s));
  EXPECT_EQ(Setup->ExitCode(), 0u);
  // The run so far (checks, copies, fonts) took processor time: a reading of nothing would prove nothing.
  ASSERT_GT(firstMs, 0) << "the program's processor time cannot be read";
  std::printf("processor time %lld ms while the driver installer ran %lld ms\n", lastMs - firstMs, spanMs);
  EXPECT_GE(spanMs, 2000) << "the driver installer was watched for most of its run";
  EXPECT_GT(posted, 20) << "messages reached the program while it waited";
  EXPECT_LT((lastMs - firstMs) * 20, spanMs)
      << (lastMs - firstMs) << " ms of processor time while the driver installer ran " << spanMs << " ms";
  const std::vector<std::wstring> lines = RunLines(target + L"Settings\\install.log");
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Установка драйверов устройства завершена"), lines.end());
}

TEST_F(Unattended, SilentShowsOnlyTheProgressPageAndEndsByItself) {
  const std::wstring target = Work + L"Тихая установка\\";
  // The stand-in driver installer takes its time, so the page can be looked at while the run waits.
  SetEnvironmentVariableW(L"FTDI_STANDIN_DELAY_MS", L"4000");
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere, L"-silent -dir=\"" + target + L"\"");
  SetEnvironmentVariableW(L"FTDI_STANDIN_DELAY_MS", nullptr);
  HWND main = Setup->WaitForWindowByCaption(MainCaption);
  ASSERT_NE(main, nullptr) << "the main window shows while the stages run";
  // The log page shows; its lines are read from the log file at the end. The window while the driver
  // installer runs, its answers and its screenshot are the responsiveness tests' business.
  ASSERT_TRUE(WaitFor([&] { return FindVisibleByClass(main, L"ListBox") != nullptr; }, 30s));
  std::this_thread::sleep_for(1s);
  EXPECT_NE(FindVisibleByClass(main, L"ListBox"), nullptr);
  EXPECT_EQ(FindVisibleByText(main, L"Далее"), nullptr);
  EXPECT_EQ(FindVisibleByText(main, L"Начать установку"), nullptr);
  ASSERT_TRUE(Setup->WaitForExit(90s)) << "the program ends by itself";
  EXPECT_EQ(Setup->ExitCode(), 0u);
  EXPECT_TRUE(FileExists(target + L"udf\\Olvexa.Dll"));
  EXPECT_TRUE(FileExists(target + L"FTDIDriverInstall\\FTDIDriverInstall.record")) << "installed without a question";
  const std::vector<std::wstring> lines = RunLines(target + L"Settings\\install.log");
  EXPECT_NE(std::find(lines.begin(), lines.end(), L"Установка драйверов устройства завершена"), lines.end());
}

TEST_F(Unattended, NoDriverNeverRunsTheDriverInstaller) {
  const std::wstring target = Work + L"Без драйвера\\";
  ASSERT_TRUE(Run(L"/VERYSILENT /NODRIVER /DIR=\"" + target + L"\""));
  EXPECT_EQ(Setup->ExitCode(), 0u);
  EXPECT_TRUE(FileExists(target + L"udf\\Olvexa.Dll"));
  EXPECT_FALSE(FileExists(target + L"FTDIDriverInstall\\FTDIDriverInstall.record"));
  const std::vector<std::wstring> lines = RunLines(target + L"Settings\\install.log");
  EXPECT_EQ(std::find(lines.begin(), lines.end(), L"Началась установка драйверов устройства..."), lines.end());
}

TEST_F(Unattended, ExitCodesTellADeploymentToolWhatHappened) {
  // A runtime file missing from a distribution without a checksum list: 4, the error as the last line of
  // the log file.
  DropChecksumList(Dist);
  DeleteFileW((Dist + L"Firebird\\gbak.exe").c_str());
  const std::wstring log = Work + L"ошибка.log";
  ASSERT_TRUE(Run(L"/VERYSILENT /NODRIVER /DIR=\"" + Work + L"Цель\" /LOG=\"" + log + L"\""));
  EXPECT_EQ(Setup->ExitCode(), 4u);
  const std::vector<std::wstring> lines = RunLines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back().rfind(L"Cannot open file \"" + Dist + L"Firebird\\gbak.exe\". ", 0), 0u) << Narrow(lines.back());
  EXPECT_EQ(std::count(lines.begin(), lines.end(),
                       L"Дистрибутив без списка контрольных сумм SHA256SUMS: его файлы не проверены"),
            1);
  EXPECT_FALSE(FileExists(Work + L"Цель\\gbak.exe"));

  // A target folder that is not valid: 3, and the log file says why.
  const std::wstring rootLog = Work + L"корень.log";
  ASSERT_TRUE(Run(L"/VERYSILENT /DIR=C: /LOG=\"" + rootLog + L"\""));
  EXPECT_EQ(Setup->ExitCode(), 3u);
  ASSERT_FALSE(RunLines(rootLog).empty());
  EXPECT_EQ(RunLines(rootLog).back(), L"Недопустимый каталог установки: \"C:\\\"");
  // The same root however it is spelt: nothing is made there.
  for (const std::wstring root : {L"C:\\.", L"C:\\..", L"C:\\Windows\\..", L"C:\\windows\\system32\\..\\..", L"C:/",
                                 L"\\\\?\\C:", L"\\\\.\\C:"}) {
    SCOPED_TRACE(Narrow(root));
    ASSERT_TRUE(Run(L"/VERYSILENT /DIR=\"" + root + L"\" /LOG=\"" + rootLog + L"\""));
    EXPECT_EQ(Setup->ExitCode(), 3u);
    EXPECT_FALSE(FolderExists(L"C:\\Settings"));
    EXPECT_FALSE(FileExists(L"C:\\Uninstall.exe"));
  }
  // ...or one whose parent is missing.
  ASSERT_TRUE(Run(L"/VERYSILENT /DIR=\"" + Work + L"нет такой\\Цель\""));
  EXPECT_EQ(Setup->ExitCode(), 3u);

  // A command line that cannot be read: 1, and no box when no window was asked for.
  ASSERT_TRUE(Run(L"/VERYSILENT /FOO"));
  EXPECT_EQ(Setup->ExitCode(), 1u);
}

TEST_F(Unattended, BadSwitchAndHelpAnswerInABox) {
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere, L"/DIR");
  HWND box = Setup->WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_NE(MessageBoxText(box).find(L"/DIR"), std::wstring::npos);
  AnswerMessageBox(box, IDOK);
  ASSERT_TRUE(Setup->WaitForExit(10s));
  EXPECT_EQ(Setup->ExitCode(), 1u);

  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere, L"/?");
  box = Setup->WaitForMessageBox();
  ASSERT_NE(box, nullptr);
  const std::wstring help = MessageBoxText(box);
  for (const wchar_t* item : {L"/SILENT", L"/VERYSILENT", L"/DIR", L"/NODRIVER", L"/LOG"})
    EXPECT_NE(help.find(item), std::wstring::npos) << Narrow(item);
  Screenshot(L"21-help");
  AnswerMessageBox(box, IDOK);
  ASSERT_TRUE(Setup->WaitForExit(10s));
  EXPECT_EQ(Setup->ExitCode(), 0u);
}

TEST_F(Unattended, CancellingTheWizardGivesTwoAndASecondSetupOne) {
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere);
  HWND main = Setup->WaitForWindowByCaption(MainCaption);
  ASSERT_NE(main, nullptr);

  // A second setup program, even from another copy of the distribution, ends at once with 1 and leaves
  // the first running.
  const std::wstring other = Work + L"Другой дистрибутив\\";
  CopyTree(Dist, other);
  Program second(other + L"Install.exe", Elsewhere, L"/VERYSILENT");
  ASSERT_TRUE(second.WaitForExit(20s));
  EXPECT_EQ(second.ExitCode(), 1u);
  EXPECT_TRUE(Setup->Running());
  EXPECT_FALSE(FolderExists(L"C:\\Zuzavo\\DTAfb")) << "the second one installed nothing";

  HWND cancel = FindVisibleByText(main, L"Отмена");
  ASSERT_NE(cancel, nullptr);
  Click(cancel);
  HWND question = Setup->WaitForMessageBox();
  ASSERT_NE(question, nullptr);
  AnswerMessageBox(question, IDYES);
  HWND exitButton = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (exitButton = FindVisibleByText(main, L"Выход")) != nullptr; }));
  Click(exitButton);
  ASSERT_TRUE(Setup->WaitForExit(10s));
  EXPECT_EQ(Setup->ExitCode(), 2u);
}

}  // namespace
