#include "text/regex_matcher.h"

#include <gtest/gtest.h>
#include <re2/re2.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "text/gbk_codec.h"

#include "tests/support/show_bytes.h"

namespace velmora {
namespace {

using namespace std::string_view_literals;

// The system's three patterns, byte for byte.
constexpr std::string_view kSkuPattern = R"re(names":"(.*?)"[\s\S]*?skuId":"(.*?)"})re";
constexpr std::string_view kStockPattern = R"re(stock":(.*?),"skuId":"(.*?)"})re";
constexpr std::string_view kCharsetPattern = R"re(<meta.+?charset=[^\w]?([-\w]+))re";

std::string Show(std::string_view s) { return testing::ShowBytes(s); }

// Every match as its whole text followed by its groups.
using Matches = std::vector<std::vector<std::string>>;

std::string Show(const Matches& matches) {
  std::string out = "[";
  for (const auto& match : matches) {
    out += "(";
    for (const std::string& text : match) out += Show(text) + " ";
    out += ")";
  }
  return out + "]";
}

Matches Collect(const RegexMatcher& matcher) {
  Matches matches;
  const int groups = matcher.SubmatchCount();
  for (int m = 1; m <= matcher.MatchCount(); ++m) {
    std::vector<std::string> match = {matcher.MatchText(m)};
    for (int g = 1; g <= groups; ++g) match.push_back(matcher.SubmatchText(m, g));
    matches.push_back(match);
  }
  return matches;
}

// Test texts are written in UTF-8 here and handed over as GBK.
Text G(std::string_view utf8) { return GbkFromUtf8(utf8); }

struct Options {
  bool caseSensitive = false;
  bool multiline = true;
  bool global = true;
};

TEST(RegexMatcherDialect, EachConstructMeansWhatPagesExpect) {
  struct Row {
    const char* what;
    std::string_view pattern;  // UTF-8, converted to GBK
    std::string_view subject;  // UTF-8, converted to GBK
    Matches want;              // UTF-8, converted to GBK
    Options options = {};
  };
  const Row rows[] = {
      {"dot is any character but a line feed", "a.c", "abc a\nc a中c a\rc",
       {{"abc"}, {"a中c"}, {"a\rc"}}},
      {"[\\s\\S] crosses line breaks", R"(a[\s\S]c)", "a\nc a\r\nc", {{"a\nc"}}},
      {"\\w is ASCII only", R"(\w+)", "ab_9中文ｘé x", {{"ab_9"}, {"x"}}},
      {"[^\\w] takes one non-word character", R"(=[^\w]?(\w+))", "=中abc = utf =x",
       {{"=中abc", "abc"}, {"= utf", "utf"}, {"=x", "x"}}},
      {"[-\\w] takes hyphens too", R"(charset=([-\w]+))", "charset=utf-8;",
       {{"charset=utf-8", "utf-8"}}},
      {"+? is lazy", "<(.+?)>", "<a><b>", {{"<a>", "a"}, {"<b>", "b"}}},
      {"+ is greedy", "<(.+)>", "<a><b>", {{"<a><b>", "a><b"}}},
      {"*? is lazy", "a(.*?)c", "abcbc ac", {{"abc", "b"}, {"ac", ""}}},
      {"? is optional", "colou?r", "color colour", {{"color"}, {"colour"}}},
      {"groups count opening brackets", "((a)(中))", "a中", {{"a中", "a中", "a", "中"}}},
      {"a group outside the match is empty", "(a)|(b)", "b", {{"b", "", "b"}}},
      {"a lone closing brace is itself", R"("})", R"({"x":"1"})", {{R"("})"}}},
      {"letters ignore case by default", "skuId", "SKUID skuid skuId",
       {{"SKUID"}, {"skuid"}, {"skuId"}}},
      {"case kept when asked", "skuId", "SKUID skuid skuId", {{"skuId"}}, {.caseSensitive = true}},
      {"global: non-overlapping, left to right", "aa", "aaaaa", {{"aa"}, {"aa"}}},
      {"not global: the first match only", "a.", "a1 a2", {{"a1"}}, {.global = false}},
      {"an empty match moves on by one character", "x*", "a中", {{""}, {""}, {""}}},
      {"an empty match may follow a match", "a*", "baa", {{""}, {"aa"}, {""}}},
      {"a Chinese character is one character", "a.b", "a中b", {{"a中b"}}},
      {"multiline: ^ and $ at line breaks", "^b$", "a\nb\nc", {{"b"}}},
      {"not multiline: ^ and $ at the ends", "^b$", "a\nb\nc", {}, {.multiline = false}},
      {"no match", "zzz", "abc", {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Matches want;
    for (const auto& match : row.want) {
      std::vector<std::string> texts;
      for (const std::string& text : match) texts.push_back(G(text));
      want.push_back(texts);
    }
    RegexMatcher matcher;
    EXPECT_TRUE(matcher.Search(G(row.pattern), G(row.subject), row.options.caseSensitive,
                               row.options.multiline, row.options.global));
    EXPECT_EQ(Show(Collect(matcher)), Show(want));
  }
}

// A two-byte character whose second byte is 'A' is no letter "a".
TEST(RegexMatcherDialect, SecondBytesAreNotLetters) {
  RegexMatcher matcher;
  EXPECT_TRUE(matcher.Search("a", "\x81\x41"));
  EXPECT_EQ(matcher.MatchCount(), 0);
  EXPECT_TRUE(matcher.Search("\x81\x41", "x\x81\x41"));
  EXPECT_EQ(matcher.MatchCount(), 1);
}

TEST(RegexMatcherPatterns, SkuPatternListsNamesAndIdentifiers) {
  const Text page = G(
      R"(<script>var data = {"list":[{"names":"红色 XL","pvs":"1627207:28341"},)" "\n"
      R"({"skuId":"4001"},{"names":"蓝色;特大号","skuId":"4002"},)" "\r\n"
      R"({"names":"黑色",)" "\n\n"
      R"("SKUID":"4003"}]};</script>)");
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Search(kSkuPattern, page));
  ASSERT_EQ(matcher.MatchCount(), 3);
  const std::string_view want[][2] = {
      {"红色 XL", "4001"}, {"蓝色;特大号", "4002"}, {"黑色", "4003"}};
  for (int m = 1; m <= 3; ++m) {
    SCOPED_TRACE(m);
    EXPECT_EQ(Show(matcher.SubmatchText(m, 1)), Show(G(want[m - 1][0])));
    EXPECT_EQ(Show(matcher.SubmatchText(m, 2)), Show(G(want[m - 1][1])));
  }
  EXPECT_EQ(matcher.SubmatchCount(), 2);
  // Out of range: match n + 1, group 3, and the zero and negative indexes.
  EXPECT_EQ(matcher.SubmatchText(4, 1), "");
  EXPECT_EQ(matcher.SubmatchText(1, 3), "");
  EXPECT_EQ(matcher.SubmatchText(0, 1), "");
  EXPECT_EQ(matcher.SubmatchText(1, 0), "");
  EXPECT_EQ(matcher.SubmatchText(-1, -1), "");
  EXPECT_EQ(matcher.MatchText(4), "");
}

TEST(RegexMatcherPatterns, StockPatternReadsFiguresAndIdentifiers) {
  const Text section =
      R"(":{"price":"9.90","stock":12,"skuId":"4001"},";1:2;":{"stock":0,"skuId":"4002"}})";
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Search(kStockPattern, section));
  EXPECT_EQ(Show(Collect(matcher)),
            Show(Matches{{R"(stock":12,"skuId":"4001"})", "12", "4001"},
                         {R"(stock":0,"skuId":"4002"})", "0", "4002"}}));
}

TEST(RegexMatcherPatterns, CharsetPatternFindsTheDeclaredName) {
  struct Row {
    std::string_view head;
    std::string_view want;
  };
  const Row rows[] = {
      {R"(<meta http-equiv="Content-Type" content="text/html; charset=gbk">)", "gbk"},
      {"<META CHARSET=UTF-8>", "UTF-8"},
      {R"(<meta charset="utf-8">)", "utf-8"},
      {"<meta content=text/html; charset= utf-8>", "utf-8"},
      {"<html>\n<meta\ncharset=utf-8>", ""},  // "." stops at the line feed
      {"<title>x</title>", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.head);
    RegexMatcher matcher;
    EXPECT_TRUE(matcher.Search(kCharsetPattern, row.head));
    EXPECT_EQ(matcher.SubmatchText(1, 1), row.want);
  }
}

// Captures return the subject's own bytes, also where those are not GBK.
TEST(RegexMatcherBytes, CapturesReturnTheBytesAsTheyStood) {
  struct Row {
    const char* what;
    std::string_view subject;
    std::string_view want;
  };
  const Row rows[] = {
      {"Chinese text", "<\xD6\xD0\xCE\xC4>", "\xD6\xD0\xCE\xC4"},
      {"a pair without a mapping", "<a\x81\x7Fz>", "a\x81\x7Fz"},
      {"0xFF stands alone", "<ab\xFF>", "ab\xFF"},
      {"a lead byte with an invalid second byte", "<\x81\x30\xD6\xD0>", "\x81\x30\xD6\xD0"},
      {"a lead byte before a NUL", "<\x81\0z>"sv, "\x81\0z"sv},
      {"0x80 is the euro sign on its own", "<\x80>", "\x80"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // The first pattern is matched on the bytes directly, the second by RE2.
    for (const char* pattern : {R"(<([\s\S]*?)>)", R"(<([^>]*)>)"}) {
      SCOPED_TRACE(pattern);
      RegexMatcher matcher;
      ASSERT_TRUE(matcher.Search(pattern, row.subject));
      EXPECT_EQ(Show(matcher.SubmatchText(1, 1)), Show(row.want));
    }
  }
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Search("=(.*)", "x=\xD6\xD0\x81"));
  EXPECT_EQ(Show(matcher.SubmatchText(1, 1)), Show("\xD6\xD0\x81"));
  // The euro byte is one character, not the lead byte of a pair.
  ASSERT_TRUE(matcher.Search("(.)(.)", "\x80" "A"));
  EXPECT_EQ(Show(matcher.SubmatchText(1, 2)), Show("A"));
}

// Offsets far into a long subject come back right: many Chinese names of
// varying length between ASCII runs of varying length.
TEST(RegexMatcherBytes, LongSubjectKeepsEveryCaptureInPlace) {
  const std::string_view names[] = {"红", "蓝色", "特大号", "中文 名字 XL", "é€"};
  Text page;
  std::vector<Text> wantNames;
  for (int i = 0; i < 3000; ++i) {
    const Text name = G(names[i % 5]) + std::to_string(i);
    wantNames.push_back(name);
    page += R"({"names":")" + name + R"(","pvs":")" + std::string(static_cast<size_t>(i % 97), 'p') +
            "\"},\n" + G(std::string(static_cast<size_t>(i % 13), 'x') + "价格") +
            R"({"skuId":")" + std::to_string(100000 + i) + "\"}";
  }
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Search(kSkuPattern, page));
  ASSERT_EQ(matcher.MatchCount(), 3000);
  for (int i = 0; i < 3000; ++i) {
    ASSERT_EQ(Show(matcher.SubmatchText(i + 1, 1)), Show(wantNames[static_cast<size_t>(i)])) << i;
    ASSERT_EQ(matcher.SubmatchText(i + 1, 2), std::to_string(100000 + i)) << i;
  }
}

TEST(RegexMatcherState, BeforeAnySearchEverythingIsEmpty) {
  RegexMatcher matcher;
  EXPECT_EQ(matcher.MatchCount(), 0);
  EXPECT_EQ(matcher.SubmatchCount(), 0);
  EXPECT_EQ(matcher.SubmatchText(1, 1), "");
  EXPECT_EQ(matcher.MatchText(1), "");
}

TEST(RegexMatcherState, SecondSearchReplacesTheFirst) {
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Search("(a)(b)", "ab ab ab"));
  ASSERT_EQ(matcher.MatchCount(), 3);
  ASSERT_TRUE(matcher.Search("(c)", "xcx"));
  EXPECT_EQ(Show(Collect(matcher)), Show(Matches{{"c", "c"}}));
  EXPECT_EQ(matcher.SubmatchText(2, 1), "");
  // The same pattern again over another subject.
  ASSERT_TRUE(matcher.Search("(c)", "cc"));
  EXPECT_EQ(matcher.MatchCount(), 2);
}

TEST(RegexMatcherState, InvalidPatternFailsSilently) {
  const std::string_view patterns[] = {"(", "a)", "[a", "a**", "(a)\\1", "(?=a)"};
  for (std::string_view pattern : patterns) {
    SCOPED_TRACE(pattern);
    RegexMatcher matcher;
    ASSERT_TRUE(matcher.Search("(a)", "a"));
    EXPECT_FALSE(matcher.Search(pattern, "a(a)"));
    EXPECT_EQ(matcher.MatchCount(), 0);
    EXPECT_EQ(matcher.SubmatchCount(), 0);
    EXPECT_EQ(matcher.SubmatchText(1, 1), "");
    EXPECT_EQ(matcher.MatchText(1), "");
  }
}

TEST(RegexMatcherState, QuotePlaceholderOnlyWhenAsked) {
  const Text pattern = "a#\xD2\xFD\xBA\xC5(b)";  // a#引号(b)
  const Text subject = "a\"b a#\xD2\xFD\xBA\xC5" "b";
  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Search(pattern, subject));
  EXPECT_EQ(Show(Collect(matcher)), Show(Matches{{"a#\xD2\xFD\xBA\xC5" "b", "b"}}));
  ASSERT_TRUE(matcher.Search(pattern, subject, false, true, true, true));
  EXPECT_EQ(Show(Collect(matcher)), Show(Matches{{"a\"b", "b"}}));
}

TEST(RegexMatcherThreads, MatchersOfDifferentThreadsRunTogether) {
  Text page;
  for (int i = 0; i < 200; ++i) {
    page += G(R"({"names":"颜色)") + std::to_string(i) + "\",\n\"skuId\":\"" +
            std::to_string(i) + "\"}";
  }
  std::vector<int> failures(4, 0);
  std::vector<std::thread> threads;
  for (int& failed : failures) {
    threads.emplace_back([&page, &failed] {
      for (int round = 0; round < 20; ++round) {
        RegexMatcher matcher;
        if (!matcher.Search(kSkuPattern, page) || matcher.MatchCount() != 200) {
          ++failed;
          continue;
        }
        for (int i = 0; i < 200; ++i) {
          if (matcher.SubmatchText(i + 1, 1) != G("颜色") + std::to_string(i) ||
              matcher.SubmatchText(i + 1, 2) != std::to_string(i)) {
            ++failed;
          }
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int failed : failures) EXPECT_EQ(failed, 0);
}


// The engine folds case the Unicode way: "k" also matches U+212A KELVIN SIGN
// and "s" U+017F LONG S. The matcher's skip to the pattern's literal prefix
// folds ASCII letters only, which finds the same places only while no
// character a GBK subject can decode to folds to an ASCII character but that
// character itself. Every two-byte sequence and the lone euro byte is checked.
TEST(RegexMatcherDialect, NoGbkCharacterFoldsToAnAsciiCharacter) {
  RE2::Options ignoreCase;
  ignoreCase.set_case_sensitive(false);
  ignoreCase.set_log_errors(false);
  // The check below can fail: the engine folds past ASCII, the code page
  // simply has no such characters.
  ASSERT_TRUE(RE2::PartialMatch("\u212A", RE2("k", ignoreCase)));
  ASSERT_TRUE(RE2::PartialMatch("\u017F", RE2("s", ignoreCase)));
  ASSERT_EQ(GbkFromUtf16(u"\u212A\u017F"), "??");

  // The two bytes that are characters on their own, then every pair.
  std::string decoded = Utf8FromGbk("\x80\xFF");
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x01; trail <= 0xFF; ++trail) {
      const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
      const std::string character = Utf8FromGbk(std::string_view(pair, 2));
      if (character != "\uFFFD") ++mapped;
      decoded += character;
    }
  }
  EXPECT_GT(mapped, 21000);  // all of code page 936, not a stub
  for (int c = 0x21; c < 0x7F; ++c) {
    const std::string ascii(1, static_cast<char>(c));
    SCOPED_TRACE(ascii);
    const RE2 pattern("(" + RE2::QuoteMeta(ascii) + ")", ignoreCase);
    ASSERT_TRUE(pattern.ok());
    re2::StringPiece found;
    EXPECT_FALSE(RE2::PartialMatch(decoded, pattern, &found))
        << "folds to it: " << Show(std::string_view(found.data(), found.size()));
  }
}

// The matcher against RE2 itself, run the plain way over the decoded subject
// without skipping to the prefix: every match and group must be the same.
struct Differential {
  static Matches Reference(std::string_view utf8Pattern, const Text& subject,
                           const Options& options, bool* ok) {
    RE2::Options engineOptions;
    engineOptions.set_log_errors(false);
    engineOptions.set_case_sensitive(options.caseSensitive);
    const RE2 engine((options.multiline ? "(?m)" : "") + std::string(utf8Pattern),
                     engineOptions);
    *ok = engine.ok();
    Matches matches;
    if (!engine.ok()) return matches;
    const std::string utf8 = Utf8FromGbk(subject);
    const re2::StringPiece text(utf8);
    const int slots = engine.NumberOfCapturingGroups() + 1;
    std::vector<re2::StringPiece> groups(static_cast<std::size_t>(slots));
    std::size_t from = 0;
    while (from <= text.size() &&
           engine.Match(text, from, text.size(), RE2::UNANCHORED, groups.data(), slots)) {
      std::vector<std::string> match;
      for (const re2::StringPiece& group : groups) match.emplace_back(group.data(), group.size());
      matches.push_back(match);
      if (!options.global) break;
      const auto end = static_cast<std::size_t>(groups[0].data() - text.data()) + groups[0].size();
      if (!groups[0].empty()) {
        from = end;
      } else if (end < text.size()) {
        // One character on: the length of the UTF-8 sequence led by text[end].
        const auto lead = static_cast<unsigned char>(text[end]);
        from = end + (lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4);
      } else {
        break;
      }
    }
    return matches;
  }

  // The matcher's captures, decoded for comparison with the reference.
  static Matches Decoded(const RegexMatcher& matcher) {
    Matches matches = Collect(matcher);
    for (auto& match : matches) {
      for (std::string& text : match) text = Utf8FromGbk(text);
    }
    return matches;
  }
};

// Subjects made of pieces that hold the patterns' prefixes whole, cut, in
// other cases and hidden behind lead bytes, mixed with Chinese text and
// bytes that are not GBK.
std::vector<Text> DifferentialSubjects() {
  const std::string_view pieces[] = {
      R"(names":")", R"(NAMES":")", R"(nAmEs":")", R"(names")", "name", R"(skuId":")",
      R"(SKUID":")", "skuid", R"(stock":)", R"(STOCK":)", "stock", "stoc", "<meta",
      "<META ", "charset=", "CHARSET=gbk", "charset=\"utf-8", R"("})", "\"", "}", ",",
      ":", "12", "abc", "abbbc", "ABBC", "ac", "a.b", "a", "b", "c", "\n", "\r\n", " ",
      "\xD6\xD0\xCE\xC4",        // 中文
      "\xBA\xEC\xC9\xAB",        // 红色
      "\x81stock\":",             // the "s" is a second byte, not a letter
      "\xFEnames\":\"",           // the "n" likewise
      "\x81\x30", "\x80", "\0"sv, "\xFF\xFF", "\x81", "\xD6",
      "\x81\n",                 // a second byte, not a line feed
      "\xFE\"",                 // a second byte, not a quote
      "\x81" "a", "\x80" "a", "\x80\x80",
  };
  std::vector<Text> subjects = {
      "",
      R"({"names":"a","skuId":"1"},{"NAMES":"b","SKUID":"2"})",
      R"("stock":5,"skuId":"7"},"STOCK":6,"SKUID":"8"})",
      R"(<META charset="UTF-8"><meta charset=gbk>)",
      G(R"({"names":"红色 XL",)" "\n" R"("skuId":"4001"},{"names":"蓝色","skuId":"4002"})"),
      "\x81names\":\"x\",\"skuId\":\"1\"}",
      "ab abc abbc ac aBbC ABBBC",
  };
  std::mt19937 random(20261211);
  for (int i = 0; i < 120; ++i) {
    const std::size_t count = random() % 40;
    Text subject;
    for (std::size_t p = 0; p < count; ++p) subject += pieces[random() % std::size(pieces)];
    subjects.push_back(subject);
  }
  // Long enough that the prefix search runs whole 16-byte blocks between finds.
  Text longSubject;
  for (int p = 0; p < 3000; ++p) longSubject += pieces[random() % std::size(pieces)];
  subjects.push_back(longSubject);
  return subjects;
}

TEST(RegexMatcherDifferential, SkippingToThePrefixChangesNoMatch) {
  const std::string_view patterns[] = {  // UTF-8, converted to GBK
      kSkuPattern, kStockPattern, kCharsetPattern,
      R"(names":")", R"(stock":\d+)", R"(skuId\":\"(\d+))", R"("})", "ab",
      "ab+c", "abc*", "ab?c", "ab{2}c", "a*b",
      "names|skuId", R"re((stock|names)":)re", R"(a\.b)", R"(\d+)", "a*", "x*",
      "^names", R"("$)", R"(\bskuId)", "(?i)STOCK", "(?-i)stock", "STOCK\":",
      "中文", "ab中", "红色|names", R"re(names":"(.*?)"[\s\S]*?)re", "st(o)(x)?ck",
      "(",
      // Patterns of literals, lazy runs and groups, matched on the bytes.
      "a(.*?)b", "(a)(.*?)(b)", "a.*?", R"re(a[\s\S]*?c.*?b)re", "a(.*?)(.*?)c",
      R"re("(.*?)")re", "a()b", R"re(\"(.*?)\")re", R"re((ab)[\S\s]*?(c))re",
      R"re(names":"(.*?)".*?)re", "a.*?.*?b", "()ab(.*?)", "a(.*?)\n", "A(.*?)B.*?C",
      "a (.*?)}", "a(.*?)]", R"re(a[\s\S]*?)re",
  };
  const std::vector<Text> subjects = DifferentialSubjects();
  for (std::string_view pattern : patterns) {
    for (int flags = 0; flags < 8; ++flags) {
      const Options options = {.caseSensitive = (flags & 1) != 0,
                               .multiline = (flags & 2) != 0,
                               .global = (flags & 4) != 0};
      RegexMatcher matcher;
      for (std::size_t i = 0; i < subjects.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << "pattern " << Show(pattern) << " caseSensitive "
                                        << options.caseSensitive << " multiline "
                                        << options.multiline << " global " << options.global
                                        << " subject " << i << " " << Show(subjects[i]));
        bool ok = false;
        const Matches want =
            Differential::Reference(pattern, subjects[i], options, &ok);
        ASSERT_EQ(matcher.Search(G(pattern), subjects[i], options.caseSensitive,
                                 options.multiline, options.global),
                  ok);
        ASSERT_EQ(Show(Differential::Decoded(matcher)), Show(want));
        ASSERT_EQ(matcher.SubmatchCount(), want.empty() ? 0 : static_cast<int>(want[0].size()) - 1);
      }
    }
  }
}

}  // namespace
}  // namespace velmora
