// kelvora voices and kelvora say: the voice engine without a window.
#include <iostream>
#include <stdexcept>
#include <string>

#include "app/commands.h"
#include "app/engine_session.h"
#include "platform/platform.h"
#include "speech/runtime/runtime.h"
#include "speech/uSpeechLib.h"

namespace {

constexpr char kSayUsage[] =
    "usage: kelvora say [--voice N] [--volume 0..100] [--rate -10..10] TEXT\n";

const char* EngineName(int32_t version) {
  return version == kSpeechPlatformVersion ? "SpeechPlatform"
         : version == kOneCoreVersion      ? "OneCore"
                                           : "SAPI5";
}

int32_t NumberParse(const std::string& option, const std::string& value) {
  int32_t number = 0;
  if (!TextToInteger(Utf8ToText(value), number)) {
    throw std::invalid_argument("bad number \"" + value + "\" for " + option);
  }
  return number;
}

}  // namespace

int VoicesRun(std::ostream& out, std::ostream& err) {
  try {
    EngineSession session;
    if (!session.Opened()) {
      err << "kelvora voices: no voice found\n";
      return 1;
    }
    for (size_t i = 0; i < Voices().size(); ++i) {
      out << i << '\t' << EngineName(Voices()[i].Version) << '\t' << TextToUtf8(Voices()[i].name)
          << '\n';
    }
    return 0;
  } catch (const std::exception& e) {
    err << "kelvora voices: " << e.what() << '\n';
    return 1;
  }
}

int SayRun(const Arguments& args, std::ostream& err) {
  try {
    int32_t voice = 0, volume = 100, rate = 0;
    std::string text;
    for (size_t i = 0; i < args.size(); ++i) {
      const std::string& arg = args[i];
      bool option = arg == "--voice" || arg == "--volume" || arg == "--rate";
      if (!option) {
        if (!text.empty()) text += ' ';
        text += arg;
        continue;
      }
      if (i + 1 >= args.size()) throw std::invalid_argument("missing value for " + arg);
      int32_t value = NumberParse(arg, args[++i]);
      (arg == "--voice" ? voice : arg == "--volume" ? volume : rate) = value;
    }
    if (text.empty()) throw std::invalid_argument("no text to say");
    EngineSession session;
    // The wait ends when the text's end comes or is overdue.
    if (!SpeechSay(Utf8ToText(text), voice, volume, rate) || !SpeechWait(-1) ||
        !session.Trouble().empty()) {
      std::string reason = session.Opened() ? session.Trouble() : "no voice found";
      err << "kelvora say: the text could not be spoken: " << reason << '\n';
      return 1;
    }
    return 0;
  } catch (const std::invalid_argument& e) {
    err << "kelvora say: " << e.what() << '\n' << kSayUsage;
    return 2;
  } catch (const std::exception& e) {
    err << "kelvora say: " << e.what() << '\n';
    return 1;
  }
}
