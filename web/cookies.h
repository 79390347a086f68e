// Cookie texts ("name=value" items joined by "; ") and their merging, shared
// by the three HTTP clients. Pure text work; any thread may call these.
#pragma once

#include <optional>
#include <string_view>

#include "text/text.h"

namespace velmora {

// The item's name: the text before its first "=", trimmed of spaces; the whole
// item, trimmed, when it has no "=". Names compare byte for byte.
Text CookieName(std::string_view item);

// True when some item of `items` has exactly the cookie name `name`.
bool HasCookieName(const TextList& items, std::string_view name);

// The 1-based index of the first item equal to `item`, or -1.
int IndexOfItem(const TextList& items, std::string_view item);

// `text` split on `delimiter`, each item kept at its first occurrence only,
// joined with `delimiter` again. RemoveDuplicateItems("a; b; a", "; ") == "a; b".
Text RemoveDuplicateItems(std::string_view text, std::string_view delimiter);

// The cookie item ("name=value", trimmed) of a "Set-Cookie: " response line;
// nothing when the line is not one (the name must be exactly "Set-Cookie"
// followed by ": "). Attributes are never taken:
// SetCookieItem("Set-Cookie: sid=abc; path=/") == "sid=abc".
std::optional<Text> SetCookieItem(std::string_view line);

// The items of all Set-Cookie lines of a raw header block (lines ended by
// CR LF), in header order, joined by "; "; empty when there are none. An empty
// item still counts: two lines without a value give "; ".
Text ReturnedCookies(std::string_view headerText);

// Merges the cookies a response set (`newCookies`) into those sent
// (`oldCookies`): new items first in their order, then old items whose names
// the new ones do not hold; items ending in "=deleted" dropped; all spaces
// removed and duplicates dropped. Both variables are rewritten: `oldCookies`
// holds the result, `newCookies` its own text without spaces.
// Old "a=1; b=2", new "b=3" gives "b=3; a=1".
Text MergeCookies(Text& oldCookies, Text& newCookies);

// What a client reports as a response's cookies: the ReturnedCookies of
// `headerText`, merged into `*cookies` (which then holds the merge, see
// MergeCookies) when `merge` and `cookies` is given.
Text ResponseCookies(std::string_view headerText, Text* cookies, bool merge);

}  // namespace velmora
