// The one queue of texts in front of every speech runtime: chat lines under a limit, each with
// its speaker, and notices that always wait their turn.
#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "platform/unicode.h"

// A voice as the queue keeps it: its engine (TVoiceEntry::Version) and its name there, never a
// position in Voices, which changes when a list comes in late.
struct TVoiceId {
  int32_t Version = 0;
  Text name;
  auto operator<=>(const TVoiceId&) const = default;
};

// One line of chat: who says it, and the two ways it can be said.
struct TChatLine {
  Text speaker;  // the speaker's key; empty for none
  Text name;     // the speaker's name as said; empty for none
  Text text;     // the line as said with the name ("Ann : hi", "Ann waves")
  Text bare;     // the line without the name, where it can be said so ("hi"; an emote cannot)
  bool forYou = false;  // it mentions you: heard before the chat that waits, never passed over
  bool operator==(const TChatLine&) const = default;
};

// What a line that mentions you is said after.
inline constexpr char16_t kForYouCue[] = u"For you. ";

struct TSpeechEntry {
  Text text;    // a notice (markup when xml); a chat text is made of its lines when it is spoken
  Text plain;   // a notice in markup: what is spoken when the voice refuses markup
  bool notice;  // spoken whole, never passed over
  bool xml;
  TVoiceId voice;
  int32_t volume, rate;
  int32_t pitch = 0;
  std::vector<TChatLine> lines;  // a chat text's lines (a text said again keeps them too)
  int32_t passedOver = 0;        // chat lines dropped before it, which its first line will say
  int32_t catchUp = 0;           // rate steps it may speak faster while chat lines wait behind it
  int32_t nameRepeat = 0;        // seconds a speaker heard last is not named again
};

class TSpeechQueue {
 public:
  // Queues the entry; with maxWaiting > 0, the oldest waiting chat lines are passed over until no
  // more than maxWaiting wait. A text of lines for you goes before every other waiting text but
  // the earlier ones for you, and neither counts nor is passed over under the limit.
  void Add(TSpeechEntry entry, int32_t maxWaiting);
  // What to speak next: a notice whole; a chat text whole, or its first line when other chat
  // waits behind it; nothing when the queue is empty. What is taken no longer waits.
  std::optional<TSpeechEntry> Next();
  int32_t WaitingLines() const;
  // Puts an entry back in front, to be spoken next (a text cut by Pause, a text repeated).
  void PushFront(TSpeechEntry entry);
  // Drops the lines of a speaker from every text; a text left without lines goes.
  void SpeakerDrop(TextView speaker);
  bool Empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }

 private:
  void OldestLineDrop(TSpeechEntry& added);
  // The waiting chat lines the limit may pass over.
  int32_t PassableLines() const;
  std::deque<TSpeechEntry> entries_;
};

// The speaker heard last (NameRepeat), and when (seconds).
struct TLastHeard {
  Text speaker;
  double at = 0;
};

// How the lines are said: a line without its name when its speaker is the one heard last, within
// seconds of it (seconds > 0), and when it can be said so, after kForYouCue when it is for you;
// every line is heard in turn.
std::vector<Text> LinesSaid(const std::vector<TChatLine>& lines, TLastHeard& last, double now,
                            int32_t seconds);

// The text a chat entry is spoken as: the note of the lines passed over before it, then its lines
// as said, joined by CR LF; offsets gets where each line begins in it.
Text ChatTextBuild(int32_t passedOver, const std::vector<Text>& said, std::vector<size_t>& offsets);

// The note a text begins with after the limit passed over lines before it.
Text PassedOverNote(int32_t lines);
