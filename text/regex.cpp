#include "text/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>
#include <cassert>
#include <string>
#include <unordered_map>

namespace {

// Enough for any honest chat pattern; a catastrophic one fails instead of freezing the window.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr size_t kJitStackSize = 1 << 20;

PCRE2_SPTR Sptr(TextView text) { return reinterpret_cast<PCRE2_SPTR>(text.data()); }

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

std::string ErrorMessage(int code) {
  std::u16string buffer(256, u'\0');
  int length =
      pcre2_get_error_message(code, reinterpret_cast<PCRE2_UCHAR*>(buffer.data()), buffer.size());
  buffer.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return TextToUtf8(buffer);
}

[[noreturn]] void Fail(TextView pattern, const std::string& what) {
  throw RegexError("Regular expression \"" + TextToUtf8(pattern) + "\": " + what);
}

// One match context for the whole program (all matching runs on the window thread).
pcre2_match_context* MatchContext() {
  struct Context {
    pcre2_match_context* context = pcre2_match_context_create(nullptr);
    pcre2_jit_stack* stack = pcre2_jit_stack_create(32 * 1024, kJitStackSize, nullptr);
    Context() {
      pcre2_set_match_limit(context, kMatchLimit);
      pcre2_jit_stack_assign(context, nullptr, stack);
    }
    ~Context() {
      pcre2_jit_stack_free(stack);
      pcre2_match_context_free(context);
    }
  };
  static Context shared;
  return shared.context;
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsNameStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}
bool IsNameChar(char16_t c) { return IsNameStart(c) || IsDigit(c); }

// The digits at text[at...] (at most `most`) as a group number, saturating far beyond any group.
int DigitsRead(TextView text, size_t& at, size_t most) {
  int number = 0;
  for (size_t taken = 0; at < text.size() && IsDigit(text[at]) && taken < most; ++at, ++taken) {
    number = std::min(number * 10 + (text[at] - u'0'), 1'000'000);
  }
  return number;
}

// "${...}" at text[at] (at the "$"): a number or a name in braces; false when it is neither.
bool BracedReferenceRead(TextView text, size_t& at, ReplacementPiece& piece) {
  size_t i = at + 2, begin = i;
  if (at + 1 >= text.size() || text[at + 1] != u'{') return false;
  if (i < text.size() && IsDigit(text[i])) {
    int number = DigitsRead(text, i, TextView::npos);
    if (i >= text.size() || text[i] != u'}') return false;
    piece.group = number;
  } else {
    if (i >= text.size() || !IsNameStart(text[i])) return false;
    while (i < text.size() && IsNameChar(text[i])) ++i;
    if (i >= text.size() || text[i] != u'}') return false;
    piece.name = Text(text.substr(begin, i - begin));
  }
  at = i + 1;
  return true;
}

[[maybe_unused]] bool WellFormed(TextView subject) {
  Text copy(subject);
  SurrogatesRepair(copy);
  return copy == subject;
}

// Looks patterns up by view, without making a string of each.
struct TextHash {
  using is_transparent = void;
  size_t operator()(TextView text) const { return std::hash<TextView>()(text); }
};

struct CacheState {
  std::unordered_map<Text, std::shared_ptr<const Regex>, TextHash, std::equal_to<>> patterns;
  size_t capacity = 4096;
};

CacheState& Cache() {
  static CacheState state;
  return state;
}

// Where a unit is recorded in a presence set: ASCII as itself; KELVIN SIGN and LONG S, which
// caseless patterns match as "k" and "s", in the otherwise unused buckets 1 and 2.
int PresenceBucket(char16_t unit) {
  if (unit == u'\u212A') return 1;
  if (unit == u'\u017F') return 2;
  return unit < 128 ? unit : -1;
}

// An ASCII code unit every match must hold, or -1.
int RequiredUnit(const pcre2_code* code, uint32_t typeWhat, uint32_t unitWhat) {
  uint32_t type = 0, unit = 0;
  if (pcre2_pattern_info(code, typeWhat, &type) != 0 || type != 1) return -1;
  if (pcre2_pattern_info(code, unitWhat, &unit) != 0 || unit >= 128) return -1;
  return static_cast<int>(unit);
}

}  // namespace

UnitPresence::UnitPresence(TextView text) {
  for (char16_t unit : text) {
    int bucket = PresenceBucket(unit);
    if (bucket >= 0) bits_[bucket >> 6] |= uint64_t{1} << (bucket & 63);
  }
}

UnitPresence UnitPresence::EitherCaseOf(char16_t asciiUnit) {
  Text units(1, asciiUnit);
  char16_t lower = asciiUnit | 0x20;
  if (lower >= u'a' && lower <= u'z') {
    units = {lower, static_cast<char16_t>(lower - 32)};
    if (lower == u'k') units += u'\u212A';
    if (lower == u's') units += u'\u017F';
  }
  return UnitPresence(units);
}

// The compile context every pattern shares: any Unicode line break is a newline (for ".", "^",
// "$"), and "\R" matches any of them.
pcre2_compile_context* CompileContext() {
  struct Context {
    pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
    Context() {
      pcre2_set_newline(context, PCRE2_NEWLINE_ANY);
      pcre2_set_bsr(context, PCRE2_BSR_UNICODE);
    }
    ~Context() { pcre2_compile_context_free(context); }
  };
  static Context shared;
  return shared.context;
}

struct Regex::Impl {
  Text pattern;
  pcre2_code* code = nullptr;
  pcre2_match_data* match = nullptr;
  bool jit = false;
  ~Impl() {
    pcre2_match_data_free(match);
    pcre2_code_free(code);
  }
};

Regex::Regex(TextView pattern) : impl_(std::make_unique<Impl>()) {
  impl_->pattern = Text(pattern);
  if (pattern.empty()) Fail(pattern, "the pattern is empty");
  int error = 0;
  PCRE2_SIZE offset = 0;
  impl_->code = pcre2_compile(Sptr(pattern), pattern.size(), PCRE2_UTF | PCRE2_NEVER_BACKSLASH_C,
                              &error, &offset, CompileContext());
  if (!impl_->code) {
    Fail(pattern, ErrorMessage(error) + " at offset " + std::to_string(offset));
  }
  // Without JIT support the interpreter serves as well, only slower.
  impl_->jit = pcre2_jit_compile(impl_->code, PCRE2_JIT_COMPLETE) == 0;
  int first = RequiredUnit(impl_->code, PCRE2_INFO_FIRSTCODETYPE, PCRE2_INFO_FIRSTCODEUNIT);
  int last = RequiredUnit(impl_->code, PCRE2_INFO_LASTCODETYPE, PCRE2_INFO_LASTCODEUNIT);
  // The library reports a required unit without saying whether it stands for both cases of a
  // letter. It does so where caseless matching is on ("(?i)"), and where the paths to it offer
  // the letter in both cases: a class ("[Bb]"), alternatives ("B|b"), an optional or repeated
  // item before it ("A*a", "A?a", "A{0,2}a"). A pattern with none of those characters has units
  // of one case, which rule out far more texts (most dictionary entries are of that kind).
  bool caseless = pattern.find_first_of(u"[|*?{") != TextView::npos;
  auto units = [caseless](int unit) {
    auto u = static_cast<char16_t>(unit);
    return caseless ? UnitPresence::EitherCaseOf(u) : UnitPresence(TextView(&u, 1));
  };
  hasFirst_ = first >= 0;
  hasLast_ = last >= 0;
  if (hasFirst_) first_ = units(first);
  if (hasLast_) last_ = units(last);
  impl_->match = pcre2_match_data_create_from_pattern(impl_->code, nullptr);
}

Regex::~Regex() = default;

bool Regex::Matches(TextView subject) const {
  assert(WellFormed(subject));
  auto match = impl_->jit ? pcre2_jit_match : pcre2_match;
  int rc = match(impl_->code, Sptr(subject), subject.size(), 0, PCRE2_NO_UTF_CHECK, impl_->match,
                 MatchContext());
  if (rc == PCRE2_ERROR_NOMATCH) return false;
  if (rc < 0) Fail(impl_->pattern, ErrorMessage(rc));
  return true;
}

Text Regex::ReplaceAll(TextView subject, TextView replacement) const {
  return ReplaceAll(subject, Replacement(*this, replacement));
}

Text Regex::ReplaceAll(TextView subject, const Replacement& replacement, size_t limit) const {
  assert(WellFormed(subject));
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(impl_->match);
  const uint32_t pairs = pcre2_get_ovector_count(impl_->match);
  auto group = [&](int number, TextView& value) {
    if (static_cast<uint32_t>(number) >= pairs || ovector[2 * number] == PCRE2_UNSET) return false;
    value = subject.substr(ovector[2 * number], ovector[2 * number + 1] - ovector[2 * number]);
    return true;
  };
  Text out;
  size_t start = 0, copied = 0;
  uint32_t options = 0;
  for (;;) {
    // The JIT's own entry, the fast one, ignores PCRE2_ANCHORED, which only the retry after an
    // empty match needs: that one goes through the interpreter.
    auto match = impl_->jit && options == 0 ? pcre2_jit_match : pcre2_match;
    int rc = match(impl_->code, Sptr(subject), subject.size(), start, options | PCRE2_NO_UTF_CHECK,
                   impl_->match, MatchContext());
    if (rc == PCRE2_ERROR_NOMATCH) {
      // After an empty match, one that is not empty was looked for at the same place: none, so
      // the search moves on by one character (a CR LF counts as one).
      if (options == 0 || start >= subject.size()) break;
      size_t step = 1;
      if (IsHighSurrogate(subject[start]) && start + 1 < subject.size()) step = 2;
      if (subject[start] == u'\r' && start + 1 < subject.size() && subject[start + 1] == u'\n')
        step = 2;
      start += step;
      options = 0;
      continue;
    }
    if (rc < 0) Fail(impl_->pattern, ErrorMessage(rc));
    size_t begin = std::max<size_t>(ovector[0], copied), end = std::max<size_t>(ovector[1], begin);
    out.append(subject.substr(copied, begin - copied));
    for (const Replacement::Piece& piece : replacement.pieces_) {
      if (piece.groups.empty()) {
        out += piece.literal;
        continue;
      }
      TextView value;
      for (int number : piece.groups) {
        if (group(number, value)) break;
      }
      out += value;
    }
    if (out.size() > limit) {
      Fail(impl_->pattern,
           "the replacement grows the text beyond " + std::to_string(limit) + " characters");
    }
    copied = end;
    start = std::max(end, start);
    options = begin == end ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
  }
  out.append(subject.substr(copied));
  return out;
}

const Text& Regex::Pattern() const { return impl_->pattern; }

int Regex::GroupCount() const {
  uint32_t count = 0;
  pcre2_pattern_info(impl_->code, PCRE2_INFO_CAPTURECOUNT, &count);
  return static_cast<int>(count);
}

std::vector<int> Regex::GroupNumbers(TextView name) const {
  uint32_t count = 0, entrySize = 0;
  PCRE2_SPTR table = nullptr;
  pcre2_pattern_info(impl_->code, PCRE2_INFO_NAMECOUNT, &count);
  pcre2_pattern_info(impl_->code, PCRE2_INFO_NAMEENTRYSIZE, &entrySize);
  pcre2_pattern_info(impl_->code, PCRE2_INFO_NAMETABLE, &table);
  std::vector<int> numbers;
  // Each entry: the group number in one unit, then the name, ended by a zero unit.
  for (uint32_t i = 0; i < count; ++i) {
    const char16_t* entry = reinterpret_cast<const char16_t*>(table) + i * entrySize;
    if (TextView(entry + 1) == name) numbers.push_back(entry[0]);
  }
  return numbers;
}

std::vector<ReplacementPiece> ReplacementParse(TextView text) {
  std::vector<ReplacementPiece> pieces;
  auto literal = [&](TextView chars) {
    if (pieces.empty() || pieces.back().group >= 0 || !pieces.back().name.empty()) {
      pieces.emplace_back();
    }
    pieces.back().literal += chars;
  };
  size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    char16_t next = i + 1 < text.size() ? text[i + 1] : u'\0';
    ReplacementPiece reference;
    if ((c == u'$' && next == u'$') || (c == u'\\' && next == u'\\')) {
      literal(text.substr(i, 1));
      i += 2;
    } else if (c == u'$' && IsDigit(next)) {
      ++i;
      reference.group = DigitsRead(text, i, TextView::npos);
      pieces.push_back(reference);
    } else if (c == u'\\' && IsDigit(next)) {
      ++i;
      reference.group = DigitsRead(text, i, 2);
      pieces.push_back(reference);
    } else if (c == u'$' && BracedReferenceRead(text, i, reference)) {
      pieces.push_back(reference);
    } else {
      literal(text.substr(i, 1));
      ++i;
    }
  }
  return pieces;
}

Replacement::Replacement(const Regex& regex, TextView text) {
  for (ReplacementPiece& piece : ReplacementParse(text)) {
    Piece compiled;
    if (!piece.name.empty()) {
      compiled.groups = regex.GroupNumbers(piece.name);
      if (compiled.groups.empty()) {
        Fail(regex.Pattern(), "the replacement \"" + TextToUtf8(text) + "\" names group \"" +
                                  TextToUtf8(piece.name) + "\", which the pattern does not have");
      }
    } else if (piece.group >= 0) {
      if (piece.group > regex.GroupCount()) {
        Fail(regex.Pattern(), "the replacement \"" + TextToUtf8(text) + "\" refers to group " +
                                  std::to_string(piece.group) +
                                  ", which the pattern does not have");
      }
      compiled.groups = {piece.group};
    } else {
      compiled.literal = std::move(piece.literal);
    }
    pieces_.push_back(std::move(compiled));
  }
}

std::shared_ptr<const Regex> RegexGet(TextView pattern) {
  CacheState& cache = Cache();
  auto found = cache.patterns.find(pattern);
  if (found != cache.patterns.end()) return found->second;
  auto compiled = std::make_shared<const Regex>(pattern);
  if (cache.capacity == 0) return compiled;
  if (cache.patterns.size() >= cache.capacity) cache.patterns.clear();
  cache.patterns.emplace(Text(pattern), compiled);
  return compiled;
}

void RegexCacheCapacitySet(size_t capacity) {
  Cache().capacity = capacity;
  Cache().patterns.clear();
}
