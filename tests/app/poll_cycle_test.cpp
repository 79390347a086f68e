// Whole poll cycles against a loopback item page and a loopback clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "app/monitor_controls.h"
#include "app/network_clock.h"
#include "app/poll_cycles.h"
#include "app/sales_record.h"
#include "app/sku_rows.h"
#include "app/sku_stock_index.h"
#include "platform/critical_section.h"
#include "tests/app/cycle_test_support.h"
#include "text/date_time.h"
#include "text/gbk_codec.h"
#include "text/markers.h"

namespace velmora {
namespace {

using cycle_test::Gbk;
using Rows = std::vector<std::vector<std::string>>;

// 15 November 1994 08:12:31 GMT, as every sales row of these tests shows it.
const char kClockTime[] = "1994年11月15日16时12分31秒";

// The list's rows in UTF-8, so a failure prints readable text.
Rows RowsOf(const platform::ListViewModel& list) {
  Rows rows;
  for (int r = 0; r < list.RowCount(); ++r) {
    std::vector<std::string> row;
    for (int c = 0; c < list.ColumnCount(); ++c) row.push_back(Utf8FromGbk(list.Cell(r, c)));
    rows.push_back(row);
  }
  return rows;
}

std::string Describe(const Rows& rows) {
  std::string text;
  for (const auto& row : rows) {
    text += "[";
    for (std::size_t c = 0; c < row.size(); ++c) text += (c ? "|" : "") + row[c];
    text += "]";
  }
  return text.empty() ? "(no rows)" : text;
}

// The shape of the page in the worked example: the SKU section first, the
// name list after "salesProp".
std::string ExamplePage(int stock111, int stock222) {
  return Gbk("skuMap\":{\"a\":{\"stock\":" + std::to_string(stock111) +
             ",\"skuId\":\"111\"},\"b\":{\"stock\":" + std::to_string(stock222) +
             ",\"skuId\":\"222\"}},\"salesProp\":[{\"names\":\"红色\",\"skuId\":\"111\"},"
             "{\"names\":\"蓝色\",\"skuId\":\"222\"}]");
}

// Stock figures only, for the manual cycle.
std::string StockPage(const std::string& stock111, const std::string& stock222) {
  return "<script>var skus = {\"x\":{\"stock\":" + stock111 +
         ",\"skuId\":\"111\"},\"y\":{\"stock\":" + stock222 + ",\"skuId\":\"222\"}};</script>";
}

class PollCycleTest : public ::testing::Test {
 protected:
  PollCycleTest() {
    lock_.Create();
    state_.编辑框1.SetText(shop_.Url());
  }

  CycleEnvironment Environment() {
    return CycleEnvironment{state_.Controls(), lock_, clock_.Url(), runDirectory_};
  }
  void RunAuto() { RunAutoStockCycle(Environment()); }
  void RunManual() { RunManualStockCycle(Environment()); }

  std::filesystem::path RecordFile() const { return SalesRecordPath(runDirectory_); }

  MonitorState state_;
  platform::CriticalSection lock_;
  cycle_test::PageSite shop_;
  cycle_test::ClockSite clock_;
  cycle_test::ScratchDirectory scratch_;
  std::filesystem::path runDirectory_ = scratch_.path();
};

// ---- Automatic stock ----------------------------------------------------------

TEST_F(PollCycleTest, AutoCycleWalksThroughSalesRestockAndOutage) {
  struct Poll {
    const char* what;
    bool available;
    int stock111, stock222;
    Rows skuRows;
    std::string lastTotal;
    Rows salesRows;
  };
  const Poll polls[] = {
      {"first poll sets the starting point", true, 12, 3,
       {{"红色", "111", "12", ""}, {"蓝色", "222", "3", ""}}, "15", {}},
      {"two sold", true, 10, 3,
       {{"红色", "111", "10", ""}, {"蓝色", "222", "3", ""}}, "13",
       {{kClockTime, "2"}}},
      {"restock shows as a negative sale", true, 17, 3,
       {{"红色", "111", "17", ""}, {"蓝色", "222", "3", ""}}, "20",
       {{kClockTime, "2"}, {kClockTime, "-7"}}},
      {"page unavailable", false, 0, 0, {}, "20", {{kClockTime, "2"}, {kClockTime, "-7"}}},
      {"unchanged total records nothing", true, 17, 3,
       {{"红色", "111", "17", ""}, {"蓝色", "222", "3", ""}}, "20",
       {{kClockTime, "2"}, {kClockTime, "-7"}}},
  };
  // A file left by an earlier run is replaced whole by the first sales event.
  std::filesystem::create_directories(runDirectory_);
  { std::ofstream(RecordFile(), std::ios::binary) << "left over\r\nfrom before\r\n"; }

  for (const Poll& poll : polls) {
    SCOPED_TRACE(poll.what);
    if (poll.available) {
      shop_.SetPage(ExamplePage(poll.stock111, poll.stock222));
    } else {
      shop_.SetUnavailable();
    }
    RunAuto();
    EXPECT_EQ(Describe(RowsOf(state_.超级列表框1)), Describe(poll.skuRows));
    EXPECT_EQ(Utf8FromGbk(state_.编辑框2.GetText()), poll.lastTotal);
    EXPECT_EQ(Describe(RowsOf(state_.超级列表框2)), Describe(poll.salesRows));
  }
  const std::string expectedFile = Gbk(std::string("\"") + kClockTime + "\",\"2\"\r\n\"" +
                                       kClockTime + "\",\"-7\"\r\n");
  EXPECT_EQ(cycle_test::ReadWholeFile(RecordFile()), expectedFile);
  // Only the two sales asked the clock.
  EXPECT_EQ(clock_.RequestCount(), 2);
}

TEST_F(PollCycleTest, AutoCycleFirstPollWritesNoFile) {
  shop_.SetPage(ExamplePage(12, 3));
  RunAuto();
  EXPECT_EQ(state_.编辑框2.GetText(), "15");
  EXPECT_FALSE(std::filesystem::exists(RecordFile()));
  EXPECT_EQ(clock_.RequestCount(), 0);
}

TEST_F(PollCycleTest, AutoCycleEdgeCases) {
  struct Case {
    const char* what;
    std::string lastTotalBefore;
    std::string pageUtf8;
    Rows skuRows;
    std::string lastTotalAfter;
    Rows salesRows;
  };
  const Case cases[] = {
      {"no markers: empty stock, total 0 fills an empty box", "",
       "[{\"names\":\"红色\",\"skuId\":\"111\"}]", {{"红色", "111", "", ""}}, "0", {}},
      {"no markers: total 0 never replaces a number", "15",
       "[{\"names\":\"红色\",\"skuId\":\"111\"}]", {{"红色", "111", "", ""}}, "15", {}},
      {"sold out records nothing", "15",
       "skuMap\":{\"a\":{\"stock\":0,\"skuId\":\"111\"}},\"salesProp\":"
       "[{\"names\":\"红色\",\"skuId\":\"111\"}]",
       {{"红色", "111", "0", ""}}, "15", {}},
      {"an identifier twice takes the last figure", "",
       "skuMap\":{\"a\":{\"stock\":5,\"skuId\":\"111\"},\"x\":{\"stock\":9,\"skuId\":\"111\"}},"
       "\"salesProp\":[{\"names\":\"红色\",\"skuId\":\"111\"}]",
       {{"红色", "111", "9", ""}}, "9", {}},
      {"a name without a figure adds 0", "",
       "skuMap\":{\"a\":{\"stock\":12,\"skuId\":\"111\"}},\"salesProp\":"
       "[{\"names\":\"红色\",\"skuId\":\"111\"},{\"names\":\"蓝色\",\"skuId\":\"999\"}]",
       {{"红色", "111", "12", ""}, {"蓝色", "999", "", ""}}, "12", {}},
      {"names before the section count too", "",
       "{\"list\":[{\"names\":\"红色\",\"skuId\":\"111\"},\n{\"names\":\"蓝色\",\"skuId\":"
       "\"222\"}],\n\"skuMap\":{\";1:2;\":{\"stock\":7,\"skuId\":\"111\"},\";1:3;\":{\"price\":"
       "\"5\",\"stock\":8,\"skuId\":\"222\"}},\"salesProp\":{}}",
       {{"红色", "111", "7", ""}, {"蓝色", "222", "8", ""}}, "15", {}},
      {"a figure only outside the section is not read", "",
       "{\"stock\":4,\"skuId\":\"111\"}skuMap\":{}\"salesProp\":"
       "[{\"names\":\"红色\",\"skuId\":\"111\"}]",
       {{"红色", "111", "", ""}}, "0", {}},
      {"a page without names gives no rows and no total", "15",
       "skuMap\":{\"a\":{\"stock\":12,\"skuId\":\"111\"}},\"salesProp\":[]", {}, "15", {}},
      {"a fraction enters the total by its integer part", "20",
       "skuMap\":{\"a\":{\"stock\":12.9,\"skuId\":\"111\"}},\"salesProp\":"
       "[{\"names\":\"红色\",\"skuId\":\"111\"}]",
       {{"红色", "111", "12.9", ""}}, "12", {{kClockTime, "8"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    state_.超级列表框1.DeleteAllRows();
    state_.超级列表框2.DeleteAllRows();
    // A stale row from an earlier cycle must never survive.
    state_.超级列表框1.SetCell(state_.超级列表框1.AppendRow(), 0, "stale");
    state_.编辑框2.SetText(c.lastTotalBefore);
    shop_.SetPage(Gbk(c.pageUtf8));
    RunAuto();
    EXPECT_EQ(Describe(RowsOf(state_.超级列表框1)), Describe(c.skuRows));
    EXPECT_EQ(state_.编辑框2.GetText(), c.lastTotalAfter);
    EXPECT_EQ(Describe(RowsOf(state_.超级列表框2)), Describe(c.salesRows));
  }
}

TEST_F(PollCycleTest, UtfEightPageReadsAsGbk) {
  shop_.SetPage("<html><head><meta charset=utf-8></head>skuMap\":{\"a\":{\"stock\":6,"
                "\"skuId\":\"111\"}},\"salesProp\":[{\"names\":\"红色\",\"skuId\":\"111\"}]");
  RunAuto();
  EXPECT_EQ(Describe(RowsOf(state_.超级列表框1)), Describe({{"红色", "111", "6", ""}}));
  EXPECT_EQ(state_.超级列表框1.Cell(0, 0), "\xBA\xEC\xC9\xAB");
}

// ---- Manual stock -------------------------------------------------------------

TEST_F(PollCycleTest, ManualCycleRecordsTheRunningTotal) {
  struct Poll {
    const char* what;
    std::string stock111, stock222;
    Rows skuRows;
    std::string lastTotal;
    Rows salesRows;
  };
  const Poll polls[] = {
      {"first poll sets the starting point", "37", "40",
       {{"111", "100", "37", "63"}, {"222", "100", "40", "60"}}, "123", {}},
      {"one more sold records the new total, not the difference", "36", "40",
       {{"111", "100", "36", "64"}, {"222", "100", "40", "60"}}, "124",
       {{kClockTime, "124"}}},
      {"stock back at the count gives 0: nothing recorded", "100", "100",
       {{"111", "100", "100", "0"}, {"222", "100", "100", "0"}}, "124",
       {{kClockTime, "124"}}},
  };
  state_.编辑框4.SetText("100");
  for (const Poll& poll : polls) {
    SCOPED_TRACE(poll.what);
    shop_.SetPage(StockPage(poll.stock111, poll.stock222));
    RunManual();
    EXPECT_EQ(Describe(RowsOf(state_.超级列表框1)), Describe(poll.skuRows));
    EXPECT_EQ(state_.编辑框2.GetText(), poll.lastTotal);
    EXPECT_EQ(Describe(RowsOf(state_.超级列表框2)), Describe(poll.salesRows));
  }
  EXPECT_EQ(cycle_test::ReadWholeFile(RecordFile()),
            Gbk(std::string("\"") + kClockTime + "\",\"124\"\r\n"));
}

TEST_F(PollCycleTest, ManualCycleEdgeCases) {
  struct Case {
    const char* what;
    std::string typedCount;
    std::string lastTotalBefore;
    std::string page;
    Rows skuRows;
    std::string lastTotalAfter;
    Rows salesRows;
  };
  const Case cases[] = {
      {"a fraction is subtracted as a number, totalled by its integer part", "100", "",
       StockPage("12.5", "100"), {{"111", "100", "12.5", "87.5"}, {"222", "100", "100", "0"}},
       "87", {}},
      {"an emptied count makes every figure negative, and that is recorded", "", "123",
       StockPage("37", "40"), {{"111", "", "37", "-37"}, {"222", "", "40", "-40"}}, "-77",
       {{kClockTime, "-77"}}},
      {"a page without figures changes nothing", "100", "123", "<html>sold out</html>", {},
       "123", {}},
      {"an unchanged total records nothing", "100", "123", StockPage("37", "40"),
       {{"111", "100", "37", "63"}, {"222", "100", "40", "60"}}, "123", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    state_.超级列表框1.DeleteAllRows();
    state_.超级列表框2.DeleteAllRows();
    state_.超级列表框1.SetCell(state_.超级列表框1.AppendRow(), 0, "stale");
    state_.编辑框4.SetText(c.typedCount);
    state_.编辑框2.SetText(c.lastTotalBefore);
    shop_.SetPage(c.page);
    RunManual();
    EXPECT_EQ(Describe(RowsOf(state_.超级列表框1)), Describe(c.skuRows));
    EXPECT_EQ(state_.编辑框2.GetText(), c.lastTotalAfter);
    EXPECT_EQ(Describe(RowsOf(state_.超级列表框2)), Describe(c.salesRows));
  }
}

TEST_F(PollCycleTest, ModesShareOneLogAndOneFile) {
  shop_.SetPage(ExamplePage(12, 3));
  RunAuto();
  shop_.SetPage(ExamplePage(11, 3));
  RunAuto();  // sale of 1
  state_.编辑框2.SetText("");  // what a mode switch does
  state_.编辑框4.SetText("20");
  RunManual();  // 20-11 + 20-3 = 26: the starting point
  shop_.SetPage(ExamplePage(10, 3));
  RunManual();  // 27
  EXPECT_EQ(cycle_test::ReadWholeFile(RecordFile()),
            Gbk(std::string("\"") + kClockTime + "\",\"1\"\r\n\"" + kClockTime +
                "\",\"27\"\r\n"));
}

// ---- Record file and clock as the cycles use them ------------------------------

TEST_F(PollCycleTest, FailedWriteIsIgnoredAndTheNextSaleWritesEveryRow) {
  runDirectory_ = scratch_.path() / "not-yet";
  shop_.SetPage(ExamplePage(12, 3));
  RunAuto();
  shop_.SetPage(ExamplePage(11, 3));
  RunAuto();
  // The directory is missing: the row stands, no file, polling goes on.
  EXPECT_EQ(state_.超级列表框2.RowCount(), 1);
  EXPECT_EQ(state_.编辑框2.GetText(), "14");
  EXPECT_FALSE(std::filesystem::exists(RecordFile()));

  std::filesystem::create_directories(runDirectory_);
  shop_.SetPage(ExamplePage(9, 3));
  RunAuto();
  EXPECT_EQ(cycle_test::ReadWholeFile(RecordFile()),
            Gbk(std::string("\"") + kClockTime + "\",\"1\"\r\n\"" + kClockTime +
                "\",\"2\"\r\n"));
}

TEST_F(PollCycleTest, SaleRowTakesTheClockDateAndFallsBackToThisComputer) {
  struct Case {
    const char* headerLines;
    const char* expectedTime;  // nullptr: this computer's clock plus 8 hours
  };
  const Case cases[] = {
      {"Date: Tue, 15 Nov 1994 08:12:31 GMT\r\n", "1994年11月15日16时12分31秒"},
      {"Date: Tue, 31 Dec 2019 20:00:00 GMT\r\n", "2020年1月1日4时"},
      {"date: Tue, 15 Nov 1994 08:12:31 GMT\r\n", nullptr},
      {"Server: quiet\r\n", nullptr},
      {"Date: yesterday\r\n", nullptr},
  };
  state_.编辑框4.SetText("100");
  int stock = 50;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headerLines);
    clock_.SetHeaderLines(c.headerLines);
    state_.超级列表框2.DeleteAllRows();
    state_.编辑框2.SetText("1");
    shop_.SetPage(StockPage(std::to_string(--stock), "100"));
    const DateTime before = AddToDateTime(ComputerClockUtc(), kHours, 8);
    RunManual();
    const DateTime after = AddToDateTime(ComputerClockUtc(), kHours, 8);
    ASSERT_EQ(state_.超级列表框2.RowCount(), 1);
    const std::string time = Utf8FromGbk(state_.超级列表框2.Cell(0, 0));
    if (c.expectedTime != nullptr) {
      EXPECT_EQ(time, c.expectedTime);
    } else {
      EXPECT_TRUE(time == Utf8FromGbk(DateTimeText(before)) ||
                  time == Utf8FromGbk(DateTimeText(after)))
          << time << " is not this computer's time";
    }
  }
}

// ---- The lock ---------------------------------------------------------------------

TEST_F(PollCycleTest, CycleHoldsTheLockAcrossTheDownloadAndAStopMidwayRecordsNothing) {
  shop_.SetPage(ExamplePage(12, 3));
  state_.编辑框2.SetText("20");
  shop_.Hold();
  std::thread first([this] { RunAuto(); });
  while (shop_.RequestCount() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  std::thread second([this] { RunAuto(); });
  // The second cycle waits on the lock, so it cannot have asked for the page.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(shop_.RequestCount(), 1);
  // A stop empties the box while the first cycle is still downloading.
  state_.编辑框2.SetText("");
  shop_.Release();
  first.join();
  second.join();
  EXPECT_EQ(shop_.RequestCount(), 2);
  EXPECT_EQ(state_.编辑框2.GetText(), "15");
  EXPECT_EQ(state_.超级列表框2.RowCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(RecordFile()));
}

// ---- Totals -------------------------------------------------------------------------

TEST(TotalOfColumnTest, EachPartialSumGoesThroughItsText) {
  struct Case {
    std::vector<std::string> cells;
    std::string expected;
  };
  const Case cases[] = {
      {{}, ""},
      {{"12", "3"}, "15"},
      {{"", "abc"}, "0"},
      {{"12.9", "0.5"}, "12"},
      {{"1e3", "-4"}, "-3"},
      {{"-7"}, "-7"},
      // Past 32 bits the text of a partial sum reads back wrapped.
      {{"2147483647", "1"}, "2147483648"},
      {{"2147483647", "1", "0"}, "-2147483648"},
      {{"2000000000", "2000000000", "2000000000"}, "1705032704"},
      {{"-2147483648", "-1", "0"}, "2147483647"},
  };
  for (const Case& c : cases) {
    std::string described;
    for (const std::string& cell : c.cells) described += "[" + cell + "]";
    SCOPED_TRACE(described);
    platform::ListViewModel list(4);
    Text reference;
    for (const std::string& cell : c.cells) {
      list.SetCell(list.AppendRow(), 2, cell);
      reference = NumberText(static_cast<double>(TextToInteger(reference)) +
                             static_cast<double>(TextToInteger(cell)));
    }
    EXPECT_EQ(reference, c.expected);
    EXPECT_EQ(TotalOfColumn(list, 2), c.expected);
  }
}

// ---- Stock lookup -----------------------------------------------------------------

TEST(SkuStockIndexTest, AgreesWithTheBackwardLookup) {
  struct Case {
    std::string section;
    std::string skuId;
    std::string expected;
  };
  const Case cases[] = {
      {"{\"stock\":12,\"skuId\":\"111\"}", "111", "12"},
      {"{\"stock\":5,\"skuId\":\"111\"},{\"stock\":7,\"skuId\":\"111\"}", "111", "7"},
      {"{\"stock\":5,\"skuId\":\"11\"},{\"stock\":7,\"skuId\":\"111\"}", "11", "5"},
      {"{\"stock\":5,\"skuId\":\"1\"}", "11", ""},
      {"{\"price\":1,\"skuId\":\"111\"}", "111", ""},
      {"{\"skuId\":\"111\"}{\"stock\":3}", "111", ""},
      {"\"stock\":1,\"a\":2,\"skuId\":\"111\"}", "111", "1,\"a\":2"},
      {"\"stock\":4,\"skuId\":\"\"}", "", "4"},
      {"\"stock\":4,\"skuId\":\"a\"b\"}", "a\"b", "4"},
      {"\"stock\":4,\"skuId\":\"a\"}b\"}", "a\"}b", "4"},
      {"\"stock\":4,\"skuId\":\"a\"}b\"}", "a", "4"},
      // A comma or an s as the second byte of a double-byte character never
      // starts a key.
      {"\"stock\":4\x81,\"skuId\":\"1\"}", "1", ""},
      {"\"stock\":4,\"skuId\":\"1\"}\"\x81stock\":9,\"skuId\":\"1\"}", "1",
       "4,\"skuId\":\"1\"}\"\x81stock\":9"},
      {"\"stock\":\xBA\xEC,\"skuId\":\"\xC0\xB6\"}", "\xC0\xB6", "\xBA\xEC"},
      {"", "1", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("section '" + c.section + "', id '" + c.skuId + "'");
    const SkuStockIndex index(c.section);
    const Text backward = TextBetweenLast(c.section, ",\"skuId\":\"" + c.skuId + "\"}", "stock\":");
    EXPECT_EQ(backward, c.expected);
    EXPECT_EQ(index.StockOf(c.skuId), c.expected);
  }
}

TEST(SkuStockIndexTest, AgreesWithTheBackwardLookupOnRandomSections) {
  // Sections stitched from the pieces that matter, with fixed seeds so a
  // failure repeats.
  const char* pieces[] = {"\"stock\":", ",\"skuId\":\"", "\"}", "1", "2", "\"", ",", "}",
                          "s", "\x81", "\x80", "\xBA\xEC", "\x00"};
  std::mt19937 random(20190522);
  for (int round = 0; round < 3000; ++round) {
    std::string section;
    const int length = std::uniform_int_distribution<int>(0, 24)(random);
    for (int i = 0; i < length; ++i) {
      const std::string_view piece =
          pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
      section += piece.empty() ? std::string(1, '\0') : std::string(piece);
    }
    const SkuStockIndex index(section);
    for (const char* id : {"", "1", "2", "12", "1\"", "\""}) {
      const Text backward = TextBetweenLast(section, std::string(",\"skuId\":\"") + id + "\"}",
                                            "stock\":");
      ASSERT_EQ(index.StockOf(id), backward) << "round " << round << ", id '" << id << "'";
    }
  }
}

}  // namespace
}  // namespace velmora
