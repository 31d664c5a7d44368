// The viewer's LLSD settings files: the walk both readers share.
#include "fuzz/fuzz_input.h"
#include "viewer/viewer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  std::string_view bytes = input.Rest();
  Text last;
  SettingValueParse(bytes, u"InstantMessageLogPath", {"string"}, [&](TextView value) {
    last = Text(value);
    return true;
  });
  SettingValueParse(bytes, u"UseDisplayNames", {"integer", "boolean"},
                    [](TextView value) { return value.size() < 8; });
  return 0;
}
