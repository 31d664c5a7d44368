// What every binding shares.
#include "ui/ui.h"

namespace ui {

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
