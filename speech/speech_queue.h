// The one queue of texts in front of every speech runtime: chat lines under a limit, notices
// that always wait their turn.
#pragma once

#include <deque>
#include <optional>

#include "platform/unicode.h"

// A voice as the queue keeps it: its engine (TVoiceEntry::Version) and its name there, never a
// position in Voices, which changes when a list comes in late.
struct TVoiceId {
  int32_t Version = 0;
  Text name;
  auto operator<=>(const TVoiceId&) const = default;
};

struct TSpeechEntry {
  Text text;    // a chat text: its lines joined by CR LF
  Text plain;   // a notice in markup: what is spoken when the voice refuses markup
  bool notice;  // spoken whole, never passed over
  bool xml;
  TVoiceId voice;
  int32_t volume, rate;
  int32_t pitch = 0;
  int32_t lines = 0;       // the chat lines it holds; 0 for a notice
  int32_t passedOver = 0;  // chat lines dropped before it, which its first line will say
  int32_t catchUp = 0;     // rate steps it may speak faster while chat lines wait behind it
  Text speaker = {};       // the speaker's key of its last chat entry; empty for none
};

class TSpeechQueue {
 public:
  // Queues the entry; with maxWaiting > 0, the oldest waiting chat lines are passed over until no
  // more than maxWaiting wait.
  void Add(TSpeechEntry entry, int32_t maxWaiting);
  // What to speak next: a notice whole; a chat text (after the note of the lines passed over
  // before it) whole, or its first line when other chat waits behind it; nothing when the queue
  // is empty. What is taken no longer waits.
  std::optional<TSpeechEntry> Next();
  int32_t WaitingLines() const;
  // Puts an entry back in front, to be spoken next (a text cut by Pause, a text repeated).
  void PushFront(TSpeechEntry entry);
  // Drops the chat texts of a speaker.
  void SpeakerDrop(TextView speaker);
  bool Empty() const { return entries_.empty(); }
  void Clear() { entries_.clear(); }

 private:
  void OldestLineDrop(TSpeechEntry& added);
  std::deque<TSpeechEntry> entries_;
};

// The note a text begins with after the limit passed over lines before it.
Text PassedOverNote(int32_t lines);
