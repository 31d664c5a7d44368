// The main window's test fixture: a window over temporary folders, with scripted speech, on
// whichever binding the test program links.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/uMainFrm.h"
#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/testing/scripted.h"
#include "speech/uSpeechLib.h"
#include "text/uText.h"
#include "ui/testing/dialog_hooks.h"
#include "viewer/viewer.h"

inline ui::Application& App() {
  static int argc = 1;
  static char name[] = "mainfrm_test";
  static char* argv[] = {name, nullptr};
  static ui::Application app(argc, argv, kApplicationTitle);
  return app;
}

inline constexpr char16_t kGreetingXml[] =
    u"Thank you for using <pron sym=\"k eh l ! v ao r ah\" />.";

class MainFrmTest : public ::testing::Test {
 protected:
  MainFrmTest() {
    App();
    FolderMake(Account(u"ann_example"));
    FileWrite(PathJoin(Account(u"ann_example"), u"settings_per_account.xml"),
              "<llsd><map/></llsd>");
    platform_->voiceNames = {u"Platform A"};
    sapi5_->voiceNames = {u"Sapi A", u"Sapi B"};
    ScriptedClassRegister(kSpeechPlatformClassId, platform_);
    ScriptedClassRegister(kSapi5ClassId, sapi5_);
    ui::MessageHookSet([this](TextView text, ui::MessageKind kind) {
      messages_.push_back({Text(text), kind});
    });
    ChatFilter = {};
  }
  ~MainFrmTest() override {
    frm_.reset();
    SpeechClose();
    SpeechRelease();
    ui::MessageHookSet(nullptr);
    ui::OpenFileHookSet(nullptr);
  }

  void SetupIniWrite(const std::string& contents) {
    FolderMake(PathFolderPart(SettingsPath()));
    FileWrite(SettingsPath(), contents);
  }
  Text Account(TextView name) const { return PathJoin(ViewerFolderGet(u"SecondLife"), name); }
  Text ChatFile() const { return PathJoin(Account(u"ann_example"), u"chat.txt"); }
  TMainFrm& Frm() {
    if (!frm_) frm_ = std::make_unique<TMainFrm>();
    return *frm_;
  }
  // The window monitoring the viewer's (empty) chat file.
  TMainFrm& MonitoringStarted() {
    TMainFrm& f = Frm();
    ViewerChatChoose();
    FileWrite(ChatFile(), "");
    f.Button1.Click();
    return f;
  }
  // Speech that takes a second a character on the clock now_; START with these Setup.ini
  // [Options], then three chat lines, a tick apart, held behind the greeting that speaks on.
  TMainFrm& StartWithLinesHeld(const std::string& options) {
    platform_->clock = [this] { return now_; };
    platform_->secondsPerCharacter = 1;
    SetupIniWrite("[Options]\n" + options);
    TMainFrm& f = Frm();
    ViewerChatChoose();
    FileWrite(ChatFile(), "");
    f.Button1.Click();
    for (const char* line : {"one", "two", "three"}) {
      FileAppend(ChatFile(), "[18:01]  Ann (ann.example): " + std::string(line) + "\n");
      App().ProcessEventsFor(1100);
    }
    return f;
  }
  // The clock of speech moves on: the texts it has passed end.
  void ClockTo(double seconds) {
    now_ = seconds;
    platform_->ClockAdvanced();
    sapi5_->ClockAdvanced();
  }
  // The texts spoken by an engine, as SpeakCall writes them.
  static std::vector<std::string> Spoken(const ScriptedEngine& engine) {
    return engine.CallsOf("Speak ");
  }
  void ViewerChatChoose() {
    Frm().RadioButton2.Click();
    Frm().RadioButton4.Click();
    Frm().ComboBox2.UserSelect(0);
  }
  size_t Warnings() const {
    size_t n = 0;
    for (const auto& m : messages_)
      n += m.second == ui::MessageKind::kWarning && m.first == kSapiWarning;
    return n;
  }

  TempFolder folder_;
  EnvOverride local_{"KELVORA_LOCAL_APPDATA", folder_.Join(u"local")};
  EnvOverride roaming_{"KELVORA_APPDATA", folder_.Join(u"roaming")};
  EnvOverride program_{"KELVORA_PROGRAM_DIR", folder_.Join(u"program")};
  EnvOverride secondLife_{"SECONDLIFE_USER_DIR", u""};
  std::shared_ptr<ScriptedEngine> platform_ = std::make_shared<ScriptedEngine>();
  std::shared_ptr<ScriptedEngine> sapi5_ = std::make_shared<ScriptedEngine>();
  std::vector<std::pair<Text, ui::MessageKind>> messages_;
  std::unique_ptr<TMainFrm> frm_;
  double now_ = 0;
};
