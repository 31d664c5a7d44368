#include "speech/runtime/sapi_markup.h"

#include <algorithm>
#include <string>

#include <map>
#include <pugixml.hpp>

#include "speech/runtime/runtime.h"

namespace {

// SAPI's American English phones in espeak-ng's notation.
const std::map<std::string, std::string>& PhoneTable() {
  static const std::map<std::string, std::string> table = {
      {"aa", "A:"},
      {"ae", "a"},
      {"ah", "V"},
      {"ao", "O:"},
      {"aw", "aU"},
      {"ax", "@"},
      {"ay", "aI"},
      {"b", "b"},
      {"ch", "tS"},
      {"d", "d"},
      {"dh", "D"},
      {"eh", "E"},
      {"er", "3:"},
      {"ey", "eI"},
      {"f", "f"},
      {"g", "g"},
      {"h", "h"},
      {"ih", "I"},
      {"iy", "i:"},
      {"jh", "dZ"},
      {"k", "k"},
      {"l", "l"},
      {"m", "m"},
      {"n", "n"},
      {"ng", "N"},
      {"ow", "oU"},
      {"oy", "OI"},
      {"p", "p"},
      {"r", "r"},
      {"s", "s"},
      {"sh", "S"},
      {"t", "t"},
      {"th", "T"},
      {"uh", "U"},
      {"uw", "u:"},
      {"v", "v"},
      {"w", "w"},
      {"y", "j"},
      {"z", "z"},
      {"zh", "Z"},
      // Boundaries and stress: syllable and word boundaries join, silence pauses briefly.
      {"-", ""},
      {"!", ""},
      {"&", " "},
      {"_", "_"},
      {"1", "'"},
      {"2", ","}};
  return table;
}

std::string PhonesToEspeak(const std::string& phones) {
  std::string out;
  size_t start = 0;
  while (start < phones.size()) {
    size_t end = phones.find(' ', start);
    if (end == std::string::npos) end = phones.size();
    std::string phone = phones.substr(start, end - start);
    start = end + 1;
    if (phone.empty()) continue;
    auto found = PhoneTable().find(phone);
    if (found == PhoneTable().end())
      throw SpeechError("espeak-ng: unknown SAPI phone \"" + phone + "\"");
    out += found->second;
  }
  return "[[" + out + "]]";
}

bool IsDroppedElement(std::string_view name) {
  static const char* const kDropped[] = {"voice",    "volume", "rate",    "pitch",
                                         "emph",     "spell",  "context", "partofsp",
                                         "bookmark", "sapi",   "lang",    "silence"};
  for (const char* dropped : kDropped) {
    if (name == dropped) return true;
  }
  return false;
}

void SapiNodeTranslate(const pugi::xml_node& node, std::string& out) {
  for (const pugi::xml_node& child : node.children()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata) {
      // Brackets the text itself holds must not open phonemes.
      for (const char* c = child.value(); *c; ++c) out += *c == '[' ? '(' : *c;
    } else if (child.type() == pugi::node_element) {
      std::string_view name = child.name();
      if (name == "pron") {
        out += PhonesToEspeak(child.attribute("sym").value());
      } else if (IsDroppedElement(name)) {
        SapiNodeTranslate(child, out);
      } else {
        throw SpeechError("espeak-ng: SAPI element <" + std::string(name) + "> not supported");
      }
    }
  }
}

}  // namespace

std::string SapiXmlToEspeak(TextView xml) {
  std::string wrapped = "<kelvora>" + TextToUtf8(xml) + "</kelvora>";
  pugi::xml_document document;
  pugi::xml_parse_result parsed = document.load_buffer(wrapped.data(), wrapped.size(),
                                                       pugi::parse_default | pugi::parse_ws_pcdata);
  if (!parsed)
    throw SpeechError(std::string("espeak-ng: SAPI XML not well-formed: ") + parsed.description());
  std::string out;
  SapiNodeTranslate(document.first_child(), out);
  return out;
}

Text SapiXmlEscaped(TextView text) {
  Text out;
  for (char16_t c : text) {
    switch (c) {
      case u'&':
        out += u"&amp;";
        break;
      case u'<':
        out += u"&lt;";
        break;
      case u'>':
        out += u"&gt;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

Text SapiPitchWrapped(TextView text, bool xml, int32_t pitch) {
  Text level = AsciiToText(std::to_string(std::clamp(pitch, -10, 10)));
  return u"<pitch absmiddle=\"" + level + u"\">" + (xml ? Text(text) : SapiXmlEscaped(text)) +
         u"</pitch>";
}
