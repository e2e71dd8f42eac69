// The real Install.exe cut off at chosen points of an installation over an earlier one, as a power cut
// would stop it, then run again: the clinic's data stays as it was, every settings file is whole (the old
// one or the new one), and the next installation completes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "Driver.h"
#include "E2eSupport.h"

using namespace e2e;
using namespace std::chrono_literals;

namespace {

// The exit code the program's power-cut seam ends it with (install/system/PowerCut.h).
constexpr DWORD PowerCutExitCode = 0xC07;
// Fixed so that every run cuts at the same points; POWER_CUT_SEED chooses others to explore.
constexpr unsigned DefaultSeed = 20261210;
// Cuts per point name: points met once per run are all taken.
constexpr size_t CutsPerPointName = 2;

// Sets an environment variable of this process (inherited by the programs it starts) and puts the previous
// value back at the end.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* Name, const std::wstring& Value) : FName(Name) {
    wchar_t previous[4096];
    const DWORD length = GetEnvironmentVariableW(Name, previous, 4096);
    FHad = length > 0 && length < 4096;
    if (FHad) FPrevious.assign(previous, length);
    SetEnvironmentVariableW(Name, Value.c_str());
  }
  ~ScopedEnvironment() { SetEnvironmentVariableW(FName, FHad ? FPrevious.c_str() : nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const wchar_t* FName;
  std::wstring FPrevious;
  bool FHad = false;
};

std::string Cp1251(const std::wstring& Text) {
  const int size = WideCharToMultiByte(1251, 0, Text.data(), static_cast<int>(Text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(1251, 0, Text.data(), static_cast<int>(Text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

std::string Pattern(size_t Size, unsigned Step) {
  std::string bytes(Size, '\0');
  for (size_t i = 0; i < Size; ++i) bytes[i] = static_cast<char>((i * Step + 13) % 251);
  return bytes;
}

std::vector<std::string> Lines(const std::string& Text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = Text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(Text.substr(start, end - start));
  return lines;
}

// Names of the files directly in Folder.
std::set<std::wstring> FileNames(const std::wstring& Folder) {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW((Folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.insert(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

// Equal bytes; a failure says only the sizes, the content could be large.
::testing::AssertionResult SameBytes(const std::string& Actual, const std::string& Expected) {
  if (Actual == Expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << Actual.size() << " bytes, not the expected " << Expected.size();
}

bool EndsWith(const std::wstring& Text, const std::wstring& End) {
  return Text.size() >= End.size() && Text.compare(Text.size() - End.size(), End.size(), End) == 0;
}

// The files of an earlier installation that the suite has used since, and what a new installation must
// make of them.
struct EarlierData {
  std::string Database = "R12 of the clinic, patients since the earlier installation\r\n" + Pattern(3000, 7);
  // Packed record: 0, last number 4711, a date.
  std::string LastNumber = std::string("\0\0\x67\x12\0\0\x9a\x99\x99\x99\x19\x4b\xe6\x40", 14);
  std::string UcaList = Pattern(840, 3);
  std::string SiblingSettings = Cp1251(L"[Common]\r\nDisk=D\r\n; не трогать\r\n");
  std::string OldSettings = Cp1251(
      L"; Настройки комплекса, правлены вручную\r\n[options]\r\nLanguage=RUS\r\nFilterType = 2\r\n; аппаратура\r\n"
      L"HardwareType=3\r\n\r\n[Printer]\r\nCopies=2\r\n");
  // Only the two values change; every other byte stays.
  std::string NewSettings = Cp1251(
      L"; Настройки комплекса, правлены вручную\r\n[options]\r\nLanguage=RUS\r\nFilterType = 0\r\n; аппаратура\r\n"
      L"HardwareType=1\r\n\r\n[Printer]\r\nCopies=2\r\n");
  // An earlier installation without "wra.nsi": the run creates it, so its creation is cut too.
  std::string NewWraList = std::string(840, '\0');
};

const wchar_t LinkName[] = L"\\Ритмон - Vidoze.lnk";

class PowerCut : public SampleDistribution {
 protected:
  PowerCut() { DistributionSource = TEST_SEAMS_DIST_UNIX_DIR; }
  // Every run makes the desktop link: one of an earlier test is put back at the end.
  void SetUp() override {
    SampleDistribution::SetUp();
    LinkBefore = ReadBytes(DesktopFolder() + LinkName);
  }
  void TearDown() override {
    Setup.reset();
    DeleteFileW((DesktopFolder() + LinkName).c_str());
    if (!LinkBefore.empty()) WriteBytes(DesktopFolder() + LinkName, LinkBefore);
    SampleDistribution::TearDown();
  }

  // Runs the installation into Target with the given environment; false when it did not end in time.
  bool Install(const std::wstring& Target, const std::wstring& CutAt = L"", const std::wstring& ListFile = L"") {
    const ScopedEnvironment cut(L"INSTALL_TEST_POWER_CUT", CutAt);
    const ScopedEnvironment list(L"INSTALL_TEST_POWER_CUT_LIST", ListFile);
    Setup = std::make_unique<Program>(Dist + L"Install.exe", Elsewhere,
                                      L"/VERYSILENT /NODRIVER /DIR=\"" + Target + L"\"");
    return Setup->WaitForExit(90s);
  }

  // What must hold whether or not the run got to the end.
  void ExpectDataKept(const std::wstring& Target) {
    EXPECT_TRUE(SameBytes(ReadBytes(Target + L"DTAfb\\R12.FDB"), Data.Database)) << "R12.FDB";
    EXPECT_EQ(ReadBytes(Target + L"Settings\\lastnum.dta"), Data.LastNumber) << "lastnum.dta";
    EXPECT_EQ(ReadBytes(Target + L"Settings\\uca.nsi"), Data.UcaList) << "uca.nsi";
    EXPECT_EQ(ReadBytes(Target + L"btooth.ini"), Data.SiblingSettings) << "btooth.ini (not the sibling product)";
    EXPECT_TRUE(SameBytes(ReadBytes(Target + L"Settings\\install.log").substr(0, EarlierLog.size()), EarlierLog))
        << "the earlier runs' log is kept";
  }

  void ExpectInstalled(const std::wstring& Target) {
    ExpectDataKept(Target);
    EXPECT_EQ(ReadBytes(Target + L"Settings\\rarovu.ini"), Data.NewSettings);
    EXPECT_EQ(ReadBytes(Target + L"Settings\\wra.nsi"), Data.NewWraList);
    for (const Deployed& file : DeployedFiles()) {
      if (file.Name == L"R12.FDB") continue;
      EXPECT_TRUE(SameBytes(ReadBytes(Target + file.To + file.Name), ReadBytes(Dist + file.From + file.Name)))
          << Narrow(file.Name);
    }
    for (const wchar_t* name : {L"L011226\\Install.cmd", L"L011226\\Vidoze.exe", L"L150326\\Install.cmd"})
      EXPECT_TRUE(SameBytes(ReadBytes(Target + L"backup\\" + name), ReadBytes(Dist + L"backup\\" + name))) << Narrow(name);
    EXPECT_EQ(ReadBytes(Target + L"Updater.exe.cfg"), ReadBytes(Dist + L"Updater\\Updater.exe.cfg"));
    EXPECT_TRUE(SameBytes(ReadBytes(Target + L"Vidoze.exe"), ReadBytes(Dist + L"backup\\L011226\\Vidoze.exe")));
    EXPECT_NE(ReadBytes(Target + L"ReleaseInfo").find("<Level>011226</Level>"), std::string::npos);
    // The writes of this run took every temporary file of the cut one into place.
    for (const std::wstring& folder : {Target, Target + L"Settings\\"})
      for (const std::wstring& name : FileNames(folder)) EXPECT_FALSE(EndsWith(name, L".tmp")) << Narrow(name);
    const std::vector<std::wstring> log = LogFileLines(Target + L"Settings\\install.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(),
              L"Рекомендуется включить крупный размер шрифта (120 точек на дюйм) в настройках экрана Windows");
  }

  EarlierData Data;
  std::string EarlierLog, LinkBefore;
  std::unique_ptr<Program> Setup;
};

TEST_F(PowerCut, EveryCutLeavesTheDataAndWholeSettingsAndTheNextInstallationCompletes) {
  const auto started = std::chrono::steady_clock::now();
  // One runtime file of three copy buffers, so that a cut can fall between two of its pieces.
  WriteBytes(Dist + L"Firebird\\gds32.dll", Pattern(600 * 1024 + 5, 11));
  RewriteChecksumList(Dist);

  // The earlier installation, and what the suite has made of it since.
  const std::wstring earlier = Work + L"Прежняя установка\\";
  ASSERT_TRUE(Install(earlier));
  ASSERT_EQ(Setup->ExitCode(), 0u);
  WriteBytes(earlier + L"DTAfb\\R12.FDB", Data.Database);
  WriteBytes(earlier + L"Settings\\lastnum.dta", Data.LastNumber);
  WriteBytes(earlier + L"Settings\\uca.nsi", Data.UcaList);
  ASSERT_TRUE(DeleteFileW((earlier + L"Settings\\wra.nsi").c_str()));
  WriteBytes(earlier + L"Settings\\rarovu.ini", Data.OldSettings);
  WriteBytes(earlier + L"btooth.ini", Data.SiblingSettings);
  EarlierLog = ReadBytes(earlier + L"Settings\\install.log");
  ASSERT_FALSE(EarlierLog.empty());

  // A whole run over a copy of it names every point where a cut could fall.
  const std::wstring whole = Work + L"Целиком\\";
  CopyTree(earlier, whole);
  const std::wstring wholeList = Work + L"points.txt";
  ASSERT_TRUE(Install(whole, L"", wholeList));
  ASSERT_EQ(Setup->ExitCode(), 0u);
  ExpectInstalled(whole);
  const std::vector<std::string> points = Lines(ReadBytes(wholeList));
  std::map<std::string, std::vector<size_t>> byName;  // point numbers from 1, as the seam counts
  for (size_t i = 0; i < points.size(); ++i) byName[points[i]].push_back(i + 1);
  for (const char* name : {"copy.created", "copy.chunk", "tree.copied", "replace.temporary", "replace.written",
                           "replace.moved", "create.temporary", "create.written", "create.moved", "settings.before",
                           "settings.after", "log.written"})
    ASSERT_TRUE(byName.count(name)) << "no point " << name << " in a whole run";

  unsigned seed = DefaultSeed;
  if (const char* chosen = std::getenv("POWER_CUT_SEED")) seed = static_cast<unsigned>(std::strtoul(chosen, nullptr, 10));
  std::mt19937 random(seed);
  std::vector<size_t> cuts;
  for (auto& [name, numbers] : byName) {
    std::shuffle(numbers.begin(), numbers.end(), random);
    cuts.insert(cuts.end(), numbers.begin(), numbers.begin() + std::min(CutsPerPointName, numbers.size()));
  }
  std::sort(cuts.begin(), cuts.end());
  std::string plan = "seed " + std::to_string(seed) + ", " + std::to_string(points.size()) + " points, cuts at:";
  for (size_t cut : cuts) plan += " " + std::to_string(cut) + "=" + points[cut - 1];
  std::printf("%s\n", plan.c_str());
  std::fflush(stdout);

  for (size_t cut : cuts) {
    const std::string where = std::to_string(cut) + "=" + points[cut - 1];
    SCOPED_TRACE("seed " + std::to_string(seed) + ", cut at point " + where);
    const std::wstring target = Work + L"Срез " + std::to_wstring(cut) + L"\\";
    CopyTree(earlier, target);
    const std::wstring list = Work + L"points " + std::to_wstring(cut) + L".txt";
    ASSERT_TRUE(Install(target, std::to_wstring(cut), list)) << "the cut run did not end";
    ASSERT_EQ(Setup->ExitCode(), PowerCutExitCode) << "the run was not cut";
    const std::vector<std::string> passed = Lines(ReadBytes(list));
    ASSERT_EQ(passed.size(), cut);
    EXPECT_EQ(passed.back(), points[cut - 1]) << "the run took another way than the whole one";

    // Every settings file the suite reads is the old one or the new one; a temporary file beside it is
    // never read by the suite and the next write overwrites it.
    ExpectDataKept(target);
    const std::string settings = ReadBytes(target + L"Settings\\rarovu.ini");
    EXPECT_TRUE(settings == Data.OldSettings || settings == Data.NewSettings) << "rarovu.ini: " << settings;
    const std::wstring wra = target + L"Settings\\wra.nsi";
    EXPECT_TRUE(!FileExists(wra) || ReadBytes(wra) == Data.NewWraList) << "wra.nsi is half made";

    ASSERT_TRUE(Install(target)) << "the next installation did not end";
    EXPECT_EQ(Setup->ExitCode(), 0u) << "the next installation failed";
    ExpectInstalled(target);
    if (HasFailure()) break;
  }
  std::printf("%zu cuts in %lld s\n", cuts.size(),
              static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(
                                         std::chrono::steady_clock::now() - started).count()));
}

// Cuts in the first installation while the database file is copied: no database is there yet, so the next
// installation must not find a short one and keep it as the clinic's.
TEST_F(PowerCut, AFirstInstallationCutInTheDatabaseCopyLeavesNoShortDatabase) {
  const std::wstring database = L"DTAfb\\R12.FDB";
  // Three copy buffers: a cut can fall after the first piece.
  WriteBytes(Dist + database, Pattern(600 * 1024 + 5, 5));
  RewriteChecksumList(Dist);
  const std::string distributed = ReadBytes(Dist + database);
  const std::wstring whole = Work + L"Целиком\\";
  const std::wstring wholeList = Work + L"points.txt";
  ASSERT_TRUE(Install(whole, L"", wholeList));
  ASSERT_EQ(Setup->ExitCode(), 0u);
  const std::vector<std::string> points = Lines(ReadBytes(wholeList));
  // The database is the run's first copy: its creation, its first piece, and the whole copy before the
  // move, if it has one.
  std::vector<size_t> cuts;
  const auto created = std::find(points.begin(), points.end(), "copy.created");
  ASSERT_NE(created, points.end());
  ASSERT_LT(created + 1, points.end());
  ASSERT_EQ(created[1], "copy.chunk");
  cuts.push_back(static_cast<size_t>(created - points.begin()) + 1);
  cuts.push_back(cuts.back() + 1);
  const auto written = std::find(points.begin(), points.end(), "copy.written");
  if (written != points.end()) cuts.push_back(static_cast<size_t>(written - points.begin()) + 1);
  std::string plan = std::to_string(points.size()) + " points, cuts at:";
  for (size_t cut : cuts) plan += " " + std::to_string(cut) + "=" + points[cut - 1];
  std::printf("%s\n", plan.c_str());
  std::fflush(stdout);
  for (size_t cut : cuts) {
    SCOPED_TRACE("cut at point " + std::to_string(cut) + "=" + points[cut - 1]);
    const std::wstring target = Work + L"Срез " + std::to_wstring(cut) + L"\\";
    ASSERT_TRUE(Install(target, std::to_wstring(cut)));
    ASSERT_EQ(Setup->ExitCode(), PowerCutExitCode);
    EXPECT_TRUE(!FileExists(target + database) || SameBytes(ReadBytes(target + database), distributed))
        << "a short database file is left";
    ASSERT_TRUE(Install(target));
    EXPECT_EQ(Setup->ExitCode(), 0u);
    EXPECT_TRUE(SameBytes(ReadBytes(target + database), distributed)) << "the next installation kept a short database";
    // A temporary file of the cut run was taken into place.
    EXPECT_EQ(FileNames(target + L"DTAfb\\"), std::set<std::wstring>{L"R12.FDB"});
  }
}

}  // namespace
