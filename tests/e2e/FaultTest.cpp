// Faults of the distribution, of the target folder and of its drive, on the real Install.exe: what the
// operator is shown or the log keeps, and that nothing the clinic already had is lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>

#include "WizardFixture.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const wchar_t LinkName[] = L"\\Ритмон - Vidoze.lnk";

bool StartsWith(const std::wstring& Text, const std::wstring& Start) { return Text.rfind(Start, 0) == 0; }

bool Contains(const std::vector<std::wstring>& Lines, const std::wstring& Line) {
  return std::find(Lines.begin(), Lines.end(), Line) != Lines.end();
}

// The system's words for an error, as the program puts them after a file name.
std::wstring SystemText(DWORD Code) {
  wchar_t text[1024] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Code, 0,
                                      text, 1024, nullptr);
  std::wstring result(text, length);
  while (!result.empty() && (result.back() == L' ' || result.back() == L'\r' || result.back() == L'\n' ||
                             result.back() == L'.'))
    result.pop_back();
  return result;
}

bool IsReadOnly(const std::wstring& Path) {
  const DWORD attributes = GetFileAttributesW(Path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// ---------------------------------------------------------------------------------------------------
// Scratch drives: a size-limited tmpfs mapped as a drive letter of the test prefix. Mounting is a Unix
// matter, so the test starts this script as a Unix program through Wine (which gives no handle to wait
// on: the script's status comes back through a file). Under a user that may not mount, the drive is not
// made and the cases that need it are skipped.
const char DriveScript[] = R"SH(# Scratch drive of the setup program's fault tests. $1: mount, readonly or remove;
# $2: the folder of the drive's files; $3: the Wine prefix; $4: the size (mount).
PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
action=$1 home=$2 devices=$3/dosdevices
point=$home/drive
remove() {
  # Only links to our mount point go: the prefix's own drives stay.
  for link in "$devices"/?:; do
    if [ -L "$link" ] && [ "$(readlink "$link")" = "$point" ]; then rm -f "$link"; fi
  done
  while mountpoint -q "$point"; do umount "$point" 2>/dev/null || umount -l "$point" || return 1; done
  [ ! -d "$point" ] || rmdir "$point"
}
mount_drive() {
  rm -f "$home/letter"
  remove || return 1
  mkdir -p "$point" && mount -t tmpfs -o "size=$1,mode=0777" tmpfs "$point" || return 1
  for letter in t s r q p o n m l k; do
    if [ ! -e "$devices/$letter:" ] && [ ! -L "$devices/$letter:" ]; then
      ln -s "$point" "$devices/$letter:" && echo "$letter" >"$home/letter" && return 0
    fi
  done
  echo "no free drive letter in $devices" >&2
  remove
  return 1
}
case $action in
  mount) mount_drive "$4" ;;
  readonly) mount -o remount,ro "$point" ;;
  remove) remove ;;
esac >"$home/log" 2>&1
echo $? >"$home/status.tmp" && mv "$home/status.tmp" "$home/status"
)SH";

class ScratchDrive {
 public:
  // Size as mount takes it ("4m").
  explicit ScratchDrive(const char* Size) {
    wchar_t prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) {
      Problem = "not under Wine with WINEPREFIX set";
      return;
    }
    Prefix = prefix;
    while (!Prefix.empty() && Prefix.back() == L'/') Prefix.pop_back();
    // Beside the prefix, so a prefix made anew never deletes into a mount left by a killed run.
    HomeUnix = Prefix + L".fault-drive";
    Home = UnixToWindows(HomeUnix) + L"\\";
    CreateDirectoryW(Home.c_str(), nullptr);
    WriteBytes(Home + L"drive.sh", DriveScript);
    if (!Shell(L"mount", Size)) {
      Problem = "mounting a " + std::string(Size) + " tmpfs was refused (needs root): " + Narrow(ScriptLog());
      return;
    }
    const std::string letter = ReadBytes(Home + L"letter");
    if (letter.empty() || letter[0] < 'a' || letter[0] > 'z') {
      Problem = "the script mapped no drive letter";
      return;
    }
    Drive = std::wstring(1, static_cast<wchar_t>(letter[0] - 'a' + 'A')) + L":\\";
    if (!WaitFor([&] { return FolderExists(Drive); }, 5s)) Problem = "Wine does not see the new drive";
  }
  ~ScratchDrive() {
    if (!HomeUnix.empty()) Shell(L"remove");
  }
  ScratchDrive(const ScratchDrive&) = delete;
  ScratchDrive& operator=(const ScratchDrive&) = delete;

  bool Ready() const { return Problem.empty(); }
  const std::string& Why() const { return Problem; }
  const std::wstring& Root() const { return Drive; }  // "T:\"
  bool MakeReadOnly() { return Shell(L"readonly"); }
  void RemoveFiller() { DeleteFileW((Drive + L"filler.bin").c_str()); }

  // Fills the drive to its last byte with a file of its own, then gives back Free bytes.
  void LeaveFree(DWORD Free) {
    const std::wstring filler = Drive + L"filler.bin";
    HANDLE file = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::string block(64 * 1024, 'F');
    long long size = 0;
    for (DWORD written = 0; WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
                            written == block.size();)
      size += written;
    // The last block may have been written in part.
    LARGE_INTEGER end{};
    SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_END);
    size = end.QuadPart;
    LARGE_INTEGER shorter{};
    shorter.QuadPart = size > Free ? size - Free : 0;
    SetFilePointerEx(file, shorter, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_GT(size, 0);
  }

 private:
  static std::wstring UnixToWindows(const std::wstring& Unix) {
    std::wstring path = L"Z:" + Unix;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
  }
  std::wstring ScriptLog() const { return Widen(ReadBytes(Home + L"log")); }

  bool Shell(const std::wstring& Action, const char* Size = "") {
    const std::wstring status = Home + L"status";
    DeleteFileW(status.c_str());
    std::wstring commandLine = L"sh \"" + HomeUnix + L"/drive.sh\" " + Action + L" \"" + HomeUnix + L"\" \"" + Prefix +
                               L"\" " + Widen(Size);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
      return false;
    if (started.hThread) CloseHandle(started.hThread);
    if (started.hProcess) CloseHandle(started.hProcess);
    if (!WaitFor([&] { return FileExists(status); }, 20s)) return false;
    return ReadBytes(status).rfind("0", 0) == 0;
  }

  std::wstring Prefix, HomeUnix, Home, Drive;
  std::string Problem;
};

// ---------------------------------------------------------------------------------------------------

// What a clinic keeps in an installation and must find again after any failed run: its settings, its
// reference lists, its record numbering, its database, the updater's own files and the log of its runs.
const wchar_t* const ClinicFiles[] = {L"Settings\\rarovu.ini", L"Settings\\uca.nsi", L"Settings\\wra.nsi",
                                      L"Settings\\lastnum.dta", L"DTAfb\\R12.FDB",    L"ReleaseInfo",
                                      L"Updater.exe.cfg",      L"Settings\\install.log"};

using Snapshot = std::map<std::wstring, std::string>;

class Fault : public Wizard {
 protected:
  // The wizard is started by the test that wants it, after its fault is laid.
  void SetUp() override {
    SampleDistribution::SetUp();
    // These faults change the distribution on purpose, as in one made before checksum lists; a listed one
    // has its own tests.
    DropChecksumList(Dist);
    Log = Work + L"журнал установки.log";
    // A desktop link of an earlier test is put back at the end; ours never stays.
    LinkBefore = ReadBytes(DesktopFolder() + LinkName);
    DeleteFileW((DesktopFolder() + LinkName).c_str());
  }
  void TearDown() override {
    Setup.reset();
    DeleteFileW((DesktopFolder() + LinkName).c_str());
    if (!LinkBefore.empty()) WriteBytes(DesktopFolder() + LinkName, LinkBefore);
    Wizard::TearDown();
  }

  // An unattended run without the driver, its log also in Log; the exit code, or 99 when it hung.
  DWORD RunSilent(const std::wstring& Target) {
    Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere,
                                      L"/VERYSILENT /NODRIVER /DIR=\"" + Target + L"\" /LOG=\"" + Log + L"\"");
    if (!Setup->WaitForExit(90s)) return 99;
    return Setup->ExitCode();
  }
  // The lines of the last run in Log, its header left out.
  std::vector<std::wstring> LastRun() const { return LastRunLines(Log); }

  // A complete earlier installation into Target, then used by the clinic: its own settings, filled
  // reference lists and patients in the database.
  void InstallEarlier(const std::wstring& Target) {
    ASSERT_EQ(RunSilent(Target), 0u) << "the earlier installation failed";
    const std::wstring ini = Target + L"Settings\\rarovu.ini";
    WriteBytes(ini, ReadBytes(ini) + "[Clinic]\r\nName=Polyclinic 3\r\nPrinter=Cardio-1\r\n");
    std::string list(840, '\0');
    list.replace(0, 14, "\x01Holter 2 ch.\0", 14);
    WriteBytes(Target + L"Settings\\uca.nsi", list);
    WriteBytes(Target + L"DTAfb\\R12.FDB", "patients of the clinic since the last installation");
  }
  static Snapshot Keep(const std::wstring& Target) {
    Snapshot kept;
    for (const wchar_t* name : ClinicFiles) kept[name] = ReadBytes(Target + name);
    return kept;
  }
  static void ExpectKept(const std::wstring& Target, const Snapshot& Kept) {
    for (const auto& [name, bytes] : Kept) {
      EXPECT_FALSE(bytes.empty()) << Narrow(name) << " was not there to keep";
      // The log only ever grows: the runs before stay as they were written.
      if (name == L"Settings\\install.log")
        EXPECT_EQ(ReadBytes(Target + name).compare(0, bytes.size(), bytes), 0) << "earlier runs' log lost";
      else
        EXPECT_EQ(ReadBytes(Target + name), bytes) << Narrow(name) << " changed";
    }
    EXPECT_FALSE(FileExists(Target + L"Settings\\rarovu.ini.tmp")) << "a half-written settings file stayed";
  }

  // Every database stage file in the target replaced by a marker, so what a run rewrites shows.
  static void MarkDeployed(const std::wstring& Target) {
    for (const Deployed& file : DeployedFiles())
      if (file.Name != L"R12.FDB") WriteBytes(Target + file.To + file.Name, "earlier " + Narrow(file.Name));
  }
  // Files before Failed are the distribution's, Failed and those after it keep the marker.
  void ExpectCopiedUpTo(const std::wstring& Target, const std::wstring& Failed) {
    bool reached = false;
    for (const Deployed& file : DeployedFiles()) {
      if (file.Name == L"R12.FDB") continue;
      reached = reached || file.Name == Failed;
      const std::string expected = reached ? "earlier " + Narrow(file.Name) : ReadBytes(Dist + file.From + file.Name);
      EXPECT_EQ(ReadBytes(Target + file.To + file.Name), expected) << Narrow(file.Name);
    }
    EXPECT_TRUE(reached) << Narrow(Failed) << " is not a database stage file";
  }

  // The end of a run ended by an error: the error is the last line, and the last step line (the
  // running one) has no outcome word.
  void ExpectEndedBy(const std::wstring& Error, const std::wstring& RunningLine) {
    const std::vector<std::wstring> lines = LastRun();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), Error);
    std::wstring lastStep;
    for (const std::wstring& line : lines)
      if (StartsWith(line, L"Копирование файла ") || StartsWith(line, L"Создание настроечных файлов")) lastStep = line;
    EXPECT_EQ(lastStep, RunningLine);
    for (const std::wstring& line : lines) EXPECT_EQ(line.find(L"ОШИБКА!!!"), std::wstring::npos) << Narrow(line);
  }

  void ExpectComplete(const std::wstring& Target) {
    for (const Deployed& file : DeployedFiles()) {
      if (file.Name == L"R12.FDB") continue;
      EXPECT_EQ(ReadBytes(Target + file.To + file.Name), ReadBytes(Dist + file.From + file.Name)) << Narrow(file.Name);
    }
    EXPECT_NE(ReadText(Target + L"ReleaseInfo").find(L"<Level>011226</Level>"), std::wstring::npos);
    EXPECT_TRUE(FileExists(Target + L"Vidoze.exe"));
    EXPECT_EQ(ReadShellLink(DesktopFolder() + LinkName).Path, Target + L"Vidoze.exe");
  }

  // --- the wizard ---
  // After a run ended early: the exit button stays off, the close box ends the program; its exit code.
  DWORD CloseAfterEarlyEnd() {
    HWND exitButton = FindVisibleByText(Main, L"Выход");
    EXPECT_NE(exitButton, nullptr);
    if (exitButton) {
      EXPECT_FALSE(IsWindowEnabled(exitButton));
    }
    PostMessageW(Main, WM_CLOSE, 0, 0);
    if (!Setup->WaitForExit(10s)) return 99;
    return Setup->ExitCode();
  }

  std::wstring Log;

 private:
  std::string LinkBefore;
};

// ===== The distribution is damaged =====================================================================

TEST_F(Fault, MissingRuntimeFileEndsTheRunWithItsErrorAndTheRepairedDistributionInstalls) {
  const std::wstring target = Work + L"Клиника\\";
  const std::wstring missing = Dist + L"Firebird\\icuuc30.Dll";
  const std::string original = ReadBytes(missing);
  ASSERT_TRUE(DeleteFileW(missing.c_str()));

  OpenWizard();
  StartInstallation(target, DriverBox::Cleared);
  const std::wstring error = Answer(IDOK, L"30-fault-runtime-file-missing", 60s);
  EXPECT_EQ(error, L"Cannot open file \"" + missing + L"\". " + SystemText(ERROR_FILE_NOT_FOUND));
  const std::vector<std::wstring> screen = LogLines();
  ASSERT_FALSE(screen.empty());
  EXPECT_EQ(screen.back(), L"Копирование файла icuuc30.Dll....") << "the running line keeps no outcome word";
  EXPECT_EQ(CloseAfterEarlyEnd(), 4u);
  // What was copied before it stays; nothing after it was copied.
  EXPECT_EQ(ReadBytes(target + L"icuin30.Dll"), ReadBytes(Dist + L"Firebird\\icuin30.Dll"));
  for (const wchar_t* name : {L"icuuc30.Dll", L"msvcp80.Dll", L"gds32.dll", L"intl\\fbintl.dll", L"udf\\Olvexa.Dll"})
    EXPECT_FALSE(FileExists(target + name)) << Narrow(name);
  EXPECT_FALSE(FileExists(DesktopFolder() + LinkName));
  const std::vector<std::wstring> file = LogFileLines(target + L"Settings\\install.log");
  ASSERT_FALSE(file.empty());
  EXPECT_EQ(file.back(), error) << "support staff find the error in the log file";

  // Repaired, the same installation goes through.
  WriteBytes(missing, original);
  EXPECT_EQ(RunSilent(target), 0u);
  ExpectComplete(target);
}

TEST_F(Fault, MissingFontFileIsANoticeTheOtherFontsFollowAndTheInstallationCompletes) {
  const std::wstring target = Work + L"Клиника\\";
  const std::wstring missing = Dist + L"fonts\\COUR.TTF";
  const std::string original = ReadBytes(missing);
  ASSERT_TRUE(DeleteFileW(missing.c_str()));
  wchar_t windows[MAX_PATH] = {};
  GetWindowsDirectoryW(windows, MAX_PATH);
  const std::wstring fonts = std::wstring(windows) + L"\\Fonts\\";

  // The missing font is said with its cause; the fonts after it are installed; the installation goes on to
  // its end.
  ASSERT_EQ(RunSilent(target), 0u);
  std::vector<std::wstring> fontLines;
  for (const std::wstring& line : LastRun())
    if (StartsWith(line, L"Шрифт ")) fontLines.push_back(line);
  ASSERT_EQ(fontLines.size(), 6u);
  const std::wstring notice = L"Шрифт COUR.TTF не установлен: Cannot open file \"" + missing + L"\". ";
  EXPECT_EQ(fontLines[2].substr(0, notice.size()), notice) << Narrow(fontLines[2]);
  fontLines.erase(fontLines.begin() + 2);
  EXPECT_EQ(fontLines, (std::vector<std::wstring>{L"Шрифт <Liberation Sans> уcтановлен",
                                                   L"Шрифт <Liberation Sans Narrow> уcтановлен",
                                                   L"Шрифт <DejaVu Sans Condensed> уcтановлен",
                                                   L"Шрифт <Liberation Serif> уcтановлен",
                                                   L"Шрифт <DejaVu Sans> уcтановлен"}));
  EXPECT_FALSE(FileExists(fonts + L"COUR.TTF"));
  for (const wchar_t* name : {L"MICROSS.TTF", L"TIMES.TTF", L"verdana.TTF"})
    EXPECT_TRUE(FileExists(fonts + name)) << Narrow(name);
  ExpectComplete(target);

  // Repaired, the next run installs the font it left out.
  WriteBytes(missing, original);
  ASSERT_EQ(RunSilent(target), 0u);
  fontLines.clear();
  for (const std::wstring& line : LastRun())
    if (StartsWith(line, L"Шрифт ")) fontLines.push_back(line);
  EXPECT_EQ(fontLines, std::vector<std::wstring>{L"Шрифт <Liberation Mono> уcтановлен"});
  EXPECT_TRUE(FileExists(fonts + L"COUR.TTF"));
}

// Moves a folder of the distribution aside and brings it back.
void MoveFolder(const std::wstring& From, const std::wstring& To) {
  ASSERT_TRUE(MoveFileW(From.c_str(), To.c_str())) << Narrow(From);
}

TEST_F(Fault, DistributionWithoutReleaseLevelsEndsBeforeTheShortcut) {
  struct Case {
    const char* What;
    bool KeepWithOutAnswer;
  };
  for (const Case& c : {Case{"only WithOutAnswer under backup", true}, Case{"no backup folder", false}}) {
    SCOPED_TRACE(c.What);
    const std::wstring target = Work + Widen(c.What) + L"\\";
    const std::wstring aside = Work + L"backup aside\\";
    CreateDirectoryW(aside.c_str(), nullptr);
    for (const wchar_t* level : {L"L011226", L"L150326"}) MoveFolder(Dist + L"backup\\" + level, aside + level);
    if (!c.KeepWithOutAnswer) MoveFolder(Dist + L"backup\\WithOutAnswer", aside + L"WithOutAnswer");

    ASSERT_EQ(RunSilent(target), 4u);
    ExpectEndedBy(L"Не найден ни один уровень выпуска в папке \"" + target + L"backup\\\"",
                  L"Копирование файла Olvexa.Dll....Завершено");
    // Everything before the stage is in place; no level ran, none is recorded, no desktop link.
    for (const Deployed& file : DeployedFiles()) EXPECT_TRUE(FileExists(target + file.To + file.Name)) << Narrow(file.Name);
    EXPECT_FALSE(FileExists(target + L"Vidoze.exe"));
    EXPECT_EQ(ReadBytes(target + L"ReleaseInfo"), ReadBytes(Dist + L"Updater\\ReleaseInfo"));
    EXPECT_FALSE(FileExists(DesktopFolder() + LinkName));

    for (const wchar_t* level : {L"L011226", L"L150326"}) MoveFolder(aside + level, Dist + L"backup\\" + level);
    if (!c.KeepWithOutAnswer) MoveFolder(aside + L"WithOutAnswer", Dist + L"backup\\WithOutAnswer");
    RemoveDirectoryW(aside.c_str());
    EXPECT_EQ(RunSilent(target), 0u);
    ExpectComplete(target);
    DeleteFileW((DesktopFolder() + LinkName).c_str());
  }
}

TEST_F(Fault, BrokenReleaseInfoEndsTheInstallationAndIsNotWrittenTo) {
  const std::wstring releaseInfo = Dist + L"Updater\\ReleaseInfo";
  const std::string original = ReadBytes(releaseInfo);
  struct Case {
    const char* What;
    std::string Content;  // empty: the file is missing
    std::wstring Error;
  };
  const std::wstring prefix = L"Cannot get release information, error: ";
  const Case cases[] = {
      {"version 2", "<?xml version=\"1.0\"?>\r\n<ROOT><Version>2</Version><Level></Level></ROOT>\r\n",
       prefix + L"unknown release file version"},
      {"cut off", "<?xml version=\"1.0\"?>\r\n<ROOT><Version>1</Version><Lev", prefix + L"the file cannot be read as XML"},
      {"no Level", "<?xml version=\"1.0\"?>\r\n<ROOT><Version>1</Version></ROOT>\r\n",
       prefix + L"the file has no Level element"},
      {"missing", "", L"Release info file does not exist"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    const std::wstring target = Work + Widen(c.What) + L"\\";
    if (c.Content.empty())
      DeleteFileW(releaseInfo.c_str());
    else
      WriteBytes(releaseInfo, c.Content);

    ASSERT_EQ(RunSilent(target), 4u);
    const std::vector<std::wstring> lines = LastRun();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(StartsWith(lines.back(), c.Error)) << Narrow(lines.back());
    // The level's script ran; the file is as the distribution brought it; no desktop link.
    EXPECT_TRUE(FileExists(target + L"Vidoze.exe"));
    EXPECT_EQ(ReadBytes(target + L"ReleaseInfo"), c.Content);
    EXPECT_FALSE(FileExists(DesktopFolder() + LinkName));
    EXPECT_TRUE(FileExists(target + L"udf\\Olvexa.Dll"));

    WriteBytes(releaseInfo, original);
    EXPECT_EQ(RunSilent(target), 0u);
    ExpectComplete(target);
    DeleteFileW((DesktopFolder() + LinkName).c_str());
  }
}

// ===== A file of the target is held open by a running program ===========================================

TEST_F(Fault, RuntimeLibraryHeldOpenEndsTheRunAndARerunAfterwardsCompletes) {
  const std::wstring target = Work + L"Клиника\\";
  InstallEarlier(target);
  if (HasFatalFailure()) return;
  MarkDeployed(target);
  const Snapshot kept = Keep(target);
  const std::wstring held = target + L"fbclient.Dll";
  // Another program has the library open without sharing, as a running database server would.
  HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  OpenWizard();
  StartInstallation(target, DriverBox::Cleared);
  const std::wstring error = Answer(IDOK, L"31-fault-library-held-open", 60s);
  EXPECT_EQ(error, L"Cannot create file \"" + held + L"\". " + SystemText(ERROR_SHARING_VIOLATION));
  const std::vector<std::wstring> screen = LogLines();
  ASSERT_FALSE(screen.empty());
  EXPECT_EQ(screen.back(), L"Копирование файла fbclient.Dll....");
  EXPECT_EQ(CloseAfterEarlyEnd(), 4u);
  CloseHandle(holder);
  // Only the two files before it were copied again; the held one and all after it are untouched.
  ExpectCopiedUpTo(target, L"fbclient.Dll");
  ExpectKept(target, kept);

  // Once the program has let go, the installation goes through.
  EXPECT_EQ(RunSilent(target), 0u);
  ExpectComplete(target);
  ExpectKept(target, kept);
}

// ===== Read-only places ==================================================================================

TEST_F(Fault, ReadOnlySettingsFileEndsTheRunBeforeAnyCopyAndStaysAsItWas) {
  const std::wstring target = Work + L"Клиника\\";
  InstallEarlier(target);
  if (HasFatalFailure()) return;
  MarkDeployed(target);
  const std::wstring ini = target + L"Settings\\rarovu.ini";
  ASSERT_TRUE(SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY));
  const Snapshot kept = Keep(target);

  OpenWizard();
  StartInstallation(target, DriverBox::Cleared);
  const std::wstring error = Answer(IDOK, L"32-fault-settings-read-only", 60s);
  EXPECT_EQ(error, L"Cannot create file \"" + ini + L"\". " + SystemText(ERROR_ACCESS_DENIED));
  EXPECT_TRUE(LogLines().empty()) << "the settings keys come before the first log line";
  EXPECT_EQ(CloseAfterEarlyEnd(), 4u);
  ExpectKept(target, kept);
  EXPECT_TRUE(IsReadOnly(ini));
  ExpectCopiedUpTo(target, L"aliases.conf");
}

TEST_F(Fault, ReadOnlyFileInUdfEndsTheRunAtItsCopy) {
  for (const wchar_t* name : {L"fbudf.dll", L"Varnel.Dll"}) {
    SCOPED_TRACE(Narrow(name));
    const std::wstring target = Work + name + L"\\";
    InstallEarlier(target);
    if (HasFatalFailure()) return;
    MarkDeployed(target);
    const std::wstring readOnly = target + L"udf\\" + name;
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    const Snapshot kept = Keep(target);

    EXPECT_EQ(RunSilent(target), 4u);
    ExpectEndedBy(L"Cannot create file \"" + readOnly + L"\". " + SystemText(ERROR_ACCESS_DENIED),
                  L"Копирование файла " + std::wstring(name) + L"....");
    ExpectCopiedUpTo(target, name);
    EXPECT_TRUE(IsReadOnly(readOnly));
    ExpectKept(target, kept);
  }
}

TEST_F(Fault, NewTargetOnAReadOnlyDriveCannotBeCreated) {
  ScratchDrive drive("4m");
  if (!drive.Ready()) GTEST_SKIP() << "no scratch drive: " << drive.Why();
  ASSERT_TRUE(drive.MakeReadOnly());
  const std::wstring target = drive.Root() + L"Клиника\\";

  OpenWizard();
  StartInstallation(target, DriverBox::Cleared);
  EXPECT_EQ(Answer(IDOK, L"33-fault-read-only-drive", 60s), L"Ошибка при создании каталога!");
  EXPECT_EQ(LogLines(), std::vector<std::wstring>{L"Ошибка при создании каталога!"});
  EXPECT_EQ(CloseAfterEarlyEnd(), 3u);
  EXPECT_FALSE(FolderExists(target));
}

TEST_F(Fault, InstallationOnADriveMadeReadOnlyEndsAtTheSettingsAndKeepsEverything) {
  // Room for the reinstallation's own check to pass, whatever the program's size: the drive's refusal is
  // what this run must meet.
  ScratchDrive drive("8m");
  if (!drive.Ready()) GTEST_SKIP() << "no scratch drive: " << drive.Why();
  const std::wstring target = drive.Root() + L"Клиника\\";
  InstallEarlier(target);
  if (HasFatalFailure()) return;
  const Snapshot kept = Keep(target);
  ASSERT_TRUE(drive.MakeReadOnly());

  EXPECT_EQ(RunSilent(target), 4u);
  const std::vector<std::wstring> lines = LastRun();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(StartsWith(lines.back(), L"Cannot create file \"" + target + L"Settings\\rarovu.ini\". "))
      << Narrow(lines.back());
  ExpectKept(target, kept);
}

// ===== The target's drive has no room =====================================================================

// The figures as the program shows them, for the drive a folder lies on.
unsigned long long FreeMebibytes(const std::wstring& Folder) {
  ULARGE_INTEGER free{};
  GetDiskFreeSpaceExW(Folder.c_str(), &free, nullptr, nullptr);
  return free.QuadPart >> 20;
}

TEST_F(Fault, NoRoomOnTheTargetDriveEndsAnUnattendedRunWithExitSixBeforeAnythingIsWritten) {
  ScratchDrive drive("8m");
  if (!drive.Ready()) GTEST_SKIP() << "no scratch drive: " << drive.Why();
  // A database larger than the drive.
  WriteBytes(Dist + L"DTAfb\\R12.FDB", std::string(12 << 20, 'D'));
  const std::wstring target = drive.Root() + L"Клиника\\";
  const auto before = ReadTree(drive.Root());

  EXPECT_EQ(RunSilent(target), 6u);
  EXPECT_EQ(ReadTree(drive.Root()), before) << "something was written on the drive";
  const std::vector<std::wstring> lines = LastRun();
  ASSERT_FALSE(lines.empty());
  const std::wstring figures = L"Требуется на диске " + drive.Root().substr(0, 2) + L" ";
  EXPECT_NE(lines.back().find(figures), std::wstring::npos) << Narrow(lines.back());
  EXPECT_NE(lines.back().find(L" МБ, свободно " + std::to_wstring(FreeMebibytes(drive.Root())) + L" МБ"),
            std::wstring::npos)
      << Narrow(lines.back());
  for (const std::wstring& line : lines) EXPECT_EQ(line.find(L"Копирование"), std::wstring::npos) << Narrow(line);

  // A database that fits: the same drive takes the installation.
  WriteBytes(Dist + L"DTAfb\\R12.FDB", std::string(64 << 10, 'D'));
  EXPECT_EQ(RunSilent(target), 0u);
  ExpectComplete(target);
}

TEST_F(Fault, FolderPageShowsTheRoomOfTheChosenDriveAndRefusesOneWithoutIt) {
  ScratchDrive drive("8m");
  if (!drive.Ready()) GTEST_SKIP() << "no scratch drive: " << drive.Why();
  WriteBytes(Dist + L"DTAfb\\R12.FDB", std::string(12 << 20, 'D'));
  const std::wstring small = drive.Root() + L"Клиника\\";
  const std::wstring letter = drive.Root().substr(0, 2);
  for (const DWORD dpi : {96u, 120u}) {
    SCOPED_TRACE(dpi);
    const ScopedScreenDpi screen(dpi);
    Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere);
    HWND main = Setup->WaitForWindowByCaption(MainCaption);
    ASSERT_NE(main, nullptr);
    Click(FindVisibleByText(main, L"Далее"));
    ASSERT_TRUE(WaitFor([&] { return IsShown(FindFolderBox(main)); }));
    const auto room = [&] {
      for (const std::wstring& text : VisibleTexts(main, L"TLabel"))
        if (StartsWith(text, L"Требуется на диске ")) return text;
      return std::wstring();
    };
    // The default folder's drive first, then the small one as the path is typed.
    EXPECT_TRUE(WaitFor([&] { return StartsWith(room(), L"Требуется на диске C: "); })) << Narrow(room());
    SetText(FindFolderBox(main), small);
    const std::wstring expected = L" МБ, свободно " + std::to_wstring(FreeMebibytes(drive.Root())) + L" МБ";
    ASSERT_TRUE(WaitFor([&] {
      const std::wstring text = room();
      return StartsWith(text, L"Требуется на диске " + letter + L" ") && text.find(expected) != std::wstring::npos;
    })) << Narrow(room());
    Screenshot(dpi == 96 ? L"62-folder-page-room-96dpi" : L"63-folder-page-room-120dpi");
    const std::wstring shown = room();

    Click(FindVisibleByText(main, L"Далее"));
    HWND box = Setup->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    const std::wstring text = MessageBoxText(box);
    EXPECT_NE(text.find(shown), std::wstring::npos) << Narrow(text) << " / " << Narrow(shown);
    if (dpi == 96) Screenshot(L"64-folder-page-no-room");
    AnswerMessageBox(box, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 5s));
    EXPECT_FALSE(FolderExists(small)) << "the folder was made on a drive without room";
    EXPECT_TRUE(IsShown(FindFolderBox(main))) << "the folder page stays";
    PostMessageW(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Setup->WaitForExit(15s));
  }
}

// ===== The target's drive runs full =======================================================================
// The room is checked before the run; a drive that another program fills after the check is what these
// runs stand for, with the check left out (INSTALL_TEST_NO_SPACE_CHECK).

class FilledAfterTheCheck : public Fault {
 protected:
  FilledAfterTheCheck() { DistributionSource = TEST_SEAMS_DIST_UNIX_DIR; }
  // An earlier installation on a small scratch drive, and what the clinic keeps in it.
  void SetUp() override {
    Fault::SetUp();
    if (HasFatalFailure()) return;
    Drive = std::make_unique<ScratchDrive>("4m");
    if (!Drive->Ready()) GTEST_SKIP() << "no scratch drive: " << Drive->Why();
    Target = Drive->Root() + L"Клиника\\";
    InstallEarlier(Target);
    if (HasFatalFailure()) return;
    Kept = Keep(Target);
  }
  // The drive goes before the rest, as it would at the end of the test.
  void TearDown() override {
    Drive.reset();
    Fault::TearDown();
  }
  const ScopedVariable NoSpaceCheck{L"INSTALL_TEST_NO_SPACE_CHECK", L"1"};
  std::unique_ptr<ScratchDrive> Drive;
  std::wstring Target;
  Snapshot Kept;
};

TEST_F(FilledAfterTheCheck, DiskFullDuringARuntimeCopyMarksItAndEndsTheRun) {
  // The distribution's ICU data is large; the drive has less than that left.
  WriteBytes(Dist + L"Firebird\\icudt30.Dll", std::string(512 * 1024, 'I'));
  Drive->LeaveFree(128 * 1024);

  EXPECT_EQ(RunSilent(Target), 4u);
  const std::vector<std::wstring> lines = LastRun();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), L"Копирование файла icudt30.Dll....ОШИБКА!!!");
  EXPECT_FALSE(Contains(lines, L"Копирование файла icuin30.Dll...."));
  ExpectKept(Target, Kept);

  // With room made, the next run replaces what was cut short.
  Drive->RemoveFiller();
  EXPECT_EQ(RunSilent(Target), 0u);
  ExpectComplete(Target);
  ExpectKept(Target, Kept);
}

TEST_F(FilledAfterTheCheck, DiskFullDuringAnExtensionLibraryMarksItGoesOnAndKeepsTheEarlierReleaseWhole) {
  for (const wchar_t* name : {L"Vidoze.exe", L"backup\\L011226\\Vidoze.exe"}) Kept[name] = ReadBytes(Target + name);
  // A newer release: a larger library, main program, release information and updater configuration.
  WriteBytes(Dist + L"UDF\\Olvexa.Dll", std::string(512 * 1024, 'O'));
  const auto grow = [&](const std::wstring& Name, const std::string& Tail) {
    std::string bytes = ReadBytes(Dist + Name);
    bytes.insert(Name == L"Updater\\ReleaseInfo" ? bytes.find("</ROOT>") : bytes.size(), Tail);
    WriteBytes(Dist + Name, bytes);
  };
  grow(L"Updater\\ReleaseInfo", "  <Notes>" + std::string(6000, 'n') + "</Notes>\r\n");
  grow(L"Updater\\Updater.exe.cfg", "; " + std::string(6000, 'c') + "\r\n");
  grow(L"backup\\L011226\\Vidoze.exe", std::string(64 * 1024, 'v'));
  Drive->LeaveFree(128 * 1024);

  // The library's line is marked and the installation goes on to its end; what the newer release
  // could not bring in whole stays as the earlier one had it.
  EXPECT_EQ(RunSilent(Target), 0u);
  const std::vector<std::wstring> lines = LastRun();
  EXPECT_TRUE(Contains(lines, L"Копирование файла Olvexa.Dll....ОШИБКА!!!"));
  EXPECT_TRUE(Contains(lines, L"Копирование файла Brindam.Dll....Завершено"));
  ExpectKept(Target, Kept);
  EXPECT_NE(ReadText(Target + L"ReleaseInfo").find(L"<Level>011226</Level>"), std::wstring::npos);
  for (const wchar_t* name : {L"ReleaseInfo.tmp", L"Updater.exe.cfg.tmp", L"backup\\L011226\\Vidoze.exe.tmp"})
    EXPECT_FALSE(FileExists(Target + name)) << Narrow(name);
  EXPECT_EQ(ReadShellLink(DesktopFolder() + LinkName).Path, Target + L"Vidoze.exe");
}

TEST_F(FilledAfterTheCheck, FullDriveEndsTheRunAtTheSettingsWithoutAPartialFile) {
  Drive->LeaveFree(0);

  EXPECT_EQ(RunSilent(Target), 4u);
  ExpectEndedBy(L"Cannot create file \"" + Target + L"Settings\\rarovu.ini\". " + SystemText(ERROR_DISK_FULL),
                L"");
  ExpectKept(Target, Kept);
}

}  // namespace
