#include "app/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/platform.h"
#include "platform/testing/testing.h"

namespace {

class SettingsTest : public ::testing::Test {
 protected:
  TSettings Load(const std::string& contents, int voices = 3) {
    FolderMake(PathFolderPart(path_));
    FileWrite(path_, contents);
    TSettings current;
    SettingsDefault(current, voices);
    return SettingsLoad(path_, current, voices);
  }

  TempFolder folder_;
  EnvOverride local_{"KELVORA_LOCAL_APPDATA", folder_.Path()};
  Text path_ = SettingsPath();
};

TEST_F(SettingsTest, PathIsBeneathTheLocalApplicationData) {
  EXPECT_EQ(path_, folder_.Join(u"VORTANE PROJECT/KELVORA_Pro/Setup.ini"));
}

// Side files: on Linux the user's own folder (that of Setup.ini) first, then beside the program;
// on Windows beside the program; KELVORA_PROGRAM_DIR names the one folder.
TEST_F(SettingsTest, SideFilesAreLookedForWhereAUserCanWriteThem) {
  {
    EnvOverride program("KELVORA_PROGRAM_DIR", u"");
    std::vector<Text> folders = SideFileFolders();
    std::vector<Text> expected;
    if (PathSeparator() == u'/') expected.push_back(PathFolderPart(path_));
    expected.push_back(ProgramFolderGet());
    EXPECT_EQ(folders, expected);
  }
  EnvOverride program("KELVORA_PROGRAM_DIR", folder_.Join(u"program"));
  EXPECT_EQ(SideFileFolders(), std::vector<Text>{folder_.Join(u"program")});
}

TEST_F(SettingsTest, FirstStartGivesTheDefaults) {
  TSettings current;
  current.TexType = 2;
  SettingsDefault(current, 0);
  TSettings s = SettingsLoad(path_, current, 0);
  EXPECT_EQ(s.FileType, 0);
  EXPECT_EQ(s.TargetFile, u"chat.txt");
  EXPECT_EQ(s.Viewer, 0);
  EXPECT_EQ(s.Avatar, u"");
  EXPECT_EQ(s.Encoding, 0);
  EXPECT_EQ(s.Interval, 1);
  EXPECT_EQ(s.Voice, -1);
  EXPECT_EQ(s.Volume, 100);
  EXPECT_EQ(s.Rate, 0);
  EXPECT_EQ(s.TexType, 2);  // the reset keeps the text mode
  EXPECT_EQ(s.RegEx0, u"^\\[\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}\\] ");
  EXPECT_EQ(s.RegEx0.size(), 37u);
  EXPECT_EQ(s.Translate, 0);
  EXPECT_EQ(s.UserName, 0);
  EXPECT_EQ(s.Options.MaxQueue, 5);
  EXPECT_EQ(s.Options.MaxLength, 300);
  EXPECT_EQ(s.Options.CatchUp, 3);
  EXPECT_EQ(s.Options.NameRepeat, 0);
  EXPECT_EQ(s.Options.AutoVoices, 0);
  SettingsDefault(current, 2);
  EXPECT_EQ(current.Voice, 0);
}

struct ClampCase {
  const char* key_line;
  int voices;
  int32_t (*field)(const TSettings&);
  int expected;
};

template <auto Field>
int32_t Of(const TSettings& s) {
  return s.*Field;
}
template <auto Field>
int32_t OptionOf(const TSettings& s) {
  return s.Options.*Field;
}

TEST_F(SettingsTest, NumbersAreBroughtIntoRange) {
  const ClampCase cases[] = {
      {"[Setup]\nInterval=25", 3, Of<&TSettings::Interval>, 10},
      {"[Setup]\nInterval=soon", 3, Of<&TSettings::Interval>, 1},
      {"[Setup]\nInterval=0", 3, Of<&TSettings::Interval>, 1},
      {"[Voice]\nVolume=150", 3, Of<&TSettings::Volume>, 100},
      {"[Voice]\nRate=-20", 3, Of<&TSettings::Rate>, -10},
      {"[Setup]\nEncoding=2", 3, Of<&TSettings::Encoding>, 1},
      {"[Setup]\nEncoding=-1", 3, Of<&TSettings::Encoding>, 0},
      {"[Voice]\nVoice=7", 3, Of<&TSettings::Voice>, 2},
      {"[Voice]\nVoice=7", 0, Of<&TSettings::Voice>, -1},
      {"[Voice]\nVoice=-4", 3, Of<&TSettings::Voice>, 0},
      {"[SecondLife]\nTranslate=-3", 3, Of<&TSettings::Translate>, 0},
      {"[SecondLife]\nUserName=5", 3, Of<&TSettings::UserName>, 1},
      {"[Options]\nMaxQueue=-2", 3, OptionOf<&TOptions::MaxQueue>, 0},
      {"[options]\nmaxqueue=0", 3, OptionOf<&TOptions::MaxQueue>, 0},
      {"[Options]\nCatchUp=99", 3, OptionOf<&TOptions::CatchUp>, 20},
      {"[Options]\nNameRepeat=-5", 3, OptionOf<&TOptions::NameRepeat>, 0},
      {"[Options]\nMaxLength=many", 3, OptionOf<&TOptions::MaxLength>, 300},
      {"[Options]\nMaxLength=0x40", 3, OptionOf<&TOptions::MaxLength>, 64},
      {"[SecondLife]\nViewer=0x1", 3, Of<&TSettings::Viewer>, 1},
      {"[SecondLife]\nViewer=7", 3, Of<&TSettings::Viewer>, 7},  // no range check
      {"[Setup]\nFileType=3", 3, Of<&TSettings::FileType>, 3},
      {"[Setup]\nTexType=$2", 3, Of<&TSettings::TexType>, 2},
      {"[setup]\ntextype=1", 3, Of<&TSettings::TexType>, 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.field(Load(c.key_line, c.voices)), c.expected) << c.key_line;
  }
}

TEST_F(SettingsTest, SaveThenLoadRestoresEveryValue) {
  TSettings saved;
  saved.FileType = 1;
  saved.TargetFile = u"C:\\Logs\\\u5C71\u7530\\chat.txt";
  saved.Viewer = 1;
  saved.Avatar = u"Ann Example";
  saved.Encoding = 1;
  saved.Interval = 7;
  saved.Voice = 2;
  saved.Volume = 40;
  saved.Rate = -3;
  saved.TexType = 2;
  saved.RegEx0 = u"^\\[.*?\\] ";  // ends in a blank
  saved.Translate = 2;
  saved.UserName = 1;
  SettingsSave(path_, saved);
  TSettings loaded = SettingsLoad(path_, TSettings{}, 3);
  EXPECT_EQ(loaded.FileType, saved.FileType);
  EXPECT_EQ(loaded.TargetFile, saved.TargetFile);
  EXPECT_EQ(loaded.Viewer, saved.Viewer);
  EXPECT_EQ(loaded.Avatar, saved.Avatar);
  EXPECT_EQ(loaded.Encoding, saved.Encoding);
  EXPECT_EQ(loaded.Interval, saved.Interval);
  EXPECT_EQ(loaded.Voice, saved.Voice);
  EXPECT_EQ(loaded.Volume, saved.Volume);
  EXPECT_EQ(loaded.Rate, saved.Rate);
  EXPECT_EQ(loaded.TexType, saved.TexType);
  EXPECT_EQ(loaded.RegEx0, saved.RegEx0);
  EXPECT_EQ(loaded.Translate, saved.Translate);
  EXPECT_EQ(loaded.UserName, saved.UserName);
}

TEST_F(SettingsTest, SavingKeepsKeysOfOthersAndWritesIndexesAsTheyStand) {
  FolderCreate(PathFolderPart(path_));
  FileWrite(path_, "[Other]\nmine=1\n");
  TSettings s;
  s.Voice = -1;
  SettingsSave(path_, s);
  ProfileFile ini(path_);
  EXPECT_EQ(ini.IntegerGet(u"Other", u"mine", 0), 1);
  EXPECT_EQ(ini.IntegerGet(u"Voice", u"Voice", 5), -1);
}

TEST_F(SettingsTest, UnwritableFileRaisesAnErrorNamingIt) {
  // A folder where the file should be cannot be replaced by a file.
  FolderMake(path_);
  try {
    SettingsSave(path_, TSettings{});
    FAIL() << "saved";
  } catch (const PlatformError& e) {
    EXPECT_NE(std::string(e.what()).find("Setup.ini"), std::string::npos) << e.what();
  }
}

}  // namespace
