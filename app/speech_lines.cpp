#include "app/speech_lines.h"

std::vector<TChatLine> PieceLines(const TSpeechPiece& piece) {
  if (!piece.speaker.empty()) return {{piece.speaker, piece.name, piece.text, piece.bare}};
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
    if (texts.empty() || !(texts.back().voice == voice)) texts.push_back({voice, {}});
    for (TChatLine& line : PieceLines(piece)) texts.back().lines.push_back(std::move(line));
  }
  return texts;
}
