#include "viewer/transcripts.h"

#include <gtest/gtest.h>

#include <time.h>

#include <limits>
#include <map>

#include "platform/platform.h"
#include "platform/testing/testing.h"

namespace {

// Both viewers' own example lines, one with a name the viewers escape, a line of another form.
constexpr std::string_view kConversationLog =
    "[1343221177] 0 1 0 John Doe| 7e4ec5be-783f-49f5-71dz-16c58c64c145 "
    "4ec62a74-c246-0d25-2af6-846beac2aa55 john.doe|\n"
    "[1343222639] 2 0 0 Ad-hoc Conference| c3g67c89-c479-4c97-b21d-32869bcfe8rc "
    "68f1c33e-4135-3e3e-a897-8c9b23115c09 Ad-hoc Conference "
    "hash597394a0-9982-766d-27b8-c75560213b9a|\r\n"
    "[1765340000] 1 0 0 R%26D%3A Team| 00000000-0000-0000-0000-000000000000 "
    "9b2a0c1e-1111-2222-3333-444455556666 R%26D%3A Team (group)|\n"
    "not a conversation\n"
    "[1765340000] 7 0 0 Nobody| a b c|\n";

TEST(Transcripts, ConversationLogIndexesTheTranscriptsByTheirFileNames) {
  TConversationIndex index = ConversationLogParse(kConversationLog);
  ASSERT_EQ(index.size(), 3u);
  EXPECT_EQ(index[u"john_doe"], (TTranscript{TTranscriptKind::kIm, u"John Doe"}));
  EXPECT_EQ(index[u"r&d_ team (group)"], (TTranscript{TTranscriptKind::kGroup, u"R&D: Team"}));
  EXPECT_EQ(index[u"ad-hoc conference hash597394a0-9982-766d-27b8-c75560213b9a"],
            (TTranscript{TTranscriptKind::kConference, u"Ad-hoc Conference"}));
}

TEST(Transcripts, FileNamesTellWhoseConversationTheyHold) {
  const TConversationIndex index = ConversationLogParse(kConversationLog);
  using K = TTranscriptKind;
  struct Case {
    const char16_t* file;
    std::optional<TTranscript> expected;
  } cases[] = {
      // Firestorm's legacy names, the Second Life viewer's user names (dots replaced).
      {u"Ann Example.txt", TTranscript{K::kIm, u"Ann Example"}},
      {u"Ann Example-2026-12.txt", TTranscript{K::kIm, u"Ann Example"}},
      {u"zoe_example.txt", TTranscript{K::kIm, u"zoe example"}},
      {u"john_doe.txt", TTranscript{K::kIm, u"John Doe"}},
      {u"john_doe-2026-12.txt", TTranscript{K::kIm, u"John Doe"}},
      {u"Builders Guild (group).txt", TTranscript{K::kGroup, u"Builders Guild"}},
      {u"Builders Guild (group)-2026-12.txt", TTranscript{K::kGroup, u"Builders Guild"}},
      {u"R&D_ Team (group)-2026-12.txt", TTranscript{K::kGroup, u"R&D: Team"}},
      {u"Ann Example Conference 2026_12_10 04_20 f0f4.txt",
       TTranscript{K::kConference, u"Ann Example Conference"}},
      {u"Ad-hoc Conference hash597394a0-9982-766d-27b8-c75560213b9a.txt",
       TTranscript{K::kConference, u"Ad-hoc Conference"}},
      {u"Ann Example hash11111111-2222-3333-4444-555555555555.txt",
       TTranscript{K::kConference, u"Ann Example"}},
      // Nearby chat, and the viewers' other files.
      {u"chat.txt", std::nullopt},
      {u"chat-2026-12-10.txt", std::nullopt},
      {u"teleport_history.txt", std::nullopt},
      {u"typed_locations.txt", std::nullopt},
      {u"conversation.log", std::nullopt},
      {u"settings_per_account.xml", std::nullopt},
      {u".txt", std::nullopt},
      {u"-2026-12.txt", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TranscriptOf(c.file, index), c.expected) << TextToUtf8(c.file);
  }
}

// The local clock is UTC for the test's length.
class UtcClock {
 public:
  UtcClock() { tzset(); }
  ~UtcClock() {
    utc_.reset();
    tzset();
  }

 private:
  std::optional<EnvOverride> utc_{std::in_place, "TZ", u"UTC0"};
};

TEST(Transcripts, AFirstStampIsNewInTheLocalClockOrInSecondLifeTime) {
  UtcClock utc;
  // 2026-12-10 12:00 UTC: 04:00 Pacific standard time.
  const std::time_t winter = 1796904000;
  // 2026-07-01 12:00 UTC: 05:00 Pacific daylight time.
  const std::time_t summer = 1782907200;
  struct Case {
    std::time_t when;
    std::string_view head;
    std::optional<bool> expected;
  } cases[] = {
      {winter, "[2026/12/10 04:00]  Ann: hi\n", true},   // Second Life time
      {winter, "[2026/12/10 12:00]  Ann: hi\n", true},   // local time
      {winter, "[2026/12/10 3:59]  Ann: hi\n", true},    // a minute's grace
      {winter, "[2026/12/10 03:58]  Ann: hi\n", false},  // before both
      {winter, "[2026/12/09 23:00]  Ann: hi\n", false},
      {winter, "[2026/12/10 04:00:30]  Ann: hi\n", true},
      {winter, "[2026/12/10 4:05 AM]  Ann: hi\n", true},
      {winter, "[2026/12/10 12:05 AM]  Ann: hi\n", false},
      {winter, "[2026/12/10 1:00 PM]  Ann: hi\n", true},
      {winter, "[04:30]  Ann: hi\n", true},  // no date: the day of when
      {winter, "[03:00]  Ann: hi\n", false},
      {winter, "\xEF\xBB\xBF[2026/12/10 04:00]  Ann: hi\n", true},
      {winter, "[2026/12/10 04:00]  Ann: hi", std::nullopt},  // the line still being written
      {winter, "", std::nullopt},
      {winter, "Ann: hi\n", false},  // no stamp tells nothing: old
      {winter, "[2026/12/10 xx:00]  Ann: hi\n", false},
      {summer, "[2026/07/01 05:00]  Ann: hi\n", true},
      {summer, "[2026/07/01 04:30]  Ann: hi\n", false},  // new in winter time only
      // Clocks beyond what a stamp can name.
      {std::numeric_limits<std::time_t>::min(), "[2026/12/10 04:00]  Ann: hi\n", true},
      {std::numeric_limits<std::time_t>::max(), "[2026/12/10 04:00]  Ann: hi\n", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FirstStampNotOlder(c.head, c.when), c.expected) << c.head;
  }
}

// Log folders as both viewers leave them: every file is what expected.txt says it is, by
// conversation.log where the folder has one.
TEST(Transcripts, BothViewersFoldersAreRead) {
  const Text root = SourcePath(u"viewer/testdata/log_folders");
  std::map<Text, std::string> expected;
  std::string listing = FileBytes(PathJoin(root, u"expected.txt"));
  for (size_t start = 0, end; (end = listing.find('\n', start)) != std::string::npos;
       start = end + 1) {
    std::string line = listing.substr(start, end - start);
    size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    expected[Utf8ToText(line.substr(0, tab))] = line.substr(tab + 1);
  }
  size_t seen = 0;
  for (const Text& viewer : {Text(u"firestorm"), Text(u"secondlife")}) {
    for (const FolderEntry& account : FolderEntriesGet(PathJoin(root, viewer), u"*")) {
      if (!account.isFolder || account.name.starts_with(u".")) continue;
      Text folder = PathJoin(PathJoin(root, viewer), account.name);
      TConversationIndex index =
          ConversationLogParse(FileBytes(PathJoin(folder, kConversationLogName)));
      for (const FolderEntry& file : FolderEntriesGet(folder, u"*")) {
        if (file.isFolder) continue;
        Text key = viewer + u"/" + account.name + u"/" + file.name;
        std::optional<TTranscript> transcript = TranscriptOf(file.name, index);
        const char* kinds[] = {"im", "group", "conference"};
        std::string got = transcript ? std::string(kinds[static_cast<int>(transcript->kind)]) +
                                           "\t" + TextToUtf8(transcript->name)
                                     : "none";
        ASSERT_TRUE(expected.contains(key)) << TextToUtf8(key) << " is not in expected.txt";
        EXPECT_EQ(got, expected[key]) << TextToUtf8(key);
        ++seen;
      }
    }
  }
  EXPECT_EQ(seen, expected.size());
}

}  // namespace
