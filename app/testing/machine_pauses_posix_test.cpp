#include "app/testing/machine_pauses_posix.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A watcher held still (as a paused machine holds every process) reports the stretch, and only
// stretches of that kind: an idle run reports none that long.
TEST(MachinePauses, AWatcherHeldStillIsAPause) {
  MachinePauses machine;
  std::this_thread::sleep_for(milliseconds(50));
  Clock::time_point stopped = Clock::now();
  ASSERT_EQ(::kill(machine.WatcherPid(), SIGSTOP), 0);
  std::this_thread::sleep_for(milliseconds(150));
  ASSERT_EQ(::kill(machine.WatcherPid(), SIGCONT), 0);
  std::this_thread::sleep_for(milliseconds(50));
  std::vector<TimeSpan> pauses = machine.Take();
  ASSERT_FALSE(pauses.empty());
  auto longest = std::max_element(pauses.begin(), pauses.end(), [](auto& a, auto& b) {
    return a.end - a.start < b.end - b.start;
  });
  EXPECT_GE(longest->end - longest->start, milliseconds(140));
  EXPECT_LE(longest->start, stopped + milliseconds(5));
}

TEST(MachinePauses, UncoveredPartOfASpan) {
  const Clock::time_point t0{};
  auto at = [&](int ms) { return t0 + milliseconds(ms); };
  const std::vector<TimeSpan> pauses = {{at(10), at(30)}, {at(50), at(60)}, {at(100), at(200)}};
  struct Case {
    int from, to;
    double uncovered;
  } cases[] = {
      {0, 10, 10},    // before any pause
      {0, 40, 20},    // one pause inside
      {20, 55, 20},   // two pauses' ends
      {110, 150, 0},  // wholly inside one
      {60, 100, 40},  // between two, touching both
      {0, 300, 170},  // all three
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(UncoveredPart({at(c.from), at(c.to)}, pauses).count(), c.uncovered)
        << c.from << ".." << c.to;
  }
}

}  // namespace
