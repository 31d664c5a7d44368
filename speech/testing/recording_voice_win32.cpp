// A speech server for tests under Wine, whose SAPI lists no voices and which has no Speech
// Platform: an in-process COM server of the automation objects the program uses (ISpeechVoice,
// ISpeechObjectTokens, ISpeechObjectToken, ISpeechVoiceStatus), with voices of its own, that
// writes every call it receives to the file KELVORA_RECORDING_LOG names, one UTF-8 line each:
// "<engine> <call> <arguments>". Registered by the test under the current user's classes for
// the SAPI 5 voice class ("sapi5") and the Speech Platform's ("platform"), and for SAPI's token
// category class, whose OneCore category lists voices of its own ("onecore"; one of them has the
// name of a SAPI 5 voice), which SAPI 5's voice object speaks.
//
// KELVORA_RECORDING_MS_PER_CHARACTER makes speech take time (the status reports it speaking, the
// speak-complete event is signalled when the last text ends); KELVORA_RECORDING_NEVER_ENDS=1 makes
// a voice that never completes a stream; KELVORA_RECORDING_NAME_FAILS=N makes the N-th voice's
// name unreadable.
#include "platform/win32.h"

#include <oleauto.h>
#include <sapi.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

constexpr wchar_t kSapi5Class[] = L"{96749377-3391-11D2-9EE3-00C04F797396}";
constexpr wchar_t kPlatformClass[] = L"{D941651C-44E6-4C17-BADF-C36826FC3424}";
constexpr wchar_t kTokenCategoryClass[] = L"{A910187F-0C7A-45AC-92CC-59EDAFB77B53}";
constexpr wchar_t kOneCoreCategory[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech_OneCore\\Voices";

std::string Utf8(BSTR text) {
  return text ? TextToUtf8(TextView(reinterpret_cast<const char16_t*>(text), SysStringLen(text)))
              : std::string();
}

std::wstring Environment(const char* name) { return W(EnvironmentGet(name)); }

void Log(const std::string& engine, const std::string& line) {
  std::wstring path = Environment("KELVORA_RECORDING_LOG");
  if (path.empty()) return;
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::string text = engine + " " + line + "\n";
  DWORD wrote = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
  CloseHandle(file);
}

// A released object whose apartment has already ended: the program tore COM down out of order.
void ApartmentCheck(const std::string& engine, const char* object) {
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  if (CoGetApartmentType(&type, &qualifier) == CO_E_NOTINITIALIZED) {
    Log(engine, std::string("released after CoUninitialize: ") + object);
  }
}

// IUnknown and an IDispatch that offers no type information: the program calls through the
// interfaces' own methods.
template <typename Interface>
class Dispatch : public Interface {
 public:
  Dispatch(std::string engine, const char* name) : engine_(std::move(engine)), name_(name) {}
  virtual ~Dispatch() = default;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(Interface)) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) {
      ApartmentCheck(engine_, name_);
      delete this;
    }
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

 protected:
  const std::string engine_;

 private:
  const char* name_;
  ULONG references_ = 1;
};

struct VoiceInfo {
  std::wstring id, name;
  std::wstring language = L"409";  // SAPI's hexadecimal language id
};

std::vector<VoiceInfo> VoicesOf(const std::string& engine) {
  if (engine == "onecore") {
    const std::wstring root = std::wstring(kOneCoreCategory) + L"\\Tokens\\";
    return {{root + L"RecordingOlivia", L"OneCore Olivia"},
            {root + L"RecordingAnna", L"Recording Anna"}};
  }
  if (engine == "other category") return {};
  const std::wstring root = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\";
  if (engine == "platform") {
    return {{root + L"RecordingAlice", L"Platform Alice"},
            {root + L"RecordingBob", L"Platform Bob"}};
  }
  return {{root + L"RecordingAnna", L"Recording Anna"},
          {root + L"RecordingHanako", L"Recording \u82B1\u5B50", L"411"},
          {root + L"RecordingCarl", L"Recording Carl"}};
}

HRESULT BstrOut(const std::wstring& text, BSTR* out) {
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

class Token : public Dispatch<ISpeechObjectToken> {
 public:
  Token(const std::string& engine, VoiceInfo voice, bool nameFails)
      : Dispatch(engine, "ISpeechObjectToken"), voice_(std::move(voice)), nameFails_(nameFails) {}

  HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) override { return BstrOut(voice_.id, id); }
  HRESULT STDMETHODCALLTYPE GetDescription(LONG locale, BSTR* description) override {
    Log(engine_, "GetDescription " + std::to_string(locale));
    return nameFails_ ? E_FAIL : BstrOut(voice_.name, description);
  }
  HRESULT STDMETHODCALLTYPE GetAttribute(BSTR name, BSTR* value) override {
    Log(engine_, "GetAttribute " + Utf8(name));
    if (nameFails_) return E_FAIL;
    if (Utf8(name) == "Language") return BstrOut(voice_.language, value);
    if (Utf8(name) != "Name") return E_INVALIDARG;
    return BstrOut(voice_.name, value);
  }
  HRESULT STDMETHODCALLTYPE get_DataKey(ISpeechDataKey**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Category(ISpeechObjectTokenCategory**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetId(BSTR, BSTR, VARIANT_BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, SpeechTokenContext, IUnknown**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Remove(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetStorageFileName(BSTR, BSTR, BSTR, SpeechTokenShellFolder,
                                               BSTR*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE RemoveStorageFileName(BSTR, BSTR, VARIANT_BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE IsUISupported(const BSTR, const VARIANT*, IUnknown*,
                                          VARIANT_BOOL*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DisplayUI(LONG, BSTR, const BSTR, const VARIANT*, IUnknown*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE MatchesAttributes(BSTR, VARIANT_BOOL*) override { return E_NOTIMPL; }

 private:
  VoiceInfo voice_;
  bool nameFails_;
};

class Tokens : public Dispatch<ISpeechObjectTokens> {
 public:
  explicit Tokens(const std::string& engine)
      : Dispatch(engine, "ISpeechObjectTokens"), voices_(VoicesOf(engine)) {
    std::wstring fails = Environment("KELVORA_RECORDING_NAME_FAILS");
    nameFails_ = fails.empty() ? -1 : std::stoi(fails);
  }
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    Log(engine_, "get_Count");
    *count = static_cast<LONG>(voices_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Item(LONG index, ISpeechObjectToken** token) override {
    if (index < 0 || index >= static_cast<LONG>(voices_.size())) return E_INVALIDARG;
    *token = new Token(engine_, voices_[static_cast<size_t>(index)], index == nameFails_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown**) override { return E_NOTIMPL; }

 private:
  std::vector<VoiceInfo> voices_;
  LONG nameFails_ = -1;
};

// SpObjectTokenCategory: the OneCore category's voices; any other category has none.
class Category : public Dispatch<ISpeechObjectTokenCategory> {
 public:
  Category() : Dispatch("category", "ISpeechObjectTokenCategory") {}
  HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) override { return BstrOut(id_, id); }
  HRESULT STDMETHODCALLTYPE put_Default(const BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Default(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetId(const BSTR id, VARIANT_BOOL) override {
    Log(engine_, "SetId " + Utf8(id));
    id_ = id ? std::wstring(id, SysStringLen(id)) : std::wstring();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDataKey(SpeechDataKeyLocation, ISpeechDataKey**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE EnumerateTokens(BSTR, BSTR, ISpeechObjectTokens** tokens) override {
    *tokens = new Tokens(id_ == kOneCoreCategory ? "onecore" : "other category");
    return S_OK;
  }

 private:
  std::wstring id_;
};

// When each text spoken so far ends (GetTickCount64), for the status to tell what is spoken now;
// the speak-complete event, a manual-reset waitable timer due when the last one ends.
struct Schedule {
  std::vector<ULONGLONG> starts, ends;
  ULONGLONG perCharacter = 0;
  bool neverEnds = false;
  HANDLE complete = CreateWaitableTimerW(nullptr, TRUE, nullptr);

  // Setting the timer makes it unsignalled until it is due.
  void CompleteAt(ULONGLONG end) {
    ULONGLONG now = GetTickCount64();
    LONGLONG hundredNanoseconds =
        neverEnds ? 24LL * 3600 * 10000000 : (end > now ? end - now : 0) * 10000;
    LARGE_INTEGER due;
    due.QuadPart = -std::max<LONGLONG>(hundredNanoseconds, 1);
    SetWaitableTimer(complete, &due, 0, nullptr, nullptr, FALSE);
  }
};

class Status : public Dispatch<ISpeechVoiceStatus> {
 public:
  Status(const std::string& engine, const Schedule& schedule)
      : Dispatch(engine, "ISpeechVoiceStatus") {
    ULONGLONG now = GetTickCount64();
    last_ = static_cast<LONG>(schedule.ends.size());
    auto speaking = std::find_if(schedule.ends.begin(), schedule.ends.end(),
                                 [now](ULONGLONG end) { return end > now; });
    current_ = speaking == schedule.ends.end()
                   ? last_
                   : static_cast<LONG>(speaking - schedule.ends.begin()) + 1;
    running_ = speaking == schedule.ends.end() ? SRSEDone : SRSEIsSpeaking;
    // The character being said: the time spoken at the voice's pace.
    if (speaking != schedule.ends.end() && schedule.perCharacter > 0) {
      ULONGLONG start = schedule.starts[static_cast<size_t>(current_ - 1)];
      word_ = static_cast<LONG>((now > start ? now - start : 0) / schedule.perCharacter);
    }
  }
  HRESULT STDMETHODCALLTYPE get_CurrentStreamNumber(LONG* stream) override {
    *stream = current_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_LastStreamNumberQueued(LONG* stream) override {
    *stream = last_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_RunningState(SpeechRunState* state) override {
    *state = running_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_LastHResult(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_InputWordPosition(LONG* position) override {
    *position = word_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_InputWordLength(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_InputSentencePosition(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_InputSentenceLength(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_LastBookmark(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_LastBookmarkId(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_PhonemeId(short*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_VisemeId(short*) override { return E_NOTIMPL; }

 private:
  LONG current_ = 0, last_ = 0, word_ = 0;
  SpeechRunState running_ = SRSEDone;
};

class Voice : public Dispatch<ISpeechVoice> {
 public:
  explicit Voice(const std::string& engine) : Dispatch(engine, "ISpeechVoice") {
    std::wstring pace = Environment("KELVORA_RECORDING_MS_PER_CHARACTER");
    schedule_.perCharacter = pace.empty() ? 0 : std::stoull(pace);
    schedule_.neverEnds = Environment("KELVORA_RECORDING_NEVER_ENDS") == L"1";
    Log(engine_, "CoCreateInstance");
  }
  ~Voice() override { CloseHandle(schedule_.complete); }

  HRESULT STDMETHODCALLTYPE GetVoices(BSTR required, BSTR optional,
                                      ISpeechObjectTokens** tokens) override {
    Log(engine_, "GetVoices \"" + Utf8(required) + "\" \"" + Utf8(optional) + "\"");
    *tokens = new Tokens(engine_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE putref_Voice(ISpeechObjectToken* token) override {
    BSTR id = nullptr;
    HRESULT hr = token ? token->get_Id(&id) : E_POINTER;
    Log(engine_, "putref_Voice " + Utf8(id));
    SysFreeString(id);
    return hr;
  }
  HRESULT STDMETHODCALLTYPE get_Volume(LONG* volume) override {
    *volume = volume_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Volume(LONG volume) override {
    Log(engine_, "put_Volume " + std::to_string(volume));
    volume_ = volume;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Rate(LONG* rate) override {
    *rate = rate_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Rate(LONG rate) override {
    Log(engine_, "put_Rate " + std::to_string(rate));
    rate_ = rate;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Speak(BSTR text, SpeechVoiceSpeakFlags flags, LONG* stream) override {
    Log(engine_, "Speak " + std::to_string(static_cast<int>(flags)) + " " + Utf8(text));
    ULONGLONG now = GetTickCount64();
    if (flags & SVSFPurgeBeforeSpeak) {
      for (ULONGLONG& end : schedule_.ends) end = std::min(end, now);
    }
    ULONGLONG start = schedule_.ends.empty() ? now : std::max(now, schedule_.ends.back());
    schedule_.starts.push_back(start);
    schedule_.ends.push_back(start + SysStringLen(text) * schedule_.perCharacter);
    schedule_.CompleteAt(schedule_.ends.back());
    *stream = static_cast<LONG>(schedule_.ends.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Status(ISpeechVoiceStatus** status) override {
    *status = new Status(engine_, schedule_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE WaitUntilDone(LONG timeout, VARIANT_BOOL* done) override {
    ULONGLONG end = schedule_.ends.empty() ? 0 : schedule_.ends.back();
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(std::max<LONG>(timeout, 0));
    while (GetTickCount64() < end && (timeout < 0 || GetTickCount64() < deadline)) Sleep(10);
    *done = GetTickCount64() >= end ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE get_Voice(ISpeechObjectToken**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_AudioOutput(ISpeechObjectToken**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE putref_AudioOutput(ISpeechObjectToken*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_AudioOutputStream(ISpeechBaseStream**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE putref_AudioOutputStream(ISpeechBaseStream*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE put_AllowAudioOutputFormatChangesOnNextSet(VARIANT_BOOL) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_AllowAudioOutputFormatChangesOnNextSet(VARIANT_BOOL*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_EventInterests(SpeechVoiceEvents*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_EventInterests(SpeechVoiceEvents) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Priority(SpeechVoicePriority) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Priority(SpeechVoicePriority*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_AlertBoundary(SpeechVoiceEvents) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_AlertBoundary(SpeechVoiceEvents*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_SynchronousSpeakTimeout(LONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_SynchronousSpeakTimeout(LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SpeakStream(ISpeechBaseStream*, SpeechVoiceSpeakFlags, LONG*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Pause() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Resume() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Skip(const BSTR, LONG, LONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetAudioOutputs(BSTR, BSTR, ISpeechObjectTokens**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SpeakCompleteEvent(LONG* handle) override {
    *handle = static_cast<LONG>(reinterpret_cast<INT_PTR>(schedule_.complete));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsUISupported(const BSTR, const VARIANT*, VARIANT_BOOL*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DisplayUI(LONG, BSTR, const BSTR, const VARIANT*) override {
    return E_NOTIMPL;
  }

 private:
  LONG volume_ = 100, rate_ = 0;
  Schedule schedule_;
};

template <typename Object>
HRESULT Created(Object* created, REFIID iid, void** object) {
  HRESULT hr = created->QueryInterface(iid, object);
  created->Release();
  return hr;
}

class Factory : public IClassFactory {
 public:
  explicit Factory(std::string engine) : engine_(std::move(engine)) {}
  virtual ~Factory() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (engine_ == "category") return Created(new Category(), iid, object);
    return Created(new Voice(engine_), iid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  std::string engine_;
  ULONG references_ = 1;
};

bool ClassIs(REFCLSID clsid, const wchar_t* text) {
  CLSID wanted{};
  return SUCCEEDED(CLSIDFromString(text, &wanted)) && IsEqualCLSID(clsid, wanted);
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  *object = nullptr;
  const char* engine = ClassIs(clsid, kSapi5Class)           ? "sapi5"
                       : ClassIs(clsid, kPlatformClass)      ? "platform"
                       : ClassIs(clsid, kTokenCategoryClass) ? "category"
                                                             : nullptr;
  if (!engine) return CLASS_E_CLASSNOTAVAILABLE;
  auto* factory = new Factory(engine);
  HRESULT hr = factory->QueryInterface(iid, object);
  factory->Release();
  return hr;
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }
