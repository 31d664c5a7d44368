#include "speech/testing/scripted.h"

#include <algorithm>
#include <cmath>

namespace {

class ScriptedToken : public SpeechObjectToken {
 public:
  ScriptedToken(ScriptedEngine& engine, int index) : engine_(engine), index_(index) {}
  Text GetAttribute(TextView name) override {
    if (name != u"Language") return NameRead("GetAttribute " + TextToUtf8(name));
    engine_.calls.push_back("GetAttribute Language");
    if (static_cast<size_t>(index_) >= engine_.voiceLanguages.size()) {
      throw SpeechError("scripted: no language");
    }
    return engine_.voiceLanguages[static_cast<size_t>(index_)];
  }
  Text GetDescription(int32_t locale) override {
    return NameRead("GetDescription " + std::to_string(locale));
  }
  int Index() const { return index_; }

 private:
  Text NameRead(const std::string& call) {
    engine_.calls.push_back(call);
    if (index_ == engine_.nameFailsAt) throw SpeechError("scripted: name unreadable");
    return engine_.voiceNames[static_cast<size_t>(index_)];
  }
  ScriptedEngine& engine_;
  int index_;
};

class ScriptedTokens : public SpeechObjectTokens {
 public:
  explicit ScriptedTokens(ScriptedEngine& engine) : engine_(engine) {}
  int32_t Count() override { return static_cast<int32_t>(engine_.voiceNames.size()); }
  std::shared_ptr<SpeechObjectToken> Item(int32_t index) override {
    if (index < 0 || index >= Count()) throw SpeechError("scripted: no such token");
    return engine_.tokens[static_cast<size_t>(index)];
  }

 private:
  ScriptedEngine& engine_;
};

class ScriptedVoice : public SpeechVoice {
 public:
  explicit ScriptedVoice(std::shared_ptr<ScriptedEngine> engine) : engine_(std::move(engine)) {}
  std::shared_ptr<SpeechObjectTokens> GetVoices(TextView, TextView) override {
    engine_->calls.push_back("GetVoices");
    if (engine_->getVoicesFails) throw SpeechError("scripted: GetVoices failed");
    engine_->tokens.clear();
    for (size_t i = 0; i < engine_->voiceNames.size(); ++i) {
      engine_->tokens.push_back(std::make_shared<ScriptedToken>(*engine_, static_cast<int>(i)));
    }
    return std::make_shared<ScriptedTokens>(*engine_);
  }
  void SetVoice(const std::shared_ptr<SpeechObjectToken>& token) override {
    auto* scripted = dynamic_cast<ScriptedToken*>(token.get());
    engine_->calls.push_back("SetVoice " + std::to_string(scripted ? scripted->Index() : -1));
    if (engine_->setVoiceFails) throw SpeechError("scripted: SetVoice failed");
  }
  int32_t GetVolume() override { return engine_->volume; }
  void SetVolume(int32_t volume) override {
    engine_->calls.push_back("SetVolume " + std::to_string(volume));
    engine_->volume = volume;
  }
  int32_t GetRate() override { return engine_->rate; }
  void SetRate(int32_t rate) override {
    engine_->calls.push_back("SetRate " + std::to_string(rate));
    engine_->rate = rate;
  }
  void SetPitch(int32_t pitch) override {
    engine_->calls.push_back("SetPitch " + std::to_string(pitch));
    engine_->pitch = pitch;
  }
  int32_t Speak(TextView text, int32_t flags) override {
    engine_->calls.push_back(SpeakCall(flags, TextToUtf8(text)));
    if (engine_->refuses && engine_->refuses(text, flags)) throw SpeechError("scripted: refused");
    double now = engine_->clock ? engine_->clock() : 0;
    if (flags & kFlagPurgeBeforeSpeak) {
      for (auto& spoken : engine_->spoken) spoken.end = std::min(spoken.end, now);
      if (text == u".") {
        engine_->ClockAdvanced();
        return 0;
      }
    }
    double start = engine_->spoken.empty() ? now : std::max(now, engine_->spoken.back().end);
    double length =
        engine_->clock ? static_cast<double>(text.size()) * engine_->secondsPerCharacter : 0;
    if (engine_->rateShortens) length /= std::pow(1.1, engine_->rate);
    auto stream = static_cast<int32_t>(engine_->spoken.size() + 1);
    engine_->spoken.push_back({TextToUtf8(text), start, start + length, stream, false});
    engine_->ClockAdvanced();
    return stream;
  }
  // With a clock: the character the clock has got to in the stream's text.
  std::optional<int32_t> SpokenPosition(int32_t stream) override {
    if (!engine_->clock || stream <= 0 || static_cast<size_t>(stream) > engine_->spoken.size()) {
      return std::nullopt;
    }
    const ScriptedEngine::Spoken& text = engine_->spoken[static_cast<size_t>(stream) - 1];
    double length = text.end - text.start;
    double done = length > 0 ? (engine_->clock() - text.start) / length : 1;
    auto units = static_cast<double>(Utf8ToText(text.text).size());
    return static_cast<int32_t>(std::clamp(done, 0.0, 1.0) * units);
  }
  int32_t Pending() override {
    return static_cast<int32_t>(std::count_if(engine_->spoken.begin(), engine_->spoken.end(),
                                              [](const auto& s) { return !s.told; }));
  }

 private:
  std::shared_ptr<ScriptedEngine> engine_;
};

}  // namespace

std::string SpeakCall(int32_t flags, std::string_view text) {
  return "Speak " + std::to_string(flags) + " " + std::string(text);
}

std::vector<std::string> ScriptedEngine::CallsOf(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) out.push_back(call);
  }
  return out;
}

void ScriptedEngine::ClockAdvanced() {
  if (neverEnds) return;
  double now = clock ? clock() : 0;
  for (Spoken& text : spoken) {
    if (text.told || text.end > now) continue;
    text.told = true;
    if (events) events({SpeechEvent::Kind::kTextEnded, text.stream, {}});
  }
}

void ScriptedClassRegister(TextView classId, std::shared_ptr<ScriptedEngine> engine) {
  SpeechClassRegister(classId, [engine](SpeechEventHandler events) -> std::shared_ptr<SpeechVoice> {
    engine->calls.push_back("Create");
    if (engine->createFails) throw SpeechError("scripted: class not registered");
    engine->events = std::move(events);
    return std::make_shared<ScriptedVoice>(engine);
  });
}
