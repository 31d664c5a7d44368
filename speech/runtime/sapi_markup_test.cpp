#include "speech/runtime/sapi_markup.h"

#include <gtest/gtest.h>

#include "speech/runtime/runtime.h"

namespace {

struct XmlCase {
  Text xml;
  std::string espeak;
};

TEST(SapiXmlToEspeak, TranslatesPronAndDropsOtherElements) {
  const XmlCase cases[] = {
      {u"Thank you for using <pron sym=\"k eh l ! v ao r ah\" />.",
       "Thank you for using [[kElvO:rV]]."},
      {u"<pron sym=\"hh\"/>", ""},
      {u"<volume level=\"50\">soft <emph>word</emph></volume>", "soft word"},
      {u"a <silence msec=\"100\"/> b", "a  b"},
      {u"x &lt; y [[z]]", "x < y ((z]]"},
      {u"<pron sym=\"t ah 1 m ey 2 t ow\"/>", "[[tV'meI,toU]]"},
  };
  for (const auto& c : cases) {
    if (c.espeak.empty()) {
      EXPECT_THROW(SapiXmlToEspeak(c.xml), SpeechError);
    } else {
      EXPECT_EQ(SapiXmlToEspeak(c.xml), c.espeak) << TextToUtf8(c.xml);
    }
  }
  EXPECT_THROW(SapiXmlToEspeak(u"<unknown>x</unknown>"), SpeechError);
  EXPECT_THROW(SapiXmlToEspeak(u"<pron sym=\"k\">"), SpeechError);
}

TEST(SapiPitchWrapped, PlainTextIsEscapedAndMarkupKept) {
  EXPECT_EQ(SapiPitchWrapped(u"a < b & c", false, 3),
            u"<pitch absmiddle=\"3\">a &lt; b &amp; c</pitch>");
  EXPECT_EQ(SapiPitchWrapped(u"<pron sym=\"x\"/>", true, -4),
            u"<pitch absmiddle=\"-4\"><pron sym=\"x\"/></pitch>");
  EXPECT_EQ(SapiPitchWrapped(u"x", false, 30), u"<pitch absmiddle=\"10\">x</pitch>");
}

}  // namespace
