// What the window shows the desktop's media controls, and actions sent from outside, on the
// headless binding.
#include "app/mainfrm_test_fixture.h"
#include "ui/headless/remote_control_headless.h"

namespace {

TEST_F(MainFrmTest, MediaControlsShowWhatIsSpokenAndTakeActions) {
  EXPECT_FALSE(ui::RemoteStateGet().monitoring);
  StartWithLinesHeld("MaxQueue=5\n");  // the greeting speaks, the lines wait
  ui::RemoteState state = ui::RemoteStateGet();
  EXPECT_TRUE(state.monitoring && state.speaking && !state.paused);
  EXPECT_EQ(state.title, u"Thank you for using KEL VOR A.");
  EXPECT_EQ(state.speaker, u"");
  ClockTo(1000);
  App().ProcessEventsFor(100);
  state = ui::RemoteStateGet();
  EXPECT_EQ(state.speaker, u"ann example");
  EXPECT_EQ(state.title.rfind(u"Ann : one", 0), 0u) << TextToUtf8(state.title);
  EXPECT_TRUE(ui::RemoteActionSend("pause"));
  App().ProcessEventsFor(100);
  EXPECT_TRUE(ui::RemoteStateGet().paused);
  EXPECT_TRUE(ui::RemoteActionSend("playpause"));
  App().ProcessEventsFor(100);
  EXPECT_FALSE(ui::RemoteStateGet().paused);
  EXPECT_TRUE(ui::RemoteActionSend("unknown"));  // taken, and nothing done
  frm_.reset();
  EXPECT_FALSE(ui::RemoteActionSend("skip"));  // no window
}

}  // namespace
