// The window's choices as Setup.ini keeps them: sections "Setup", "SecondLife" and "Voice", and
// "Options" for what has no control of its own.
// Every key is listed once, in settings.cpp's key table, which reading, writing and the reset
// to defaults all walk.
#pragma once

#include <vector>

#include "platform/unicode.h"

// The keys of [Options]: what has no control of its own in the window. Their defaults are the
// key table's (SettingsDefault), as every key's.
struct TOptions {
  int32_t MaxQueue = 0;    // chat lines that may wait for speech before the oldest are passed over
  int32_t MaxLength = 0;   // characters of a message spoken before it is cut; 0: no limit
  Text VoiceName;          // the voice the voice box chose, found by name when the list has changed
  int32_t CatchUp = 0;     // rate steps chat may speed up by while lines wait; 0: never
  int32_t NameRepeat = 0;  // seconds within which the speaker heard last is not named again
  int32_t AutoVoices = 0;  // 1: each speaker without a Voices.txt voice gets one of their own
  Text HotkeySkip, HotkeyPause, HotkeyRepeat, HotkeyMute;  // "Ctrl+Alt+Shift+F9"; empty: none
  int32_t PlainLetters = 0;  // 1: decorative letters read as plain ones
  int32_t Emoji = 0;         // 0: emoji dropped; 1: said by their short name
  int32_t Links = 0;         // 0: links as written; 1: short
  int32_t Objects = 0;       // 0: objects' lines silent; 1: spoken
  int32_t SpeakIMs = 0;      // 1: instant messages spoken
  int32_t SpeakGroups = 0;   // 1: group chats spoken (those Groups.txt names; every one without)
  Text MyNames;          // your names, comma-separated; empty: the account's user and first name
  int32_t Mentions = 0;  // lines that mention you: 0 as any, 1 first, 2 alone (and IMs)
  bool operator==(const TOptions&) const = default;
};

struct TSettings {
  int32_t FileType = 0;   // 0 "Selected File", 1 "Viewer"; other values check neither
  Text TargetFile;        // path of the selected chat file
  int32_t Viewer = 0;     // index into ViewerNames, applied without a range check
  Text Avatar;            // shown name of the chosen avatar
  int32_t Encoding = 0;   // 0 "UTF8", 1 "SJIS"
  int32_t Interval = 0;   // seconds, 1..10
  int32_t Voice = 0;      // voice index, -1 when there is no voice
  int32_t Volume = 0;     // 0..100
  int32_t Rate = 0;       // -10..10
  int32_t TexType = 0;    // text mode 0..2; other values check none
  Text RegEx0;            // the custom mask; by default the viewer's timestamp
  int32_t Translate = 0;  // 0..2
  int32_t UserName = 0;   // 0..1
  TOptions Options;
};

// ...\VORTANE PROJECT\KELVORA_Pro\Setup.ini beneath the local application-data folder; empty
// when that folder is unknown.
Text SettingsPath();

// Where the side files are looked for: the folder of Setup.ini first where the platform keeps
// them there (Linux), then the program's folder.
std::vector<Text> SideFileFolders();

// The reset of the action "Default": every key to its default but the text mode, which stays.
void SettingsDefault(TSettings& settings, int voiceCount);

// Reads the file over current (whose values stand for keys the file lacks), bringing numbers
// into their ranges. A missing file gives current back.
TSettings SettingsLoad(const Text& path, const TSettings& current, int voiceCount);

// How the options dialog shows a key of [Options].
enum class TOptionKind { kNumber, kSwitch, kKeyChord, kText };

// A key of [Options] the user sets in the options dialog: all but VoiceName, which the voice box
// sets.
struct TOption {
  Text key, heading, label;
  TOptionKind kind = TOptionKind::kNumber;
  Text help;                         // shown beside the field; empty for none
  int32_t minimum = 0, maximum = 0;  // kNumber
  Text value;                        // as Setup.ini writes it
};

// The options the dialog shows, with these values, in the key table's order.
std::vector<TOption> OptionsGet(const TOptions& options);
// Takes values in OptionsGet's order into the options; numbers are brought into their ranges
// as when the file is read.
void OptionsPut(TOptions& options, const std::vector<Text>& values);

struct TChatOptions;
// Takes what [Options] holds of the chat text's options: the length cut, how text is said, which
// conversations are spoken and what lines for you get; your names, when MyNames is empty, those of
// the account with this folder name (MyNamesDefault).
void ChatOptionsTake(const TOptions& options, TextView accountFolder, TChatOptions& chat);

// Writes every key, creating the folder; throws PlatformError naming the file.
void SettingsSave(const Text& path, const TSettings& settings);
