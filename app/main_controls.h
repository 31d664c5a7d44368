// The main window's controls as the user sees them: built, laid out, captioned and filled with
// their fixed choices; what they do is the window's (TMainFrm).
#pragma once

#include "text/uText.h"
#include "ui/ui.h"

// The pictures of the buttons: the five, then the same five as shown while disabled.
enum TButtonImage { kImageStart = 0, kImageStop, kImageSkip, kImageBrowse, kImageDefault };
inline constexpr int kImageDisabled = 5;

struct TMainFrmControls {
  TMainFrmControls();
  TMainFrmControls(const TMainFrmControls&) = delete;
  TMainFrmControls& operator=(const TMainFrmControls&) = delete;

  // START shows STOP while monitoring.
  void StartButtonShow(bool monitoring);
  // The two radio-button choices; each is 0 when no button of its group is checked.
  struct TTypeIndex {
    int32_t FileIndex;  // 0 "Selected File", 1 "Viewer"
    TTextMode TextMode;
  };
  TTypeIndex TypeIndexGet() const;
  // The mask's fields enabled by the mode chosen.
  void RadioButtonXClick();
  // The monitor's interval from its box, in range.
  void SpinEdit1Change();
  void IntervalSet(int seconds);
  // The choices that cannot change while monitoring.
  void GroupsEnable(bool enabled);

  ui::Form MainFrm;
  ui::ImageList ImageList1;
  ui::Panel Panel1;
  ui::Image Image1;
  ui::Label Label5, Label6;
  ui::LinkLabel LinkLabel1;
  ui::Button Button1, Button3;
  ui::Label Label2;
  ui::SpinEdit SpinEdit1;
  ui::Button Button2;
  ui::GroupBox GroupBox3;
  ui::Label Label3;
  ui::ComboBox ComboBox3;
  ui::Label Label7;
  ui::SpinEdit SpinEdit2;
  ui::Label Label8;
  ui::SpinEdit SpinEdit3;
  ui::GroupBox GroupBox1;
  ui::RadioButton RadioButton2;
  ui::ComboBox ComboBox1;
  ui::Label Label4;
  ui::ComboBox ComboBox2;
  ui::RadioButton RadioButton1;
  ui::Edit Edit1;
  ui::Button Button4;
  ui::GroupBox GroupBox2;
  ui::RadioButton RadioButton4;
  ui::ComboBox ComboBox4, ComboBox5;
  ui::RadioButton RadioButton3, RadioButton5;
  ui::Edit Edit2;
  ui::Timer Timer1;
  // Speech follows the chat as it is written: a change to the chat file, its folder or the
  // account's settings wakes the monitor tick, through WakeTimer (once per 50 ms at most).
  ui::FileWatcher ChatWatcher;
  ui::Timer WakeTimer;
  // Offered to the desktop: the commands (`kelvora skip`...) and, on Linux, the media controls.
  ui::RemoteControl Remote;
  // Setup.ini [Options] Hotkey*: Skip, Pause/Resume, Repeat and Mute from any program.
  ui::Hotkeys Keys;
  // The tray's menu has the same actions, Show/Hide window and Quit; its tooltip says what runs.
  ui::TrayIcon Tray;
};
