#include "text/gbk_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/show_bytes.h"

namespace velmora {
namespace {

using namespace std::string_view_literals;

std::string Show(std::string_view s) { return testing::ShowBytes(s); }

std::string Show(std::u16string_view s) {
  std::string out = "u'";
  for (char16_t c : s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(kHex[(c >> shift) & 15]);
  }
  return out + "'";
}

// GBK bytes: 中 D6 D0, 文 CE C4, 丂 81 40, é A8 A6, € 80 (single byte).
TEST(GbkCodec, DecodesGbk) {
  struct Row {
    std::string_view gbk;
    std::string_view utf8;
    std::u16string_view utf16;
  };
  const Row rows[] = {
      {"", "", u""},
      {"abc", "abc", u"abc"},
      {"\xD6\xD0\xCE\xC4", "中文", u"中文"},
      {"\x81\x40", "丂", u"丂"},
      {"\xA8\xA6", "é", u"é"},
      // 0x80 alone is the euro sign, as in code page 936.
      {"\x80" "A", "€A", u"€A"},
      // A lead byte takes the next byte whatever it is, so an invalid trail
      // byte is swallowed into one replacement character ...
      {"\x81\x30" "a", "\uFFFD" "a", u"\uFFFD" "a"},
      {"\x81\x7F", "\uFFFD", u"\uFFFD"},
      {"\xFF\x41", "\uFFFD", u"\uFFFD"},
      // ... but never a NUL, and a lead byte at the end stands alone.
      {"\xD6\0a"sv, "\uFFFD\0a"sv, u"\uFFFD\0a"sv},
      {"ab\xD6", "ab\uFFFD", u"ab\uFFFD"},
      // Long enough to cross the word-wide ASCII path at every alignment.
      {"<div class=\"x\">\xD6\xD0</div><p>abcdefghijk\xCE\xC4z</p>",
       "<div class=\"x\">中</div><p>abcdefghijk文z</p>",
       u"<div class=\"x\">中</div><p>abcdefghijk文z</p>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Show(row.gbk));
    EXPECT_EQ(Show(Utf8FromGbk(row.gbk)), Show(row.utf8));
    EXPECT_EQ(Show(Utf16FromGbk(row.gbk)), Show(row.utf16));
  }
}

TEST(GbkCodec, EncodesGbk) {
  struct Row {
    std::string_view utf8;
    std::u16string_view utf16;
    std::string_view gbk;
  };
  const Row rows[] = {
      {"", u"", ""},
      {"abc", u"abc", "abc"},
      {"中文", u"中文", "\xD6\xD0\xCE\xC4"},
      {"€", u"€", "\x80"},
      {"é", u"é", "\xA8\xA6"},
      {"a\0b"sv, u"a\0b"sv, "a\0b"sv},
      // Characters code page 936 cannot hold become "?".
      {"ก", u"ก", "?"},
      {"x😀y", u"x😀y", "x?y"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Show(row.gbk));
    EXPECT_EQ(Show(GbkFromUtf8(row.utf8)), Show(row.gbk));
    EXPECT_EQ(Show(GbkFromUtf16(row.utf16)), Show(row.gbk));
  }
}

TEST(GbkCodec, MalformedUnicodeBecomesQuestionMark) {
  EXPECT_EQ(Show(GbkFromUtf8("a\xC3")), Show("a?"));
  EXPECT_EQ(Show(GbkFromUtf8("\xFF" "b")), Show("?b"));
  EXPECT_EQ(Show(GbkFromUtf16(u"a\xD800" "b")), Show("a?b"));
}

// Every two-byte character that decodes to something other than U+FFFD
// encodes back to the same two bytes through either Unicode form.
TEST(GbkCodec, EveryMappedPairRoundTrips) {
  int mapped = 0;
  for (unsigned lead = 0x81; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0x01; trail <= 0xFF; ++trail) {
      const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::u16string utf16 = Utf16FromGbk(pair);
      ASSERT_EQ(utf16.size(), 1u) << Show(pair);
      if (utf16[0] == u'\uFFFD') continue;
      ++mapped;
      EXPECT_EQ(Show(GbkFromUtf16(utf16)), Show(pair));
      EXPECT_EQ(Show(GbkFromUtf8(Utf8FromGbk(pair))), Show(pair));
    }
  }
  // GBK holds 21,886 characters plus the user-defined areas.
  EXPECT_GT(mapped, 21000);
}

TEST(GbkCodec, ThreadsConvertAtTheSameTime) {
  const std::string gbk = "\xD6\xD0\xCE\xC4 abc \x81\x40";
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int& failed : failures) {
    threads.emplace_back([&gbk, &failed] {
      for (int i = 0; i < 200; ++i) {
        if (Utf8FromGbk(gbk) != "中文 abc 丂" || GbkFromUtf8("中文 abc 丂") != gbk) ++failed;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int failed : failures) EXPECT_EQ(failed, 0);
}

}  // namespace
}  // namespace velmora
