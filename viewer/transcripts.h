// The conversation transcripts the viewers write beside the chat file: which file is whose (by
// its name, or by the viewer's conversation.log), and when a transcript's first line was said.
#pragma once

#include <ctime>
#include <map>
#include <optional>
#include <string_view>

#include "platform/unicode.h"

// The index of the account's conversations the viewers keep beside their transcripts.
inline constexpr char16_t kConversationLogName[] = u"conversation.log";

enum class TTranscriptKind { kIm, kGroup, kConference };

struct TTranscript {
  TTranscriptKind kind = TTranscriptKind::kIm;
  Text name;  // the person's, the group's or the conference's, as said
  bool operator==(const TTranscript&) const = default;
};

// conversation.log's conversations, by their transcript's name in the form the file's name is
// looked up in (lower case, with "_" for the characters the viewers replace).
using TConversationIndex = std::map<Text, TTranscript>;

// What the viewer's conversation.log says; lines of another form are passed over.
TConversationIndex ConversationLogParse(std::string_view bytes);

// The conversation whose transcript a file of the log folder is: by conversation.log's entry,
// else by the file's name ("Ann Example.txt", "Builders Guild (group)-2026-12.txt",
// "Ann Example Conference 2026_12_10 04_20 f0f4.txt"); nothing for the chat file, the dated
// chat files and the viewers' other files.
std::optional<TTranscript> TranscriptOf(TextView fileName, const TConversationIndex& index);

// Whether a transcript's first entry was said at when or later, by the stamp before its first
// line (head: the file's first bytes): nothing while that line is not whole; false for a line
// without a stamp, which tells nothing, so the file counts as old. The viewers write
// either the local time or Second Life time (US Pacific): a stamp is taken to be not older than
// when when it is not older than when in at least one of those clocks (a minute's grace for the
// stamp's rounding). A stamp without a date is taken to be of when's day.
std::optional<bool> FirstStampNotOlder(std::string_view head, std::time_t when);
