// The same installation on every Windows the program is made for, Vista to 10, as far as Wine can play
// them: Wine reports the version named in the prefix's registry to every program started after it is set.
#include <gtest/gtest.h>

#include <cstring>
#include <iostream>
#include <map>

#include "Driver.h"
#include "E2eSupport.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

const wchar_t MainCaption[] = L"Установка комплекса";

// The Windows version Wine reports to the programs started while this lives (each reads it at its start).
class ScopedWineVersion {
 public:
  explicit ScopedWineVersion(const std::wstring& Version) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine", 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &Key, nullptr);
    wchar_t previous[64] = {};
    DWORD size = sizeof(previous) - sizeof(wchar_t);
    DWORD type = 0;
    Had = RegQueryValueExW(Key, L"Version", nullptr, &type, reinterpret_cast<BYTE*>(previous), &size) == ERROR_SUCCESS &&
          type == REG_SZ;
    Previous = previous;
    Set(Version);
  }
  ~ScopedWineVersion() {
    if (Had)
      Set(Previous);
    else
      RegDeleteValueW(Key, L"Version");
    RegCloseKey(Key);
  }

 private:
  void Set(const std::wstring& Version) {
    RegSetValueExW(Key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(Version.c_str()),
                   static_cast<DWORD>((Version.size() + 1) * sizeof(wchar_t)));
  }
  HKEY Key = nullptr;
  std::wstring Previous;
  bool Had = false;
};

// The log lines of a run, the header lines with their date and time dropped.
std::vector<std::wstring> RunLines(const std::wstring& LogFile) {
  std::vector<std::wstring> lines;
  for (const std::wstring& line : LogFileLines(LogFile))
    if (line.rfind(L"==== ", 0) != 0) lines.push_back(line);
  return lines;
}

struct Outcome {
  std::wstring Version, Seen;  // the version set, and the one a program of ours saw
  DWORD ExitCode = 0;
  std::map<std::wstring, std::string> Tree;  // the target folder without its log, its folders as "name\\"
  std::vector<std::wstring> Log;
};

class WindowsVersions : public SampleDistribution {
 protected:
  void SetUp() override {
    SampleDistribution::SetUp();
    Target = Work + L"Программы клиники\\";
  }
  // The version GetVersionEx gives a program with the setup program's manifest, started as Install.exe is.
  std::wstring SeenVersion() {
    const std::wstring answer = Work + L"версия.txt";
    DeleteFileW(answer.c_str());
    Program probe(UnixToWindowsPath(VERSION_PROBE_UNIX_PATH), Elsewhere, answer);
    if (!probe.WaitForExit(20s) || probe.ExitCode() != 0) return L"<no answer>";
    return ReadText(answer);
  }
  // What an installation left, and the target moved aside so the next one starts as this one did.
  Outcome Collect(const std::wstring& Version, const std::wstring& Seen, DWORD ExitCode) {
    Outcome outcome{Version, Seen, ExitCode, ReadTree(Target), RunLines(Target + L"Settings\\install.log")};
    outcome.Tree.erase(L"Settings\\install.log");
    EXPECT_TRUE(MoveFileW(Target.c_str(), (Work + L"установлено " + Version).c_str())) << Narrow(Version);
    RemoveInstalledFonts();
    return outcome;
  }
  // The last-number record holds the moment of its installation after the number: the same number, and
  // moments minutes apart at most.
  static void ExpectSameLastNumber(const std::string& First, const std::string& Other) {
    ASSERT_EQ(First.size(), 14u);
    ASSERT_EQ(Other.size(), 14u);
    EXPECT_EQ(Other.substr(0, 6), First.substr(0, 6)) << "lastnum.dta";
    double firstMoment = 0, otherMoment = 0;
    std::memcpy(&firstMoment, First.data() + 6, sizeof(double));
    std::memcpy(&otherMoment, Other.data() + 6, sizeof(double));
    EXPECT_NEAR(otherMoment, firstMoment, 10.0 / (24 * 60)) << "lastnum.dta, in days";
  }
  static void ExpectSame(const Outcome& First, const Outcome& Other) {
    SCOPED_TRACE(Narrow(Other.Version) + " against " + Narrow(First.Version));
    EXPECT_EQ(Other.Log, First.Log);
    for (const auto& [name, bytes] : First.Tree) {
      const auto other = Other.Tree.find(name);
      if (other == Other.Tree.end())
        ADD_FAILURE() << "missing " << Narrow(name);
      else if (name == L"Settings\\lastnum.dta")
        ExpectSameLastNumber(bytes, other->second);
      else
        EXPECT_TRUE(other->second == bytes) << "differs: " << Narrow(name);
    }
    for (const auto& entry : Other.Tree)
      EXPECT_TRUE(First.Tree.count(entry.first)) << "more: " << Narrow(entry.first);
  }
  std::wstring Target;
};

struct VersionCase {
  const wchar_t* WineName;  // the prefix's setting
  const wchar_t* Reported;  // the start of what GetVersionEx then answers
};
const VersionCase Versions[] = {{L"vista", L"6.0."}, {L"win7", L"6.1."}, {L"win10", L"10.0."}};

TEST_F(WindowsVersions, UnattendedInstallationIsTheSameOnVistaSevenAndTen) {
  std::vector<Outcome> outcomes;
  for (const VersionCase& version : Versions) {
    SCOPED_TRACE(Narrow(version.WineName));
    const ScopedWineVersion windows(version.WineName);
    const std::wstring seen = SeenVersion();
    // The setting took effect: otherwise every run would be the same Windows.
    EXPECT_EQ(seen.rfind(version.Reported, 0), 0u) << "reported " << Narrow(seen);
    Program setup(Dist + L"Install.exe", Elsewhere, L"/VERYSILENT /DIR=\"" + Target + L"\"");
    ASSERT_TRUE(setup.WaitForExit(120s)) << "the installation did not end";
    outcomes.push_back(Collect(version.WineName, seen, setup.ExitCode()));
  }
  for (const Outcome& outcome : outcomes) {
    EXPECT_EQ(outcome.ExitCode, 0u) << Narrow(outcome.Version);
    std::cout << Narrow(outcome.Version) << ": GetVersionEx " << Narrow(outcome.Seen) << ", exit code "
              << outcome.ExitCode << ", " << outcome.Tree.size() << " files, " << outcome.Log.size()
              << " log lines\n";
  }
  // A real installation, not an empty one three times.
  const Outcome& first = outcomes.front();
  ASSERT_GE(first.Log.size(), 26u);
  for (const Deployed& file : DeployedFiles())
    EXPECT_TRUE(first.Tree.count(file.To + file.Name)) << Narrow(file.Name);
  EXPECT_TRUE(first.Tree.count(L"FTDIDriverInstall\\FTDIDriverInstall.record")) << "the driver installer ran";
  for (size_t i = 1; i < outcomes.size(); ++i) ExpectSame(first, outcomes[i]);
}

// The wizard on the oldest of them: the operator's walk installs what an unattended run installs.
TEST_F(WindowsVersions, WizardInstallsOnVistaAsUnattendedDoes) {
  const ScopedWineVersion windows(L"vista");
  ASSERT_EQ(SeenVersion().rfind(L"6.0.", 0), 0u);
  Outcome unattended;
  {
    Program setup(Dist + L"Install.exe", Elsewhere, L"/VERYSILENT /DIR=\"" + Target + L"\"");
    ASSERT_TRUE(setup.WaitForExit(120s));
    unattended = Collect(L"vista unattended", L"", setup.ExitCode());
    ASSERT_EQ(unattended.ExitCode, 0u);
  }

  Program setup(Dist + L"Install.exe", Elsewhere);
  HWND main = setup.WaitForWindowByCaption(MainCaption);
  ASSERT_NE(main, nullptr);
  const auto press = [&](const std::wstring& Caption) {
    HWND button = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (button = FindVisibleByText(main, Caption)) && IsWindowEnabled(button); }, 30s))
        << "no button " << Narrow(Caption);
    Click(button);
  };
  press(L"Далее");
  HWND path = nullptr;
  ASSERT_TRUE(WaitFor([&] {
    for (HWND w : VisibleChildren(main))
      if (ClassName(w) == L"Edit" && !(GetWindowLongW(w, GWL_STYLE) & ES_READONLY)) path = w;
    return path != nullptr;
  }));
  SetText(path, Target);
  press(L"Далее");
  HWND notice = setup.WaitForWindowByClass(L"TFMessageform");
  ASSERT_NE(notice, nullptr) << "no driver notice";
  HWND ok = FindVisibleByText(notice, L"OK");
  ASSERT_NE(ok, nullptr);
  Click(ok);
  press(L"Начать установку");
  HWND question = setup.WaitForMessageBox(30s);
  ASSERT_NE(question, nullptr) << "no driver question";
  AnswerMessageBox(question, IDYES);
  // Small fonts: the run ends on the large-font page, whose exit ends the program.
  press(L"Выход");
  ASSERT_TRUE(setup.WaitForExit(20s));
  const Outcome wizard = Collect(L"vista wizard", L"", setup.ExitCode());
  EXPECT_EQ(wizard.ExitCode, 0u);
  // The unattended log has one line more at its end: the large-font advice instead of the page.
  Outcome expected = unattended;
  ASSERT_FALSE(expected.Log.empty());
  expected.Log.pop_back();
  expected.Version = L"vista unattended, without the advice";
  ExpectSame(expected, wizard);
}

}  // namespace
