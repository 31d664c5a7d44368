// The headless binding's file watcher tells what a test says changed, and only to the watchers
// of that file or its folder.
#include "ui/headless/file_watcher_headless.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "ui/ui.h"

ui::Application& App();  // ui_contract_test.cpp

namespace {

TEST(FileWatcherHeadless, TellsTheWatchersOfTheFileOrItsFolder) {
  App();
  ui::Form form(u"Watcher", 300, 200, {});
  ui::FileWatcher byFile(form), byFolder(form);
  int fileChanges = 0, folderChanges = 0;
  Text lastChanged;
  byFile.OnChange([&](const Text&) { ++fileChanges; });
  byFolder.OnChange([&](const Text& path) {
    ++folderChanges;
    lastChanged = path;
  });
  const Text folder = PathJoin(u"logs", u"jane_doe");
  byFile.Watch({PathJoin(folder, u"chat.txt")});
  byFolder.Watch({folder});
  ui::FileChangeNotify(PathJoin(folder, u"chat.txt"));
  ui::FileChangeNotify(PathJoin(folder, u"chat-2025-11-15.txt"));
  ui::FileChangeNotify(PathJoin(u"elsewhere", u"chat.txt"));
  EXPECT_EQ(fileChanges, 1);
  EXPECT_EQ(folderChanges, 2);
  EXPECT_EQ(lastChanged, PathJoin(folder, u"chat-2025-11-15.txt"));
  byFile.Watch({});
  ui::FileChangeNotify(PathJoin(folder, u"chat.txt"));
  EXPECT_EQ(fileChanges, 1);
  EXPECT_EQ(ui::WatchedPathsGet(), std::vector<Text>{folder});
}

}  // namespace
