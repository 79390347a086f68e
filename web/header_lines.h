// Taking one "Name: value" header line apart at its first colon.
#pragma once

#include <string_view>
#include <vector>

#include "text/text.h"

namespace velmora {

// The text before the line's first ":", trimmed of spaces; empty when the
// line has no ":". HeaderLineName(" Accept : x") == "Accept".
Text HeaderLineName(std::string_view line);

// The text after the line's first ":", trimmed of spaces; empty when the line
// has no ":". Later colons belong to the value: "Date: 08:00" gives "08:00".
Text HeaderLineValue(std::string_view line);

// The caller's header block with the defaults both the WinInet-style and the
// scripted clients add first, each only when the block does not name it yet
// (a case-sensitive search): "Accept: */*" (the whole block when it is
// empty), then "Referer: " + `url`, then "Accept-Language: zh-cn", each
// after a CR LF.
Text WithCommonHeaderDefaults(const Text& headers, const Text& url);

// Adds `line` to a request's header `lines` the way a request header replaces
// one of the same name: a line whose name matches (letter case ignored) is
// overwritten in its place, otherwise `line` goes last. A line without a name
// is always added.
void AddHeaderLine(std::vector<Text>& lines, Text line);

}  // namespace velmora
