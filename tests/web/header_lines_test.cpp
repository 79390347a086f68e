#include "web/header_lines.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

struct HeaderLineRow {
  Text line;
  Text name;
  Text value;
};

TEST(HeaderLinesTest, SplitsAtTheFirstColonAndTrims) {
  const HeaderLineRow rows[] = {
      {"Accept: */*", "Accept", "*/*"},
      {"Date: Fri, 11 Dec 2026 08:00:00 GMT", "Date", "Fri, 11 Dec 2026 08:00:00 GMT"},
      {"Referer: http://a.com:81/x", "Referer", "http://a.com:81/x"},
      {"  Name  :   v w  ", "Name", "v w"},
      {"User-Agent:X", "User-Agent", "X"},
      {"NoColon", "", ""},
      {":x", "", "x"},
      {"x:", "x", ""},
      {"", "", ""},
      {"\xA1\xA1N\xA1\xA1:\xA1\xA1v", "N", "v"},
      // Tabs are not spaces.
      {"N:\tv", "N", "\tv"},
  };
  for (const HeaderLineRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "line '" << row.line << "'");
    EXPECT_EQ(HeaderLineName(row.line), row.name);
    EXPECT_EQ(HeaderLineValue(row.line), row.value);
  }
}

}  // namespace
}  // namespace velmora
