#include "text/gbk_decoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

#include "text/icu_converter.h"

namespace velmora::gbk_detail {
namespace {

// One checkpoint per this many GBK bytes: small enough that mapping an offset
// walks only a few dozen characters, large enough that the checkpoints take an
// eighth of the subject's size or less.
constexpr std::size_t kBlockSize = 64;

// A character's UTF-8 bytes packed as byte0 | byte1 << 8 | byte2 << 16, with
// its length in the top byte.
constexpr std::uint32_t Pack(char32_t c) {
  if (c < 0x80) return (1u << 24) | static_cast<std::uint32_t>(c);
  if (c < 0x800) {
    return (2u << 24) | (0xC0u | (c >> 6)) | ((0x80u | (c & 0x3F)) << 8);
  }
  return (3u << 24) | (0xE0u | (c >> 12)) | ((0x80u | ((c >> 6) & 0x3F)) << 8) |
         ((0x80u | (c & 0x3F)) << 16);
}

constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kEuro = 0x20AC;
// Code page 936 gives the byte 0xFF a character of its own in the private
// use area, as the encoder writes U+F8F5 back as 0xFF.
constexpr char16_t kLoneFF = 0xF8F5;
constexpr std::uint32_t kPackedReplacement = Pack(kReplacement);
constexpr std::uint32_t kPackedEuro = Pack(kEuro);
constexpr std::uint32_t kPackedLoneFF = Pack(kLoneFF);

// Mappings of every two-byte character, indexed by (lead - 0x80) << 8 | trail.
// Built once from ICU's code page 936 and never changed afterwards, so threads
// read it without a lock.
struct Table {
  std::array<char16_t, 0x8000> utf16;
  std::array<std::uint32_t, 0x8000> utf8;
};

std::unique_ptr<const Table> BuildTable() {
  auto table = std::make_unique<Table>();
  table->utf16.fill(kReplacement);
  IcuConverter converter = OpenIcuConverter(kCodePage936);
  if (converter) {
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr,
                        nullptr, &status);
    // GBK lead bytes are 0x81-0xFE and trail bytes 0x40-0xFE; every other pair
    // keeps U+FFFD.
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
      for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        UChar units[4];
        status = U_ZERO_ERROR;
        const int32_t count = ucnv_toUChars(converter.get(), units, 4, pair, 2, &status);
        if (U_SUCCESS(status) && count == 1 && !U16_IS_SURROGATE(units[0])) {
          table->utf16[((lead - 0x80) << 8) | trail] = units[0];
        }
      }
    }
  }
  for (std::size_t i = 0; i < table->utf16.size(); ++i) {
    table->utf8[i] = Pack(table->utf16[i]);
  }
  return table;
}

// Never destroyed: a detached worker thread may still be decoding while the
// process exits and runs static destructors.
const Table& GetTable() {
  static const Table* const table = BuildTable().release();
  return *table;
}

struct Widths {
  std::size_t gbk;
  std::size_t utf8;
};

// The widths of the character starting at s[i]; the rules of the header.
inline Widths CharWidths(const unsigned char* s, std::size_t n, std::size_t i,
                         const Table& table) {
  const unsigned b = s[i];
  if (b < 0x80) return {1, 1};
  if (b == 0x80) return {1, kPackedEuro >> 24};
  if (b == 0xFF) return {1, kPackedLoneFF >> 24};
  if (i + 1 < n && s[i + 1] != 0) {
    return {2, table.utf8[((b - 0x80) << 8) | s[i + 1]] >> 24};
  }
  return {1, kPackedReplacement >> 24};
}

// Writes three bytes (the decoder's buffer has slack) and returns the length.
inline std::size_t Put(char* out, std::uint32_t packed) {
  out[0] = static_cast<char>(packed & 0xFF);
  out[1] = static_cast<char>((packed >> 8) & 0xFF);
  out[2] = static_cast<char>((packed >> 16) & 0xFF);
  return packed >> 24;
}

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

}  // namespace

std::size_t DecodeToUtf8(std::string_view gbk, char* out,
                         std::vector<Checkpoint>* checkpoints) {
  const Table& table = GetTable();
  const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
  const std::size_t n = gbk.size();
  if (checkpoints != nullptr) {
    checkpoints->clear();
    checkpoints->reserve(n / kBlockSize + 2);
  }
  std::size_t in = 0;
  std::size_t o = 0;
  while (in < n) {
    if (checkpoints != nullptr) checkpoints->push_back({o, in});
    const std::size_t blockEnd = std::min(n, in + kBlockSize);
    while (in < blockEnd) {
      // Pages are mostly ASCII markup: copy eight bytes at a time while no
      // high bit is set, and up to the first high bit otherwise.
      if (blockEnd - in >= 8) {
        std::uint64_t word;
        std::memcpy(&word, s + in, 8);
        const std::uint64_t high = word & kHighBits;
        std::memcpy(out + o, &word, 8);
        if (high == 0) {
          in += 8;
          o += 8;
          continue;
        }
        if constexpr (std::endian::native == std::endian::little) {
          const std::size_t ascii = static_cast<std::size_t>(std::countr_zero(high)) / 8;
          in += ascii;
          o += ascii;
        }
      }
      const unsigned b = s[in];
      if (b < 0x80) {
        out[o++] = static_cast<char>(b);
        ++in;
      } else if (b == 0x80) {
        o += Put(out + o, kPackedEuro);
        ++in;
      } else if (b == 0xFF) {
        o += Put(out + o, kPackedLoneFF);
        ++in;
      } else if (in + 1 < n && s[in + 1] != 0) {
        o += Put(out + o, table.utf8[((b - 0x80) << 8) | s[in + 1]]);
        in += 2;
      } else {
        o += Put(out + o, kPackedReplacement);
        ++in;
      }
    }
  }
  return o;
}

std::u16string DecodeToUtf16(std::string_view gbk) {
  const Table& table = GetTable();
  const auto* s = reinterpret_cast<const unsigned char*>(gbk.data());
  const std::size_t n = gbk.size();
  std::u16string out(n, u'\0');
  std::size_t o = 0;
  for (std::size_t in = 0; in < n;) {
    const unsigned b = s[in];
    if (b < 0x80) {
      out[o++] = static_cast<char16_t>(b);
      ++in;
    } else if (b == 0x80) {
      out[o++] = kEuro;
      ++in;
    } else if (b == 0xFF) {
      out[o++] = kLoneFF;
      ++in;
    } else if (in + 1 < n && s[in + 1] != 0) {
      out[o++] = table.utf16[((b - 0x80) << 8) | s[in + 1]];
      in += 2;
    } else {
      out[o++] = kReplacement;
      ++in;
    }
  }
  out.resize(o);
  return out;
}

OffsetMap::OffsetMap(std::string_view gbk, const std::vector<Checkpoint>& checkpoints)
    : gbk_(gbk), checkpoints_(checkpoints) {}

std::size_t OffsetMap::GbkOffset(std::size_t utf8Offset) {
  // Start from the cursor when it lies between the nearest checkpoint and the
  // offset; otherwise from that checkpoint.
  Checkpoint from = cursor_;
  if (cursor_.utf8 > utf8Offset || utf8Offset - cursor_.utf8 > kBlockSize) {
    const auto next = std::upper_bound(
        checkpoints_.begin(), checkpoints_.end(), utf8Offset,
        [](std::size_t offset, const Checkpoint& c) { return offset < c.utf8; });
    Checkpoint nearest{0, 0};
    if (next != checkpoints_.begin()) nearest = *(next - 1);
    if (cursor_.utf8 > utf8Offset || cursor_.utf8 < nearest.utf8) from = nearest;
  }

  const Table& table = GetTable();
  const auto* s = reinterpret_cast<const unsigned char*>(gbk_.data());
  const std::size_t n = gbk_.size();
  while (from.utf8 < utf8Offset && from.gbk < n) {
    // Eight ASCII bytes are eight characters of one byte in both forms.
    if (utf8Offset - from.utf8 >= 8 && n - from.gbk >= 8) {
      std::uint64_t word;
      std::memcpy(&word, s + from.gbk, 8);
      if ((word & kHighBits) == 0) {
        from.utf8 += 8;
        from.gbk += 8;
        continue;
      }
    }
    const Widths w = CharWidths(s, n, from.gbk, table);
    if (from.utf8 + w.utf8 > utf8Offset) break;
    from.utf8 += w.utf8;
    from.gbk += w.gbk;
  }
  cursor_ = from;
  return from.gbk;
}

}  // namespace velmora::gbk_detail
