// What only the Win32 binding has: the system's open-file dialog with the encoding choice,
// answered by a second thread the way a person would, through the dialog's own controls.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "ui/ui.h"
#include "ui/win32/node_win32.h"
#include "ui/win32/testing/testing_win32.h"

namespace {

constexpr int kFileNameField = 1152;  // the dialog's "File name:" edit field

Text ComboItem(HWND box, int index) {
  wchar_t text[64] = {};
  SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return FromW(text);
}

// The combo box our binding added: the one that lists "UTF8".
bool IsEncodingBox(HWND hwnd) {
  return WindowClass(hwnd) == u"ComboBox" && SendMessageW(hwnd, CB_GETCOUNT, 0, 0) > 0 &&
         ComboItem(hwnd, 0) == u"UTF8";
}

struct Answer {
  const char* name;
  int preselected;
  std::optional<int> choose;  // the encoding the user picks; none: the user cancels
};

// What the user saw and did in the dialog.
struct Seen {
  std::vector<Text> encodings;
  int preselected = -1;
};

void UserAnswers(const Answer& answer, Seen& seen) {
  HWND dialog = nullptr;
  for (int waited = 0; waited < 15000 && !dialog; waited += 50) {
    Sleep(50);
    dialog = FindWindowW(L"#32770", L"KELVORA Pro");
  }
  if (!dialog) return;
  HWND box = nullptr;
  for (int waited = 0; waited < 5000 && !box; waited += 50) {
    box = ChildWhere(dialog, IsEncodingBox);
    if (!box) Sleep(50);
  }
  if (box) {
    for (int i = 0; i < SendMessageW(box, CB_GETCOUNT, 0, 0); ++i) {
      seen.encodings.push_back(ComboItem(box, i));
    }
    seen.preselected = static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
  }
  if (!answer.choose) {
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    return;
  }
  if (box) {
    SendMessageW(box, CB_SETCURSEL, static_cast<WPARAM>(*answer.choose), 0);
    SendMessageW(GetParent(box), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(box));
  }
  SetDlgItemTextW(dialog, kFileNameField, L"chat.txt");
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
}

ui::Application& App() {
  static int argc = 1;
  static char name[] = "ui_win32_test";
  static char* argv[] = {name, nullptr};
  static ui::Application app(argc, argv, u"KELVORA Pro");
  return app;
}

// Windows reports a radio button that merely gets the focus (Tab) as clicked: that must change
// no choice; a click still does.
TEST(RadioButtons, FocusAloneChangesNoChoice) {
  ui::Application& app = App();
  ui::Form form(u"radios", 200, 100, {});
  ui::RadioButton first(form, {10, 10, 0, 0}, u"first"), second(form, {10, 40, 0, 0}, u"second");
  int clicks = 0;
  second.OnClick([&] { ++clicks; });
  first.SetChecked(true);
  form.Show();
  app.ProcessEventsFor(100);
  HWND secondWindow = second.node()->hwnd;
  ASSERT_TRUE(secondWindow);
  SetFocus(secondWindow);  // as Tab moves it
  app.ProcessEventsFor(100);
  // Wine reports it as clicked too, as Windows does; BM_SETDONTCLICK aside, the binding counts
  // only a click the button saw.
  SendMessageW(GetParent(secondWindow), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
               reinterpret_cast<LPARAM>(secondWindow));
  app.ProcessEventsFor(50);
  EXPECT_TRUE(first.Checked());
  EXPECT_FALSE(second.Checked());
  EXPECT_EQ(clicks, 0);
  second.Click();
  app.ProcessEventsFor(50);
  EXPECT_TRUE(second.Checked());
  EXPECT_FALSE(first.Checked());
  EXPECT_EQ(clicks, 1);
  form.Close();
}

TEST(OpenFileDialog, OffersTheEncodingsAndGivesTheChosenFileAndEncoding) {
  App();
  TempFolder folder;
  FileWrite(folder.Join(u"chat.txt"), "[2024/05/01 18:00]  Ann: hi\n");
  const Answer answers[] = {
      {"cancel", 1, std::nullopt},
      {"choose SJIS", 0, 1},
      {"keep SJIS", 1, 1},
      {"choose UTF8", 1, 0},
  };
  for (const Answer& answer : answers) {
    Seen seen;
    std::thread user([&] { UserAnswers(answer, seen); });
    std::optional<ui::OpenFileResult> result =
        ui::OpenFileDialog({folder.Path(),
                            u"\u30C6\u30AD\u30B9\u30C8\u30D5\u30A1\u30A4\u30EB",
                            u"*.txt",
                            u"txt",
                            {u"UTF8", u"SJIS"},
                            answer.preselected});
    user.join();
    EXPECT_EQ(seen.encodings, (std::vector<Text>{u"UTF8", u"SJIS"})) << answer.name;
    EXPECT_EQ(seen.preselected, answer.preselected) << answer.name;
    if (!answer.choose) {
      EXPECT_FALSE(result) << answer.name;
      continue;
    }
    ASSERT_TRUE(result) << answer.name;
    EXPECT_EQ(result->path, folder.Join(u"chat.txt")) << answer.name;
    EXPECT_EQ(result->encodingIndex, *answer.choose) << answer.name;
  }
}

// The program declares itself aware of each monitor's dpi: the system does not stretch its window
// as a picture. Moved to a monitor at 150 %, the window lays out, letters and pictures its
// controls anew: each keeps its place in the program's lengths and shows its text whole.
TEST(DisplayScale, AMonitorAt150PercentScalesEveryControl) {
  using AwarenessOf = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
  using ThreadContext = DPI_AWARENESS_CONTEXT(WINAPI*)();
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto awarenessOf = reinterpret_cast<AwarenessOf>(
      reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  auto threadContext = reinterpret_cast<ThreadContext>(
      reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
  if (awarenessOf && threadContext) {
    EXPECT_EQ(awarenessOf(threadContext()), DPI_AWARENESS_PER_MONITOR_AWARE);
  }
  ui::Application& app = App();
  ui::Form form(u"scales", 300, 200, {11, false});
  ui::GroupBox group(form, {5, 5, 290, 90}, u"Chat Text Mask");
  ui::RadioButton radio(group, {10, 20, 0, 0}, u"Second Life Chat");
  ui::Label label(form, {10, 100, 0, 0}, u"Interval[s] :");
  ui::Edit edit(form, {10, 125, 150, 0});
  edit.SetText(u"chat.txt");
  ui::SpinEdit spin(form, {170, 125, 54, 22}, 1, 10, 2);
  ui::ComboBox combo(form, {10, 160, 180, 0});
  combo.ItemAdd(u"Speak Display Name");
  ui::Image image(form, {230, 100, 0, 0}, u"skip");
  ui::Button button(group, {150, 50, 120, 30}, ui::ImageList({u"start", u"start_disabled"}), 8);
  button.SetCaption(u"START");
  button.SetImages(0, 1);
  form.Show();
  app.ProcessEventsFor(50);
  const std::vector<const ui::Widget*> widgets = {&group, &radio, &label, &edit,
                                                  &spin,  &combo, &image, &button};
  // Those sized by their text (a combo box's height too): their fonts scale by whole pixels, not
  // exactly by 1.5.
  const std::set<const ui::Widget*> textSized = {&radio, &label, &combo};
  std::vector<ui::Bounds> before;
  for (const ui::Widget* widget : widgets) before.push_back(widget->GetBounds());
  RECT client{}, frame{};
  GetClientRect(form.node()->hwnd, &client);
  const int dpi = ui::DpiOf(form.node()->hwnd);
  GetWindowRect(form.node()->hwnd, &frame);
  SendMessageW(form.node()->hwnd, WM_DPICHANGED, MAKEWPARAM(dpi * 3 / 2, dpi * 3 / 2),
               reinterpret_cast<LPARAM>(&frame));
  app.ProcessEventsFor(50);
  RECT scaled{};
  GetClientRect(form.node()->hwnd, &scaled);
  EXPECT_EQ(scaled.right, MulDiv(300, dpi * 3 / 2, 96));
  EXPECT_EQ(scaled.bottom, MulDiv(200, dpi * 3 / 2, 96));
  for (size_t i = 0; i < widgets.size(); ++i) {
    ui::Bounds after = widgets[i]->GetBounds();
    EXPECT_TRUE(widgets[i]->TextFits()) << i;
    EXPECT_NEAR(after.left, before[i].left, 1) << i;
    EXPECT_NEAR(after.top, before[i].top, 1) << i;
    if (textSized.count(widgets[i])) continue;
    EXPECT_NEAR(after.width, before[i].width, 1) << i;
    EXPECT_NEAR(after.height, before[i].height, 1) << i;
  }
  BITMAP picture{};
  GetObjectW(image.node()->picture, sizeof picture, &picture);
  EXPECT_EQ(picture.bmWidth, MulDiv(16, dpi * 3 / 2, 96));
  form.Close();
}

}  // namespace
