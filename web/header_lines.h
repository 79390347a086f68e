// Taking one "Name: value" header line apart at its first colon.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velmora {

// The text before the line's first ":", trimmed of spaces; empty when the
// line has no ":". HeaderLineName(" Accept : x") == "Accept".
Text HeaderLineName(std::string_view line);

// The text after the line's first ":", trimmed of spaces; empty when the line
// has no ":". Later colons belong to the value: "Date: 08:00" gives "08:00".
Text HeaderLineValue(std::string_view line);

}  // namespace velmora
