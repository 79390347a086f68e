// An owned ICU converter. Every ICU user in text/ and web/ opens its own
// converter for the length of one call, so no converter is ever shared.
#pragma once

#include <unicode/ucnv.h>

#include <memory>

namespace velmora {

struct IcuConverterCloser {
  void operator()(UConverter* converter) const noexcept { ucnv_close(converter); }
};
using IcuConverter = std::unique_ptr<UConverter, IcuConverterCloser>;

// Opens the converter ICU knows under `name` (any of its aliases); null when
// ICU has no such converter.
inline IcuConverter OpenIcuConverter(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  IcuConverter converter(ucnv_open(name, &status));
  if (U_FAILURE(status)) converter.reset();
  return converter;
}

// ICU's name of the converter that reproduces Windows code page 936: 0x80 is
// the euro sign, 0xFF is U+F8F5, and its substitution byte is "?".
inline constexpr const char* kCodePage936 = "windows-936-2000";

}  // namespace velmora
