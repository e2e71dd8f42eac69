// The progress measure of a run against a recording context: what the bar shows, and when.
#include <gtest/gtest.h>

#include "InstallProgress.h"
#include "RecordingContext.h"

namespace {

constexpr unsigned long long MiB = 1ull << 20;

// 3 MiB of copies and two stages of 1 MiB each: every mebibyte is a fifth of the bar.
class Progress : public ::testing::Test {
 protected:
  TRecordingContext Inner;
  TInstallProgress Measure{Inner, 3 * MiB, 2};

  int LastDone() const { return Inner.Bars.empty() ? -1 : Inner.Bars.back().Done; }
  TProgressMode LastMode() const { return Inner.Bars.back().Mode; }
};

TEST_F(Progress, CopiedBytesShowWhenTheWindowIsServedAndStagesAtOnce) {
  Measure.Copied(MiB / 2);
  Measure.Copied(MiB / 2);
  EXPECT_TRUE(Inner.Bars.empty()) << "a piece of a copy alone does not touch the window";
  Measure.ProcessMessages();
  EXPECT_EQ(Inner.Served, 1) << "passed on";
  EXPECT_EQ(LastDone(), 200);
  EXPECT_EQ(LastMode(), pmPosition);

  // Unchanged: not shown again.
  Measure.ProcessMessages();
  EXPECT_EQ(Inner.Bars.size(), 1u);

  Measure.StageDone();
  EXPECT_EQ(LastDone(), 400);
  Measure.Copied(2 * MiB);
  Measure.StageDone();
  EXPECT_EQ(LastDone(), 999) << "full only when the run says it has ended";
  Measure.Finished();
  EXPECT_EQ(LastDone(), ProgressBarEnd);
  EXPECT_EQ(LastMode(), pmPosition);
}

TEST_F(Progress, AFileThatGrewSinceItWasMeasuredDoesNotFillTheBar) {
  Measure.Copied(50 * MiB);
  Measure.ProcessMessages();
  EXPECT_EQ(LastDone(), 600);
  Measure.StageDone();
  Measure.StageDone();
  Measure.StageDone();  // one more than planned
  EXPECT_EQ(LastDone(), 999);
}

TEST_F(Progress, AnOutsideProgramShowsMarqueeAndThenThePositionAgain) {
  Measure.StageDone();
  Measure.WaitingForProgram(true);
  EXPECT_EQ(LastMode(), pmWaiting);
  EXPECT_EQ(LastDone(), 200);
  Measure.ProcessMessages();
  EXPECT_EQ(LastMode(), pmWaiting) << "serving the window keeps the marquee";
  Measure.WaitingForProgram(false);
  EXPECT_EQ(LastMode(), pmPosition);
  EXPECT_EQ(LastDone(), 200);
}

TEST_F(Progress, AnErrorBoxTurnsTheBarRedBeforeItShowsAndItStaysRed) {
  Measure.Copied(MiB);
  Measure.ShowError(L"Cannot open file");
  ASSERT_FALSE(Inner.Bars.empty());
  EXPECT_EQ(LastMode(), pmFailed);
  EXPECT_EQ(LastDone(), 200) << "where the run stopped";
  EXPECT_EQ(Inner.Bars.back().ErrorsBefore, 0u) << "red before the box";
  EXPECT_EQ(Inner.Errors, std::vector<std::wstring>{L"Cannot open file"});

  // Nothing after it makes it green again.
  Measure.WaitingForProgram(true);
  Measure.StageDone();
  Measure.ProcessMessages();
  EXPECT_EQ(LastMode(), pmFailed);
}

TEST(ProgressWithoutCopies, StagesAloneFillTheBar) {
  TRecordingContext inner;
  TInstallProgress measure(inner, 0, 4);
  for (int i = 0; i < 4; ++i) measure.StageDone();
  ASSERT_EQ(inner.Bars.size(), 4u);
  EXPECT_EQ(inner.Bars[0].Done, 250);
  EXPECT_EQ(inner.Bars[2].Done, 750);
  EXPECT_EQ(inner.Bars[3].Done, 999);
}

TEST(ProgressPassesOn, EveryCallOfTheContextReachesTheOneInside) {
  TRecordingContext inner;
  inner.Answers = {true};
  TInstallProgress measure(inner, 0, 1);
  measure.ShowProgress();
  EXPECT_EQ(measure.AddLine(L"строка...."), 0);
  measure.AppendOutcome(0, OutcomeDone);
  measure.RepaintLog();
  EXPECT_TRUE(measure.AskYesNo(L"Вопрос?"));
  measure.SetBusy(true);
  measure.SetBusy(false);
  measure.EnableExit();
  EXPECT_TRUE(measure.ShowFontSizePage());
  measure.CloseProgram();
  EXPECT_EQ(inner.Lines, std::vector<std::wstring>{L"строка....Завершено"});
  EXPECT_EQ(inner.Questions, std::vector<std::wstring>{L"Вопрос?"});
  EXPECT_EQ(inner.Events, (std::vector<std::wstring>{L"progress", L"line строка....", L"repaint", L"busy", L"not busy"}));
  EXPECT_TRUE(inner.ExitEnabled);
  EXPECT_TRUE(inner.FontPage);
  EXPECT_TRUE(inner.Closed);
}

}  // namespace
