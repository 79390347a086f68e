#include "web/cookies.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct MergeRow {
  Text oldCookies;
  Text newCookies;
  Text merged;
  Text newAfter;
};

TEST(MergeCookiesTest, MergesEachRowAndRewritesBothVariables) {
  const MergeRow rows[] = {
      {"a=1; b=2", "b=3", "b=3; a=1", "b=3"},
      {"a=1; b=2", "b=deleted", "a=1", "b=deleted"},
      {"a=1;a=2", "", "a=1", ""},
      {"a=0", "a=1;a=2", "a=1; a=2", "a=1;a=2"},
      {"a=0", "a=1;a=1", "a=1", "a=1;a=1"},
      {"x=hello world", "", "x=helloworld", ""},
      {"flag", "flag=1", "flag=1", "flag=1"},
      {"sid=1", "SID=2", "SID=2; sid=1", "SID=2"},
      {"a=1", "b=Deleted", "b=Deleted; a=1", "b=Deleted"},
      {";a=1", "", "; a=1", ""},
      {"b=1; c=3", "a=1; b=2", "a=1; b=2; c=3", "a=1;b=2"},
      {"", "", "", ""},
      {"", " a = 1 ; b=2 ", "a=1; b=2", "a=1;b=2"},
      {"", "a=deleted", "", "a=deleted"},
      {"a=1", "=deleted", "a=1", "=deleted"},
      {"a=1;", "", "a=1", ""},
      // The ideographic space goes like the ASCII one.
      {"a=\xA1\xA1" "1", "", "a=1", ""},
      // Double-byte values are not cut.
      {"n=\xD6\xD0", "m=1", "m=1; n=\xD6\xD0", "m=1"},
  };
  for (const MergeRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "old '" << row.oldCookies << "' new '" << row.newCookies
                                    << "'");
    Text oldCookies = row.oldCookies;
    Text newCookies = row.newCookies;
    EXPECT_EQ(MergeCookies(oldCookies, newCookies), row.merged);
    EXPECT_EQ(oldCookies, row.merged);
    EXPECT_EQ(newCookies, row.newAfter);
  }
}

struct SetCookieRow {
  Text line;
  std::optional<Text> item;
};

TEST(SetCookieItemTest, TakesOnlyTheFirstNameValueOfExactSetCookieLines) {
  const SetCookieRow rows[] = {
      {"Set-Cookie: sid=abc; path=/; HttpOnly", "sid=abc"},
      {"Set-Cookie: sid=abc", "sid=abc"},
      {"Set-Cookie:   sid=abc  ", "sid=abc"},
      {"Set-Cookie: a=b c; path=/", "a=b c"},
      {"Set-Cookie: ", ""},
      {"Set-Cookie: ;path=/", ""},
      // Without ";" every "Set-Cookie:" goes, in any letter case.
      {"Set-Cookie: x=set-cookie:y", "x=y"},
      {"set-cookie: sid=abc", std::nullopt},
      {"SET-COOKIE: sid=abc", std::nullopt},
      {"Set-Cookie:sid=abc", std::nullopt},
      {"Set-Cookie:sid=abc; path=/", std::nullopt},
      {"Set-Cookie2: a=1", std::nullopt},
      {"X-Set-Cookie: a=1", std::nullopt},
      {"", std::nullopt},
  };
  for (const SetCookieRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "line '" << row.line << "'");
    EXPECT_EQ(SetCookieItem(row.line), row.item);
  }
}

struct ReturnedRow {
  Text headers;
  Text cookies;
};

TEST(ReturnedCookiesTest, JoinsItemsInHeaderOrder) {
  const ReturnedRow rows[] = {
      {"HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n\r\n", "a=1; b=2"},
      {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
      {"", ""},
      {"HTTP/1.1 200 OK\r\nset-cookie: a=1\r\nSet-Cookie:b=2\r\n\r\n", ""},
      {"Set-Cookie: \r\nSet-Cookie: b=2\r\n", "; b=2"},
      {"Set-Cookie: \r\nSet-Cookie: \r\n", "; "},
      {"Set-Cookie: a=1", "a=1"},
  };
  for (const ReturnedRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "headers '" << row.headers << "'");
    EXPECT_EQ(ReturnedCookies(row.headers), row.cookies);
  }
}

TEST(CookieItemsTest, NamesIndexesAndDuplicates) {
  struct NameRow {
    Text item;
    Text name;
  };
  const NameRow names[] = {
      {"a=1", "a"}, {" a =1", "a"}, {"flag", "flag"}, {" flag ", "flag"},
      {"=x", ""},   {"a=b=c", "a"}, {"", ""},
  };
  for (const NameRow& row : names) {
    SCOPED_TRACE(testing::Message() << "item '" << row.item << "'");
    EXPECT_EQ(CookieName(row.item), row.name);
  }

  const TextList items = {"a=1", " b =2", "a=1"};
  EXPECT_TRUE(HasCookieName(items, "b"));
  EXPECT_FALSE(HasCookieName(items, "B"));
  EXPECT_FALSE(HasCookieName({}, ""));
  EXPECT_EQ(IndexOfItem(items, "a=1"), 1);
  EXPECT_EQ(IndexOfItem(items, "a=1 "), -1);
  EXPECT_EQ(IndexOfItem({}, ""), -1);

  struct DuplicateRow {
    Text text;
    Text delimiter;
    Text kept;
  };
  const DuplicateRow duplicates[] = {
      {"a; b; a", "; ", "a; b"},
      {"a; a; a", "; ", "a"},
      {"a;b;a", "; ", "a;b;a"},
      {"a;b;a", ";", "a;b"},
      {"", "; ", ""},
      {"; a; ", "; ", "; a"},
  };
  for (const DuplicateRow& row : duplicates) {
    SCOPED_TRACE(testing::Message() << "text '" << row.text << "'");
    EXPECT_EQ(RemoveDuplicateItems(row.text, row.delimiter), row.kept);
  }
}

}  // namespace
}  // namespace velmora
