// Perl-compatible regular expressions over Text (PCRE2, 16-bit code units), compiled the one way
// the program uses them: Unicode, any line break as newline, no other options.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>

#include "platform/unicode.h"

// A pattern the library rejects, or a match that ran into the match limit. The message holds
// the library's own words.
class RegexError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The ASCII code units a text holds: a pattern that needs a unit the text lacks cannot match
// it, and a dictionary can pass over it at once.
class UnitPresence {
 public:
  explicit UnitPresence(TextView text);
  // caseless: the unit in either case (and the non-ASCII letters that fold to "k" and "s").
  bool Has(char16_t asciiUnit, bool caseless) const;

 private:
  uint64_t bits_[2] = {0, 0};
};

class Regex {
 public:
  // Throws RegexError with the library's message; an empty pattern is refused too.
  explicit Regex(TextView pattern);
  ~Regex();
  Regex(const Regex&) = delete;
  Regex& operator=(const Regex&) = delete;

  // Subjects must be well-formed UTF-16, as every Text the program decodes is: the library is
  // told not to check them again at each of a dictionary's many matches.
  bool Matches(TextView subject) const;
  // False when the pattern cannot match a text of this presence (true does not mean it does).
  bool MayMatch(const UnitPresence& presence) const;
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
// Whether compiled patterns are kept at all, so holders of one may keep it too.
bool RegexCacheKeeps();
