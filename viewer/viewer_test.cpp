#include "viewer/viewer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/platform.h"
#include "platform/testing/testing.h"

namespace {

// An LLSD settings map with the given entries (each "<key>Name</key><map>...</map>").
std::string Llsd(const std::string& entries, bool declaration = false) {
  return std::string(declaration ? "<?xml version=\"1.0\" ?>\n" : "") + "<llsd>\n<map>\n" +
         entries + "</map>\n</llsd>\n";
}

std::string Setting(const std::string& name, const std::string& type, const std::string& value) {
  return "    <key>" + name +
         "</key>\n    <map>\n      <key>Comment</key>\n      <string>c</string>\n"
         "      <key>Type</key>\n      <string>" +
         type + "</string>\n      <key>Value</key>\n      <" + type + ">" + value + "</" + type +
         ">\n    </map>\n";
}

// The viewer folders' candidate names, in the order they are tried.
std::vector<Text> FirestormCandidates() {
  if (PathSeparator() == u'\\') return {u"Firestorm_x64", u"Firestorm"};
  return {u".firestorm_x64", u".firestorm",
          u".var/app/org.firestormviewer.FirestormViewer/.firestorm_x64"};
}

TEST(Folders, ViewerFolderTakesFirstExistingCandidate) {
  TempFolder temp;
  EnvOverride roaming("KELVORA_APPDATA", temp.Path());
  EnvOverride firestormOwn("FIRESTORM_X64_USER_DIR", u"");
  std::vector<Text> candidates = FirestormCandidates();
  EXPECT_EQ(ViewerFolderGet(u"Firestorm"), temp.Join(candidates[0]));
  for (size_t i = candidates.size(); i-- > 1;) {
    FolderMake(temp.Join(candidates[i]));
    EXPECT_EQ(ViewerFolderGet(u"Firestorm"), temp.Join(candidates[i]));
  }
  EXPECT_EQ(ViewerFolderGet(u"SecondLife"),
            temp.Join(PathSeparator() == u'\\' ? u"SecondLife" : u".secondlife"));
  EXPECT_EQ(ViewerFolderGet(u"Other"), u"");
}

class ViewerTest : public ::testing::Test {
 protected:
  Text Viewer() const { return ViewerFolderGet(u"SecondLife"); }
  Text Account(TextView folder) const { return PathJoin(Viewer(), folder); }
  void AccountMake(TextView folder, const std::string& settings = Llsd("")) {
    FolderMake(Account(folder));
    FileWrite(PathJoin(Account(folder), u"settings_per_account.xml"), settings);
  }
  void UserSettingsWrite(TextView name, const std::string& contents, int hoursAgo = 0) {
    Text folder = PathJoin(Viewer(), u"user_settings");
    FolderMake(folder);
    Text path = PathJoin(folder, name);
    FileWrite(path, contents);
    auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(hoursAgo);
    std::filesystem::last_write_time(std::filesystem::path(path), when);
  }

  TempFolder appData_;
  EnvOverride override_{"KELVORA_APPDATA", appData_.Path()};
  EnvOverride secondLife_{"SECONDLIFE_USER_DIR", u""};
};

TEST_F(ViewerTest, AvatarFoldersAreSubFoldersWithAccountSettings) {
  AccountMake(u"ann_example");
  AccountMake(u".hidden_one");
  AccountMake(u"jane_doe.old");
  FolderMake(Account(u"no_settings"));
  FolderMake(PathJoin(Account(u"settings_is_folder"), u"settings_per_account.xml"));
  FileWrite(PathJoin(Viewer(), u"plain_file"), "x");
  std::vector<Text> list{u"stale"};
  AvatarFoldersGet(u"SecondLife", list);
  std::sort(list.begin(), list.end());
  EXPECT_EQ(list, (std::vector<Text>{u".hidden_one", u"ann_example", u"jane_doe.old"}));
  AvatarFoldersGet(u"Firestorm", list);
  EXPECT_TRUE(list.empty());
  AvatarFoldersGet(u"", list);
  EXPECT_TRUE(list.empty());
}

TEST(AvatarShownNameGet, DropsTheExtensionAndUnderscores) {
  const std::pair<Text, Text> cases[] = {{u"jane_doe", u"jane doe"},
                                         {u"jane_doe.old", u"jane doe"},
                                         {u"a.b.c", u"a.b"},
                                         {u"John_Resident", u"John Resident"},
                                         {u"x/y\\ann_example", u"ann example"},
                                         {u"plain", u"plain"}};
  for (const auto& [folder, shown] : cases) EXPECT_EQ(AvatarShownNameGet(folder), shown);
}

TEST_F(ViewerTest, AvatarListSelectsTheStoredAvatarIgnoringCase) {
  AccountMake(u"ann_example");
  AccountMake(u"ann_example.old");
  AccountMake(u"bob_sample");
  TAvatarList list = AvatarListBuild(u"SecondLife", u"ANN EXAMPLE");
  ASSERT_EQ(list.Users.size(), 3u);
  ASSERT_GE(list.Selected, 0);
  // The first of the two folders shown as "ann example", in list order.
  for (int i = 0; i < list.Selected; ++i) EXPECT_NE(list.ShownNames[i], u"ann example");
  EXPECT_EQ(list.ShownNames[list.Selected], u"ann example");
  EXPECT_EQ(AvatarListBuild(u"SecondLife", u"nobody").Selected, -1);
  EXPECT_EQ(AvatarListBuild(u"SecondLife", u"").Selected, -1);
  EXPECT_EQ(AvatarListBuild(u"Firestorm", u"ann example").Selected, -1);
}

struct LogPathCase {
  const char* name;
  std::string settings;
  Text expected;
};

TEST_F(ViewerTest, LogPathFollowsTheWalkRules) {
  const std::string target = Setting("InstantMessageLogPath", "string", "/logs/root");
  const LogPathCase cases[] = {
      {"plain", Llsd(target), u"/logs/root"},
      {"with declaration", Llsd(target, true), u"/logs/root"},
      {"given twice, the last stands",
       Llsd(target + Setting("InstantMessageLogPath", "string", "/second")), u"/second"},
      {"written as integer", Llsd(Setting("InstantMessageLogPath", "integer", "5")), u""},
      {"key as last child", Llsd("<key>InstantMessageLogPath</key>\n"), u""},
      {"key not followed by map",
       Llsd("<key>InstantMessageLogPath</key><string>/x</string>" +
            Setting("Other", "string", "y")),
       u""},
      {"other settings only", Llsd(Setting("Other", "string", "/x")), u""},
      {"not well-formed", "<llsd><map><key>InstantMessageLogPath</key>", u""},
      {"empty root", "<llsd/>", u""},
      {"key holding elements ends the walk with nothing", Llsd(target + "<key><b/></key><map/>"),
       u""},
      {"empty value", Llsd(Setting("InstantMessageLogPath", "string", "")), u""},
  };
  for (const auto& c : cases) {
    AccountMake(u"ann_example", c.settings);
    EXPECT_EQ(LogPathGet(u"SecondLife", u"ann_example"), c.expected) << c.name;
  }
  EXPECT_EQ(LogPathGet(u"SecondLife", u"missing_account"), u"");
}

TEST_F(ViewerTest, ChatFileIsBeneathTheLogRootOrTheViewerFolder) {
  Text root = appData_.Join(u"logs");
  AccountMake(u"ann_example", Llsd(Setting("InstantMessageLogPath", "string", TextToUtf8(root))));
  Text expected = PathJoin(PathJoin(root, u"ann_example"), u"chat.txt");
  EXPECT_EQ(ViewerChatFileGet(u"SecondLife", u"ann_example"), expected);
  AccountMake(u"ann_example", Llsd(Setting("InstantMessageLogPath", "string",
                                           TextToUtf8(PathWithSeparator(root)))));
  EXPECT_EQ(ViewerChatFileGet(u"SecondLife", u"ann_example"), expected);
  AccountMake(u"bob_sample");
  EXPECT_EQ(ViewerChatFileGet(u"SecondLife", u"bob_sample"),
            PathJoin(Account(u"bob_sample"), u"chat.txt"));
  EXPECT_EQ(ViewerChatFileGet(u"", u"ann_example"), u"");
}

// With dated log files the chat file is the newest chat-YYYY-MM-DD.txt, by the date in its name.
TEST_F(ViewerTest, DatedLogFilesAreFollowed) {
  const std::string dated = Setting("LogFileNamewithDate", "boolean", "1");
  Text folder = Account(u"ann_example");
  AccountMake(u"ann_example", Llsd(dated));
  // None written yet: today's, which the viewer writes next.
  EXPECT_EQ(ViewerChatFileGet(u"SecondLife", u"ann_example"),
            PathJoin(folder, DatedChatFileName(std::time(nullptr))));
  for (const char16_t* name :
       {u"chat-2025-11-09.txt", u"chat-2025-11-14.txt", u"chat-2025-1-15.txt",
        u"chat-2025-11-13.txt", u"chat.txt", u"chat-notes.txt"}) {
    FileWrite(PathJoin(folder, name), "x");
  }
  FolderMake(PathJoin(folder, u"chat-2025-12-01.txt"));  // a folder is no log
  EXPECT_EQ(ViewerChatFileGet(u"SecondLife", u"ann_example"),
            PathJoin(folder, u"chat-2025-11-14.txt"));
  // The setting off: chat.txt while it exists, the newest dated file when it does not.
  AccountMake(u"ann_example", Llsd(""));
  EXPECT_EQ(ViewerChatFileGet(u"SecondLife", u"ann_example"), PathJoin(folder, u"chat.txt"));
  std::filesystem::remove(std::filesystem::path(PathJoin(folder, u"chat.txt")));
  EXPECT_EQ(ViewerChatFileGet(u"SecondLife", u"ann_example"),
            PathJoin(folder, u"chat-2025-11-14.txt"));
}

TEST(DatedChatFiles, NamesAndWhatFollowsWhat) {
  EXPECT_TRUE(IsDatedChatFileName(u"chat-2025-11-09.txt"));
  for (const char16_t* name : {u"chat.txt", u"chat-2025-11-9.txt", u"chat-2025-11-09.TXT",
                               u"chat-2025-11-09.txt.bak", u"chat-abcd-11-09.txt"}) {
    EXPECT_FALSE(IsDatedChatFileName(name)) << TextToUtf8(name);
  }
  auto noon = [](int day) { return LocalNoon(2025, 11, day); };
  const Text a = PathJoin(u"logs", u"chat-2025-11-14.txt");
  const Text b = PathJoin(u"logs", u"chat-2025-11-15.txt");
  const struct {
    const char* name;
    Text previous, next;
    int today;
    bool follows;
  } cases[] = {
      {"the next day's, today", a, b, 15, true},
      {"the next day's, a day later", a, b, 16, true},
      {"the next day's, two days later: old", a, b, 17, false},
      {"an earlier day's", b, a, 15, false},
      {"the same file", a, a, 15, false},
      {"after chat.txt (dated names just on)", PathJoin(u"logs", u"chat.txt"), b, 15, false},
      {"another folder's", a, PathJoin(u"other", u"chat-2025-11-15.txt"), 15, false},
      {"back to chat.txt", a, PathJoin(u"logs", u"chat.txt"), 15, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DatedChatFileFollows(c.previous, c.next, noon(c.today)), c.follows) << c.name;
  }
  struct tm day = {};
  day.tm_year = 2025 - 1900;
  day.tm_mon = 0;
  day.tm_mday = 2;
  day.tm_hour = 12;
  EXPECT_EQ(DatedChatFileName(std::mktime(&day)), u"chat-2025-01-02.txt");
}

// What the account's settings say about its log, each setting with the viewer's default.
TEST_F(ViewerTest, AccountLogSettingsAndTheHintTheyGive) {
  AccountMake(u"ann_example", Llsd(Setting("LogTimestamp", "boolean", "0") +
                                   Setting("LogNearbyChat", "integer", "0") +
                                   Setting("LogFileNamewithDate", "boolean", "true") +
                                   Setting("KeepConversationLogTranscripts", "integer", "1")));
  TAccountLogSettings s = AccountLogSettingsGet(u"SecondLife", u"ann_example");
  EXPECT_FALSE(s.TranscriptsLogged);
  EXPECT_FALSE(s.Timestamps);
  EXPECT_FALSE(s.LogsNearbyChat);
  EXPECT_TRUE(s.DatedFileNames);
  AccountMake(u"bob_sample");
  s = AccountLogSettingsGet(u"SecondLife", u"bob_sample");
  EXPECT_TRUE(s.Timestamps && s.LogsNearbyChat && !s.DatedFileNames && s.TranscriptsLogged);
  // Firestorm logs nearby chat only when told to.
  EXPECT_FALSE(AccountLogSettingsGet(u"Firestorm", u"bob_sample").LogsNearbyChat);
  EXPECT_EQ(ChatLogNoticeText(u"Firestorm", u"bob sample", {u"", false, false, true}, true),
            u"Firestorm is not logging nearby chat.");
  EXPECT_EQ(ChatLogNoticeText(u"SecondLife", u"bob sample", {}, false),
            u"No chat log found for bob sample.");
  EXPECT_EQ(ChatLogNoticeText(u"SecondLife", u"", {}, false), u"No chat log found.");
  EXPECT_EQ(ChatLogNoticeText(u"SecondLife", u"bob sample", {}, true), u"");
}

TEST_F(ViewerTest, NewestInstallationSettingsFile) {
  Text pattern = PathJoin(PathJoin(Viewer(), u"user_settings"), u"settings*.xml");
  EXPECT_EQ(ViewerSettingsFileGet(pattern), u"");
  UserSettingsWrite(u"settings.xml", "a", 3);
  UserSettingsWrite(u"settings_minimal.xml", "b", 2);
  UserSettingsWrite(u"settings_crash_behavior.xml", "c", 0);
  UserSettingsWrite(u"other.xml", "d", 0);
  FolderMake(PathJoin(PathJoin(Viewer(), u"user_settings"), u"settings_dir.xml"));
  EXPECT_EQ(ViewerSettingsFileGet(pattern),
            PathJoin(PathJoin(Viewer(), u"user_settings"), u"settings_minimal.xml"));
}

TEST_F(ViewerTest, EqualTimesKeepTheFirstEnumerated) {
  Text folder = PathJoin(Viewer(), u"user_settings");
  UserSettingsWrite(u"settings_a.xml", "a", 5);
  UserSettingsWrite(u"settings_b.xml", "b", 5);
  auto time =
      std::filesystem::last_write_time(std::filesystem::path(PathJoin(folder, u"settings_a.xml")));
  std::filesystem::last_write_time(std::filesystem::path(PathJoin(folder, u"settings_b.xml")),
                                   time);
  Text first;
  for (const FolderEntry& e : FolderEntriesGet(folder, u"settings*.xml")) {
    if (!e.isFolder) {
      first = e.name;
      break;
    }
  }
  EXPECT_EQ(ViewerSettingsFileGet(PathJoin(folder, u"settings*.xml")), PathJoin(folder, first));
}

struct DisplayNamesCase {
  const char* name;
  std::string settings;
  bool expected;
};

TEST_F(ViewerTest, UseDisplayNamesReadsTheViewersChoice) {
  const DisplayNamesCase cases[] = {
      {"0", Llsd(Setting("UseDisplayNames", "integer", "0")), false},
      {"1", Llsd(Setting("UseDisplayNames", "integer", "1")), true},
      {"2", Llsd(Setting("UseDisplayNames", "integer", "2")), true},
      {"absent", Llsd(Setting("Other", "integer", "0")), true},
      {"not a number", Llsd(Setting("UseDisplayNames", "integer", "word")), true},
      {"not a number after a 0",
       Llsd(Setting("UseDisplayNames", "integer", "0") +
            Setting("UseDisplayNames", "integer", "x")),
       false},
      {"boolean written by a checkbox", Llsd(Setting("UseDisplayNames", "boolean", "0")), false},
      {"boolean false", Llsd(Setting("UseDisplayNames", "boolean", "false")), false},
      {"boolean true after integer 0",
       Llsd(Setting("UseDisplayNames", "integer", "0") +
            Setting("UseDisplayNames", "boolean", "true")),
       true},
      {"with declaration", Llsd(Setting("UseDisplayNames", "integer", "0"), true), false},
      {"as string", Llsd(Setting("UseDisplayNames", "string", "0")), true},
  };
  EXPECT_TRUE(UseDisplayNamesGet(u"SecondLife"));  // no file at all
  for (const auto& c : cases) {
    UserSettingsWrite(u"settings.xml", c.settings);
    EXPECT_EQ(UseDisplayNamesGet(u"SecondLife"), c.expected) << c.name;
  }
  EXPECT_TRUE(UseDisplayNamesGet(u"Nonexistent"));
}

TEST(ViewerNameAt, OnlyTheTwoViewers) {
  EXPECT_EQ(ViewerNameAt(0), u"SecondLife");
  EXPECT_EQ(ViewerNameAt(1), u"Firestorm");
  EXPECT_EQ(ViewerNameAt(2), u"");
  EXPECT_EQ(ViewerNameAt(-1), u"");
}

}  // namespace
