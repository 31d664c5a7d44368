// One row of text/'s table tests: what kind of text it is, as written, and as the step gives it.
#pragma once

struct TextCase {
  const char* kind;
  const char16_t* written;
  const char16_t* expected;
};
