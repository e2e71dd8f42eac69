// The walks outside copies on a slow medium (the slow-medium seam makes each listing entry and attribute
// read take 10 ms here): within a TServedReads the window is served between the reads, never more than
// a few of them apart; without one it is not served at all, as before.
#include "ServedReads.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "BackupTrees.h"
#include "InstallRecord.h"
#include "InstallTestFiles.h"
#include "PlannedCopies.h"
#include "TargetLinks.h"

namespace {

// When the window was served.
struct TServedTimes : TMessagePump {
  std::vector<DWORD> Times;
  void ProcessMessages() override { Times.push_back(GetTickCount()); }
};

struct TWalkCase {
  const char* Name;
  std::function<void(const std::wstring& Source, const std::wstring& Target)> Walk;
};

TEST(ServedReads, WalksOnASlowMediumServeTheWindowBetweenTheirReads) {
  // Read once per process: this test is the first to read it.
  SetEnvironmentVariableW(L"INSTALL_TEST_SLOW_COPY_MS", L"100");
  const TTempFolder temp;
  const std::wstring source = temp.Path() + L"Дистрибутив\\", target = temp.Path() + L"Цель\\";
  MakeSmallDistribution(source);
  CreateFolder(source + L"backup\\L010118\\Справка");
  for (int page = 1; page <= 40; ++page)
    WriteFileBytes(source + L"backup\\L010118\\Справка\\страница " + std::to_wstring(page) + L".htm", "<p>");
  CreateFolder(target);
  CreateFolder(target + L"Справка");
  for (int page = 1; page <= 40; ++page)
    WriteFileBytes(target + L"Справка\\страница " + std::to_wstring(page) + L".htm", "<p>");
  TInstallPlan plan;
  plan.Source = source;
  plan.Target = target;

  const TWalkCase cases[] = {
      {"the measure of the run", [&plan](const std::wstring&, const std::wstring&) {
         const TPlannedReads reads = PlannedReads(plan);
         EXPECT_GE(reads.Copies.size(), 40u);
         EXPECT_GT(BackupAndUpdaterBytes(plan), 0u);
       }},
      {"the look for links leading out of the target",
       [](const std::wstring&, const std::wstring& Target) { EXPECT_TRUE(FindLinkLeadingOut(Target).Link.empty()); }},
      {"the comparison of the target around a script",
       [](const std::wstring&, const std::wstring& Target) { const TTargetChanges changes(Target); }},
  };
  for (const TWalkCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const DWORD unservedStart = GetTickCount();
    c.Walk(source, target);
    const DWORD unservedTime = GetTickCount() - unservedStart;
    EXPECT_GE(unservedTime, 300u) << "the seam did not slow the walk's reads";

    TServedTimes served;
    const DWORD start = GetTickCount();
    {
      const TServedReads serving(&served);
      // A nested scope without a window serves through the enclosing one.
      const TServedReads inner(nullptr);
      c.Walk(source, target);
    }
    const DWORD end = GetTickCount();
    ASSERT_GE(served.Times.size(), 3u);
    DWORD longest = served.Times.front() - start, previous = served.Times.front();
    for (DWORD time : served.Times) {
      longest = std::max(longest, time - previous);
      previous = time;
    }
    longest = std::max(longest, end - previous);
    // Served every 50 ms, between reads of 10 ms: a generous bound for a loaded machine.
    EXPECT_LE(longest, 250u);
  }
}

}  // namespace
