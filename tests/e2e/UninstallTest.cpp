// The real Install.exe installs, registers itself in Programs and Features, and is taken off again through
// its entry's command lines, as Windows and deployment tools run them: the clinic's data stay byte for
// byte, nothing is left in the temporary folder or running.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <map>
#include <thread>

#include "Driver.h"
#include "E2eSupport.h"
#include "SecurityReadBack.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const wchar_t EntryKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zuzavo";

struct Entry {
  bool Found = false;
  std::map<std::wstring, std::wstring> Texts;
  std::map<std::wstring, DWORD> Numbers;
};

// The entry as any reader of the registry sees it: the machine's first, then the user's; both views of a
// 64-bit system, since the shipped program is a 32-bit one.
Entry ReadEntry() {
  Entry entry;
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)}) {
      HKEY key = nullptr;
      if (RegOpenKeyExW(root, EntryKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) continue;
      for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0;
        BYTE data[4096] = {};
        DWORD size = sizeof(data) - sizeof(wchar_t);
        if (RegEnumValueW(key, index, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        if (type == REG_SZ) entry.Texts[name] = reinterpret_cast<const wchar_t*>(data);
        if (type == REG_DWORD) entry.Numbers[name] = *reinterpret_cast<const DWORD*>(data);
      }
      RegCloseKey(key);
      entry.Found = true;
      return entry;
    }
  }
  return entry;
}

// The uninstall's temporary copies that are still running.
std::vector<std::wstring> RunningTemporaryCopies() {
  std::vector<std::wstring> found;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return found;
  PROCESSENTRY32W process{};
  process.dwSize = sizeof(process);
  for (BOOL more = Process32FirstW(snapshot, &process); more; more = Process32NextW(snapshot, &process)) {
    const std::wstring name = process.szExeFile;
    if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".tmp") == 0) found.push_back(name);
  }
  CloseHandle(snapshot);
  return found;
}

std::vector<std::wstring> TemporaryFolderNames() {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((std::wstring(folder) + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}


// A command line as Windows runs an entry's: the program named by its quoted first token.
class CommandLine {
 public:
  CommandLine(const std::wstring& Line, const std::wstring& StartIn) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    std::wstring line = Line;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, StartIn.c_str(), &startup, &Info))
      throw std::runtime_error("cannot start the entry's command line");
  }
  ~CommandLine() {
    if (WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(Info.hProcess, 99);
    CloseHandle(Info.hThread);
    CloseHandle(Info.hProcess);
  }
  bool WaitForExit(std::chrono::milliseconds Timeout) {
    return WaitForSingleObject(Info.hProcess, static_cast<DWORD>(Timeout.count())) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(Info.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION Info{};
};

struct BoxSearch {
  std::wstring Part;
  HWND Found = nullptr;
};
BOOL CALLBACK FindBox(HWND Wnd, LPARAM Param) {
  auto* search = reinterpret_cast<BoxSearch*>(Param);
  if (IsWindowVisible(Wnd) && ClassName(Wnd) == L"#32770" && MessageBoxText(Wnd).find(search->Part) != std::wstring::npos) {
    search->Found = Wnd;
    return FALSE;
  }
  return TRUE;
}
// A message box of any process whose text holds Part: the uninstall asks from its temporary copy.
HWND WaitForBoxSaying(const std::wstring& Part, std::chrono::milliseconds Timeout = 30s) {
  BoxSearch search{Part};
  WaitFor([&] {
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.Found != nullptr;
  }, Timeout);
  return search.Found;
}

// The lines of the last section of a log file.
std::vector<std::wstring> LastSection(const std::wstring& LogFile) {
  std::vector<std::wstring> section;
  for (const std::wstring& line : LogFileLines(LogFile)) {
    if (line.rfind(L"==== ", 0) == 0) section.clear();
    section.push_back(line);
  }
  return section;
}

bool Contains(const std::vector<std::wstring>& Lines, const std::wstring& Part) {
  return std::any_of(Lines.begin(), Lines.end(),
                     [&](const std::wstring& line) { return line.find(Part) != std::wstring::npos; });
}

class Uninstall : public SampleDistribution {
 protected:
  void SetUp() override {
    SampleDistribution::SetUp();
    Target = Work + L"Папка клиники\\";
  }
  void TearDown() override {
    Process.reset();
    Setup.reset();
    SampleDistribution::TearDown();
  }
  void Install(bool Driver = false) {
    Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere,
                                      std::wstring(L"/VERYSILENT ") + (Driver ? L"" : L"/NODRIVER ") + L"/DIR=\"" +
                                          Target + L"\"");
    ASSERT_TRUE(Setup->WaitForExit(90s));
    ASSERT_EQ(Setup->ExitCode(), 0u);
    Installed = ReadEntry();
    ASSERT_TRUE(Installed.Found) << "the installation registered itself";
  }
  // Runs one of the entry's command lines to its end, as "start /wait" does; its exit code.
  DWORD RunToEnd(const std::wstring& Line) {
    Process = std::make_unique<CommandLine>(Line, Elsewhere);
    EXPECT_TRUE(Process->WaitForExit(90s)) << "the uninstall did not end";
    return Process->ExitCode();
  }
  // The temporary copy ends a moment after the program it answered: then nothing of it may be left.
  void ExpectNothingLeftBehind(const std::vector<std::wstring>& TemporaryBefore) {
    EXPECT_TRUE(WaitFor([] { return RunningTemporaryCopies().empty(); }, 15s))
        << "still running: " << Narrow(RunningTemporaryCopies().empty() ? L"" : RunningTemporaryCopies()[0]);
    EXPECT_EQ(TemporaryFolderNames(), TemporaryBefore) << "the temporary folder is as it was";
  }
  // What the clinic did since the installation.
  void ClinicWorks() {
    WriteBytes(Target + L"DTAfb\\R12.FDB", "patients since the installation");
    WriteBytes(Target + L"DTAfb\\архив 2024.fdb", "an archive");
    WriteBytes(Target + L"Settings\\rarovu.ini", "[options]\r\nFilterType=2\r\nLanguage=1\r\n");
    CreateDirectoryW((Target + L"Записи пациентов").c_str(), nullptr);
    WriteBytes(Target + L"Записи пациентов\\Иванов И.И.ecg", "an ECG");
    WriteBytes(Target + L"udf\\своя функция.dll", "the clinic's own library");
  }
  // The clinic's part of the target: what must stay byte for byte (the log only grows).
  std::map<std::wstring, std::string> ClinicsPart() const {
    std::map<std::wstring, std::string> part;
    for (const auto& [name, bytes] : ReadTree(Target))
      if (name.rfind(L"DTAfb\\", 0) == 0 || name.rfind(L"Settings\\", 0) == 0 || name.rfind(L"Записи пациентов\\", 0) == 0 ||
          name == L"udf\\своя функция.dll")
        if (name != L"Settings\\install.log") part[name] = bytes;
    return part;
  }

  std::wstring Target;
  Entry Installed;
  std::unique_ptr<Program> Setup;
  std::unique_ptr<CommandLine> Process;
};

TEST_F(Uninstall, QuietUninstallFromTheEntryTakesTheProgramAndKeepsTheClinicsData) {
  // With the driver: its installer's folder in the target is the installation's, the driver is not.
  Install(true);
  ASSERT_TRUE(FileExists(Target + L"FTDIDriverInstall\\FTDIDriverInstall.record")) << "the driver installer ran";
  // The entry as Windows and deployment tools read it.
  EXPECT_EQ(Installed.Texts[L"DisplayName"], L"Ритмон - Vidoze");
  EXPECT_EQ(Installed.Texts[L"DisplayVersion"], L"011226") << "the release level the installation recorded";
  EXPECT_EQ(Installed.Texts[L"Publisher"], L"ООО «Кардиотех-Мед»");
  EXPECT_EQ(Installed.Texts[L"InstallLocation"], Target);
  EXPECT_EQ(Installed.Texts[L"DisplayIcon"], Target + L"Vidoze.exe");
  // An administrator's installation (Wine's always is): the uninstaller is not the target's to change.
  const std::wstring dir = Target.substr(0, Target.size() - 1);
  EXPECT_EQ(Installed.Texts[L"UninstallString"], L"\"" + MachineUninstaller() + L"\" /UNINSTALL /DIR=\"" + dir + L"\"");
  EXPECT_EQ(Installed.Texts[L"QuietUninstallString"], Installed.Texts[L"UninstallString"] + L" /VERYSILENT");
  EXPECT_FALSE(FileExists(Target + L"Uninstall.exe"));
  EXPECT_TRUE(FileExists(MachineFolder() + L"install-record.txt"));
  EXPECT_EQ(Installed.Texts[L"URLInfoAbout"], L"http://www.kardiotech-med.example");
  EXPECT_EQ(Installed.Texts[L"InstallDate"].size(), 8u);
  EXPECT_GT(Installed.Numbers[L"EstimatedSize"], 0u);
  EXPECT_EQ(Installed.Numbers[L"NoModify"], 1u);
  EXPECT_EQ(Installed.Numbers[L"NoRepair"], 1u);

  // Wine's own list of Programs and Features, an independent reader of the same keys.
  const std::wstring listFile = Work + L"uninstaller list.txt";
  {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE out = CreateFileW(listFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(out, INVALID_HANDLE_VALUE);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = out;
    PROCESS_INFORMATION lister{};
    std::wstring line = L"uninstaller.exe --list";
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                               &startup, &lister));
    WaitForSingleObject(lister.hProcess, 30000);
    CloseHandle(lister.hThread);
    CloseHandle(lister.hProcess);
    CloseHandle(out);
  }
  const std::string list = ReadBytes(listFile);
  EXPECT_NE(list.find("Zuzavo|||"), std::string::npos) << list;
  EXPECT_NE(list.find(" - Vidoze", list.find("Zuzavo|||")), std::string::npos) << list;

  ClinicWorks();
  const auto clinics = ClinicsPart();
  const std::string logBefore = ReadBytes(Target + L"Settings\\install.log");
  const auto temporaryBefore = TemporaryFolderNames();
  // An ordinary account's installation: the link on the operator's own desktop, and the record says so
  // for an uninstall that another account may run.
  const std::wstring link = DesktopFolder() + L"\\Ритмон - Vidoze.lnk";
  ASSERT_TRUE(FileExists(link));
  EXPECT_FALSE(FileExists(CommonDesktopFolder() + L"\\Ритмон - Vidoze.lnk"));
  EXPECT_NE(ReadBytes(Target + L"Settings\\install-record.txt").find("\r\n*DesktopLink\t" + Narrow(link) + "\r\n"),
            std::string::npos);

  EXPECT_EQ(RunToEnd(Installed.Texts[L"QuietUninstallString"]), 0u);
  ExpectNothingLeftBehind(temporaryBefore);

  // The program is gone: the files of every stage, the script's, the setup copy, the entry, the link.
  for (const Deployed& file : DeployedFiles()) {
    if (file.Name == L"R12.FDB") continue;
    EXPECT_FALSE(FileExists(Target + file.To + file.Name)) << Narrow(file.Name);
  }
  for (const wchar_t* name : {L"Vidoze.exe", L"Uninstall.exe", L"ReleaseInfo", L"Updater.exe.cfg"})
    EXPECT_FALSE(FileExists(Target + name)) << Narrow(name);
  for (const wchar_t* folder : {L"backup", L"intl", L"FTDIDriverInstall"})
    EXPECT_FALSE(FolderExists(Target + folder)) << Narrow(folder);
  EXPECT_FALSE(ReadEntry().Found);
  EXPECT_FALSE(FileExists(DesktopFolder() + L"\\Ритмон - Vidoze.lnk"));
  EXPECT_FALSE(FolderExists(MachineFolder())) << "the uninstaller's folder, with the record's copy, goes";
  // The clinic's data are as they were; the log grew by the uninstall's section.
  EXPECT_EQ(ClinicsPart(), clinics);
  const std::string log = ReadBytes(Target + L"Settings\\install.log");
  EXPECT_EQ(log.substr(0, logBefore.size()), logBefore);
  const std::vector<std::wstring> section = LastSection(Target + L"Settings\\install.log");
  ASSERT_FALSE(section.empty());
  EXPECT_NE(section.front().find(L"Удаление"), std::wstring::npos) << Narrow(section.front());
  EXPECT_TRUE(Contains(section, L"Оставлены шрифты"));
  EXPECT_TRUE(Contains(section, L"Оставлен драйвер устройства"));
  EXPECT_TRUE(Contains(section, L"\"Записи пациентов\""));
  EXPECT_TRUE(Contains(section, L"Удаление ярлыка \"Ритмон - Vidoze.lnk\" с рабочего стола....Завершено"));
  EXPECT_EQ(section.back(), L"Удаление завершено");
}

TEST_F(Uninstall, TheWizardAsksOnceNoKeepsEverythingAndYesRemoves) {
  Install();
  const auto before = ReadTree(Target);
  const auto temporaryBefore = TemporaryFolderNames();

  // The uninstaller uninstalls also when started without switches, as an operator might: its entry names
  // the folder.
  Process = std::make_unique<CommandLine>(L"\"" + MachineUninstaller() + L"\"", Elsewhere);
  HWND question = WaitForBoxSaying(Target);
  ASSERT_NE(question, nullptr) << "the uninstall asks, naming the folder";
  const std::wstring text = MessageBoxText(question);
  EXPECT_NE(text.find(L"База данных"), std::wstring::npos) << Narrow(text);
  EXPECT_NE(text.find(L"\"Settings\""), std::wstring::npos) << Narrow(text);
  Screenshot(L"40-uninstall-question");
  AnswerMessageBox(question, IDNO);
  ASSERT_TRUE(Process->WaitForExit(30s));
  EXPECT_EQ(Process->ExitCode(), 2u);
  ExpectNothingLeftBehind(temporaryBefore);
  EXPECT_EQ(ReadTree(Target), before) << "No changes nothing, not even the log";
  EXPECT_TRUE(ReadEntry().Found);

  // Programs and Features starts the entry's command line.
  Process = std::make_unique<CommandLine>(Installed.Texts[L"UninstallString"], Elsewhere);
  question = WaitForBoxSaying(Target);
  ASSERT_NE(question, nullptr);
  AnswerMessageBox(question, IDYES);
  HWND finished = WaitForBoxSaying(L"удалён", 60s);
  ASSERT_NE(finished, nullptr) << "the operator is told what stayed and where";
  const std::wstring summary = MessageBoxText(finished);
  EXPECT_NE(summary.find(Target), std::wstring::npos) << Narrow(summary);
  EXPECT_NE(summary.find(L"DTAfb"), std::wstring::npos) << Narrow(summary);
  Screenshot(L"41-uninstall-finished");
  AnswerMessageBox(finished, IDOK);
  ASSERT_TRUE(Process->WaitForExit(30s));
  EXPECT_EQ(Process->ExitCode(), 0u);
  ExpectNothingLeftBehind(temporaryBefore);
  EXPECT_FALSE(FileExists(Target + L"gds32.dll"));
  EXPECT_TRUE(WaitFor([] { return !FileExists(MachineUninstaller()); }, 15s));
  EXPECT_TRUE(FileExists(Target + L"DTAfb\\R12.FDB"));
  EXPECT_FALSE(ReadEntry().Found);
}

// Programs and Features starts the uninstaller with the user's rights; Wine's are always an
// administrator's. The test seams' program stands in for a user without them (INSTALL_TEST_NOT_ELEVATED)
// and for the answer to the consent prompt its "runas" raises (INSTALL_TEST_CONSENT).
class UninstallWithoutRights : public Uninstall {
 protected:
  UninstallWithoutRights() { DistributionSource = TEST_SEAMS_DIST_UNIX_DIR; }
  void ExpectNothingRemoved(const std::map<std::wstring, std::string>& Before) {
    for (const auto& entry : Before) EXPECT_TRUE(Exists(Target + entry.first)) << Narrow(entry.first);
    EXPECT_TRUE(FileExists(MachineUninstaller()));
    EXPECT_TRUE(ReadEntry().Found);
  }
  static bool Exists(const std::wstring& Path) { return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }
};

TEST_F(UninstallWithoutRights, AsksForThemBeforeRemovingAnythingAndRemovesNothingWithout) {
  Install();
  if (HasFatalFailure()) return;
  const auto before = ReadTree(Target);
  const ScopedVariable user(L"INSTALL_TEST_NOT_ELEVATED", L"1");
  {
    const ScopedVariable refused(L"INSTALL_TEST_CONSENT", L"refused");
    EXPECT_EQ(RunToEnd(Installed.Texts[L"UninstallString"]), 2u) << "No to the consent prompt";
    ExpectNothingRemoved(before);
    // Without a window no one could answer the prompt: none is raised.
    EXPECT_EQ(RunToEnd(Installed.Texts[L"QuietUninstallString"]), 4u);
    ExpectNothingRemoved(before);
    const std::vector<std::wstring> section = LastSection(Target + L"Settings\\install.log");
    ASSERT_FALSE(section.empty());
    EXPECT_NE(section.back().find(L"не начато: комплекс установлен для всех пользователей"), std::wstring::npos)
        << Narrow(section.back());
  }
  // Given, the program started through the prompt asks its question and removes the suite.
  const ScopedVariable given(L"INSTALL_TEST_CONSENT", L"given");
  Process = std::make_unique<CommandLine>(Installed.Texts[L"UninstallString"], Elsewhere);
  HWND question = WaitForBoxSaying(Target);
  ASSERT_NE(question, nullptr) << "the question comes after the consent";
  AnswerMessageBox(question, IDYES);
  HWND finished = WaitForBoxSaying(L"удалён", 60s);
  ASSERT_NE(finished, nullptr);
  AnswerMessageBox(finished, IDOK);
  ASSERT_TRUE(Process->WaitForExit(30s));
  EXPECT_EQ(Process->ExitCode(), 0u);
  EXPECT_FALSE(ReadEntry().Found);
  EXPECT_TRUE(WaitFor([] { return !FileExists(MachineUninstaller()); }, 15s));
}

// The top-level windows of the process that owns Box: the uninstall's main window and the application
// window that carries its task-bar button.
struct ProcessWindows {
  DWORD Process = 0;
  HWND Main = nullptr, Application = nullptr;
};
BOOL CALLBACK FindProcessWindows(HWND Wnd, LPARAM Param) {
  auto* found = reinterpret_cast<ProcessWindows*>(Param);
  DWORD process = 0;
  GetWindowThreadProcessId(Wnd, &process);
  if (process != found->Process) return TRUE;
  if (ClassName(Wnd) == L"TApplication") found->Application = Wnd;
  if (WindowText(Wnd) == L"Удаление комплекса") found->Main = Wnd;
  return TRUE;
}
ProcessWindows WindowsBeside(HWND Box) {
  ProcessWindows found;
  GetWindowThreadProcessId(Box, &found.Process);
  EnumWindows(FindProcessWindows, reinterpret_cast<LPARAM>(&found));
  return found;
}

// Every kind of close request, and whether Windows may end the session, while Box is open: each is
// answered at once, none ends the box or the program. What the session question was answered.
LRESULT RequestCloseWhileOpen(HWND Box, const char* Moment) {
  const ProcessWindows windows = WindowsBeside(Box);
  EXPECT_NE(windows.Main, nullptr) << Moment << ": no main window";
  EXPECT_NE(windows.Application, nullptr) << Moment << ": no application window";
  struct Request {
    HWND To;
    UINT Message;
    WPARAM Command;
  };
  for (const Request& request : {Request{windows.Main, WM_CLOSE, 0}, Request{windows.Main, WM_SYSCOMMAND, SC_CLOSE},
                                 Request{windows.Application, WM_SYSCOMMAND, SC_CLOSE},
                                 Request{windows.Application, WM_CLOSE, 0}}) {
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutW(request.To, request.Message, request.Command, 0, SMTO_NORMAL, 2000, &result), 0)
        << Moment << ": a close request was not handled";
  }
  DWORD_PTR session = 1;
  EXPECT_NE(SendMessageTimeoutW(windows.Main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 2000, &session), 0);
  // Whatever the requests set going has had its turn.
  std::this_thread::sleep_for(500ms);
  EXPECT_TRUE(IsWindow(Box) && IsWindowVisible(Box)) << Moment << ": a close request ended the box";
  return static_cast<LRESULT>(session);
}

// From the question to the last box the uninstall is a run that nothing may cut short: close requests
// from anywhere are refused, and Windows is asked to wait with ending the session.
TEST_F(Uninstall, CloseRequestsAreRefusedFromTheQuestionToTheLastBox) {
  Install();
  const auto temporaryBefore = TemporaryFolderNames();
  Process = std::make_unique<CommandLine>(Installed.Texts[L"UninstallString"], Elsewhere);
  HWND question = WaitForBoxSaying(Target);
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(RequestCloseWhileOpen(question, "the question"), FALSE) << "Windows is asked to wait";
  AnswerMessageBox(question, IDYES);
  HWND finished = WaitForBoxSaying(L"удалён", 60s);
  ASSERT_NE(finished, nullptr) << "a close request cut the uninstall short";
  EXPECT_EQ(RequestCloseWhileOpen(finished, "the last box"), FALSE);
  AnswerMessageBox(finished, IDOK);
  ASSERT_TRUE(Process->WaitForExit(30s));
  EXPECT_EQ(Process->ExitCode(), 0u);
  ExpectNothingLeftBehind(temporaryBefore);
  EXPECT_TRUE(WaitFor([] { return !FileExists(MachineUninstaller()); }, 15s));
  EXPECT_EQ(LastSection(Target + L"Settings\\install.log").back(), L"Удаление завершено");
  EXPECT_FALSE(ReadEntry().Found);
}

TEST_F(Uninstall, AFileHeldOpenEndsWithFourAndASecondRunCompletes) {
  Install();
  const auto temporaryBefore = TemporaryFolderNames();
  // The running suite holds its database client.
  HANDLE held = CreateFileW((Target + L"fbclient.Dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(RunToEnd(Installed.Texts[L"QuietUninstallString"]), 4u);
  CloseHandle(held);
  ExpectNothingLeftBehind(temporaryBefore);
  const std::vector<std::wstring> section = LastSection(Target + L"Settings\\install.log");
  EXPECT_TRUE(Contains(section, L"Не удалось удалить \"" + Target + L"fbclient.Dll\"")) << "the file is named";
  EXPECT_TRUE(ReadEntry().Found) << "the entry stays, so the uninstall can be run again";
  EXPECT_TRUE(FileExists(MachineUninstaller()));

  EXPECT_EQ(RunToEnd(Installed.Texts[L"QuietUninstallString"]), 0u);
  ExpectNothingLeftBehind(temporaryBefore);
  EXPECT_FALSE(FileExists(Target + L"fbclient.Dll"));
  EXPECT_FALSE(FileExists(MachineUninstaller()));
  EXPECT_FALSE(ReadEntry().Found);
}

TEST_F(Uninstall, AFolderWithoutARecordIsRefusedAndNothingRemoved) {
  const std::wstring folder = Work + L"Чужая папка\\";
  CreateDirectoryW(folder.c_str(), nullptr);
  CreateDirectoryW((folder + L"Settings").c_str(), nullptr);
  WriteBytes(folder + L"gds32.dll", "someone else's");
  WriteBytes(folder + L"Settings\\rarovu.ini", "[options]");
  const auto before = ReadTree(folder);
  const std::wstring log = Work + L"удаление.log";
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere,
                                    L"/UNINSTALL /VERYSILENT /DIR=\"" + folder + L"\" /LOG=\"" + log + L"\"");
  ASSERT_TRUE(Setup->WaitForExit(60s));
  EXPECT_EQ(Setup->ExitCode(), 4u);
  EXPECT_EQ(ReadTree(folder), before);
  const std::vector<std::wstring> lines = LogFileLines(log);
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines.back().find(L"нет записи об установке"), std::wstring::npos) << Narrow(lines.back());
  EXPECT_TRUE(WaitFor([] { return RunningTemporaryCopies().empty(); }, 15s));
}

TEST_F(Uninstall, ASilentUninstallFromTheDistributionAndAReinstallThatFindsTheKeptDatabase) {
  Install();
  WriteBytes(Target + L"DTAfb\\R12.FDB", "patients since the installation");
  // Not from the entry: the distribution's program, told the folder; only the log page shows.
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere, L"/UNINSTALL /SILENT /DIR=\"" + Target + L"\"");
  // The window shows only while the copy works: looked for until the program ends by itself.
  bool shown = false;
  const auto end = std::chrono::steady_clock::now() + 60s;
  while (!Setup->WaitForExit(2ms) && std::chrono::steady_clock::now() < end)
    shown = shown || FindWindowW(L"TFMain", L"Удаление комплекса") != nullptr;
  ASSERT_FALSE(Setup->Running()) << "the program ends by itself";
  EXPECT_TRUE(shown) << "the uninstall's progress page showed";
  EXPECT_EQ(Setup->ExitCode(), 0u);
  ASSERT_TRUE(WaitFor([&] { return !FileExists(MachineUninstaller()); }, 15s));
  EXPECT_FALSE(ReadEntry().Found);
  Install();
  const std::vector<std::wstring> section = LastSection(Target + L"Settings\\install.log");
  EXPECT_TRUE(Contains(section, L"Файл базы данных R12.FDB уже есть: он сохранён без изменений"));
  EXPECT_EQ(ReadBytes(Target + L"DTAfb\\R12.FDB"), "patients since the installation");
  EXPECT_TRUE(FileExists(Target + L"gds32.dll"));
  EXPECT_TRUE(FileExists(MachineUninstaller()));
}

// A machine-wide entry starts its uninstaller with administrator rights: neither it nor any folder above
// it lets an ordinary user write, append, delete or rename, as the system reports their security. A
// reinstall (an upgrade) keeps it so, and the uninstall after it removes it.
TEST_F(Uninstall, TheMachineWideUninstallerAndEveryFolderAboveItAreClosedToUsers) {
  Install();
  std::vector<std::wstring> paths = {MachineUninstaller(), MachineFolder() + L"install-record.txt"};
  // Each folder up to the drive's root, the root included.
  for (std::wstring folder = MachineFolder();; folder = folder.substr(0, folder.find_last_of(L'\\', folder.size() - 2) + 1)) {
    paths.push_back(folder.size() > 3 ? folder.substr(0, folder.size() - 1) : folder);
    if (folder.size() <= 3) break;
  }
  ASSERT_GE(paths.size(), 5u) << "the uninstaller, the record, its folder, Program Files, the drive's root";
  for (int round = 0; round < 2; ++round) {
    for (const std::wstring& path : paths) {
      SCOPED_TRACE(Narrow(path));
      const TSecurityReadBack security = ReadSecurity(path);
      ASSERT_TRUE(security.Read);
      EXPECT_TRUE(security.UserWrites.empty()) << Narrow(security.UserWrites.empty() ? L"" : security.UserWrites[0]);
    }
    // Ours are protected: nothing of what lies above reaches them. Debian's Wine keeps no security a
    // program sets and gives back one made from the Unix mode bits; the engine's tests judge what is set.
    if (SecurityIsKept(Work)) {
      for (const std::wstring& path : {MachineUninstaller(), MachineFolder() + L"install-record.txt", MachineFolder()})
        EXPECT_TRUE(ReadSecurity(path).Protected) << Narrow(path);
    }
    if (round == 0) Install();
  }
  EXPECT_EQ(RunToEnd(Installed.Texts[L"QuietUninstallString"]), 0u);
  EXPECT_TRUE(WaitFor([] { return !FolderExists(MachineFolder()); }, 15s));
  EXPECT_FALSE(FileExists(Target + L"gds32.dll"));
  EXPECT_FALSE(ReadEntry().Found);
}

// The temporary copy removes the uninstaller only once the program that started it has ended, however
// long that takes: the program is kept from ending (its threads held) after it started the copy, and
// the uninstaller stays until it is let go.
TEST_F(Uninstall, TheTemporaryCopyWaitsForItsParentBeforeRemovingTheUninstaller) {
  Install();
  const auto temporaryBefore = TemporaryFolderNames();
  Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere, L"/UNINSTALL /VERYSILENT /DIR=\"" + Target + L"\"");
  ASSERT_TRUE(WaitFor([] { return !RunningTemporaryCopies().empty(); }, 30s)) << "no temporary copy started";
  std::vector<HANDLE> held;
  {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);
    THREADENTRY32 thread{};
    thread.dwSize = sizeof(thread);
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread)) {
      if (thread.th32OwnerProcessID != Setup->ProcessId()) continue;
      HANDLE handle = OpenThread(THREAD_SUSPEND_RESUME, FALSE, thread.th32ThreadID);
      if (handle && SuspendThread(handle) != static_cast<DWORD>(-1)) held.push_back(handle);
    }
    CloseHandle(snapshot);
  }
  ASSERT_FALSE(held.empty()) << "the program's threads could not be held";
  // The copy has removed everything else and handed over its result by the time the log says so.
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<std::wstring> section = LastSection(Target + L"Settings\\install.log");
    return !section.empty() && section.back() == L"Удаление завершено";
  }, 60s));
  std::this_thread::sleep_for(3s);
  EXPECT_TRUE(FileExists(MachineUninstaller())) << "removed while the program that started the copy still ran";
  EXPECT_FALSE(ReadEntry().Found);
  EXPECT_TRUE(Setup->Running());
  for (HANDLE handle : held) {
    ResumeThread(handle);
    CloseHandle(handle);
  }
  ASSERT_TRUE(Setup->WaitForExit(30s));
  EXPECT_EQ(Setup->ExitCode(), 0u) << "the copy's result, handed over";
  EXPECT_TRUE(WaitFor([] { return !FileExists(MachineUninstaller()); }, 15s)) << "removed once the program ended";
  ExpectNothingLeftBehind(temporaryBefore);
}

}  // namespace
