#include "text/markers.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace velmora {
namespace {

// "#引号" in GBK.
#define QUOTE_WORD "#\xD2\xFD\xBA\xC5"

TEST(Markers, TextBetween) {
  struct Row {
    std::string_view text;
    std::string_view left;
    std::string_view right;
    int start;
    bool ignoreCase;
    std::string_view want;
  };
  const Row rows[] = {
      {"a=1,skuMap:{x},salesProp:[]", "skuMap", "salesProp", 1, false, ":{x},"},
      {"{\"name\":\"x\",\"id\":\"42\"}", QUOTE_WORD "id" QUOTE_WORD ":" QUOTE_WORD, QUOTE_WORD, 1,
       false, "42"},
      {"end] start[", "start[", "]", 1, false, ""},  // right marker only before the left
      {"a;b;c", ";", ";", 1, false, "b"},
      {"SKUMAP:1,salesProp", "skuMap", "salesProp", 1, false, ""},
      {"SKUMAP:1,salesProp", "skuMap", "SALESPROP", 1, true, ":1,"},
      {"<a></a>", "<a>", "</a>", 1, false, ""},  // right marker right after the left
      {"missing", "x", "g", 1, false, ""},
      {"abc", "a", "zz", 1, false, ""},
      {"", "a", "b", 1, false, ""},
      {"a;b;c;d", ";", ";", 3, false, "c"},
      {"a;b;c;d", ";", ";", 0, false, "b"},
      {"a;b;c;d", ";", ";", -5, false, "b"},
      {"a;b;c;d", ";", ";", 8, false, ""},
      // The marker "[" never matches a second byte: 0x81 0x5B is one character.
      {"\x81[x]y[z]", "[", "]", 1, false, "z"},
      // The replacement is exact: "#引号" with a different second word stays.
      {"#\xD2\xFD\"x\"", "#\xD2\xFD\"", "\"", 1, false, "x"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + " | " + std::string(row.left) + " | " +
                 std::string(row.right) + " | start " + std::to_string(row.start));
    EXPECT_EQ(TextBetween(row.text, row.left, row.right, row.start, row.ignoreCase), row.want);
  }
  EXPECT_EQ(TextBetween("x(1)y", "(", ")"), "1");
}

TEST(Markers, TextBetweenLast) {
  struct Row {
    std::string_view text;
    std::string_view right;
    std::string_view left;
    int skipFromEnd;
    bool ignoreCase;
    std::string_view want;
  };
  const Row rows[] = {
      {"stock:5,sku=1;stock:7,sku=1;", ",sku=1;", "stock:", 0, false, "7"},
      {"stock:5,sku=1;stock:7,sku=1;", ",sku=1;", "stock:", -3, false, "7"},
      {"x,sku=1;", ",sku=1;", "stock:", 0, false, ""},         // no opening marker before it
      {",sku=1;stock:7", ",sku=1;", "stock:", 0, false, ""},   // opening only after it
      {"stock:5", ",sku=1;", "stock:", 0, false, ""},          // no closing marker
      {"", ",", "a", 0, false, ""},
      {"(1)(2)", ")", "(", 0, false, "2"},
      // Skipping the last byte hides the last ")" (it must lie wholly before
      // position length - skip).
      {"(1)(2)", ")", "(", 1, false, "1"},
      {"(1)(2)", ")", "(", 2, false, "1"},
      {"(1)(2)", ")", "(", 3, false, ""},
      {"(1)(2)", ")", "(", 4, false, ""},
      {"(1)(2)", ")", "(", 5, false, ""},
      {"(1)(2)", ")", "(", 6, false, ""},
      {"(1)(2)", ")", "(", 7, false, ""},    // limit -1 must not mean "whole text"
      {"(1)(2)", ")", "(", 100, false, ""},
      {"()", ")", "(", 0, false, ""},
      {"A:1,END", ",end", "a:", 0, true, "1"},
      {"A:1,END", ",end", "a:", 0, false, ""},
      // Plain markers never match inside a double-byte character.
      {"(x)\x81)", ")", "(", 0, false, "x"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + " | " + std::string(row.right) + " | " +
                 std::string(row.left) + " | skip " + std::to_string(row.skipFromEnd));
    EXPECT_EQ(TextBetweenLast(row.text, row.right, row.left, row.skipFromEnd, row.ignoreCase),
              row.want);
  }
}

TEST(Markers, TextLeftOf) {
  struct Row {
    std::string_view text;
    std::string_view marker;
    int start;
    bool ignoreCase;
    std::string_view want;
  };
  const Row rows[] = {
      {"Set-Cookie: a=1", ": ", 1, false, "Set-Cookie"},
      {"Set-Cookie:a=1", ": ", 1, false, ""},
      {": a", ": ", 1, false, ""},
      {" a = b ", "=", 1, false, " a "},  // untrimmed
      {"a=b=c", "=", 3, false, "a=b"},
      {"a=b=c", "=", 0, false, "a"},
      {"a=b=c", "=", -2, false, "a"},
      {"a=b=c", "=", 6, false, ""},
      {"NameXvalue", "x", 1, true, "Name"},
      {"NameXvalue", "x", 1, false, ""},
      {"\x81=a=b", "=", 1, false, "\x81=a"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.text) + " | " + std::string(row.marker) + " | start " +
                 std::to_string(row.start));
    EXPECT_EQ(TextLeftOf(row.text, row.marker, row.start, row.ignoreCase), row.want);
  }
}

}  // namespace
}  // namespace velmora
