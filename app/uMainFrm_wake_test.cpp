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
  // The first change is read at once; those that follow within the wake's delay together.
  for (const char* line : {"one", "two", "three"}) {
    FileAppend(ChatFile(), "[18:01]  Ann (ann.example): " + std::string(line) + "\n");
    ui::FileChangeNotify(ChatFile());
  }
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{SpeakCall(kSpeakPlain, "Ann : one")});
  App().ProcessEventsFor(kWakeDelay);
  EXPECT_EQ(Spoken(*platform_),
            (std::vector<std::string>{SpeakCall(kSpeakPlain, "Ann : one"),
                                      SpeakCall(kSpeakPlain, "Ann : two\r\nAnn : three")}));

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
  // The conversations are followed in the new folder too.
  platform_->calls.clear();
  const Text zed = PathJoin(PathFolderPart(log), u"Zed Example.txt");
  FileWrite(zed, ViewerStamp(std::time(nullptr)) + "Zed Example: found you\n");
  ui::FileChangeNotify(zed);
  App().ProcessEventsFor(kWakeDelay);
  EXPECT_EQ(Spoken(*platform_),
            std::vector<std::string>{SpeakCall(kSpeakPlain, "IM, Zed Example : found you")});

  // Stopped: nothing is watched, and nothing wakes.
  f.Button1.Click();
  EXPECT_TRUE(ui::WatchedPathsGet().empty());
  platform_->calls.clear();
  FileAppend(log, "[18:03]  Ann (ann.example): not monitored\n");
  ui::FileChangeNotify(log);
  App().ProcessEventsFor(2000);
  EXPECT_TRUE(Spoken(*platform_).empty());
}

// Every conversation beside nearby chat: old transcripts are not replayed, new conversations are
// read from their first line, an IM's copy in the chat file is not spoken twice, and groups are
// spoken as Groups.txt says; the tray names what is followed.
TEST_F(MainFrmTest, TranscriptsSpeakEveryConversationOnce) {
  const Text account = Account(u"ann_example");
  const Text ann = PathJoin(account, u"Ann Example.txt");
  const Text bob = PathJoin(account, u"bob_sample.txt");
  const Text guild = PathJoin(account, u"Builders Guild (group).txt");
  const Text club = PathJoin(account, u"Dance Club (group)-2026-12.txt");
  FileWrite(ann, "[2020/01/01 10:00]  Ann Example: said long ago\n");
  SetupIniWrite("[Options]\nSpeakGroups=1\n");
  FolderMake(folder_.Join(u"program"));
  FileWrite(folder_.Join(u"program/Groups.txt"),
            "# VORTANE PROJECT KELVORA Group List Format V 1.0\nBuilders Guild\n");
  TMainFrm& f = MonitoringStarted();
  App().ProcessEventsFor(100);
  platform_->calls.clear();
  auto said = [&](const Text& path, const std::string& lines) {
    FileAppend(path, lines);
    ui::FileChangeNotify(path);
    App().ProcessEventsFor(kWakeDelay + 10);
  };
  said(ann, "[18:00]  Ann Example: hi\n");
  said(ChatFile(), "[18:00]  IM%3A Ann Example: hi\n[18:00]  Carl (carl.other): nearby\n");
  said(bob, ViewerStamp(std::time(nullptr)) + "Bob Sample: new conversation\n");
  said(guild, ViewerStamp(std::time(nullptr)) + "Carl (carl.other): meeting\n");
  said(club, ViewerStamp(std::time(nullptr)) + "Dana (dana.other): not this group\n");
  App().ProcessEventsFor(1100);
  EXPECT_EQ(Spoken(*platform_),
            (std::vector<std::string>{SpeakCall(kSpeakPlain, "IM, Ann Example : hi"),
                                      SpeakCall(kSpeakPlain, "Carl : nearby"),
                                      SpeakCall(kSpeakPlain, "IM, Bob Sample : new conversation"),
                                      SpeakCall(kSpeakPlain, "Builders Guild, Carl : meeting")}));
  App().ProcessEventsFor(10);
  EXPECT_EQ(f.TrayTooltip, u"KELVORA Pro: monitoring chat + 2 IMs + 1 group");
  // STOP: transcripts are followed no more.
  f.Button1.Click();
  platform_->calls.clear();
  said(ann, "[18:05]  Ann Example: anyone?\n");
  EXPECT_TRUE(Spoken(*platform_).empty());
}

}  // namespace
