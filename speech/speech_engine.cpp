#include "speech/speech_engine.h"

#include <algorithm>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// Stops what the runtime speaks and holds.
void RuntimePurge(TEngineSlot& slot) {
  try {
    if (slot.voice) slot.voice->Speak(u".", kSpeakPurge);
  } catch (const std::exception&) {
    // a runtime that cannot stop has nothing of ours left to say either
  }
}

}  // namespace

TSpeechEngine& SpeechEngine() {
  static TSpeechEngine engine;
  return engine;
}

void TSpeechEngine::HandlersSet(TSpeechHandlers handlers) {
  inbox_->WakeSet(handlers.wake);
  handlers_ = std::move(handlers);
}

bool TSpeechEngine::Open() {
  goneTold_.clear();
  autoVoices_.Clear();
  return catalog_.Open(
      [inbox = inbox_](int engine, const SpeechEvent& event) { inbox->Push(engine, event); });
}

// --- Speaking one text at a time ---------------------------------------------------------------

Text TSpeechEngine::Said(const TSpeechEntry& entry, std::vector<size_t>& starts) {
  starts.clear();
  if (entry.lines.empty()) return entry.text;
  double now = handlers_.seconds();
  // After lines passed over the conversation has a gap: names are said again.
  if (entry.passedOver > 0) lastHeard_ = {};
  std::vector<Text> said = LinesSaid(entry.lines, lastHeard_, now, entry.nameRepeat);
  // The note of the lines passed over, at most once in a while, with the count carried on: at a
  // busy place it would come before nearly every line and take longer than the line itself.
  untold_ += entry.passedOver;
  int32_t told = 0;
  if (untold_ > 0 && (!noteTold_ || now - *noteTold_ >= kPassedOverNoteInterval)) {
    told = std::exchange(untold_, 0);
    noteTold_ = now;
  }
  return ChatTextBuild(told, said, starts);
}

void TSpeechEngine::Start(const TSpeechEntry& entry, const TVoiceEntry& listed, TEngineSlot& slot) {
  if (!slot.voice || !slot.tokens) throw SpeechError("no runtime for the voice");
  slot.voice->SetVoice(slot.tokens->Item(listed.index));
  // Behind (lines were passed over before it), the lines after a text's first wait too.
  auto lines = static_cast<int32_t>(entry.lines.size());
  int32_t waiting = queue_.WaitingLines() + (entry.passedOver > 0 ? std::max(lines - 1, 0) : 0);
  int32_t rate = SpeechCatchUpRate(entry.rate, entry.catchUp, waiting);
  slot.voice->SetVolume(entry.volume);
  slot.voice->SetRate(rate);
  if (slot.pitch != entry.pitch) {
    slot.voice->SetPitch(entry.pitch);
    slot.pitch = entry.pitch;
  }
  std::vector<size_t> starts;
  Text spoken = Said(entry, starts);
  int32_t stream = 0;
  try {
    stream = slot.voice->Speak(spoken, entry.xml ? kSpeakXml : kSpeakPlain);
  } catch (const SpeechError&) {
    if (!entry.xml || entry.plain.empty()) throw;
    spoken = entry.plain;
    stream = slot.voice->Speak(entry.plain, kSpeakPlain);
  }
  auto engine = static_cast<int>(&slot - catalog_.Slots().data());
  Clock::time_point now = Clock::now();
  Clock::time_point deadline = now + 2 * SpeechExpectedDuration(spoken, rate) + handlers_.endGrace;
  speaking_ = TSpeaking{engine, stream, now, deadline, rate, entry, std::move(starts)};
  if (!entry.notice) lastChat_ = entry;
  if (!watch_) watch_ = std::make_unique<TDeadlineWatch>(inbox_);
  watch_->Arm(deadline);
}

void TSpeechEngine::SpeakingEnd() {
  speaking_.reset();
  if (watch_) watch_->Disarm();
}

void TSpeechEngine::SpeakingStop() {
  if (!speaking_) return;
  TEngineSlot& slot = catalog_.Slots()[static_cast<size_t>(speaking_->engine)];
  SpeakingEnd();
  RuntimePurge(slot);
}

// A text that cannot be spoken is dropped.
void TSpeechEngine::Pump() {
  while (!speaking_ && !paused_) {
    std::optional<TSpeechEntry> next = queue_.Next();
    if (!next) return;
    int32_t index = catalog_.IndexOf(next->voice);
    TEngineSlot* slot = index < 0 ? nullptr : catalog_.SlotOf(next->voice.Version);
    if (!slot) {
      VoiceGone(next->voice);
      continue;
    }
    try {
      Start(*next, catalog_.List()[static_cast<size_t>(index)], *slot);
    } catch (const std::exception& e) {
      Trouble(*slot, e.what());
    }
  }
}

void TSpeechEngine::VoiceGone(const TVoiceId& voice) {
  if (goneTold_.insert(voice).second) {
    troubles_.push_back("the voice " + TextToUtf8(voice.name) + " is gone");
  }
}

void TSpeechEngine::Trouble(TEngineSlot& slot, const std::string& reason) {
  if (slot.troubled) return;
  slot.troubled = true;
  troubles_.push_back(reason);
}

void TSpeechEngine::TextEnded(int engine, const SpeechEvent& event) {
  if (!speaking_ || speaking_->engine != engine || speaking_->stream != event.stream) {
    return;  // a text purged earlier
  }
  SpeakingEnd();
  TEngineSlot& slot = catalog_.Slots()[static_cast<size_t>(engine)];
  if (event.failure.empty()) {
    slot.troubled = false;
  } else {
    Trouble(slot, event.failure);
  }
}

// A text whose end is overdue: stopped, and the queue goes on.
void TSpeechEngine::OverdueEnd() {
  if (!speaking_ || Clock::now() < speaking_->deadline) return;
  TEngineSlot& slot = catalog_.Slots()[static_cast<size_t>(speaking_->engine)];
  SpeakingStop();
  Trouble(slot, "a text did not end in time");
}

void TSpeechEngine::NewsTell() {
  std::vector<std::string> troubles;
  troubles.swap(troubles_);
  bool voicesChanged = std::exchange(voicesChanged_, false);
  // The handlers may run a message loop, in which this is called again: the state is settled.
  if (voicesChanged && handlers_.voicesChanged) handlers_.voicesChanged();
  for (const std::string& reason : troubles) {
    if (handlers_.trouble) handlers_.trouble(reason);
  }
}

void TSpeechEngine::GoOn() {
  Pump();
  NewsTell();
}

void TSpeechEngine::EventsRun() {
  for (const TSpeechInbox::Item& item : inbox_->Take()) {
    if (item.event.kind == SpeechEvent::Kind::kTextEnded) {
      TextEnded(item.engine, item.event);
    } else if (item.event.kind == SpeechEvent::Kind::kVoicesChanged && item.engine == 0) {
      catalog_.PlatformRelist();
      std::erase_if(goneTold_, [this](const TVoiceId& v) { return catalog_.IndexOf(v) >= 0; });
      voicesChanged_ = true;
    }
  }
  OverdueEnd();
  GoOn();
}

// --- The queue ---------------------------------------------------------------------------------

bool TSpeechEngine::Add(TSpeechEntry entry, int32_t voiceIndex, int32_t maxWaiting) {
  if (catalog_.List().empty()) return false;
  EventsRun();  // what has ended is taken in before the limit counts
  catalog_.Clamp(voiceIndex, entry.volume, entry.rate);
  const TVoiceEntry& voice = catalog_.List()[static_cast<size_t>(voiceIndex)];
  entry.voice = {voice.Version, voice.name};
  queue_.Add(std::move(entry), maxWaiting);
  GoOn();
  return true;
}

void TSpeechEngine::Purge() {
  queue_.Clear();
  untold_ = 0;
  SpeakingEnd();
  for (TEngineSlot& slot : catalog_.Slots()) RuntimePurge(slot);
}

void TSpeechEngine::Pause() {
  paused_ = true;
  if (!speaking_) return;
  // The cut text is spoken again from its start; its note is in its text already.
  TSpeechEntry cut = speaking_->entry;
  cut.passedOver = 0;
  SpeakingStop();
  queue_.PushFront(std::move(cut));
}

void TSpeechEngine::Resume() {
  paused_ = false;
  GoOn();
}

bool TSpeechEngine::Repeat() {
  if (!lastChat_) return false;
  TSpeechEntry again = *lastChat_;
  again.passedOver = 0;
  again.catchUp = 0;
  again.nameRepeat = 0;  // said again whole, every name with it
  again.notice = true;   // said again, not waiting chat the limit may pass over
  queue_.PushFront(std::move(again));
  GoOn();
  return true;
}

size_t TSpeechEngine::HeardIndex() {
  const std::vector<size_t>& starts = speaking_->starts;
  if (starts.empty()) return 0;
  TEngineSlot& slot = catalog_.Slots()[static_cast<size_t>(speaking_->engine)];
  std::optional<int32_t> told =
      slot.voice ? slot.voice->SpokenPosition(speaking_->stream) : std::nullopt;
  size_t position = 0;
  if (told) {
    position = static_cast<size_t>(std::max(*told, 0));
  } else {
    // Reckoned from the time: characters at the rate spoken.
    std::chrono::duration<double> elapsed = Clock::now() - speaking_->started;
    position = static_cast<size_t>(elapsed.count() * SpeechCharactersPerSecond(speaking_->rate));
  }
  auto after = std::upper_bound(starts.begin(), starts.end(), position);
  return after == starts.begin() ? 0 : static_cast<size_t>(after - starts.begin()) - 1;
}

std::optional<TChatLine> TSpeechEngine::Heard() {
  if (!speaking_) return std::nullopt;
  const TSpeechEntry& entry = speaking_->entry;
  if (entry.lines.empty()) return TChatLine{{}, {}, entry.xml ? entry.plain : entry.text, {}};
  return entry.lines[HeardIndex()];
}

Text TSpeechEngine::SpeakerHeard() {
  if (speaking_ && !speaking_->entry.lines.empty()) {
    return speaking_->entry.lines[HeardIndex()].speaker;
  }
  return lastHeard_.speaker;
}

void TSpeechEngine::SpeakerDrop(TextView speaker) {
  queue_.SpeakerDrop(speaker);
  if (speaking_ && !speaking_->entry.lines.empty()) {
    const std::vector<TChatLine>& lines = speaking_->entry.lines;
    size_t heard = HeardIndex();
    auto theirs = [&](const TChatLine& line) { return line.speaker == speaker; };
    if (std::any_of(lines.begin() + static_cast<ptrdiff_t>(heard), lines.end(), theirs)) {
      // The rest of the text without their lines: the line being heard again from its start
      // when it is another's.
      TSpeechEntry rest = speaking_->entry;
      rest.passedOver = 0;
      size_t from = heard + (lines[heard].speaker == speaker ? 1 : 0);
      rest.lines.assign(lines.begin() + static_cast<ptrdiff_t>(from), lines.end());
      std::erase_if(rest.lines, theirs);
      SpeakingStop();
      if (!rest.lines.empty()) queue_.PushFront(std::move(rest));
    }
  }
  if (lastHeard_.speaker == speaker) lastHeard_ = {};
  GoOn();
}

// --- Waiting without a window ------------------------------------------------------------------

bool TSpeechEngine::Wait(int32_t milliseconds) {
  auto until = milliseconds < 0 ? Clock::time_point::max()
                                : Clock::now() + std::chrono::milliseconds(milliseconds);
  EventsRun();
  while (Busy()) {
    if (Clock::now() >= until) return false;
    Clock::time_point next = until;
    if (speaking_) next = std::min(next, speaking_->deadline);
    inbox_->Await(next);
    EventsRun();
  }
  return true;
}

void TSpeechEngine::VoicesAwait(int32_t milliseconds) {
  auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  // The listing tells its end (changed or not) through the inbox.
  while (catalog_.Listing() && Clock::now() < deadline) {
    inbox_->Await(deadline);
    EventsRun();
  }
}

// --- Closing -----------------------------------------------------------------------------------

void TSpeechEngine::Close() {
  Purge();
  catalog_.Close();
}

void TSpeechEngine::Release() {
  // Also what Close would have released, had it not run: nothing of COM's is left for after the
  // apartment ends.
  Close();
  catalog_.Release();
  watch_.reset();
  handlers_ = {};
  inbox_->WakeSet({});
  inbox_->Take();
  troubles_.clear();
  goneTold_.clear();
  voicesChanged_ = false;
  paused_ = false;
  lastChat_.reset();
  lastHeard_ = {};
  untold_ = 0;
  noteTold_.reset();
  autoVoices_.Clear();
}

// --- AutoVoices --------------------------------------------------------------------------------

std::vector<int32_t> TSpeechEngine::VoicesAlike(int32_t windowVoice) {
  const std::vector<TVoiceEntry>& voices = catalog_.List();
  int32_t volume = 0, rate = 0;
  catalog_.Clamp(windowVoice, volume, rate);
  const auto own = static_cast<size_t>(windowVoice);
  std::vector<int32_t> alike;
  for (size_t i = 0; i < voices.size(); ++i) {
    if (voices[i].Version == voices[own].Version &&
        catalog_.LanguageOf(i) == catalog_.LanguageOf(own)) {
      alike.push_back(static_cast<int32_t>(i));
    }
  }
  return alike;
}

TVoiceChoice TSpeechEngine::AutoVoice(TextView key, int32_t windowVoice, double now) {
  if (catalog_.List().empty()) return {windowVoice, 0};
  return autoVoices_.Pick(key, VoicesAlike(windowVoice), now);
}
