// The conversations' transcripts beside the chat file, followed while monitoring: only the files
// a change notification names are looked at, so thousands of quiet ones cost nothing.
#pragma once

#include <ctime>
#include <functional>
#include <map>
#include <set>

#include "app/monitor.h"
#include "text/uText.h"
#include "viewer/transcripts.h"

// Lines appended to a conversation's transcript; returns whether any of them was spoken.
using TranscriptLinesHandler = std::function<bool(const TTranscript&, const LineList&)>;

// How many conversations of each kind have been spoken since START.
struct TTranscriptsHeard {
  int ims = 0;
  int groups = 0;  // conferences included
  int& Of(TTranscriptKind kind) { return kind == TTranscriptKind::kIm ? ims : groups; }
  bool operator==(const TTranscriptsHeard&) const = default;
};

class TTranscripts {
 public:
  // START: every transcript in folder is followed from its end; one that appears later is read
  // from its start only when its first line is not older than now (FirstStampNotOlder) and is no
  // conversation's heard since (the viewer's copy or rename of a transcript begun after START).
  void Start(TextView folder, std::time_t now, const TChatFileAccess& access = {});
  // STOP: nothing followed.
  void Stop();
  // Whether path is in the followed folder and no chat file: a transcript or conversation.log.
  bool Owns(TextView path) const;
  // A change to path (Owns): a transcript's new lines are handed to deliver, a new transcript is
  // judged, a vanished one forgotten (should it come back, it is judged as new).
  void Changed(TextView path, const TranscriptLinesHandler& deliver,
               const TChatFileAccess& access = {});
  // Everything may have changed (the system lost count of its notifications): the folder is
  // listed again, every transcript looked at.
  void Rescan(const TranscriptLinesHandler& deliver, const TChatFileAccess& access = {});
  // The timer's tick: the conversations heard (spoken) since START are looked at, in case a
  // notification was lost; quiet ones are not.
  void Tick(const TranscriptLinesHandler& deliver, const TChatFileAccess& access = {});
  TTranscriptsHeard Heard() const { return heard_; }
  bool Following() const { return !folder_.empty(); }
  // The folder followed; empty when none is.
  const Text& Folder() const { return folder_; }

 private:
  struct File {
    TMonitorState state;
    bool judged = true;  // false: new, its first line not whole yet
    std::optional<TTranscriptKind> heard;
  };
  // Starts following a file that appeared after START: from its start when its first line is
  // new, else from its end; undecided while that line is not whole.
  void Judge(File& file, TextView path, const TChatFileAccess& access);
  void FileTick(File& file, TextView path, const TranscriptLinesHandler& deliver,
                const TChatFileAccess& access);
  const TConversationIndex& Index(const TChatFileAccess& access);
  void Forget(std::map<Text, File>::iterator file);

  Text folder_;
  std::time_t start_ = 0;
  std::map<Text, File> files_;  // by path
  // Those the timer's tick looks at: heard, or new and not judged yet.
  std::set<Text> lively_;
  TConversationIndex index_;
  bool indexStale_ = true;  // conversation.log changed since it was read
  TTranscriptsHeard heard_;
  // The first lines of the transcripts begun after START.
  std::set<std::string> freshFirstLines_;
};

// The chat options for lines of the transcript: those of nearby chat, said as its conversation's.
TChatOptions TranscriptChatOptions(TChatOptions nearby, const TTranscript& transcript);

// "chat + 3 IMs + 1 group": what the window follows, when it follows the transcripts ("chat"
// until another conversation spoke); empty when it follows the chat file alone.
Text SourcesText(const TTranscripts& transcripts);
