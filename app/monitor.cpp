#include "app/monitor.h"

#include <algorithm>

#include "viewer/viewer.h"

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

// The encoding of the file: only a "SJIS" file's first bytes can change it.
ChatEncoding EncodingOf(const TChatFileAccess& access, TextView path, TChatSource source) {
  if (source != TChatSource::kSelectedSjis) return ChatEncodingChoose({}, source);
  return ChatEncodingChoose(access.read(path, 0, 3), source);
}

int64_t WholeUnits(int64_t bytes, ChatEncoding encoding) {
  return bytes - bytes % static_cast<int64_t>(UnitSize(encoding));
}

// The bytes before offset, for a state that starts there.
std::string TailRead(const TChatFileAccess& access, TextView path, int64_t offset) {
  int64_t start = std::max<int64_t>(0, offset - kTailLength);
  return access.read(path, start, static_cast<size_t>(offset - start));
}

// The longest start of bytes that ends between two characters, for a line cut because it is
// longer than one tick's read (Shift-JIS cannot be told from its end: cut where it falls).
size_t CharacterBoundary(std::string_view bytes, ChatEncoding encoding) {
  size_t end = bytes.size() - bytes.size() % UnitSize(encoding);
  if (encoding == ChatEncoding::kUtf8) {
    size_t lead = end;
    while (lead > 0 && end - lead < 4 &&
           (static_cast<unsigned char>(bytes[lead - 1]) & 0xC0) == 0x80) {
      --lead;
    }
    if (lead > 0) {
      auto byte = static_cast<unsigned char>(bytes[lead - 1]);
      size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
      if (end - (lead - 1) < length) end = lead - 1;
    }
  } else if (UnitSize(encoding) == 2 && end >= 2) {
    char16_t last = UnitAt(bytes, end - 2, encoding);
    if (last >= 0xD800 && last <= 0xDBFF) end -= 2;
  }
  return end;
}

// Whether the file still ends, at the state's size, with what was read last.
bool StillTheSameFile(const TMonitorState& state, TextView path, const TChatFileAccess& access) {
  return state.Tail.empty() ||
         TailRead(access, path, std::max<int64_t>(state.MasterFileSize, 0)) == state.Tail;
}

struct TickStep {
  TickResult result = TickResult::kIdle;
  TMonitorState state;
  LineList lines;
};

// The read step of a tick, from the file as it is now; throws what reading throws. A final
// read (the file is no longer written) takes its last line without a line end too.
TickStep TickRead(const TMonitorState& state, TextView path, int64_t size, TChatSource source,
                  const TChatFileAccess& access, bool final = false) {
  TickStep step{TickResult::kRead, state, {}};
  ChatEncoding encoding = EncodingOf(access, path, source);
  int64_t from = std::max<int64_t>(state.MasterFileSize, 0);
  // A file that became smaller, or no longer holds what was read last, was truncated or
  // replaced: start again from its end.
  if (size < state.MasterFileSize || !StillTheSameFile(state, path, access)) {
    int64_t master = WholeUnits(size, encoding);
    step.state = {master, {}, TailRead(access, path, master), Text(path)};
    step.result = TickResult::kReset;
    return step;
  }
  int64_t to = std::min(size, from + kTickReadLimit);
  if (final && to == size)
    step.state.HeldBack = access.read(path, from, static_cast<size_t>(size - from));
  int64_t consumed =
      AppendedLinesLoad(step.lines, access, path, from, to, size, source, step.state.HeldBack);
  step.state.MasterFileSize = from + consumed;
  step.state.Tail = TailRead(access, path, step.state.MasterFileSize);
  return step;
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

int64_t AppendedLinesLoad(LineList& lines, const TChatFileAccess& access, TextView path,
                          int64_t from, int64_t to, int64_t size, TChatSource source,
                          std::string& heldBack, bool final) {
  ChatEncoding encoding = EncodingOf(access, path, source);
  auto unit = static_cast<int64_t>(UnitSize(encoding));
  // One unit before the start tells whether a CR LF was cut between two reads.
  int64_t start = from >= unit ? from - unit : from;
  std::string bytes = access.read(path, start, static_cast<size_t>(to - start));
  size_t skip = static_cast<size_t>(from - start);
  if (bytes.size() < skip) return 0;
  bool afterCr = skip > 0 && UnitAt(bytes, 0, encoding) == u'\r';
  std::string_view body = std::string_view(bytes).substr(skip);
  bool atEnd = from + static_cast<int64_t>(body.size()) >= size;
  bool settled = atEnd && !body.empty() && (final || body == heldBack);
  size_t length = settled ? static_cast<size_t>(WholeUnits(body.size(), encoding))
                          : CompleteLinesLength(body, encoding);
  // A whole read without a line end holds one line longer than a read: it is cut there.
  if (length == 0 && !atEnd) length = CharacterBoundary(body, encoding);
  heldBack = atEnd ? std::string(body.substr(length)) : std::string();
  std::string_view complete = body.substr(0, length);
  if (afterCr && complete.size() >= static_cast<size_t>(unit) &&
      UnitAt(complete, 0, encoding) == u'\n') {
    complete.remove_prefix(static_cast<size_t>(unit));
  }
  if (from == 0 && complete.substr(0, MarkOf(encoding).size()) == MarkOf(encoding)) {
    complete.remove_prefix(MarkOf(encoding).size());
  }
  LineList decoded = LinesSplit(Decode(complete, encoding));
  lines.insert(lines.end(), decoded.begin(), decoded.end());
  return static_cast<int64_t>(length);
}

void MasterFileSizeMeasure(TMonitorState& state, TextView path, TChatSource source,
                           const TChatFileAccess& access) {
  // A file that is not there yet is read from its start when it appears: all of it is new. Not
  // so where its folder is missing too (a network share gone for a moment): that may come back
  // with old chat, followed from its end.
  if (!access.exists(path)) {
    state = {0, {}, {}, Text(path), !FolderExists(PathFolderOf(path))};
    return;
  }
  state.Path = Text(path);
  int64_t size = access.size(path);
  if (size < 0) return;
  // A file unreadable for now still counts at its size: what it holds is never spoken.
  int64_t master = size;
  std::string tail;
  try {
    master = WholeUnits(size, EncodingOf(access, path, source));
    tail = TailRead(access, path, master);
  } catch (const std::exception&) {
  }
  state = {master, {}, std::move(tail), Text(path)};
}

namespace {

// A tick on the state's own file; the lines read go to lines, not yet delivered.
TickResult FileTick(TMonitorState& state, TextView path, TChatSource source, LineList& lines,
                    const TChatFileAccess& access, bool final) {
  if (!access.exists(path)) return TickResult::kIdle;
  if (state.MeasureWhenItAppears) {
    MasterFileSizeMeasure(state, path, source, access);
    return TickResult::kReset;
  }
  int64_t size = access.size(path);
  if (size < 0) return TickResult::kIdle;
  if (size == state.MasterFileSize) {
    state.HeldBack.clear();
    return TickResult::kIdle;
  }
  TickStep step;
  try {
    step = TickRead(state, path, size, source, access, final);
  } catch (const std::exception&) {
    // The file could not be opened or read now (locked, replaced, memory short): nothing is
    // spoken and nothing is lost; the next tick tries again from the same place.
    return TickResult::kIdle;
  }
  lines.insert(lines.end(), step.lines.begin(), step.lines.end());
  state = std::move(step.state);
  state.Path = Text(path);
  return step.result;
}

enum class Change { kWait, kDone, kOldReplaced };

// The rest of the old file, then the new one. kWait while the old file cannot be read now or has
// more than one read left: the change waits for the next tick. kOldReplaced when the old file
// was replaced since the last look: what it holds now is not spoken.
Change FileChange(TMonitorState& state, TextView path, TChatSource source, LineList& lines,
                  const TChatFileAccess& access) {
  const Text old = state.Path;
  bool oldExists = access.exists(old);
  Change change = Change::kDone;
  if (oldExists) {
    int64_t size = access.size(old);
    if (size < 0) return Change::kWait;
    if (size > state.MasterFileSize) {
      TickResult result = FileTick(state, old, source, lines, access, true);
      if (result == TickResult::kIdle) return Change::kWait;
      if (result == TickResult::kRead && state.MasterFileSize < size) return Change::kWait;
      if (result == TickResult::kReset) change = Change::kOldReplaced;
    } else {
      try {
        if (!StillTheSameFile(state, old, access)) change = Change::kOldReplaced;
      } catch (const std::exception&) {
        return Change::kWait;
      }
    }
  }
  // Only the viewer's next day's dated file is new from its start (beside the old file: with the
  // folder gone, today's file is not known to be new). Any other change (dated names just turned
  // on, the settings caught half-written, a folder that came and went, a path that flipped away
  // and back) starts at the file's end, so old chat is never spoken again; a file
  // not there yet is measured when it appears.
  TMonitorState next{0, {}, {}, Text(path), true};
  if (oldExists && DatedChatFileFollows(old, path, access.now())) {
    next.MeasureWhenItAppears = false;
  } else if (access.exists(path)) {
    MasterFileSizeMeasure(next, path, source, access);
  }
  state = std::move(next);
  return change;
}

}  // namespace

TickResult ChatFileTick(TMonitorState& state, TextView path, TChatSource source,
                        const LinesHandler& deliver, const TChatFileAccess& access) {
  TMonitorState next = state;
  LineList lines;
  TickResult result = TickResult::kIdle;
  Change change = Change::kDone;
  if (!next.Path.empty() && next.Path != path) {
    change = FileChange(next, path, source, lines, access);
    result = lines.empty() ? TickResult::kIdle : TickResult::kRead;
  }
  if (change == Change::kOldReplaced) {
    result = TickResult::kReset;  // the new file is read from the next tick on
  } else if (change == Change::kDone) {
    TickResult own = FileTick(next, path, source, lines, access, false);
    if (own != TickResult::kIdle) result = own;
  }
  if (!lines.empty()) deliver(lines);
  state = std::move(next);
  return result;
}
