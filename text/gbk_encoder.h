// The one GBK (code page 936) encoder behind the codec: a table from every
// character of the Basic Multilingual Plane to its bytes, built once from
// ICU's converter and never changed, so converting a page is a table walk
// instead of a converter call per run of text. Private to text/: callers
// outside it use text/gbk_codec.h.
//
// Results are ICU's, byte for byte: a character code page 936 cannot hold,
// any character beyond the plane and an unpaired surrogate each become "?".
#pragma once

#include <string_view>

#include "text/text.h"

namespace velmora::gbk_detail {

// Appends the GBK form of `utf16` to `out`.
void EncodeUtf16(std::u16string_view utf16, Text& out);

// Appends the GBK form of `utf8` to `out` when `utf8` is well-formed UTF-8
// (no overlong forms, surrogates or values past U+10FFFF); otherwise leaves
// `out` as it was and returns false.
bool EncodeWellFormedUtf8(std::string_view utf8, Text& out);

}  // namespace velmora::gbk_detail
