#include "app/testing/machine_pauses_posix.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point TimeOf(int64_t nanoseconds) {
  // steady_clock is CLOCK_MONOTONIC.
  return Clock::time_point(std::chrono::nanoseconds(nanoseconds));
}

}  // namespace

MachinePauses::MachinePauses() {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("machine pauses: no pipe");
  // Spawned, not forked: a fork would share the test's pages copy-on-write, and the faults that
  // follow would stall the very thread measured.
  posix_spawn_file_actions_t output;
  posix_spawn_file_actions_init(&output);
  posix_spawn_file_actions_adddup2(&output, ends[1], STDOUT_FILENO);
  char* argv[] = {const_cast<char*>(KELVORA_MACHINE_PAUSE_WATCH), nullptr};
  int failed = ::posix_spawn(&pid_, argv[0], &output, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&output);
  ::close(ends[1]);
  pipe_ = ends[0];
  if (failed)
    throw std::runtime_error("machine pauses: " KELVORA_MACHINE_PAUSE_WATCH " not started");
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
