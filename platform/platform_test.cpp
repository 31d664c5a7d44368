#include "platform/platform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/testing/testing.h"

namespace {

bool OnWindows() { return PathSeparator() == u'\\'; }

TEST(Folders, EnvironmentOverridesAreRespected) {
  TempFolder temp;
  EnvOverride local("KELVORA_LOCAL_APPDATA", temp.Join(u"local"));
  EnvOverride roaming("KELVORA_APPDATA", temp.Join(u"roaming"));
  EnvOverride program("KELVORA_PROGRAM_DIR", temp.Join(u"program"));
  EXPECT_EQ(LocalAppDataGet(), temp.Join(u"local"));
  EXPECT_EQ(AppDataGet(), temp.Join(u"roaming"));
  EXPECT_EQ(ProgramFolderGet(), temp.Join(u"program"));
}

TEST(Folders, SystemFoldersExistWithoutOverrides) {
  EnvOverride local("KELVORA_LOCAL_APPDATA", u"");
  EnvOverride program("KELVORA_PROGRAM_DIR", u"");
  Text folder = ProgramFolderGet();
  EXPECT_TRUE(FolderExists(folder)) << TextToUtf8(folder);
  EXPECT_NE(folder.back(), PathSeparator());
  EXPECT_FALSE(LocalAppDataGet().empty());
}

TEST(Paths, FolderOfAPathKeepsOnlyARootsSeparator) {
  const Text sep(1, PathSeparator());
  const struct {
    Text path, folder;
  } cases[] = {
      {u"logs" + sep + u"jane" + sep + u"chat.txt", u"logs" + sep + u"jane"},
      {sep + u"chat.txt", sep},
      {u"C:" + sep + u"chat.txt", u"C:" + sep},
      {u"chat.txt", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(PathFolderOf(c.path), c.folder) << TextToUtf8(c.path);
}

TEST(Files, ExistenceCountsFilesAndLinksNotFolders) {
  TempFolder temp;
  FileWrite(temp.Join(u"file.txt"), "x");
  FolderMake(temp.Join(u"folder"));
  EXPECT_TRUE(FileExists(temp.Join(u"file.txt")));
  EXPECT_FALSE(FileExists(temp.Join(u"folder")));
  EXPECT_FALSE(FileExists(temp.Join(u"missing")));
  EXPECT_FALSE(FileExists(u""));
  EXPECT_TRUE(FolderExists(temp.Join(u"folder")));
  if (!OnWindows()) {
    std::filesystem::create_symlink(std::filesystem::path(temp.Join(u"file.txt")),
                                    std::filesystem::path(temp.Join(u"link")));
    std::filesystem::create_symlink(std::filesystem::path(temp.Join(u"gone")),
                                    std::filesystem::path(temp.Join(u"dangling")));
    EXPECT_TRUE(FileExists(temp.Join(u"link")));
    EXPECT_FALSE(FileExists(temp.Join(u"dangling")));
  }
}

TEST(Files, FolderCreateMakesParents) {
  TempFolder temp;
  Text deep = temp.Join(u"a/b/c");
  FolderCreate(deep);
  EXPECT_TRUE(FolderExists(deep));
  FolderCreate(deep);  // existing is fine
  FileWrite(temp.Join(u"plain"), "x");
  EXPECT_THROW(FolderCreate(temp.Join(u"plain/sub")), PlatformError);
}

TEST(Files, EnumerationListsHiddenEntriesWithTimes) {
  TempFolder temp;
  FileWrite(temp.Join(u"settings_a.xml"), "a");
  FileWrite(temp.Join(u"other.txt"), "b");
  FolderMake(temp.Join(u"sub"));
  Text hidden = temp.Join(OnWindows() ? u"settings_h.xml" : u".settings_h.xml");
  FileWrite(hidden, "h");
  HiddenMark(hidden);

  std::vector<FolderEntry> all = FolderEntriesGet(temp.Path(), u"*.*");
  auto find = [&](TextView name) -> const FolderEntry* {
    for (const auto& e : all) {
      if (e.name == name) return &e;
    }
    return nullptr;
  };
  ASSERT_NE(find(u"sub"), nullptr);
  EXPECT_TRUE(find(u"sub")->isFolder);
  ASSERT_NE(find(u"other.txt"), nullptr);
  EXPECT_FALSE(find(u"other.txt")->isFolder);
  EXPECT_GT(find(u"other.txt")->modified, 0);
  Text hiddenName = hidden.substr(PathFolderPart(hidden).size());
  ASSERT_NE(find(hiddenName), nullptr);
  EXPECT_TRUE(find(hiddenName)->isHidden);
  EXPECT_NE(find(u"."), nullptr);

  std::vector<FolderEntry> settings =
      FolderEntriesGet(temp.Path(), OnWindows() ? u"settings*.xml" : u"settings*.xml");
  ASSERT_EQ(settings.size(), OnWindows() ? 2u : 1u);
  EXPECT_TRUE(FolderEntriesGet(temp.Join(u"missing"), u"*.*").empty());
}

TEST(Files, ModificationTimesOrderFiles) {
  TempFolder temp;
  FileWrite(temp.Join(u"old"), "1");
  FileWrite(temp.Join(u"new"), "2");
  auto older = std::filesystem::last_write_time(std::filesystem::path(temp.Join(u"new"))) -
               std::chrono::hours(1);
  std::filesystem::last_write_time(std::filesystem::path(temp.Join(u"old")), older);
  int64_t oldTime = 0, newTime = 0;
  for (const auto& e : FolderEntriesGet(temp.Path(), u"*")) {
    if (e.name == u"old") oldTime = e.modified;
    if (e.name == u"new") newTime = e.modified;
  }
  EXPECT_LT(oldTime, newTime);
}

TEST(Files, SharedOpenReadsWhileAnotherHandleWrites) {
  TempFolder temp;
  Text path = temp.Join(u"chat.txt");
  std::ofstream writer(std::filesystem::path(path), std::ios::binary);
  writer << "first line\n" << std::flush;
  SharedFile file(path);
  EXPECT_EQ(file.Size(), 11);
  writer << "second\n" << std::flush;
  EXPECT_EQ(FileSizeProbe(path), 18);
  file.Seek(11);
  EXPECT_EQ(file.Read(100), "second\n");
  EXPECT_EQ(FileContentsRead(path), "first line\nsecond\n");
}

TEST(Files, SizeProbeWorksOnReadOnlyFileAndFailsQuietly) {
  TempFolder temp;
  Text path = temp.Join(u"readonly.txt");
  FileWrite(path, "12345");
  std::filesystem::permissions(std::filesystem::path(path), std::filesystem::perms::owner_read |
                                                                std::filesystem::perms::group_read);
  EXPECT_EQ(FileSizeProbe(path), 5);
  EXPECT_EQ(FileSizeProbe(temp.Join(u"missing")), -1);
}

TEST(Files, OpenFailureNamesTheFile) {
  TempFolder temp;
  try {
    SharedFile file(temp.Join(u"missing.txt"));
    FAIL() << "no error";
  } catch (const PlatformError& e) {
    EXPECT_NE(std::string(e.what()).find("missing.txt"), std::string::npos) << e.what();
  }
}

TEST(Profile, RoundTripsValuesAndKeepsUnknownKeys) {
  TempFolder temp;
  Text path = temp.Join(u"Setup.ini");
  const Text unicode = u"C:\\Users\\\u5C71\u7530\\chat \u00E9.txt";
  {
    ProfileFile ini(path);
    ini.StringSet(u"Setup", u"TargetFile", unicode);
    ini.StringSet(u"Setup", u"RegEx0", u"^\\[x\\] ");
    ini.StringSet(u"Setup", u"Quoted", u"\"q\"");
    ini.IntegerSet(u"Voice", u"Rate", -10);
    ini.StringSet(u"Other", u"Unknown", u"kept");
    ini.Flush();
  }
  {
    ProfileFile ini(path);
    ini.IntegerSet(u"setup", u"FILETYPE", 1);  // names ignore letter case
    ini.Flush();
  }
  ProfileFile ini(path);
  EXPECT_EQ(ini.StringGet(u"SETUP", u"targetfile", u""), unicode);
  EXPECT_EQ(ini.StringGet(u"Setup", u"RegEx0", u""), u"^\\[x\\] ");
  EXPECT_EQ(ini.StringGet(u"Setup", u"Quoted", u""), u"\"q\"");
  EXPECT_EQ(ini.IntegerGet(u"Voice", u"Rate", 0), -10);
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"FileType", 0), 1);
  EXPECT_EQ(ini.StringGet(u"Other", u"Unknown", u""), u"kept");
  EXPECT_EQ(ini.StringGet(u"Setup", u"Missing", u"dflt"), u"dflt");
  EXPECT_EQ(ini.IntegerGet(u"Nowhere", u"Missing", 7), 7);
}

// Values the profile functions would strip: quotes at both ends (single ones too, on Windows),
// blanks at the ends.
TEST(Profile, QuotedAndBlankEndedValuesComeBackWhole) {
  TempFolder temp;
  Text path = temp.Join(u"Setup.ini");
  const Text values[] = {u"'.*'", u"\"q\"", u" x ", u"'a", u"it's", u"''", u"'"};
  {
    ProfileFile ini(path);
    for (size_t i = 0; i < std::size(values); ++i) {
      ini.StringSet(u"Setup", AsciiToText("K" + std::to_string(i)), values[i]);
    }
    ini.Flush();
  }
  ProfileFile ini(path);
  for (size_t i = 0; i < std::size(values); ++i) {
    EXPECT_EQ(ini.StringGet(u"Setup", AsciiToText("K" + std::to_string(i)), u"?"), values[i])
        << TextToUtf8(values[i]);
  }
}

// A Setup.ini made by hand or by an older program, without the UTF-16 mark: saving keeps its
// keys, and text outside the ANSI code page comes back as it was.
TEST(Profile, FileWithoutTheUnicodeMarkKeepsEveryCharacter) {
  TempFolder temp;
  Text path = temp.Join(u"Setup.ini");
  FileWrite(path, "[Setup]\r\nOther=kept\r\nInterval=3\r\n");
  const Text japanese = u"C:\\\u30E6\u30FC\u30B6\\chat \u00E9\u4E2D.txt";
  {
    ProfileFile ini(path);
    ini.StringSet(u"Setup", u"TargetFile", japanese);
    ini.Flush();
  }
  ProfileFile ini(path);
  EXPECT_EQ(ini.StringGet(u"Setup", u"TargetFile", u""), japanese);
  EXPECT_EQ(ini.StringGet(u"Setup", u"Other", u""), u"kept");
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"Interval", 0), 3);
}

// Found by fuzzing: a value with a line break spilled into the file and lost the keys after it.
TEST(Profile, LineBreaksInAValueCannotBreakTheFile) {
  TempFolder temp;
  Text path = temp.Join(u"Setup.ini");
  {
    ProfileFile ini(path);
    ini.StringSet(u"Setup", u"RegEx0", Text(u"a\r\n[Voice]\nVolume=1\0b", 21));
    ini.IntegerSet(u"Voice", u"Volume", 40);
    ini.Flush();
  }
  ProfileFile ini(path);
  EXPECT_EQ(ini.StringGet(u"Setup", u"RegEx0", u""), Text(u"a  [Voice] Volume=1 b"));
  EXPECT_EQ(ini.IntegerGet(u"Voice", u"Volume", 0), 40);
}

TEST(Profile, ReadsFilesWrittenByOthers) {
  TempFolder temp;
  Text path = temp.Join(u"Setup.ini");
  FileWrite(path,
            "[Setup]\r\nInterval=0x5\r\nVoice=$A\r\nRate=  -3  \r\nWord=abc\r\nBig=99999999999\r\n"
            "Long=" +
                std::string(3000, 'x') + "\r\n[Extra]\r\nkeep=1\r\n");
  ProfileFile ini(path);
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"Interval", 1), 5);
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"Voice", 1), 10);
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"Rate", 1), -3);
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"Word", 1), 1);
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"Big", 1), 1);
  EXPECT_EQ(ini.StringGet(u"Setup", u"Long", u"").size(), 2047u);
  ini.IntegerSet(u"Setup", u"Interval", 3);
  ini.Flush();
  EXPECT_EQ(ProfileFile(path).IntegerGet(u"Extra", u"keep", 0), 1);
}

TEST(Profile, MissingFileReadsDefaultsAndUnwritableFileThrows) {
  TempFolder temp;
  ProfileFile missing(temp.Join(u"none/Setup.ini"));
  EXPECT_EQ(missing.IntegerGet(u"Setup", u"Interval", 4), 4);
  EXPECT_THROW(
      {
        missing.IntegerSet(u"Setup", u"Interval", 2);
        missing.Flush();
      },
      PlatformError);
}

struct IntegerCase {
  Text text;
  bool ok;
  int32_t value;
};

TEST(TextToInteger, AcceptsDecimalAndHexForms) {
  const IntegerCase cases[] = {
      {u"0", true, 0},     {u"42", true, 42},         {u"-7", true, -7},
      {u"+7", true, 7},    {u"0x1", true, 1},         {u"0X1f", true, 31},
      {u"$ff", true, 255}, {u"$FFFFFFFF", true, -1},  {u"0x", false, 0},
      {u"$", false, 0},    {u"", false, 0},           {u"1.5", false, 0},
      {u"abc", false, 0},  {u"2147483648", false, 0}, {u"-2147483648", true, INT32_MIN},
  };
  for (const auto& c : cases) {
    int32_t value = 0;
    EXPECT_EQ(TextToInteger(c.text, value), c.ok) << TextToUtf8(c.text);
    if (c.ok) {
      EXPECT_EQ(value, c.value) << TextToUtf8(c.text);
    }
  }
}

TEST(AnsiCodePage, DecodesShiftJis) {
  // "あいう" and a half-width katakana, then a lone lead byte at the end.
  EXPECT_EQ(AnsiCodePageToText("\x82\xA0\x82\xA2\x82\xA4\xB1"), u"\u3042\u3044\u3046\uFF71");
  // A lead byte cut off at the end becomes the platform's replacement character.
  Text cut = AnsiCodePageToText("ab\x82");
  ASSERT_EQ(cut.size(), 3u);
  EXPECT_EQ(cut.substr(0, 2), u"ab");
  EXPECT_NE(cut[2], u'\x82');
}

TEST(Program, VersionComesFromTheProgramFile) {
  EXPECT_EQ(VersionGet(), AsciiToText(KELVORA_EXPECTED_VERSION));
}

}  // namespace
