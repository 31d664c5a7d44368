#include "text/regex.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <cassert>
#include <string>
#include <unordered_map>

namespace {

// Enough for any honest chat pattern; a catastrophic one fails instead of freezing the window.
constexpr uint32_t kMatchLimit = 5'000'000;
constexpr size_t kJitStackSize = 1 << 20;

PCRE2_SPTR Sptr(TextView text) { return reinterpret_cast<PCRE2_SPTR>(text.data()); }

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

// Rewrites \N group references (which PCRE2's extended replacement reads as escapes) to ${N}.
Text ReplacementNormalize(TextView replacement) {
  Text out;
  out.reserve(replacement.size());
  for (size_t i = 0; i < replacement.size(); ++i) {
    char16_t c = replacement[i];
    if (c == u'\\' && i + 1 < replacement.size() && replacement[i + 1] >= u'0' &&
        replacement[i + 1] <= u'9') {
      size_t end = i + 1;
      while (end < replacement.size() && end < i + 3 && replacement[end] >= u'0' &&
             replacement[end] <= u'9') {
        ++end;
      }
      out += u"${";
      out += replacement.substr(i + 1, end - i - 1);
      out += u"}";
      i = end - 1;
    } else if (c == u'\\' && i + 1 < replacement.size()) {
      out += replacement.substr(i, 2);
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
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

bool UnitPresence::Has(char16_t asciiUnit, bool caseless) const {
  auto bit = [this](int bucket) { return (bits_[bucket >> 6] >> (bucket & 63) & 1) != 0; };
  if (bit(asciiUnit)) return true;
  if (!caseless) return false;
  char16_t lower = asciiUnit | 0x20;
  if (lower < u'a' || lower > u'z') return false;
  return bit(lower) || bit(lower - 32) || (lower == u'k' && bit(1)) || (lower == u's' && bit(2));
}

struct Regex::Impl {
  Text pattern;
  pcre2_code* code = nullptr;
  pcre2_match_data* match = nullptr;
  bool jit = false;
  int firstUnit = -1, lastUnit = -1;
  // Letter case can only be switched off inside the pattern, by an option group "(?i)"; any
  // group syntax counts, to be safe.
  bool mayBeCaseless = false;
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
  impl_->code =
      pcre2_compile(Sptr(pattern), pattern.size(),
                    PCRE2_UTF | PCRE2_NEWLINE_ANY | PCRE2_BSR_UNICODE, &error, &offset, nullptr);
  if (!impl_->code) {
    Fail(pattern, ErrorMessage(error) + " at offset " + std::to_string(offset));
  }
  // Without JIT support the interpreter serves as well, only slower.
  impl_->jit = pcre2_jit_compile(impl_->code, PCRE2_JIT_COMPLETE) == 0;
  impl_->firstUnit = RequiredUnit(impl_->code, PCRE2_INFO_FIRSTCODETYPE, PCRE2_INFO_FIRSTCODEUNIT);
  impl_->lastUnit = RequiredUnit(impl_->code, PCRE2_INFO_LASTCODETYPE, PCRE2_INFO_LASTCODEUNIT);
  impl_->mayBeCaseless =
      pattern.find(u"(?") != TextView::npos || pattern.find(u"(*") != TextView::npos;
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

bool Regex::MayMatch(const UnitPresence& presence) const {
  auto has = [&](int unit) {
    return unit < 0 || presence.Has(static_cast<char16_t>(unit), impl_->mayBeCaseless);
  };
  return has(impl_->firstUnit) && has(impl_->lastUnit);
}

Text Regex::ReplaceAll(TextView subject, TextView replacement) const {
  assert(WellFormed(subject));
  Text normalized = ReplacementNormalize(replacement);
  const uint32_t options =
      PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_EXTENDED | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH;
  Text out(subject.size() + normalized.size() + 64, u'\0');
  for (;;) {
    PCRE2_SIZE length = out.size();
    int rc = pcre2_substitute(impl_->code, Sptr(subject), subject.size(), 0,
                              options | PCRE2_NO_UTF_CHECK, impl_->match, MatchContext(),
                              Sptr(normalized), normalized.size(),
                              reinterpret_cast<PCRE2_UCHAR*>(out.data()), &length);
    if (rc == PCRE2_ERROR_NOMEMORY) {
      out.resize(length);
      continue;
    }
    if (rc < 0) Fail(impl_->pattern, ErrorMessage(rc));
    out.resize(length);
    return out;
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

bool RegexCacheKeeps() { return Cache().capacity > 0; }
