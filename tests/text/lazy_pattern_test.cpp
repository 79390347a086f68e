#include "text/lazy_pattern.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "text/regex_matcher.h"
#include "tests/support/show_bytes.h"

namespace velmora::regex_detail {
namespace {

TEST(LazyPattern, ParseTakesOnlyLiteralsLazyRunsAndPlainGroups) {
  struct Row {
    std::string_view pattern;  // as the engine gets it
    int groups;                // -1: not in this form
  };
  const Row rows[] = {
      // The patterns item pages are read with.
      {R"re(names":"(.*?)"[\s\S]*?skuId":"(.*?)"})re", 2},
      {R"re(stock":(.*?),"skuId":"(.*?)"})re", 2},
      {R"re(names":")re", 0},
      {R"re(a[\S\s]*?b)re", 0},
      {R"re(a\"b\.c\\d)re", 0},
      {"a b}c]d", 0},
      {"()ab(.*?)", 2},
      {"(ab)(c)", 2},
      // Anything RE2 has to judge.
      {R"re(<meta.+?charset=[^\w]?([-\w]+))re", -1},
      {"a.*b", -1},
      {"a.+?b", -1},
      {"a.*??b", -1},
      {"a(.*?)*b", -1},
      {"ab+", -1},
      {"ab{2}", -1},
      {"a{b", -1},
      {"a|b", -1},
      {"((a))", -1},
      {"(?:a)", -1},
      {"(?i)a", -1},
      {"(a", -1},
      {"a)", -1},
      {R"(a\d)", -1},
      {R"(a\_)", -1},
      {"a\\", -1},
      {"a\tb", -1},
      {"a\xD6\xD0", -1},
      {"^a", -1},
      {"a$", -1},
      {"a[bc]", -1},
      {".*?a", -1},
      {"(.*?)a", -1},
      {"()", -1},
      {"", -1},
      {std::string_view("ab\0c", 4), -1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::ShowBytes(row.pattern));
    const std::optional<LazyPattern> parsed = LazyPattern::Parse(row.pattern);
    ASSERT_EQ(parsed.has_value(), row.groups >= 0);
    if (parsed) {
      EXPECT_EQ(parsed->GroupCount(), row.groups);
    }
  }
  // A literal too long to scan for cheaply, or more lazy runs than the
  // search should recurse through, are left to RE2 as well.
  std::string manyRuns = "a";
  for (int i = 0; i < 16; ++i) manyRuns += ".*?a";
  EXPECT_TRUE(LazyPattern::Parse(manyRuns).has_value());
  EXPECT_FALSE(LazyPattern::Parse(manyRuns + ".*?").has_value());
  EXPECT_TRUE(LazyPattern::Parse(std::string(64, 'a')).has_value());
  EXPECT_FALSE(LazyPattern::Parse(std::string(65, 'a')).has_value());
}

// Each 'a' of a long line of "ab" pairs starts a search whose first run tries
// every later 'b' of the line before giving up on the missing 'c': quadratic
// work, which runs out of budget. RE2 then finishes the search, and the
// matches on either side of that line are found all the same.
TEST(LazyPattern, BacktrackingThatRunsAwayHandsOverToTheEngine) {
  const std::string_view pattern = "a(.*?)b(.*?)c";
  std::string subject = "xa1b1c\n";
  for (int i = 0; i < 20000; ++i) subject += "ab";
  subject += "\na2b2c";

  const std::optional<LazyPattern> parsed = LazyPattern::Parse(pattern);
  ASSERT_TRUE(parsed);
  LazySearch search(*parsed, subject, false);
  std::vector<std::size_t> bounds;
  ASSERT_EQ(search.Next(0, bounds), LazySearch::Outcome::kMatch);
  EXPECT_EQ(bounds, (std::vector<std::size_t>{1, 6, 2, 3, 4, 5}));
  EXPECT_EQ(search.Next(bounds[1], bounds), LazySearch::Outcome::kGaveUp);

  RegexMatcher matcher;
  ASSERT_TRUE(matcher.Search(pattern, subject));
  ASSERT_EQ(matcher.MatchCount(), 2);
  EXPECT_EQ(matcher.MatchText(1), "a1b1c");
  EXPECT_EQ(matcher.MatchText(2), "a2b2c");
  EXPECT_EQ(matcher.SubmatchText(2, 1), "2");
  EXPECT_EQ(matcher.SubmatchText(2, 2), "2");
}

// A run that may cross lines and finds no way on from one place finds none
// from any later place either. Remembering that keeps a page of starts that
// all lead nowhere linear, where searching to the end once per start would
// run out of budget.
TEST(LazyPattern, StartsThatCanNoLongerMatchAreNotSearchedAgain) {
  std::string subject;
  for (int i = 0; i < 20000; ++i) subject += "ab";
  const std::optional<LazyPattern> parsed = LazyPattern::Parse(R"re(a[\s\S]*?b[\s\S]*?c)re");
  ASSERT_TRUE(parsed);
  LazySearch search(*parsed, subject, true);
  std::vector<std::size_t> bounds;
  EXPECT_EQ(search.Next(0, bounds), LazySearch::Outcome::kNoMatch);

  subject += "c";
  LazySearch withEnd(*parsed, subject, true);
  ASSERT_EQ(withEnd.Next(0, bounds), LazySearch::Outcome::kMatch);
  EXPECT_EQ(bounds[0], 0u);
  EXPECT_EQ(bounds[1], subject.size());
}

}  // namespace
}  // namespace velmora::regex_detail
