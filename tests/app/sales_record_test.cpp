#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/sales_record.h"
#include "platform/list_view_model.h"
#include "tests/app/cycle_test_support.h"

namespace velmora {
namespace {

using cycle_test::Gbk;

TEST(SalesRecordContentTest, OneQuotedLinePerRowEndedByCrLf) {
  struct Case {
    const char* what;
    std::vector<SalesRecordRow> rowsUtf8;
    std::string expectedUtf8;
  };
  const Case cases[] = {
      {"no rows, no bytes", {}, ""},
      {"one row", {{"2019年5月22日8时3分5秒", "2"}}, "\"2019年5月22日8时3分5秒\",\"2\"\r\n"},
      {"two rows in list order",
       {{"2019年5月22日8时3分5秒", "2"}, {"2019年5月22日8时3分9秒", "1"}},
       "\"2019年5月22日8时3分5秒\",\"2\"\r\n\"2019年5月22日8时3分9秒\",\"1\"\r\n"},
      {"a restock", {{"2019年5月22日8时3分5秒", "-7"}}, "\"2019年5月22日8时3分5秒\",\"-7\"\r\n"},
      {"quotes and commas stay unescaped", {{"a\"b", "1,2"}}, "\"a\"b\",\"1,2\"\r\n"},
      {"empty fields", {{"", ""}}, "\"\",\"\"\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> gbkTexts;
    for (const SalesRecordRow& row : c.rowsUtf8) {
      gbkTexts.push_back(Gbk(row.time));
      gbkTexts.push_back(Gbk(row.figure));
    }
    std::vector<SalesRecordRow> rows;
    for (std::size_t i = 0; i < gbkTexts.size(); i += 2) rows.push_back({gbkTexts[i], gbkTexts[i + 1]});
    EXPECT_EQ(SalesRecordContent(rows), Gbk(c.expectedUtf8));
  }
  // The GBK bytes of 年 and 秒 themselves, not some other encoding's.
  const std::string line = SalesRecordContent(std::vector<SalesRecordRow>{{"\xC4\xEA", "\xC3\xEB"}});
  EXPECT_EQ(line, "\"\xC4\xEA\",\"\xC3\xEB\"\r\n");
}

TEST(SalesRecordPathTest, NamesTheFileBesideTheProgramInTheSystemsEncoding) {
  const std::filesystem::path path = SalesRecordPath(std::filesystem::path("/opt/velmora"));
  EXPECT_EQ(path.parent_path(), std::filesystem::path("/opt/velmora"));
  const std::u8string name = path.filename().u8string();
  EXPECT_EQ(std::string(name.begin(), name.end()), "记录.ini");
}

class WriteSalesRecordTest : public ::testing::Test {
 protected:
  void AddRow(const std::string& timeUtf8, const std::string& figure) {
    const int row = list_.AppendRow();
    list_.SetCell(row, 0, Gbk(timeUtf8));
    list_.SetCell(row, 1, figure);
  }
  std::filesystem::path File() const { return SalesRecordPath(scratch_.path()); }

  platform::ListViewModel list_{2};
  cycle_test::ScratchDirectory scratch_;
};

TEST_F(WriteSalesRecordTest, RewritesTheWholeFileFromTheList) {
  AddRow("2019年5月22日8时3分5秒", "2");
  ASSERT_TRUE(WriteSalesRecord(list_, scratch_.path()));
  EXPECT_EQ(cycle_test::ReadWholeFile(File()), Gbk("\"2019年5月22日8时3分5秒\",\"2\"\r\n"));
  AddRow("2019年5月22日8时3分9秒", "1");
  ASSERT_TRUE(WriteSalesRecord(list_, scratch_.path()));
  EXPECT_EQ(cycle_test::ReadWholeFile(File()),
            Gbk("\"2019年5月22日8时3分5秒\",\"2\"\r\n\"2019年5月22日8时3分9秒\",\"1\"\r\n"));
  // Nothing but the record file is left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(scratch_.path())) {
    ++entries;
  }
  EXPECT_EQ(entries, 1);
}

TEST_F(WriteSalesRecordTest, ReplacesTheFileInsteadOfTruncatingItInPlace) {
  // A second name for the old file still shows the old bytes afterwards only
  // if the new content went to a new file that was renamed over the name: a
  // crash mid-write can then never leave the record empty or cut short.
  { std::ofstream(File(), std::ios::binary) << "old\r\n"; }
  const std::filesystem::path oldLink = scratch_.path() / "old-link";
  std::filesystem::create_hard_link(File(), oldLink);
  AddRow("2019年5月22日8时3分5秒", "2");
  ASSERT_TRUE(WriteSalesRecord(list_, scratch_.path()));
  EXPECT_EQ(cycle_test::ReadWholeFile(oldLink), "old\r\n");
  EXPECT_EQ(cycle_test::ReadWholeFile(File()), Gbk("\"2019年5月22日8时3分5秒\",\"2\"\r\n"));
}

TEST_F(WriteSalesRecordTest, AFailedWriteReportsFalseAndLeavesNothingBehind) {
  AddRow("2019年5月22日8时3分5秒", "2");
  const std::filesystem::path missing = scratch_.path() / "missing";
  EXPECT_FALSE(WriteSalesRecord(list_, missing));
  EXPECT_FALSE(std::filesystem::exists(missing));
  // A directory standing where the file should be cannot be replaced either,
  // and stays as it was.
  std::filesystem::create_directory(File());
  EXPECT_FALSE(WriteSalesRecord(list_, scratch_.path()));
  EXPECT_TRUE(std::filesystem::is_directory(File()));
}

}  // namespace
}  // namespace velmora
