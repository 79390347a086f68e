// Cutting text at fixed markers. Pure functions over GBK text; searching uses
// Find/FindBackward of text.h, so a marker never matches on a second byte.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velmora {

// The text strictly between the first `leftMarker` found from `startPosition`
// on and the first `rightMarker` after it; empty when either is missing.
// In both markers every "#引号" (GBK) stands for one double quote first.
// TextBetween("a;b;c", ";", ";") == "b".
Text TextBetween(std::string_view text, std::string_view leftMarker,
                 std::string_view rightMarker, int startPosition = 1,
                 bool ignoreCase = false);

// The text strictly between the last `rightMarker` (lying wholly before
// position length - skipFromEnd; skipFromEnd <= 0 searches the whole text)
// and the nearest `leftMarker` before it; empty when either is missing or
// the skip leaves no text. No "#引号" replacement; `ignoreCase` applies to
// both markers.
// TextBetweenLast("stock:5,sku=1;stock:7,sku=1;", ",sku=1;", "stock:") == "7".
Text TextBetweenLast(std::string_view text, std::string_view rightMarker,
                     std::string_view leftMarker, int skipFromEnd = 0,
                     bool ignoreCase = false);

// The part of `text` before the first `marker` found from `startPosition` on;
// empty when the marker is missing. TextLeftOf("Set-Cookie: a=1", ": ") ==
// "Set-Cookie".
Text TextLeftOf(std::string_view text, std::string_view marker,
                int startPosition = 1, bool ignoreCase = false);

}  // namespace velmora
