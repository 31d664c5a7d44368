// Sleeps 2 ms at a time and writes each stretch in which it did not run for 10 ms or more to its
// standard output, as two CLOCK_MONOTONIC nanosecond counts, until it is killed.
#include <time.h>
#include <unistd.h>

#include <cstdint>

namespace {

constexpr int64_t kNap = 2'000'000;
constexpr int64_t kPause = 10'000'000;

int64_t MonotonicNanoseconds() {
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

}  // namespace

int main() {
  const timespec nap{0, kNap};
  for (;;) {
    int64_t before = MonotonicNanoseconds();
    ::nanosleep(&nap, nullptr);
    int64_t after = MonotonicNanoseconds();
    if (after - before < kPause) continue;
    int64_t span[2] = {before, after};
    if (::write(STDOUT_FILENO, span, sizeof span) != sizeof span) return 1;
  }
}
