// Conversions between GBK (code page 936) text and Unicode, on ICU. Each call
// opens its own converter, so any thread may call them at any time.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace velmora {

// GBK to UTF-8 / UTF-16. A byte sequence that is not valid GBK becomes U+FFFD.
std::string Utf8FromGbk(std::string_view gbk);
std::u16string Utf16FromGbk(std::string_view gbk);

// UTF-8 / UTF-16 to GBK. A character GBK cannot hold becomes "?".
Text GbkFromUtf8(std::string_view utf8);
Text GbkFromUtf16(std::u16string_view utf16);

}  // namespace velmora
