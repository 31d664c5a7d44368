// The options dialog: every key of [Options] the user sets, checked before it is taken.
#pragma once

#include <optional>
#include <vector>

#include "app/settings.h"
#include "platform/unicode.h"

// What is wrong with the values the dialog gives for these options (in their order): the first
// bad value's label and what it must be; empty when every value is good.
Text OptionsProblem(const std::vector<TOption>& options, const std::vector<Text>& values);

// Good values as Setup.ini keeps them: blanks around them gone, each key written one way
// ("ctrl + alt + s" as "Ctrl+Alt+S").
std::vector<Text> OptionsNormalised(const std::vector<TOption>& options, std::vector<Text> values);

// The text beside a hotkey field whose key another program holds.
inline constexpr char16_t kKeyHeldNote[] = u"held by another program";

// The dialog of every option the user sets, in its groups, showing current, the keys another
// program holds (held, as KeyChordText writes them) marked: the options as the user left them
// on OK (checked before the dialog lets go), nothing on Cancel.
std::optional<TOptions> OptionsDialogShow(const TOptions& current, const std::vector<Text>& held);
