// The chat-log monitor's reading side: at each tick, the lines the viewer appended to the chat
// file since the last one, each delivered exactly once and whole.
#pragma once

#include <cstdint>
#include <ctime>
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
  // Bytes of the chat file dealt with so far; -1 until something was measured. Always a whole
  // number of the file's code units (even in a UTF-16 file).
  int64_t MasterFileSize = -1;
  // Bytes after the last line end, held back at the previous tick: when a whole tick later the
  // file still ends with exactly these, they are its last line, without a line end.
  std::string HeldBack;
  // The last bytes before MasterFileSize, to notice a file replaced behind our back.
  std::string Tail;
  // The file these describe; empty until one was measured or read.
  Text Path;
  // The file was not there when it became the one followed, and may come with old chat: it is
  // measured when it appears, its content then not spoken.
  bool MeasureWhenItAppears = false;
};

enum class ChatEncoding { kUtf8, kUtf16Le, kUtf16Be, kAnsi };

enum class TickResult {
  kIdle,   // no file, a failed probe, nothing new, or a read that failed (tried again next tick)
  kReset,  // the file shrank or was replaced: what it holds now is not spoken
  kRead,   // appended bytes were read (and the complete lines among them delivered)
};

using LinesHandler = std::function<void(const LineList&)>;

// Size of the file in bytes, or -1 when it cannot be probed.
int64_t FileSizeGet(TextView path);

// The file operations the monitor uses: the real ones, unless a test hands in others (to make a
// read fail where it wants one to).
struct TChatFileAccess {
  std::function<bool(TextView path)> exists = FileExists;
  std::function<int64_t(TextView path)> size = FileSizeGet;
  // Up to count bytes from offset, fewer at the end of the file; throws PlatformError.
  std::function<std::string(TextView path, int64_t offset, size_t count)> read = FileRangeRead;
  // The time now, whose local day tells a next day's dated file from an old one.
  std::function<std::time_t()> now = [] { return std::time(nullptr); };
};

// At most this much of the file is read in one tick (up to the last whole line in it); the rest
// follows at the next ticks, so memory stays flat however much the file grew.
inline constexpr int64_t kTickReadLimit = 4 << 20;

// The encoding of a file of this source; fileHead is the file's first bytes, wherever the read
// starts.
ChatEncoding ChatEncodingChoose(std::string_view fileHead, TChatSource source);

// Reads the bytes [from, to) of the file and appends their lines to lines. When the read
// reaches the file's end (size), the bytes after the last line end are held back (and put into
// heldBack) unless they are heldBack already or the read is final (the file is written no more).
// Returns the bytes consumed, a whole number of code units. Throws PlatformError when the file
// cannot be read.
int64_t AppendedLinesLoad(LineList& lines, const TChatFileAccess& access, TextView path,
                          int64_t from, int64_t to, int64_t size, TChatSource source,
                          std::string& heldBack, bool final = false);

// START: what the chat file holds now will not be spoken; a file that is not there yet will be
// read from its start when it appears (from its end when its folder is missing too). A file that
// cannot be measured now keeps the state's size.
void MasterFileSizeMeasure(TMonitorState& state, TextView path, TChatSource source,
                           const TChatFileAccess& access = {});

// One tick. Lines are handed to deliver; only when it returns are they recorded as dealt with,
// so an error in deliver leaves the state as it was. A file that cannot be opened or read is no
// error: nothing is delivered, the state stays, and the next tick reads those bytes.
// When path is another file than the state's (the viewer began the next day's dated log), what
// was appended to the old file is delivered first, its last line whole; then the new file is
// read from its start only when it follows the old one (DatedChatFileFollows), else from its end
// (a file not there yet: from its end when it appears), so old chat is never spoken again.
TickResult ChatFileTick(TMonitorState& state, TextView path, TChatSource source,
                        const LinesHandler& deliver, const TChatFileAccess& access = {});
