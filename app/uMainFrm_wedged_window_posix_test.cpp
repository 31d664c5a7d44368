// The Qt window with a speech-dispatcher that misbehaves, its voice the window's own (listed from
// the last run): one that takes the connection and never answers, one that takes none. The
// window's loop never stalls over the whole run, START included, the warning comes once, and the
// program leaves at once. A stall is counted less the time a process of the test's own, which
// only sleeps and wakes, saw the machine stop every process (a loaded or paused virtual machine).
#include <gtest/gtest.h>

#include "app/testing/window_run_posix.h"

namespace {

class WedgedServerWindow : public ::testing::TestWithParam<SpeechServer> {};

TEST_P(WedgedServerWindow, EventLoopNeverStallsAndLeavingIsQuick) {
  WindowRunResult run = WindowRunMeasured(GetParam());
  EXPECT_LT(run.longestOwnStall.count(), 50)
      << "longest stall " << run.longestStall.count() << " ms, the machine paused "
      << run.machinePaused.count() << " ms in all";
  EXPECT_EQ(run.messages.size(), 1u);  // the warning, once for the episode
  EXPECT_LT(run.leaving.count(), 1000);
}

INSTANTIATE_TEST_SUITE_P(Speechd, WedgedServerWindow,
                         ::testing::Values(SpeechServer::kWedged, SpeechServer::kFullBacklog),
                         [](const ::testing::TestParamInfo<SpeechServer>& info) {
                           return info.param == SpeechServer::kWedged ? "NeverAnswers"
                                                                      : "FullBacklog";
                         });

}  // namespace
