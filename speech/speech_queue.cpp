#include "speech/speech_queue.h"

#include <algorithm>
#include <string>

namespace {

constexpr char16_t kLineBreak[] = u"\r\n";

int32_t LinesOf(TextView text) {
  int32_t lines = 1;
  for (size_t at = text.find(kLineBreak); at != TextView::npos;
       at = text.find(kLineBreak, at + 2)) {
    ++lines;
  }
  return lines;
}

// Takes the first line off a chat entry; true when it held no other.
bool FirstLineTake(TSpeechEntry& entry) {
  size_t end = entry.text.find(kLineBreak);
  if (end == Text::npos) return true;
  entry.text.erase(0, end + 2);
  --entry.lines;
  return false;
}

}  // namespace

void TSpeechQueue::Add(TSpeechEntry entry, int32_t maxWaiting) {
  if (!entry.notice) entry.lines = LinesOf(entry.text);
  if (maxWaiting > 0 && !entry.notice) {
    while (WaitingLines() + entry.lines > maxWaiting) OldestLineDrop(entry);
  }
  entries_.push_back(std::move(entry));
}

// Passes over the oldest waiting chat line, the added text's own first line when none waits
// (a limit keeps at least its last line); the chat text after it will say how many were.
void TSpeechQueue::OldestLineDrop(TSpeechEntry& added) {
  auto oldest = std::find_if(entries_.begin(), entries_.end(),
                             [](const TSpeechEntry& e) { return !e.notice; });
  if (oldest == entries_.end()) {
    ++added.passedOver;
    FirstLineTake(added);
    return;
  }
  ++oldest->passedOver;
  if (!FirstLineTake(*oldest)) return;
  auto next = std::find_if(std::next(oldest), entries_.end(),
                           [](const TSpeechEntry& e) { return !e.notice; });
  (next == entries_.end() ? added : *next).passedOver += oldest->passedOver;
  entries_.erase(oldest);
}

std::optional<TSpeechEntry> TSpeechQueue::Next() {
  if (entries_.empty()) return std::nullopt;
  TSpeechEntry& front = entries_.front();
  bool othersWait = std::any_of(std::next(entries_.begin()), entries_.end(),
                                [](const TSpeechEntry& e) { return !e.notice; });
  TSpeechEntry next = front;
  // Behind other chat a text goes a line at a time, so that the limit can still pass over the
  // rest of it for what is newer.
  if (!front.notice && othersWait && front.lines > 1) {
    size_t end = front.text.find(kLineBreak);
    next.text = front.text.substr(0, end);
    next.lines = 1;
    FirstLineTake(front);
    front.passedOver = 0;
  } else {
    entries_.pop_front();
  }
  if (next.passedOver > 0) next.text = PassedOverNote(next.passedOver) + u" " + next.text;
  return next;
}

void TSpeechQueue::PushFront(TSpeechEntry entry) { entries_.push_front(std::move(entry)); }

void TSpeechQueue::SpeakerDrop(TextView speaker) {
  std::erase_if(entries_, [&](const TSpeechEntry& e) { return !e.notice && e.speaker == speaker; });
}

int32_t TSpeechQueue::WaitingLines() const {
  int32_t lines = 0;
  for (const TSpeechEntry& entry : entries_) lines += entry.lines;
  return lines;
}

Text PassedOverNote(int32_t lines) {
  return AsciiToText(std::to_string(lines)) + (lines == 1 ? u" line" : u" lines") +
         u" passed over.";
}
