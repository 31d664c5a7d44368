// A whole run of the real window (the Qt binding, the platform's speech runtimes) as a person
// has it, measured: opening, START clicked, chat appended by the viewer's pace while
// speech-dispatcher misbehaves, leaving.
#pragma once

#include <chrono>
#include <vector>

#include "platform/unicode.h"

// What speech-dispatcher is in the run: absent, taking connections and never answering, or
// taking none (its listen backlog full). Where it is there, its voice (listed at the last run)
// is the window's.
enum class SpeechServer { kNone, kWedged, kFullBacklog };

struct WindowRunResult {
  // The longest the window's loop did not answer: the longest gap between the fires of a 10 ms
  // timer, from START's click (a handler of the loop's) to the end of the chat.
  std::chrono::duration<double, std::milli> longestStall{};
  // The same, less the time the machine paused every process during each gap: the longest stall
  // the program itself is answerable for.
  std::chrono::duration<double, std::milli> longestOwnStall{};
  std::chrono::duration<double, std::milli> machinePaused{};  // over the whole run
  std::chrono::duration<double, std::milli> leaving{};        // window destroyed, speech released
  std::vector<Text> messages;                                 // the message boxes shown
};

// With the starter dictionary (packaging/templates) as the user's.
WindowRunResult WindowRunMeasured(SpeechServer server);
