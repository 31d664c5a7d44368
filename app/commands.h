// The program's command-line commands, which need no window.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

using Arguments = std::vector<std::string>;

// kelvora preview [options] [FILE|-]: prints what the chat lines would be spoken as.
int PreviewRun(const Arguments& args, std::istream& in, std::ostream& out, std::ostream& err);
