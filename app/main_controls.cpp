#include "app/main_controls.h"

#include <algorithm>

namespace {

constexpr ui::FontSpec kWindowFont{11, false};

}  // namespace

TMainFrmControls::TMainFrmControls()
    : MainFrm(u"KELVORA Pro - Chat to Speech", 476, 339, kWindowFont),
      ImageList1({u"start", u"stop", u"skip", u"browse", u"default", u"start_disabled",
                  u"stop_disabled", u"skip_disabled", u"browse_disabled", u"default_disabled"}),
      Panel1(MainFrm, {0, 0, 476, 64}, true),
      Image1(Panel1, {0, 0, 64, 64}, u"logo"),
      Label5(Panel1, {70, 4, 0, 0}, u"KELVORA Pro - Secondlife chat to speech", {16, true}),
      Label6(Panel1, {70, 29, 0, 0}, u"Ver."),
      LinkLabel1(Panel1, {156, 44, 310, 20}, {13, true}),
      Button1(MainFrm, {1, 70, 75, 25}, ImageList1, 8),
      Button3(MainFrm, {76, 70, 75, 25}, ImageList1, 8),
      Label2(MainFrm, {267, 76, 0, 0}, u"Interval[s] :"),
      SpinEdit1(MainFrm, {331, 73, 54, 22}, 1, 10, 2),
      Button2(MainFrm, {391, 70, 75, 25}, ImageList1, 8),
      GroupBox3(MainFrm, {0, 103, 476, 63}, u"Speech"),
      Label3(GroupBox3, {12, 15, 0, 0}, u"Voice:"),
      ComboBox3(GroupBox3, {53, 12, 407, 0}),
      Label7(GroupBox3, {12, 41, 0, 0}, u"Volume:"),
      SpinEdit2(GroupBox3, {53, 38, 54, 22}, 0, 100, 3),
      Label8(GroupBox3, {123, 41, 0, 0}, u"Rate:"),
      SpinEdit3(GroupBox3, {156, 38, 54, 22}, -10, 10, 3),
      GroupBox1(MainFrm, {0, 170, 476, 72}, u"Chat File"),
      RadioButton2(GroupBox1, {12, 16, 0, 0}, u"Viewer"),
      ComboBox1(GroupBox1, {95, 14, 102, 0}),
      Label4(GroupBox1, {208, 17, 0, 0}, u"Avatar Name:"),
      ComboBox2(GroupBox1, {281, 14, 185, 0}),
      RadioButton1(GroupBox1, {12, 42, 0, 0}, u"Selected File"),
      Edit1(GroupBox1, {95, 42, 290, 0}),
      Button4(GroupBox1, {391, 40, 75, 25}, ImageList1, 8),
      GroupBox2(MainFrm, {0, 248, 476, 89}, u"Chat Text Mask"),
      RadioButton4(GroupBox2, {12, 16, 0, 0}, u"Second Life Chat"),
      ComboBox4(GroupBox2, {135, 14, 145, 0}),
      ComboBox5(GroupBox2, {286, 14, 123, 0}),
      RadioButton3(GroupBox2, {12, 38, 0, 0}, u"\uFF3BYYYY/MM/DD hh:mm]"),
      RadioButton5(GroupBox2, {12, 62, 0, 0}, u"Custom(RegEx)"),
      Edit2(GroupBox2, {131, 60, 339, 0}),
      Timer1(MainFrm),
      ChatWatcher(MainFrm),
      WakeTimer(MainFrm),
      Remote(MainFrm),
      Keys(MainFrm),
      Tray(MainFrm) {
  Button1.SetCaption(u"START");
  Button1.SetImages(kImageStart, kImageDisabled + kImageStart);
  Button3.SetCaption(u"Skip");
  Button3.SetImages(kImageSkip, kImageDisabled + kImageSkip);
  Button2.SetCaption(u"Default");
  Button2.SetImages(kImageDefault, kImageDisabled + kImageDefault);
  Button4.SetCaption(u"Browse");
  Button4.SetImages(kImageBrowse, kImageDisabled + kImageBrowse);
  SpinEdit1.SetValue(1);
  SpinEdit2.SetValue(100);
  SpinEdit3.SetValue(0);
  Edit1.SetText(u"chat.txt");
  Edit1.SetEnabled(false);  // shows the selected file; only Browse changes it
  Edit2.SetText(kStampMask);
  for (const char16_t* item : {u"Speak All", u"Speak Translated Text", u"Speak Original Text"}) {
    ComboBox4.ItemAdd(item);
  }
  ComboBox4.SetItemIndex(0);
  for (const char16_t* item : {u"Speak Display Name", u"Speak User Name"}) ComboBox5.ItemAdd(item);
  ComboBox5.SetItemIndex(0);
  Timer1.SetInterval(1000);
  SpinEdit1.OnChange([this] { SpinEdit1Change(); });
  for (ui::RadioButton* radio : {&RadioButton3, &RadioButton4, &RadioButton5}) {
    radio->OnClick([this] { RadioButtonXClick(); });
  }
}

void TMainFrmControls::StartButtonShow(bool monitoring) {
  Button1.SetCaption(monitoring ? u"STOP" : u"START");
  Button1.SetImages(monitoring ? kImageStop : kImageStart, kImageDisabled + kImageStart);
}

TMainFrmControls::TTypeIndex TMainFrmControls::TypeIndexGet() const {
  TTextMode textMode = TTextMode::kStamp;
  if (RadioButton4.Checked()) textMode = TTextMode::kSecondLifeChat;
  if (RadioButton5.Checked()) textMode = TTextMode::kCustom;
  return {RadioButton2.Checked() ? 1 : 0, textMode};
}

void TMainFrmControls::SpinEdit1Change() {
  // A value typed but not yet brought into range never makes an interval of 0 or less.
  Timer1.SetInterval(std::clamp(SpinEdit1.Value(), 1, 10) * 1000);
}

void TMainFrmControls::IntervalSet(int seconds) {
  SpinEdit1.SetValue(seconds);
  SpinEdit1Change();
}

void TMainFrmControls::GroupsEnable(bool enabled) {
  for (ui::GroupBox* group : {&GroupBox1, &GroupBox2, &GroupBox3}) group->SetEnabled(enabled);
  Button2.SetEnabled(enabled);  // the action Default
}

void TMainFrmControls::RadioButtonXClick() {
  Edit2.SetEnabled(RadioButton5.Checked());
  ComboBox4.SetEnabled(RadioButton4.Checked());
  ComboBox5.SetEnabled(RadioButton4.Checked());
}
