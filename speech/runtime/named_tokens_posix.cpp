#include "speech/runtime/posix_runtimes.h"

NamedToken::NamedToken(std::string engine, std::string name, std::string identifier)
    : engine_(std::move(engine)), name_(std::move(name)), identifier_(std::move(identifier)) {}

Text NamedToken::GetAttribute(TextView attribute) {
  if (attribute != u"Name") throw SpeechError(engine_ + ": no attribute " + TextToUtf8(attribute));
  return Utf8ToText(name_);
}

Text NamedToken::GetDescription(int32_t) { return Utf8ToText(name_); }

int32_t NamedTokens::Count() { return static_cast<int32_t>(tokens_.size()); }

std::shared_ptr<SpeechObjectToken> NamedTokens::Item(int32_t index) {
  if (index < 0 || index >= Count())
    throw SpeechError(engine_ + ": no voice " + std::to_string(index));
  return tokens_[static_cast<size_t>(index)];
}

const std::string& NamedTokenIdentifier(const std::shared_ptr<SpeechObjectToken>& token,
                                        const std::string& engine) {
  auto* named = dynamic_cast<NamedToken*>(token.get());
  if (!named) throw SpeechError(engine + ": not a voice of this engine");
  return named->Identifier();
}
