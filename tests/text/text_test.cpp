#include "text/text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>

#include "tests/support/show_bytes.h"

namespace velmora {
namespace {

// GBK bytes used below: 中 D6 D0, ideographic space A1 A1, full-width digits
// A3 B0.., full-width minus A3 AD.
constexpr std::string_view kZhong = "\xD6\xD0";
constexpr std::string_view kIdeoSpace = "\xA1\xA1";

// Shows bytes 0x80+ as \xNN so a failing GBK row stays readable.
std::string Show(std::string_view s) { return testing::ShowBytes(s); }

std::string ShowList(const TextList& items) {
  std::string out = "{";
  for (const Text& item : items) out += Show(item) + " ";
  return out + "}";
}

TEST(TextCutting, LeftRightMiddle) {
  struct Row {
    char op;
    std::string_view text;
    int start;
    int n;
    std::string_view want;
  };
  const Row rows[] = {
      {'L', "abc", 0, 5, "abc"},
      {'L', "abc", 0, 0, ""},
      {'L', "abc", 0, -1, ""},
      {'L', "abc", 0, 2, "ab"},
      {'L', "", 0, 3, ""},
      {'R', "abc", 0, 5, "abc"},
      {'R', "abc", 0, 2, "bc"},
      {'R', "abc", 0, 0, ""},
      {'R', "abc", 0, -4, ""},
      {'M', "abcdef", 2, 3, "bcd"},
      {'M', "abcdef", 7, 3, ""},
      {'M', "abcdef", 6, 3, "f"},
      {'M', "abcdef", 0, 3, ""},
      {'M', "abcdef", 1, 0, ""},
      {'M', "abcdef", 1, 100, "abcdef"},
      // Plain bytes: cutting may split a pair.
      {'L', "\xD6\xD0" "a", 0, 1, "\xD6"},
      {'M', "\xD6\xD0" "a", 2, 2, "\xD0" "a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(1, row.op) + " " + Show(row.text) + " start=" +
                 std::to_string(row.start) + " n=" + std::to_string(row.n));
    Text got = row.op == 'L'   ? Left(row.text, row.n)
               : row.op == 'R' ? Right(row.text, row.n)
                               : Middle(row.text, row.start, row.n);
    EXPECT_EQ(got, row.want);
  }
}

TEST(TextSearch, Find) {
  struct Row {
    std::string_view text;
    std::string_view sought;
    int start;
    bool ignoreCase;
    int want;
  };
  const std::string longA(300, 'a');
  const std::string longPattern = std::string(70, 'a') + "b";
  const std::string longText = longA + "b";
  const Row rows[] = {
      {"abcb", "b", 1, false, 2},
      {"abcb", "b", 3, false, 4},
      {"abcb", "b", 5, false, -1},
      {"abcb", "b", 0, false, 2},
      {"abcb", "b", -7, false, 2},
      {"abc", "", 1, false, 1},
      {"", "", 1, false, -1},
      {"abc", "", 4, false, -1},
      {"", "a", 1, false, -1},
      {"ab", "abc", 1, false, -1},
      {"abc", "abc", 1, false, 1},
      {"x\"skuId\"", "SKUID", 1, true, 3},
      {"x\"skuId\"", "SKUID", 1, false, -1},
      // A match never starts on a second byte.
      {"\x81\x41", "A", 1, false, -1},
      {"\x81\x41" "A", "A", 1, false, 3},
      {"\xD6\xD0\xD6\xD0", "\xD0\xD6", 1, false, -1},
      // Starting on a second byte shifts the walk: D0 D6 is taken as a pair,
      // so the pair that really starts at 3 is stepped over.
      {"\xD6\xD0\xD6\xD0", "\xD6\xD0", 2, false, -1},
      {"\xD6\xD0\xD6\xD0", "\xD6\xD0", 3, false, 3},
      // The walk steps two bytes over a lead byte: a lead byte immediately
      // followed by the sought ASCII byte hides it.
      {"a\x81" "b", "b", 1, false, -1},
      {"a\x81" "bb", "b", 1, false, 4},
      // A lead byte as the last byte stands alone and can be found.
      {"ab\x81", "\x81", 1, false, 3},
      // A search begun on a second byte takes that byte as a boundary, as
      // positions are the caller's to choose.
      {"\x81\x41", "A", 2, false, 2},
      // Folding applies byte by byte, second bytes included.
      {"\x81\x61", "\x81\x41", 1, true, 1},
      {"\x81\x61", "\x81\x41", 1, false, -1},
      {"Content-TYPE: x", "content-type", 1, true, 1},
      // Patterns longer than the inline failure table, and self-overlapping.
      {longText, longPattern, 1, false, 231},
      {"aaab", "aab", 1, false, 2},
      {"abababc", "ababc", 1, false, 3},
      {"\xB0\xA1" "a\xA1\xB0" "a", "\xA1" "a", 1, false, -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("Find(" + Show(row.text.substr(0, 40)) + ", " + Show(row.sought.substr(0, 40)) +
                 ", " + std::to_string(row.start) + ", " + (row.ignoreCase ? "true" : "false") +
                 ")");
    EXPECT_EQ(Find(row.text, row.sought, row.start, row.ignoreCase), row.want);
  }
}

TEST(TextSearch, FindBackward) {
  struct Row {
    std::string_view text;
    std::string_view sought;
    int start;
    bool ignoreCase;
    int want;
  };
  const Row rows[] = {
      {"abcb", "b", kWholeText, false, 4},
      {"abcb", "b", 4, false, 2},
      {"abcb", "b", 5, false, 4},
      {"abcb", "b", 100, false, 4},
      {"abcb", "b", 2, false, -1},
      {"abcb", "b", 3, false, 2},
      {"abcb", "b", 1, false, -1},
      {"abcb", "b", 0, false, -1},
      {"abcb", "cb", 4, false, -1},  // would reach past the region
      {"abcb", "cb", 5, false, 3},
      {"abc", "", kWholeText, false, 1},
      {"abc", "", 1, false, -1},
      {"", "", kWholeText, false, -1},
      {"", "a", kWholeText, false, -1},
      {"aaaa", "aa", kWholeText, false, 3},  // overlapping occurrences count
      {"xAbxaB", "ab", kWholeText, true, 5},
      {"xAbxaB", "ab", kWholeText, false, -1},
      {"\x81\x41" "A\x81\x41", "A", kWholeText, false, 3},
      {"\x81\x41\x81\x41", "A", kWholeText, false, -1},
      // The region's last byte is a lead byte whose pair reaches outside.
      {"a\x81" "b", "\x81", 3, false, 2},
      {"a\x81\x81", "\x81", 3, false, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("FindBackward(" + Show(row.text) + ", " + Show(row.sought) + ", " +
                 std::to_string(row.start) + ", " + (row.ignoreCase ? "true" : "false") + ")");
    EXPECT_EQ(FindBackward(row.text, row.sought, row.start, row.ignoreCase), row.want);
  }
}

TEST(TextSearch, FindOverLargeTextMatchesAtTheEnd) {
  std::string text(1 << 20, 'x');
  for (std::size_t i = 0; i < text.size(); i += 2) text[i] = '\xB0';  // all pairs
  text += "needle";
  EXPECT_EQ(Find(text, "needle"), (1 << 20) + 1);
  EXPECT_EQ(FindBackward(text, "xn"), -1);  // 'x' there is a second byte
  EXPECT_EQ(Find(text, "x"), -1);
}

TEST(TextRewriting, Replace) {
  struct Row {
    std::string_view text;
    std::string_view oldText;
    std::string_view newText;
    int start;
    int count;
    bool caseSensitive;
    std::string_view want;
  };
  const Row rows[] = {
      // "#引号" by a double quote, every occurrence.
      {"#\xD2\xFD\xBA\xC5id#\xD2\xFD\xBA\xC5:#\xD2\xFD\xBA\xC5", "#\xD2\xFD\xBA\xC5", "\"", 1, -1,
       true, "\"id\":\""},
      {"", "a", "b", 1, -1, true, ""},
      {"abc", "", "x", 1, -1, true, "abc"},
      {"abc", "b", "x", 1, 0, true, "abc"},
      {"abc", "b", "x", 4, -1, true, "abc"},
      {"abc", "b", "x", 0, -1, true, "axc"},
      {"abab", "b", "", 1, -1, true, "aa"},
      {"abab", "b", "x", 3, -1, true, "abax"},
      {"ababab", "b", "x", 1, 2, true, "axaxab"},
      {"aaa", "aa", "b", 1, -1, true, "ba"},    // no overlap
      {"aa", "a", "aa", 1, -1, true, "aaaa"},   // inserted text not searched
      {"aBAb", "ab", "x", 1, -1, false, "xx"},
      {"aBAb", "ab", "x", 1, -1, true, "aBAb"},
      {"\x81\x41" "A", "A", "x", 1, -1, true, "\x81\x41x"},
      {"\xD6\xD0\xD6\xD0", "\xD0\xD6", "x", 1, -1, true, "\xD6\xD0\xD6\xD0"},
      {"ab\x81", "\x81", "x", 1, -1, true, "abx"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("Replace(" + Show(row.text) + ", " + Show(row.oldText) + ", " +
                 Show(row.newText) + ", " + std::to_string(row.start) + ", " +
                 std::to_string(row.count) + ")");
    EXPECT_EQ(Replace(row.text, row.oldText, row.newText, row.start, row.count, row.caseSensitive),
              row.want);
  }
}

TEST(TextRewriting, Split) {
  struct Row {
    std::string_view text;
    std::string_view separator;
    int maxCount;
    TextList want;
  };
  const Row rows[] = {
      {"a;;b", ";", -1, {"a", "", "b"}},
      {";a", ";", -1, {"", "a"}},
      {"a;b;", ";", -1, {"a", "b"}},
      {"abc", ";", -1, {"abc"}},
      {"", ";", -1, {}},
      {";", ";", -1, {""}},
      {"a=1; b=2", ";", -1, {"a=1", " b=2"}},
      {"a,b", ",", -1, {"a", "b"}},
      {"a;b;c", ";", 2, {"a", "b"}},
      {"a;b;c", ";", 0, {}},
      {"abc", "", -1, {"abc"}},
      {"a\r\nb\r\n\r\nc", "\r\n", -1, {"a", "b", "", "c"}},
      // The separator never matches a second byte, so the pair stays whole.
      {"\x81;;b", ";", -1, {"\x81;", "b"}},
      {"A\x81" "AB", "A", -1, {"", "\x81" "AB"}},
      {"aXbxc", "x", -1, {"aXb", "c"}},  // exact, case-sensitive
  };
  for (const Row& row : rows) {
    SCOPED_TRACE("Split(" + Show(row.text) + ", " + Show(row.separator) + ", " +
                 std::to_string(row.maxCount) + ") want " + ShowList(row.want));
    EXPECT_EQ(Split(row.text, row.separator, row.maxCount), row.want);
  }
  EXPECT_EQ(Split("a,b"), (TextList{"a", "b"}));
}

TEST(TextRewriting, Join) {
  EXPECT_EQ(Join({}, ";"), "");
  EXPECT_EQ(Join({"a"}, ";"), "a");
  EXPECT_EQ(Join({"a", "", "b"}, "; "), "a; ; b");
}

TEST(TextRewriting, TrimRemoveSpacesLower) {
  struct Row {
    char op;
    std::string text;
    std::string want;
  };
  const std::string ideo(kIdeoSpace);
  const Row rows[] = {
      {'T', "  a b  ", "a b"},
      {'T', "\ta", "\ta"},
      {'T', "a\r\n", "a\r\n"},
      {'T', "", ""},
      {'T', "    ", ""},
      {'T', ideo + " a" + ideo + "b " + ideo, "a" + ideo + "b"},
      {'T', ideo + ideo, ""},
      // A1 A1 counts only at a character boundary: here the first A1 is the
      // second byte of B0 A1 and the next pair is A1 B0.
      {'T', "\xB0\xA1\xA1\xB0", "\xB0\xA1\xA1\xB0"},
      {'T', "a\xB0\xA1\xA1", "a\xB0\xA1\xA1"},
      {'T', "a\xB0\xA1\xA1\xA1", "a\xB0\xA1"},
      // A lone lead byte at the end is not a space.
      {'T', " \xA1", "\xA1"},
      {'R', "a b" + ideo + "c", "abc"},
      {'R', " \t ", "\t"},
      {'R', "\xB0\xA1\xA1\xB0", "\xB0\xA1\xA1\xB0"},
      {'R', "\xB0 " + ideo, "\xB0 "},  // B0 20 is one pair
      {'L', "Content-Type", "content-type"},
      {'L', "\x81\x41" "A", "\x81\x41" "a"},
      {'L', std::string(kZhong) + "XY", std::string(kZhong) + "xy"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(1, row.op) + " " + Show(row.text));
    Text got = row.op == 'T'   ? Trim(row.text)
               : row.op == 'R' ? RemoveSpaces(row.text)
                               : ToLowerAscii(row.text);
    EXPECT_EQ(got, row.want) << "got " << Show(got);
  }
}

TEST(TextRewriting, EqualText) {
  struct Row {
    std::string_view a;
    std::string_view b;
    bool caseSensitive;
    bool want;
  };
  const Row rows[] = {
      {"abc", "abc", true, true},     {"abc", "ABC", true, false},
      {"abc", "ABC", false, true},    {"abc", "abcd", false, false},
      {"", "", true, true},           {"a[", "A{", false, false},
      {"\xD6\xD0", "\xD6\xD0", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Show(row.a) + " vs " + Show(row.b));
    EXPECT_EQ(EqualText(row.a, row.b, row.caseSensitive), row.want);
  }
}

TEST(TextConversion, NormalizeFullWidth) {
  struct Row {
    std::string_view text;
    std::string_view want;
  };
  const Row rows[] = {
      {"\xA3\xB1\xA3\xB2", "12"},
      {"\xA3\xAD\xA3\xB5", "-5"},
      {"\xA3\xA1\xA3\xFE", "!~"},
      {"\xA1\xA1\xA1\xAB\xA1\xEE\xA1\xEF", " ~**"},
      {"\xA3\xFF\xA3\xA0", "\xA3\xFF\xA3\xA0"},
      {"\xD6\xD0" "a", "\xD6\xD0" "a"},
      {"a\xB0\xA3\xA3\xB1", "a\xB0\xA3" "1"},  // the first A3 is a second byte
      {"\xA3", "\xA3"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Show(row.text));
    EXPECT_EQ(NormalizeFullWidth(row.text), row.want);
  }
}

TEST(TextConversion, TextToInteger) {
  struct Row {
    std::string_view text;
    std::int32_t want;
  };
  const Row rows[] = {
      {"12abc", 12},
      {"", 0},
      {"-3", -3},
      {"3.9", 3},
      {" 7", 7},
      {"+5", 5},
      {"abc", 0},
      {"\xA3\xB1\xA3\xB2", 12},          // full-width 12
      {"\xA3\xAD\xA3\xB7", -7},          // full-width minus and 7
      {"\xA1\xA1" "8", 8},               // ideographic space skipped
      {"\t\n\v\f\r 9", 9},
      {"- 3", 0},
      {"+-3", 0},
      {"2147483647", 2147483647},
      {"-2147483648", std::numeric_limits<std::int32_t>::min()},
      {"2147483648", std::numeric_limits<std::int32_t>::min()},  // wraps
      {"4294967296", 0},
      {"99999999999", 1215752191},
      {"-99999999999", -1215752191},
      {"1e3", 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Show(row.text));
    EXPECT_EQ(TextToInteger(row.text), row.want);
  }
}

TEST(TextConversion, TextToNumber) {
  struct Row {
    std::string_view text;
    double want;
  };
  const double inf = std::numeric_limits<double>::infinity();
  const Row rows[] = {
      {"3.9", 3.9},
      {"12abc", 12},
      {"1e3", 1000},
      {"", 0},
      {"-2.5", -2.5},
      {"+.5", 0.5},
      {"5.", 5},
      {".", 0},
      {"-", 0},
      {"1d2", 100},
      {"1D-2", 0.01},
      {"2E+2x", 200},
      {"1e", 1},
      {"1e+", 1},
      {"1ex", 1},
      {" \t 7", 7},
      {"\xA3\xB1\xA3\xAE\xA3\xB5", 1.5},  // full-width 1.5
      {"1,5", 1},
      {"0x10", 0},
      {"inf", 0},
      {"nan", 0},
      {"1e999", inf},
      {"-1e999", -inf},
      {"1e-999", 0},
      {"0.0001e400", inf},
      {"10000e-320", 1e-316},  // subnormal, still representable
      {"123456789012345678901234567890", 1.2345678901234568e29},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Show(row.text));
    EXPECT_EQ(TextToNumber(row.text), row.want);
  }
  // A mantissa of a million digits moves the point as far as its exponent.
  const std::string zeros(1000000, '0');
  EXPECT_EQ(TextToNumber("0." + zeros + "1e1000000"), 0.1);
  EXPECT_EQ(TextToNumber("1" + zeros + "e-1000000"), 1.0);
}

TEST(TextConversion, NumberText) {
  struct Row {
    double value;
    std::string_view want;
  };
  const Row rows[] = {
      {3, "3"},
      {-40, "-40"},
      {0.5, "0.5"},
      {1.0 / 3, "0.3333333333333"},
      {9999999999999, "9999999999999"},
      {-9999999999999, "-9999999999999"},
      {1e13, "1e+013"},
      {1.5e14, "1.5e+014"},
      {2.0 / 3 * 1e14, "6.666666666667e+013"},
      {0.00001, "1e-005"},
      {0.0001, "0.0001"},
      {1500.0 - 1497.0, "3"},
      {0, "0"},
      {-0.0, "0"},
      {-2.5, "-2.5"},
      {1e100, "1e+100"},
      {1.5e-300, "1.5e-300"},
      {-1e13, "-1e+013"},
      {123456789.125, "123456789.125"},
      {99999999999996, "1e+014"},  // rounds up to 13 digits
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::nan(""), "nan"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.want);
    EXPECT_EQ(NumberText(row.value), row.want);
  }
}

TEST(TextConversion, TruncateToInteger) {
  struct Row {
    double value;
    std::int32_t want;
  };
  const Row rows[] = {
      {2.9, 2},
      {-2.9, -2},
      {0, 0},
      {2147483647.9, 2147483647},
      {1e30, std::numeric_limits<std::int32_t>::max()},
      {-1e30, std::numeric_limits<std::int32_t>::min()},
      {-2147483648.5, std::numeric_limits<std::int32_t>::min()},
      {std::nan(""), 0},
      {std::numeric_limits<double>::infinity(), std::numeric_limits<std::int32_t>::max()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(TruncateToInteger(row.value), row.want);
  }
}

TEST(TextConversion, BytesAndText) {
  EXPECT_EQ(BytesToText(Bytes{0x61, 0x00, 0x62}), "a");
  EXPECT_EQ(BytesToText(Bytes{0x61, 0x62}), "ab");
  EXPECT_EQ(BytesToText(Bytes{}), "");
  EXPECT_EQ(BytesToText(std::string_view("\0a", 2)), "");
  EXPECT_EQ(BytesToText(std::string_view("\xD6\xD0")), "\xD6\xD0");
  EXPECT_EQ(TextToBytes("\xD6\xD0" "a"), (Bytes{0xD6, 0xD0, 0x61}));
  EXPECT_TRUE(TextToBytes("").empty());
}

}  // namespace
}  // namespace velmora
