// A tick's pieces as the speech queue takes them: texts of lines, each line with its speaker,
// consecutive pieces of one voice and pitch in one text.
#pragma once

#include <functional>
#include <set>
#include <vector>

#include "speech/uSpeechLib.h"
#include "text/uText.h"

// A piece's lines: a chat entry is one line with its speaker; a text of the other modes is one
// line of no speaker for each of its lines.
std::vector<TChatLine> PieceLines(const TSpeechPiece& piece);

struct TVoicedLines {
  TVoiceChoice voice;
  std::vector<TChatLine> lines;
};
// The pieces, those of the silenced speakers left out, grouped by the voice voiceOf gives each,
// a piece for you (TSpeechPiece::forYou) never with one that is not.
std::vector<TVoicedLines> PiecesVoiced(
    const std::vector<TSpeechPiece>& pieces, const std::set<Text>& silenced,
    const std::function<TVoiceChoice(const TSpeechPiece&)>& voiceOf);

// The voice a piece is spoken in: its Voices.txt voice, else with autoVoices one of its speaker's
// own (heard now), else the window's.
TVoiceChoice PieceVoice(const TSpeechPiece& piece, int32_t windowVoice, bool autoVoices,
                        double now);

// The lines of the side files that can never match, a Voices.txt voice that is not there among
// them (once the voice list is complete).
LineList SideFileNotes(const TChatFilter& filter);
