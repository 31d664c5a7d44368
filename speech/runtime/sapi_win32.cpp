// The SAPI 5 and Speech Platform runtimes: the real automation objects, through COM; and SAPI 5's
// voice object over the OneCore voices' token category. COM is initialised as a single-threaded
// apartment by the program entry.
#include "platform/win32.h"

#include <oleauto.h>
#include <sapi.h>

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

#include "speech/runtime/runtime.h"
#include "speech/runtime/sapi_markup.h"

namespace {

void Check(const char* call, HRESULT hr) {
  if (FAILED(hr)) throw SpeechError(HresultMessage(call, hr));
}

class Bstr {
 public:
  explicit Bstr(TextView text)
      : b_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                             static_cast<UINT>(text.size()))) {}
  Bstr() = default;
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return b_; }
  BSTR* Out() { return &b_; }
  Text ToText() const {
    return b_ ? Text(reinterpret_cast<const char16_t*>(b_), SysStringLen(b_)) : Text();
  }

 private:
  BSTR b_ = nullptr;
};

class ComToken : public SpeechObjectToken {
 public:
  explicit ComToken(ISpeechObjectToken* token) : token_(token) {}
  Text GetAttribute(TextView name) override {
    Bstr value;
    Check("ISpeechObjectToken::GetAttribute", token_->GetAttribute(Bstr(name).get(), value.Out()));
    return value.ToText();
  }
  Text GetDescription(int32_t locale) override {
    Bstr value;
    Check("ISpeechObjectToken::GetDescription", token_->GetDescription(locale, value.Out()));
    return value.ToText();
  }
  ISpeechObjectToken* get() const { return token_.get(); }

 private:
  Com<ISpeechObjectToken> token_;
};

class ComTokens : public SpeechObjectTokens {
 public:
  explicit ComTokens(ISpeechObjectTokens* tokens) : tokens_(tokens) {}
  int32_t Count() override {
    long count = 0;
    Check("ISpeechObjectTokens::get_Count", tokens_->get_Count(&count));
    return static_cast<int32_t>(count);
  }
  std::shared_ptr<SpeechObjectToken> Item(int32_t index) override {
    ISpeechObjectToken* token = nullptr;
    Check("ISpeechObjectTokens::Item", tokens_->Item(index, &token));
    return std::make_shared<ComToken>(token);
  }

 private:
  Com<ISpeechObjectTokens> tokens_;
};

constexpr wchar_t kTokenCategoryClass[] = L"{A910187F-0C7A-45AC-92CC-59EDAFB77B53}";

// The voice tokens of a category (SpObjectTokenCategory).
ISpeechObjectTokens* CategoryTokens(TextView category, TextView required, TextView optional) {
  CLSID clsid{};
  Check("CLSIDFromString", CLSIDFromString(kTokenCategoryClass, &clsid));
  Com<ISpeechObjectTokenCategory> tokenCategory;
  Check("CoCreateInstance(SpObjectTokenCategory)",
        CoCreateInstance(clsid, nullptr, CLSCTX_ALL, __uuidof(ISpeechObjectTokenCategory),
                         reinterpret_cast<void**>(tokenCategory.Out())));
  Check("ISpeechObjectTokenCategory::SetId",
        tokenCategory->SetId(Bstr(category).get(), VARIANT_FALSE));
  ISpeechObjectTokens* tokens = nullptr;
  Check("ISpeechObjectTokenCategory::EnumerateTokens",
        tokenCategory->EnumerateTokens(Bstr(required).get(), Bstr(optional).get(), &tokens));
  return tokens;
}

// The automation voice object. Speak returns at once (SAPI speaks asynchronously); a watcher
// thread waits on the voice's speak-complete event and tells the end of the texts in flight.
// With a category, its voices are that category's tokens instead of the class's own.
class ComVoice : public SpeechVoice {
 public:
  ComVoice(const wchar_t* classId, Text category, SpeechEventHandler events)
      : category_(std::move(category)), events_(std::move(events)) {
    CLSID clsid{};
    IID iid{};
    Check("CLSIDFromString", CLSIDFromString(classId, &clsid));
    Check("IIDFromString", IIDFromString(L"{269316D8-57BD-11D2-9EEE-00C04F797396}", &iid));
    Check("CoCreateInstance(SpVoice)", CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid,
                                                        reinterpret_cast<void**>(voice_.Out())));
    LONG complete = 0;
    // Without the event (an engine that lacks it), the voice engine's deadline ends each text.
    if (SUCCEEDED(voice_->SpeakCompleteEvent(&complete))) {
      complete_ = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(complete));
    }
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    armed_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!stop_ || !armed_) throw SpeechError(HresultMessage("CreateEvent", E_FAIL));
    watcher_ = std::thread([this] { Watch(); });
  }
  ~ComVoice() override {
    SetEvent(stop_);
    watcher_.join();
    CloseHandle(stop_);
    CloseHandle(armed_);
  }
  ComVoice(const ComVoice&) = delete;
  ComVoice& operator=(const ComVoice&) = delete;
  std::shared_ptr<SpeechObjectTokens> GetVoices(TextView required, TextView optional) override {
    if (!category_.empty()) {
      return std::make_shared<ComTokens>(CategoryTokens(category_, required, optional));
    }
    ISpeechObjectTokens* tokens = nullptr;
    Check("ISpeechVoice::GetVoices",
          voice_->GetVoices(Bstr(required).get(), Bstr(optional).get(), &tokens));
    return std::make_shared<ComTokens>(tokens);
  }
  void SetVoice(const std::shared_ptr<SpeechObjectToken>& token) override {
    auto* com = dynamic_cast<ComToken*>(token.get());
    if (!com) throw SpeechError("ISpeechVoice::putref_Voice: not a token of this engine");
    Check("ISpeechVoice::putref_Voice", voice_->putref_Voice(com->get()));
  }
  int32_t GetVolume() override {
    long volume = 0;
    Check("ISpeechVoice::get_Volume", voice_->get_Volume(&volume));
    return static_cast<int32_t>(volume);
  }
  void SetVolume(int32_t volume) override {
    Check("ISpeechVoice::put_Volume", voice_->put_Volume(volume));
  }
  int32_t GetRate() override {
    long rate = 0;
    Check("ISpeechVoice::get_Rate", voice_->get_Rate(&rate));
    return static_cast<int32_t>(rate);
  }
  void SetRate(int32_t rate) override { Check("ISpeechVoice::put_Rate", voice_->put_Rate(rate)); }
  void SetPitch(int32_t pitch) override { pitch_ = pitch; }
  int32_t Speak(TextView text, int32_t flags) override {
    long stream = 0;
    Text pitched;
    size_t wrapping = 0;
    // SAPI takes a pitch only as markup: a text at another pitch is wrapped in it.
    if (pitch_ != 0 && !(flags & kFlagPurgeBeforeSpeak)) {
      pitched = SapiPitchWrapped(text, (flags & kFlagIsXml) != 0, pitch_);
      wrapping = pitched.find(u'>') + 1;
      text = pitched;
      flags = (flags & ~kFlagIsNotXml) | kFlagIsXml;
    }
    Check("ISpeechVoice::Speak",
          voice_->Speak(Bstr(text).get(), static_cast<SpeechVoiceSpeakFlags>(flags), &stream));
    // What the purge stopped has ended: told now, so Pending is 0 at once and the watcher, which
    // tells only what is still in flight, never tells it again.
    if (flags & kFlagPurgeBeforeSpeak) Ended();
    if ((flags & kFlagPurgeBeforeSpeak) && text == u".") return 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      inFlight_.push_back(static_cast<int32_t>(stream));
    }
    wrapping_ = {static_cast<int32_t>(stream), static_cast<int32_t>(wrapping)};
    SetEvent(armed_);
    return static_cast<int32_t>(stream);
  }
  int32_t Pending() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int32_t>(inFlight_.size());
  }
  // The voice's status: the word it says in the stream it speaks (a wrapped text's markup in
  // front of it taken off; its escapes are a few characters at most).
  std::optional<int32_t> SpokenPosition(int32_t stream) override {
    Com<ISpeechVoiceStatus> status;
    LONG current = 0, position = 0;
    if (FAILED(voice_->get_Status(status.Out())) ||
        FAILED(status->get_CurrentStreamNumber(&current)) || current != stream ||
        FAILED(status->get_InputWordPosition(&position))) {
      return std::nullopt;
    }
    int32_t wrapping = wrapping_.first == stream ? wrapping_.second : 0;
    return std::max<int32_t>(static_cast<int32_t>(position) - wrapping, 0);
  }

 private:
  // Waits for texts in flight, then for the voice to complete them (or for the stop).
  void Watch() {
    HANDLE armedOrStop[] = {stop_, armed_};
    while (WaitForMultipleObjects(2, armedOrStop, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
      if (!complete_) continue;
      HANDLE completeOrStop[] = {stop_, complete_};
      if (WaitForMultipleObjects(2, completeOrStop, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return;
      Ended();
    }
  }

  // Tells the end of the texts in flight; each is taken out under the lock by whoever tells it.
  void Ended() {
    std::vector<int32_t> ended;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ended.swap(inFlight_);
    }
    for (int32_t stream : ended) events_({SpeechEvent::Kind::kTextEnded, stream, {}});
  }

  Com<ISpeechVoice> voice_;
  Text category_;
  int32_t pitch_ = 0;
  std::pair<int32_t, int32_t> wrapping_;  // the last stream's pitch markup in front of its text
  SpeechEventHandler events_;
  HANDLE complete_ = nullptr;  // the voice's own
  HANDLE stop_ = nullptr, armed_ = nullptr;
  std::mutex mutex_;
  std::vector<int32_t> inFlight_;
  std::thread watcher_;
};

std::wstring Wide(TextView text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

void SpeechPlatformClassesRegister() {
  auto voiceOf = [](const char16_t* classId, TextView category) {
    return [id = Wide(classId), category = Text(category)](SpeechEventHandler events) {
      return std::static_pointer_cast<SpeechVoice>(
          std::make_shared<ComVoice>(id.c_str(), category, std::move(events)));
    };
  };
  SpeechClassRegister(kSpeechPlatformClassId, voiceOf(kSpeechPlatformClassId, {}));
  SpeechClassRegister(kSapi5ClassId, voiceOf(kSapi5ClassId, {}));
  SpeechClassRegister(kOneCoreVoicesId, voiceOf(kSapi5ClassId, kOneCoreCategory));
}
