// Hotkey chords as Setup.ini writes them.
#include <gtest/gtest.h>

#include "ui/ui.h"

namespace {

TEST(KeyChord, ParsedAsUsersWriteThem) {
  const struct {
    const char16_t* text;
    std::optional<ui::KeyChord> chord;
    const char16_t* written;  // KeyChordText of it
  } cases[] = {
      {u"Ctrl+Alt+Shift+F9", ui::KeyChord{true, true, true, false, u"F9"}, u"Ctrl+Alt+Shift+F9"},
      {u" ctrl + alt + s ", ui::KeyChord{true, true, false, false, u"S"}, u"Ctrl+Alt+S"},
      {u"Control+Shift+f12", ui::KeyChord{true, false, true, false, u"F12"}, u"Ctrl+Shift+F12"},
      {u"Win+Pause", ui::KeyChord{false, false, false, true, u"Pause"}, u"Win+Pause"},
      {u"F24", ui::KeyChord{false, false, false, false, u"F24"}, u"F24"},
      {u"Alt+space", ui::KeyChord{false, true, false, false, u"Space"}, u"Alt+Space"},
      {u"Shift+A", std::nullopt, nullptr},  // types a character
      {u"S", std::nullopt, nullptr},
      {u"Ctrl+F25", std::nullopt, nullptr},
      {u"Ctrl+Ctrl+X", std::nullopt, nullptr},
      {u"Ctrl+A+B", std::nullopt, nullptr},
      {u"Ctrl+Alt", std::nullopt, nullptr},
      {u"Ctrl+Hyper+X", std::nullopt, nullptr},
      {u"", std::nullopt, nullptr},
  };
  for (const auto& c : cases) {
    std::optional<ui::KeyChord> parsed = ui::KeyChordParse(c.text);
    EXPECT_EQ(parsed, c.chord) << TextToUtf8(c.text);
    if (parsed && c.written) {
      EXPECT_EQ(ui::KeyChordText(*parsed), c.written);
    }
  }
}

}  // namespace
