// The file watcher of a binding that watches for real (Qt's inotify, Win32's change
// notifications): writes, new files and a stop are seen as the monitor needs them.
#include <gtest/gtest.h>

#include <set>

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
  // Lets events happen until path was told, or for most milliseconds; whether it was.
  bool Told(const Text& path, int most) {
    for (int waited = 0; !told_.contains(path) && waited < most; waited += 10) {
      App().ProcessEventsFor(10);
    }
    return told_.erase(path) > 0;
  }
  ui::FileWatcher::ChangeHandler Count() {
    return [this](const Text& path) {
      ++changes_;
      told_.insert(path);
    };
  }

  ui::Application& app_ = App();
  ui::Form form_{u"Watcher", 300, 200, {}};
  TempFolder folder_;
  Text file_ = folder_.Join(u"chat.txt");
  ui::FileWatcher watcher_{form_};
  int changes_ = 0;
  std::set<Text> told_;
};

TEST_F(FileWatcherTest, WritesAndNewFilesAreToldAndNothingAfterTheWatchEnds) {
  FileWrite(file_, "[10:00]  a: one\n");
  watcher_.OnChange(Count());
  // A path that is not there is passed over; the others are watched all the same.
  watcher_.Watch({file_, folder_.Path(), folder_.Join(u"missing/chat.txt")});
  EXPECT_EQ(ChangesWithin(200), 0);
  FileAppend(file_, "[10:00]  a: two\n");
  EXPECT_TRUE(Told(file_, 3000));
  FileWrite(folder_.Join(u"chat-2025-11-15.txt"), "[00:00]  a: the next day\n");
  EXPECT_TRUE(Told(folder_.Join(u"chat-2025-11-15.txt"), 3000));
  // Watched again after a change: the same paths keep their watch.
  watcher_.Watch({file_, folder_.Path()});
  FileAppend(file_, "[10:01]  a: three\n");
  EXPECT_TRUE(Told(file_, 3000));
  watcher_.Watch({});
  App().ProcessEventsFor(200);
  changes_ = 0;
  FileAppend(file_, "[10:02]  a: unwatched\n");
  EXPECT_EQ(ChangesWithin(500), 0);
}

// A file watched alone: the other files of its folder are not told; the file is, by its name,
// among thousands of quiet ones.
TEST_F(FileWatcherTest, AFileWatchedAloneIsToldByNameAndItsNeighboursAreNot) {
  Text settings = folder_.Join(u"settings_per_account.xml");
  FileWrite(settings, "<llsd/>");
  for (int i = 0; i < 1000; ++i) {
    FileWrite(folder_.Join(u"quiet " + AsciiToText(std::to_string(i)) + u".txt"), "old\n");
  }
  watcher_.OnChange(Count());
  watcher_.Watch({settings});
  FileWrite(file_, "[10:00]  a: one\n");
  EXPECT_EQ(ChangesWithin(300), 0);
  FileWrite(settings, "<llsd><map/></llsd>");
  EXPECT_TRUE(Told(settings, 3000));
  EXPECT_EQ(told_, std::set<Text>{});
  watcher_.Watch({folder_.Path()});
  Text quiet = folder_.Join(u"quiet 517.txt");
  FileAppend(quiet, "[10:01]  b: new\n");
  EXPECT_TRUE(Told(quiet, 3000));
}

}  // namespace
