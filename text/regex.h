// Perl-compatible regular expressions over Text (PCRE2, 16-bit code units), compiled the one way
// the program uses them: Unicode, any line break as newline, no other options.
#pragma once

#include <memory>
#include <stdexcept>

#include "platform/unicode.h"

// A pattern the library rejects, or a match that ran into the match limit. The message holds
// the library's own words.
class RegexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Regex {
 public:
  // Throws RegexError with the library's message; an empty pattern is refused too.
  explicit Regex(TextView pattern);
  ~Regex();
  Regex(const Regex&) = delete;
  Regex& operator=(const Regex&) = delete;

  bool Matches(TextView subject) const;
  // Replaces every non-overlapping match, left to right. The replacement may name groups Perl's
  // way: $1, ${12}, ${name}, \1; $$ and \\ stand for the character itself.
  Text ReplaceAll(TextView subject, TextView replacement) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The compiled pattern for this text, compiled (and JIT-compiled) at its first use and kept for
// later ones. A pattern that fails to compile is not kept, so it fails again at every use.
std::shared_ptr<const Regex> RegexGet(TextView pattern);
// How many compiled patterns are kept (0: none, every use compiles anew). When the cache is
// full it starts afresh.
void RegexCacheCapacitySet(size_t capacity);
