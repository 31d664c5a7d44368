// The window's program entry: the main window and its message loop.
#include <iostream>
#include <string>

#include "app/commands.h"
#include "app/uMainFrm.h"
#include "platform/platform.h"
#include "speech/runtime/runtime.h"
#include "speech/uSpeechLib.h"

int WindowRun(int argc, char** argv) {
  if (!ui::DisplayAvailable()) {
    std::cerr << "kelvora: no display found. To see the window without one, run it under Xvfb:\n"
                 "  xvfb-run -a kelvora\n"
                 "or use a command that needs no window (kelvora --help lists them).\n";
    return 1;
  }
  ComApartment apartment;
  ui::Application application(argc, argv, kApplicationTitle);
  SpeechPlatformClassesRegister();
  int result = 0;
  {
    TMainFrm mainFrm;
    mainFrm.Tray.Show();
    result = application.Run(mainFrm.MainFrm);
    ui::Application::Dispatch([&] { mainFrm.FormDestroy(); });
  }
  SpeechRelease();
  return result;
}

int RemoteCommandRun(const std::string& action, std::ostream& err) {
  if (ui::RemoteCommandSend(action)) return 0;
  err << "KELVORA Pro is not running.\n";
  return 2;
}
