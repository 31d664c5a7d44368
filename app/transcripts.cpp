#include "app/transcripts.h"

namespace {

// Enough of a file's start to hold its first line.
constexpr size_t kHeadLength = 4096;
// conversation.log holds a line per conversation of the last weeks; more is no such file.
constexpr int64_t kConversationLogMost = 4 << 20;

}  // namespace

void TTranscripts::Start(TextView folder, std::time_t now, const TChatFileAccess& access) {
  Stop();
  folder_ = Text(folder);
  start_ = now;
  for (const FolderEntry& entry : FolderEntriesGet(folder_, u"*.txt")) {
    if (entry.isFolder || !TranscriptOf(entry.name, {})) continue;
    Text path = PathJoin(folder_, entry.name);
    // The listing's size, with nothing read: thousands of transcripts are measured at once. (The
    // viewers close a transcript after each line, so the listing has its size.)
    TMonitorState& state = files_[path].state;
    if (entry.size >= 0) {
      state = {entry.size, {}, {}, path};
    } else {
      MasterFileSizeMeasure(state, path, TChatSource::kViewerLog, access);
    }
  }
}

void TTranscripts::Stop() {
  folder_.clear();
  files_.clear();
  lively_.clear();
  heard_ = {};
  freshFirstLines_.clear();
  index_.clear();
  indexStale_ = true;
}

bool TTranscripts::Owns(TextView path) const {
  if (folder_.empty() || PathFolderOf(path) != folder_) return false;
  Text name = PathNamePart(path);
  return name == kConversationLogName || TranscriptOf(name, {}).has_value();
}

void TTranscripts::Changed(TextView path, const TranscriptLinesHandler& deliver,
                           const TChatFileAccess& access) {
  if (!Owns(path)) return;
  if (PathNamePart(path) == kConversationLogName) {
    indexStale_ = true;
    return;
  }
  auto found = files_.find(Text(path));
  if (!access.exists(path)) {
    // Deleted or renamed away: a file that comes back under this name is a new one.
    if (found != files_.end()) Forget(found);
    return;
  }
  if (found == files_.end()) {
    found = files_.emplace(Text(path), File{{}, false, std::nullopt}).first;
    lively_.insert(found->first);
  }
  FileTick(found->second, path, deliver, access);
}

void TTranscripts::Rescan(const TranscriptLinesHandler& deliver, const TChatFileAccess& access) {
  if (folder_.empty()) return;
  indexStale_ = true;
  for (auto it = files_.begin(); it != files_.end();) {
    auto next = std::next(it);
    if (!access.exists(it->first)) Forget(it);
    it = next;
  }
  for (const FolderEntry& entry : FolderEntriesGet(folder_, u"*.txt")) {
    Text path = PathJoin(folder_, entry.name);
    if (!entry.isFolder && !files_.contains(path)) Changed(path, deliver, access);
  }
  for (auto& [path, file] : files_) FileTick(file, path, deliver, access);
}

void TTranscripts::Tick(const TranscriptLinesHandler& deliver, const TChatFileAccess& access) {
  // A tick may judge a file and so change the set.
  for (const Text& path : std::vector<Text>(lively_.begin(), lively_.end())) {
    if (auto file = files_.find(path); file != files_.end()) {
      FileTick(file->second, path, deliver, access);
    }
  }
}

void TTranscripts::Forget(std::map<Text, File>::iterator file) {
  if (file->second.heard) --heard_.Of(*file->second.heard);
  lively_.erase(file->first);
  files_.erase(file);
}

void TTranscripts::Judge(File& file, TextView path, const TChatFileAccess& access) {
  std::string head;
  try {
    head = access.read(path, 0, kHeadLength);
  } catch (const std::exception&) {
    return;  // not readable now: judged at its next change
  }
  std::optional<bool> fresh = FirstStampNotOlder(head, start_);
  if (!fresh) return;
  file.judged = true;
  // A transcript that begins as one begun since START is its copy or its new name.
  if (*fresh) fresh = freshFirstLines_.insert(head.substr(0, head.find('\n'))).second;
  if (*fresh) {
    file.state = {0, {}, {}, Text(path), false};
  } else {
    MasterFileSizeMeasure(file.state, path, TChatSource::kViewerLog, access);
  }
}

void TTranscripts::FileTick(File& file, TextView path, const TranscriptLinesHandler& deliver,
                            const TChatFileAccess& access) {
  if (!file.judged) {
    Judge(file, path, access);
    if (!file.judged) return;
    if (!file.heard) lively_.erase(Text(path));
  }
  ChatFileTick(
      file.state, path, TChatSource::kViewerLog,
      [&](const LineList& lines) {
        std::optional<TTranscript> transcript = TranscriptOf(PathNamePart(path), Index(access));
        if (!transcript) return;
        if (deliver(*transcript, lines) && !file.heard) {
          lively_.insert(Text(path));
          file.heard = transcript->kind;
          ++heard_.Of(transcript->kind);
        }
      },
      access);
}

const TConversationIndex& TTranscripts::Index(const TChatFileAccess& access) {
  if (!indexStale_) return index_;
  indexStale_ = false;
  Text path = PathJoin(folder_, kConversationLogName);
  try {
    int64_t size = access.exists(path) ? access.size(path) : -1;
    if (size > 0 && size <= kConversationLogMost) {
      index_ = ConversationLogParse(access.read(path, 0, static_cast<size_t>(size)));
    }
  } catch (const std::exception&) {
    // Caught while the viewer rewrites it: the names of the files serve until the next change.
  }
  return index_;
}

TChatOptions TranscriptChatOptions(TChatOptions nearby, const TTranscript& transcript) {
  switch (transcript.kind) {
    case TTranscriptKind::kIm:
      nearby.Source = TConversationKind::kIm;
      break;
    case TTranscriptKind::kGroup:
      nearby.Source = TConversationKind::kGroup;
      break;
    case TTranscriptKind::kConference:
      nearby.Source = TConversationKind::kConference;
      break;
  }
  nearby.SourceName = transcript.name;
  return nearby;
}

Text SourcesText(const TTranscripts& transcripts) {
  if (!transcripts.Following()) return {};
  TTranscriptsHeard heard = transcripts.Heard();
  Text text = u"chat";
  auto add = [&](int count, TextView one, TextView many) {
    if (count > 0)
      text += u" + " + AsciiToText(std::to_string(count)) + u" " + Text(count == 1 ? one : many);
  };
  add(heard.ims, u"IM", u"IMs");
  add(heard.groups, u"group", u"groups");
  return text;
}
