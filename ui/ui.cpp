// What every binding shares: the application title, the hooks of the message box and the file
// dialog, and the general error handler.
#include "ui/ui.h"

#include "platform/platform.h"
#include "ui/binding.h"

namespace ui {

namespace {

struct Shared {
  Text title;
  MessageHook messageHook;
  OpenFileHook openFileHook;
};

Shared& SharedState() {
  static Shared shared;
  return shared;
}

}  // namespace

int SpinTextValue(TextView text, int minimum) {
  int32_t value = 0;
  return TextToInteger(text, value) ? value : minimum;
}

void TitleSet(TextView title) { SharedState().title = Text(title); }
Text Application::Title() { return SharedState().title; }

void MessageHookSet(MessageHook hook) { SharedState().messageHook = std::move(hook); }
void OpenFileHookSet(OpenFileHook hook) { SharedState().openFileHook = std::move(hook); }

void MessageShow(TextView text, MessageKind kind) {
  if (SharedState().messageHook) return SharedState().messageHook(text, kind);
  NativeMessageShow(text, kind);
}

std::optional<OpenFileResult> OpenFileDialog(const OpenFileRequest& request) {
  if (SharedState().openFileHook) return SharedState().openFileHook(request);
  return NativeOpenFileDialog(request);
}

void Application::Dispatch(const Handler& fn) {
  if (!fn) return;
  try {
    fn();
  } catch (const std::exception& e) {
    // The general error handler: the message, and the program goes on.
    MessageShow(Utf8ToText(e.what()), MessageKind::kError);
  }
}

}  // namespace ui
