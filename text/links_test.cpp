#include "text/links.h"

#include <gtest/gtest.h>

#include "text/testing/text_case.h"

namespace {

TEST(LinksSpoken, EachLinkFormSaidShort) {
  const TextCase cases[] = {
      // Web addresses: the host, without "www.", a port or user.
      {"web address", u"see https://www.Example.com/shop?id=1 now", u"see link to example.com now"},
      {"web address with port and user", u"at http://me@example.org:8080/x.",
       u"at link to example.org."},
      {"bare www address", u"go to www.example.net/page, ok", u"go to link to example.net, ok"},
      {"in parentheses", u"(see http://example.com/a)", u"(see link to example.com)"},
      {"parentheses the address holds", u"http://en.wikipedia.org/wiki/Tea_(drink) yes",
       u"link to en.wikipedia.org yes"},
      // Places.
      {"teleport link", u"meet at secondlife:///app/teleport/Ahern/128/128/23",
       u"meet at place Ahern"},
      {"map address", u"http://maps.secondlife.com/secondlife/Da%20Boom/10/20/30 is fun",
       u"place Da Boom is fun"},
      {"old slurl address", u"https://slurl.com/secondlife/Ahern/1/2/3", u"place Ahern"},
      {"secondlife place form", u"secondlife://Bay%20City/5/6/7!", u"place Bay City!"},
      {"hypergrid place", u"hop://grid.example.org:8002/Welcome%20Island/128/128/21",
       u"place Welcome Island"},
      {"worldmap link without region", u"secondlife:///app/worldmap/", u"a place"},
      // People and groups.
      {"mention", u"hi [@Jane Doe](secondlife:///app/agent/0b8c6f5a-1111/mention)!",
       u"hi Jane Doe!"},
      {"OpenSim mention",
       u"[@Ann Grid](x-grid-location-info://grid.example.org:8002/app/agent/0b8c/mention) hi",
       u"Ann Grid hi"},
      {"unlabelled person", u"ask secondlife:///app/agent/0b8c6f5a-1111/about", u"ask someone"},
      {"unlabelled group", u"join secondlife:///app/group/0b8c6f5a-1111/about", u"join a group"},
      {"viewer's labelled link", u"ask [secondlife:///app/agent/0b8c/about Bob Sample] now",
       u"ask Bob Sample now"},
      {"viewer's labelled web link", u"[http://example.com the shop]", u"the shop"},
      {"empty label", u"[](secondlife:///app/group/0b8c/about)", u"a group"},
      {"other Second Life link", u"secondlife:///app/inventory/0b8c/select", u"a link"},
  };
  for (const auto& c : cases) EXPECT_EQ(LinksSpoken(c.written), c.expected) << c.kind;
}

TEST(LinksSpoken, TextThatIsNoLinkStaysAsWritten) {
  const char16_t* const cases[] = {
      u"just words, www and http",
      u"the www.",
      u"ahttp://example.com",  // not at a word's start
      u"ftp://example.com",
      u"[this](here) and [that]",
      u"[not a link]",
      u"http://",
      u"mail me: jane@example.com",
  };
  for (const char16_t* text : cases) EXPECT_EQ(LinksSpoken(text), text);
}

}  // namespace

namespace {

// However a link ends, finding its end takes one pass: a stranger's line of 200,000 closing
// parentheses after a link would take hours if each one trimmed rescanned the link.
TEST(LinksSpoken, LongRunsAfterALinkAreReadInOnePass) {
  for (char16_t run : {u')', u'.', u'[', u'/'}) {
    Text text = u"http://example.com/" + Text(200000, run);
    Text spoken = LinksSpoken(text);
    EXPECT_LE(spoken.size(), text.size());
    EXPECT_EQ(spoken.substr(0, 19), u"link to example.com");
  }
}

}  // namespace
