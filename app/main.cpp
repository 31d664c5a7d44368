// Program entry: a command given on the command line runs without a window.
#include <iostream>

#include "app/commands.h"

namespace {

constexpr char kUsage[] =
    "KELVORA Pro - Second Life chat to speech\n"
    "usage: kelvora preview [options] [FILE|-]   print what chat lines would be spoken as\n"
    "       kelvora preview --help               its options\n";

}  // namespace

int main(int argc, char** argv) {
  Arguments args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "preview") {
    return PreviewRun(Arguments(args.begin() + 1, args.end()), std::cin, std::cout, std::cerr);
  }
  std::cout << kUsage;
  return args.empty() ? 0 : 2;
}
