// Perl-compatible regular expressions over Text (PCRE2, 16-bit code units), compiled the one way
// the program uses them: Unicode, any line break as newline, "\C" refused (it would split a
// character), no other options.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

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
  UnitPresence() = default;
  explicit UnitPresence(TextView text);
  // What a required unit may be in a text: the unit, and for a letter the other case and the
  // non-ASCII letters that fold to "k" and "s" (what a caseless unit can match).
  static UnitPresence EitherCaseOf(char16_t asciiUnit);
  // Whether the text holds any of the units.
  bool HasAny(const UnitPresence& units) const {
    return (bits_[0] & units.bits_[0]) != 0 || (bits_[1] & units.bits_[1]) != 0;
  }

 private:
  uint64_t bits_[2] = {0, 0};
};

// One piece of a replacement text: literal text, or a reference to a group by number or name.
struct ReplacementPiece {
  Text literal;    // when group < 0 and name is empty
  int group = -1;  // $N, ${N}, \N
  Text name;       // ${name}
  bool operator==(const ReplacementPiece&) const = default;
};

// The replacement language, read as it is written: $N, ${N} and \N (one or two digits) refer to
// a group by number, ${name} to a named group, $$ and \\ stand for "$" and "\", and every other
// character stands for itself ("L$", "C:\Users" and "\o/" are literal).
std::vector<ReplacementPiece> ReplacementParse(TextView replacement);

class Regex;

// A replacement text checked against one pattern: every group it refers to exists.
class Replacement {
 public:
  Replacement() = default;
  // Throws RegexError for a reference to a group the pattern does not have.
  Replacement(const Regex& regex, TextView text);

 private:
  friend class Regex;
  struct Piece {
    Text literal;
    std::vector<int> groups;  // empty: literal; else the first of these that took part
  };
  std::vector<Piece> pieces_;
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
  // False when the pattern cannot match a text of this presence (true does not mean it does):
  // the first and the last code unit the library says every match holds are looked for (a letter
  // in either case where the pattern may make it stand for both, as "A" in "A*a").
  bool MayMatch(const UnitPresence& presence) const {
    return (!hasFirst_ || presence.HasAny(first_)) && (!hasLast_ || presence.HasAny(last_));
  }
  // Replaces every non-overlapping match, left to right; a group that took no part in a match
  // inserts nothing. Throws RegexError when a match runs into the match limit, or when the
  // result would grow beyond limit code units.
  Text ReplaceAll(TextView subject, const Replacement& replacement,
                  size_t limit = Text::npos) const;
  // The same with a replacement text, checked first (see Replacement).
  Text ReplaceAll(TextView subject, TextView replacement) const;

  const Text& Pattern() const;
  // The number of capturing groups.
  int GroupCount() const;
  // The numbers of the groups of that name (more than one where the pattern allows duplicates).
  std::vector<int> GroupNumbers(TextView name) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  // The ASCII units every match holds, as the library names them (each in either case where it
  // may stand for both); the quick test of a dictionary entry against each chat line, so kept
  // out of Impl.
  UnitPresence first_, last_;
  bool hasFirst_ = false, hasLast_ = false;
};

// The compiled pattern for this text, compiled (and JIT-compiled) at its first use and kept for
// later ones. A pattern that fails to compile is not kept, so it fails again at every use.
std::shared_ptr<const Regex> RegexGet(TextView pattern);
// How many compiled patterns are kept (0: none, every use compiles anew). When the cache is
// full it starts afresh.
void RegexCacheCapacitySet(size_t capacity);
