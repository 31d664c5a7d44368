#include "app/transcripts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "platform/platform.h"
#include "platform/testing/testing.h"

namespace {

// A stamp of the local clock, minutes from now.
std::string StampIn(int minutes) { return ViewerStamp(std::time(nullptr) + minutes * 60); }

class TranscriptsTest : public ::testing::Test {
 protected:
  // One change told; what it delivered, each line after its conversation's kind and name.
  LineList Changed(const Text& path) {
    LineList got;
    transcripts_.Changed(path, Collect(got), access_);
    return got;
  }
  LineList Ticked() {
    LineList got;
    transcripts_.Tick(Collect(got), access_);
    return got;
  }
  LineList Rescanned() {
    LineList got;
    transcripts_.Rescan(Collect(got), access_);
    return got;
  }
  TranscriptLinesHandler Collect(LineList& got) {
    return [&got](const TTranscript& transcript, const LineList& lines) {
      const char16_t* kinds[] = {u"im", u"group", u"conference"};
      for (const Text& line : lines) {
        got.push_back(kinds[static_cast<int>(transcript.kind)] + (u" " + transcript.name) + u" | " +
                      line);
      }
      return true;
    };
  }

  TempFolder folder_;
  Text ann_ = folder_.Join(u"Ann Example.txt");
  Text guild_ = folder_.Join(u"Builders_ Guild (group)-2026-12.txt");
  TTranscripts transcripts_;
  int sizeProbes_ = 0;
  TChatFileAccess access_{FileExists, [this](TextView path) {
                            ++sizeProbes_;
                            return FileSizeProbe(path);
                          }};
};

TEST_F(TranscriptsTest, OldTranscriptsAreNeverReplayedAndTheirNewLinesAreHeard) {
  FileWrite(ann_, "[2020/01/01 10:00]  Ann Example: old news\n");
  FileWrite(guild_, "[2020/01/01 10:00]  Bob: old too\n");
  FileWrite(folder_.Join(u"chat.txt"), "[2020/01/01 10:00]  Cy: nearby\n");
  transcripts_.Start(folder_.Path(), std::time(nullptr), access_);
  EXPECT_TRUE(Changed(ann_).empty());
  FileAppend(ann_, "[10:01]  Ann Example: hi\n");
  FileAppend(guild_, "[10:01]  Bob: meeting now\n");
  EXPECT_EQ(Changed(ann_), (LineList{u"im Ann Example | [10:01]  Ann Example: hi"}));
  // Without conversation.log, the name is the file's.
  EXPECT_EQ(Changed(guild_), (LineList{u"group Builders  Guild | [10:01]  Bob: meeting now"}));
  EXPECT_EQ(transcripts_.Heard(), (TTranscriptsHeard{1, 1}));
  // conversation.log names the conversation as the viewer does, before its name was cleaned.
  FileWrite(folder_.Join(u"conversation.log"),
            "[1765340000] 1 0 0 Builders%3A Guild| 1 2 Builders%3A Guild (group)|\n");
  Changed(folder_.Join(u"conversation.log"));
  FileAppend(guild_, "[10:02]  Bob: and again\n");
  EXPECT_EQ(Changed(guild_), (LineList{u"group Builders: Guild | [10:02]  Bob: and again"}));
}

TEST_F(TranscriptsTest, ANewConversationIsReadFromItsStartAndACopyOfAnOldOneFromItsEnd) {
  transcripts_.Start(folder_.Path(), std::time(nullptr), access_);
  // The viewer writes the first line in two pieces: judged once it is whole.
  FileWrite(ann_, StampIn(0) + "Ann Example: are you th");
  EXPECT_TRUE(Changed(ann_).empty());
  FileAppend(ann_, "ere?\n");
  EXPECT_EQ(Changed(ann_), (LineList{u"im Ann Example | " + AsciiToText(StampIn(0)) +
                                     u"Ann Example: are you there?"}));
  // A transcript copied or renamed by the viewer begins with old lines.
  Text copy = folder_.Join(u"ann_example.txt");
  FileWrite(copy, "[2020/01/01 10:00]  Ann Example: from long ago\n");
  EXPECT_TRUE(Changed(copy).empty());
  FileAppend(copy, "[10:05]  Ann Example: now\n");
  EXPECT_EQ(Changed(copy), (LineList{u"im ann example | [10:05]  Ann Example: now"}));
  // Renamed by the viewer, a conversation begun since START is not said again.
  Text renamed = folder_.Join(u"Ann Example-2026-12.txt");
  std::filesystem::rename(std::filesystem::path(ann_), std::filesystem::path(renamed));
  EXPECT_TRUE(Changed(ann_).empty());
  EXPECT_TRUE(Changed(renamed).empty());
  std::filesystem::rename(std::filesystem::path(renamed), std::filesystem::path(ann_));
  EXPECT_TRUE(Changed(renamed).empty());
  // A file deleted and made anew is a new conversation.
  std::filesystem::remove(std::filesystem::path(ann_));
  EXPECT_TRUE(Changed(ann_).empty());
  FileWrite(ann_, StampIn(1) + "Ann Example: back\n");
  EXPECT_EQ(Changed(ann_).size(), 1u);
}

TEST_F(TranscriptsTest, OnlyTheNamedFilesAndTheConversationsHeardAreLookedAt) {
  for (int i = 0; i < 50; ++i) {
    FileWrite(folder_.Join(u"Person " + AsciiToText(std::to_string(i)) + u".txt"), "old\n");
  }
  transcripts_.Start(folder_.Path(), std::time(nullptr), access_);
  sizeProbes_ = 0;
  EXPECT_TRUE(Ticked().empty());
  EXPECT_EQ(sizeProbes_, 0);
  Text person = folder_.Join(u"Person 7.txt");
  FileAppend(person, "[10:00]  Person Seven: hello\n");
  EXPECT_EQ(Changed(person).size(), 1u);
  // A notification lost for a conversation heard: the timer's tick still finds its lines.
  FileAppend(person, "[10:01]  Person Seven: still there?\n");
  sizeProbes_ = 0;
  EXPECT_EQ(Ticked().size(), 1u);
  EXPECT_EQ(sizeProbes_, 1);
  // The system lost count: every file is looked at, the new ones judged.
  FileAppend(folder_.Join(u"Person 3.txt"), "[10:02]  Person Three: me too\n");
  FileWrite(guild_, StampIn(0) + "Bob: new group chat\n");
  EXPECT_EQ(Rescanned().size(), 2u);
}

TEST_F(TranscriptsTest, OwnsTheTranscriptsOfItsFolderAlone) {
  transcripts_.Start(folder_.Path(), std::time(nullptr), access_);
  EXPECT_TRUE(transcripts_.Owns(ann_));
  EXPECT_TRUE(transcripts_.Owns(folder_.Join(u"conversation.log")));
  EXPECT_FALSE(transcripts_.Owns(folder_.Join(u"chat.txt")));
  EXPECT_FALSE(transcripts_.Owns(folder_.Join(u"settings_per_account.xml")));
  EXPECT_FALSE(transcripts_.Owns(folder_.Path()));
  EXPECT_FALSE(transcripts_.Owns(folder_.Join(u"elsewhere/Ann Example.txt")));
  transcripts_.Stop();
  EXPECT_FALSE(transcripts_.Owns(ann_));
}

TEST_F(TranscriptsTest, SourcesTextNamesTheConversationsHeard) {
  EXPECT_EQ(SourcesText(transcripts_), u"");
  const Text files[] = {u"Ann.txt", u"Bob.txt", u"Cy.txt", u"Builders Guild (group).txt",
                        u"Ann Example Conference 2026_12_10 04_20 f0f4.txt"};
  for (const Text& file : files) FileWrite(folder_.Join(file), "");
  transcripts_.Start(folder_.Path(), std::time(nullptr), access_);
  EXPECT_EQ(SourcesText(transcripts_), u"chat");
  FileAppend(folder_.Join(files[0]), "[10:00]  Ann: hi\n");
  Changed(folder_.Join(files[0]));
  EXPECT_EQ(SourcesText(transcripts_), u"chat + 1 IM");
  for (const Text& file : files) {
    FileAppend(folder_.Join(file), "[10:01]  Ann: hi all\n");
    Changed(folder_.Join(file));
  }
  EXPECT_EQ(SourcesText(transcripts_), u"chat + 3 IMs + 2 groups");
  std::filesystem::remove(std::filesystem::path(folder_.Join(files[1])));
  EXPECT_TRUE(Rescanned().empty());
  EXPECT_EQ(SourcesText(transcripts_), u"chat + 2 IMs + 2 groups");
}

// The viewer's conversations in a random order, each change told as the watcher tells it: lines
// appended to old and new transcripts, new conversations, a transcript copied or renamed, one
// deleted and begun again. Every line said after START is delivered exactly once, in its file's
// order; nothing written before START, and nothing a copy or a new name brings along, ever is.
class RandomConversations {
 public:
  RandomConversations(uint32_t seed, const TempFolder& folder) : random_(seed), folder_(folder) {}

  void Run() {
    for (int i = 0; i < 4; ++i) Write(NewName(), OldLine(), false);
    transcripts_.Start(folder_.Path(), std::time(nullptr));
    int steps = 30 + static_cast<int>(random_() % 40);
    for (int step = 0; step < steps; ++step) {
      unsigned op = random_() % 20;
      if (op < 10 && !files_.empty()) {
        const Text& name = Pick();
        Write(name, NewLine(name), true);
      } else if (op < 13) {
        Text name = NewName();
        Write(name, StampIn(0) + TextToUtf8(name) + ": line " + std::to_string(++said_) + "\n",
              true);
      } else if (op < 15 && !files_.empty()) {
        CopyOrRename(random_() % 2 == 0);
      } else if (op < 16 && !files_.empty()) {
        Text name = Pick();
        std::filesystem::remove(std::filesystem::path(folder_.Join(name)));
        files_.erase(name);
        Told(name);
        Write(name, StampIn(0) + "Again: line " + std::to_string(++said_) + "\n", true);
      } else {
        Ticked();
      }
    }
    transcripts_.Rescan(Collect(), {});
    Ticked();
  }

  void Check(uint32_t seed) const {
    std::multiset<Text> got(delivered_.begin(), delivered_.end());
    std::multiset<Text> want(expected_.begin(), expected_.end());
    EXPECT_EQ(got, want) << "seed " << seed;
  }

 private:
  Text NewName() { return u"Person " + AsciiToText(std::to_string(++names_)) + u".txt"; }
  const Text& Pick() {
    auto it = files_.begin();
    std::advance(it, static_cast<long>(random_() % files_.size()));
    return it->first;
  }
  static std::string OldLine() { return "[2020/01/01 10:00]  Old: from before START\n"; }
  std::string NewLine(const Text& name) {
    return "[10:00]  " + TextToUtf8(name) + ": line " + std::to_string(++said_) + "\n";
  }
  // Appends a line; expected: it is to be delivered.
  void Write(const Text& name, const std::string& line, bool expected) {
    FileAppend(folder_.Join(name), line);
    files_[name] += line;
    if (expected) expected_.push_back(Utf8ToText(line.substr(0, line.size() - 1)));
    Told(name);
  }
  // A copy, or a new name, of a transcript: what it holds was delivered already, or never is.
  void CopyOrRename(bool rename) {
    Text from = Pick();
    Text to = NewName();
    std::string contents = files_[from];
    if (rename) {
      std::filesystem::rename(std::filesystem::path(folder_.Join(from)),
                              std::filesystem::path(folder_.Join(to)));
      files_.erase(from);
      Told(from);
    } else {
      FileWrite(folder_.Join(to), contents);
    }
    files_[to] = contents;
    Told(to);
  }
  void Told(const Text& name) { transcripts_.Changed(folder_.Join(name), Collect(), {}); }
  void Ticked() { transcripts_.Tick(Collect(), {}); }
  TranscriptLinesHandler Collect() {
    return [this](const TTranscript&, const LineList& lines) {
      delivered_.insert(delivered_.end(), lines.begin(), lines.end());
      return true;
    };
  }

  std::mt19937 random_;
  const TempFolder& folder_;
  TTranscripts transcripts_;
  std::map<Text, std::string> files_;  // what each transcript holds
  int names_ = 0, said_ = 0;
  LineList expected_, delivered_;
};

TEST(Transcripts, RandomConversationsDeliverEachNewLineOnce) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    TempFolder folder;
    RandomConversations conversations(seed, folder);
    conversations.Run();
    conversations.Check(seed);
    if (::testing::Test::HasFailure()) return;
  }
}

}  // namespace
