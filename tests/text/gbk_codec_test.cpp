#include "text/gbk_codec.h"

#include <gtest/gtest.h>
#include <unicode/ustring.h>

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "tests/support/icu_reference.h"
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
      // 0x80 alone is the euro sign and 0xFF alone U+F8F5, as in code page 936.
      {"\x80" "A", "€A", u"€A"},
      {"\xFF" "A\xFF", "\uF8F5" "A\uF8F5", u"\uF8F5" "A\uF8F5"},
      // A lead byte takes the next byte whatever it is, so an invalid trail
      // byte is swallowed into one replacement character ...
      {"\x81\x30" "a", "\uFFFD" "a", u"\uFFFD" "a"},
      {"\x81\x7F", "\uFFFD", u"\uFFFD"},
      {"\x81\xFF", "\uFFFD", u"\uFFFD"},
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
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
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
  // So do the two single bytes with a character of their own.
  for (const char* single : {"\x80", "\xFF"}) {
    EXPECT_EQ(Show(GbkFromUtf16(Utf16FromGbk(single))), Show(single));
    EXPECT_EQ(Show(GbkFromUtf8(Utf8FromGbk(single))), Show(single));
  }
}

// The encoders walk a table built from ICU's converter; ICU itself,
// converting the same input in one call, is the reference.
std::string IcuGbkFromUtf16(std::u16string_view utf16) {
  const std::optional<std::string> gbk = testing::IcuGbkFromUtf16(utf16);
  EXPECT_TRUE(gbk.has_value());
  return gbk.value_or("");
}

std::string IcuGbkFromUtf8(std::string_view utf8) {
  const std::optional<std::string> gbk = testing::IcuGbkFromUtf8(utf8);
  EXPECT_TRUE(gbk.has_value());
  return gbk.value_or("");
}

// Every plane: beyond the BMP code page 936 holds nothing, but ICU drops a
// few characters there instead of writing "?".
TEST(GbkCodec, EncodingAgreesWithIcuOnEveryCharacter) {
  for (char32_t block = 0; block < 0x110000; block += 0x100) {
    std::u16string utf16;
    for (char32_t c = block; c < block + 0x100; ++c) {
      if (c >= 0xD800 && c <= 0xDFFF) continue;
      if (c < 0x10000) {
        utf16.push_back(static_cast<char16_t>(c));
      } else {
        utf16.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        utf16.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
      }
    }
    if (utf16.empty()) continue;
    SCOPED_TRACE(::testing::Message() << "characters from U+" << std::hex << static_cast<unsigned>(block));
    const std::string want = IcuGbkFromUtf16(utf16);
    ASSERT_EQ(Show(GbkFromUtf16(utf16)), Show(want));
    std::string utf8(4 * utf16.size(), '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &length, utf16.data(),
                static_cast<int32_t>(utf16.size()), &status);
    ASSERT_TRUE(U_SUCCESS(status));
    utf8.resize(static_cast<std::size_t>(length));
    ASSERT_EQ(Show(GbkFromUtf8(utf8)), Show(want)) << "from UTF-8";
  }
}

// Surrogates paired, unpaired and cut off, characters beyond the plane, and
// UTF-8 that is broken in every way a byte can break it.
TEST(GbkCodec, EncodingAgreesWithIcuOnRandomInput) {
  const std::u16string units[] = {u"a",      u"\u4E2D", u"\u20AC", u"\U0001F600", u"\xD83D",
                                  u"\xDE00", u"\uFFFD", u"\uFEFF", u"\u00E9",     u"\U000E0041",
                                  std::u16string(1, u'\0')};
  const std::string bytes[] = {"a", "\xE4\xB8\xAD", "\xC3\xA9", "\xF0\x9F\x98\x80", "\xC3",
                               "\xE4\xB8", "\x80", "\xBF", "\xC0\xAF", "\xE0\x80\xAF",
                               "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xF5", "\xFF", "\xEF\xBB\xBF",
                               "\xF3\xA0\x81\x81"};
  std::mt19937 random(20261211);
  for (int round = 0; round < 2000; ++round) {
    std::u16string utf16;
    std::string utf8;
    const std::size_t length = random() % 12;
    for (std::size_t i = 0; i < length; ++i) {
      utf16 += units[random() % std::size(units)];
      utf8 += bytes[random() % std::size(bytes)];
    }
    ASSERT_EQ(Show(GbkFromUtf16(utf16)), Show(IcuGbkFromUtf16(utf16))) << Show(utf16);
    ASSERT_EQ(Show(GbkFromUtf8(utf8)), Show(IcuGbkFromUtf8(utf8))) << Show(utf8);
  }
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
