#include "text/gbk_encoder.h"

#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "text/icu_converter.h"

namespace velmora::gbk_detail {
namespace {

constexpr char kSubstitute = '?';

// Per BMP character its GBK bytes: one byte when below 0x100, else the lead
// byte (0x81 or above) in the high half and the second byte in the low;
// kNothing for the few characters the converter drops (U+00AD SOFT HYPHEN,
// U+FEFF ZERO WIDTH NO-BREAK SPACE). The surrogate range is never looked up.
using Table = std::array<std::uint16_t, 0x10000>;
// 0x80 is a one-byte character in code page 936, never a lead byte.
constexpr std::uint16_t kNothing = 0x8000;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Code page 936 holds no character beyond the BMP, so those become "?", but
// for the few that Unicode marks as ignorable by default: the converter drops
// them, as it drops U+00AD and U+FEFF. The codec tests hold this list up
// against the converter for every character beyond the BMP.
bool IsDroppedBeyondBmp(char32_t c) {
  return (c >= 0x1BCA0 && c <= 0x1BCA3) || (c >= 0x1D173 && c <= 0x1D17A) ||
         (c >= 0xE0000 && c <= 0xE0FFF);
}

std::unique_ptr<const Table> BuildTable() {
  auto table = std::make_unique<Table>();
  table->fill(kNothing);
  std::u16string every;
  every.reserve(0x10000);
  for (char32_t c = 0; c < 0x10000; ++c) {
    if (!IsSurrogate(c)) every.push_back(static_cast<char16_t>(c));
  }
  IcuConverter converter = OpenIcuConverter(kCodePage936);
  if (!converter) {
    table->fill(static_cast<std::uint16_t>(kSubstitute));
    return table;
  }
  UErrorCode status = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), &kSubstitute, 1, &status);
  // One call for the whole plane; the offsets tell which character each
  // output byte came from.
  std::vector<char> bytes(2 * every.size());
  std::vector<int32_t> offsets(bytes.size());
  char* target = bytes.data();
  const UChar* source = every.data();
  status = U_ZERO_ERROR;
  ucnv_fromUnicode(converter.get(), &target, bytes.data() + bytes.size(), &source,
                   every.data() + every.size(), offsets.data(), true, &status);
  if (U_FAILURE(status)) {
    table->fill(static_cast<std::uint16_t>(kSubstitute));
    return table;
  }
  const auto written = static_cast<std::size_t>(target - bytes.data());
  for (std::size_t i = 0; i < written;) {
    const auto from = static_cast<std::size_t>(offsets[i]);
    std::size_t length = 1;
    while (i + length < written && offsets[i + length] == offsets[i]) ++length;
    const auto first = static_cast<unsigned char>(bytes[i]);
    if (length == 1) {
      (*table)[every[from]] = first;
    } else if (length == 2) {
      (*table)[every[from]] =
          static_cast<std::uint16_t>(first << 8 | static_cast<unsigned char>(bytes[i + 1]));
    }
    i += length;
  }
  return table;
}

// Never destroyed: a detached worker thread may still be encoding while the
// process exits and runs static destructors.
const Table& GetTable() {
  static const Table* const table = BuildTable().release();
  return *table;
}

// Writes the GBK form of `c` at `out` (room for two bytes); returns the end.
char* Put(const Table& table, char32_t c, char* out) {
  if (c < 0x80) {
    *out = static_cast<char>(c);
    return out + 1;
  }
  if (c > 0xFFFF && IsDroppedBeyondBmp(c)) return out;
  if (c > 0xFFFF || IsSurrogate(c)) {
    *out = kSubstitute;
    return out + 1;
  }
  const std::uint16_t code = table[c];
  if (code == kNothing) return out;
  if (code >= 0x100) *out++ = static_cast<char>(code >> 8);
  *out = static_cast<char>(code & 0xFF);
  return out + 1;
}

}  // namespace

void EncodeUtf16(std::u16string_view utf16, Text& out) {
  const Table& table = GetTable();
  const std::size_t size = out.size();
  out.resize(size + 2 * utf16.size());
  char* at = out.data() + size;
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    // Pages are mostly ASCII markup: four units at a time while they are.
    while (utf16.size() - i >= 4) {
      std::uint64_t units;
      std::memcpy(&units, utf16.data() + i, 8);
      if ((units & 0xFF80FF80FF80FF80ull) != 0) break;
      for (int k = 0; k < 4; ++k) *at++ = static_cast<char>(utf16[i + static_cast<std::size_t>(k)]);
      i += 4;
    }
    if (i == utf16.size()) break;
    char32_t c = utf16[i];
    // A surrogate pair is one character beyond the plane; a lone surrogate
    // is a "?" of its own.
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (utf16[i + 1] - 0xDC00u);
      ++i;
    }
    at = Put(table, c, at);
  }
  out.resize(static_cast<std::size_t>(at - out.data()));
}

bool EncodeWellFormedUtf8(std::string_view utf8, Text& out) {
  const Table& table = GetTable();
  const std::size_t size = out.size();
  // No character takes more bytes in GBK than in UTF-8.
  out.resize(size + utf8.size());
  char* at = out.data() + size;
  const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  for (std::size_t i = 0; i < n;) {
    // Eight ASCII bytes at a time while there are.
    if (n - i >= 8) {
      std::uint64_t word;
      std::memcpy(&word, s + i, 8);
      if ((word & 0x8080808080808080ull) == 0) {
        std::memcpy(at, &word, 8);
        at += 8;
        i += 8;
        continue;
      }
    }
    const unsigned char lead = s[i];
    if (lead < 0x80) {
      *at++ = static_cast<char>(lead);
      ++i;
      continue;
    }
    char32_t c = 0;
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      c = lead & 0x1Fu;
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      c = lead & 0x0Fu;
      length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      c = lead & 0x07u;
      length = 4;
    }
    bool wellFormed = length != 0 && n - i >= length;
    for (std::size_t k = 1; wellFormed && k < length; ++k) {
      wellFormed = (s[i + k] & 0xC0) == 0x80;
      c = c << 6 | (s[i + k] & 0x3Fu);
    }
    // The shortest form only, no surrogates, nothing past U+10FFFF.
    if (!wellFormed || (length == 3 && c < 0x800) ||
        (length == 4 && (c < 0x10000 || c > 0x10FFFF)) || IsSurrogate(c)) {
      out.resize(size);
      return false;
    }
    at = Put(table, c, at);
    i += length;
  }
  out.resize(static_cast<std::size_t>(at - out.data()));
  return true;
}

}  // namespace velmora::gbk_detail
