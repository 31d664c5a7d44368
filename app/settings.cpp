#include "app/settings.h"

#include <algorithm>

#include "platform/platform.h"

namespace {

constexpr char16_t kSetup[] = u"Setup";
constexpr char16_t kSecondLife[] = u"SecondLife";
constexpr char16_t kVoice[] = u"Voice";

}  // namespace

Text SettingsPath() {
  Text local = LocalAppDataGet();
  if (local.empty()) return Text();
  return PathJoin(PathJoin(PathJoin(local, u"VORTANE PROJECT"), u"KELVORA_Pro"), u"Setup.ini");
}

void SettingsDefault(TSettings& settings, int voiceCount) {
  TSettings defaults;
  defaults.TexType = settings.TexType;
  defaults.Voice = voiceCount > 0 ? 0 : -1;
  settings = defaults;
}

TSettings SettingsLoad(const Text& path, const TSettings& current, int voiceCount) {
  TSettings s = current;
  if (path.empty()) return s;
  ProfileFile ini(path);
  s.FileType = ini.IntegerGet(kSetup, u"FileType", s.FileType);
  s.TargetFile = ini.StringGet(kSetup, u"TargetFile", s.TargetFile);
  s.Viewer = ini.IntegerGet(kSecondLife, u"Viewer", s.Viewer);
  s.Avatar = ini.StringGet(kSecondLife, u"Avatar", s.Avatar);
  s.Encoding = std::clamp(ini.IntegerGet(kSetup, u"Encoding", s.Encoding), 0, 1);
  s.Interval = std::clamp(ini.IntegerGet(kSetup, u"Interval", s.Interval), 1, 10);
  s.Voice = std::min(std::max(ini.IntegerGet(kVoice, u"Voice", s.Voice), 0), voiceCount - 1);
  s.Volume = std::clamp(ini.IntegerGet(kVoice, u"Volume", s.Volume), 0, 100);
  s.Rate = std::clamp(ini.IntegerGet(kVoice, u"Rate", s.Rate), -10, 10);
  s.TexType = ini.IntegerGet(kSetup, u"TexType", s.TexType);
  s.RegEx0 = ini.StringGet(kSetup, u"RegEx0", s.RegEx0);
  s.Translate = std::clamp(ini.IntegerGet(kSecondLife, u"Translate", s.Translate), 0, 2);
  s.UserName = std::clamp(ini.IntegerGet(kSecondLife, u"UserName", s.UserName), 0, 1);
  return s;
}

void SettingsSave(const Text& path, const TSettings& s) {
  if (path.empty()) throw PlatformError("Cannot save Setup.ini: no application-data folder");
  FolderCreate(PathFolderPart(path));
  ProfileFile ini(path);
  ini.IntegerSet(kSetup, u"FileType", s.FileType);
  ini.StringSet(kSetup, u"TargetFile", s.TargetFile);
  ini.IntegerSet(kSecondLife, u"Viewer", s.Viewer);
  ini.StringSet(kSecondLife, u"Avatar", s.Avatar);
  ini.IntegerSet(kSetup, u"Encoding", s.Encoding);
  ini.IntegerSet(kSetup, u"Interval", s.Interval);
  ini.IntegerSet(kVoice, u"Voice", s.Voice);
  ini.IntegerSet(kVoice, u"Volume", s.Volume);
  ini.IntegerSet(kVoice, u"Rate", s.Rate);
  ini.IntegerSet(kSetup, u"TexType", s.TexType);
  ini.StringSet(kSetup, u"RegEx0", s.RegEx0);
  ini.IntegerSet(kSecondLife, u"Translate", s.Translate);
  ini.IntegerSet(kSecondLife, u"UserName", s.UserName);
  ini.Flush();
}
