// Without hooks, a message box is answered OK and the file dialog is cancelled.
#include "ui/headless/node_headless.h"

namespace ui {

void NativeMessageShow(TextView, MessageKind) {}

std::optional<OpenFileResult> NativeOpenFileDialog(const OpenFileRequest&) { return std::nullopt; }

}  // namespace ui
