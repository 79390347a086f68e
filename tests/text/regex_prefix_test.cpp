#include "text/regex_prefix.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "tests/support/show_bytes.h"

namespace velmora::regex_detail {
namespace {

using namespace std::string_view_literals;

constexpr std::size_t kNone = std::string_view::npos;

TEST(RegexPrefix, RequiredLiteralPrefixReadsOnlyCertainLiterals) {
  struct Row {
    std::string_view pattern;  // UTF-8, as the engine gets it
    std::string_view want;
  };
  const Row rows[] = {
      // The system's patterns.
      {R"re(names":"(.*?)"[\s\S]*?skuId":"(.*?)"})re", R"(names":")"},
      {R"re(stock":(.*?),"skuId":"(.*?)"})re", R"(stock":)"},
      {R"re(<meta.+?charset=[^\w]?([-\w]+))re", "<meta"},
      // A quantifier takes the literal before it away.
      {"ab+c", ""},
      {"abc*", "ab"},
      {"abc?d", "ab"},
      {"abc+?", "ab"},
      {"abc{2}", "ab"},
      {"abc{", "ab"},
      {"a*b", ""},
      {R"(ab\"+)", "ab"},
      // Escaped punctuation is itself; escaped letters and digits end it.
      {R"(a\"b)", R"(a"b)"},
      {R"(skuId\":\"(\d+))", R"(skuId":")"},
      {R"(a\.b\\c)", R"(a.b\c)"},
      {R"(ab\d)", "ab"},
      {R"(ab\x41)", "ab"},
      {R"(ab\bc)", "ab"},
      {R"(ab\Qc\E)", "ab"},
      {R"(ab\_c)", "ab"},
      {R"(ab\)", "ab"},
      // Metacharacters and other characters end it.
      {"ab.c", "ab"},
      {"ab[c]", "ab"},
      {"ab(c)", "ab"},
      {"ab}c", "ab"},
      {"ab]c", "ab"},
      {"ab^c", "ab"},
      {"stock$", "stock"},
      {"ab c", "ab"},
      {"ab\tc", "ab"},
      {"ab中c", "ab"},
      {"a-b=c<d>e'f,g;h:i/j!k@l%m&n~o`p#q_r", "a-b=c<d>e'f,g;h:i/j!k@l%m&n~o`p#q_r"},
      // No prefix at all.
      {"names|skuId", ""},
      {"(stock|names)\":", ""},
      {R"(ab\|c)", ""},
      {"abc[|]", ""},
      {"(?i)stock", ""},
      {"(?-i)stock", ""},
      {"(stock)", ""},
      {"^stock", ""},
      {"{\"names", ""},
      {"\\\"", ""},
      {"中文ab", ""},
      {"a", ""},
      {"a.", ""},
      {"", ""},
      {R"("})", ""},  // a brace ends it, leaving one character
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::ShowBytes(row.pattern));
    EXPECT_EQ(testing::ShowBytes(RequiredLiteralPrefix(row.pattern)), testing::ShowBytes(row.want));
  }
}

TEST(RegexPrefix, FindPrefixFoldsAsciiLettersOnly) {
  struct Row {
    const char* what;
    std::string_view text;
    std::size_t from;
    std::string_view prefix;
    bool caseSensitive;
    std::size_t want;
  };
  const Row rows[] = {
      {"found", "xxnames", 0, "names", false, 2},
      {"at the start", "names", 0, "names", false, 0},
      {"upper case", "NAMES", 0, "names", false, 0},
      {"mixed case", "x nAmEs", 0, "names", false, 2},
      {"case kept", "NAMES names", 0, "names", true, 6},
      {"case kept, none", "NAMES", 0, "names", true, kNone},
      {"from skips an earlier one", "abab", 1, "ab", false, 2},
      {"from at the place", "abab", 2, "ab", false, 2},
      {"from past the last place", "abab", 3, "ab", false, kNone},
      {"from at the end", "abab", 4, "ab", false, kNone},
      {"from past the end", "abab", 5, "ab", false, kNone},
      {"text shorter than the prefix", "na", 0, "names", false, kNone},
      {"empty text", "", 0, "ab", false, kNone},
      {"cut at the end", "xxxname", 0, "names", false, kNone},
      {"punctuation is exact: 0x02 is no quote", "\x02}", 0, "\"}", false, kNone},
      {"punctuation is exact: [ is no {", "[x", 0, "{x", false, kNone},
      {"0xE1 is no a", "\xE1\xC1" "b", 0, "ab", false, kNone},
      {"@ is no `", "@x", 0, "`x", false, kNone},
      {"digits exact", "1a 1A", 0, "1a", false, 0},
      {"a NUL in the text", "a\0ab"sv, 0, "ab", false, 2},
      {"first and last but not between, then found",
       "nxmes......................names", 0, "names", false, 27},
      {"long text, near the end", std::string_view("................................"
                                                   "..............................sKuId"),
       0, "skuid", false, 62},
      {"long text, none", std::string_view("skuiX.skuI..kuid.................."
                                           "..................................."),
       0, "skuid", false, kNone},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(FindPrefix(row.text, row.from, row.prefix, row.caseSensitive), row.want);
  }
}

// Every place and length around the 16-byte blocks: the prefix alone in
// filler is found exactly where it stands, from every starting point.
TEST(RegexPrefix, FindPrefixAtEveryPlaceOfEveryLength) {
  const std::string_view prefixes[] = {"ab", "stock\":", "names\":\"", "<meta",
                                       "a0123456789012345678z"};
  for (std::string_view prefix : prefixes) {
    for (std::size_t size = prefix.size(); size < 70; ++size) {
      for (std::size_t place = 0; place + prefix.size() <= size; ++place) {
        std::string text(size, '.');
        text.replace(place, prefix.size(), prefix);
        // Upper case where the prefix has a letter, to show it folds.
        if (text[place] >= 'a' && text[place] <= 'z') {
          text[place] = static_cast<char>(text[place] - 0x20);
        }
        SCOPED_TRACE(testing::ShowBytes(text));
        for (std::size_t from = 0; from <= size; ++from) {
          EXPECT_EQ(FindPrefix(text, from, prefix, false), from <= place ? place : kNone)
              << "from " << from;
          EXPECT_EQ(FindPrefix(text, from, prefix, true),
                    from <= place && text[place] == prefix[0] ? place : kNone)
              << "from " << from;
        }
      }
    }
  }
}

}  // namespace
}  // namespace velmora::regex_detail
