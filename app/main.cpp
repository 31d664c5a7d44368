// Program entry: a command given on the command line runs without a window.
#include <iostream>

#include "app/actions.h"
#include "app/commands.h"
#include "platform/platform.h"

namespace {

constexpr char kUsage[] =
    "KELVORA Pro - Second Life chat to speech\n"
    "usage: kelvora [--wav-dir DIR]                the window\n"
    "       kelvora [--wav-dir DIR] COMMAND ...\n"
    "  preview [options] [FILE|-]   print what chat lines would be spoken as (--help: options)\n"
    "  voices                       list the voices: index, engine, name\n"
    "  say [--voice N] [--volume V] [--rate R] TEXT   speak one text and wait for its end\n"
    "  skip | pause | resume | repeat | mute   to the running window: skip what is spoken,\n"
    "                               pause or resume speech, repeat the last chat, mute its "
    "speaker\n"
    "  --wav-dir DIR                espeak-ng voices write one WAV file per text into DIR\n"
    "                               instead of playing it (same as KELVORA_WAV_DIR=DIR)\n";

}  // namespace

int main(int argc, char** argv) {
  Arguments args(argv + 1, argv + argc);
  if (args.size() >= 2 && args[0] == "--wav-dir") {
    EnvironmentSet("KELVORA_WAV_DIR", Utf8ToText(args[1]));
    args.erase(args.begin(), args.begin() + 2);
  }
  std::string command = args.empty() ? "" : args[0];
  Arguments rest(args.empty() ? args.end() : args.begin() + 1, args.end());
  if (command.empty()) return WindowRun(argc, argv);
  CommandConsole console;
  if (command == "preview") return PreviewRun(rest, std::cin, std::cout, std::cerr);
  if (command == "voices") return VoicesRun(std::cout, std::cerr);
  if (command == "say") return SayRun(rest, std::cerr);
  if (IsCommandLineVerb(command)) return RemoteCommandRun(command, std::cerr);
  std::cout << kUsage;
  return command == "--help" || command == "-h" ? 0 : 2;
}
