// The recording speech server (recording_voice_win32.cpp), registered for both voice classes and
// SAPI's token category class while a test runs: under the current user's classes, which Windows reads before the machine's;
// and, since Wine's COM reads the machine's classes only, over the machine's registration too
// (Wine's own SAPI 5 voice there is put back afterwards).
#pragma once

#include "platform/win32.h"

#include <string>
#include <vector>

#include "platform/testing/testing.h"

class RecordingServer {
 public:
  // log: the file every call is written to.
  explicit RecordingServer(const Text& log);
  ~RecordingServer();
  RecordingServer(const RecordingServer&) = delete;
  RecordingServer& operator=(const RecordingServer&) = delete;

 private:
  struct Saved {
    std::wstring key, server, model;
  };
  EnvOverride log_;
  std::vector<Saved> saved_;
};
