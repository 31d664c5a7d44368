#include "app/settings.h"

#include <algorithm>

#include "platform/platform.h"
#include "text/mentions.h"
#include "text/uText.h"

namespace {

constexpr char16_t kSetup[] = u"Setup";
constexpr char16_t kSecondLife[] = u"SecondLife";
constexpr char16_t kVoice[] = u"Voice";
constexpr char16_t kOptions[] = u"Options";

// How an integer read from the file is brought into range.
enum class Range {
  kAsRead,
  kFixed,   // minimum .. maximum
  kVoices,  // 0 .. voice count - 1 (-1 when there is no voice, which is then also the default)
};

// Where a key's value is kept in the settings.
using IntegerAt = int32_t& (*)(TSettings&);
using TextAt = Text& (*)(TSettings&);
template <auto Field>
auto& At(TSettings& s) {
  return s.*Field;
}
template <auto Field>
auto& OptionAt(TSettings& s) {
  return s.Options.*Field;
}

// One key of Setup.ini: where it lives, where its value is kept, its default and its range.
struct SettingKey {
  const char16_t* section;
  const char16_t* key;
  IntegerAt integer = nullptr;  // one of integer and text
  TextAt text = nullptr;
  int32_t defaultInteger = 0;
  const char16_t* defaultText = nullptr;
  Range range = Range::kAsRead;
  int32_t minimum = 0, maximum = 0;
  bool keptByReset = false;                 // the action "Default" leaves it alone
  const char16_t* optionHeading = nullptr;  // the options dialog's group it is shown in
  const char16_t* optionLabel = nullptr;    // shown in the options dialog under this label
  TOptionKind optionKind = TOptionKind::kNumber;
  const char16_t* optionHelp = nullptr;  // shown beside its field
};

constexpr SettingKey Integer(const char16_t* section, const char16_t* key, IntegerAt at,
                             int32_t defaultValue) {
  return {section, key, at, nullptr, defaultValue};
}

constexpr SettingKey Ranged(const char16_t* section, const char16_t* key, IntegerAt at,
                            int32_t defaultValue, int32_t minimum, int32_t maximum) {
  return {section, key, at, nullptr, defaultValue, nullptr, Range::kFixed, minimum, maximum};
}

constexpr SettingKey String(const char16_t* section, const char16_t* key, TextAt at,
                            const char16_t* defaultValue) {
  return {section, key, nullptr, at, 0, defaultValue};
}

constexpr SettingKey KeptByReset(SettingKey key) {
  key.keptByReset = true;
  return key;
}

constexpr SettingKey Option(SettingKey key, const char16_t* heading, const char16_t* label,
                            TOptionKind kind = TOptionKind::kNumber,
                            const char16_t* help = nullptr) {
  key.optionHeading = heading;
  key.optionLabel = label;
  key.optionKind = kind;
  key.optionHelp = help;
  return key;
}

constexpr SettingKey VoiceIndex(const char16_t* section, const char16_t* key, IntegerAt at) {
  return {section, key, at, nullptr, 0, nullptr, Range::kVoices};
}

// The options dialog's groups.
constexpr char16_t kBusyPlaces[] = u"Busy places";
constexpr char16_t kVoices[] = u"Voices";
constexpr char16_t kControl[] = u"Control";
constexpr char16_t kReading[] = u"Reading";
constexpr char16_t kConversations[] = u"Conversations";

// In the order the keys are read and written.
const SettingKey kKeys[] = {
    Integer(kSetup, u"FileType", At<&TSettings::FileType>, 0),
    String(kSetup, u"TargetFile", At<&TSettings::TargetFile>, u"chat.txt"),
    Integer(kSecondLife, u"Viewer", At<&TSettings::Viewer>, 0),
    String(kSecondLife, u"Avatar", At<&TSettings::Avatar>, u""),
    Ranged(kSetup, u"Encoding", At<&TSettings::Encoding>, 0, 0, 1),
    Ranged(kSetup, u"Interval", At<&TSettings::Interval>, 1, 1, 10),
    VoiceIndex(kVoice, u"Voice", At<&TSettings::Voice>),
    Ranged(kVoice, u"Volume", At<&TSettings::Volume>, 100, 0, 100),
    Ranged(kVoice, u"Rate", At<&TSettings::Rate>, 0, -10, 10),
    KeptByReset(Integer(kSetup, u"TexType", At<&TSettings::TexType>, 0)),
    String(kSetup, u"RegEx0", At<&TSettings::RegEx0>, kStampMask),
    Ranged(kSecondLife, u"Translate", At<&TSettings::Translate>, 0, 0, 2),
    Ranged(kSecondLife, u"UserName", At<&TSettings::UserName>, 0, 0, 1),
    Option(Ranged(kOptions, u"MaxQueue", OptionAt<&TOptions::MaxQueue>, 5, 0, 1000), kBusyPlaces,
           u"Lines that may wait (0: any)"),
    Option(Ranged(kOptions, u"MaxLength", OptionAt<&TOptions::MaxLength>, 300, 0, 100000),
           kBusyPlaces, u"Longest message spoken (characters, 0: all)"),
    String(kOptions, u"VoiceName", OptionAt<&TOptions::VoiceName>, u""),
    Option(Ranged(kOptions, u"CatchUp", OptionAt<&TOptions::CatchUp>, 3, 0, 20), kBusyPlaces,
           u"Faster while lines wait (rate steps)"),
    Option(Ranged(kOptions, u"NameRepeat", OptionAt<&TOptions::NameRepeat>, 0, 0, 86400),
           kBusyPlaces, u"Name left out when repeated within (seconds)"),
    Option(Ranged(kOptions, u"AutoVoices", OptionAt<&TOptions::AutoVoices>, 0, 0, 1), kVoices,
           u"A voice of their own for speakers", TOptionKind::kSwitch),
    Option(String(kOptions, u"HotkeySkip", OptionAt<&TOptions::HotkeySkip>, u"Ctrl+Alt+Shift+F9"),
           kControl, u"Skip key", TOptionKind::kKeyChord),
    Option(
        String(kOptions, u"HotkeyPause", OptionAt<&TOptions::HotkeyPause>, u"Ctrl+Alt+Shift+F10"),
        kControl, u"Pause/Resume key", TOptionKind::kKeyChord),
    Option(
        String(kOptions, u"HotkeyRepeat", OptionAt<&TOptions::HotkeyRepeat>, u"Ctrl+Alt+Shift+F11"),
        kControl, u"Repeat key", TOptionKind::kKeyChord),
    Option(String(kOptions, u"HotkeyMute", OptionAt<&TOptions::HotkeyMute>, u"Ctrl+Alt+Shift+F12"),
           kControl, u"Mute last speaker key", TOptionKind::kKeyChord),
    Option(Ranged(kOptions, u"PlainLetters", OptionAt<&TOptions::PlainLetters>, 1, 0, 1), kReading,
           u"Decorative letters read as plain ones", TOptionKind::kSwitch),
    Option(Ranged(kOptions, u"Emoji", OptionAt<&TOptions::Emoji>, 1, 0, 1), kReading,
           u"Emoji said by name (off: left out)", TOptionKind::kSwitch),
    Option(Ranged(kOptions, u"Links", OptionAt<&TOptions::Links>, 1, 0, 1), kReading,
           u"Links said short", TOptionKind::kSwitch),
    Option(Ranged(kOptions, u"Objects", OptionAt<&TOptions::Objects>, 1, 0, 1), kReading,
           u"Objects' chat spoken", TOptionKind::kSwitch,
           u"names of one or two plain words count as people"),
    Option(Ranged(kOptions, u"SpeakIMs", OptionAt<&TOptions::SpeakIMs>, 1, 0, 1), kConversations,
           u"Instant messages spoken", TOptionKind::kSwitch),
    Option(Ranged(kOptions, u"SpeakGroups", OptionAt<&TOptions::SpeakGroups>, 0, 0, 1),
           kConversations, u"Group chats spoken", TOptionKind::kSwitch,
           u"those Groups.txt names (all without it), and conferences"),
    Option(String(kOptions, u"MyNames", OptionAt<&TOptions::MyNames>, u""), kConversations,
           u"Your names (comma-separated)", TOptionKind::kText,
           u"empty: the account's user name and first name"),
    Option(Ranged(kOptions, u"Mentions", OptionAt<&TOptions::Mentions>, 1, 0, 2), kConversations,
           u"Lines that mention you (0 as any, 1 first, 2 only them)"),
};

int32_t DefaultOf(const SettingKey& key, int voiceCount) {
  if (key.range == Range::kVoices) return voiceCount > 0 ? 0 : -1;
  return key.defaultInteger;
}

int32_t InRange(const SettingKey& key, int32_t value, int voiceCount) {
  switch (key.range) {
    case Range::kFixed:
      return std::clamp(value, key.minimum, key.maximum);
    case Range::kVoices:
      return std::min(std::max(value, 0), voiceCount - 1);
    case Range::kAsRead:
      break;
  }
  return value;
}

}  // namespace

Text SettingsPath() {
  Text local = LocalAppDataGet();
  if (local.empty()) return Text();
  return PathJoin(PathJoin(PathJoin(local, u"VORTANE PROJECT"), u"KELVORA_Pro"), u"Setup.ini");
}

std::vector<Text> SideFileFolders() {
  std::vector<Text> folders;
  Text settings = PathFolderPart(SettingsPath());
  if (SideFilesInSettingsFolder() && !settings.empty()) folders.push_back(settings);
  folders.push_back(ProgramFolderGet());
  return folders;
}

void SettingsDefault(TSettings& settings, int voiceCount) {
  for (const SettingKey& key : kKeys) {
    if (key.keptByReset) continue;
    if (key.text) {
      key.text(settings) = key.defaultText;
    } else {
      key.integer(settings) = DefaultOf(key, voiceCount);
    }
  }
}

TSettings SettingsLoad(const Text& path, const TSettings& current, int voiceCount) {
  TSettings s = current;
  if (path.empty()) return s;
  ProfileFile ini(path);
  for (const SettingKey& key : kKeys) {
    if (key.text) {
      key.text(s) = ini.StringGet(key.section, key.key, key.text(s));
    } else {
      key.integer(s) =
          InRange(key, ini.IntegerGet(key.section, key.key, key.integer(s)), voiceCount);
    }
  }
  return s;
}

std::vector<TOption> OptionsGet(const TOptions& values) {
  TSettings s;
  s.Options = values;
  std::vector<TOption> options;
  for (const SettingKey& key : kKeys) {
    if (!key.optionLabel) continue;
    Text value = key.text ? key.text(s) : AsciiToText(std::to_string(key.integer(s)));
    options.push_back({key.key, key.optionHeading, key.optionLabel, key.optionKind,
                       key.optionHelp ? key.optionHelp : u"", key.minimum, key.maximum, value});
  }
  return options;
}

void OptionsPut(TOptions& options, const std::vector<Text>& values) {
  TSettings s;
  s.Options = options;
  size_t next = 0;
  for (const SettingKey& key : kKeys) {
    if (!key.optionLabel || next == values.size()) continue;
    const Text& value = values[next++];
    if (key.text) {
      key.text(s) = value;
    } else if (int32_t number = 0; TextToInteger(value, number)) {
      key.integer(s) = InRange(key, number, 0);
    }
  }
  options = s.Options;
}

void SettingsSave(const Text& path, const TSettings& saved) {
  TSettings s = saved;  // the key table reaches values through references
  if (path.empty()) throw PlatformError("Cannot save Setup.ini: no application-data folder");
  FolderCreate(PathFolderPart(path));
  ProfileFile ini(path);
  for (const SettingKey& key : kKeys) {
    if (key.text) {
      ini.StringSet(key.section, key.key, key.text(s));
    } else {
      ini.IntegerSet(key.section, key.key, key.integer(s));
    }
  }
  ini.Flush();
}

void ChatOptionsTake(const TOptions& options, TextView accountFolder, TChatOptions& chat) {
  chat.MaxLength = options.MaxLength;
  chat.PlainLetters = options.PlainLetters != 0;
  chat.Emoji = options.Emoji != 0 ? TEmojiMode::kNamed : TEmojiMode::kDropped;
  chat.Links = options.Links != 0;
  chat.Objects = options.Objects != 0;
  chat.SpeakIMs = options.SpeakIMs != 0;
  chat.SpeakGroups = options.SpeakGroups != 0;
  chat.MyNames =
      MyNamesParse(options.MyNames.empty() ? MyNamesDefault(accountFolder) : options.MyNames);
  chat.Mentions = static_cast<TMentionsMode>(options.Mentions);
}
