// The name a speaker is known by in the speaker lists and Voices.txt, from any form in which the
// viewers write a name: "Display Name (user.name)", "Display Name (First Last)", the legacy name
// "First Last" or "first Resident", a user name alone, an object's name.
#pragma once

#include "platform/unicode.h"

// A valid viewer user name: 1 to 63 of "0-9", "a-z" and at most one "." (at position 32 or
// earlier); at most 31 characters without a ".".
bool UserNameCheck(TextView text);

// A name as the viewers escape it in logs, "%3A" read as ":".
Text NameUnescaped(TextView name);

// The user name a name stands for when it is written as one: a user name as it is ("jane.doe",
// "janedoe"), a legacy name as the viewers map it ("Jane Doe" to "jane.doe", "janedoe Resident"
// to "janedoe"). Empty for every other text.
Text UserNameOf(TextView name);

// The key of a speaker written as name (trimmed; "%3A" read as ":"): the user name in the
// parentheses of "Display (user)" or the name itself stands for, else (an object, a name of
// several words) the name in ASCII lower case.
Text SpeakerKey(TextView name);

// Whether a speaker's key is the viewers' own, for their notices ("Second Life: ...", Firestorm's
// "Grid: ..." off the main grid).
bool IsViewerNoticeSpeaker(TextView key);

// Whether a speaker's key is no user name, so an object's: its name has three words or more, or
// characters a user name never holds. An object named with one or two words of letters and
// digits ("Tipjar", "Magic Box") has a key a person can have, and counts as one.
bool IsObjectSpeaker(TextView key);

// What "Speak User Name" says for a speaker written as name: the user name with its dot as a
// blank ("jane doe"); an object's name as written, its first dot a blank.
Text SpokenUserName(TextView name);
