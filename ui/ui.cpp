// What every binding shares.
#include "ui/ui.h"
#include "platform/platform.h"
#include "ui/binding.h"

namespace ui {

int SpinTextValue(TextView text, int minimum) {
  int32_t value = 0;
  return TextToInteger(text, value) ? value : minimum;
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
