// The one GBK (code page 936) decoder behind the codec and the matcher, and
// the map from decoded UTF-8 offsets back to GBK byte offsets. Private to
// text/: callers outside it use text/gbk_codec.h.
//
// Character rules, the same for every caller:
//   - a byte below 0x80 is itself;
//   - 0x80 alone is the euro sign and 0xFF alone is U+F8F5, as code page 936
//     defines them;
//   - a byte 0x81-0xFE followed by any byte but NUL is one two-byte character:
//     its code page 936 mapping, or U+FFFD when it has none;
//   - a byte 0x81-0xFE at the end or before a NUL is one U+FFFD.
// So every GBK byte belongs to exactly one decoded character, and a character
// never swallows a NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::gbk_detail {

// A place where a GBK character starts, with where its UTF-8 form starts.
struct Checkpoint {
  std::size_t utf8;
  std::size_t gbk;
};

// Upper bound of the UTF-8 size of `gbkSize` GBK bytes, with the slack the
// decoder's word-wide writes need.
constexpr std::size_t Utf8Capacity(std::size_t gbkSize) { return 3 * gbkSize + 8; }

// Decodes `gbk` into `out`, which holds at least Utf8Capacity(gbk.size())
// bytes, and returns the number of bytes written. When `checkpoints` is given
// it receives one entry about every 64 GBK bytes, in increasing order.
std::size_t DecodeToUtf8(std::string_view gbk, char* out,
                         std::vector<Checkpoint>* checkpoints);

// Decodes `gbk` into UTF-16 code units (every character is one unit).
std::u16string DecodeToUtf16(std::string_view gbk);

// Turns offsets into the UTF-8 form of `gbk` back into offsets into `gbk`,
// walking from the nearest checkpoint. Cheap when asked in increasing order.
// An offset inside a character maps to that character's first byte.
class OffsetMap {
 public:
  OffsetMap(std::string_view gbk, const std::vector<Checkpoint>& checkpoints);
  std::size_t GbkOffset(std::size_t utf8Offset);

 private:
  std::string_view gbk_;
  const std::vector<Checkpoint>& checkpoints_;
  Checkpoint cursor_{0, 0};
};

}  // namespace velmora::gbk_detail
