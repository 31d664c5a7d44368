#include "viewer/viewer.h"

#include <pugixml.hpp>

#include <ctime>

#include "platform/platform.h"
#include "viewer/viewer_folders.h"

namespace {

constexpr char16_t kAccountSettings[] = u"settings_per_account.xml";

bool AsciiEqualIgnoringCase(TextView a, TextView b) {
  if (a.size() != b.size()) return false;
  auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

struct WalkError {};

// An element's character content; asking it of an element that holds elements is an error.
std::string ElementText(const pugi::xml_node& node) {
  std::string text;
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() == pugi::node_element) throw WalkError();
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      text += child.value();
  }
  return text;
}

bool NameIs(const pugi::xml_node& node, const char* name) {
  return node.type() == pugi::node_element && std::string_view(node.name()) == name;
}

bool NameIsOneOf(const pugi::xml_node& node, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    if (NameIs(node, name)) return true;
  }
  return false;
}

std::vector<pugi::xml_node> Children(const pugi::xml_node& node) {
  return std::vector<pugi::xml_node>(node.children().begin(), node.children().end());
}

// Visits each pair of a "key" element with this text and the element that directly follows it,
// when that one's name qualifies.
template <typename Visit>
void KeyPairsVisit(const pugi::xml_node& parent, std::string_view keyText,
                   const std::function<bool(const pugi::xml_node&)>& follower, Visit visit) {
  std::vector<pugi::xml_node> children = Children(parent);
  for (size_t i = 0; i < children.size(); ++i) {
    if (!NameIs(children[i], "key") || ElementText(children[i]) != keyText) continue;
    if (i + 1 < children.size() && follower(children[i + 1])) visit(children[i + 1]);
  }
}

bool BooleanRead(TextView text, bool& value) {
  if (text == u"1" || AsciiEqualIgnoringCase(text, u"true")) return value = true, true;
  if (text == u"0" || AsciiEqualIgnoringCase(text, u"false")) return value = false, true;
  return false;
}

// A Boolean setting of a settings file's bytes: a changed checkbox is written as a boolean, the
// shipped default as an integer. The flag keeps its value where the file says nothing readable.
void BooleanSettingRead(std::string_view bytes, TextView setting, bool& flag) {
  SettingValueParse(bytes, setting, {"integer", "boolean"}, [&](TextView value) {
    int32_t number = 0;
    if (TextToInteger(value, number)) return flag = number != 0, true;
    return BooleanRead(value, flag);
  });
}

// KeepConversationLogTranscripts: 0 nothing, 1 the conversation log alone, 2 (the viewers'
// default) the transcripts too.
void TranscriptsSettingRead(std::string_view bytes, bool& logged) {
  SettingValueParse(bytes, u"KeepConversationLogTranscripts", {"integer"}, [&](TextView value) {
    int32_t number = 0;
    if (TextToInteger(value, number)) logged = number >= 2;
    return true;
  });
}

}  // namespace

Text ViewerNameAt(int index) {
  return index >= 0 && index < static_cast<int>(ViewerNames.size()) ? Text(ViewerNames[index])
                                                                    : Text();
}

Text ViewerFolderGet(TextView viewerName) {
  std::vector<Text> candidates = ViewerFolderCandidates(viewerName);
  for (const Text& candidate : candidates) {
    if (FolderExists(candidate)) return candidate;
  }
  return candidates.empty() ? Text() : candidates.front();
}

void AvatarFoldersGet(TextView viewerName, std::vector<Text>& list) {
  list.clear();
  Text viewerFolder = ViewerFolderGet(viewerName);
  if (viewerFolder.empty()) return;
  for (const FolderEntry& entry : FolderEntriesGet(viewerFolder, u"*.*")) {
    if (entry.name == u"." || entry.name == u".." || !entry.isFolder) continue;
    if (FileExists(PathJoin(PathJoin(viewerFolder, entry.name), kAccountSettings))) {
      list.push_back(entry.name);
    }
  }
}

Text AvatarShownNameGet(TextView folderName) {
  size_t separator = folderName.find_last_of(u"/\\");
  Text name(separator == TextView::npos ? folderName : folderName.substr(separator + 1));
  size_t dot = name.rfind(u'.');
  if (dot != Text::npos) name.erase(dot);
  for (char16_t& c : name) {
    if (c == u'_') c = u' ';
  }
  return name;
}

TAvatarList AvatarListBuild(TextView viewerName, TextView avatar) {
  TAvatarList list;
  AvatarFoldersGet(viewerName, list.Users);
  for (const Text& user : list.Users) list.ShownNames.push_back(AvatarShownNameGet(user));
  for (size_t i = 0; i < list.ShownNames.size(); ++i) {
    if (AsciiEqualIgnoringCase(list.ShownNames[i], avatar)) {
      list.Selected = static_cast<int>(i);
      break;
    }
  }
  return list;
}

bool SettingValueParse(std::string_view bytes, TextView settingName,
                       std::initializer_list<const char*> valueElements,
                       const std::function<bool(TextView)>& onValue) {
  try {
    pugi::xml_document document;
    // The default options build no whitespace-only text, declaration, comment or processing
    // instruction nodes: the document's first child is the root element.
    if (!document.load_buffer(bytes.data(), bytes.size())) return false;
    pugi::xml_node root = document.first_child();
    if (!root || !root.first_child()) return false;
    std::string name = TextToUtf8(settingName);
    auto isMap = [](const pugi::xml_node& n) { return NameIs(n, "map"); };
    auto isValue = [&](const pugi::xml_node& n) { return NameIsOneOf(n, valueElements); };
    KeyPairsVisit(root.first_child(), name, isMap, [&](const pugi::xml_node& map) {
      KeyPairsVisit(map, "Value", isValue, [&](const pugi::xml_node& value) {
        if (!onValue(Utf8ToText(ElementText(value)))) throw WalkError();
      });
    });
    return true;
  } catch (const WalkError&) {
    return false;
  }
}

Text LogPathGet(TextView viewerName, TextView avatarFolder) {
  return AccountLogSettingsGet(viewerName, avatarFolder).LogRoot;
}

Text AccountSettingsPathGet(TextView viewerName, TextView avatarFolder) {
  return PathJoin(PathJoin(ViewerFolderGet(viewerName), avatarFolder), kAccountSettings);
}

std::string AccountSettingsBytesRead(TextView path) {
  try {
    return FileContentsRead(path);
  } catch (const PlatformError&) {
    return std::string();
  }
}

namespace {

TAccountLogSettings AccountLogDefaults(TextView viewerName) {
  TAccountLogSettings settings;
  settings.LogsNearbyChat = viewerName != u"Firestorm";  // each viewer's own default
  return settings;
}

}  // namespace

std::optional<TAccountLogSettings> AccountLogSettingsParse(TextView viewerName,
                                                           std::string_view bytes) {
  TAccountLogSettings settings = AccountLogDefaults(viewerName);
  bool whole = SettingValueParse(bytes, u"InstantMessageLogPath", {"string"}, [&](TextView value) {
    settings.LogRoot = Text(value);
    return true;
  });
  if (!whole) return std::nullopt;
  BooleanSettingRead(bytes, u"LogFileNamewithDate", settings.DatedFileNames);
  BooleanSettingRead(bytes, u"LogNearbyChat", settings.LogsNearbyChat);
  BooleanSettingRead(bytes, u"LogTimestamp", settings.Timestamps);
  TranscriptsSettingRead(bytes, settings.TranscriptsLogged);
  return settings;
}

TAccountLogSettings AccountLogSettingsOf(TextView viewerName, std::string_view bytes) {
  std::optional<TAccountLogSettings> settings = AccountLogSettingsParse(viewerName, bytes);
  return settings ? *settings : AccountLogDefaults(viewerName);
}

TAccountLogSettings AccountLogSettingsGet(TextView viewerName, TextView avatarFolder) {
  return AccountLogSettingsOf(
      viewerName, AccountSettingsBytesRead(AccountSettingsPathGet(viewerName, avatarFolder)));
}

Text ViewerSettingsFileGet(TextView pattern) {
  Text folder = PathFolderPart(pattern);
  const FolderEntry* newest = nullptr;
  std::vector<FolderEntry> entries = FolderEntriesGet(folder, pattern.substr(folder.size()));
  for (const FolderEntry& entry : entries) {
    if (entry.isFolder || entry.name == u"settings_crash_behavior.xml") continue;
    if (!newest || entry.modified > newest->modified) newest = &entry;
  }
  return newest ? folder + newest->name : Text();
}

bool UseDisplayNamesGet(TextView viewerName) {
  bool flag = true;
  Text viewerFolder = ViewerFolderGet(viewerName);
  if (viewerFolder.empty()) return flag;
  Text file =
      ViewerSettingsFileGet(PathJoin(PathJoin(viewerFolder, u"user_settings"), u"settings*.xml"));
  if (!FileExists(file)) return flag;
  try {
    BooleanSettingRead(FileContentsRead(file), u"UseDisplayNames", flag);
  } catch (const PlatformError&) {
  }
  return flag;
}

TChatLogLocation ChatLogLocate(TextView viewerName, TextView avatarFolder,
                               const TAccountLogSettings& settings) {
  Text viewerFolder = ViewerFolderGet(viewerName);
  if (viewerFolder.empty()) return {};
  // Without a log folder in the account's settings the viewer logs beneath its own folder.
  Text logRoot = settings.LogRoot.empty() ? viewerFolder : settings.LogRoot;
  return {PathWithSeparator(logRoot) + Text(avatarFolder), settings.DatedFileNames};
}

Text ChatLogFileGet(const TChatLogLocation& location) {
  if (location.Folder.empty()) return Text();
  Text chat = PathJoin(location.Folder, u"chat.txt");
  if (!location.DatedFiles && FileExists(chat)) return chat;
  Text newest = NewestDatedChatFileGet(location.Folder);
  if (!newest.empty()) return newest;
  // Dated files, none written yet: today's, which the viewer writes next.
  return location.DatedFiles ? PathJoin(location.Folder, DatedChatFileName(std::time(nullptr)))
                             : chat;
}

Text ViewerChatFileGet(TextView viewerName, TextView avatarFolder) {
  return ChatLogFileGet(
      ChatLogLocate(viewerName, avatarFolder, AccountLogSettingsGet(viewerName, avatarFolder)));
}

Text ChatLogNoticeText(TextView viewerName, TextView avatarShownName,
                       const TAccountLogSettings& settings, bool chatFileExists) {
  if (!settings.LogsNearbyChat) {
    Text viewer = viewerName == u"SecondLife" ? Text(u"The Second Life viewer") : Text(viewerName);
    return viewer + u" is not logging nearby chat.";
  }
  if (chatFileExists) return Text();
  if (avatarShownName.empty()) return u"No chat log found.";
  return u"No chat log found for " + Text(avatarShownName) + u".";
}

Text DatedChatFileName(std::time_t when) {
  char name[32];
  std::strftime(name, sizeof name, "chat-%Y-%m-%d.txt", std::localtime(&when));
  return AsciiToText(name);
}

bool IsDatedChatFileName(TextView name) {
  static constexpr TextView kForm = u"chat-YYYY-MM-DD.txt";
  if (name.size() != kForm.size()) return false;
  for (size_t i = 0; i < kForm.size(); ++i) {
    bool digit = name[i] >= u'0' && name[i] <= u'9';
    bool wanted = kForm[i] == u'Y' || kForm[i] == u'M' || kForm[i] == u'D';
    if (wanted ? !digit : name[i] != kForm[i]) return false;
  }
  return true;
}

Text NewestDatedChatFileGet(TextView folder) {
  Text newest;
  for (const FolderEntry& entry : FolderEntriesGet(folder, u"chat-*.txt")) {
    // The date in the name orders the files; later days sort after earlier ones.
    if (!entry.isFolder && IsDatedChatFileName(entry.name) && entry.name > newest) {
      newest = entry.name;
    }
  }
  return newest.empty() ? newest : PathJoin(folder, newest);
}

bool DatedChatFileFollows(TextView previous, TextView next, std::time_t now) {
  Text previousFolder = PathFolderPart(previous), nextFolder = PathFolderPart(next);
  TextView previousName = previous.substr(previousFolder.size());
  TextView nextName = next.substr(nextFolder.size());
  // The names sort as their days do.
  constexpr std::time_t kDay = 24 * 60 * 60;
  return previousFolder == nextFolder && IsDatedChatFileName(previousName) &&
         IsDatedChatFileName(nextName) && nextName > previousName &&
         nextName >= DatedChatFileName(now - kDay);
}
