// What START says before the chat: the greeting, whom the speaker lists let through, the side
// files' lines that can never match, and where the viewer's log is.
#pragma once

#include <vector>

#include "text/uText.h"
#include "viewer/viewer.h"

// The window's choices at START that the notices tell of.
struct TStartChoices {
  bool viewerLog;  // the chat file is the viewer's ("Viewer"), not a selected one
  TTextMode textMode;
  Text viewer;
  Text avatar;       // the account's user name
  Text avatarShown;  // as the avatar box shows it
  TAccountLogSettings account;
  bool logExists;
};

struct TNotice {
  Text xml;    // as markup
  Text plain;  // for a voice that refuses markup
};

// The notices in the order they are said; those with nothing to say left out.
std::vector<TNotice> StartNotices(const TStartChoices& choices, const TChatFilter& filter);
