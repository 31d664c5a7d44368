#include "app/engine_session.h"

#include "speech/runtime/runtime.h"
#include "speech/uSpeechLib.h"

namespace {

// How long a command waits for a speech server's voice list: one started on demand lists in
// a few seconds; one that does not answer has failed before.
constexpr int32_t kListingWait = 8000;

}  // namespace

EngineSession::EngineSession() {
  SpeechPlatformClassesRegister();
  TSpeechHandlers handlers;
  handlers.trouble = [this](const std::string& reason) {
    if (trouble_.empty()) trouble_ = reason;
  };
  SpeechHandlersSet(std::move(handlers));
  SpeechOpen();
  SpeechVoicesAwait(kListingWait);  // a command lists and picks from the whole list
  opened_ = !Voices().empty();
}

EngineSession::~EngineSession() {
  SpeechClose();
  SpeechRelease();
}
