// The Qt binding's loop: only the main form's close ends it, not a box closed while it is hidden.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include "ui/ui.h"

ui::Application& App();

namespace {

TEST(QtApplication, ABoxClosedWhileTheFormIsHiddenDoesNotEndTheProgram) {
  ui::Application& app = App();
  ui::Form main(u"Main", 200, 100, {});
  ui::Timer steps(main);
  int step = 0;
  bool runningAfterTheBox = false;
  steps.SetInterval(50);
  steps.OnTimer([&] {
    switch (++step) {
      case 1:
        main.Hide();  // in the tray
        break;
      case 2:
        // Closed from inside the box's own loop (a timer is not fired again while its handler
        // runs, so another one closes it).
        QTimer::singleShot(100, [] {
          if (QWidget* box = QApplication::activeModalWidget()) box->close();
        });
        ui::MessageShow(u"Closed while the window is hidden.", ui::MessageKind::kWarning);
        break;
      case 6:
        runningAfterTheBox = true;
        main.Close();  // this one ends the loop
        break;
    }
  });
  steps.SetEnabled(true);
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::quit(); });
  guard.start(10000);
  app.Run(main);
  EXPECT_TRUE(runningAfterTheBox);
  EXPECT_TRUE(guard.isActive()) << "the loop did not end when the form closed";
}

}  // namespace
