// Woken ticks, through the headless binding's scripted file watcher.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/testing/mainfrm_test_fixture.h"
#include "ui/headless/file_watcher_headless.h"

namespace {

// A change to the chat file wakes the tick at once (a burst of writes is one read), long before
// the interval; a change to the account's settings moves the log only once they are whole.
TEST_F(MainFrmTest, ChangesWakeTheTickAndTheSettingsAreReadAgainWhenWhole) {
  const Text settings = PathJoin(Account(u"ann_example"), u"settings_per_account.xml");
  TMainFrm& f = MonitoringStarted();
  EXPECT_EQ(ui::WatchedPathsGet(),
            (std::vector<Text>{ChatFile(), Account(u"ann_example"), settings}));
  // Nothing told: the interval's tick, the fallback, reads what came.
  platform_->calls.clear();
  FileAppend(ChatFile(), "[18:00]  Ann (ann.example): unseen\n");
  App().ProcessEventsFor(900);
  EXPECT_TRUE(Spoken(*platform_).empty());
  App().ProcessEventsFor(200);
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{SpeakCall(kSpeakPlain, "Ann : unseen")});
  platform_->calls.clear();
  for (const char* line : {"one", "two", "three"}) {
    FileAppend(ChatFile(), "[18:01]  Ann (ann.example): " + std::string(line) + "\n");
    ui::FileChangeNotify(ChatFile());
  }
  App().ProcessEventsFor(kWakeDelay);
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{SpeakCall(
                                    kSpeakPlain, "Ann : one\r\nAnn : two\r\nAnn : three")});

  // The viewer rewrites its settings with a log folder of its own: half-written first.
  const Text root = folder_.Join(u"logs");
  const Text log = PathJoin(PathJoin(root, u"ann_example"), u"chat.txt");
  FolderMake(PathFolderPart(log));
  FileWrite(log, "[17:00]  Ann (ann.example): said long ago\n");
  const std::string whole =
      "<llsd><map><key>InstantMessageLogPath</key><map><key>Value</key><string>" +
      TextToUtf8(root) + "</string></map></map></llsd>";
  FileWrite(settings, whole.substr(0, 40));
  ui::FileChangeNotify(settings);
  App().ProcessEventsFor(kWakeDelay);
  EXPECT_EQ(f.TargetFileGet(1), ChatFile());
  FileWrite(settings, whole);
  ui::FileChangeNotify(settings);
  App().ProcessEventsFor(kWakeDelay);
  EXPECT_EQ(f.TargetFileGet(1), log);
  std::vector<Text> watched = ui::WatchedPathsGet();
  EXPECT_NE(std::find(watched.begin(), watched.end(), log), watched.end());
  platform_->calls.clear();
  FileAppend(log, "[18:02]  Ann (ann.example): from the new folder\n");
  ui::FileChangeNotify(log);
  App().ProcessEventsFor(kWakeDelay);
  EXPECT_EQ(Spoken(*platform_),
            std::vector<std::string>{SpeakCall(kSpeakPlain, "Ann : from the new folder")});

  // Stopped: nothing is watched, and nothing wakes.
  f.Button1.Click();
  EXPECT_TRUE(ui::WatchedPathsGet().empty());
  platform_->calls.clear();
  FileAppend(log, "[18:03]  Ann (ann.example): not monitored\n");
  ui::FileChangeNotify(log);
  App().ProcessEventsFor(2000);
  EXPECT_TRUE(Spoken(*platform_).empty());
}

}  // namespace
