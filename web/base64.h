// Base64 text of a byte string (RFC 4648 section 4, standard alphabet).
#pragma once

#include "text/text.h"

namespace velmora {

// The Base64 encoding of `data` as one line, padded with "=" to a multiple of
// four characters; the empty text for empty input. Never fails.
// Base64Encode(TextToBytes("abc")) == "YWJj".
Text Base64Encode(const Bytes& data);

}  // namespace velmora
