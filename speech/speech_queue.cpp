#include "speech/speech_queue.h"

#include <algorithm>
#include <string>

namespace {

bool IsChat(const TSpeechEntry& e) { return !e.notice; }
// The pipeline sends the lines for you as texts of their own.
bool IsForYou(const TSpeechEntry& e) { return IsChat(e) && !e.lines.empty() && e.lines[0].forYou; }
bool IsPassable(const TSpeechEntry& e) { return IsChat(e) && !IsForYou(e); }

}  // namespace

void TSpeechQueue::Add(TSpeechEntry entry, int32_t maxWaiting) {
  if (IsForYou(entry)) {
    entries_.insert(std::find_if_not(entries_.begin(), entries_.end(), IsForYou), std::move(entry));
    return;
  }
  if (maxWaiting > 0 && !entry.notice) {
    while (PassableLines() + static_cast<int32_t>(entry.lines.size()) > maxWaiting) {
      OldestLineDrop(entry);
    }
  }
  entries_.push_back(std::move(entry));
}

// Passes over the oldest waiting chat line not for you, the added text's own first line when none
// waits (a limit keeps at least its last line); the chat text after it will say how many were.
void TSpeechQueue::OldestLineDrop(TSpeechEntry& added) {
  auto oldest = std::find_if(entries_.begin(), entries_.end(), IsPassable);
  if (oldest == entries_.end()) {
    ++added.passedOver;
    added.lines.erase(added.lines.begin());
    return;
  }
  ++oldest->passedOver;
  oldest->lines.erase(oldest->lines.begin());
  if (!oldest->lines.empty()) return;
  auto next = std::find_if(std::next(oldest), entries_.end(), IsPassable);
  (next == entries_.end() ? added : *next).passedOver += oldest->passedOver;
  entries_.erase(oldest);
}

std::optional<TSpeechEntry> TSpeechQueue::Next() {
  if (entries_.empty()) return std::nullopt;
  TSpeechEntry& front = entries_.front();
  bool othersWait = std::any_of(std::next(entries_.begin()), entries_.end(), IsChat);
  // Behind other chat a text goes a line at a time, so that the limit can still pass over the
  // rest of it for what is newer.
  if (front.notice || !othersWait || front.lines.size() <= 1) {
    TSpeechEntry next = std::move(front);
    entries_.pop_front();
    return next;
  }
  TSpeechEntry next = front;
  next.lines.assign(front.lines.begin(), front.lines.begin() + 1);
  front.lines.erase(front.lines.begin());
  front.passedOver = 0;
  return next;
}

void TSpeechQueue::PushFront(TSpeechEntry entry) { entries_.push_front(std::move(entry)); }

void TSpeechQueue::SpeakerDrop(TextView speaker) {
  for (TSpeechEntry& entry : entries_) {
    std::erase_if(entry.lines, [&](const TChatLine& line) { return line.speaker == speaker; });
  }
  std::erase_if(entries_, [](const TSpeechEntry& e) { return e.text.empty() && e.lines.empty(); });
}

int32_t TSpeechQueue::WaitingLines() const {
  int32_t lines = 0;
  for (const TSpeechEntry& entry : entries_) {
    if (!entry.notice) lines += static_cast<int32_t>(entry.lines.size());
  }
  return lines;
}

int32_t TSpeechQueue::PassableLines() const {
  int32_t lines = 0;
  for (const TSpeechEntry& entry : entries_) {
    if (IsPassable(entry)) lines += static_cast<int32_t>(entry.lines.size());
  }
  return lines;
}

std::vector<Text> LinesSaid(const std::vector<TChatLine>& lines, TLastHeard& last, double now,
                            int32_t seconds) {
  std::vector<Text> said;
  for (const TChatLine& line : lines) {
    bool again = seconds > 0 && !line.speaker.empty() && line.speaker == last.speaker &&
                 now - last.at <= seconds && !line.bare.empty();
    said.push_back((line.forYou ? kForYouCue : u"") + (again ? line.bare : line.text));
    last = {line.speaker, now};
  }
  return said;
}

Text ChatTextBuild(int32_t passedOver, const std::vector<Text>& said,
                   std::vector<size_t>& offsets) {
  Text text = passedOver > 0 ? PassedOverNote(passedOver) + u" " : Text();
  offsets.clear();
  for (size_t i = 0; i < said.size(); ++i) {
    if (i > 0) text += u"\r\n";
    offsets.push_back(text.size());
    text += said[i];
  }
  return text;
}

Text PassedOverNote(int32_t lines) { return AsciiToText(std::to_string(lines)) + u" skipped."; }
