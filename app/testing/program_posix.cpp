#include "app/testing/program_posix.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The window of that name under parent, at any depth; 0 when there is none.
Window WindowNamed(Display* display, Window parent, const std::string& title) {
  char* name = nullptr;
  if (XFetchName(display, parent, &name) && name) {
    bool same = title == name;
    XFree(name);
    XWindowAttributes attributes{};
    if (same && XGetWindowAttributes(display, parent, &attributes) &&
        attributes.map_state == IsViewable) {
      return parent;
    }
  }
  Window root = 0, up = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && !found; ++i) found = WindowNamed(display, children[i], title);
  if (children) XFree(children);
  return found;
}

}  // namespace

ProgramProcess::ProgramProcess(const std::string& program,
                               const std::vector<std::pair<std::string, Text>>& env) {
  std::vector<std::string> entries;
  for (char** e = environ; *e; ++e) entries.emplace_back(*e);
  for (const auto& [name, value] : env) entries.push_back(name + "=" + TextToUtf8(value));
  std::vector<char*> envp;
  for (std::string& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string name = program;
  char* argv[] = {name.data(), nullptr};
  if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) pid_ = -1;
}

ProgramProcess::~ProgramProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

int ProgramProcess::EndAwait(std::chrono::milliseconds within) {
  auto deadline = Clock::now() + within;
  int status = 0;
  while (::waitpid(pid_, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

unsigned long WindowAwait(const std::string& title, std::chrono::milliseconds within) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 0;
  auto deadline = Clock::now() + within;
  Window found = 0;
  while (!(found = WindowNamed(display, DefaultRootWindow(display), title)) &&
         Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  XCloseDisplay(display);
  return found;
}

void WindowCloseAsk(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &event);
  XCloseDisplay(display);
}

void WindowClick(unsigned long window, int x, int y) {
  std::string command = "xdotool mousemove --window " + std::to_string(window) + " " +
                        std::to_string(x) + " " + std::to_string(y) + " click 1";
  [[maybe_unused]] int status = std::system(command.c_str());
}
