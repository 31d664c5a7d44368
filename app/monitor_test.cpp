#include "app/monitor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "platform/platform.h"
#include "platform/testing/testing.h"

namespace {

constexpr TChatSource kViewer = TChatSource::kViewerLog;
constexpr TChatSource kUtf8 = TChatSource::kSelectedUtf8;
constexpr TChatSource kSjis = TChatSource::kSelectedSjis;

class MonitorTest : public ::testing::Test {
 protected:
  // One tick; the lines it delivered, or an empty list.
  LineList Tick(TChatSource source = TChatSource::kViewerLog) {
    LineList got;
    lastResult_ = ChatFileTick(state_, path_, source, [&](const LineList& lines) { got = lines; });
    return got;
  }

  TempFolder folder_;
  Text path_ = folder_.Join(u"chat.txt");
  TMonitorState state_;
  TickResult lastResult_ = TickResult::kIdle;
};

TEST_F(MonitorTest, StartSkipsWhatTheFileHeldAndTicksReadOnlyTheAppend) {
  FileWrite(path_, "[2024/01/01 10:00]  old: line\r\n");
  MasterFileSizeMeasure(state_, path_, kViewer);
  EXPECT_EQ(state_.MasterFileSize, 31);
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(lastResult_, TickResult::kIdle);
  FileAppend(path_, "[2024/01/01 10:01]  new: one\r\n[2024/01/01 10:01]  new: two\r\n");
  EXPECT_EQ(Tick(), (LineList{u"[2024/01/01 10:01]  new: one", u"[2024/01/01 10:01]  new: two"}));
  EXPECT_EQ(state_.MasterFileSize, 31 + 60);
  EXPECT_TRUE(Tick().empty());
}

TEST_F(MonitorTest, MissingFileIsQuietAndIsReadWholeWhenItAppears) {
  MasterFileSizeMeasure(state_, path_, kViewer);
  EXPECT_EQ(state_.MasterFileSize, 0);
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(lastResult_, TickResult::kIdle);
  FileWrite(path_,
            "\xEF\xBB\xBF"
            "a\nb\n");
  EXPECT_EQ(Tick(), (LineList{u"a", u"b"}));
}

// START forgets the previous file: a log that appears later is new from its first line, however
// long the file read before was.
TEST_F(MonitorTest, StartWithoutFileForgetsThePreviousOne) {
  state_ = {42, "held", "tail of another file", folder_.Join(u"old.txt")};
  MasterFileSizeMeasure(state_, path_, kViewer);
  EXPECT_EQ(state_.MasterFileSize, 0);
  EXPECT_TRUE(state_.HeldBack.empty());
  EXPECT_TRUE(state_.Tail.empty());
  EXPECT_EQ(state_.Path, path_);
  FileWrite(path_, "[2024/01/01 10:00]  a: first\n[2024/01/01 10:00]  b: second\n");
  EXPECT_EQ(Tick(), (LineList{u"[2024/01/01 10:00]  a: first", u"[2024/01/01 10:00]  b: second"}));
}

// The chat file's path changes without the viewer's next dated file behind it (the account
// settings caught half-written, a folder gone for a moment): whatever the files hold, old chat
// is never spoken again.
TEST_F(MonitorTest, PathThatFlipsAwayAndBackReplaysNothing) {
  const std::string old = "[2024/01/01 09:00]  old: said long ago\n";
  const Text other = folder_.Join(u"custom/chat.txt");
  FolderMake(folder_.Join(u"custom"));
  FileWrite(other, old + old);
  FileWrite(path_, old);
  MasterFileSizeMeasure(state_, path_, kViewer);
  for (const Text& away :
       {folder_.Join(u"missing/chat.txt"), other, folder_.Join(u"chat-2024-01-01.txt")}) {
    LineList got;
    auto tick = [&](const Text& path) {
      ChatFileTick(state_, path, kViewer,
                   [&](const LineList& l) { got.insert(got.end(), l.begin(), l.end()); });
    };
    tick(away);
    FileAppend(path_, old);
    tick(path_);
    EXPECT_TRUE(got.empty()) << TextToUtf8(away) << ": " << TextToUtf8(got[0]);
    FileAppend(path_, "[2024/01/01 10:00]  new: now\n");
    tick(path_);
    EXPECT_EQ(got, LineList{u"[2024/01/01 10:00]  new: now"}) << TextToUtf8(away);
  }
}

// Old chat is never read again when the file changes: only the next day's dated file beside
// the old one is read from its start; dated names turned on while old dated files sit in the
// folder, a dated file of days ago, and a folder gone for a moment all follow from the end.
TEST_F(MonitorTest, OnlyTheNextDaysFileIsReadFromItsStart) {
  const std::string said = "[2024/05/01 09:00]  old: said before\n";
  const std::string fresh = "[2024/05/02 00:01]  new: now\n";
  auto day = [](int mday) { return LocalNoon(2024, 5, mday); };
  const struct {
    const char* name;
    const char16_t *from, *to;
    int today;
    bool folderGone;  // the log folder is missing at the change, back at the next tick
    LineList delivered;
  } cases[] = {
      {"the next day's file, today",
       u"chat-2024-05-01.txt",
       u"chat-2024-05-02.txt",
       2,
       false,
       {u"[2024/05/01 09:00]  old: said before", u"[2024/05/02 00:01]  new: now"}},
      {"dated names turned on: the newest dated file",
       u"chat.txt",
       u"chat-2024-05-02.txt",
       2,
       false,
       {u"[2024/05/02 00:01]  new: now"}},
      {"a dated file of days ago",
       u"chat-2024-05-01.txt",
       u"chat-2024-05-02.txt",
       9,
       false,
       {u"[2024/05/02 00:01]  new: now"}},
      {"the folder gone for a moment",
       u"chat-2024-05-01.txt",
       u"chat-2024-05-02.txt",
       2,
       true,
       {u"[2024/05/02 00:01]  new: now"}},
  };
  for (const auto& c : cases) {
    TempFolder root;
    const Text logs = root.Join(u"logs");
    FolderMake(logs);
    const Text from = PathJoin(logs, c.from), to = PathJoin(logs, c.to);
    FileWrite(from, said);
    TMonitorState state;
    MasterFileSizeMeasure(state, from, kViewer);
    FileWrite(to, said);  // what the new file holds when the monitor first looks
    TChatFileAccess access;
    access.now = [&] { return day(c.today); };
    LineList got;
    auto tick = [&](const Text& path) {
      ChatFileTick(
          state, path, kViewer,
          [&](const LineList& l) { got.insert(got.end(), l.begin(), l.end()); }, access);
    };
    if (c.folderGone) {
      std::filesystem::rename(std::filesystem::path(logs), std::filesystem::path(logs + u"-away"));
      tick(to);
      std::filesystem::rename(std::filesystem::path(logs + u"-away"), std::filesystem::path(logs));
    }
    tick(to);
    FileAppend(to, fresh);
    tick(to);
    EXPECT_EQ(got, c.delivered) << c.name;
  }
}

// START with the log's folder missing (a network share gone for a moment): when it comes back
// with old chat, that is not spoken; with the folder there, a chat file that appears is new.
TEST_F(MonitorTest, StartWithoutTheFolderFollowsTheFileFromItsEnd) {
  const Text gone = folder_.Join(u"gone/chat.txt");
  MasterFileSizeMeasure(state_, gone, kViewer);
  FolderMake(folder_.Join(u"gone"));
  FileWrite(gone, "[2024/01/01 09:00]  old: said long ago\n");
  LineList got;
  auto tick = [&] {
    ChatFileTick(state_, gone, kViewer,
                 [&](const LineList& l) { got.insert(got.end(), l.begin(), l.end()); });
  };
  tick();
  FileAppend(gone, "[2024/01/01 10:00]  new: now\n");
  tick();
  EXPECT_EQ(got, LineList{u"[2024/01/01 10:00]  new: now"});
}

TEST_F(MonitorTest, LineEndOnlyGivesOneEmptyLine) {
  FileWrite(path_, "x\n");
  MasterFileSizeMeasure(state_, path_, kViewer);
  FileAppend(path_, "\r\n");
  EXPECT_EQ(Tick(), LineList{u""});
  EXPECT_EQ(state_.MasterFileSize, 4);
}

struct DecodeCase {
  const char* name;
  std::string bytes;
  TChatSource source;
  LineList expected;
};

TEST_F(MonitorTest, DecodesByFileChoiceAndByteOrderMark) {
  const DecodeCase cases[] = {
      {"viewer file is UTF-8", "\xE3\x81\x82\n", kViewer, {u"\u3042"}},
      {"UTF8 chosen", "\xEF\xBB\xBF\xE3\x81\x82\n", kUtf8, {u"\u3042"}},
      {"SJIS chosen, UTF-8 mark", "\xEF\xBB\xBF\xE3\x81\x82\n", kSjis, {u"\u3042"}},
      {"SJIS chosen, no mark", "\x82\xA0\x82\xA2\r\n", kSjis, {u"\u3042\u3044"}},
      {"SJIS chosen, UTF-16 LE", std::string("\xFF\xFE\x42\x30\r\0\n\0", 8), kSjis, {u"\u3042"}},
      {"SJIS chosen, UTF-16 BE", std::string("\xFE\xFF\x30\x42\0\n", 6), kSjis, {u"\u3042"}},
      {"malformed UTF-8", "a\xFFz\n", kViewer, {u"a\uFFFDz"}},
      {"NUL ends the text", std::string("a\nb\0c\n", 6), kViewer, {u"a", u"b"}},
  };
  for (const auto& c : cases) {
    state_ = {};
    FileWrite(path_, c.bytes);
    EXPECT_EQ(Tick(c.source), c.expected) << c.name;
  }
}

// Appends to a UTF-16 file are decoded as UTF-16, not only the first read.
TEST_F(MonitorTest, Utf16AppendsAfterTheFirstRead) {
  FileWrite(path_, std::string("\xFF\xFE"
                               "a\0\n\0",
                               6));
  EXPECT_EQ(Tick(kSjis), LineList{u"a"});
  FileAppend(path_, std::string("\x42\x30\r\0\n\0", 6));
  EXPECT_EQ(Tick(kSjis), LineList{u"\u3042"});
}

TEST_F(MonitorTest, ShrunkFileSpeaksNothingOldAndLaterAppendsWhole) {
  FileWrite(path_, "one line that is long\nanother line\n");
  MasterFileSizeMeasure(state_, path_, kViewer);
  FileWrite(path_, "short\n");
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(lastResult_, TickResult::kReset);
  EXPECT_EQ(state_.MasterFileSize, 6);
  FileAppend(path_, "new line\n");
  EXPECT_EQ(Tick(), LineList{u"new line"});
}

TEST_F(MonitorTest, ReplacedLongerFileIsNoticed) {
  FileWrite(path_, "first\n");
  MasterFileSizeMeasure(state_, path_, kViewer);
  FileWrite(path_, "other content, longer than before\n");
  EXPECT_TRUE(Tick().empty());
  EXPECT_EQ(lastResult_, TickResult::kReset);
  FileAppend(path_, "fresh\n");
  EXPECT_EQ(Tick(), LineList{u"fresh"});
}

TEST_F(MonitorTest, PartialLineIsHeldUntilTheFileSettles) {
  FileWrite(path_, "");
  MasterFileSizeMeasure(state_, path_, kViewer);
  FileAppend(path_, "whole\npart \xE3\x81");  // a character cut in two
  EXPECT_EQ(Tick(), LineList{u"whole"});
  EXPECT_EQ(state_.MasterFileSize, 6);
  FileAppend(path_, "\x82 done\nnext");
  EXPECT_EQ(Tick(), LineList{u"part \u3042 done"});
  // Nothing was added during a whole tick: the last line ends without its line end.
  EXPECT_EQ(Tick(), LineList{u"next"});
  EXPECT_TRUE(Tick().empty());
}

TEST_F(MonitorTest, CrLfCutBetweenTwoReadsGivesNoEmptyLine) {
  FileWrite(path_, "");
  MasterFileSizeMeasure(state_, path_, kViewer);
  FileAppend(path_, "a\r");
  EXPECT_EQ(Tick(), LineList{u"a"});
  FileAppend(path_, "\nb\r\n");
  EXPECT_EQ(Tick(), LineList{u"b"});
}

TEST_F(MonitorTest, ReadStopsAtTheMeasuredSize) {
  FileWrite(path_, "one\ntwo\nthree\n");
  LineList lines;
  std::string heldBack;
  EXPECT_EQ(AppendedLinesLoad(lines, {}, path_, 4, 10, 10, kViewer, heldBack), 4);
  EXPECT_EQ(lines, LineList{u"two"});
  EXPECT_EQ(heldBack, "th");
}

TEST_F(MonitorTest, ReadOnlyFileIsFollowed) {
  FileWrite(path_, "a\n");
  MasterFileSizeMeasure(state_, path_, kViewer);
  FileAppend(path_, "b\n");
  std::filesystem::permissions(std::filesystem::path(path_), std::filesystem::perms::owner_read);
  EXPECT_EQ(Tick(), LineList{u"b"});
}

TEST_F(MonitorTest, ErrorInDeliveryLeavesTheStateAsItWas) {
  FileWrite(path_, "a\n");
  MasterFileSizeMeasure(state_, path_, kViewer);
  FileAppend(path_, "b\n");
  TMonitorState before = state_;
  EXPECT_THROW(ChatFileTick(state_, path_, kViewer,
                            [](const LineList&) { throw std::runtime_error("speech failed"); }),
               std::runtime_error);
  EXPECT_EQ(state_.MasterFileSize, before.MasterFileSize);
}

TEST_F(MonitorTest, FilesOfMoreThanTwoGibibytes) {
  FileWrite(path_, "");
  const auto big = std::uintmax_t{3} << 30;
  std::error_code error;
  std::filesystem::resize_file(std::filesystem::path(path_), big, error);
  if (error) GTEST_SKIP() << "no sparse files here: " << error.message();
  MasterFileSizeMeasure(state_, path_, kViewer);
  EXPECT_EQ(state_.MasterFileSize, static_cast<int64_t>(big));
  FileAppend(path_, "\nbeyond\n");
  EXPECT_EQ(Tick(), (LineList{u"", u"beyond"}));
}

// UTF-16 offsets stay even: at START and when a held-back last line is released.
TEST_F(MonitorTest, Utf16OffsetsStayOnWholeUnits) {
  const std::string bom = "\xFF\xFE";
  FileWrite(path_, bom + std::string("a\0\n\0", 4) + "\x42");  // a unit cut in two
  MasterFileSizeMeasure(state_, path_, kSjis);
  EXPECT_EQ(state_.MasterFileSize, 6);
  FileAppend(path_, std::string("\x30\r\0\n\0", 5));
  EXPECT_EQ(Tick(kSjis), LineList{u"\u3042"});

  FileWrite(path_, bom);
  state_ = {};
  MasterFileSizeMeasure(state_, path_, kSjis);
  FileAppend(path_, std::string("b\0c", 3));
  EXPECT_TRUE(Tick(kSjis).empty());
  EXPECT_EQ(Tick(kSjis), LineList{u"b"});  // settled: the whole unit only
  EXPECT_EQ(state_.MasterFileSize % 2, 0);
  FileAppend(path_, std::string("\0\n\0", 3));
  EXPECT_EQ(Tick(kSjis), LineList{u"c"});
}

// A file system whose reads fail while `failing` is set, counting what is asked of it.
struct FailingReads {
  bool failing = false;
  size_t largestRead = 0;
  TChatFileAccess Access() {
    TChatFileAccess access;
    access.read = [this](TextView path, int64_t offset, size_t count) {
      if (failing) throw PlatformError("Cannot open file: locked");
      largestRead = std::max(largestRead, count);
      return FileRangeRead(path, offset, count);
    };
    return access;
  }
};

// A failed open or read is no error: nothing is spoken, the state stays, and the next tick
// delivers those bytes, once.
TEST_F(MonitorTest, FailedReadsAreTriedAgainWithoutLoss) {
  FailingReads files;
  TChatFileAccess access = files.Access();
  auto tick = [&] {
    LineList got;
    lastResult_ = ChatFileTick(
        state_, path_, kSjis, [&](const LineList& l) { got = l; }, access);
    return got;
  };
  FileWrite(path_, "old line\n");
  MasterFileSizeMeasure(state_, path_, kSjis, access);
  FileAppend(path_, "new one\n");
  files.failing = true;
  TMonitorState before = state_;
  EXPECT_TRUE(tick().empty());
  EXPECT_EQ(lastResult_, TickResult::kIdle);
  EXPECT_EQ(state_.MasterFileSize, before.MasterFileSize);
  files.failing = false;
  EXPECT_EQ(tick(), LineList{u"new one"});
  EXPECT_TRUE(tick().empty());

  // Truncated, then locked: the restart waits for a tick that can read the file.
  FileWrite(path_, "x\n");
  files.failing = true;
  EXPECT_TRUE(tick().empty());
  EXPECT_EQ(lastResult_, TickResult::kIdle);
  files.failing = false;
  EXPECT_TRUE(tick().empty());
  EXPECT_EQ(lastResult_, TickResult::kReset);
  FileAppend(path_, "after\n");
  EXPECT_EQ(tick(), LineList{u"after"});

  // START on a file that cannot be read still skips what it holds.
  FileAppend(path_, "before start\n");
  files.failing = true;
  MasterFileSizeMeasure(state_, path_, kSjis, access);
  files.failing = false;
  FileAppend(path_, "later\n");
  EXPECT_EQ(tick(), LineList{u"later"});
}

// However much the file grew, one tick reads a bounded amount, up to its last whole line; the
// rest follows at the next ticks, and a line longer than one read is cut rather than stuck.
TEST_F(MonitorTest, EachTickReadsABoundedAmount) {
  FailingReads files;
  TChatFileAccess access = files.Access();
  FileWrite(path_, "");
  MasterFileSizeMeasure(state_, path_, kViewer, access);
  const std::string line = "[2024/01/01 10:00]  Ann Example (ann.example): " + std::string(50, 'x');
  std::string big;
  while (big.size() < 10u << 20) big += line + "\n";
  FileAppend(path_, big);
  size_t lines = 0, ticks = 0;
  for (; ticks < 10 && state_.MasterFileSize < static_cast<int64_t>(big.size()); ++ticks) {
    ChatFileTick(
        state_, path_, kViewer, [&](const LineList& l) { lines += l.size(); }, access);
  }
  EXPECT_EQ(lines * (line.size() + 1), big.size());
  EXPECT_EQ(ticks, 3u);
  EXPECT_LE(files.largestRead, static_cast<size_t>(kTickReadLimit) + 1);

  std::string huge;
  for (int i = 0; i < (5 << 20) / 3; ++i) huge += "\xE3\x81\x82";  // one line of 5 MiB
  FileAppend(path_, huge + "\nend\n");
  LineList got;
  for (int i = 0; i < 4; ++i) {
    ChatFileTick(
        state_, path_, kViewer,
        [&](const LineList& l) { got.insert(got.end(), l.begin(), l.end()); }, access);
  }
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0].size() + got[1].size(), huge.size() / 3);
  EXPECT_EQ(got[0].find(kReplacementChar), Text::npos);  // cut between two characters
  EXPECT_EQ(got[2], u"end");
}

// --- Randomized: whole lines exactly once, whatever the cuts and ticks ---------------------------

struct EncodingChoice {
  ChatEncoding encoding;
  TChatSource source;
  std::string bom;
};

std::string Encode(const Text& text, ChatEncoding encoding) {
  std::string out;
  for (char16_t c : text) {
    auto hi = static_cast<char>(c >> 8), lo = static_cast<char>(c & 0xFF);
    if (encoding == ChatEncoding::kUtf16Le) out += {lo, hi};
    if (encoding == ChatEncoding::kUtf16Be) out += {hi, lo};
    if (encoding == ChatEncoding::kAnsi) {
      // Shift-JIS for the two kana the lines use, ASCII otherwise.
      out += c == u'\u3042' ? "\x82\xA0" : c == u'\u30A2' ? "\x83\x41" : std::string(1, lo);
    }
  }
  return encoding == ChatEncoding::kUtf8 ? TextToUtf8(text) : out;
}

struct WrittenLine {
  int file;            // which file of the run: 0 the first, then each day's next
  int64_t start, end;  // bytes of the line and its line end in that file
  Text text;
};

// Writes chat lines in random fragments, shrinks and replaces the file, begins the next day's
// dated file (as a viewer at local midnight), ticks at random points, and checks what the
// monitor delivered since the last reset it reported.
class RandomChat {
 public:
  RandomChat(const EncodingChoice& choice, uint32_t seed, const TempFolder& folder)
      : choice_(choice), random_(seed), folder_(folder), contents_(choice.bom) {
    FileWrite(Path(), contents_);
    MasterFileSizeMeasure(state_, Path(), choice_.source);
  }

  void Run() {
    int steps = 20 + static_cast<int>(random_() % 40);
    for (int step = 0; step < steps; ++step) {
      unsigned op = random_() % 12;
      // The viewer writes a record in moments: it never leaves a line half written for a whole
      // tick, which would make the monitor take the half as the whole line.
      bool stalling = !pending_.empty() && tickedSinceWrite_;
      if (op < 6 || (op < 9 && stalling)) {
        FragmentWrite(1 + random_() % 8);
      } else if (op < 9) {
        Tick();
      } else if (op < 10 && pending_.empty()) {
        Shrink();
      } else if (pending_.empty()) {
        NextDay();
      }
    }
    if (!pending_.empty()) FragmentWrite(pending_.size());
    Tick();
    FragmentWrite(SIZE_MAX);  // one more line, so a shrink not yet seen shows
    Tick();
    Tick();
  }

  void Check(uint32_t seed) const {
    LineList expected;
    bool fragmentAllowed = false;
    for (const WrittenLine& line : lines_) {
      bool after =
          line.file > resetFile_ || (line.file == resetFile_ && line.start >= resetMaster_);
      if (after) expected.push_back(line.text);
      if (line.file == resetFile_ && line.start < resetMaster_ && line.end > resetMaster_) {
        fragmentAllowed = true;
      }
    }
    LineList got = delivered_;
    if (fragmentAllowed && got.size() == expected.size() + 1) got.erase(got.begin());
    ASSERT_EQ(got, expected) << "seed " << seed;
    std::set<Text> seen;
    for (const Text& line : allDelivered_) {
      if (line.rfind(u"L", 0) == 0) {
        ASSERT_TRUE(seen.insert(line).second) << "seed " << seed;
      }
    }
  }

 private:
  // The dated files of the days one after the other.
  Text Path() const {
    return folder_.Join(AsciiToText("chat-2025-11-" + std::to_string(10 + file_) + ".txt"));
  }
  // Today is the day of the file being written.
  std::time_t Today() const { return LocalNoon(2025, 11, 10 + file_); }

  Text LineMake() {
    static const Text pieces[] = {u"a", u"\u3042", u"\u30A2", u" ", u"xy"};
    Text line = u"L" + AsciiToText(std::to_string(nextId_++)) + u":";
    for (int i = static_cast<int>(random_() % 12); i > 0; --i) line += pieces[random_() % 5];
    return line;
  }

  std::string LineEnd() {
    static const Text ends[] = {u"\n", u"\r\n", u"\r"};
    return Encode(ends[random_() % 3], choice_.encoding);
  }

  void FragmentWrite(size_t most) {
    if (pending_.empty()) {
      pendingText_ = LineMake();
      pending_ = Encode(pendingText_, choice_.encoding) + LineEnd();
      pendingStart_ = static_cast<int64_t>(contents_.size());
    }
    // Cuts fall anywhere, inside multi-byte characters too.
    size_t cut = std::min(most, pending_.size());
    std::string piece = pending_.substr(0, cut);
    contents_ += piece;
    FileAppend(Path(), piece);
    pending_.erase(0, cut);
    tickedSinceWrite_ = false;
    if (pending_.empty()) {
      lines_.push_back(
          {file_, pendingStart_, static_cast<int64_t>(contents_.size()), pendingText_});
    }
  }

  void LinesOfThisFileDrop(size_t keep) {
    size_t kept = 0;
    std::erase_if(lines_,
                  [&](const WrittenLine& line) { return line.file == file_ && kept++ >= keep; });
  }

  size_t LinesOfThisFile() const {
    return static_cast<size_t>(std::count_if(
        lines_.begin(), lines_.end(), [&](const WrittenLine& l) { return l.file == file_; }));
  }

  void Shrink() {
    size_t count = LinesOfThisFile();
    if (random_() % 2 && count > 0) {
      size_t keep = random_() % count;
      LinesOfThisFileDrop(keep);
      int64_t at = static_cast<int64_t>(choice_.bom.size());
      for (const WrittenLine& line : lines_) {
        if (line.file == file_) at = line.end;
      }
      contents_.resize(static_cast<size_t>(at));
    } else {
      contents_ = choice_.bom;
      LinesOfThisFileDrop(0);
      for (int i = static_cast<int>(random_() % 4); i > 0; --i) {
        Text text = LineMake();
        int64_t start = static_cast<int64_t>(contents_.size());
        contents_ += Encode(text, choice_.encoding) + LineEnd();
        lines_.push_back({file_, start, static_cast<int64_t>(contents_.size()), text});
      }
    }
    FileWrite(Path(), contents_);
  }

  // Local midnight: the viewer begins the next day's file with its next line. The monitor may
  // not have looked since the old file last grew (but it ticked during the day that ends).
  void NextDay() {
    if (!tickedToday_ || random_() % 2) Tick();
    tickedToday_ = false;
    ++file_;
    contents_ = choice_.bom;
    FileWrite(Path(), contents_);
  }

  void Tick() {
    LineList got;
    TChatFileAccess access;
    access.now = [this] { return Today(); };
    TickResult result = ChatFileTick(
        state_, Path(), choice_.source, [&](const LineList& l) { got = l; }, access);
    tickedSinceWrite_ = true;
    tickedToday_ = true;
    if (result == TickResult::kReset) {
      // Lines begun before this point are old; the one being written may come as a remainder.
      delivered_.clear();
      resetFile_ = file_;
      resetMaster_ = state_.MasterFileSize;
    }
    delivered_.insert(delivered_.end(), got.begin(), got.end());
    allDelivered_.insert(allDelivered_.end(), got.begin(), got.end());
  }

  EncodingChoice choice_;
  std::mt19937 random_;
  const TempFolder& folder_;
  int file_ = 0;
  std::string contents_;
  TMonitorState state_;
  std::vector<WrittenLine> lines_;
  std::string pending_;
  Text pendingText_;
  int64_t pendingStart_ = 0;
  int nextId_ = 0;
  LineList delivered_, allDelivered_;
  int resetFile_ = 0;
  int64_t resetMaster_ = 0;
  bool tickedSinceWrite_ = false;
  bool tickedToday_ = false;
};

TEST(MonitorRandomized, EveryLineAfterTheLastResetExactlyOnceAndWholeAcrossMidnight) {
  const EncodingChoice choices[] = {
      {ChatEncoding::kUtf8, kViewer, ""},           {ChatEncoding::kAnsi, kSjis, ""},
      {ChatEncoding::kUtf16Le, kSjis, "\xFF\xFE"},  {ChatEncoding::kUtf16Be, kSjis, "\xFE\xFF"},
      {ChatEncoding::kUtf8, kSjis, "\xEF\xBB\xBF"},
  };
  for (uint32_t seed = 1; seed <= 2500; ++seed) {
    TempFolder folder;
    RandomChat chat(choices[seed % 5], seed, folder);
    chat.Run();
    chat.Check(seed);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
