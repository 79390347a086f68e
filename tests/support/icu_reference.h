// ICU converting Unicode to GBK itself, one call per text: the reference the
// table-driven encoder is held up against by the codec tests and the fuzzer.
// Header-only, so the fuzz build can use it without the test-server library.
#pragma once

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <optional>
#include <string>
#include <string_view>

namespace velmora::testing {

// `utf16` through ICU's code page 936 converter with "?" for what it cannot
// hold; nothing when ICU fails.
inline std::optional<std::string> IcuGbkFromUtf16(std::u16string_view utf16) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* converter = ucnv_open("windows-936-2000", &status);
  if (U_FAILURE(status)) return std::nullopt;
  ucnv_setSubstChars(converter, "?", 1, &status);
  std::string gbk(2 * utf16.size() + 1, '\0');
  const int32_t written =
      ucnv_fromUChars(converter, gbk.data(), static_cast<int32_t>(gbk.size()), utf16.data(),
                      static_cast<int32_t>(utf16.size()), &status);
  ucnv_close(converter);
  if (U_FAILURE(status)) return std::nullopt;
  gbk.resize(static_cast<std::size_t>(written));
  return gbk;
}

// `utf8` decoded by ICU (U+FFFD for each malformed part) and then encoded as
// above; nothing when ICU fails.
inline std::optional<std::string> IcuGbkFromUtf8(std::string_view utf8) {
  std::u16string utf16(utf8.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(utf16.data(), static_cast<int32_t>(utf16.size()), &length, utf8.data(),
                       static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return std::nullopt;
  utf16.resize(static_cast<std::size_t>(length));
  return IcuGbkFromUtf16(utf16);
}

}  // namespace velmora::testing
