// The program's command-line commands, which need no window.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

// kelvora preview [options] [FILE|-]: prints what the chat lines would be spoken as.
int PreviewRun(const Arguments& args, std::istream& in, std::ostream& out, std::ostream& err);
// kelvora voices: the merged voice list, one "index, engine, name" line each.
int VoicesRun(std::ostream& out, std::ostream& err);
// kelvora say [--voice N --volume V --rate R] TEXT: speaks and waits for the end.
int SayRun(const Arguments& args, std::ostream& err);
// The window and its message loop.
int WindowRun(int argc, char** argv);
// kelvora skip|pause|resume|repeat|mute: hands the action to the running window; 0 when it took
// it, 2 with "KELVORA Pro is not running." when there is none.
int RemoteCommandRun(const std::string& action, std::ostream& err);
