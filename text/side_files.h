// The side files beside the program or in the user's folder: the pronunciation dictionary, the
// white and black speaker lists and Voices.txt, read at START into one TChatFilter, with what
// they hold that can never match.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/unicode.h"

inline constexpr char16_t kDictionaryHeader[] =
    u"# VORTANE PROJECT KELVORA Dictionary Format V 1.0";
inline constexpr char16_t kUserListHeader[] = u"# VORTANE PROJECT KELVORA User List Format V 1.0";
inline constexpr char16_t kVoiceListHeader[] = u"# VORTANE PROJECT KELVORA Voice List Format V 1.0";
inline constexpr char16_t kGroupListHeader[] = u"# VORTANE PROJECT KELVORA Group List Format V 1.0";

class Regex;
class Replacement;

struct TTransEntry {
  Text src;                               // pattern, never empty
  Text dst;                               // replacement, never empty ("-" stands for an empty one)
  std::shared_ptr<const Regex> compiled;  // src
  std::shared_ptr<const Replacement> compiledDst;  // dst, checked against src's groups
};
using TTransList = std::vector<TTransEntry>;

// The side files as START read them: what every mode rewrites and whom the chat mode silences.
struct TChatFilter {
  TTransList Dictionary;
  std::set<Text> UserList;  // user names, trimmed and in ASCII lower case
  bool WhiteListMode = false;
  // Voices.txt: a speaker's own voice, by user name (as UserList holds names), as the user
  // wrote the voice's name.
  std::map<Text, Text> SpeakerVoices;
  // Groups.txt: the group chats to speak, trimmed and in ASCII lower case; empty: every one.
  std::set<Text> Groups;
  // What the list files hold that can never match ("line 4 of BlackList.txt is not a user
  // name"), for START to say once.
  LineList UserListNotes;
  LineList VoiceListNotes;
  LineList GroupListNotes;
};

extern TChatFilter ChatFilter;

// The side files (Dictionary.txt, WhiteList.txt, BlackList.txt, Voices.txt) are each read from
// the first of these folders that holds it.
using TSideFolders = std::vector<Text>;
// The first folder's file of that name; empty when none holds one.
Text SideFilePath(const TSideFolders& folders, TextView name);

// Reads Dictionary.txt into filter, compiling every entry. A missing file, one line or
// a wrong header leave the table as it was; a file that exists but cannot be read throws
// PlatformError, and a pattern or replacement that does not compile throws RegexError naming
// the file, the line and the pattern (the table stays as it was).
void DictionaryLoad(TChatFilter& filter, const TSideFolders& folders);
// The same for a dictionary file's lines; fileName names the file in errors.
void DictionaryLinesLoad(TChatFilter& filter, const LineList& lines, const std::string& fileName);
// How much longer than it was the dictionary may make a text (plus 4096 characters).
inline constexpr size_t kDictionaryGrowth = 8;
// The text after every entry, in table order. An entry whose match runs into the match limit on
// this text, or that would make it longer than kDictionaryGrowth times its length, leaves it as
// it is: a stranger's chat line never stops the monitor, nor exhausts its memory.
Text DictionaryApply(const TChatFilter& filter, TextView text);

// WhiteList.txt when it exists (white-list mode), else BlackList.txt; a file that exists but
// cannot be read throws PlatformError.
void BWListLoad(TChatFilter& filter, const TSideFolders& folders);
// Adds the names of a list file's lines (fileName names it in notes) to the filter's list: each
// line a user name, a legacy name or "Display Name (user.name)". Lines that can never match
// are noted in UserListNotes.
void UserListLinesLoad(TChatFilter& filter, const LineList& lines, TextView fileName);
// Reads Voices.txt into filter (a missing file, one line or a wrong header give no
// voices); a file that exists but cannot be read throws PlatformError.
void VoiceListLoad(TChatFilter& filter, const TSideFolders& folders);
// The same for the file's lines: "name<TAB>voice name" each, the name in any form a list line
// takes. Lines that can never match are noted in VoiceListNotes.
void VoiceListLinesLoad(TChatFilter& filter, const LineList& lines);

// Reads Groups.txt into filter (a missing file, one line or a wrong header give no groups: all
// are spoken); a file that exists but cannot be read throws PlatformError.
void GroupListLoad(TChatFilter& filter, const TSideFolders& folders);
// The same for the file's lines: a group's name on each.
void GroupListLinesLoad(TChatFilter& filter, const LineList& lines);

// START's reading of every side file into filter: the dictionary, the speaker list, Voices.txt
// and Groups.txt, each as its own load above does, throwing as it does.
void SideFilesLoad(TChatFilter& filter, const TSideFolders& folders);

// The spoken form of side-file notes: the first few, each a sentence, and how many more.
Text SideFileNotesText(const LineList& notes);

// Whether the speaker with this key (SpeakerKey) is silenced.
bool SpeakerSilenced(const TChatFilter& filter, TextView key);
// The spoken notice about the list for the avatar's folder name, naming the product with
// productText; empty when there is nothing to say.
Text BWListText(const TChatFilter& filter, TextView avatarName, TextView productText);
