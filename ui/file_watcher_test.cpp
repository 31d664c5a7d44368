// The file watcher of a binding that watches for real (Qt's inotify, Win32's change
// notifications): writes, new files and a stop are seen as the monitor needs them.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "ui/ui.h"

ui::Application& App();  // ui_contract_test.cpp

namespace {

class FileWatcherTest : public ::testing::Test {
 protected:
  // Lets events happen until a change was told, or for most milliseconds; the changes told.
  int ChangesWithin(int most) {
    for (int waited = 0; changes_ == 0 && waited < most; waited += 10) App().ProcessEventsFor(10);
    return std::exchange(changes_, 0);
  }

  ui::Application& app_ = App();
  ui::Form form_{u"Watcher", 300, 200, {}};
  TempFolder folder_;
  Text file_ = folder_.Join(u"chat.txt");
  ui::FileWatcher watcher_{form_};
  int changes_ = 0;
};

TEST_F(FileWatcherTest, WritesAndNewFilesAreToldAndNothingAfterTheWatchEnds) {
  FileWrite(file_, "[10:00]  a: one\n");
  watcher_.OnChange([this] { ++changes_; });
  // A path that is not there is passed over; the others are watched all the same.
  watcher_.Watch({file_, folder_.Path(), folder_.Join(u"missing/chat.txt")});
  EXPECT_EQ(ChangesWithin(200), 0);
  FileAppend(file_, "[10:00]  a: two\n");
  EXPECT_GT(ChangesWithin(3000), 0);
  FileWrite(folder_.Join(u"chat-2025-11-15.txt"), "[00:00]  a: the next day\n");
  EXPECT_GT(ChangesWithin(3000), 0);
  // Watched again after a change: the same paths keep their watch.
  watcher_.Watch({file_, folder_.Path()});
  FileAppend(file_, "[10:01]  a: three\n");
  EXPECT_GT(ChangesWithin(3000), 0);
  watcher_.Watch({});
  App().ProcessEventsFor(200);
  changes_ = 0;
  FileAppend(file_, "[10:02]  a: unwatched\n");
  EXPECT_EQ(ChangesWithin(500), 0);
}

}  // namespace
