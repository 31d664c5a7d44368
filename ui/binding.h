// What the bindings share beyond ui.h, and what each binding supplies to ui.cpp; for the
// bindings' own files only.
#pragma once

#include <map>
#include <vector>

#include "platform/unicode.h"
#include "ui/ui.h"

namespace ui {

// A spin field's text read as a whole number; text that is no number counts as the minimum.
int SpinTextValue(TextView text, int minimum);

// Called by each binding's Application constructor: the title Application::Title gives.
void TitleSet(TextView title);

// The binding's own modal message box and dialogs, for when no hook answers.
void NativeMessageShow(TextView text, MessageKind kind);
std::optional<OpenFileResult> NativeOpenFileDialog(const OpenFileRequest& request);
std::optional<std::vector<Text>> NativeFieldsDialog(const FieldsRequest& request);
// What the request's check finds wrong with the values; empty when there is no check.
Text FieldsProblem(const FieldsRequest& request, const std::vector<Text>& values);

// What a file watcher watches: the folders to ask the system about, and in each either every
// file or only some.
struct WatchedFolder {
  bool whole = false;       // the folder itself was asked for
  std::vector<Text> files;  // else the files of it asked for
  // Whether a change to the file of this folder named name is to be told.
  bool Concerns(TextView name) const;
  bool operator==(const WatchedFolder&) const = default;
};
// Each path once, where it was first told.
void RepeatsRemoved(std::vector<Text>& paths);
// The folders of paths (each a folder, or a file whose folder is watched), existing ones alone.
std::map<Text, WatchedFolder> WatchedFoldersOf(const std::vector<Text>& paths);

}  // namespace ui
