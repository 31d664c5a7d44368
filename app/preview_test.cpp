#include <gtest/gtest.h>

#include <span>
#include <sstream>

#include "app/commands.h"
#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "text/uText.h"

namespace {

struct PreviewResult {
  int code;
  std::string out, err;
};

PreviewResult Preview(const Arguments& args, const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out, err;
  int code = PreviewRun(args, in, out, err);
  return {code, out.str(), err.str()};
}

constexpr char kChat[] =
    "[2013/10/14 21:05]  Ann Example (ann.example): Hello (Bonjour)\r\n"
    "[2013/10/14 21:06]  Bob Sample (bob.sample): brb\r\n"
    " back soon\r\n";

TEST(Preview, PrintsWhatWouldBeSpoken) {
  TempFolder folder;
  FileWrite(folder.Join(u"Dictionary.txt"),
            "# VORTANE PROJECT KELVORA Dictionary Format V 1.0\nbrb\tbe right back\n");
  FileWrite(folder.Join(u"BlackList.txt"),
            "# VORTANE PROJECT KELVORA User List Format V 1.0\nann.example\n");
  std::string dir = TextToUtf8(folder.Path());
  struct {
    Arguments args;
    std::string expected;
  } cases[] = {
      {{"--folder", dir}, "Bob Sample : be right back back soon\n"},
      {{"--folder", dir, "--name", "user"}, "bob sample : be right back back soon\n"},
      {{"--folder", dir, "--mode", "stamp"},
       " Ann Example (ann.example): Hello (Bonjour)\n Bob Sample (bob.sample): be right back\n"
       " back soon\n"},
      {{"--folder", dir, "--mode", "regex", "--mask", "\\(.*?\\)"},
       "[2013/10/14 21:05]  Ann Example : Hello \n[2013/10/14 21:06]  Bob Sample : be right back\n"
       " back soon\n"},
      {{"--folder", dir + "/none", "--translate", "translated", "-"},
       "Ann Example : Bonjour\nBob Sample : brb back soon\n"},
  };
  for (const auto& c : cases) {
    // A loaded dictionary stays in force when a later folder has none; each case starts clean.
    ChatFilter = {};
    PreviewResult run = Preview(c.args, kChat);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, c.expected);
  }
  ChatFilter = {};
}

// Every checked-in log, read by the command as a user would run it on their own log, with the
// side files of its folder.
// Options added to a run on chat, with no side files, and what it prints.
struct OptionCase {
  Arguments args;
  std::string expected;
};

void OptionCasesCheck(const std::string& chat, std::span<const OptionCase> cases) {
  TempFolder folder;
  for (const OptionCase& c : cases) {
    Arguments args = {"--folder", TextToUtf8(folder.Path())};
    args.insert(args.end(), c.args.begin(), c.args.end());
    PreviewResult run = Preview(args, chat);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.out, c.expected) << (c.args.empty() ? "" : c.args[0]);
  }
}

TEST(Preview, ShowsHowTextIsSaid) {
  const std::string chat =
      "[2025/11/14 18:05]  𝓢𝓪𝓻𝓪𝓱 (sarah.belle): 😂😂 www.example.com/x\n"
      "[2025/11/14 18:06]  Magic Dance Ball: Welcome!\n";
  const OptionCase cases[] = {
      {{}, "Sarah : face with tears of joy link to example.com\nMagic Dance Ball : Welcome!\n"},
      {{"--plain-letters", "0"},
       "𝓢𝓪𝓻𝓪𝓱 : face with tears of joy link to example.com\nMagic Dance Ball : Welcome!\n"},
      {{"--emoji", "0"}, "Sarah : link to example.com\nMagic Dance Ball : Welcome!\n"},
      {{"--links", "0"},
       "Sarah : face with tears of joy www.example.com/x\nMagic Dance Ball : Welcome!\n"},
      {{"--objects", "0"}, "Sarah : face with tears of joy link to example.com\n"},
  };
  OptionCasesCheck(chat, cases);
  EXPECT_EQ(Preview({"--emoji", "2"}, chat).code, 2);
  ChatFilter = {};
}

TEST(Preview, ShowsConversationsAndLinesForYou) {
  const std::string chat = "[2025/11/14 18:05]  Jane Doe: hi zoe\n";
  const OptionCase cases[] = {
      {{}, "Jane Doe : hi zoe\n"},
      {{"--source", "im"}, "IM, Jane Doe : hi zoe\n"},
      {{"--source", "group", "Builders Guild"}, "Builders Guild, Jane Doe : hi zoe\n"},
      {{"--speak-ims", "0", "--source", "im"}, ""},
      {{"--my-names", "Zoe"}, "For you. Jane Doe : hi zoe\n"},
      {{"--my-names", "Zoe", "--mentions", "0"}, "Jane Doe : hi zoe\n"},
      {{"--my-names", "Bob", "--mentions", "2"}, ""},
  };
  OptionCasesCheck(chat, cases);
  EXPECT_EQ(Preview({"--source", "group"}, chat).code, 2);
  EXPECT_EQ(Preview({"--mentions", "3"}, chat).code, 2);
  ChatFilter = {};
}

TEST(Preview, SpeaksEachFixtureLogAsExpected) {
  std::vector<FixtureLog> logs = FixtureLogsGet(SourcePath(u"text/testdata/logs"));
  ASSERT_GE(logs.size(), 13u);
  for (const FixtureLog& log : logs) {
    ChatFilter = {};
    Arguments args = {"--folder", TextToUtf8(log.folder)};
    std::istringstream options(log.args);
    for (std::string option; options >> option;) args.push_back(option);
    args.push_back(TextToUtf8(log.log));
    PreviewResult run = Preview(args, "");
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(LinesSplit(Utf8ToText(run.out)), log.spoken) << TextToUtf8(log.log);
  }
  ChatFilter = {};
}

// What a busy place needs: which voice each entry would use, and what is cut.
TEST(Preview, ShowsVoicesAndCuts) {
  TempFolder folder;
  FileWrite(folder.Join(u"Voices.txt"),
            "# VORTANE PROJECT KELVORA Voice List Format V 1.0\nbob.sample\tSapi B\n");
  ChatFilter = {};
  PreviewResult run = Preview({"--folder", TextToUtf8(folder.Path()), "--max-length", "8"},
                              "[18:05]  Ann (ann.example): hi\n"
                              "[18:05]  Bob (bob.sample): a longer message\n");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "Ann : hi\n[Sapi B] Bob : a longer and so on\n");
  EXPECT_EQ(Preview({"--max-length", "x"}, "").code, 2);
  ChatFilter = {};
}

// --name-repeat leaves a repeated speaker's name out (the input counts as written at once); an
// emote keeps it, another speaker between brings it back.
TEST(Preview, NameRepeatLeavesRepeatedNamesOut) {
  TempFolder folder;
  ChatFilter = {};
  const std::string chat =
      "[18:05]  Ann (ann.example): hi\n[18:05]  Ann (ann.example): there\n"
      "[18:05]  Ann (ann.example): /me waves\n[18:06]  Bob (bob.sample): yo\n"
      "[18:06]  Ann (ann.example): back\n[18:06]  Ann (ann.example): again\n";
  PreviewResult run = Preview({"--folder", TextToUtf8(folder.Path()), "--name-repeat", "30"}, chat);
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "Ann : hi\nthere\nAnn waves\nBob : yo\nAnn : back\nagain\n");
  run = Preview({"--folder", TextToUtf8(folder.Path())}, chat);
  EXPECT_EQ(run.out, "Ann : hi\nAnn : there\nAnn waves\nBob : yo\nAnn : back\nAnn : again\n");
  EXPECT_EQ(Preview({"--name-repeat", "-1"}, "").code, 2);
  ChatFilter = {};
}

// --auto-voices shows each entry's voice and pitch: the same speaker always the same, the
// viewer's notices in the first voice (no brackets); where there is no voice, none is shown.
TEST(Preview, AutoVoicesShowEachSpeakersVoice) {
  TempFolder folder;
  ChatFilter = {};
  PreviewResult run = Preview({"--folder", TextToUtf8(folder.Path()), "--auto-voices", "on"},
                              "[18:05]  Ann (ann.example): hi\n[18:05]  Bob (bob.sample): yo\n"
                              "[18:05]  Ann (ann.example): again\n[18:06]  Second Life: x\n");
  ASSERT_EQ(run.code, 0) << run.err;
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(run.out.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 4u) << run.out;
  auto voiceOf = [](const std::string& line) { return line.substr(0, line.find("] ") + 1); };
  EXPECT_EQ(voiceOf(lines[0]), voiceOf(lines[2]));
  EXPECT_EQ(lines[0].substr(lines[0].size() - 8), "Ann : hi");
  EXPECT_EQ(lines[3], "Second Life : x");
  EXPECT_EQ(Preview({"--auto-voices", "maybe"}, "").code, 2);
  ChatFilter = {};
}

// Lines of the side files that can never match are named, and the rest still works.
TEST(Preview, NamesSideFileLinesThatCanNeverMatch) {
  TempFolder folder;
  FileWrite(
      folder.Join(u"WhiteList.txt"),
      "# VORTANE PROJECT KELVORA User List Format V 1.0\njanedoe Resident\nAnn Middle Example\n");
  FileWrite(folder.Join(u"Voices.txt"), "# Voices\njanedoe\tSapi B\n");
  ChatFilter = {};
  PreviewResult run = Preview({"--folder", TextToUtf8(folder.Path())},
                              "[18:05]  janedoe Resident: hi\n[18:05]  Ann Middle Example: yo\n");
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "janedoe Resident : hi\n");
  EXPECT_EQ(run.err,
            "kelvora preview: line 3 of WhiteList.txt is not a user name\n"
            "kelvora preview: the first line of Voices.txt is not its header\n");
  ChatFilter = {};
}

TEST(Preview, BadOptionsAndPatternsFailWithOneLine) {
  struct {
    Arguments args;
    int code;
    std::string message;
  } cases[] = {
      {{"--mode", "loud"}, 2, "kelvora preview: bad value \"loud\" for --mode\n"},
      {{"--bogus", "x"}, 2, "kelvora preview: unknown option --bogus\n"},
      {{"--name"}, 2, "kelvora preview: missing value for --name\n"},
      {{"--mode", "regex", "--mask", "("}, 1, "kelvora preview: Regular expression \"(\""},
      {{"/nonexistent/chat.txt"}, 1, "kelvora preview: cannot read /nonexistent/chat.txt\n"},
  };
  for (const auto& c : cases) {
    PreviewResult run = Preview(c.args, "[2013/10/14 21:05]  ann: hi\n");
    EXPECT_EQ(run.code, c.code);
    EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
    EXPECT_TRUE(run.out.empty());
  }
}

}  // namespace
