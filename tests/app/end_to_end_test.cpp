// The real window, offscreen, watching the demo shop over loopback while the
// test makes the shop sell: what the window lists and what 记录.ini holds must
// match what the shop sold.
#include <QApplication>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QtGlobal>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include <httplib.h>

#include "app/http_date.h"
#include "app/main_window.h"
#include "app/sales_record.h"
#include "app/sku_rows.h"
#include "platform/critical_section.h"
#include "platform/message_box.h"
#include "platform/qt_text.h"
#include "tests/app/cycle_test_support.h"
#include "text/gbk_codec.h"
#include "text/regex_matcher.h"
#include "tools/demo_shop/shop.h"
#include "web/curl_transfer.h"
#include "web/http_fetch.h"
#include "web/response_decoding.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using platform::MessageBoxService;

// Upper bound for anything that must happen; never a speed expectation.
constexpr int kPatienceMs = 60000;
const char kClockTime[] = "1994年11月15日16时12分31秒";

class EndToEndTest : public ::testing::Test {
 protected:
  EndToEndTest() {
    shopReady_ = shop_.Start();
    window_ = std::make_unique<MainWindow>(WindowDependencies{
        .messageBox = messageBox_,
        .listLock = lock_,
        .checkForUpdate = [](const UpdateEnvironment&) {},
        .clockUrl = clock_.Url(),
        .runDirectory = scratch_.path(),
        .endApplication = [] {},
    });
    window_->show();
  }

  ~EndToEndTest() override {
    window_->时钟1().SetPeriod(0);
    window_->时钟2().SetPeriod(0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window_->CyclesInFlight() == 0; }, kPatienceMs))
        << "a cycle never finished";
  }

  template <typename T>
  T* Find(const char* name) {
    T* widget = window_->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  // Clicks into the box (which the window may empty) and types `text`.
  void TypeInto(const char* name, const std::string& text) {
    QLineEdit* edit = Find<QLineEdit>(name);
    QTest::mouseClick(edit, Qt::LeftButton);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, QString::fromStdString(text));
  }

  // True once sales row `row` exists with both of its cells written.
  static bool RowIsFilled(const platform::ListViewModel& list, int row) {
    return list.RowCount() > row && !list.Cell(row, 0).empty() && !list.Cell(row, 1).empty();
  }

  // Waits, pumping the window's events, until `done` holds.
  template <typename Done>
  bool WaitFor(Done done) {
    return QTest::qWaitFor(done, kPatienceMs);
  }

  // The rows of a list as the window's table view shows them.
  std::vector<std::vector<std::string>> ShownRows(const char* name) {
    const QAbstractItemModel* model = Find<QTableView>(name)->model();
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < model->rowCount(); ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < model->columnCount(); ++c) {
        row.push_back(model->data(model->index(r, c)).toString().toStdString());
      }
      rows.push_back(row);
    }
    return rows;
  }

  MessageBoxService messageBox_;
  platform::CriticalSection lock_;
  demo::DemoShop shop_{{.seed = 20190522, .stepInterval = 0ms}};
  bool shopReady_ = false;
  cycle_test::ClockSite clock_;
  cycle_test::ScratchDirectory scratch_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(EndToEndTest, AutomaticPollingLogsEverySaleAndRestockOfTheShop) {
  ASSERT_TRUE(shopReady_);
  MonitorControls controls = window_->Controls();
  TypeInto("编辑框1", shop_.ItemUrl());
  TypeInto("编辑框3", "200");
  QTest::mouseClick(Find<QWidget>("按钮1"), Qt::LeftButton);
  EXPECT_EQ(messageBox_.ShownCount(), 0);

  // The first poll only takes the starting total.
  ASSERT_TRUE(WaitFor([&] {
    return controls.编辑框2.GetText() == std::to_string(shop_.Stock().Total());
  })) << "last total " << controls.编辑框2.GetText();
  EXPECT_EQ(controls.超级列表框2.RowCount(), 0);

  // The shop moves its stock one step at a time; each step is one sales row
  // of last − new, so a sale is positive and a restock negative.
  std::vector<std::vector<std::string>> expected;
  std::string expectedFile;
  for (int i = 0; i < 8; ++i) {
    const demo::StockStep step = shop_.Stock().Step();
    const std::string figure = std::to_string(-step.change);
    expected.push_back({kClockTime, figure});
    expectedFile += std::string("\"") + kClockTime + "\",\"" + figure + "\"\r\n";
    // A cycle appends the row, then asks the clock, then fills the row and
    // only then takes the new total: wait for the end of that sequence.
    ASSERT_TRUE(WaitFor([&] { return RowIsFilled(controls.超级列表框2, i); }))
        << "no row for step " << i << " (" << step.change << ")";
    EXPECT_TRUE(WaitFor([&] {
      return controls.编辑框2.GetText() == std::to_string(shop_.Stock().Total());
    })) << "last total " << controls.编辑框2.GetText();
  }
  QTest::mouseClick(Find<QWidget>("按钮2"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return window_->CyclesInFlight() == 0; }));

  // What the window shows.
  ASSERT_TRUE(WaitFor([&] { return ShownRows("超级列表框2").size() == expected.size(); }));
  EXPECT_EQ(ShownRows("超级列表框2"), expected);
  std::vector<std::vector<std::string>> skuRows;
  for (const demo::ShopSku& sku : shop_.Stock().Skus()) {
    skuRows.push_back({sku.nameUtf8, sku.id, std::to_string(sku.stock), ""});
  }
  EXPECT_TRUE(WaitFor([&] { return ShownRows("超级列表框1") == skuRows; }));
  EXPECT_EQ(ShownRows("超级列表框1"), skuRows);
  // What the file holds: the same rows, GBK, CR LF.
  EXPECT_EQ(cycle_test::ReadWholeFile(SalesRecordPath(scratch_.path())),
            GbkFromUtf8(expectedFile));
}

TEST_F(EndToEndTest, ManualPollingLogsTheRunningTotalSold) {
  ASSERT_TRUE(shopReady_);
  MonitorControls controls = window_->Controls();
  QTest::mouseClick(Find<QRadioButton>("单选框2"), Qt::LeftButton);
  TypeInto("编辑框1", shop_.Utf8ItemUrl());
  TypeInto("编辑框4", "500");
  TypeInto("编辑框3", "200");
  QTest::mouseClick(Find<QWidget>("按钮1"), Qt::LeftButton);
  EXPECT_EQ(messageBox_.ShownCount(), 0);

  const auto soldSoFar = [this] {
    int sold = 0;
    for (const demo::ShopSku& sku : shop_.Stock().Skus()) sold += 500 - sku.stock;
    return std::to_string(sold);
  };
  ASSERT_TRUE(WaitFor([&] { return controls.编辑框2.GetText() == soldSoFar(); }));
  std::string expectedFile;
  for (int i = 0; i < 4; ++i) {
    shop_.Stock().Step();
    const std::string total = soldSoFar();
    expectedFile += std::string("\"") + kClockTime + "\",\"" + total + "\"\r\n";
    ASSERT_TRUE(WaitFor([&] { return RowIsFilled(controls.超级列表框2, i); }));
    EXPECT_EQ(controls.超级列表框2.RowCount(), i + 1);
    EXPECT_EQ(Utf8FromGbk(controls.超级列表框2.Cell(i, 1)), total);
  }
  QTest::mouseClick(Find<QWidget>("按钮2"), Qt::LeftButton);
  ASSERT_TRUE(WaitFor([&] { return window_->CyclesInFlight() == 0; }));
  EXPECT_EQ(cycle_test::ReadWholeFile(SalesRecordPath(scratch_.path())),
            GbkFromUtf8(expectedFile));
}

// ---- The demo shop itself ------------------------------------------------------

TEST(DemoShopTest, TheSameSeedGivesTheSameStockAndTheSameMoves) {
  demo::ShopStock first(7);
  demo::ShopStock second(7);
  for (int i = 0; i < 200; ++i) {
    SCOPED_TRACE("move " + std::to_string(i));
    const demo::StockStep a = first.Step();
    const demo::StockStep b = second.Step();
    ASSERT_EQ(a.skuId, b.skuId);
    ASSERT_EQ(a.change, b.change);
    ASSERT_NE(a.change, 0);
    for (const demo::ShopSku& sku : first.Skus()) ASSERT_GE(sku.stock, 0) << sku.id;
  }
  EXPECT_EQ(first.PageGbk(), second.PageGbk());
}

TEST(DemoShopTest, ASoldOutShopRestocks) {
  demo::ShopStock stock(3);
  for (const demo::ShopSku& sku : stock.Skus()) ASSERT_TRUE(stock.SetStock(sku.id, 0));
  EXPECT_FALSE(stock.SetStock("no-such-sku", 5));
  EXPECT_EQ(stock.Total(), 0);
  const demo::StockStep step = stock.Step();
  EXPECT_GT(step.change, 0);
  EXPECT_EQ(stock.Total(), step.change);
}

TEST(DemoShopTest, BothPagesReadAsTheShopsStockInBothModes) {
  demo::ShopStock stock(11);
  std::vector<std::vector<std::string>> autoRows;
  std::vector<std::vector<std::string>> manualRows;
  for (const demo::ShopSku& sku : stock.Skus()) {
    autoRows.push_back({sku.nameUtf8, sku.id, std::to_string(sku.stock), ""});
    manualRows.push_back({sku.id, "100", std::to_string(sku.stock),
                          std::to_string(100 - sku.stock)});
  }
  const auto rowsOf = [](const platform::ListViewModel& list) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < list.RowCount(); ++r) {
      std::vector<std::string> row;
      for (int c = 0; c < list.ColumnCount(); ++c) row.push_back(Utf8FromGbk(list.Cell(r, c)));
      rows.push_back(row);
    }
    return rows;
  };
  const Text pages[] = {stock.PageGbk(), DecodeResponseText(TextToBytes(stock.PageUtf8()))};
  for (const Text& page : pages) {
    RegexMatcher matcher;
    platform::ListViewModel autoList(4);
    ListAutoStockRows(page, matcher, autoList);
    EXPECT_EQ(rowsOf(autoList), autoRows);
    platform::ListViewModel manualList(4);
    const platform::EditBoxModel typedCount("100");
    ListManualStockRows(page, matcher, typedCount, manualList);
    EXPECT_EQ(rowsOf(manualList), manualRows);
  }
}

TEST(DemoShopTest, ServesThePageMovesTheStockByHandAndDatesItsAnswers) {
  demo::DemoShop shop({.seed = 5, .stepInterval = 0ms});
  ASSERT_TRUE(shop.Start());
  EXPECT_EQ(HttpFetch(shop.ItemUrl()), shop.Stock().PageGbk());

  const int before = shop.Stock().Total();
  httplib::Client client("127.0.0.1", shop.Port());
  const auto stepped = client.Post("/step", "", "text/plain");
  ASSERT_TRUE(stepped);
  EXPECT_EQ(stepped->status, 200);
  EXPECT_NE(shop.Stock().Total(), before);
  EXPECT_EQ(stepped->body, std::to_string(shop.Stock().Total()) + "\n");

  const auto set = client.Post("/stock?sku=111&value=7", "", "text/plain");
  ASSERT_TRUE(set);
  EXPECT_EQ(set->status, 200);
  EXPECT_EQ(shop.Stock().Skus().at(0).stock, 7);
  const auto unknown = client.Post("/stock?sku=999&value=7", "", "text/plain");
  ASSERT_TRUE(unknown);
  EXPECT_EQ(unknown->status, 404);

  const auto head = client.Head("/");
  ASSERT_TRUE(head);
  EXPECT_TRUE(ParseHttpDate(head->get_header_value("Date")).has_value())
      << head->get_header_value("Date");
}

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const velmora::CurlGlobal curl;
  QApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return curl.ok() ? RUN_ALL_TESTS() : 1;
}
