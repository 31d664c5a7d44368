// Links said as what they lead to: a web address as its host, a Second Life place as its region,
// a person or group by the name the link carries.
#pragma once

#include "platform/unicode.h"

// text with each link as a listener wants it:
// - a labelled link, "[label](url)" (mentions, "[@Jane Doe](secondlife:///app/agent/<id>/mention)")
//   or the viewers' "[url label]", as its label without a mention's "@";
// - a web address as "link to " and its host without "www." ("link to example.com");
// - a place (secondlife:///app/teleport/Region/x/y/z, secondlife://Region/x/y/z,
// maps.secondlife.com
//   and slurl.com addresses, hop://grid/Region/x/y/z) as "place Region";
// - an unlabelled person or group link (also OpenSim's x-grid-location-info://grid/app/...) as
//   "someone" or "a group"; any other Second Life link as "a link".
// Every other character is kept; the text grows by at most kLinksGrowth per character.
Text LinksSpoken(TextView text);

inline constexpr size_t kLinksGrowth = 2;

// Whether text may hold a link LinksSpoken says short; false is certain, and cheap to learn.
bool MayHoldLinks(TextView text);
