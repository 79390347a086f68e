#include "text/gbk_codec.h"

#include <unicode/ustring.h>

#include <utility>

#include "text/gbk_decoder.h"
#include "text/gbk_encoder.h"

namespace velmora {

std::string Utf8FromGbk(std::string_view gbk) {
  std::string utf8(gbk_detail::Utf8Capacity(gbk.size()), '\0');
  utf8.resize(gbk_detail::DecodeToUtf8(gbk, utf8.data(), nullptr));
  return utf8;
}

std::u16string Utf16FromGbk(std::string_view gbk) {
  return gbk_detail::DecodeToUtf16(gbk);
}

Text GbkFromUtf16(std::u16string_view utf16) {
  Text gbk;
  gbk_detail::EncodeUtf16(utf16, gbk);
  return gbk;
}

std::optional<Text> GbkFromWellFormedUtf8(std::string_view utf8) {
  Text gbk;
  if (!gbk_detail::EncodeWellFormedUtf8(utf8, gbk)) return std::nullopt;
  return gbk;
}

Text GbkFromUtf8(std::string_view utf8) {
  if (std::optional<Text> gbk = GbkFromWellFormedUtf8(utf8)) return std::move(*gbk);
  // Malformed input: ICU decides how many "?" each broken sequence is.
  std::u16string utf16(utf8.size(), u'\0');
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(utf16.data(),
                       static_cast<int32_t>(utf16.size()), &length, utf8.data(),
                       static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return {};
  utf16.resize(static_cast<std::size_t>(length));
  return GbkFromUtf16(utf16);
}

}  // namespace velmora
