// What every binding shares: the application title, the hooks of the message box and the file
// dialog, and the general error handler.
#include "ui/ui.h"

#include <algorithm>
#include <set>

#include "platform/platform.h"
#include "ui/binding.h"
#include "ui/testing/dialog_hooks.h"

namespace ui {

namespace {

struct Shared {
  Text title;
  MessageHook messageHook;
  OpenFileHook openFileHook;
  FieldsHook fieldsHook;
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
void FieldsHookSet(FieldsHook hook) { SharedState().fieldsHook = std::move(hook); }

void MessageShow(TextView text, MessageKind kind) {
  if (SharedState().messageHook) return SharedState().messageHook(text, kind);
  NativeMessageShow(text, kind);
}

std::optional<OpenFileResult> OpenFileDialog(const OpenFileRequest& request) {
  if (SharedState().openFileHook) return SharedState().openFileHook(request);
  return NativeOpenFileDialog(request);
}

Text FieldsProblem(const FieldsRequest& request, const std::vector<Text>& values) {
  return request.check ? request.check(values) : Text();
}

std::optional<std::vector<Text>> FieldsDialog(const FieldsRequest& request) {
  const FieldsHook& hook = SharedState().fieldsHook;
  if (!hook) return NativeFieldsDialog(request);
  while (std::optional<std::vector<Text>> values = hook(request)) {
    Text problem = FieldsProblem(request, *values);
    if (problem.empty()) return values;
    MessageShow(problem, MessageKind::kWarning);
  }
  return std::nullopt;
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

namespace {

// The key's name as chords write it: "F9", "S"; empty for no key we know.
Text KeyNameOf(TextView token) {
  Text upper;
  for (char16_t c : token) upper += (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if (upper.size() == 1 &&
      ((upper[0] >= u'A' && upper[0] <= u'Z') || (upper[0] >= u'0' && upper[0] <= u'9'))) {
    return upper;
  }
  if (upper.size() >= 2 && upper.size() <= 3 && upper[0] == u'F') {
    int32_t number = 0;
    if (TextToInteger(TextView(upper).substr(1), number) && number >= 1 && number <= 24) {
      return u"F" + AsciiToText(std::to_string(number));
    }
  }
  if (upper == u"PAUSE") return u"Pause";
  if (upper == u"SPACE") return u"Space";
  return {};
}

}  // namespace

std::optional<KeyChord> KeyChordParse(TextView text) {
  KeyChord chord;
  std::vector<Text> parts;
  for (size_t start = 0;;) {
    size_t plus = text.find(u'+', start);
    parts.emplace_back(text.substr(start, plus == TextView::npos ? plus : plus - start));
    if (plus == TextView::npos) break;
    start = plus + 1;
  }
  for (const Text& part : parts) {
    Text token = AsciiLower(Trim(part));
    bool* modifier = token == u"ctrl" || token == u"control" ? &chord.ctrl
                     : token == u"alt"                       ? &chord.alt
                     : token == u"shift"                     ? &chord.shift
                     : token == u"win" || token == u"super"  ? &chord.super
                                                             : nullptr;
    if (modifier) {
      if (*modifier) return std::nullopt;
      *modifier = true;
      continue;
    }
    Text key = KeyNameOf(Trim(part));
    if (key.empty() || !chord.key.empty()) return std::nullopt;
    chord.key = key;
  }
  if (chord.key.empty()) return std::nullopt;
  // A letter, a digit or Space with Shift alone or nothing types a character.
  bool types = chord.key.size() == 1 || chord.key == u"Space";
  if (types && !chord.ctrl && !chord.alt && !chord.super) return std::nullopt;
  return chord;
}

Text KeyChordText(const KeyChord& chord) {
  Text text;
  for (auto [on, name] : {std::pair{chord.ctrl, u"Ctrl+"}, std::pair{chord.alt, u"Alt+"},
                          std::pair{chord.shift, u"Shift+"}, std::pair{chord.super, u"Win+"}}) {
    if (on) text += name;
  }
  return text + chord.key;
}

bool WatchedFolder::Concerns(TextView name) const {
  return whole || std::find(files.begin(), files.end(), name) != files.end();
}

void RepeatsRemoved(std::vector<Text>& paths) {
  std::set<Text> seen;
  std::erase_if(paths, [&](const Text& path) { return !seen.insert(path).second; });
}

std::map<Text, WatchedFolder> WatchedFoldersOf(const std::vector<Text>& paths) {
  std::map<Text, WatchedFolder> folders;
  for (const Text& path : paths) {
    if (FolderExists(path)) {
      folders[path].whole = true;
      continue;
    }
    Text folder = PathFolderOf(path);
    if (folder.empty() || !FolderExists(folder)) continue;
    folders[folder].files.push_back(PathNamePart(path));
  }
  return folders;
}

}  // namespace ui
