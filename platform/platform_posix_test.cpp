// What only POSIX has: the desktop's opener, run without a child left to wait for.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/platform.h"
#include "platform/testing/testing.h"

namespace {

TEST(Program, ShellOpenHandsTheAddressToTheDesktopOpener) {
  TempFolder temp;
  Text log = temp.Join(u"opened");
  // An opener that runs on, as one that starts the browser may.
  FileWrite(temp.Join(u"xdg-open"),
            "#!/bin/sh\necho \"$1\" > '" + TextToUtf8(log) + "'\nsleep 3\n");
  std::filesystem::permissions(std::filesystem::path(temp.Join(u"xdg-open")),
                               std::filesystem::perms::owner_all);
  const char* path = std::getenv("PATH");
  EnvOverride pathOverride("PATH", temp.Path() + u":" + Utf8ToText(path ? path : ""));
  auto start = std::chrono::steady_clock::now();
  ShellOpen(u"https://example.org/kelvora");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  // Nothing of it is left for us to wait for: the opener is not our child.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  for (int i = 0; i < 200 && FileBytes(log).empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(FileBytes(log), "https://example.org/kelvora\n");
}

}  // namespace
