// The installation sequence against a recording context: a distribution and a target in temporary
// folders with Cyrillic names and blanks, the real file system below them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <shlobj.h>

#include "InstallSequence.h"
#include "InstallTestFiles.h"
#include "RecordingContext.h"
#include "RH_Common_Proc.h"

namespace {

// The screen's DPI for the final test, put back at the end.
class TScopedDpi {
 public:
  explicit TScopedDpi(SystemQueries::ScreenDpiFn Fn) : FPrevious(SystemQueries::SetScreenDpiQuery(Fn)) {}
  ~TScopedDpi() { SystemQueries::SetScreenDpiQuery(FPrevious); }

 private:
  SystemQueries::ScreenDpiFn FPrevious;
};
int LargeFonts() { return 120; }
int SmallFonts() { return 96; }

// The system's folder as the sequence sees it: one of the test's, whose font folder has every font the
// suite needs, so the fonts stage (tested on its own against the prefix) adds no line here.
std::wstring& TestWindowsFolder() {
  static std::wstring folder;
  return folder;
}
UINT TestWindowsDirectory(LPWSTR Buffer, UINT Size) {
  const std::wstring& folder = TestWindowsFolder();
  if (folder.size() >= Size) return static_cast<UINT>(folder.size() + 1);
  lstrcpynW(Buffer, folder.c_str(), static_cast<int>(Size));
  return static_cast<UINT>(folder.size());
}
class TFontsAllThere {
 public:
  explicit TFontsAllThere(const std::wstring& System) {
    TestWindowsFolder() = System;
    CreateFolder(System);
    CreateFolder(System + L"\\fonts");
    for (const wchar_t* name : {L"ARIAL.TTF", L"ARIALN.TTF", L"COUR.TTF", L"MICROSS.TTF", L"TAHOMA.TTF", L"TIMES.TTF",
                                L"verdana.TTF"})
      WriteFileBytes(System + L"\\fonts\\" + name, "installed");
    FPrevious = SystemQueries::SetWindowsDirectoryQuery(TestWindowsDirectory);
  }
  ~TFontsAllThere() { SystemQueries::SetWindowsDirectoryQuery(FPrevious); }
  TFontsAllThere(const TFontsAllThere&) = delete;
  TFontsAllThere& operator=(const TFontsAllThere&) = delete;

 private:
  SystemQueries::WindowsDirectoryFn FPrevious = nullptr;
};

std::wstring CopyLine(const std::wstring& Name) { return L"Копирование файла " + Name + L"...."; }

class Sequence : public ::testing::Test {
 public:
  void SetUp() override { MakeDistribution(L"Дистрибутив 8.74\\", L"Целевая папка\\"); }
  void MakeDistribution(const std::wstring& SourceName, const std::wstring& TargetName) {
    Source = Temp.Path() + SourceName;
    Target = Temp.Path() + TargetName;
    // The system has every font (TFontsAllThere): the fonts stage's lines are its own tests' business.
    MakeSmallDistribution(Source);
    // A level folder the backup stage passes over.
    CreateFolder(Source + L"backup\\WithOutAnswer");
  }
  void TearDown() override { DeleteFileW(DesktopLink().c_str()); }
  // The desktop link the run leaves, named after the product.
  static std::wstring DesktopLink() {
    wchar_t desktop[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
    return std::wstring(desktop) + L"\\Проверка последовательности.lnk";
  }
  TInstallPlan Plan() const { return SmallDistributionPlan(Source, Target, L"Проверка последовательности"); }
  // The wizard's folder page creates the target and its settings folder.
  void PrepareTarget() {
    CreateFolder(Target);
    CreateFolder(Target + L"Settings");
  }
  static std::vector<std::wstring> CleanDatabaseLines() {
    std::vector<std::wstring> lines;
    for (const TDeployed& file : DeployedFiles()) lines.push_back(CopyLine(file.Name) + L"Завершено");
    return lines;
  }
  static std::string ToUtf8(const std::wstring& Text) {
    std::string result(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), -1, result.data(), static_cast<int>(result.size()), nullptr, nullptr);
    result.pop_back();
    return result;
  }
  void ExpectEverythingDeployed() {
    for (const TDeployed& file : DeployedFiles()) {
      SCOPED_TRACE(ToUtf8(file.Name));
      ASSERT_TRUE(TestFileExists(Target + file.To + file.Name));
      EXPECT_EQ(ReadFileBytes(Target + file.To + file.Name), ReadFileBytes(Source + file.From + file.Name));
    }
  }

  TTempFolder Temp;
  TFontsAllThere Fonts{Temp.Path() + L"Система"};
  std::wstring Source, Target;
  TRecordingContext Context;
  std::unique_ptr<THeldOpen> Held;  // a target file a running program holds
};

TEST_F(Sequence, CleanRunDeploysEverythingAndAsksToLeave) {
  CreateFolder(Target.substr(0, Target.size() - 1));  // the folder page made the target, not yet "Settings"
  const TScopedDpi dpi(LargeFonts);
  Context.Answers = {true};
  EXPECT_EQ(RunInstallation(Context, Plan()), ioInstalled);

  std::vector<std::wstring> expected = {L"Создание настроечных файлов....Завершено", L"Каталог <DTAfb> создан..."};
  for (const auto& line : CleanDatabaseLines()) expected.push_back(line);
  EXPECT_EQ(Context.Lines, expected);
  ExpectEverythingDeployed();

  // The copies carry the distribution's time, rounded to the two seconds of the FAT format.
  const FILETIME copied = LastWriteTime(Target + L"gds32.dll");
  ULARGE_INTEGER copiedTime{{copied.dwLowDateTime, copied.dwHighDateTime}};
  const FILETIME source = DistributionTime();
  ULARGE_INTEGER sourceTime{{source.dwLowDateTime, source.dwHighDateTime}};
  const long long difference = static_cast<long long>(copiedTime.QuadPart) - static_cast<long long>(sourceTime.QuadPart);
  EXPECT_TRUE(difference == 10000000LL || difference == -10000000LL) << difference;

  // The settings folder's files.
  EXPECT_EQ(GetPrivateProfileIntW(L"options", L"FilterType", -1, (Target + L"Settings\\rarovu.ini").c_str()), 0);
  EXPECT_EQ(GetPrivateProfileIntW(L"options", L"HardwareType", -1, (Target + L"Settings\\rarovu.ini").c_str()), 1);
  EXPECT_EQ(ReadFileBytes(Target + L"Settings\\uca.nsi"), std::string(840, '\0'));
  EXPECT_EQ(ReadFileBytes(Target + L"Settings\\wra.nsi"), std::string(840, '\0'));
  EXPECT_EQ(ReadFileBytes(Target + L"Settings\\lastnum.dta").size(), 14u);
  EXPECT_FALSE(TestFileExists(Target + L"btooth.ini")) << "only the sibling product writes it";

  // The release level and the desktop link.
  EXPECT_NE(ReadFileBytes(Target + L"ReleaseInfo").find("<Level>010118</Level>"), std::string::npos);
  EXPECT_TRUE(TestFileExists(DesktopLink()));

  // The busy span covered the settings and database files only, and the end was reached.
  EXPECT_EQ(Context.BusyEntered, 1);
  EXPECT_FALSE(Context.Busy);
  EXPECT_TRUE(Context.Errors.empty());
  EXPECT_TRUE(Context.ExitEnabled);
  EXPECT_EQ(Context.Questions, std::vector<std::wstring>{L"Установка завершена. Выйти из программы установки?"});
  EXPECT_TRUE(Context.Closed);
  EXPECT_FALSE(Context.FontPage);
}

TEST_F(Sequence, MissingTargetIsCreatedAndSmallFontsLeadToTheFontPage) {
  const TScopedDpi dpi(SmallFonts);
  TInstallPlan plan = Plan();
  plan.SiblingProduct = true;
  EXPECT_EQ(RunInstallation(Context, plan), ioInstalled);
  ASSERT_GE(Context.Lines.size(), 2u);
  EXPECT_EQ(Context.Lines[0], L"Каталог создан...");
  EXPECT_EQ(Context.Lines[1], L"Создание настроечных файлов....Завершено") << "the settings folder is made on the way";
  EXPECT_EQ(Context.Lines.size(), 2u + 1u + 24u);
  ExpectEverythingDeployed();
  EXPECT_TRUE(Context.FontPage);
  EXPECT_TRUE(Context.Questions.empty()) << "no final question on a small-font display";
  EXPECT_TRUE(Context.ExitEnabled);
  wchar_t disk[8] = {};
  GetPrivateProfileStringW(L"Common", L"Disk", L"", disk, 8, (Target + L"btooth.ini").c_str());
  EXPECT_STREQ(disk, L"I");
}

// The bar moves with the bytes copied and a share per stage, shows marquee while the release level's
// script runs, and is full before the final question.
TEST_F(Sequence, ProgressBarFollowsTheCopiesAndIsFullBeforeTheFinalQuestion) {
  PrepareTarget();
  // Three of the run's eleven mebibytes (eight stages weigh one each): the database copy moves the bar most.
  WriteFileBytes(Source + L"DTAfb\\R12.FDB", std::string(3 << 20, 'x'));
  const TScopedDpi dpi(LargeFonts);
  Context.Answers = {true};
  ASSERT_EQ(RunInstallation(Context, Plan()), ioInstalled);

  const auto& bars = Context.Bars;
  ASSERT_GE(bars.size(), 3u);
  for (size_t i = 1; i < bars.size(); ++i) EXPECT_GE(bars[i].Done, bars[i - 1].Done) << "only forward, at " << i;
  for (const auto& bar : bars) EXPECT_NE(bar.Mode, pmFailed);
  EXPECT_EQ(bars.back().Done, ProgressBarEnd);
  EXPECT_EQ(bars.back().Mode, pmPosition);
  EXPECT_EQ(bars.back().QuestionsBefore, 0u) << "full before the final question";
  EXPECT_EQ(std::count_if(bars.begin(), bars.end(), [](const auto& bar) { return bar.Done == ProgressBarEnd; }), 1);

  // Where the bar stood once the log had Lines lines.
  auto doneAt = [&](size_t Lines) {
    int done = -1;
    for (const auto& bar : bars)
      if (bar.LinesBefore <= Lines) done = bar.Done;
    return done;
  };
  const auto database = std::find(Context.Lines.begin(), Context.Lines.end(), CopyLine(L"R12.FDB") + L"Завершено");
  ASSERT_NE(database, Context.Lines.end());
  const size_t line = static_cast<size_t>(database - Context.Lines.begin());
  const int jump = doneAt(line + 2) - doneAt(line);
  EXPECT_GE(jump, 230) << "the database file's 3 MiB moved the bar by about 270 thousandths";
  EXPECT_LE(jump, 320);

  // The release level's script: marquee while it runs, the position again afterwards.
  const auto waiting = std::find_if(bars.begin(), bars.end(), [](const auto& bar) { return bar.Mode == pmWaiting; });
  ASSERT_NE(waiting, bars.end()) << "no marquee while Install.cmd ran";
  EXPECT_TRUE(std::any_of(waiting, bars.end(), [](const auto& bar) { return bar.Mode == pmPosition; }));
}

TEST_F(Sequence, NoToTheFinalQuestionKeepsTheWindow) {
  PrepareTarget();
  const TScopedDpi dpi(LargeFonts);
  Context.Answers = {false};
  EXPECT_EQ(RunInstallation(Context, Plan()), ioInstalled);
  EXPECT_EQ(Context.Questions.size(), 1u);
  EXPECT_FALSE(Context.Closed);
  EXPECT_TRUE(Context.ExitEnabled);
}

TEST_F(Sequence, ReinstallKeepsTheClinicsDataAndReplacesTheRuntime) {
  PrepareTarget();
  const TScopedDpi dpi(LargeFonts);
  ASSERT_EQ(RunInstallation(Context, Plan()), ioInstalled);

  // What the suite wrote since: patients, a number, reference data, its own settings.
  const std::string database = "patients since the last installation";
  WriteFileBytes(Target + L"DTAfb\\R12.FDB", database);
  const std::string lastNumber("\x01\x00\x2A\x00\x00\x00\x00\x00\x00\x00\x00\x40\xE6\x40", 14);
  WriteFileBytes(Target + L"Settings\\lastnum.dta", lastNumber);
  const std::string uca(840, '\x07'), wra = "short";
  WriteFileBytes(Target + L"Settings\\uca.nsi", uca);
  WriteFileBytes(Target + L"Settings\\wra.nsi", wra);
  const std::string settings =
      "; \xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8 \xEA\xEB\xE8\xED\xE8\xEA\xE8\r\n[options]\r\nFilterType=2\r\n"
      "Language=1\r\nHardwareType=3\r\n\r\n[\xD0\xE5\xE3\xE8\xF1\xF2\xF0\xE0\xF2\xEE\xF0]\r\nPort=COM3\r\n";
  WriteFileBytes(Target + L"Settings\\rarovu.ini", settings);
  WriteFileBytes(Target + L"gds32.dll", "an older runtime");

  TRecordingContext again;
  EXPECT_EQ(RunInstallation(again, Plan()), ioInstalled);
  ASSERT_GE(again.Lines.size(), 2u);
  EXPECT_EQ(again.Lines[0], L"Создание настроечных файлов....Завершено") << "existing folders give no notices";
  EXPECT_EQ(again.Lines[1], L"Файл базы данных R12.FDB уже есть: он сохранён без изменений");
  EXPECT_EQ(again.Lines.size(), 2u + 23u);
  for (const auto& line : again.Lines) EXPECT_EQ(line.find(L"ОШИБКА"), std::wstring::npos);

  EXPECT_EQ(ReadFileBytes(Target + L"DTAfb\\R12.FDB"), database);
  EXPECT_EQ(ReadFileBytes(Target + L"Settings\\lastnum.dta"), lastNumber);
  EXPECT_EQ(ReadFileBytes(Target + L"Settings\\uca.nsi"), uca);
  EXPECT_EQ(ReadFileBytes(Target + L"Settings\\wra.nsi"), wra);
  EXPECT_EQ(ReadFileBytes(Target + L"Settings\\rarovu.ini"),
            "; \xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8 \xEA\xEB\xE8\xED\xE8\xEA\xE8\r\n[options]\r\nFilterType=0\r\n"
            "Language=1\r\nHardwareType=1\r\n\r\n[\xD0\xE5\xE3\xE8\xF1\xF2\xF0\xE0\xF2\xEE\xF0]\r\nPort=COM3\r\n");
  EXPECT_EQ(ReadFileBytes(Target + L"gds32.dll"), "distribution gds32.dll") << "the runtime is the distribution's";
}

// A run that ends early: what the log shows, what the operator is told, what stays deployed.
struct TFailure {
  const char* Name;
  std::function<void(Sequence&)> Arrange;
  std::vector<std::wstring> LastLines;  // the end of the log
  std::wstring ErrorStart;              // the beginning of the one error shown
  TInstallOutcome Outcome;
  bool BusyEntered;
  std::vector<std::wstring> Deployed, NotDeployed;  // relative to the target
};

void PrintTo(const TFailure& Failure, std::ostream* Out) { *Out << Failure.Name; }

class SequenceFailure : public Sequence, public ::testing::WithParamInterface<TFailure> {};

TEST_P(SequenceFailure, EndsTheRunAsItMust) {
  const TFailure& failure = GetParam();
  PrepareTarget();
  failure.Arrange(*this);
  const TScopedDpi dpi(LargeFonts);
  EXPECT_EQ(RunInstallation(Context, Plan()), failure.Outcome);

  ASSERT_GE(Context.Lines.size(), failure.LastLines.size());
  const std::vector<std::wstring> tail(Context.Lines.end() - static_cast<long>(failure.LastLines.size()),
                                       Context.Lines.end());
  EXPECT_EQ(tail, failure.LastLines);
  ASSERT_EQ(Context.Errors.size(), 1u);
  EXPECT_EQ(Context.Errors[0].substr(0, failure.ErrorStart.size()), failure.ErrorStart) << ToUtf8(Context.Errors[0]);
  EXPECT_EQ(Context.BusyEntered, failure.BusyEntered ? 1 : 0);
  EXPECT_FALSE(Context.Busy) << "the busy span is left on every way out";
  if (failure.Outcome == ioError) {
    EXPECT_EQ(std::count(Context.Events.begin(), Context.Events.end(), L"error while busy"), 0)
        << "an error that ends the run is shown once the window may close again";
  }
  EXPECT_FALSE(Context.ExitEnabled) << "an early end leaves the exit button disabled";
  EXPECT_TRUE(Context.Questions.empty());
  EXPECT_FALSE(Context.FontPage);
  ASSERT_FALSE(Context.Bars.empty());
  EXPECT_EQ(Context.Bars.back().Mode, pmFailed) << "the bar turns red where the run stopped";
  EXPECT_LT(Context.Bars.back().Done, ProgressBarEnd);
  EXPECT_EQ(Context.Bars.back().ErrorsBefore, 0u) << "red before the error box shows";
  for (const auto& name : failure.Deployed) EXPECT_TRUE(TestFileExists(Target + name)) << ToUtf8(name);
  for (const auto& name : failure.NotDeployed) EXPECT_FALSE(TestFileExists(Target + name)) << ToUtf8(name);
}

void MakeReadOnly(const std::wstring& Path) { SetFileAttributesW(Path.c_str(), FILE_ATTRIBUTE_READONLY); }

INSTANTIATE_TEST_SUITE_P(
    Rows, SequenceFailure,
    ::testing::Values(
        TFailure{"TargetParentMissing",
                 [](Sequence& s) { s.Target = s.Temp.Path() + L"нет такой\\Целевая папка\\"; },
                 {L"Ошибка при создании каталога!"}, L"Ошибка при создании каталога!", ioFolderFailed, false, {}, {}},
        TFailure{"DatabaseFolderCannotBeCreated",
                 [](Sequence& s) { WriteFileBytes(s.Target + L"DTAfb", "a file in the folder's place"); },
                 {L"Создание настроечных файлов....Завершено", L"Ошибка при создании каталога <DTAfb>!"},
                 L"Ошибка при создании каталога <DTAfb>!", ioStageFailed, true,
                 {L"Settings\\uca.nsi"}, {L"aliases.conf"}},
        TFailure{"RuntimeFileMissingFromTheDistribution",
                 [](Sequence& s) { DeleteFileW((s.Source + L"Firebird\\gbak.exe").c_str()); },
                 {CopyLine(L"firebird.msg") + L"Завершено", CopyLine(L"gbak.exe")},
                 L"Cannot open file \"", ioError, true,
                 {L"DTAfb\\R12.FDB", L"firebird.msg"}, {L"gbak.exe", L"gds32.dll", L"Settings\\lastnum.dta"}},
        TFailure{"RuntimeFileHeldOpenInTheTarget",
                 [](Sequence& s) {
                   WriteFileBytes(s.Target + L"fbclient.Dll", "in use by a running program");
                   s.Held = std::make_unique<THeldOpen>(s.Target + L"fbclient.Dll");
                 },
                 {CopyLine(L"firebird.conf") + L"Завершено", CopyLine(L"fbclient.Dll")},
                 L"Cannot create file \"", ioError, true,
                 {L"firebird.conf"}, {L"ib_util.Dll"}},
        TFailure{"ExtensionLibraryMissingFromTheDistribution",
                 [](Sequence& s) { DeleteFileW((s.Source + L"UDF\\Tusko.Dll").c_str()); },
                 {CopyLine(L"Varnel.Dll") + L"Завершено", CopyLine(L"Tusko.Dll")},
                 L"Cannot open file \"", ioError, true,
                 {L"udf\\Varnel.Dll"}, {L"udf\\Brindam.Dll", L"Settings\\lastnum.dta"}},
        TFailure{"NoReleaseLevelInTheDistribution",
                 [](Sequence& s) { RemoveFolderTree(s.Source + L"backup\\L010118"); },
                 {CopyLine(L"Olvexa.Dll") + L"Завершено"},
                 L"Не найден ни один уровень выпуска", ioError, true,
                 {L"udf\\Olvexa.Dll", L"Settings\\lastnum.dta", L"Updater.exe.cfg"}, {}},
        TFailure{"ReadOnlySettingsFile",
                 [](Sequence& s) {
                   WriteFileBytes(s.Target + L"Settings\\rarovu.ini", "[options]\r\nFilterType=2\r\n");
                   MakeReadOnly(s.Target + L"Settings\\rarovu.ini");
                 },
                 {}, L"Cannot create file \"", ioError, false,
                 {}, {L"Settings\\uca.nsi", L"DTAfb\\R12.FDB"}}),
    [](const ::testing::TestParamInfo<TFailure>& Info) { return std::string(Info.param.Name); });

TEST_F(Sequence, ReadOnlySettingsFileKeepsItsContentAndEndsBeforeAnyLine) {
  PrepareTarget();
  const std::string before = "[options]\r\nFilterType=2\r\n";
  WriteFileBytes(Target + L"Settings\\rarovu.ini", before);
  MakeReadOnly(Target + L"Settings\\rarovu.ini");
  EXPECT_EQ(RunInstallation(Context, Plan()), ioError);
  EXPECT_TRUE(Context.Lines.empty());
  ASSERT_EQ(Context.Errors.size(), 1u);
  EXPECT_NE(Context.Errors[0].find(Target + L"Settings\\rarovu.ini"), std::wstring::npos);
  EXPECT_EQ(ReadFileBytes(Target + L"Settings\\rarovu.ini"), before);
  SetFileAttributesW((Target + L"Settings\\rarovu.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Replaces a distribution file with a link to a kernel attribute file, which claims 4096 bytes and gives
// a few: a file that opens but cannot be read whole. Wine starts the Unix "ln" for us; elsewhere (or
// without such a file) the caller skips.
std::string MakeUnreadable(const std::wstring& Path) {
  const char* attribute = "/sys/kernel/profiling";
  using UnixNameFn = char*(CDECL*)(const wchar_t*);
  const auto unixName = reinterpret_cast<UnixNameFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!unixName) return "not under Wine";
  if (!GetFileAttributesExW(L"Z:\\sys\\kernel\\profiling", GetFileExInfoStandard, &data) || data.nFileSizeLow < 100)
    return "no kernel attribute file that claims more than it gives";
  DeleteFileW(Path.c_str());
  char* name = unixName(Path.c_str());
  if (!name) return "no Unix name";
  const std::string command = std::string("/bin/ln -s ") + attribute + " \"" + name + "\"";
  HeapFree(GetProcessHeap(), 0, name);
  std::wstring wide(command.size() * 2 + 1, L'\0');
  wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, command.c_str(), -1, wide.data(),
                                                      static_cast<int>(wide.size()))) - 1);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return "cannot start ln";
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Wine does not wait on a Unix process: look for the link instead.
  for (int i = 0; i < 100 && !TestFileExists(Path); ++i) Sleep(50);
  return TestFileExists(Path) ? "" : "ln made no link: " + command;
}

// A copy that opens both files but cannot copy the content marks its line; only in the runtime set
// does that end the run, and then without an error box.
TEST_F(Sequence, ContentThatCannotBeReadMarksTheLine) {
  struct TCase {
    std::wstring File, Name;
    TInstallOutcome Outcome;
    std::wstring NextLine;  // the line after the marked one; empty when the log ends there
  };
  const TCase cases[] = {
      {L"UDF\\Brindam.Dll", L"Brindam.Dll", ioInstalled, CopyLine(L"Olvexa.Dll") + L"Завершено"},
      {L"Firebird\\gbak.exe", L"gbak.exe", ioStageFailed, L""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(ToUtf8(c.Name));
    MakeDistribution(L"Дистрибутив " + c.Name + L"\\", L"Цель " + c.Name + L"\\");
    PrepareTarget();
    const std::string missing = MakeUnreadable(Source + c.File);
    if (!missing.empty()) GTEST_SKIP() << "cannot make an unreadable file here: " << missing;
    const TScopedDpi dpi(LargeFonts);
    TRecordingContext context;
    EXPECT_EQ(RunInstallation(context, Plan()), c.Outcome);
    const auto marked = std::find(context.Lines.begin(), context.Lines.end(), CopyLine(c.Name) + L"ОШИБКА!!!");
    ASSERT_NE(marked, context.Lines.end());
    if (c.NextLine.empty()) {
      EXPECT_EQ(marked + 1, context.Lines.end());
    } else {
      ASSERT_NE(marked + 1, context.Lines.end());
      EXPECT_EQ(*(marked + 1), c.NextLine);
    }
    EXPECT_TRUE(context.Errors.empty()) << "a marked line is the whole report";
    EXPECT_EQ(context.ExitEnabled, c.Outcome == ioInstalled);
    EXPECT_FALSE(context.Busy);
    DeleteFileW((Source + c.File).c_str());  // the link, before the clean-up could touch what it points at
  }
}

TEST_F(Sequence, RunAfterTheDistributionIsRepairedCompletes) {
  PrepareTarget();
  const TScopedDpi dpi(LargeFonts);
  const std::wstring missing = Source + L"Firebird\\udf\\ib_udf.sql";
  const std::string content = ReadFileBytes(missing);
  DeleteFileW(missing.c_str());
  ASSERT_EQ(RunInstallation(Context, Plan()), ioError);
  WriteFileBytes(missing, content);
  TRecordingContext again;
  EXPECT_EQ(RunInstallation(again, Plan()), ioInstalled);
  ExpectEverythingDeployed();
  EXPECT_TRUE(again.Errors.empty());
}

}  // namespace

namespace {

// A link planted in the target (a Unix link under Wine, as the uninstall's tests make them) that leads out
// of it: the run ends with an error that names the link before anything is written, the log included, so
// nothing outside changes.
TEST_F(Sequence, ALinkLeadingOutOfTheTargetEndsTheRunBeforeAnyWrite) {
  struct TCase {
    const wchar_t* Link;  // in the target
    bool Folder;
  };
  const TCase cases[] = {{L"Settings", true}, {L"DTAfb", true},      {L"Firebird", true},      {L"udf", true},
                         {L"backup", true},   {L"gds32.dll", false}, {L"backup\\L010118", true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(ToUtf8(c.Link));
    TTempFolder temp;
    Target = temp.Path() + L"Целевая папка\\";
    const std::wstring outside = temp.Path() + L"Снаружи\\";
    CreateFolder(outside);
    WriteFileBytes(outside + L"gds32.dll", "someone else's");
    WriteFileBytes(outside + L"install.log", "someone else's log");
    PrepareTarget();
    CreateFolder(Target + L"backup");
    const std::wstring link = Target + c.Link;
    if (c.Folder) RemoveDirectoryW(link.c_str());
    const std::string why = MakeLink(link, c.Folder ? outside.substr(0, outside.size() - 1) : outside + L"gds32.dll",
                                     c.Folder);
    if (!why.empty()) GTEST_SKIP() << why;
    const TTree before = ReadTree(outside);
    TRecordingContext context;

    EXPECT_EQ(RunInstallation(context, Plan()), ioError);
    RemoveLink(link);
    ASSERT_EQ(context.Errors.size(), 1u);
    EXPECT_EQ(context.Errors[0].rfind(L"В папке установки есть ссылка, ведущая за её пределы: \"" + link + L"\" ведёт в \"", 0),
              0u)
        << ToUtf8(context.Errors[0]);
    EXPECT_EQ(ReadTree(outside), before) << "written through the link";
    EXPECT_FALSE(TestFileExists(Target + L"Settings\\install.log"));
    EXPECT_FALSE(TestFileExists(Target + L"Settings\\install-record.txt"));
  }
}

// Links that stay inside the target are no danger, and the target itself may be a link the operator
// chose: inside is judged from where it leads.
TEST_F(Sequence, LinksThatStayInsideTheTargetInstall) {
  const std::wstring real = Temp.Path() + L"Настоящая папка\\";
  CreateFolder(real);
  CreateFolder(real + L"Settings");
  CreateFolder(real + L"Архив базы");
  const std::wstring targetLink = Temp.Path() + L"Ссылка на папку";
  const std::wstring innerLink = real + L"Архив";
  std::string why = MakeLink(targetLink, real.substr(0, real.size() - 1), true);
  if (why.empty()) why = MakeLink(innerLink, real + L"Архив базы", true);
  if (!why.empty()) GTEST_SKIP() << why;
  Target = targetLink + L"\\";
  Context.Answers = {true};
  EXPECT_EQ(RunInstallation(Context, Plan()), ioInstalled) << (Context.Errors.empty() ? "" : ToUtf8(Context.Errors[0]));
  EXPECT_TRUE(TestFileExists(real + L"gds32.dll"));
  RemoveLink(innerLink);
  RemoveLink(targetLink);
}

}  // namespace
