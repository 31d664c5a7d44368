// A pattern, a replacement and a subject: the replacement language parsed, checked against the
// pattern and applied; the result is well-formed and holds every literal piece it should.
#include <cstdlib>
#include <memory>

#include "fuzz/fuzz_input.h"
#include "text/regex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  Text pattern = Utf8ToText(input.Piece());
  Text replacement = Utf8ToText(input.Piece());
  Text subject = Utf8ToText(input.Rest());
  std::vector<ReplacementPiece> pieces = ReplacementParse(replacement);
  // Literal pieces, put back together, are the replacement without its references.
  size_t literalLength = 0;
  for (const ReplacementPiece& piece : pieces) literalLength += piece.literal.size();
  if (literalLength > replacement.size()) std::abort();
  std::unique_ptr<Regex> regex;
  std::unique_ptr<Replacement> checked;
  try {
    regex = std::make_unique<Regex>(pattern);
    checked = std::make_unique<Replacement>(*regex, replacement);
  } catch (const RegexError&) {
    return 0;
  }
  try {
    Text out = regex->ReplaceAll(subject, *checked);
    Text repaired = out;
    SurrogatesRepair(repaired);
    if (repaired != out) std::abort();
    if (!regex->MayMatch(UnitPresence(subject)) && out != subject) std::abort();
  } catch (const RegexError&) {
    // the match limit
  }
  return 0;
}
