// kelvora preview: the monitor's text extraction on a file or standard input, printed instead of
// spoken, so users can tune their dictionary and speaker lists without a viewer.
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>

#include "app/commands.h"
#include "app/engine_session.h"
#include "app/settings.h"
#include "app/speech_lines.h"
#include "platform/platform.h"
#include "speech/uSpeechLib.h"
#include "text/mentions.h"
#include "text/uText.h"

namespace {

constexpr char kUsage[] =
    "usage: kelvora preview [options] [FILE|-]\n"
    "  --mode stamp|sl|regex       text mode (default sl: Second Life chat)\n"
    "  --mask PATTERN              the pattern --mode regex deletes from each line\n"
    "  --translate all|translated|original\n"
    "  --name display|user         which name is spoken (default display)\n"
    "  --display-names on|off      the viewer writes display names (default on)\n"
    "  --stamps on|off             the viewer stamps its lines (default on; off: every line\n"
    "                              that does not begin with a blank begins an entry)\n"
    "  --max-length N              cut longer messages (default 300; 0: never)\n"
    "  --name-repeat N             a speaker's entries after the first go without the name\n"
    "                              (the input counts as written at once; default 0: never)\n"
    "  --plain-letters 0|1         decorative letters as plain ones (default 1)\n"
    "  --emoji 0|1                 emoji left out, or said by name (default 1)\n"
    "  --links 0|1                 links as written, or short (default 1)\n"
    "  --objects 0|1               objects' chat left out, or spoken (default 1)\n"
    "  --source im|group NAME      the input is the transcript of an instant message or of the\n"
    "                              group chat NAME (default: nearby chat)\n"
    "  --speak-ims 0|1             instant messages spoken (default 1)\n"
    "  --speak-groups 0|1          group chats spoken (default 0; 1 with --source group)\n"
    "  --my-names LIST             your names, comma-separated (default: none)\n"
    "  --mentions 0|1|2            a line that mentions you as any, first, or alone (default 1)\n"
    "  --auto-voices on|off        each speaker a voice and pitch of their own, picked among\n"
    "                              the voices like the first's (default off); opens the engines\n"
    "  --folder DIR                folder of Dictionary.txt, WhiteList.txt, BlackList.txt and\n"
    "                              Voices.txt (default: where the window reads them)\n"
    "An entry spoken in a voice of its own (Voices.txt, or --auto-voices) is printed after that\n"
    "voice's name in brackets, with its pitch when it has one. Lines of the side files that can "
    "never match are named on standard error.\n";

struct PreviewOptions {
  TTextMode textMode = TTextMode::kSecondLifeChat;
  Text mask = kStampMask;
  TChatOptions chat{0, 0, true, true, 300};
  std::vector<Text> folders = SideFileFolders();
  std::string input = "-";
  int32_t nameRepeat = 0;
  bool autoVoices = false;
};

int32_t CountParse(const std::string& option, const std::string& value) {
  int32_t count = 0;
  if (!TextToInteger(Utf8ToText(value), count) || count < 0) {
    throw std::invalid_argument("bad value \"" + value + "\" for " + option);
  }
  return count;
}

template <typename Value>
Value Choice(const std::string& option, const std::string& value,
             const std::map<std::string, Value>& choices) {
  auto found = choices.find(value);
  if (found == choices.end()) {
    throw std::invalid_argument("bad value \"" + value + "\" for " + option);
  }
  return found->second;
}

// The values of the [Options] keys that are switches.
const std::map<std::string, bool> kOffOn = {{"0", false}, {"1", true}};

PreviewOptions OptionsParse(const Arguments& args) {
  PreviewOptions options;
  bool inputSeen = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.rfind("--", 0) != 0 || arg == "-") {
      if (inputSeen) throw std::invalid_argument("more than one input file");
      options.input = arg;
      inputSeen = true;
      continue;
    }
    if (i + 1 >= args.size()) throw std::invalid_argument("missing value for " + arg);
    const std::string& value = args[++i];
    if (arg == "--mode") {
      options.textMode = Choice<TTextMode>(arg, value,
                                           {{"stamp", TTextMode::kStamp},
                                            {"sl", TTextMode::kSecondLifeChat},
                                            {"regex", TTextMode::kCustom}});
    } else if (arg == "--mask") {
      options.mask = Utf8ToText(value);
    } else if (arg == "--translate") {
      options.chat.TranslateMode =
          Choice<int32_t>(arg, value, {{"all", 0}, {"translated", 1}, {"original", 2}});
    } else if (arg == "--name") {
      options.chat.NameMode = Choice<int32_t>(arg, value, {{"display", 0}, {"user", 1}});
    } else if (arg == "--display-names") {
      options.chat.UseDisplayNames = Choice<bool>(arg, value, {{"on", true}, {"off", false}});
    } else if (arg == "--stamps") {
      options.chat.ViewerStamps = Choice<bool>(arg, value, {{"on", true}, {"off", false}});
    } else if (arg == "--max-length") {
      options.chat.MaxLength = CountParse(arg, value);
    } else if (arg == "--name-repeat") {
      options.nameRepeat = CountParse(arg, value);
    } else if (arg == "--plain-letters") {
      options.chat.PlainLetters = Choice<bool>(arg, value, kOffOn);
    } else if (arg == "--emoji") {
      options.chat.Emoji =
          Choice<TEmojiMode>(arg, value, {{"0", TEmojiMode::kDropped}, {"1", TEmojiMode::kNamed}});
    } else if (arg == "--links") {
      options.chat.Links = Choice<bool>(arg, value, kOffOn);
    } else if (arg == "--objects") {
      options.chat.Objects = Choice<bool>(arg, value, kOffOn);
    } else if (arg == "--source") {
      options.chat.Source = Choice<TConversationKind>(
          arg, value, {{"im", TConversationKind::kIm}, {"group", TConversationKind::kGroup}});
      if (options.chat.Source == TConversationKind::kGroup) {
        if (++i >= args.size()) throw std::invalid_argument("missing group name for --source");
        options.chat.SourceName = Utf8ToText(args[i]);
        options.chat.SpeakGroups = true;
      }
    } else if (arg == "--speak-ims") {
      options.chat.SpeakIMs = Choice<bool>(arg, value, kOffOn);
    } else if (arg == "--speak-groups") {
      options.chat.SpeakGroups = Choice<bool>(arg, value, kOffOn);
    } else if (arg == "--my-names") {
      options.chat.MyNames = MyNamesParse(Utf8ToText(value));
    } else if (arg == "--mentions") {
      options.chat.Mentions = Choice<TMentionsMode>(arg, value,
                                                    {{"0", TMentionsMode::kAsAny},
                                                     {"1", TMentionsMode::kFirst},
                                                     {"2", TMentionsMode::kOnly}});
    } else if (arg == "--auto-voices") {
      options.autoVoices = Choice<bool>(arg, value, {{"on", true}, {"off", false}});
    } else if (arg == "--folder") {
      options.folders = {Utf8ToText(value)};
    } else {
      throw std::invalid_argument("unknown option " + arg);
    }
  }
  return options;
}

// The voice an entry is spoken in other than the first voice, "[name] " or "[name, pitch +2] ":
// without the engines, a Voices.txt voice as the file names it.
std::string VoiceShown(const TSpeechPiece& piece, bool autoVoices) {
  if (Voices().empty()) return piece.voice.empty() ? "" : "[" + TextToUtf8(piece.voice) + "] ";
  TVoiceChoice choice = PieceVoice(piece, 0, autoVoices, 0);  // the input read at once
  if (choice == TVoiceChoice{0, 0}) return "";
  std::string pitch = choice.pitch == 0  ? ""
                      : choice.pitch > 0 ? ", pitch +" + std::to_string(choice.pitch)
                                         : ", pitch " + std::to_string(choice.pitch);
  return "[" + TextToUtf8(Voices()[static_cast<size_t>(choice.voiceIndex)].name) + pitch + "] ";
}

std::string InputRead(const std::string& name, std::istream& in) {
  if (name == "-") return std::string(std::istreambuf_iterator<char>(in), {});
  std::ifstream file(name, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + name);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

int PreviewRun(const Arguments& args, std::istream& in, std::ostream& out, std::ostream& err) {
  try {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
      out << kUsage;
      return 0;
    }
    PreviewOptions options = OptionsParse(args);
    SideFilesLoad(ChatFilter, options.folders);
    for (const LineList* notes :
         {&ChatFilter.UserListNotes, &ChatFilter.VoiceListNotes, &ChatFilter.GroupListNotes}) {
      for (const Text& note : *notes) err << "kelvora preview: " << TextToUtf8(note) << "\n";
    }
    LineList lines = LinesSplit(Utf8ToText(Utf8MarkSkip(InputRead(options.input, in))));
    std::vector<TSpeechPiece> pieces =
        ModeSpeechGet({options.textMode, ChatFilter, options.chat, options.mask}, lines);
    std::optional<EngineSession> engines;
    if (options.autoVoices) engines.emplace();
    // NameRepeat as the engine decides it when the lines are spoken, all read at once.
    TLastHeard last;
    for (const TSpeechPiece& piece : pieces) {
      std::string voice = VoiceShown(piece, options.autoVoices);
      for (const Text& line : LinesSaid(PieceLines(piece), last, 0, options.nameRepeat)) {
        out << voice << TextToUtf8(line) << '\n';
      }
    }
    return 0;
  } catch (const std::invalid_argument& e) {
    err << "kelvora preview: " << e.what() << "\n" << kUsage;
    return 2;
  } catch (const std::exception& e) {
    err << "kelvora preview: " << e.what() << "\n";
    return 1;
  }
}
