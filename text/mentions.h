// Lines said to you: your names as [Options] MyNames holds them, and whether a text mentions one.
#pragma once

#include <vector>

#include "platform/unicode.h"

// The names in a comma-separated list ("jane.doe, Jane"), trimmed and in ASCII lower case, the
// empty ones left out.
std::vector<Text> MyNamesParse(TextView list);

// The names an account is called by when MyNames is empty: its user name and first name, from the
// viewer's folder name for it ("jane_doe" -> "jane.doe, jane"; "janedoe" -> "janedoe").
Text MyNamesDefault(TextView accountFolder);

// Whether text holds one of names (MyNamesParse's) as a word of its own, in any ASCII case: a
// mention link's label ("[@Jane Doe](...)") as much as the name written in the message.
bool MentionsAny(TextView text, const std::vector<Text>& names);
