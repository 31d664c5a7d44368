// The voice engine opened for one command (voices, say, preview --auto-voices) and released at
// its end, within a bounded time whatever the speech servers do.
#pragma once

#include <string>

#include "platform/platform.h"

class EngineSession {
 public:
  // Opens both engines and waits (a few seconds at most) for a voice list that comes late.
  EngineSession();
  ~EngineSession();
  EngineSession(const EngineSession&) = delete;
  EngineSession& operator=(const EngineSession&) = delete;
  bool Opened() const { return opened_; }
  // The first reason a text could not be spoken; empty when none.
  const std::string& Trouble() const { return trouble_; }

 private:
  ComApartment apartment_;
  bool opened_ = false;
  std::string trouble_;
};
