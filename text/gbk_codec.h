// Conversions between GBK (code page 936) text and Unicode, through tables
// built once from ICU's converter and never changed. Any thread may call them
// at any time.
//
// Decoding reads characters the way every part of the program does: a byte
// 0x81-0xFF and the byte after it (anything but NUL) are one character; 0x80
// alone is the euro sign, as in code page 936.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/text.h"

namespace velmora {

// GBK to UTF-8 / UTF-16. A two-byte character without a mapping, or a lead
// byte with no second byte, becomes U+FFFD. Never fails.
std::string Utf8FromGbk(std::string_view gbk);
std::u16string Utf16FromGbk(std::string_view gbk);

// UTF-8 / UTF-16 to GBK. A character GBK cannot hold, an unpaired surrogate or
// a malformed UTF-8 sequence becomes "?". Empty only for empty input.
Text GbkFromUtf8(std::string_view utf8);
Text GbkFromUtf16(std::u16string_view utf16);

// GbkFromUtf8 for well-formed UTF-8 only: nothing when `utf8` holds a
// malformed sequence, an overlong form, a surrogate or a value past U+10FFFF.
std::optional<Text> GbkFromWellFormedUtf8(std::string_view utf8);

}  // namespace velmora
