// The window thread's longest stall, measured through the Qt binding's event loop over a whole
// run of the real window (app/testing/window_run_posix.h): START with the starter dictionary,
// chat appended while speech-dispatcher is absent, wedged or takes no connection, and leaving.
// Release build, under Xvfb: scripts/window-stall.
//   window_stall [BOUND_MS]   exits 1 when a stall of its own (less the machine's
//                             pauses) or the leaving exceeds its bound
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/testing/window_run_posix.h"

int main(int argc, char** argv) {
  double bound = argc > 1 ? std::atof(argv[1]) : 50;
  bool good = true;
  for (auto [server, label] : {std::pair{SpeechServer::kNone, "espeak-ng only"},
                               std::pair{SpeechServer::kWedged, "wedged speech-dispatcher"},
                               std::pair{SpeechServer::kFullBacklog, "full listen backlog"}}) {
    WindowRunResult run = WindowRunMeasured(server);
    std::printf(
        "%-26s longest stall %6.1f ms (own %6.1f, machine paused %6.1f)   leaving %6.1f ms\n",
        label, run.longestStall.count(), run.longestOwnStall.count(), run.machinePaused.count(),
        run.leaving.count());
    good = good && run.longestOwnStall.count() <= bound && run.leaving.count() <= 1000;
  }
  std::printf("%s (bounds: stall %.0f ms, leaving 1000 ms)\n", good ? "PASS" : "FAIL", bound);
  return good ? 0 : 1;
}
