#include "app/transcripts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "platform/testing/testing.h"

namespace {

// A stamp of the local clock, minutes from now.
std::string StampIn(int minutes) {
  std::time_t when = std::time(nullptr) + minutes * 60;
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "[%Y/%m/%d %H:%M]  ", std::localtime(&when));
  return stamp;
}

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
        got.push_back(kinds[static_cast<int>(transcript.kind)] + (u" " + transcript.name) +
                      u" | " + line);
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

}  // namespace
