#include "text/uText.h"

#include <algorithm>

#include "platform/platform.h"
#include "text/links.h"
#include "text/mentions.h"
#include "text/plain_letters.h"
#include "text/regex.h"
#include "text/speaker_key.h"

TChatOptions ChatOptions;

namespace {

bool IsTrimmed(char16_t c) { return c <= u' '; }

Text TrimLeft(TextView text) {
  size_t start = 0;
  while (start < text.size() && IsTrimmed(text[start])) ++start;
  return Text(text.substr(start));
}

// Modes 0 and 2: each line without the mask's matches; emptied lines dropped; said as meant and
// the dictionary once; each line cut to the options' MaxLength.
Text MaskedTextGet(const TChatFilter& filter, const LineList& lines, TextView mask,
                   const TChatOptions& options) {
  std::shared_ptr<const Regex> regex = RegexGet(mask);
  const Replacement nothing;
  LineList pieces;
  for (const Text& line : lines) {
    Text rest = line;
    try {
      rest = regex->ReplaceAll(line, nothing);
    } catch (const RegexError&) {
      // The match limit on this line: it is spoken whole rather than ending the session.
    }
    if (!rest.empty()) pieces.push_back(std::move(rest));
  }
  Text text = DictionaryApply(filter, TextAsMeant(LinesJoin(pieces), options));
  if (options.MaxLength <= 0) return text;
  LineList cut = LinesSplit(text);
  for (Text& line : cut) line = LengthCut(line, options.MaxLength);
  return LinesJoin(cut);
}

bool IsBlank(char16_t c) { return c <= u' ' || c == u'\u3000'; }

// Where a text may be cut after this character: Japanese and Chinese punctuation.
bool IsClauseEnd(char16_t c) {
  return TextView(u"\u3001\u3002\uFF0C\uFF01\uFF1F").find(c) != TextView::npos;
}

// The translated or the original part of a message the viewer wrote as
// "original (translation)"; the message whole when it has no such form.
Text TranslationPartGet(const Text& message, int32_t translateMode) {
  if (message.empty() || message.back() != u')') return message;
  std::vector<size_t> opens;
  for (size_t i = 0; i < message.size(); ++i) {
    if (message[i] == u'(' || message[i] == u'\uFF08') opens.push_back(i);
  }
  if (opens.size() % 2 == 0) return message;
  // Original and translation hold as many parentheses each: the middle one is the viewer's.
  size_t separator = opens[opens.size() / 2];
  if (translateMode == 2) return message.substr(0, separator);
  return message.substr(separator + 1, message.size() - separator - 2);
}

}  // namespace

// --- Chat line extraction --------------------------------------------------------------------

Text TextAsMeant(Text text, const TChatOptions& options) {
  // Decorative letters and emoji (keycaps included) all lie outside ASCII, as most chat does.
  bool ascii = std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
  if (options.PlainLetters && !ascii) text = PlainLetters(text);
  if (options.Links && MayHoldLinks(text)) text = LinksSpoken(text);
  if (!ascii) text = EmojiSpoken(text, options.Emoji, options.EmojiLanguage);
  return text;
}

Text StampTextGet(const TChatFilter& filter, const LineList& lines) {
  return MaskedTextGet(filter, lines, kStampForms, TChatOptions{});
}

Text RegExTextGet(const TChatFilter& filter, const LineList& lines, TextView mask) {
  return MaskedTextGet(filter, lines, mask, TChatOptions{});
}

namespace {

const Regex& StampRegex() {
  static const std::shared_ptr<const Regex> stamp = RegexGet(kStampForms);
  return *stamp;
}

// The viewers' stamp at the start of an entry, in every form they write.
bool StampStarts(TextView line) { return StampRegex().Matches(line); }

// Whether a line begins a chat entry: it carries a stamp, or the viewer writes none and the line
// is no continuation (those begin with one blank).
bool EntryStarts(const Text& line, const TChatOptions& options) {
  if (StampStarts(line)) return true;
  return !options.ViewerStamps && !line.empty() && line[0] != u' ';
}

// "/me waves" and "/me's hat": the rest after "/me", for the name to come straight before it.
bool EmoteStrip(Text& message) {
  bool emote =
      message == u"/me" || message.rfind(u"/me ", 0) == 0 || message.rfind(u"/me'", 0) == 0;
  if (!emote) return false;
  message.erase(0, 3);
  if (!message.empty() && message[0] != u'\'') message = TrimLeft(message);
  return true;
}

// The entry behind its stamp (up to the first "]" when it carries none of the stamp forms);
// nullopt when it has no stamp to remove.
std::optional<Text> StampRemoved(TextView entry, const TChatOptions& options) {
  Text behind = StampRegex().ReplaceAll(entry, Replacement());
  if (behind.size() != entry.size()) return TrimLeft(behind);
  // An entry without its stamp (the viewer writes none) starts with the speaker.
  if (!options.ViewerStamps) return Text(entry);
  size_t bracket = entry.find(u']');
  if (bracket == TextView::npos) return std::nullopt;
  return TrimLeft(entry.substr(bracket + 1));
}

// Where an entry was said, as its log or its name part tells.
struct TConversation {
  TConversationKind source = TConversationKind::kNearby;
  Text name;  // a group's
};

struct TSpeakerSplit {
  Text written;  // the speaker as the viewer wrote the name; empty for none
  Text display;  // the name "Speak Display Name" says
  std::optional<TConversation> conversation;  // a Firestorm copy of an instant message's
};

// The longest name part a viewer writes, in characters as it wrote them before escaping each ":"
// as "%3A": a display name (31) with its user name (63) in " (...)", an object's name (63 bytes),
// a legacy name.
constexpr size_t kNameLengthMost = 31 + 2 + 63 + 1;

// The characters of a name part as the viewer wrote it: "%3A" one, a surrogate pair one.
size_t WrittenLength(TextView name) {
  size_t length = 0;
  for (size_t i = 0; i < name.size(); ++i, ++length) {
    if (name.compare(i, 3, u"%3A") == 0) {
      i += 2;
    } else if (name[i] >= 0xD800 && name[i] <= 0xDBFF && i + 1 < name.size()) {
      ++i;
    }
  }
  return length;
}

// The end of the name part: the first ":" followed by a blank or by nothing. A ":" in a name is
// written "%3A", so the message's own colons and parentheses come after it.
size_t NameEnd(TextView message) {
  for (size_t colon = message.find(u':'); colon != TextView::npos;
       colon = message.find(u':', colon + 1)) {
    if (colon + 1 == message.size() || message[colon + 1] == u' ') return colon;
  }
  return TextView::npos;
}

// The longest group name a name part holds, in characters as written (the viewers allow 35).
constexpr size_t kGroupNameLengthMost = 63;

// Firestorm's copy of an instant message in the nearby log begins its name part with "IM%3A "
// (the log writes each ":" of a name so), a group chat's with "IM%3A [Group Name] ": the
// conversation, name left without it. A display name that itself begins with brackets reads as
// a group's line.
std::optional<TConversation> ImCopyTake(TextView& name) {
  constexpr TextView kPrefix = u"IM%3A ";
  if (!name.starts_with(kPrefix)) return std::nullopt;
  TextView rest = name.substr(kPrefix.size());
  size_t close = rest.starts_with(u'[') ? rest.find(u"] ") : TextView::npos;
  if (close != TextView::npos && WrittenLength(rest.substr(1, close - 1)) <= kGroupNameLengthMost) {
    name = rest.substr(close + 2);
    return TConversation{TConversationKind::kGroup, Trim(NameUnescaped(rest.substr(1, close - 1)))};
  }
  name = rest;
  return TConversation{TConversationKind::kIm, {}};
}

// Takes the speaker off the front of message, "Name: message", the name part no longer than a
// viewer writes one (after Firestorm's "IM: " prefix). With display names on, a name part that
// ends in a parenthesised user name ("Display (user.name)", "Display (user)", Firestorm's
// "Display (First Last)") is that user with that display name.
TSpeakerSplit SpeakerSplit(Text& message, const TChatOptions& options) {
  size_t end = NameEnd(message);
  if (end == Text::npos) return {};
  TextView part = TextView(message).substr(0, end);
  TSpeakerSplit split;
  split.conversation = ImCopyTake(part);
  if (WrittenLength(part) > kNameLengthMost) return {};
  Text name = Trim(part);
  message.erase(0, end + 1);
  size_t open = name.rfind(u'(');
  if (options.UseDisplayNames && !name.empty() && name.back() == u')' && open != Text::npos &&
      open > 0) {
    Text inner = Trim(TextView(name).substr(open + 1, name.size() - open - 2));
    if (!UserNameOf(inner).empty()) {
      split.written = inner;
      split.display = Trim(TextView(name).substr(0, open));
      return split;
    }
  }
  split.written = split.display = name;
  return split;
}

// Whether the options have lines of this conversation spoken.
bool ConversationSpoken(const TChatFilter& filter, const TChatOptions& options,
                        const TConversation& conversation) {
  switch (conversation.source) {
    case TConversationKind::kNearby:
      return true;
    case TConversationKind::kIm:
      return options.SpeakIMs;
    case TConversationKind::kGroup:
      return options.SpeakGroups &&
             (filter.Groups.empty() || filter.Groups.contains(AsciiLower(conversation.name)));
    case TConversationKind::kConference:
      return options.SpeakGroups;
  }
  return true;
}

// What a line of the conversation is said after: "IM, ", "Builders Guild, ", nothing nearby.
Text ConversationSaid(const TConversation& conversation, const TChatOptions& options) {
  switch (conversation.source) {
    case TConversationKind::kNearby:
      break;
    case TConversationKind::kIm:
      return Text(kImWord) + kSourceSeparator;
    case TConversationKind::kGroup:
    case TConversationKind::kConference:
      return TextAsMeant(conversation.name, options) + kSourceSeparator;
  }
  return {};
}

// Whether a speaker's line is said to you: it mentions one of your names, and is not your own.
bool ForYou(TextView key, TextView message, const TChatOptions& options) {
  if (options.Mentions == TMentionsMode::kAsAny || key.empty()) return false;
  const std::vector<Text>& mine = options.MyNames;
  return std::find(mine.begin(), mine.end(), key) == mine.end() && MentionsAny(message, mine);
}

std::optional<TChatEntry> ChatEntryParse(const TChatFilter& filter, TextView entry,
                                         const TChatOptions& options) {
  std::optional<Text> behindStamp = StampRemoved(entry, options);
  Text message = behindStamp ? *behindStamp : Text(entry);
  TSpeakerSplit speaker = behindStamp ? SpeakerSplit(message, options) : TSpeakerSplit{};
  if (speaker.conversation && !options.CopiesSpoken) return std::nullopt;
  TConversation conversation =
      speaker.conversation.value_or(TConversation{options.Source, options.SourceName});
  if (!ConversationSpoken(filter, options, conversation)) return std::nullopt;
  bool emote = false;
  // Before the translation's parentheses are counted: a mention link holds some of its own.
  message = TextAsMeant(std::move(message), options);
  if (!speaker.written.empty()) {
    message = Trim(message);
    emote = EmoteStrip(message);
    if (options.TranslateMode != 0) message = TranslationPartGet(message, options.TranslateMode);
  }
  if (message.empty()) return std::nullopt;
  Text key = speaker.written.empty() ? Text() : SpeakerKey(speaker.written);
  bool object = IsObjectSpeaker(key) && !IsViewerNoticeSpeaker(key);
  if ((object && !options.Objects) || SpeakerSilenced(filter, key)) return std::nullopt;
  bool forYou = ForYou(key, message, options);
  if (options.Mentions == TMentionsMode::kOnly && !forYou &&
      conversation.source != TConversationKind::kIm) {
    return std::nullopt;
  }
  message = LengthCut(DictionaryApply(filter, message), options.MaxLength);
  if (message.empty()) return std::nullopt;
  Text name = TextAsMeant(
      options.NameMode != 0 ? SpokenUserName(speaker.written) : NameUnescaped(speaker.display),
      options);
  Text said = ConversationSaid(conversation, options);
  if (emote) {
    Text text = said + name + (message[0] == u'\'' ? u"" : u" ") + message;
    return TChatEntry{key, name, std::move(text), {}, object, forYou};
  }
  return TChatEntry{key, name, said + name + u" : " + message, said + message, object, forYou};
}

}  // namespace

Text SLChatEntryGet(const TChatFilter& filter, TextView entry, const TChatOptions& options) {
  std::optional<TChatEntry> parsed = ChatEntryParse(filter, entry, options);
  return parsed ? parsed->text : Text();
}

std::vector<TChatEntry> SLChatEntriesGet(const TChatFilter& filter, const LineList& lines,
                                         const TChatOptions& options) {
  std::vector<TChatEntry> entries;
  Text entry;
  auto entryFlush = [&] {
    if (entry.empty()) return;
    if (std::optional<TChatEntry> parsed = ChatEntryParse(filter, entry, options)) {
      entries.push_back(std::move(*parsed));
    }
  };
  for (const Text& line : lines) {
    if (EntryStarts(line, options)) {
      entryFlush();
      entry = line;
    } else {
      // Continuation lines already carry the viewer's leading blank.
      entry += line;
    }
  }
  entryFlush();
  return entries;
}

bool AutoVoiceWanted(const TSpeechPiece& piece) {
  return !piece.speaker.empty() && !IsViewerNoticeSpeaker(piece.speaker) && !piece.object;
}

Text SLChatTextGet(const TChatFilter& filter, const LineList& lines, const TChatOptions& options) {
  LineList pieces;
  for (TChatEntry& entry : SLChatEntriesGet(filter, lines, options)) {
    pieces.push_back(std::move(entry.text));
  }
  return LinesJoin(pieces);
}

Text LengthCut(TextView text, int32_t maxLength) {
  if (maxLength <= 0 || text.size() <= static_cast<size_t>(maxLength)) return Text(text);
  size_t limit = static_cast<size_t>(maxLength), cut = limit;
  for (size_t at = limit; at > limit / 2; --at) {
    if (IsBlank(text[at]) || IsClauseEnd(text[at - 1])) {
      cut = at;
      break;
    }
  }
  // Never between the two halves of a character.
  if (cut == limit && text[cut] >= 0xDC00 && text[cut] <= 0xDFFF) --cut;
  size_t end = cut;
  while (end > 0 && IsBlank(text[end - 1])) --end;
  return Text(text.substr(0, end)) + u" and so on";
}

std::vector<TSpeechPiece> ModeSpeechGet(const TTextRequest& request, const LineList& lines) {
  if (lines.empty()) return {};
  const TChatFilter& filter = request.filter;
  Text text;
  switch (request.mode) {
    case TTextMode::kSecondLifeChat: {
      std::vector<TSpeechPiece> pieces;
      for (TChatEntry& entry : SLChatEntriesGet(filter, lines, request.options)) {
        auto voice = filter.SpeakerVoices.find(entry.speaker);
        pieces.push_back({voice == filter.SpeakerVoices.end() ? Text() : voice->second,
                          std::move(entry.text), std::move(entry.speaker), std::move(entry.bare),
                          std::move(entry.name), entry.object, entry.forYou});
      }
      return pieces;
    }
    case TTextMode::kCustom:
      text = MaskedTextGet(filter, lines, request.customMask, request.options);
      break;
    case TTextMode::kStamp:
      text = MaskedTextGet(filter, lines, kStampForms, request.options);
      break;
  }
  if (text.empty()) return {};
  return {{Text(), std::move(text)}};
}

Text ModeTextGet(const TTextRequest& request, const LineList& lines) {
  LineList texts;
  for (TSpeechPiece& piece : ModeSpeechGet(request, lines)) texts.push_back(std::move(piece.text));
  return LinesJoin(texts);
}

void CustomMaskCheck(TextView mask) {
  try {
    RegexGet(mask);
  } catch (const RegexError& e) {
    throw RegexError(std::string("Custom(RegEx) mask: ") + e.what());
  }
}
