#include "app/speech_lines.h"

std::vector<TChatLine> PieceLines(const TSpeechPiece& piece) {
  if (!piece.speaker.empty()) {
    return {{piece.speaker, piece.name, piece.text, piece.bare, piece.forYou}};
  }
  std::vector<TChatLine> lines;
  for (Text& line : LinesSplit(piece.text)) lines.push_back({{}, {}, std::move(line), {}});
  return lines;
}

std::vector<TVoicedLines> PiecesVoiced(
    const std::vector<TSpeechPiece>& pieces, const std::set<Text>& silenced,
    const std::function<TVoiceChoice(const TSpeechPiece&)>& voiceOf) {
  std::vector<TVoicedLines> texts;
  for (const TSpeechPiece& piece : pieces) {
    if (!piece.speaker.empty() && silenced.contains(piece.speaker)) continue;
    TVoiceChoice voice = voiceOf(piece);
    // A line for you goes in a text of its own, which the queue hears first.
    if (texts.empty() || !(texts.back().voice == voice) ||
        (!texts.back().lines.empty() && texts.back().lines.front().forYou != piece.forYou)) {
      texts.push_back({voice, {}});
    }
    for (TChatLine& line : PieceLines(piece)) texts.back().lines.push_back(std::move(line));
  }
  return texts;
}

TVoiceChoice PieceVoice(const TSpeechPiece& piece, int32_t windowVoice, bool autoVoices,
                        double now) {
  if (int32_t own = VoiceFind(piece.voice); own >= 0) return {own, 0};
  if (autoVoices && AutoVoiceWanted(piece)) return SpeechAutoVoice(piece.speaker, windowVoice, now);
  return {windowVoice, 0};
}

LineList SideFileNotes(const TChatFilter& filter) {
  LineList notes = filter.UserListNotes;
  notes.insert(notes.end(), filter.VoiceListNotes.begin(), filter.VoiceListNotes.end());
  notes.insert(notes.end(), filter.GroupListNotes.begin(), filter.GroupListNotes.end());
  // Voices still being listed may hold the one asked for.
  if (SpeechVoicesListing()) return notes;
  std::set<Text> missing;
  for (const auto& [user, voice] : filter.SpeakerVoices) {
    if (VoiceFind(voice) < 0 && missing.insert(voice).second) {
      notes.push_back(u"Voices.txt names no voice called " + voice);
    }
  }
  return notes;
}
