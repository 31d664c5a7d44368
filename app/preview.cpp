// kelvora preview: the monitor's text extraction on a file or standard input, printed instead of
// spoken, so users can tune their dictionary and speaker lists without a viewer.
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>

#include "app/commands.h"
#include "text/uText.h"

namespace {

constexpr char kUsage[] =
    "usage: kelvora preview [options] [FILE|-]\n"
    "  --mode stamp|sl|regex       text mode (default sl: Second Life chat)\n"
    "  --mask PATTERN              the pattern --mode regex deletes from each line\n"
    "  --translate all|translated|original\n"
    "  --name display|user         which name is spoken (default display)\n"
    "  --display-names on|off      the viewer writes display names (default on)\n"
    "  --folder DIR                folder of Dictionary.txt, WhiteList.txt, BlackList.txt\n"
    "                              (default: the program's folder)\n";

struct PreviewOptions {
  int textMode = 1;
  Text mask = kStampMask;
  TChatOptions chat;
  Text folder = ProgramFolderGet();
  std::string input = "-";
};

int Choice(const std::string& option, const std::string& value,
           const std::map<std::string, int>& choices) {
  auto found = choices.find(value);
  if (found == choices.end()) {
    throw std::invalid_argument("bad value \"" + value + "\" for " + option);
  }
  return found->second;
}

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
      options.textMode = Choice(arg, value, {{"stamp", 0}, {"sl", 1}, {"regex", 2}});
    } else if (arg == "--mask") {
      options.mask = Utf8ToText(value);
    } else if (arg == "--translate") {
      options.chat.TranslateMode =
          Choice(arg, value, {{"all", 0}, {"translated", 1}, {"original", 2}});
    } else if (arg == "--name") {
      options.chat.NameMode = Choice(arg, value, {{"display", 0}, {"user", 1}});
    } else if (arg == "--display-names") {
      options.chat.UseDisplayNames = Choice(arg, value, {{"on", 1}, {"off", 0}}) != 0;
    } else if (arg == "--folder") {
      options.folder = Utf8ToText(value);
    } else {
      throw std::invalid_argument("unknown option " + arg);
    }
  }
  return options;
}

std::string InputRead(const std::string& name, std::istream& in) {
  if (name == "-") return std::string(std::istreambuf_iterator<char>(in), {});
  std::ifstream file(name, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + name);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

Text TextForMode(const PreviewOptions& options, const LineList& lines) {
  if (lines.empty()) return Text();
  switch (options.textMode) {
    case 0:
      return StampTextGet(lines);
    case 2:
      return RegExTextGet(lines, options.mask);
    default:
      return SLChatTextGet(lines, options.chat);
  }
}

}  // namespace

int PreviewRun(const Arguments& args, std::istream& in, std::ostream& out, std::ostream& err) {
  try {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
      out << kUsage;
      return 0;
    }
    PreviewOptions options = OptionsParse(args);
    DictionaryLoad(options.folder);
    BWListLoad(options.folder);
    std::string bytes = InputRead(options.input, in);
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0) bytes.erase(0, 3);
    Text spoken = TextForMode(options, LinesSplit(Utf8ToText(bytes)));
    for (const Text& line : LinesSplit(spoken)) out << TextToUtf8(line) << '\n';
    return 0;
  } catch (const std::invalid_argument& e) {
    err << "kelvora preview: " << e.what() << "\n" << kUsage;
    return 2;
  } catch (const std::exception& e) {
    err << "kelvora preview: " << e.what() << "\n";
    return 1;
  }
}
