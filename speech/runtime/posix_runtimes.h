// The Linux speech runtimes.
#pragma once

#include <string>
#include <vector>

#include "speech/runtime/runtime.h"

// A voice of our own runtimes: shown by its name, selected by its identifier.
class NamedToken : public SpeechObjectToken {
 public:
  NamedToken(std::string engine, std::string name, std::string identifier, std::string language);
  Text GetAttribute(TextView attribute) override;  // "Name" and "Language"
  Text GetDescription(int32_t locale) override;
  const std::string& Identifier() const { return identifier_; }

 private:
  std::string engine_, name_, identifier_, language_;
};

// An engine's voices, in the order given.
class NamedTokens : public SpeechObjectTokens {
 public:
  NamedTokens(std::string engine, std::vector<std::shared_ptr<NamedToken>> tokens)
      : engine_(std::move(engine)), tokens_(std::move(tokens)) {}
  int32_t Count() override;
  std::shared_ptr<SpeechObjectToken> Item(int32_t index) override;

 private:
  std::string engine_;
  std::vector<std::shared_ptr<NamedToken>> tokens_;
};

// The identifier of a token of ours; throws SpeechError for a token of another engine.
const std::string& NamedTokenIdentifier(const std::shared_ptr<SpeechObjectToken>& token,
                                        const std::string& engine);

// How near a voice's language (espeak-ng's "en-us", speech-dispatcher's "en-US") is to the
// user's (LC_ALL, else LANG; English where they name none): 0 the same, 1 the same language of
// another region, 2 another; the user's own language comes first in the voice lists.
int LanguageRank(const std::string& language);
// The user's language as the voice lists rank it: "de-de" for LANG=de_DE.UTF-8.
const std::string& LanguagePreferred();

// A voice object of our own runtimes: it keeps the voice, volume and rate it was given for the
// texts it speaks next.
class NamedVoice : public SpeechVoice {
 public:
  NamedVoice(std::string engine, std::string voice)
      : engine_(std::move(engine)), voice_(std::move(voice)) {}
  void SetVoice(const std::shared_ptr<SpeechObjectToken>& token) override {
    voice_ = NamedTokenIdentifier(token, engine_);
  }
  int32_t GetVolume() override { return volume_; }
  void SetVolume(int32_t volume) override { volume_ = volume; }
  int32_t GetRate() override { return rate_; }
  void SetRate(int32_t rate) override { rate_ = rate; }
  void SetPitch(int32_t pitch) override { pitch_ = pitch; }

 protected:
  const std::string& Voice() const { return voice_; }
  int32_t Volume() const { return volume_; }
  int32_t Rate() const { return rate_; }
  int32_t Pitch() const { return pitch_; }

 private:
  std::string engine_;
  std::string voice_;
  int32_t volume_ = 100;
  int32_t rate_ = 0;
  int32_t pitch_ = 0;
};

// espeak-ng, embedded: synthesises on its own thread into the sound device, or into one WAV
// file per text when KELVORA_WAV_DIR names a folder.
std::shared_ptr<SpeechVoice> EspeakVoiceCreate(SpeechEventHandler events);
// speech-dispatcher, when a server can be reached (it is started when it is installed).
std::shared_ptr<SpeechVoice> SpeechdVoiceCreate(SpeechEventHandler events);

// Words per minute for a SAPI rate (-10..10): 175 at 0, each step about 1.1 times the last.
int EspeakWordsPerMinute(int32_t rate);
// espeak-ng's pitch (0..100, 50 its voices' own) for a pitch of -10..10.
int EspeakPitch(int32_t pitch);
// speech-dispatcher's pitch (-100..100) for a pitch of -10..10.
int SpeechdPitch(int32_t pitch);
