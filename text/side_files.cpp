#include "text/side_files.h"

#include <algorithm>

#include "platform/platform.h"
#include "text/regex.h"
#include "text/speaker_key.h"

TChatFilter ChatFilter;

namespace {

// The lines of a UTF-8 side file, its byte-order mark skipped.
LineList SideFileLinesLoad(const Text& path) {
  return LinesSplit(Utf8ToText(Utf8MarkSkip(FileContentsRead(path))));
}

}  // namespace

// --- Pronunciation dictionary ----------------------------------------------------------------

Text SideFilePath(const TSideFolders& folders, TextView name) {
  for (const Text& folder : folders) {
    Text path = PathJoin(folder, name);
    if (FileExists(path)) return path;
  }
  return Text();
}

void DictionaryLoad(TChatFilter& filter, const TSideFolders& folders) {
  Text path = SideFilePath(folders, u"Dictionary.txt");
  if (!path.empty()) DictionaryLinesLoad(filter, SideFileLinesLoad(path), TextToUtf8(path));
}

void DictionaryLinesLoad(TChatFilter& filter, const LineList& lines, const std::string& fileName) {
  if (lines.size() < 2 || lines[0] != kDictionaryHeader) return;
  TTransList table;
  table.reserve(lines.size() - 1);
  for (size_t i = 1; i < lines.size(); ++i) {
    size_t tab = lines[i].find(u'\t');
    if (tab == Text::npos || tab == 0) continue;
    TTransEntry entry{lines[i].substr(0, tab), lines[i].substr(tab + 1), nullptr, nullptr};
    if (entry.dst.empty()) entry.dst = u"-";
    try {
      entry.compiled = RegexGet(entry.src);
      entry.compiledDst = std::make_shared<const Replacement>(*entry.compiled, entry.dst);
    } catch (const RegexError& e) {
      throw RegexError(fileName + ", line " + std::to_string(i + 1) + ": " + e.what());
    }
    table.push_back(std::move(entry));
  }
  filter.Dictionary = std::move(table);
}

Text DictionaryApply(const TChatFilter& filter, TextView text) {
  Text current(text);
  UnitPresence presence(current);
  // However the entries rewrite it (an entry matching the empty string inserts its replacement
  // between every two characters), the text stays within this: what grows it further is passed
  // over.
  const size_t limit = text.size() * kDictionaryGrowth + 4096;
  for (const TTransEntry& entry : filter.Dictionary) {
    const Regex& regex = *entry.compiled;
    // Most entries match nothing in a given text: passed over without a copy.
    if (!regex.MayMatch(presence)) continue;
    try {
      if (!regex.Matches(current)) continue;
      current = regex.ReplaceAll(current, *entry.compiledDst, limit);
    } catch (const RegexError&) {
      continue;  // the match or growth limit: this entry leaves this text alone
    }
    presence = UnitPresence(current);
  }
  return current;
}

// --- Speaker lists ---------------------------------------------------------------------------

void BWListLoad(TChatFilter& filter, const TSideFolders& folders) {
  filter.UserList.clear();
  filter.UserListNotes.clear();
  filter.WhiteListMode = false;
  Text white = SideFilePath(folders, u"WhiteList.txt");
  Text black = SideFilePath(folders, u"BlackList.txt");
  if (!white.empty()) {
    filter.WhiteListMode = true;
    UserListLinesLoad(filter, SideFileLinesLoad(white), u"WhiteList.txt");
  } else if (!black.empty()) {
    UserListLinesLoad(filter, SideFileLinesLoad(black), u"BlackList.txt");
  }
}

namespace {

// Whether lines hold a side file's entries: a header line and at least one more. A first line
// that is not the header is noted (every entry after it is passed over).
bool SideFileHeaderCheck(const LineList& lines, TextView header, TextView fileName,
                         LineList& notes) {
  if (lines.size() < 2) return false;
  if (lines[0] == header) return true;
  notes.push_back(u"the first line of " + Text(fileName) + u" is not its header");
  return false;
}

Text LineNote(size_t index, TextView fileName, TextView what) {
  return u"line " + AsciiToText(std::to_string(index + 1)) + u" of " + Text(fileName) + u" " +
         Text(what);
}

// The key a side file's name stands for; empty, and noted, when it is no user name.
Text SideFileUserName(TextView written, size_t index, TextView fileName, LineList& notes) {
  Text key = SpeakerKey(written);
  if (UserNameCheck(key)) return key;
  notes.push_back(LineNote(index, fileName, u"is not a user name"));
  return Text();
}

}  // namespace

void VoiceListLoad(TChatFilter& filter, const TSideFolders& folders) {
  Text path = SideFilePath(folders, u"Voices.txt");
  VoiceListLinesLoad(filter, path.empty() ? LineList() : SideFileLinesLoad(path));
}

void VoiceListLinesLoad(TChatFilter& filter, const LineList& lines) {
  constexpr TextView kFile = u"Voices.txt";
  filter.SpeakerVoices.clear();
  filter.VoiceListNotes.clear();
  if (!SideFileHeaderCheck(lines, kVoiceListHeader, kFile, filter.VoiceListNotes)) return;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (Trim(lines[i]).empty()) continue;
    size_t tab = lines[i].find(u'\t');
    Text voice = tab == Text::npos ? Text() : Trim(TextView(lines[i]).substr(tab + 1));
    if (voice.empty()) {
      filter.VoiceListNotes.push_back(LineNote(i, kFile, u"names no voice"));
      continue;
    }
    Text name =
        SideFileUserName(TextView(lines[i]).substr(0, tab), i, kFile, filter.VoiceListNotes);
    if (!name.empty()) filter.SpeakerVoices[name] = voice;
  }
}

void SideFilesLoad(TChatFilter& filter, const TSideFolders& folders) {
  DictionaryLoad(filter, folders);
  BWListLoad(filter, folders);
  VoiceListLoad(filter, folders);
  GroupListLoad(filter, folders);
}

void GroupListLoad(TChatFilter& filter, const TSideFolders& folders) {
  Text path = SideFilePath(folders, u"Groups.txt");
  GroupListLinesLoad(filter, path.empty() ? LineList() : SideFileLinesLoad(path));
}

void GroupListLinesLoad(TChatFilter& filter, const LineList& lines) {
  filter.Groups.clear();
  filter.GroupListNotes.clear();
  if (!SideFileHeaderCheck(lines, kGroupListHeader, u"Groups.txt", filter.GroupListNotes)) return;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (Text group = AsciiLower(Trim(lines[i])); !group.empty()) filter.Groups.insert(group);
  }
}

void UserListLinesLoad(TChatFilter& filter, const LineList& lines, TextView fileName) {
  if (!SideFileHeaderCheck(lines, kUserListHeader, fileName, filter.UserListNotes)) return;
  for (size_t i = 1; i < lines.size(); ++i) {
    if (Trim(lines[i]).empty()) continue;
    Text name = SideFileUserName(lines[i], i, fileName, filter.UserListNotes);
    if (!name.empty()) filter.UserList.insert(std::move(name));
  }
}

Text SideFileNotesText(const LineList& notes) {
  constexpr size_t kSpoken = 3;
  Text text;
  for (size_t i = 0; i < notes.size() && i < kSpoken; ++i) {
    text += (text.empty() ? u"" : u" ") + notes[i] + u".";
  }
  if (notes.size() > kSpoken) {
    text += u" And " + AsciiToText(std::to_string(notes.size() - kSpoken)) + u" more.";
  }
  return text;
}

bool SpeakerSilenced(const TChatFilter& filter, TextView key) {
  bool listed = filter.UserList.count(Text(key)) > 0;
  return filter.WhiteListMode ? !listed : listed;
}

Text BWListText(const TChatFilter& filter, TextView avatarName, TextView productText) {
  const std::set<Text>& list = filter.UserList;
  if (filter.WhiteListMode) {
    bool empty = list.empty() || (list.size() == 1 && *list.begin() == u"user.name");
    if (!empty) return Text();
    return u"Your white list is empty, so " + Text(productText) + u" speaks nothing.";
  }
  // Account folders are named "first_last" (or "first_resident"), the legacy name.
  Text legacyName(avatarName);
  std::replace(legacyName.begin(), legacyName.end(), u'_', u' ');
  if (list.count(SpeakerKey(legacyName)) == 0) return Text();
  return u"User Name was added to your black list. so " + Text(productText) +
         u" does not speak what you type.";
}
