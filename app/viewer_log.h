// Where the viewer's log is while monitoring: the account's settings read once at START, their
// bytes kept so that a rewrite by the viewer is noticed, and the log located anew from it.
#pragma once

#include <optional>
#include <string>

#include "platform/unicode.h"
#include "viewer/viewer.h"

class TViewerLog {
 public:
  // START: the account's settings read, and the log located from them; followed is whether the
  // chat file is the viewer's (else its settings are not watched).
  TAccountLogSettings Start(TextView viewer, TextView avatar, bool followed);
  // STOP: nothing located.
  void Stop() { location_ = {}; }
  // The account's settings read again: when the viewer rewrote them whole, the log is located
  // anew and the settings are given; nothing when they are as before or caught half-written.
  std::optional<TAccountLogSettings> Recheck(TextView viewer, TextView avatar);
  // Where the log is, as START (or the last change) found it; no folder when not monitoring.
  const TChatLogLocation& Location() const { return location_; }
  // The account's settings file, for watching; empty when the chat file is not the viewer's.
  const Text& SettingsPath() const { return settingsPath_; }

 private:
  TChatLogLocation location_;
  Text settingsPath_;
  std::string settingsBytes_;
};
