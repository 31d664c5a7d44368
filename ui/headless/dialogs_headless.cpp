// Without hooks, a message box is answered OK and the dialogs are cancelled.
#include "ui/headless/node_headless.h"

namespace ui {

void NativeMessageShow(TextView, MessageKind) {}

std::optional<OpenFileResult> NativeOpenFileDialog(const OpenFileRequest&) { return std::nullopt; }

std::optional<std::vector<Text>> NativeFieldsDialog(const FieldsRequest&) { return std::nullopt; }

}  // namespace ui
