// The uninstall against a recording context: a real installation by the sequence into a temporary folder
// with Cyrillic names and blanks, the clinic's changes after it, and the removal; records altered to lead
// outside; a file held open; a folder without a record.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ElevationSeams.h"
#include "InstallRecord.h"
#include "InstallSequence.h"
#include "InstallTestFiles.h"
#include "LocalSystemSeam.h"
#include "MachineUninstaller.h"
#include "RecordingContext.h"
#include "Shortcut.h"
#include "Uninstall.h"
#include "UninstallEntry.h"

namespace {

std::string Narrow(const std::wstring& Text) { return ::testing::PrintToString(Text); }

TTree Only(const TTree& Tree, const std::function<bool(const std::wstring&)>& Keep) {
  TTree part;
  for (const auto& [name, bytes] : Tree)
    if (Keep(name)) part[name] = bytes;
  return part;
}
// The lines of a log file without its byte-order mark; LastSection: only the last run's, from its header.
std::vector<std::wstring> LogFileLinesOf(const std::wstring& Path, bool LastSection = false) {
  std::string bytes = ReadFileBytes(Path);
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  std::wstring text(bytes.size(), L'\0');
  text.resize(static_cast<size_t>(
      MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), static_cast<int>(text.size()))));
  std::vector<std::wstring> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2) {
    if (LastSection && text.compare(start, 5, L"==== ") == 0) lines.clear();
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

bool Contains(const std::vector<std::wstring>& Lines, const std::wstring& Part) {
  return std::any_of(Lines.begin(), Lines.end(), [&](const std::wstring& line) { return line.find(Part) != std::wstring::npos; });
}

class Uninstall : public ::testing::Test {
 public:
  void SetUp() override {
    const std::wstring process = std::to_wstring(GetCurrentProcessId());
    EntryName = L"ПроверкаУдаления-" + process;
    ProductName = L"Проверка удаления " + process;
    Source = Temp.Path() + L"Дистрибутив 8.74\\";
    Target = Temp.Path() + L"Папка установки\\";
    Outside = Temp.Path() + L"Снаружи\\";
    CreateFolder(Outside);
    CreateFolder(Outside + L"Пустая");
    WriteFileBytes(Outside + L"keep.txt", "not the installation's");
  }
  void TearDown() override {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) RegDeleteKeyW(root, (UninstallKeyPath + EntryName).c_str());
    const std::wstring machine = MachineUninstallerFolder(EntryName);
    for (const wchar_t* name : {L"Uninstall.exe", L"install-record.txt"}) DeleteFileW((machine + name).c_str());
    RemoveDirectoryW(machine.c_str());
    DeleteFileW(DesktopShortcutPath(ProductName).c_str());
    {
      const TAsLocalSystem system;
      DeleteFileW(DesktopShortcutPath(ProductName).c_str());
    }
    for (const std::wstring& link : Links) RemoveLink(link);
  }
  // The uninstaller of this test's machine-wide installation (an administrator's: Wine's always is).
  std::wstring MachineCopy() const { return MachineUninstallerFolder(EntryName) + L"Uninstall.exe"; }
  std::string Link(const std::wstring& At, const std::wstring& To, bool Folder) {
    const std::string why = MakeLink(At, To, Folder);
    if (why.empty()) Links.push_back(At);
    return why;
  }

  void MakeDistribution() { MakeSmallDistribution(Source); }
  TInstallPlan Plan() const {
    TInstallPlan plan = SmallDistributionPlan(Source, Target, ProductName);
    plan.EntryName = EntryName;
    plan.SetupProgram = Source + L"Install.exe";
    return plan;
  }
  void Install() {
    MakeDistribution();
    CreateFolder(Target);
    CreateFolder(Target + L"Settings");
    TRecordingContext context;
    ASSERT_EQ(RunInstallation(context, Plan()), ioInstalled);
    ASSERT_TRUE(TestFileExists(Target + L"Vidoze.exe"));
    ASSERT_TRUE(TestFileExists(MachineCopy()));
    ASSERT_FALSE(TestFileExists(Target + L"Uninstall.exe"));
    ASSERT_TRUE(TestFileExists(DesktopShortcutPath(ProductName)));
    TUninstallEntry entry;
    ASSERT_TRUE(ReadUninstallEntry(HKEY_LOCAL_MACHINE, EntryName, entry));
  }
  TUninstallRequest Request() const {
    TUninstallRequest request;
    request.Target = Target;
    request.EntryName = EntryName;
    request.ProductName = ProductName;
    request.LogFile = Temp.Path() + L"журнал удаления.log";
    return request;
  }
  bool HasEntry() const {
    TUninstallEntry entry;
    return ReadUninstallEntry(HKEY_LOCAL_MACHINE, EntryName, entry) ||
           ReadUninstallEntry(HKEY_CURRENT_USER, EntryName, entry);
  }
  // What the clinic did since the installation: patients, its settings, records of its own, in folders
  // of its own and of the installation's.
  void ClinicWorks() {
    WriteFileBytes(Target + L"DTAfb\\R12.FDB", "patients since the installation");
    WriteFileBytes(Target + L"DTAfb\\архив 2024.fdb", "an archive");
    WriteFileBytes(Target + L"Settings\\rarovu.ini", "[options]\r\nFilterType=2\r\n");
    CreateFolder(Target + L"Записи пациентов");
    WriteFileBytes(Target + L"Записи пациентов\\Иванов.ecg", "an ECG");
    WriteFileBytes(Target + L"udf\\своя функция.dll", "the clinic's own library");
    WriteFileBytes(Target + L"заметки.txt", "notes");
  }

  TTempFolder Temp;
  std::wstring EntryName, ProductName, Source, Target, Outside;
  TRecordingContext Context;
  std::vector<std::wstring> Links;  // made by the test, taken away at its end
};

TEST_F(Uninstall, RemovesWhatTheInstallationPutAndKeepsEverythingElse) {
  Install();
  ClinicWorks();
  // A program file a medium made read-only goes too.
  SetFileAttributesW((Target + L"gds32.dll").c_str(), FILE_ATTRIBUTE_READONLY);
  const TTree before = ReadTree(Target);
  const std::string recordBefore = ReadFileBytes(Target + L"Settings\\install-record.txt");
  const TTree outsideBefore = ReadTree(Outside);

  int released = 0;
  TUninstallRequest request = Request();
  request.ReleaseSetupCopy = [&] {
    ++released;
    // Everything else is done by then, and the log says so.
    EXPECT_TRUE(TestFileExists(MachineCopy()));
    EXPECT_FALSE(TestFileExists(Target + L"gds32.dll"));
    EXPECT_FALSE(HasEntry());
    ASSERT_FALSE(Context.Lines.empty());
    EXPECT_EQ(Context.Lines.back(), L"Удаление завершено");
  };
  Context.Answers = {true};
  const TUninstallResult result = RunUninstall(Context, request);
  EXPECT_EQ(result.Outcome, uoRemoved);
  EXPECT_EQ(UninstallExitCode(result.Outcome), 0);
  EXPECT_EQ(released, 1);
  ASSERT_EQ(Context.Questions.size(), 1u);
  EXPECT_NE(Context.Questions[0].find(Target), std::wstring::npos) << "the question names the folder";
  EXPECT_NE(Context.Questions[0].find(L"База данных"), std::wstring::npos);
  EXPECT_NE(Context.Questions[0].find(L"настройки"), std::wstring::npos);
  EXPECT_TRUE(Context.Errors.empty());

  // What stays is exactly the clinic's: the database folder, the settings folder (the log grew by a section
  // of its own), the clinic's files, and the installation's folder that holds one of them.
  const TTree after = ReadTree(Target);
  TTree expected = Only(before, [](const std::wstring& name) {
    return name.rfind(L"DTAfb\\", 0) == 0 || name.rfind(L"Settings\\", 0) == 0 ||
           name.rfind(L"Записи пациентов\\", 0) == 0 || name == L"udf\\" || name == L"udf\\своя функция.dll" ||
           name == L"заметки.txt";
  });
  const std::string logBefore = expected[L"Settings\\install.log"];
  expected.erase(L"Settings\\install.log");
  TTree kept = after;
  const std::string logAfter = kept[L"Settings\\install.log"];
  kept.erase(L"Settings\\install.log");
  EXPECT_EQ(kept, expected);
  EXPECT_EQ(ReadFileBytes(Target + L"Settings\\install-record.txt"), recordBefore);
  EXPECT_EQ(logAfter.substr(0, logBefore.size()), logBefore) << "the installation's sections stay as they were";
  EXPECT_NE(logAfter.find("  \xD0\xA3\xD0\xB4\xD0\xB0\xD0\xBB\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xB5", logBefore.size()),  // "  Удаление"
            std::string::npos);
  EXPECT_EQ(ReadTree(Outside), outsideBefore);

  EXPECT_FALSE(HasEntry());
  EXPECT_FALSE(TestFileExists(DesktopShortcutPath(ProductName)));
  EXPECT_EQ(GetFileAttributesW(MachineUninstallerFolder(EntryName).c_str()), INVALID_FILE_ATTRIBUTES)
      << "the uninstaller's own folder goes, with the record's copy";
  // The log: what went, what stayed and why.
  const std::vector<std::wstring>& lines = Context.Lines;
  EXPECT_TRUE(Contains(lines, L"Удаление файла gds32.dll....Завершено"));
  EXPECT_TRUE(Contains(lines, L"Удаление файла Vidoze.exe....Завершено")) << "what the level's script added";
  EXPECT_TRUE(Contains(lines, L"Удаление папки backup\\L010118....Завершено"));
  EXPECT_TRUE(Contains(lines, L"Папка \"udf\" оставлена"));
  EXPECT_TRUE(Contains(lines, L"Удаление из списка установленных программ....Завершено"));
  EXPECT_TRUE(Contains(lines, L"Оставлена база данных"));
  EXPECT_TRUE(Contains(lines, L"\"udf\", \"Записи пациентов\", \"заметки.txt\""));
  EXPECT_TRUE(Contains(lines, L"Оставлены шрифты: ими могут пользоваться другие программы"));
  EXPECT_TRUE(Contains(lines, L"Оставлен драйвер устройства: им могут пользоваться другие программы"));
  EXPECT_EQ(LogFileLinesOf(Request().LogFile), LogFileLinesOf(Target + L"Settings\\install.log", true))
      << "the second log is the uninstall's section";
  EXPECT_NE(result.Summary.find(Target), std::wstring::npos);
  EXPECT_NE(result.Summary.find(L"Записи пациентов"), std::wstring::npos) << "the operator is told what stayed";
}

TEST_F(Uninstall, NoToTheQuestionChangesNothing) {
  Install();
  ClinicWorks();
  const TTree before = ReadTree(Target);
  bool released = false;
  TUninstallRequest request = Request();
  request.ReleaseSetupCopy = [&] { released = true; };
  Context.Answers = {false};
  const TUninstallResult result = RunUninstall(Context, request);
  EXPECT_EQ(result.Outcome, uoCancelled);
  EXPECT_EQ(UninstallExitCode(result.Outcome), 2);
  EXPECT_EQ(ReadTree(Target), before) << "not even the log";
  EXPECT_TRUE(HasEntry());
  EXPECT_TRUE(TestFileExists(DesktopShortcutPath(ProductName)));
  EXPECT_FALSE(released);
  EXPECT_TRUE(Context.Lines.empty());
}

TEST_F(Uninstall, AFileHeldOpenIsNamedAndTheUninstallCanBeRunAgain) {
  Install();
  auto held = std::make_unique<THeldOpen>(Target + L"fbclient.Dll");
  ASSERT_TRUE(held->Held());
  bool released = false;
  TUninstallRequest request = Request();
  request.ReleaseSetupCopy = [&] { released = true; };
  Context.Answers = {true};
  const TUninstallResult result = RunUninstall(Context, request);
  EXPECT_EQ(result.Outcome, uoIncomplete);
  EXPECT_EQ(UninstallExitCode(result.Outcome), 4);
  EXPECT_TRUE(Contains(Context.Lines, L"Удаление файла fbclient.Dll....ОШИБКА!!!"));
  EXPECT_TRUE(Contains(Context.Lines, L"Не удалось удалить \"" + Target + L"fbclient.Dll\": "));
  EXPECT_TRUE(Contains(Context.Lines, L"Запись в списке установленных программ оставлена"));
  EXPECT_NE(result.Summary.find(Target + L"fbclient.Dll"), std::wstring::npos);
  // The rest went; what is needed to run it again stayed.
  EXPECT_FALSE(TestFileExists(Target + L"gds32.dll"));
  EXPECT_TRUE(TestFileExists(Target + L"fbclient.Dll"));
  EXPECT_TRUE(HasEntry());
  EXPECT_TRUE(TestFileExists(MachineCopy()));
  EXPECT_TRUE(TestFileExists(MachineUninstallerFolder(EntryName) + L"install-record.txt"));
  EXPECT_TRUE(TestFileExists(Target + L"Settings\\install-record.txt"));
  EXPECT_FALSE(released);

  held.reset();
  TRecordingContext again;
  again.Answers = {true};
  EXPECT_EQ(RunUninstall(again, Request()).Outcome, uoRemoved);
  EXPECT_FALSE(TestFileExists(Target + L"fbclient.Dll"));
  EXPECT_FALSE(TestFileExists(MachineCopy()));
  EXPECT_FALSE(HasEntry());
  EXPECT_FALSE(Contains(again.Lines, L"Удаление файла gds32.dll")) << "what is gone is not mentioned again";
}

TEST_F(Uninstall, TheDesktopLinkGoesOnlyWhenItPointsIntoTheTarget) {
  Install();
  // The operator pointed the link elsewhere.
  const std::wstring link = DesktopShortcutPath(ProductName);
  DeleteFileW(link.c_str());
  ASSERT_EQ(AddShortcut(Outside + L"keep.txt", slDesktop, L"", L"", L"", L"", ProductName), link);
  Context.Answers = {true};
  EXPECT_EQ(RunUninstall(Context, Request()).Outcome, uoRemoved);
  EXPECT_TRUE(TestFileExists(link));
  EXPECT_TRUE(Contains(Context.Lines, L"на рабочем столе оставлен: он указывает не в папку установки"));
}

// A deployment tool installs as the system account: the link goes to every user's desktop and the entry
// to the machine. The uninstall, later run by an administrator from Programs and Features, finds the link
// through the record, not on its own desktop.
TEST_F(Uninstall, TheSystemAccountsLinkIsOnEveryUsersDesktopAndGoesByTheRecord) {
  MakeDistribution();
  CreateFolder(Target);
  CreateFolder(Target + L"Settings");
  const std::wstring own = DesktopShortcutPath(ProductName);
  wchar_t folder[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_DESKTOPDIRECTORY, nullptr, SHGFP_TYPE_CURRENT, folder)));
  const std::wstring common = std::wstring(folder) + L"\\" + ProductName + L".lnk";
  ASSERT_NE(common, own);
  {
    const TAsLocalSystem system;
    TRecordingContext context;
    ASSERT_EQ(RunInstallation(context, Plan()), ioInstalled);
  }
  EXPECT_TRUE(TestFileExists(common));
  EXPECT_FALSE(TestFileExists(own)) << "nothing on the account's own desktop";
  TUninstallEntry entry;
  EXPECT_TRUE(ReadUninstallEntry(HKEY_LOCAL_MACHINE, EntryName, entry));
  EXPECT_FALSE(ReadUninstallEntry(HKEY_CURRENT_USER, EntryName, entry));
  TInstallRecordText record;
  ASSERT_EQ(ReadInstallRecord(Target, record), rrRead);
  EXPECT_EQ(record.Links, std::vector<std::wstring>{common});

  Context.Answers = {true};
  EXPECT_EQ(RunUninstall(Context, Request()).Outcome, uoRemoved) << Narrow(Context.Lines.empty() ? L"" : Context.Lines.back());
  EXPECT_FALSE(TestFileExists(common));
  EXPECT_TRUE(Contains(Context.Lines, L"Удаление ярлыка \"" + ProductName + L".lnk\" с рабочего стола....Завершено"));
}

// A record names where each installation put its link: one on every user's desktop and one on the
// operator's both go; a recorded link the operator has pointed elsewhere stays.
TEST_F(Uninstall, EveryRecordedLinkGoesWhileItPointsIntoTheTarget) {
  Install();
  const std::wstring own = DesktopShortcutPath(ProductName);
  std::wstring common;
  {
    const TAsLocalSystem system;
    TRecordingContext context;
    ASSERT_EQ(RunInstallation(context, Plan()), ioInstalled);
    common = DesktopShortcutPath(ProductName);
  }
  TInstallRecordText record;
  ASSERT_EQ(ReadInstallRecord(Target, record), rrRead);
  EXPECT_EQ(record.Links.size(), 2u);
  ASSERT_EQ(AddShortcut(Outside + L"keep.txt", slDesktop, L"", L"", L"", L"", ProductName), own);

  Context.Answers = {true};
  EXPECT_EQ(RunUninstall(Context, Request()).Outcome, uoRemoved);
  EXPECT_FALSE(TestFileExists(common));
  EXPECT_TRUE(TestFileExists(own));
  EXPECT_TRUE(Contains(Context.Lines, L"на рабочем столе оставлен: он указывает не в папку установки"));
}

TEST_F(Uninstall, AReinstallAfterTheUninstallFindsTheKeptDatabase) {
  Install();
  WriteFileBytes(Target + L"DTAfb\\R12.FDB", "patients since the installation");
  Context.Answers = {true};
  ASSERT_EQ(RunUninstall(Context, Request()).Outcome, uoRemoved) << ::testing::PrintToString(Context.Lines);
  TRecordingContext again;
  ASSERT_EQ(RunInstallation(again, Plan()), ioInstalled);
  EXPECT_TRUE(Contains(again.Lines, L"Файл базы данных R12.FDB уже есть: он сохранён без изменений"));
  EXPECT_EQ(ReadFileBytes(Target + L"DTAfb\\R12.FDB"), "patients since the installation");
  EXPECT_TRUE(TestFileExists(Target + L"gds32.dll"));
  EXPECT_TRUE(HasEntry());
  TInstallRecordText record;
  ASSERT_EQ(ReadInstallRecord(Target, record), rrRead);
  EXPECT_TRUE(std::any_of(record.Entries.begin(), record.Entries.end(),
                          [](const TRecordEntry& Entry) { return Entry.Path == L"gds32.dll"; }));
}

// A user's own installation keeps its uninstaller in the target, and the uninstall removes it there last.
TEST_F(Uninstall, APerUserInstallationIsRemovedFromTheTarget) {
  {
    const TAdministratorRights user(false);
    UninstallEntrySeams::SetMachineRefused(true);
    MakeDistribution();
    CreateFolder(Target);
    TRecordingContext context;
    ASSERT_EQ(RunInstallation(context, Plan()), ioInstalled);
    UninstallEntrySeams::SetMachineRefused(false);
  }
  ASSERT_TRUE(TestFileExists(Target + L"Uninstall.exe"));
  EXPECT_FALSE(TestFileExists(MachineCopy()));
  TUninstallEntry entry;
  ASSERT_TRUE(ReadUninstallEntry(HKEY_CURRENT_USER, EntryName, entry));
  bool copyThereAtRelease = false;
  TUninstallRequest request = Request();
  request.ReleaseSetupCopy = [&] { copyThereAtRelease = TestFileExists(Target + L"Uninstall.exe"); };
  Context.Answers = {true};
  EXPECT_EQ(RunUninstall(Context, request).Outcome, uoRemoved);
  EXPECT_TRUE(copyThereAtRelease);
  EXPECT_FALSE(TestFileExists(Target + L"Uninstall.exe"));
  EXPECT_FALSE(HasEntry());
}

// The machine-wide uninstall goes by the record's copy kept with its uninstaller: lines a user adds to
// the target's record name nothing it removes.
TEST_F(Uninstall, AMachineWideUninstallGoesByItsOwnCopyOfTheRecord) {
  Install();
  ClinicWorks();
  const std::wstring record = Target + L"Settings\\install-record.txt";
  WriteFileBytes(record, ReadFileBytes(record) + "\xD0\xB7\xD0\xB0\xD0\xBC\xD0\xB5\xD1\x82\xD0\xBA\xD0\xB8.txt\r\n");  // "заметки.txt"
  Context.Answers = {true};
  ASSERT_EQ(RunUninstall(Context, Request()).Outcome, uoRemoved);
  EXPECT_TRUE(TestFileExists(Target + L"заметки.txt"));
  EXPECT_FALSE(TestFileExists(Target + L"gds32.dll"));
  EXPECT_FALSE(TestFileExists(MachineCopy()));
}

// The bar moves with what is removed, as with what an installation copies, and ends as an installation's
// does: full and "Выход" on when everything went, red where it stopped and "Выход" off when not.
TEST_F(Uninstall, TheProgressBarMovesWithWhatIsRemoved) {
  for (const bool complete : {true, false}) {
    SCOPED_TRACE(complete ? "complete" : "a file held open");
    Install();
    std::unique_ptr<THeldOpen> held;
    if (!complete) held = std::make_unique<THeldOpen>(Target + L"fbclient.Dll");
    TRecordingContext context;
    context.Answers = {true};
    const TUninstallResult result = RunUninstall(context, Request());
    ASSERT_EQ(result.Outcome, complete ? uoRemoved : uoIncomplete);
    ASSERT_GE(context.Bars.size(), 10u) << "one step for each removal";
    for (size_t i = 1; i < context.Bars.size(); ++i) {
      EXPECT_GE(context.Bars[i].Done, context.Bars[i - 1].Done);
      // Each removal's line is on screen by the time the bar has counted it.
      EXPECT_GE(context.Bars[i].LinesBefore, context.Bars[i - 1].LinesBefore);
    }
    EXPECT_LT(context.Bars.front().Done, 100);
    std::vector<int> positions;
    for (const auto& bar : context.Bars) positions.push_back(bar.Done);
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    EXPECT_GE(positions.size(), 10u) << "the bar moved in steps, not only at the end";
    const auto& last = context.Bars.back();
    if (complete) {
      EXPECT_EQ(last.Done, ProgressBarEnd);
      EXPECT_EQ(last.Mode, pmPosition);
      EXPECT_TRUE(context.ExitEnabled);
    } else {
      EXPECT_LT(last.Done, ProgressBarEnd);
      EXPECT_EQ(last.Mode, pmFailed);
      EXPECT_FALSE(context.ExitEnabled);
      held.reset();
      TRecordingContext again;
      again.Answers = {true};
      ASSERT_EQ(RunUninstall(again, Request()).Outcome, uoRemoved);
    }
  }
}

// The setup copy goes last, after the hand-over: when it stays, the summary says that everything else,
// the entry included, is gone, and names the file; it never claims the entry stays.
TEST_F(Uninstall, ASetupCopyThatStaysIsAllTheSummaryNames) {
  Install();
  std::unique_ptr<THeldOpen> held;
  TUninstallRequest request = Request();
  // The program started from the copy does not let go of it.
  request.ReleaseSetupCopy = [&] { held = std::make_unique<THeldOpen>(MachineCopy()); };
  Context.Answers = {true};
  const TUninstallResult result = RunUninstall(Context, request);
  ASSERT_TRUE(held && held->Held());
  EXPECT_EQ(result.Outcome, uoIncomplete);
  EXPECT_FALSE(HasEntry());
  EXPECT_FALSE(TestFileExists(Target + L"gds32.dll"));
  EXPECT_TRUE(TestFileExists(MachineCopy()));
  EXPECT_NE(result.Summary.find(L"удалён, и запись в списке установленных программ удалена"), std::wstring::npos)
      << Narrow(result.Summary);
  EXPECT_NE(result.Summary.find(L"\"" + MachineCopy() + L"\""), std::wstring::npos) << Narrow(result.Summary);
  EXPECT_EQ(result.Summary.find(L"оставлена"), std::wstring::npos) << Narrow(result.Summary);
  EXPECT_TRUE(Contains(Context.Lines, L"Не удалось удалить \"" + MachineCopy() + L"\": "));
  EXPECT_FALSE(Contains(Context.Lines, L"Запись в списке установленных программ оставлена"));
}

// A folder the uninstall must not work in: refused with a clear message, nothing removed, nothing
// written there.
struct TRefusal {
  const char* Name;
  std::function<std::wstring(Uninstall&)> Folder;  // arranges it and gives its path
  std::wstring Message;
};
void PrintTo(const TRefusal& Refusal, std::ostream* Out) { *Out << Refusal.Name; }

class UninstallRefusal : public Uninstall, public ::testing::WithParamInterface<TRefusal> {};

// A drive's root under one of its spellings; the target holds a stray file, which the refusal keeps.
std::function<std::wstring(Uninstall&)> DriveRootSpelt(const wchar_t* Root) {
  return [Root](Uninstall& u) {
    CreateFolder(u.Target);
    WriteFileBytes(u.Target + L"gds32.dll", "someone's");
    return std::wstring(Root);
  };
}

TEST_P(UninstallRefusal, RemovesNothing) {
  const TRefusal& refusal = GetParam();
  const std::wstring folder = refusal.Folder(*this);
  // The target's tree, or, for a folder elsewhere, the temporary folder's.
  const std::wstring watched = folder.rfind(Temp.Path(), 0) == 0 ? folder : Temp.Path();
  const TTree before = ReadTree(watched);
  TUninstallRequest request = Request();
  request.Target = folder;
  Context.Answers = {true};
  const TUninstallResult result = RunUninstall(Context, request);
  EXPECT_EQ(result.Outcome, uoRefused);
  EXPECT_EQ(UninstallExitCode(result.Outcome), 4);
  EXPECT_TRUE(Context.Questions.empty()) << "refused before the question";
  ASSERT_EQ(Context.Errors.size(), 1u);
  EXPECT_NE(Context.Errors[0].find(refusal.Message), std::wstring::npos) << Narrow(Context.Errors[0]);
  EXPECT_NE(Context.Errors[0].find(L"Ничего не удалено"), std::wstring::npos);
  TTree after = ReadTree(watched);
  after.erase(L"журнал удаления.log");
  EXPECT_EQ(after, before);
  const std::vector<std::wstring> log = LogFileLinesOf(request.LogFile);
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), Context.Errors[0]) << "the second log says why";
}

INSTANTIATE_TEST_SUITE_P(
    Folders, UninstallRefusal,
    ::testing::Values(
        TRefusal{"NoRecord",
                 [](Uninstall& u) {
                   CreateFolder(u.Target);
                   CreateFolder(u.Target + L"Settings");
                   WriteFileBytes(u.Target + L"gds32.dll", "someone's");
                   WriteFileBytes(u.Target + L"Settings\\rarovu.ini", "[options]");
                   return u.Target;
                 },
                 L"нет записи об установке"},
        TRefusal{"NotARecord",
                 [](Uninstall& u) {
                   CreateFolder(u.Target);
                   CreateFolder(u.Target + L"Settings");
                   WriteFileBytes(u.Target + L"gds32.dll", "someone's");
                   WriteFileBytes(u.Target + L"Settings\\install-record.txt", "gds32.dll\r\n");
                   return u.Target;
                 },
                 L"не читается или повреждена"},
        TRefusal{"MissingFolder", [](Uninstall& u) { return u.Temp.Path() + L"нет такой папки\\"; },
                 L"нет записи об установке"},
        TRefusal{"DriveRoot", DriveRootSpelt(L"C:\\"), L"не из корня диска"},
        TRefusal{"DriveRootByItsLongName", DriveRootSpelt(L"\\\\?\\C:\\"), L"не из корня диска"}),
    [](const ::testing::TestParamInfo<TRefusal>& Info) { return std::string(Info.param.Name); });

// A record altered to lead outside the target or into what it keeps: the lines it can tell at once are
// left out and named, the rest is found out on the file itself; either way nothing outside is touched,
// and the record's sound lines are still done.
struct THostile {
  const char* Name;
  // Arranges what the row needs (links) and gives the record's lines; an empty list skips the row, with
  // Why saying so.
  std::function<std::vector<std::string>(Uninstall&, std::string& Why)> Lines;
  std::wstring Logged;  // a piece of the log line that tells of it
};
void PrintTo(const THostile& Hostile, std::ostream* Out) { *Out << Hostile.Name; }

class UninstallHostileRecord : public Uninstall, public ::testing::WithParamInterface<THostile> {};

std::string Utf8(const std::wstring& Text) {
  std::string bytes(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), -1, nullptr, 0, nullptr, nullptr)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Text.c_str(), -1, bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.pop_back();
  return bytes;
}

TEST_P(UninstallHostileRecord, NeverTouchesAnythingOutsideTheTarget) {
  const THostile& row = GetParam();
  CreateFolder(Target);
  CreateFolder(Target + L"Settings");
  CreateFolder(Target + L"DTAfb");
  WriteFileBytes(Target + L"gds32.dll", "the installation's");
  WriteFileBytes(Target + L"DTAfb\\R12.FDB", "patients");
  WriteFileBytes(Target + L"Settings\\rarovu.ini", "[options]");
  std::string why;
  const std::vector<std::string> lines = row.Lines(*this, why);
  if (lines.empty()) GTEST_SKIP() << why;
  std::string record = "InstallRecord 1\r\ngds32.dll\r\n";
  for (const std::string& line : lines) record += line + "\r\n";
  WriteFileBytes(Target + L"Settings\\install-record.txt", record);
  const TTree outside = ReadTree(Outside);
  const TTree kept = Only(ReadTree(Target), [](const std::wstring& name) {
    return name.rfind(L"DTAfb\\", 0) == 0 || (name.rfind(L"Settings\\", 0) == 0 && name != L"Settings\\install.log");
  });

  Context.Answers = {true};
  EXPECT_EQ(RunUninstall(Context, Request()).Outcome, uoRemoved);
  EXPECT_EQ(ReadTree(Outside), outside);
  EXPECT_EQ(Only(ReadTree(Target), [&](const std::wstring& name) { return kept.count(name) > 0; }), kept);
  EXPECT_FALSE(TestFileExists(Target + L"gds32.dll")) << "the sound line is still done";
  EXPECT_TRUE(Contains(Context.Lines, row.Logged)) << ::testing::PrintToString(Context.Lines);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, UninstallHostileRecord,
    ::testing::Values(
        THostile{"ParentFolder", [](Uninstall&, std::string&) { return std::vector<std::string>{"..\\Снаружи\\keep.txt"}; },
                 L"Строка 3 записи об установке пропущена: путь с"},
        THostile{"ParentFolderToAnEmptyFolder",
                 [](Uninstall&, std::string&) { return std::vector<std::string>{"..\\Снаружи\\Пустая\\"}; },
                 L"Строка 3 записи об установке пропущена"},
        THostile{"AbsolutePath",
                 [](Uninstall& u, std::string&) { return std::vector<std::string>{Utf8(u.Outside + L"keep.txt")}; },
                 L"Строка 3 записи об установке пропущена: путь не внутри папки установки"},
        THostile{"ExtendedPath",
                 [](Uninstall& u, std::string&) { return std::vector<std::string>{Utf8(L"\\\\?\\" + u.Outside + L"keep.txt")}; },
                 L"путь не внутри папки установки"},
        THostile{"UncName", [](Uninstall&, std::string&) { return std::vector<std::string>{"\\\\localhost\\C$\\keep.txt"}; },
                 L"путь не внутри папки установки"},
        THostile{"DriveRelative", [](Uninstall&, std::string&) { return std::vector<std::string>{"C:keep.txt"}; },
                 L"путь не внутри папки установки"},
        THostile{"Database", [](Uninstall&, std::string&) { return std::vector<std::string>{"DTAfb\\R12.FDB", "dtafb\\"}; },
                 L"Строка 4 записи об установке пропущена: база данных и настройки не удаляются"},
        THostile{"Settings",
                 [](Uninstall&, std::string&) { return std::vector<std::string>{"Settings\\rarovu.ini", "SETTINGS\\"}; },
                 L"база данных и настройки не удаляются"},
        THostile{"UnreadableLine", [](Uninstall&, std::string&) { return std::vector<std::string>{"\xC3\x28\xFF"}; },
                 L"Строка 3 записи об установке пропущена: строка не в кодировке UTF-8"},
        THostile{"FolderLinkOnTheWay",
                 [](Uninstall& u, std::string& why) {
                   why = u.Link(u.Target + L"Ссылка", u.Outside.substr(0, u.Outside.size() - 1), true);
                   if (!why.empty()) return std::vector<std::string>{};
                   return std::vector<std::string>{"Ссылка\\keep.txt", "Ссылка\\Пустая\\", "Ссылка\\"};
                 },
                 L"оставлен"},
        THostile{"FileLink",
                 [](Uninstall& u, std::string& why) {
                   why = u.Link(u.Target + L"ссылка.txt", u.Outside + L"keep.txt", false);
                   if (!why.empty()) return std::vector<std::string>{};
                   return std::vector<std::string>{"ссылка.txt"};
                 },
                 L"Файл \"ссылка.txt\" оставлен"},
        THostile{"LinkIntoTheDatabase",
                 [](Uninstall& u, std::string& why) {
                   why = u.Link(u.Target + L"База", u.Target + L"DTAfb", true);
                   if (!why.empty()) return std::vector<std::string>{};
                   return std::vector<std::string>{"База\\R12.FDB"};
                 },
                 L"Файл \"База\\R12.FDB\" оставлен"}),
    [](const ::testing::TestParamInfo<THostile>& Info) { return std::string(Info.param.Name); });

}  // namespace
