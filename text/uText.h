// Chat text processing: turns the lines appended to a chat log into the one text to speak, in
// one of three text modes, through the side files (text/side_files.h).
// What the modes read (dictionary, speaker list, options) is handed in; the program keeps one
// instance of each, written by START and read by the monitor tick.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/unicode.h"
#include "text/emoji.h"
#include "text/side_files.h"

// --- Text modes ------------------------------------------------------------------------------

// The window's "Chat Text Mask" choice; the values are those Setup.ini keeps as "TexType".
enum class TTextMode : int32_t {
  kStamp = 0,           // the viewer's timestamp removed from each line
  kSecondLifeChat = 1,  // "name : message" per chat entry, speaker lists applied
  kCustom = 2,          // the user's own mask removed from each line
};

// The viewer's timestamp at the start of a line: "[YYYY/MM/DD hh:mm] ", the custom mask's
// default.
inline constexpr char16_t kStampMask[] = u"^\\[\\d{4}/\\d{2}/\\d{2} \\d{1,2}:\\d{2}\\] ";
// Every stamp the viewers write, and the blank behind it: "[", an optional date (the day with or
// without its leading zero) and a blank, the time (24-hour, or 12-hour with the AM/PM word of the
// viewer's language before or after it; seconds optional), "]". A viewer whose date format is
// not filled in writes the format's template instead:
// "[[year,datetime,slt]/...:[min,datetime,slt]]".
inline constexpr char16_t kStampForms[] =
    u"^\\[(?:(?:\\d{4}/\\d{1,2}/\\d{1,2} )?(?:[^\\]\\s\\d]{1,12} ?)?\\d{1,2}:\\d{2}(?::\\d{2})?"
    u"(?: [^\\]\\s]{1,12})?|(?:[^\\[\\]]{0,3}\\[[a-z0-9]{1,12},datetime,[a-z]{1,12}\\])+"
    u"[^\\[\\]]{0,3})\\] ";

// Where a chat entry was said: nearby, in an instant message, in a group chat, or in an ad-hoc
// conference (which is spoken as group chats are, whatever Groups.txt names).
enum class TConversationKind : int32_t { kNearby, kIm, kGroup, kConference };

// What a line of another conversation is said after, "IM, Ann : hi", "Builders Guild, Ann : hi":
// the words in one place, for translation.
inline constexpr char16_t kImWord[] = u"IM";
inline constexpr char16_t kSourceSeparator[] = u", ";

// How lines that mention you are heard: as any line, first, or alone (instant messages always).
enum class TMentionsMode : int32_t { kAsAny = 0, kFirst = 1, kOnly = 2 };

struct TChatOptions {
  // 0 speak all, 1 (or any other value) the translated text, 2 the original text.
  int32_t TranslateMode = 0;
  // 0 the display name, anything else the user name.
  int32_t NameMode = 0;
  // The viewer writes "Display Name (user.name): message".
  bool UseDisplayNames = true;
  // The viewer stamps its lines; when it does not, every line that does not begin with a blank
  // begins an entry.
  bool ViewerStamps = true;
  // Longer messages (of mode 1; lines of the other modes) are cut (LengthCut); 0: no limit.
  int32_t MaxLength = 0;
  // How the text is said before the dictionary reads it: decorative letters as plain ones
  // (PlainLetters), emoji by name or not at all (EmojiSpoken, in EmojiLanguage), links short
  // (LinksSpoken).
  bool PlainLetters = true;
  TEmojiMode Emoji = TEmojiMode::kNamed;
  Text EmojiLanguage = u"en";
  bool Links = true;
  // Objects' lines (IsObjectSpeaker) are spoken, in the window's voice; false: never.
  bool Objects = true;
  // The conversation whose transcript the lines are; a Firestorm copy of an instant message in
  // the nearby log ("IM%3A Jane Doe: hi", "IM%3A [Builders Guild] Jane Doe: hi") names its own.
  TConversationKind Source = TConversationKind::kNearby;
  Text SourceName = {};  // the group's or the conference's name
  // The copies in the nearby log are spoken (not so while the transcripts are followed).
  bool CopiesSpoken = true;
  // Instant messages, and group chats (those in the filter's Groups; all when it has none).
  bool SpeakIMs = true;
  bool SpeakGroups = false;
  // Your names (MyNamesParse) and what a line that mentions one of them gets.
  std::vector<Text> MyNames = {};
  TMentionsMode Mentions = TMentionsMode::kFirst;
};

extern TChatOptions ChatOptions;

// --- Chat line extraction --------------------------------------------------------------------

// text as a listener wants it said, before the dictionary reads it: what options choose of
// PlainLetters, LinksSpoken and EmojiSpoken, in that order.
Text TextAsMeant(Text text, const TChatOptions& options);

// Text mode 0: the lines without their timestamps.
Text StampTextGet(const TChatFilter& filter, const LineList& lines);
// One spoken entry of text mode 1.
struct TChatEntry {
  Text speaker;         // the speaker's key (SpeakerKey); empty for none
  Text name;            // the name as said ("Speak Display Name" or "Speak User Name")
  Text text;            // "name : message"; an emote "name waves", "name's hat"
  Text bare;            // the message without the name; empty for an emote, whose name it needs
  bool object = false;  // the speaker is an object (IsObjectSpeaker)
  bool forYou = false;  // it mentions you, and is to be heard first
};

// Text mode 1: the entries of the lines (a stamped line with the lines after it that begin none),
// each with its speaker; silenced and empty ones left out.
std::vector<TChatEntry> SLChatEntriesGet(const TChatFilter& filter, const LineList& lines,
                                         const TChatOptions& options);
// The same joined: one "name : message" piece per chat entry.
Text SLChatTextGet(const TChatFilter& filter, const LineList& lines, const TChatOptions& options);
// Text mode 2: the lines without every match of the user's mask (a line on which the mask runs
// into the match limit stays whole).
Text RegExTextGet(const TChatFilter& filter, const LineList& lines, TextView mask);
// START in mode 2: the custom mask compiles; throws RegexError naming it.
void CustomMaskCheck(TextView mask);
// One chat entry (a timestamped line with its continuation lines joined on); empty when the
// entry yields nothing.
Text SLChatEntryGet(const TChatFilter& filter, TextView entry, const TChatOptions& options);

// A text longer than maxLength characters (UTF-16 units) up to the last word boundary before the
// limit (a blank, or a Japanese or Chinese punctuation mark; where there is none in its second
// half, the limit itself), then " and so on"; the text whole when it is not longer, or for 0.
Text LengthCut(TextView text, int32_t maxLength);

// What a mode reads besides the lines.
struct TTextRequest {
  TTextMode mode = TTextMode::kStamp;
  const TChatFilter& filter;
  const TChatOptions& options;  // kSecondLifeChat
  TextView customMask = {};     // kCustom
};

// One text to speak, and the voice it asks for.
struct TSpeechPiece {
  Text voice;  // a voice name from Voices.txt; empty: the window's voice
  Text text;
  Text speaker = {};    // the speaker's key (mode 1); empty for none
  Text bare = {};       // the text without the speaker's name (mode 1 messages, not emotes)
  Text name = {};       // the speaker's name as said (mode 1)
  bool object = false;  // the speaker is an object
  bool forYou = false;  // it mentions you, and is to be heard first
};

// Whether a piece may speak in a voice of its speaker's own (AutoVoices): it has a speaker, not
// the viewer's notices nor an object.
bool AutoVoiceWanted(const TSpeechPiece& piece);

// What to speak for a tick's lines in the request's mode: in mode 1 a piece per entry (with its
// speaker's voice), in the others one piece. Empty when nothing is to be said.
std::vector<TSpeechPiece> ModeSpeechGet(const TTextRequest& request, const LineList& lines);
// The same as one text, the pieces joined with CR LF.
Text ModeTextGet(const TTextRequest& request, const LineList& lines);
