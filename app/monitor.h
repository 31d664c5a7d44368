// The chat-log monitor's reading side: at each tick, the lines the viewer appended to the chat
// file since the last one, each delivered exactly once and whole.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/platform.h"

// Where the chat file comes from, which decides how it is decoded.
enum class TChatSource {
  kViewerLog,     // the viewer's own log: UTF-8
  kSelectedUtf8,  // a file the user picked as "UTF8"
  kSelectedSjis,  // a file picked as "SJIS": what its byte-order mark names, else the ANSI code
                  // page
};

struct TMonitorState {
  // Bytes of the chat file dealt with so far; -1 until something was measured.
  int64_t MasterFileSize = -1;
  // Bytes after the last line end, held back at the previous tick: when a whole tick later the
  // file still ends with exactly these, they are its last line, without a line end.
  std::string HeldBack;
  // The last bytes before MasterFileSize, to notice a file replaced behind our back.
  std::string Tail;
};

enum class ChatEncoding { kUtf8, kUtf16Le, kUtf16Be, kAnsi };

enum class TickResult {
  kIdle,   // no file, a failed probe, or nothing new
  kReset,  // the file shrank or was replaced: what it holds now is not spoken
  kRead,   // appended bytes were read (and the complete lines among them delivered)
};

using LinesHandler = std::function<void(const LineList&)>;

// Size of the file in bytes, or -1 when it cannot be probed.
int64_t FileSizeGet(TextView path);

// The encoding of a file of this source; fileHead is the file's first bytes, wherever the read
// starts.
ChatEncoding ChatEncodingChoose(std::string_view fileHead, TChatSource source);

// Reads the bytes [from, to) of stream and appends their lines to lines. The bytes after the
// last line end are held back (and put into heldBack) unless they are heldBack already.
// Returns the bytes consumed.
int64_t AppendedLinesLoad(LineList& lines, SharedFile& stream, int64_t from, int64_t to,
                          TChatSource source, std::string& heldBack);

// START: what the chat file holds now will not be spoken. A missing file keeps the state.
void MasterFileSizeMeasure(TMonitorState& state, TextView path);

// One tick. Lines are handed to deliver; only when it returns are they recorded as dealt with,
// so an error in deliver (or in opening the file) leaves the state as it was.
TickResult ChatFileTick(TMonitorState& state, TextView path, TChatSource source,
                        const LinesHandler& deliver);
