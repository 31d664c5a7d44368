#include "app/testing/machine_pauses_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t kNap = 2'000'000;     // nanoseconds
constexpr int64_t kPause = 10'000'000;  // a wake this late is the machine's pause

int64_t MonotonicNanoseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

// The watcher: only system calls, as a child forked from a process with threads may make.
[[noreturn]] void Watch(int out) {
  const timespec nap{0, kNap};
  for (;;) {
    int64_t before = MonotonicNanoseconds();
    ::nanosleep(&nap, nullptr);
    int64_t after = MonotonicNanoseconds();
    if (after - before >= kPause) {
      int64_t span[2] = {before, after};
      if (::write(out, span, sizeof span) != sizeof span) ::_exit(1);
    }
  }
}

Clock::time_point TimeOf(int64_t nanoseconds) {
  // steady_clock is CLOCK_MONOTONIC.
  return Clock::time_point(std::chrono::nanoseconds(nanoseconds));
}

}  // namespace

MachinePauses::MachinePauses() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("machine pauses: no pipe");
  pid_ = ::fork();
  if (pid_ < 0) throw std::runtime_error("machine pauses: no fork");
  if (pid_ == 0) {
    ::close(ends[0]);
    Watch(ends[1]);
  }
  ::close(ends[1]);
  pipe_ = ends[0];
}

MachinePauses::~MachinePauses() {
  End();
  if (pipe_ >= 0) ::close(pipe_);
}

void MachinePauses::End() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
}

std::vector<TimeSpan> MachinePauses::Take() {
  End();
  std::vector<TimeSpan> pauses;
  int64_t span[2];
  while (::read(pipe_, span, sizeof span) == sizeof span) {
    pauses.push_back({TimeOf(span[0]), TimeOf(span[1])});
  }
  ::close(pipe_);
  pipe_ = -1;
  return pauses;
}

std::chrono::duration<double, std::milli> UncoveredPart(const TimeSpan& span,
                                                        const std::vector<TimeSpan>& pauses) {
  std::chrono::duration<double, std::milli> uncovered = span.end - span.start;
  for (const TimeSpan& pause : pauses) {
    Clock::time_point from = std::max(span.start, pause.start);
    Clock::time_point to = std::min(span.end, pause.end);
    if (from < to) uncovered -= to - from;
  }
  return uncovered;
}
