// Setup.ini as a user or an older program left it: read, and every value set reads back
// unchanged after saving.
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "fuzz/fuzz_input.h"
#include "platform/platform.h"

namespace {

const Text& PathGet() {
  static const Text path = Utf8ToText("/tmp/kelvora-profile-fuzz-" + std::to_string(getpid()) + ".ini");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  Text value = Utf8ToText(input.Piece());
  std::string contents(input.Rest());
  std::ofstream(TextToUtf8(PathGet()), std::ios::binary | std::ios::trunc) << contents;
  int32_t number = 0;
  {
    ProfileFile ini(PathGet());
    ini.StringGet(u"Setup", u"RegEx0", u"x");
    number = ini.IntegerGet(u"Setup", u"Interval", 1);
    ini.StringSet(u"Setup", u"RegEx0", value);
    ini.IntegerSet(u"Voice", u"Volume", number);
    ini.Flush();
  }
  ProfileFile again(PathGet());
  // What the profile functions cannot hold (line ends, NUL, over 2047 characters) is not asked.
  bool representable = value.size() <= 2047 && value.find_first_of(u"\r\n\0", 0, 3) == Text::npos;
  Text repaired = value;
  SurrogatesRepair(repaired);
  if (representable && repaired == value && again.StringGet(u"Setup", u"RegEx0", u"?") != value) {
    std::abort();
  }
  if (again.IntegerGet(u"Voice", u"Volume", number + 1) != number) std::abort();
  return 0;
}
