// Chat text processing: turns the lines appended to a chat log into the one text to speak, in
// one of three text modes; the pronunciation dictionary; the white and black speaker lists.
// The dictionary, the speaker list and the options are module state, written by START and read
// by the monitor tick.
#pragma once

#include <memory>
#include <set>
#include <vector>

#include "platform/platform.h"
#include "platform/unicode.h"

// --- Chat line extraction --------------------------------------------------------------------

// The viewer's timestamp at the start of a line: "[YYYY/MM/DD hh:mm] ".
inline constexpr char16_t kStampMask[] = u"^\\[\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}\\] ";

struct TChatOptions {
  // 0 speak all, 1 (or any other value) the translated text, 2 the original text.
  int32_t TranslateMode = 0;
  // 0 the display name, anything else the user name.
  int32_t NameMode = 0;
  // The viewer writes "Display Name (user.name): message".
  bool UseDisplayNames = true;
};

extern TChatOptions ChatOptions;

// Text mode 0: the lines without their timestamps.
Text StampTextGet(const LineList& lines);
// Text mode 1: one "name : message" piece per chat entry.
Text SLChatTextGet(const LineList& lines, const TChatOptions& options);
// Text mode 2: the lines without every match of the user's mask.
Text RegExTextGet(const LineList& lines, TextView mask);
// One chat entry (a timestamped line with its continuation lines joined on); empty when the
// entry yields nothing.
Text SLChatEntryGet(TextView entry, const TChatOptions& options);
// A valid viewer user name: 1 to 63 of "0-9", "a-z" and at most one "." (at position 32 or
// earlier); at most 31 characters without a ".".
bool UserNameCheck(TextView text);

// --- Pronunciation dictionary ----------------------------------------------------------------

inline constexpr char16_t kDictionaryHeader[] =
    u"# VORTANE PROJECT KELVORA Dictionary Format V 1.0";

class Regex;

struct TTransEntry {
  Text src;  // pattern, never empty
  Text dst;  // replacement, never empty ("-" stands for an empty one)
  // src compiled, from its first use on.
  std::shared_ptr<const Regex> compiled;
};
using TTransList = std::vector<TTransEntry>;

extern TTransList Dictionary;

// Reads Dictionary.txt from folder. A missing file, one line or a wrong header leave the table
// as it was; a file that exists but cannot be read throws PlatformError.
void DictionaryLoad(const Text& folder = ProgramFolderGet());
// The text after every entry, in table order; throws RegexError for a bad pattern.
Text DictionaryApply(TextView text);

// --- Speaker lists ---------------------------------------------------------------------------

inline constexpr char16_t kUserListHeader[] = u"# VORTANE PROJECT KELVORA User List Format V 1.0";

extern std::set<Text> UserList;
extern bool WhiteListMode;

// WhiteList.txt when it exists (white-list mode), else BlackList.txt, from folder.
void BWListLoad(const Text& folder = ProgramFolderGet());
// Adds the valid names of one list file to UserList.
void UserListLoad(const Text& path);
// Whether the speaker with this key (trimmed, ASCII lower case) is silenced.
bool SpeakerSilenced(TextView key);
// The spoken notice about the list for the avatar's folder name, naming the product with
// productText; empty when there is nothing to say.
Text BWListText(TextView avatarName, TextView productText);
