// The real kelvora program started as a process of its own, as a desktop starts it, and its
// window reached over X11 as a window manager would reach it.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/unicode.h"

class ProgramProcess {
 public:
  // Starts program (the window: no command) with the environment given on top of the test's.
  ProgramProcess(const std::string& program, const std::vector<std::pair<std::string, Text>>& env);
  // Kills it if it still runs.
  ~ProgramProcess();
  ProgramProcess(const ProgramProcess&) = delete;
  ProgramProcess& operator=(const ProgramProcess&) = delete;

  pid_t Pid() const { return pid_; }
  // Waits for its end; its exit status, or -1 when it did not end within the time.
  int EndAwait(std::chrono::milliseconds within);

 private:
  pid_t pid_ = -1;
};

// The X11 window of that title (the first found), waited for until it is mapped; 0 when none came
// within the time.
unsigned long WindowAwait(const std::string& title, std::chrono::milliseconds within);
// Asks the window to close, as a window manager's close button does (WM_DELETE_WINDOW).
void WindowCloseAsk(unsigned long window);
// A click of the first mouse button at x, y of the window.
void WindowClick(unsigned long window, int x, int y);
