// kelvora.exe as a person meets it on Windows (here: Wine under Xvfb): started as a process of
// its own and driven only through its windows' messages, as another program could drive it.
// Wine's SAPI has no voice, so the speech warning is what shows that a text reached the speaking
// pipeline: once at start-up, once for the greeting of START, once for an appended chat line.
#include "platform/win32.h"

#include <gtest/gtest.h>

#include "app/settings.h"
#include "app/uMainFrm.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "ui/win32/picture_win32.h"
#include "ui/win32/testing_win32.h"

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

class Program : public ::testing::Test {
 protected:
  Program() {
    FileWrite(chat_, "[2024/05/01 18:00]  Old Line (old.line): not spoken\n");
    TSettings settings;
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

  void Start() {
    Text self(MAX_PATH, u'\0');
    self.resize(GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(self.data()), MAX_PATH));
    std::wstring command = L"\"" + W(PathJoin(PathFolderPart(self), u"kelvora.exe")) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process_))
        << SystemMessage(GetLastError());
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

  ComApartment apartment_;  // for the screenshot's imaging component
  TempFolder folder_;
  EnvOverride roaming_{"KELVORA_APPDATA", folder_.Join(u"roaming")};
  EnvOverride local_{"KELVORA_LOCAL_APPDATA", folder_.Join(u"local")};
  EnvOverride program_{"KELVORA_PROGRAM_DIR", folder_.Join(u"program")};
  Text chat_ = folder_.Join(u"chat.txt");
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

}  // namespace
