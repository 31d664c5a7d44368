// Tests answer the program's message boxes and dialogs through these: when set, MessageShow,
// OpenFileDialog and FieldsDialog go to them instead of showing anything (unset, they are shown
// for real, and the headless binding answers OK and "cancel").
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "ui/ui.h"

namespace ui {

using MessageHook = std::function<void(TextView text, MessageKind kind)>;
using OpenFileHook = std::function<std::optional<OpenFileResult>(const OpenFileRequest&)>;
// Answers once for each time the user would press OK; nothing stands for Cancel.
using FieldsHook = std::function<std::optional<std::vector<Text>>(const FieldsRequest&)>;
void MessageHookSet(MessageHook hook);
void OpenFileHookSet(OpenFileHook hook);
void FieldsHookSet(FieldsHook hook);

}  // namespace ui
