// The viewers the program knows, their avatar accounts, and the two viewer settings it reads:
// an account's chat-log folder and whether the viewer writes display names.
#pragma once

#include <array>
#include <ctime>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unicode.h"

// Viewer list items; each names its viewer's folder (see ViewerFolderGet).
inline constexpr std::array<const char16_t*, 2> ViewerNames = {u"SecondLife", u"Firestorm"};

// The ViewerNames text at index, or empty text for an index outside the table.
Text ViewerNameAt(int index);

// The folder a viewer keeps its accounts and settings in: the first of its candidate folders
// that exists, else the first candidate; empty for a name that is no viewer's.
Text ViewerFolderGet(TextView viewerName);

// --- Avatar discovery ------------------------------------------------------------------------

// Fills list with the viewer's avatar folder names: its sub-folders that hold a
// settings_per_account.xml file, in enumeration order.
void AvatarFoldersGet(TextView viewerName, std::vector<Text>& list);
// The name shown for an avatar folder: "jane_doe.old" is shown as "jane doe".
Text AvatarShownNameGet(TextView folderName);

// The avatar list of a viewer, as the window shows it.
struct TAvatarList {
  std::vector<Text> Users;       // folder names
  std::vector<Text> ShownNames;  // the same, as shown
  int Selected = -1;             // the first shown name equal to the stored avatar, or -1
};
// Refills the list for the viewer and selects avatar (letter case ignored).
TAvatarList AvatarListBuild(TextView viewerName, TextView avatar);

// --- Viewer settings -------------------------------------------------------------------------

// Walks the bytes of a viewer's LLSD settings file: each value of setting settingName held in
// one of the value elements (in document order; the last one met is the setting's value) goes to
// onValue, which returns false for a value it cannot read. False when the walk ended on an error:
// the file not well-formed, an element holding elements where text was wanted, or a value
// onValue refused. (The callers read each file once, for all the settings they want of it.)
bool SettingValueParse(std::string_view bytes, TextView settingName,
                       std::initializer_list<const char*> valueElements,
                       const std::function<bool(TextView)>& onValue);

// What an avatar account's settings (settings_per_account.xml) say about its chat log; each
// setting the file lacks or cannot give has the viewer's own default.
struct TAccountLogSettings {
  Text LogRoot;                 // InstantMessageLogPath; empty when unknown
  bool DatedFileNames = false;  // LogFileNamewithDate: chat-YYYY-MM-DD.txt instead of chat.txt
  bool LogsNearbyChat = true;   // LogNearbyChat (Firestorm's default is off)
  bool Timestamps = true;       // LogTimestamp
  bool TranscriptsLogged = true;  // KeepConversationLogTranscripts 2: IMs and groups in files
};
TAccountLogSettings AccountLogSettingsGet(TextView viewerName, TextView avatarFolder);
// The account's settings_per_account.xml.
Text AccountSettingsPathGet(TextView viewerName, TextView avatarFolder);
// The bytes of such a file; empty when it is missing or cannot be read now.
std::string AccountSettingsBytesRead(TextView path);
// What those bytes say; nullopt when they are no whole settings file (one caught while the
// viewer rewrites it).
std::optional<TAccountLogSettings> AccountLogSettingsParse(TextView viewerName,
                                                           std::string_view bytes);
// The same, with the viewer's defaults for bytes that are no whole settings file.
TAccountLogSettings AccountLogSettingsOf(TextView viewerName, std::string_view bytes);

// The account's log root (InstantMessageLogPath), or empty text.
Text LogPathGet(TextView viewerName, TextView avatarFolder);
// The newest file matching the pattern other than settings_crash_behavior.xml, or empty text.
Text ViewerSettingsFileGet(TextView pattern);
// Whether the viewer writes display names into its chat log (true unless its settings say no).
bool UseDisplayNamesGet(TextView viewerName);
// Where an avatar account's chat log is, as its settings say: found once, at START.
struct TChatLogLocation {
  Text Folder;              // log root (else the viewer folder) + avatar; empty: no viewer
  bool DatedFiles = false;  // LogFileNamewithDate
};
TChatLogLocation ChatLogLocate(TextView viewerName, TextView avatarFolder,
                               const TAccountLogSettings& settings);
// The chat file in that folder: "chat.txt"; or, when the viewer writes dated files (its setting,
// or no chat.txt while dated files exist), the newest "chat-YYYY-MM-DD.txt" (today's when there
// is none yet). Empty text for no folder.
Text ChatLogFileGet(const TChatLogLocation& location);
// The same for the account's settings as they are now.
Text ViewerChatFileGet(TextView viewerName, TextView avatarFolder);

// The spoken hint at START when nothing can be read: the viewer does not log nearby chat, or the
// chat file does not exist ("No chat log found for jane doe."); empty when all is well.
Text ChatLogNoticeText(TextView viewerName, TextView avatarShownName,
                       const TAccountLogSettings& settings, bool chatFileExists);

// "chat-YYYY-MM-DD.txt" for the local day of when.
Text DatedChatFileName(std::time_t when);
bool IsDatedChatFileName(TextView name);
// The newest dated chat file in folder, by the date in its name; empty when there is none.
Text NewestDatedChatFileGet(TextView folder);
// Whether next is the dated chat file the viewer begins after previous, so that all it holds is
// new: both dated files of the same folder, next's day after previous's, and not older than the
// day before today (now's local day).
bool DatedChatFileFollows(TextView previous, TextView next, std::time_t now);
