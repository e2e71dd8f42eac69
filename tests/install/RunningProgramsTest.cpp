// Programs running from the target folder: copies of the stand-in driver installer, kept running for a
// while, stand in for the suite's programs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "DriverInstallerStandin.h"
#include "RecordingContext.h"
#include "RunningPrograms.h"

namespace {

// A program started from Path that runs until the object goes (or Stop).
class TRunningCopy {
 public:
  explicit TRunningCopy(const std::wstring& Path) {
    PlantInstaller(Path);
    const TScopedVariable delay(L"FTDI_STANDIN_DELAY_MS", L"60000");
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring line = L"\"" + Path + L"\"";
    EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &FInfo));
    CloseHandle(FInfo.hThread);
  }
  ~TRunningCopy() { Stop(); }
  void Stop() {
    if (!FInfo.hProcess) return;
    TerminateProcess(FInfo.hProcess, 1);
    WaitForSingleObject(FInfo.hProcess, 10000);
    CloseHandle(FInfo.hProcess);
    FInfo.hProcess = nullptr;
  }
  DWORD Id() const { return FInfo.dwProcessId; }

 private:
  PROCESS_INFORMATION FInfo{};
};

class RunningPrograms : public ::testing::Test {
 public:
  void SetUp() override {
    Target = Temp.Path() + L"Целевая папка\\";
    // A folder whose name begins with the target's: its programs are not the target's.
    Neighbour = Temp.Path() + L"Целевая папка 2\\";
    for (const std::wstring& folder : {Target, Target + L"Updater\\", Neighbour}) CreateFolder(folder);
  }
  TTempFolder Temp;
  std::wstring Target, Neighbour;
};

}  // namespace

// Found by the program file's folder, below the target at any depth; a program of a folder that only
// begins like the target, and the target's Uninstall.exe (this program's copy, which waits for it), are
// not the suite.
TEST_F(RunningPrograms, FindsWhatRunsFromTheTargetAndNothingElse) {
  EXPECT_TRUE(ProgramsRunningFrom(Target).empty());
  const TRunningCopy updater(Target + L"Updater\\Обновление.exe");
  const TRunningCopy neighbour(Neighbour + L"Vidoze.exe");
  const TRunningCopy ownCopy(Target + L"Uninstall.exe");
  const std::vector<TRunningProgram> running = ProgramsRunningFrom(Target);
  ASSERT_EQ(running.size(), 1u);
  EXPECT_EQ(running[0].ProcessId, updater.Id());
  EXPECT_EQ(running[0].Path, Target + L"Updater\\Обновление.exe");
  EXPECT_EQ(RunningProgramsText(running),
            L"Из папки установки запущены программы: \"" + Target + L"Updater\\Обновление.exe\"");
}

// The operator closes the program and retries: the run goes on. "Отмена", or no operator at all, ends it
// with a line naming the program.
TEST_F(RunningPrograms, RetryLooksAgainAndCancelNamesThemInTheLog) {
  const std::wstring program = Target + L"Vidoze.exe";
  const std::wstring named = L"Из папки установки запущены программы: \"" + program + L"\"";
  const std::wstring box = named + L".\n\nЗакройте их и нажмите \"Повторить\".";
  {
    SCOPED_TRACE("closed, then Повторить");
    TRunningCopy suite(program);
    TRecordingContext context;
    context.Retries = {true};
    context.OnRetryBox = [&] { suite.Stop(); };
    EXPECT_TRUE(NoProgramRunsFrom(context, Target, L"Установка не начата"));
    EXPECT_EQ(context.Questions, std::vector<std::wstring>{box});
    EXPECT_TRUE(context.Lines.empty());
  }
  {
    SCOPED_TRACE("Повторить while it still runs, then Отмена");
    const TRunningCopy suite(program);
    TRecordingContext context;
    context.Retries = {true, false};
    EXPECT_FALSE(NoProgramRunsFrom(context, Target, L"Установка не начата"));
    EXPECT_EQ(context.Questions, (std::vector<std::wstring>{box, box}));
    EXPECT_EQ(context.Lines, std::vector<std::wstring>{named + L". Установка не начата"});
  }
}
