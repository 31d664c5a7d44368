#include "app/monitor.h"

#include <algorithm>

namespace {

// Enough to tell a replaced file from the one we were reading.
constexpr int64_t kTailLength = 16;

size_t UnitSize(ChatEncoding encoding) {
  return encoding == ChatEncoding::kUtf16Le || encoding == ChatEncoding::kUtf16Be ? 2 : 1;
}

char16_t UnitAt(std::string_view bytes, size_t offset, ChatEncoding encoding) {
  auto b0 = static_cast<unsigned char>(bytes[offset]);
  if (UnitSize(encoding) == 1) return b0;
  auto b1 = static_cast<unsigned char>(bytes[offset + 1]);
  return encoding == ChatEncoding::kUtf16Le ? static_cast<char16_t>(b1 << 8 | b0)
                                            : static_cast<char16_t>(b0 << 8 | b1);
}

bool IsLineEnd(char16_t unit) { return unit == u'\r' || unit == u'\n'; }

// Length of bytes up to and including the last line end (CR and LF are single units in every
// encoding here; neither occurs inside a multi-byte UTF-8 or Shift-JIS character).
size_t CompleteLinesLength(std::string_view bytes, ChatEncoding encoding) {
  size_t unit = UnitSize(encoding);
  for (size_t end = bytes.size() - bytes.size() % unit; end >= unit; end -= unit) {
    if (IsLineEnd(UnitAt(bytes, end - unit, encoding))) return end;
  }
  return 0;
}

std::string_view MarkOf(ChatEncoding encoding) {
  switch (encoding) {
    case ChatEncoding::kUtf8:
      return ByteOrderMarkBytes(ByteOrderMark::kUtf8);
    case ChatEncoding::kUtf16Le:
      return ByteOrderMarkBytes(ByteOrderMark::kUtf16Le);
    case ChatEncoding::kUtf16Be:
      return ByteOrderMarkBytes(ByteOrderMark::kUtf16Be);
    case ChatEncoding::kAnsi:
      break;
  }
  return {};
}

Text Decode(std::string_view bytes, ChatEncoding encoding) {
  switch (encoding) {
    case ChatEncoding::kUtf16Le:
      return Utf16LeToText(bytes);
    case ChatEncoding::kUtf16Be:
      return Utf16BeToText(bytes);
    case ChatEncoding::kAnsi:
      return AnsiCodePageToText(bytes);
    case ChatEncoding::kUtf8:
      break;
  }
  return Utf8ToText(bytes);
}

// The encoding of the open file: only a "SJIS" file's first bytes can change it.
ChatEncoding EncodingOf(SharedFile& stream, TChatSource source) {
  if (source != TChatSource::kSelectedSjis) return ChatEncodingChoose({}, source);
  stream.Seek(0);
  return ChatEncodingChoose(stream.Read(3), source);
}

// The bytes before offset, for a state that starts there; empty when they cannot be read.
std::string TailRead(SharedFile& file, int64_t offset) {
  try {
    int64_t start = std::max<int64_t>(0, offset - kTailLength);
    file.Seek(start);
    return file.Read(static_cast<size_t>(offset - start));
  } catch (const PlatformError&) {
    return std::string();
  }
}

std::string TailRead(TextView path, int64_t offset) {
  try {
    SharedFile file(path);
    return TailRead(file, offset);
  } catch (const PlatformError&) {
    return std::string();
  }
}

void StateSet(TMonitorState& state, int64_t master, std::string tail, std::string heldBack = {}) {
  state.MasterFileSize = master;
  state.Tail = std::move(tail);
  state.HeldBack = std::move(heldBack);
}

// Starts afresh at the file's end (rounded down to a whole UTF-16 unit), as if START had been
// pressed now: what the file holds is not spoken.
void StateRestart(TMonitorState& state, SharedFile& file, int64_t size, TChatSource source) {
  ChatEncoding encoding = EncodingOf(file, source);
  int64_t master = size - size % static_cast<int64_t>(UnitSize(encoding));
  StateSet(state, master, TailRead(file, master));
}

}  // namespace

int64_t FileSizeGet(TextView path) { return FileSizeProbe(path); }

ChatEncoding ChatEncodingChoose(std::string_view fileHead, TChatSource source) {
  if (source != TChatSource::kSelectedSjis) return ChatEncoding::kUtf8;
  switch (ByteOrderMarkGet(fileHead)) {
    case ByteOrderMark::kUtf8:
      return ChatEncoding::kUtf8;
    case ByteOrderMark::kUtf16Le:
      return ChatEncoding::kUtf16Le;
    case ByteOrderMark::kUtf16Be:
      return ChatEncoding::kUtf16Be;
    case ByteOrderMark::kNone:
      break;
  }
  return ChatEncoding::kAnsi;
}

int64_t AppendedLinesLoad(LineList& lines, SharedFile& stream, int64_t from, int64_t to,
                          TChatSource source, std::string& heldBack) {
  ChatEncoding encoding = EncodingOf(stream, source);
  size_t unit = UnitSize(encoding);
  // One unit before the start tells whether a CR LF was cut between two reads.
  int64_t start = from >= static_cast<int64_t>(unit) ? from - static_cast<int64_t>(unit) : from;
  stream.Seek(start);
  std::string bytes = stream.Read(static_cast<size_t>(to - start));
  size_t skip = static_cast<size_t>(from - start);
  if (bytes.size() < skip) return 0;
  bool afterCr = skip > 0 && UnitAt(bytes, 0, encoding) == u'\r';
  std::string_view body = std::string_view(bytes).substr(skip);
  bool settled = !body.empty() && body == heldBack;
  size_t length = settled ? body.size() : CompleteLinesLength(body, encoding);
  heldBack = std::string(body.substr(length));
  std::string_view complete = body.substr(0, length);
  if (afterCr && complete.size() >= unit && UnitAt(complete, 0, encoding) == u'\n') {
    complete.remove_prefix(unit);
  }
  if (from == 0 && complete.substr(0, MarkOf(encoding).size()) == MarkOf(encoding)) {
    complete.remove_prefix(MarkOf(encoding).size());
  }
  LineList decoded = LinesSplit(Decode(complete, encoding));
  lines.insert(lines.end(), decoded.begin(), decoded.end());
  return static_cast<int64_t>(length);
}

void MasterFileSizeMeasure(TMonitorState& state, TextView path) {
  if (!FileExists(path)) return;
  int64_t size = FileSizeGet(path);
  StateSet(state, size, size > 0 ? TailRead(path, size) : std::string());
}

TickResult ChatFileTick(TMonitorState& state, TextView path, TChatSource source,
                        const LinesHandler& deliver) {
  if (!FileExists(path)) return TickResult::kIdle;
  int64_t size = FileSizeGet(path);
  if (size < 0) return TickResult::kIdle;
  if (size == state.MasterFileSize) {
    state.HeldBack.clear();
    return TickResult::kIdle;
  }
  SharedFile file(path);
  int64_t from = std::max<int64_t>(state.MasterFileSize, 0);
  // A file that became smaller, or no longer holds what was read last, was truncated or
  // replaced: start again from its end.
  if (size < state.MasterFileSize || (!state.Tail.empty() && TailRead(file, from) != state.Tail)) {
    StateRestart(state, file, size, source);
    return TickResult::kReset;
  }

  LineList lines;
  std::string heldBack = state.HeldBack;
  int64_t consumed = size - from;
  try {
    consumed = AppendedLinesLoad(lines, file, from, size, source, heldBack);
  } catch (const PlatformError&) {
    // A failed read is passed over: those bytes are never spoken.
    lines.clear();
    heldBack.clear();
  }
  if (!lines.empty()) deliver(lines);
  int64_t master = from + consumed;
  StateSet(state, master, TailRead(file, master), std::move(heldBack));
  return TickResult::kRead;
}
