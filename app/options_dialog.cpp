#include "app/options_dialog.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/platform.h"
#include "ui/ui.h"

namespace {

Text Number(int32_t value) { return AsciiToText(std::to_string(value)); }

// What is wrong with one value; empty when it is good.
Text ValueProblem(const TOption& option, const Text& value) {
  int32_t number = 0;
  switch (option.kind) {
    case TOptionKind::kNumber:
      if (TextToInteger(value, number) && number >= option.minimum && number <= option.maximum) {
        return {};
      }
      return u"a whole number from " + Number(option.minimum) + u" to " + Number(option.maximum);
    case TOptionKind::kSwitch:
      return value == u"0" || value == u"1" ? Text() : Text(u"on (1) or off (0)");
    case TOptionKind::kKeyChord:
      if (value.empty() || ui::KeyChordParse(value)) return {};
      return u"a key with Ctrl, Alt, Shift or Win, as \"Ctrl+Alt+Shift+F9\", or empty for none";
    case TOptionKind::kText:
      break;
  }
  return {};
}

ui::DialogField::Kind FieldKindOf(TOptionKind kind) {
  switch (kind) {
    case TOptionKind::kNumber:
      return ui::DialogField::Kind::kNumber;
    case TOptionKind::kSwitch:
      return ui::DialogField::Kind::kCheck;
    case TOptionKind::kKeyChord:
      return ui::DialogField::Kind::kKey;
    case TOptionKind::kText:
      break;
  }
  return ui::DialogField::Kind::kText;
}

// The note beside an option's field: whether another program holds its key, else its help.
Text NoteOf(const TOption& option, const std::vector<Text>& held) {
  if (option.kind != TOptionKind::kKeyChord) return option.help;
  std::optional<ui::KeyChord> chord = ui::KeyChordParse(option.value);
  if (!chord || std::find(held.begin(), held.end(), ui::KeyChordText(*chord)) == held.end()) {
    return option.help;
  }
  return kKeyHeldNote;
}

}  // namespace

Text OptionsProblem(const std::vector<TOption>& options, const std::vector<Text>& values) {
  if (values.size() != options.size()) return u"Every option needs a value.";
  for (size_t i = 0; i < options.size(); ++i) {
    if (Text problem = ValueProblem(options[i], Trim(values[i])); !problem.empty()) {
      return options[i].label + u": " + problem + u".";
    }
  }
  // One key cannot stand for two actions.
  const std::vector<Text> normalised = OptionsNormalised(options, values);
  for (size_t i = 0; i < options.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (options[i].kind == TOptionKind::kKeyChord && options[j].kind == TOptionKind::kKeyChord &&
          !normalised[i].empty() && normalised[i] == normalised[j]) {
        return options[i].label + u": the same key as " + options[j].label + u".";
      }
    }
  }
  return {};
}

std::vector<Text> OptionsNormalised(const std::vector<TOption>& options, std::vector<Text> values) {
  for (size_t i = 0; i < options.size() && i < values.size(); ++i) {
    values[i] = Trim(values[i]);
    if (options[i].kind != TOptionKind::kKeyChord) continue;
    if (std::optional<ui::KeyChord> chord = ui::KeyChordParse(values[i])) {
      values[i] = ui::KeyChordText(*chord);
    }
  }
  return values;
}

std::optional<TOptions> OptionsDialogShow(const TOptions& current, const std::vector<Text>& held) {
  const std::vector<TOption> options = OptionsGet(current);
  ui::FieldsRequest request{u"Options", {}, [&options](const std::vector<Text>& values) {
                              return OptionsProblem(options, values);
                            }};
  for (const TOption& option : options) {
    request.fields.push_back({option.label, FieldKindOf(option.kind), option.value, option.minimum,
                              option.maximum, option.heading, NoteOf(option, held)});
  }
  std::optional<std::vector<Text>> values = ui::FieldsDialog(request);
  if (!values) return std::nullopt;
  TOptions taken = current;
  OptionsPut(taken, OptionsNormalised(options, *values));
  return taken;
}
