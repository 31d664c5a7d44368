#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "speech/runtime/posix_runtimes.h"

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = c == '_' ? '-' : static_cast<char>(std::tolower(c));
  return text;
}

std::string PreferredLanguageRead() {
  const char* locale = std::getenv("LC_ALL");
  if (!locale || !*locale) locale = std::getenv("LANG");
  std::string language = locale && *locale ? locale : "";
  language = language.substr(0, language.find_first_of(".@"));
  if (language.empty() || language == "C" || language == "POSIX") return "en-us";
  return Lower(language);
}

}  // namespace

const std::string& LanguagePreferred() {
  static const std::string preferred = PreferredLanguageRead();
  return preferred;
}

int LanguageRank(const std::string& language) {
  if (Lower(language) == LanguagePreferred()) return 0;
  return LanguageBaseOf(Utf8ToText(language)) == LanguageBaseOf(Utf8ToText(LanguagePreferred()))
             ? 1
             : 2;
}

NamedToken::NamedToken(std::string engine, std::string name, std::string identifier,
                       std::string language)
    : engine_(std::move(engine)),
      name_(std::move(name)),
      identifier_(std::move(identifier)),
      language_(std::move(language)) {}

Text NamedToken::GetAttribute(TextView attribute) {
  if (attribute == u"Name") return Utf8ToText(name_);
  if (attribute == u"Language") return Utf8ToText(language_);
  throw SpeechError(engine_ + ": no attribute " + TextToUtf8(attribute));
}

int EspeakPitch(int32_t pitch) { return 50 + std::clamp(pitch, -10, 10) * 5; }

int SpeechdPitch(int32_t pitch) { return std::clamp(pitch, -10, 10) * 10; }

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
