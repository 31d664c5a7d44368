// When the machine itself stopped running its processes (a virtual machine's processor taken
// away by its host), seen by a small process of its own that only sleeps and wakes
// (machine_pause_watch): what the program's own threads could not have caused.
#pragma once

#include <chrono>
#include <vector>

struct TimeSpan {
  std::chrono::steady_clock::time_point start, end;
};

class MachinePauses {
 public:
  // The watching process starts at once.
  MachinePauses();
  // The watching process ended, if Take did not end it.
  ~MachinePauses();
  MachinePauses(const MachinePauses&) = delete;
  MachinePauses& operator=(const MachinePauses&) = delete;

  // Ends the watch: each stretch in which the watcher, due to wake every 2 ms, did not run for
  // 10 ms or more.
  std::vector<TimeSpan> Take();
  // The watching process, for a test to stop it as a paused machine would.
  int WatcherPid() const { return pid_; }

 private:
  void End();
  int pid_ = -1;
  int pipe_ = -1;
};

// How much of a span the pauses do not cover.
std::chrono::duration<double, std::milli> UncoveredPart(const TimeSpan& span,
                                                        const std::vector<TimeSpan>& pauses);
