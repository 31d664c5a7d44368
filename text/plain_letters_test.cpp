#include "text/plain_letters.h"

#include <gtest/gtest.h>

#include "text/testing/text_case.h"

namespace {

TEST(PlainLetters, DecorativeLettersReadAsPlainOnes) {
  const TextCase cases[] = {
      {"mathematical script", u"𝓢𝓪𝓻𝓪𝓱", u"Sarah"},
      {"mathematical double-struck, a gap filled from letter-like symbols", u"𝕊𝕒𝕣𝕒𝕙 ℍ𝕒𝕝𝕖",
       u"Sarah Hale"},
      {"mathematical bold and digits", u"𝐒𝐚𝐫𝐚𝐡 𝟐𝟎𝟐𝟓", u"Sarah 2025"},
      {"mathematical fraktur, gaps included", u"ℭ𝔬𝔬𝔩 ℌ𝔞𝔱", u"Cool Hat"},
      {"mathematical Greek", u"𝛂𝛃", u"αβ"},
      {"fullwidth letters and digits", u"Ｓａｒａｈ１", u"Sarah1"},
      {"circled letters and numbers", u"Ⓢⓐⓡⓐⓗ ①⑳", u"Sarah 120"},
      {"parenthesised letters and numbers", u"⒜⒝ ⑴⒇", u"ab 120"},
      {"negative circled number", u"⓫", u"11"},
      {"squared and negative squared letters", u"🄰🅱🅲 🅰", u"ABC A"},
      {"circled supplement letters", u"🅐🅑", u"AB"},
      {"small capitals", u"sᴀʀᴀʜ ʙᴇʟʟᴇ", u"sarah belle"},
      {"modifier and superscript letters", u"ᴴᵉˡˡᵒ ⁿ", u"Hello n"},
      {"subscript letters", u"xₐ", u"xa"},
      {"a modifier small capital, folded twice", u"ᶦ", u"i"},
  };
  for (const auto& c : cases) EXPECT_EQ(PlainLetters(c.written), c.expected) << c.kind;
}

TEST(PlainLetters, RealScriptsAndSymbolsStayAsWritten) {
  const struct {
    const char* kind;
    const char16_t* text;
  } cases[] = {
      {"accented Latin", u"Ça va, Zoë? Größe"},
      {"Japanese, with halfwidth and fullwidth kana", u"こんにちは ｺﾝﾆﾁﾊ コンニチハ 日本"},
      {"fullwidth punctuation", u"はい！（笑）、。"},
      {"Cyrillic and Greek", u"Привет Γειά"},
      {"currency look-alikes", u"₳ 100 ฿ 5"},
      {"ordinal indicators and superscript digits", u"1ª 2º x² ¹"},
      {"regional indicators, which make flags", u"🇩🇪"},
      {"the information emoji", u"ℹ"},
      {"the trade mark sign", u"™"},
      {"an unpaired surrogate", u"a\xD835 b"},
  };
  for (const auto& c : cases) EXPECT_EQ(PlainLetters(c.text), c.text) << c.kind;
}

TEST(PlainLetters, FoldingIsIdempotentAndBounded) {
  // Every decorative character of the ranges folded, one after another.
  Text all;
  for (char32_t c : {0x250u, 0x1D00u, 0x2070u, 0x2100u, 0x2460u, 0xFF00u, 0x1D400u, 0x1F100u}) {
    for (char32_t cp = c; cp < c + 0x400; ++cp) {
      if (cp >= 0xD800 && cp <= 0xDFFF) continue;
      if (cp < 0x10000) {
        all += static_cast<char16_t>(cp);
      } else {
        all += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        all += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
      }
    }
  }
  Text once = PlainLetters(all);
  EXPECT_NE(once, all);
  EXPECT_EQ(PlainLetters(once), once);
  EXPECT_LE(once.size(), all.size() * kPlainLettersGrowth);
}

}  // namespace
