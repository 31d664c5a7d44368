// The program entry of a build without a window binding: the commands still work.
#include <iostream>

#include "app/commands.h"

int WindowRun(int, char**) {
  std::cout << "This build of KELVORA Pro has no window; kelvora --help lists its commands.\n";
  return 0;
}
