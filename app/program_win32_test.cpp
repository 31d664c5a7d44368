// kelvora.exe as a person meets it on Windows (here: Wine under Xvfb): started as a process of
// its own and driven only through its windows' messages, as another program could drive it.
// Wine's SAPI has no voice, so the speech warning is what shows that a text reached the speaking
// pipeline: once at start-up, once for the greeting of START, once for an appended chat line.
// With the recording speech server (speech/testing/recording_voice_win32.cpp) registered for both
// voice classes, its log of every COM call is what shows what the program asked of speech.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/settings.h"
#include "app/uMainFrm.h"
#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/testing/recording_server_win32.h"
#include "speech/uSpeechLib.h"
#include "ui/win32/picture_win32.h"
#include "ui/win32/testing/testing_win32.h"

namespace {

constexpr int kPatience = 15000;  // milliseconds; Wine starts slowly on a fresh prefix

// Polls until found gives a window (or true), or the patience runs out (nullptr, false).
template <typename Found>
auto Await(Found found) -> decltype(found()) {
  for (int waited = 0; waited < kPatience; waited += 50) {
    if (auto result = found()) return result;
    Sleep(50);
  }
  return {};
}

// A visible top-level window of the process with this class and caption.
HWND TopWindow(DWORD process, TextView windowClass, TextView caption) {
  struct Search {
    DWORD process;
    TextView windowClass, caption;
    HWND found = nullptr;
  } search{process, windowClass, caption};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == s->process && IsWindowVisible(hwnd) && WindowClass(hwnd) == s->windowClass &&
            WindowText(hwnd) == s->caption) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND ChildWithText(HWND parent, TextView text) {
  return ChildWhere(parent, [&](HWND hwnd) { return WindowText(hwnd) == text; });
}

ULONGLONG LastWrite(const Text& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  GetFileAttributesExW(W(path).c_str(), GetFileExInfoStandard, &data);
  return ULARGE_INTEGER{{data.ftLastWriteTime.dwLowDateTime, data.ftLastWriteTime.dwHighDateTime}}
      .QuadPart;
}

Text ComboItem(HWND box, int index) {
  wchar_t text[256] = {};
  SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return FromW(text);
}

std::vector<Text> ComboItems(HWND box) {
  std::vector<Text> items;
  for (int i = 0; i < SendMessageW(box, CB_GETCOUNT, 0, 0); ++i) items.push_back(ComboItem(box, i));
  return items;
}

constexpr char kGreetingXml[] = "Thank you for using <pron sym=\"k eh l ! v ao r ah\" />.";
const std::string kAlice =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\RecordingAlice";
const std::string kOlivia =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech_OneCore\\Voices\\Tokens\\RecordingOlivia";
const std::string kHanako =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\RecordingHanako";

class Program : public ::testing::Test {
 protected:
  Program() {
    FileWrite(chat_, "[2024/05/01 18:00]  Old Line (old.line): not spoken\n");
    TSettings settings;
    SettingsDefault(settings, 1);
    settings.FileType = 0;  // "Selected File"
    settings.TargetFile = chat_;
    settings.TexType = 1;  // "Second Life Chat"
    SettingsSave(SettingsPath(), settings);
    settingsWritten_ = LastWrite(SettingsPath());
    Sleep(20);  // so the program's own save has a later time
  }
  ~Program() override {
    if (!process_.hProcess) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 1);
    }
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }

  static std::wstring ProgramPath() {
    Text self(MAX_PATH, u'\0');
    self.resize(GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(self.data()), MAX_PATH));
    return L"\"" + W(PathJoin(PathFolderPart(self), u"kelvora.exe")) + L"\"";
  }
  void Start() {
    std::wstring command = ProgramPath();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process_))
        << SystemMessage(GetLastError());
  }
  // Starts the program and monitoring; the main window and the greeting's place in the calls.
  void StartMonitoring(HWND& main, int& greeting) {
    ASSERT_NO_FATAL_FAILURE(Start());
    main = MainWindow();
    ASSERT_TRUE(main);
    Click(ChildWithText(main, u"START"));
    greeting = CallAwait("platform Speak " + std::to_string(kSpeakXml) + " " + kGreetingXml);
    ASSERT_GE(greeting, 0) << "no greeting";
  }
  // Runs `kelvora.exe ACTION` to its end; its exit code (-1 when it did not end in time).
  static int CommandRun(const wchar_t* action) {
    std::wstring command = ProgramPath() + L" " + action;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, kPatience) == WAIT_OBJECT_0) {
      GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
  }

  // Waits for the program's warning box, checks its text and answers OK.
  void WarningAnswer(const char* when) {
    HWND box = Await([&] { return TopWindow(process_.dwProcessId, u"#32770", kApplicationTitle); });
    ASSERT_TRUE(box) << "no warning " << when;
    EXPECT_EQ(WindowText(GetDlgItem(box, 0xFFFF)), kSapiWarning) << when;
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Await([&] { return !IsWindow(box); })) << when;
  }

  // Clicks the button without waiting for its handler, which may show a modal box.
  static void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

  static bool CaptionBecomes(HWND hwnd, TextView caption) {
    return Await([&] { return WindowText(hwnd) == caption; });
  }

  HWND MainWindow() {
    return Await([&] {
      return TopWindow(process_.dwProcessId, u"KelvoraContainer", u"KELVORA Pro - Chat to Speech");
    });
  }

  // The speech server's log, a line each.
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls;
    std::string log = FileExists(log_) ? FileBytes(log_) : std::string();
    for (size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos;
         start = end + 1) {
      calls.push_back(log.substr(start, end - start));
    }
    return calls;
  }
  // Waits for a call to be logged after the first `after` calls; its position, or -1.
  int CallAwait(const std::string& call, size_t after = 0) {
    int found = -1;
    Await([&] {
      std::vector<std::string> calls = Calls();
      for (size_t i = after; i < calls.size(); ++i) {
        if (calls[i] == call) return (found = static_cast<int>(i)) >= 0;
      }
      return false;
    });
    return found;
  }
  void ProgramEndAwait() {
    ASSERT_EQ(WaitForSingleObject(process_.hProcess, kPatience), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(process_.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    for (const std::string& call : Calls()) {
      EXPECT_EQ(call.find("released after CoUninitialize"), std::string::npos) << call;
    }
  }

  ComApartment apartment_;  // for the screenshot's imaging component
  TempFolder folder_;
  EnvOverride roaming_{"KELVORA_APPDATA", folder_.Join(u"roaming")};
  EnvOverride local_{"KELVORA_LOCAL_APPDATA", folder_.Join(u"local")};
  EnvOverride program_{"KELVORA_PROGRAM_DIR", folder_.Join(u"program")};
  Text chat_ = folder_.Join(u"chat.txt");
  Text log_ = folder_.Join(u"speech.log");
  PROCESS_INFORMATION process_{};
  ULONGLONG settingsWritten_ = 0;
};

TEST_F(Program, StartsWarnsSpeaksAppendedChatAndStopsThroughItsWindow) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(WarningAnswer("at start-up"));
  HWND main = Await([&] {
    return TopWindow(process_.dwProcessId, u"KelvoraContainer", u"KELVORA Pro - Chat to Speech");
  });
  ASSERT_TRUE(main);
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, 476);
  EXPECT_EQ(client.bottom, 339);
  HWND button = ChildWithText(main, u"START");
  ASSERT_TRUE(button);
  EXPECT_TRUE(ChildWithText(main, u"Ver." + VersionGet()));
  EXPECT_TRUE(ChildWithText(main, chat_));  // the selected file, from Setup.ini
  Sleep(300);                               // painted
  EXPECT_TRUE(WindowPictureSave(main, u"program.png"));

  Click(button);
  ASSERT_NO_FATAL_FAILURE(WarningAnswer("for the greeting"));
  EXPECT_TRUE(CaptionBecomes(button, u"STOP"));
  FileAppend(chat_,
             "[2024/05/01 18:01]  Ann Example (ann.example): Hello everyone, nice to see you\n");
  ASSERT_NO_FATAL_FAILURE(WarningAnswer("for the appended line"));
  Click(button);
  EXPECT_TRUE(CaptionBecomes(button, u"START"));

  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process_.hProcess, kPatience), WAIT_OBJECT_0);
  DWORD exitCode = 1;
  GetExitCodeProcess(process_.hProcess, &exitCode);
  EXPECT_EQ(exitCode, 0u);
  EXPECT_NE(LastWrite(SettingsPath()), settingsWritten_) << "Setup.ini not saved at the end";
}

// The speech path for real, through COM: the voices of both classes in the box, the greeting
// (markup), chat with the chosen volume and rate, Skip, a change of voice, Japanese text.
TEST_F(Program, SpeaksThroughTheSpeechServersComInterfaces) {
  RecordingServer server(log_);
  ASSERT_NO_FATAL_FAILURE(Start());
  HWND main = MainWindow();
  ASSERT_TRUE(main);
  HWND voices = ChildWhere(main, [](HWND hwnd) {
    return WindowClass(hwnd) == u"ComboBox" && ComboItem(hwnd, 0) == u"Platform Alice";
  });
  ASSERT_TRUE(voices) << "no voice box with the server's voices";
  // The OneCore voices after the others, marked; one that SAPI 5 lists too appears once.
  EXPECT_EQ(ComboItems(voices),
            (std::vector<Text>{u"Platform Alice", u"Platform Bob", u"Recording Anna",
                               u"Recording \u82B1\u5B50", u"Recording Carl",
                               u"OneCore Olivia (OneCore)"}));
  std::vector<std::string> calls = Calls();
  EXPECT_NE(std::find(calls.begin(), calls.end(), "platform GetAttribute Name"), calls.end());
  EXPECT_NE(std::find(calls.begin(), calls.end(), "sapi5 GetDescription 0"), calls.end());
  // Volume and rate typed into their fields.
  HWND volume =
      ChildWhere(main, [](HWND h) { return WindowClass(h) == u"Edit" && WindowText(h) == u"100"; });
  HWND rate =
      ChildWhere(main, [](HWND h) { return WindowClass(h) == u"Edit" && WindowText(h) == u"0"; });
  ASSERT_TRUE(volume && rate);
  SendMessageW(volume, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"40"));
  SendMessageW(rate, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"-3"));

  HWND start = ChildWithText(main, u"START");
  Click(start);
  int greeting = CallAwait("platform Speak " + std::to_string(kSpeakXml) + " " + kGreetingXml);
  ASSERT_GE(greeting, 0) << "no greeting";
  calls = Calls();
  EXPECT_EQ(calls[greeting - 3], "platform putref_Voice " + kAlice);
  EXPECT_EQ(calls[greeting - 2], "platform put_Volume 40");
  EXPECT_EQ(calls[greeting - 1], "platform put_Rate -3");
  ASSERT_TRUE(CaptionBecomes(start, u"STOP"));
  FileAppend(chat_, "[2024/05/01 18:01]  Ann Example (ann.example): Hello everyone\n");
  int line = CallAwait(
      "platform Speak " + std::to_string(kSpeakPlain) + " Ann Example : Hello everyone", greeting);
  ASSERT_GE(line, 0) << "the chat line was not spoken";
  EXPECT_EQ(Calls()[line - 2], "platform put_Volume 40");

  Click(ChildWithText(main, u"Skip"));
  ASSERT_GE(CallAwait("platform Speak " + std::to_string(kSpeakPurge) + " .", line), 0);

  Click(start);  // STOP; then another voice, as a person picks it
  ASSERT_TRUE(CaptionBecomes(start, u"START"));
  size_t before = Calls().size();
  SendMessageW(voices, CB_SETCURSEL, 3, 0);
  SendMessageW(GetParent(voices), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(voices), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(voices));
  // The voice used so far is stopped.
  ASSERT_GE(CallAwait("platform Speak " + std::to_string(kSpeakPurge) + " .", before), 0);
  Click(start);
  ASSERT_GE(CallAwait("sapi5 putref_Voice " + kHanako, before), 0);
  ASSERT_TRUE(CaptionBecomes(start, u"STOP"));
  FileAppend(chat_,
             "[2024/05/01 18:02]  \xE3\x82\xB8\xE3\x82\xA7\xE3\x83\xBC\xE3\x83\xB3 (jane.doe): "
             "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF\n");
  EXPECT_GE(CallAwait("sapi5 Speak " + std::to_string(kSpeakPlain) +
                          " \xE3\x82\xB8\xE3\x82\xA7\xE3\x83\xBC\xE3\x83\xB3 : "
                          "\xE3\x81\x93\xE3\x82\x93\xE3\x81\xAB\xE3\x81\xA1\xE3\x81\xAF",
                      before),
            0)
      << "the Japanese line did not arrive as its UTF-16 text";

  // A OneCore voice: its token, from SAPI's token category, set on SAPI 5's voice object.
  Click(start);
  ASSERT_TRUE(CaptionBecomes(start, u"START"));
  before = Calls().size();
  SendMessageW(voices, CB_SETCURSEL, 5, 0);
  SendMessageW(GetParent(voices), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(voices), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(voices));
  Click(start);
  ASSERT_GE(CallAwait("sapi5 putref_Voice " + kOlivia, before), 0);
  ASSERT_TRUE(CaptionBecomes(start, u"STOP"));
  FileAppend(chat_, "[2024/05/01 18:03]  Ann Example (ann.example): from OneCore\n");
  EXPECT_GE(CallAwait("sapi5 Speak " + std::to_string(kSpeakPlain) + " Ann Example : from OneCore",
                      before),
            0);
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_NO_FATAL_FAILURE(ProgramEndAwait());
}

// At a busy place, with a voice that takes time to speak: what comes while the greeting speaks
// waits for the voice's speak-complete event, no more than MaxQueue lines of it, the next saying
// how many were passed over.
TEST_F(Program, SpeechKeepsUpThroughTheCompleteEvent) {
  RecordingServer server(log_);
  EnvOverride pace("KELVORA_RECORDING_MS_PER_CHARACTER", u"100");
  ProfileFile(SettingsPath()).IntegerSet(u"Options", u"MaxQueue", 1);
  ASSERT_NO_FATAL_FAILURE(Start());
  HWND main = MainWindow();
  ASSERT_TRUE(main);
  Click(ChildWithText(main, u"START"));  // the greeting speaks for about five seconds
  int greeting = CallAwait("platform Speak " + std::to_string(kSpeakXml) + " " + kGreetingXml);
  ASSERT_GE(greeting, 0);
  for (const char* word : {"one", "two", "three"}) {
    FileAppend(chat_, std::string("[2024/05/01 18:01]  Ann (ann.example): ") + word + "\n");
  }
  int next = CallAwait("platform Speak " + std::to_string(kSpeakPlain) + " 2 skipped. Ann : three",
                       greeting);
  ASSERT_GE(next, 0);
  std::vector<std::string> calls = Calls();
  for (int i = greeting + 1; i < next; ++i) {
    EXPECT_EQ(calls[i].find("Speak " + std::to_string(kSpeakPlain)), std::string::npos)
        << "spoken while the voice was still speaking: " << calls[i];
  }
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_NO_FATAL_FAILURE(ProgramEndAwait());
}

// A voice that never completes a stream: each text counts as done after twice its expected time
// and five seconds, the next is spoken, the warning is shown once, and the program still ends at
// once when closed.
TEST_F(Program, VoiceThatNeverEndsAStream) {
  RecordingServer server(log_);
  EnvOverride never("KELVORA_RECORDING_NEVER_ENDS", u"1");
  HWND main = nullptr;
  int greeting = -1;
  ASSERT_NO_FATAL_FAILURE(StartMonitoring(main, greeting));
  FileAppend(chat_, "[2024/05/01 18:01]  Ann (ann.example): still heard\n");
  HWND box = nullptr;
  for (int waited = 0; !box && waited < 3 * kPatience; waited += 100) {
    box = TopWindow(process_.dwProcessId, u"#32770", kApplicationTitle);
    Sleep(100);
  }
  ASSERT_TRUE(box) << "no warning after the greeting's time";
  EXPECT_GE(
      CallAwait("platform Speak " + std::to_string(kSpeakPlain) + " Ann : still heard", greeting),
      0);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(Await([&] { return !IsWindow(box); }));
  // A text held by the voice that never ends it: closing the window ends the program within a
  // second of what any process takes to end under Wine (a command's start to its end).
  FileAppend(chat_, "[2024/05/01 18:02]  Ann (ann.example): held when closing\n");
  ASSERT_GE(CallAwait("platform Speak " + std::to_string(kSpeakPlain) + " Ann : held when closing",
                      greeting),
            0);
  ULONGLONG closed = GetTickCount64();
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_NO_FATAL_FAILURE(ProgramEndAwait());
  ULONGLONG leaving = GetTickCount64() - closed;
  ULONGLONG started = GetTickCount64();
  EXPECT_EQ(CommandRun(L"--help"), 0);
  ULONGLONG trivial = GetTickCount64() - started;
  EXPECT_LT(leaving, trivial + 1000) << "closing took " << leaving << " ms, a command " << trivial;
}

// AutoVoices through COM: three speakers, three voice and pitch pairs among the voices of the
// window voice's engine and language; a pitch other than the voice's own goes as SAPI markup.
TEST_F(Program, AutoVoicesSpeakThreeSpeakersApart) {
  RecordingServer server(log_);
  ProfileFile(SettingsPath()).IntegerSet(u"Options", u"AutoVoices", 1);
  HWND main = nullptr;
  int greeting = -1;
  ASSERT_NO_FATAL_FAILURE(StartMonitoring(main, greeting));
  FileAppend(chat_,
             "[2024/05/01 18:01]  Ann (ann.example): one\n[2024/05/01 18:01]  Bob (bob.sample): "
             "two\n[2024/05/01 18:01]  Carl (carl.other): three\n");
  const std::string kBob =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\RecordingBob";
  const std::pair<std::string, std::string> expected[] = {
      {kBob, std::to_string(kSpeakXml) + " <pitch absmiddle=\"-3\">Ann : one</pitch>"},
      {kBob, std::to_string(kSpeakXml) + " <pitch absmiddle=\"1\">Bob : two</pitch>"},
      {kAlice, std::to_string(kSpeakPlain) + " Carl : three"},
  };
  int after = greeting;
  for (const auto& [voice, speak] : expected) {
    int spoken = CallAwait("platform Speak " + speak, after);
    ASSERT_GE(spoken, 0) << speak;
    std::vector<std::string> calls = Calls();
    auto chosen =
        std::find_if(calls.rbegin() + (calls.size() - spoken), calls.rend(),
                     [](const std::string& c) { return c.rfind("platform putref_Voice", 0) == 0; });
    ASSERT_NE(chosen, calls.rend());
    EXPECT_EQ(*chosen, "platform putref_Voice " + voice) << speak;
    after = spoken;
  }
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_NO_FATAL_FAILURE(ProgramEndAwait());
}

// Every conversation beside nearby chat, through the system's change notifications
// (ReadDirectoryChangesW): an IM appended to an old transcript and a group chat that begins after
// START are spoken; what the transcripts held at START is not.
TEST_F(Program, ConversationsAreSpokenFromTheirTranscripts) {
  RecordingServer server(log_);
  const Text account = folder_.Join(u"roaming/SecondLife/ann_example");
  FolderMake(account);
  FileWrite(PathJoin(account, u"settings_per_account.xml"), "<llsd><map/></llsd>");
  FileWrite(PathJoin(account, u"chat.txt"), "");
  const Text ann = PathJoin(account, u"Ann Example.txt");
  FileWrite(ann, "[2020/01/01 10:00]  Ann Example: said long ago\n");
  TSettings settings;
  SettingsDefault(settings, 1);
  settings.FileType = 1;  // the viewer's log
  settings.Avatar = u"ann example";
  settings.TexType = 1;
  settings.Options.SpeakGroups = 1;
  SettingsSave(SettingsPath(), settings);
  HWND main = nullptr;
  int greeting = -1;
  ASSERT_NO_FATAL_FAILURE(StartMonitoring(main, greeting));
  FileAppend(ann, "[18:00]  Ann Example: hi\n");
  const std::string speak = "platform Speak " + std::to_string(kSpeakPlain) + " ";
  int im = CallAwait(speak + "IM, Ann Example : hi", greeting);
  ASSERT_GE(im, 0) << "the IM was not spoken";
  FileWrite(PathJoin(account, u"Builders Guild (group).txt"),
            ViewerStamp(std::time(nullptr)) + "Carl (carl.other): meeting\n");
  ASSERT_GE(CallAwait(speak + "Builders Guild, Carl : meeting", im), 0)
      << "the new group chat was not spoken";
  for (const std::string& call : Calls()) {
    EXPECT_EQ(call.find("long ago"), std::string::npos) << call;
  }
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_NO_FATAL_FAILURE(ProgramEndAwait());
}

// Presses the keys together, as a person does: down in order, up in the reverse order.
void KeysPress(const std::vector<WORD>& keys) {
  std::vector<INPUT> inputs;
  for (WORD key : keys) inputs.push_back({INPUT_KEYBOARD, {.ki = {key, 0, 0, 0, 0}}});
  for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
    inputs.push_back({INPUT_KEYBOARD, {.ki = {*key, 0, KEYEVENTF_KEYUP, 0, 0}}});
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// The commands reach the running window (WM_COPYDATA): repeat says the last chat again, skip
// stops speech, and so does the Skip hotkey; with no window running they end with status 2.
TEST_F(Program, CommandsReachTheRunningWindow) {
  RecordingServer server(log_);
  HWND main = nullptr;
  int greeting = -1;
  ASSERT_NO_FATAL_FAILURE(StartMonitoring(main, greeting));
  FileAppend(chat_, "[2024/05/01 18:01]  Ann (ann.example): once more\n");
  const std::string line = "platform Speak " + std::to_string(kSpeakPlain) + " Ann : once more";
  int first = CallAwait(line, greeting);
  ASSERT_GE(first, 0);
  EXPECT_EQ(CommandRun(L"repeat"), 0);
  EXPECT_GE(CallAwait(line, first + 1), 0) << "not said again";
  size_t before = Calls().size();
  EXPECT_EQ(CommandRun(L"skip"), 0);
  EXPECT_GE(CallAwait("platform Speak " + std::to_string(kSpeakPurge) + " .", before), 0);
  // The Skip hotkey (the first registered), as Windows tells a press of it.
  HWND hotkeys = FindWindowExW(HWND_MESSAGE, nullptr, L"KelvoraContainer", L"KELVORA Pro hotkeys");
  ASSERT_TRUE(hotkeys);
  before = Calls().size();
  PostMessageW(hotkeys, WM_HOTKEY, 1, 0);
  EXPECT_GE(CallAwait("platform Speak " + std::to_string(kSpeakPurge) + " .", before), 0);
  // And pressed on the keyboard while this program (not the window) has the focus.
  before = Calls().size();
  KeysPress({VK_CONTROL, VK_MENU, VK_SHIFT, VK_F9});
  EXPECT_GE(CallAwait("platform Speak " + std::to_string(kSpeakPurge) + " .", before), 0);
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_NO_FATAL_FAILURE(ProgramEndAwait());
  EXPECT_EQ(CommandRun(L"skip"), 2);
}

// The tray's menu, chosen from with the keyboard, skips; the window's system menu opens the
// options, whose change is written to Setup.ini at once.
TEST_F(Program, TrayMenuSkipsAndTheSystemMenuOpensTheOptions) {
  RecordingServer server(log_);
  HWND main = nullptr;
  int greeting = -1;
  ASSERT_NO_FATAL_FAILURE(StartMonitoring(main, greeting));
  HWND tray = FindWindowW(L"KelvoraContainer", L"KELVORA Pro tray");
  ASSERT_TRUE(tray);
  size_t before = Calls().size();
  PostMessageW(tray, WM_APP + 3, 0, WM_RBUTTONUP);  // the icon's right click
  HWND menu = Await([&] { return TopWindow(process_.dwProcessId, u"#32768", u""); });
  ASSERT_TRUE(menu) << "no tray menu";
  for (WPARAM key : {VK_DOWN, VK_RETURN}) PostMessageW(menu, WM_KEYDOWN, key, 0);  // "Skip"
  EXPECT_GE(CallAwait("platform Speak " + std::to_string(kSpeakPurge) + " .", before), 0);
  PostMessageW(main, WM_SYSCOMMAND, 0x1000, 0);  // the first item of our own: "Options..."
  HWND options =
      Await([&] { return TopWindow(process_.dwProcessId, u"KelvoraFields", u"Options"); });
  ASSERT_TRUE(options) << "no options dialog";
  EXPECT_FALSE(IsWindowEnabled(main)) << "the dialog is not modal";
  HWND maxQueue = GetDlgItem(options, 100);
  EXPECT_EQ(WindowText(maxQueue), u"5");
  SendMessageW(maxQueue, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"2"));
  PostMessageW(GetDlgItem(options, IDOK), BM_CLICK, 0, 0);
  EXPECT_TRUE(Await([&] {
    return ProfileFile(SettingsPath()).IntegerGet(u"Options", u"MaxQueue", -1) == 2;
  })) << "not written";
  EXPECT_TRUE(Await([&] { return !IsWindow(options) && IsWindowEnabled(main); }));
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_NO_FATAL_FAILURE(ProgramEndAwait());
}

// Windows ends a program at sign-out after WM_QUERYENDSESSION and WM_ENDSESSION, without closing
// its window: what the user changed is saved then.
TEST_F(Program, SettingsAreSavedWhenTheSessionEnds) {
  RecordingServer server(log_);
  ASSERT_NO_FATAL_FAILURE(Start());
  HWND main = MainWindow();
  ASSERT_TRUE(main);
  HWND volume =
      ChildWhere(main, [](HWND h) { return WindowClass(h) == u"Edit" && WindowText(h) == u"100"; });
  ASSERT_TRUE(volume);
  SendMessageW(volume, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"55"));
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, kPatience,
                      &answer);
  EXPECT_EQ(answer, TRUE);
  SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, kPatience,
                      &answer);
  TerminateProcess(process_.hProcess, 0);  // as the system does after WM_ENDSESSION
  WaitForSingleObject(process_.hProcess, kPatience);
  ProfileFile ini(SettingsPath());
  EXPECT_EQ(ini.IntegerGet(u"Voice", u"Volume", -1), 55);
}

// Saving fails at exit (Setup.ini cannot be written: a folder stands in its place, which even an
// administrator cannot write as a file): the error is shown, every speech object is still
// released before COM ends, and the program exits normally.
TEST_F(Program, FailedSaveStillTearsComDownInOrder) {
  RecordingServer server(log_);
  DeleteFileW(W(SettingsPath()).c_str());
  CreateDirectoryW(W(SettingsPath()).c_str(), nullptr);
  ASSERT_NO_FATAL_FAILURE(Start());
  HWND main = MainWindow();
  ASSERT_TRUE(main);
  PostMessageW(main, WM_CLOSE, 0, 0);
  HWND box = Await([&] { return TopWindow(process_.dwProcessId, u"#32770", kApplicationTitle); });
  ASSERT_TRUE(box) << "no error shown";
  EXPECT_NE(TextToUtf8(WindowText(GetDlgItem(box, 0xFFFF))).find("Setup.ini"), std::string::npos);
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  ASSERT_NO_FATAL_FAILURE(ProgramEndAwait());
  RemoveDirectoryW(W(SettingsPath()).c_str());
}

// A voice whose name cannot be read: the warning once, and the user's Setup.ini loaded and saved
// as it was, not overwritten with defaults.
TEST_F(Program, UnreadableVoiceKeepsTheUsersSettings) {
  RecordingServer server(log_);
  EnvOverride fails("KELVORA_RECORDING_NAME_FAILS", u"1");
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(WarningAnswer("for the unreadable voice"));
  HWND main = MainWindow();
  ASSERT_TRUE(main);
  EXPECT_TRUE(ChildWithText(main, chat_));  // the selected file, from Setup.ini
  PostMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_NO_FATAL_FAILURE(ProgramEndAwait());
  ProfileFile ini(SettingsPath());
  EXPECT_EQ(ini.StringGet(u"Setup", u"TargetFile", u""), chat_);
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"TexType", -1), 1);
}

}  // namespace
