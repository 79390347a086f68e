#include "platform/list_view_model.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace velmora::platform {
namespace {

// "红色" in GBK.
constexpr char kRedGbk[] = "\xba\xec\xc9\xab";

// Lets the GUI thread apply every queued operation posted so far.
void Drain() { QCoreApplication::sendPostedEvents(); }

QString Shown(const ListViewTableModel& view, int row, int column) {
  return view.data(view.index(row, column), Qt::DisplayRole).toString();
}

TEST(ListViewModelTest, AppendRowReturnsConsecutiveIndexesWithEmptyCells) {
  ListViewModel list(3);
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.AppendRow(), 0);
  EXPECT_EQ(list.AppendRow(), 1);
  EXPECT_EQ(list.AppendRow(), 2);
  EXPECT_EQ(list.RowCount(), 3);
  for (int column = 0; column < 3; ++column) EXPECT_EQ(list.Cell(2, column), "");
  list.DeleteAllRows();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.AppendRow(), 0) << "indexes restart after delete-all";
}

TEST(ListViewModelTest, CellAccessChecksRange) {
  struct Case {
    int row;
    int column;
    bool inRange;
  };
  const Case cases[] = {
      {0, 0, true},  {1, 1, true},   {1, 2, false}, {2, 0, false},
      {-1, 0, false}, {0, -1, false}, {0, 99, false},
  };
  ListViewModel list(2);
  list.AppendRow();
  list.AppendRow();
  for (const Case& c : cases) {
    SCOPED_TRACE("row " + std::to_string(c.row) + ", column " + std::to_string(c.column));
    EXPECT_EQ(list.SetCell(c.row, c.column, "x"), c.inRange);
    EXPECT_EQ(list.Cell(c.row, c.column), c.inRange ? "x" : "");
  }
  EXPECT_EQ(list.RowCount(), 2) << "a failed set must not add rows";
}

TEST(ListViewModelTest, CellKeepsWholeTextOfAnyLength) {
  ListViewModel list(1);
  list.AppendRow();
  const std::string longText(100000, 'a');
  ASSERT_TRUE(list.SetCell(0, 0, longText));
  EXPECT_EQ(list.Cell(0, 0), longText);
}

TEST(ListViewModelTest, ViewShowsRowsPresentWhenAttached) {
  ListViewModel list(2);
  list.AppendRow();
  list.SetCell(0, 0, kRedGbk);
  list.SetCell(0, 1, "15");
  ListViewTableModel view(list, {QStringLiteral("a"), QStringLiteral("b")});
  ASSERT_EQ(view.rowCount(), 1);
  EXPECT_EQ(view.columnCount(), 2);
  EXPECT_EQ(Shown(view, 0, 0), QStringLiteral("红色"));
  EXPECT_EQ(Shown(view, 0, 1), QStringLiteral("15"));
  EXPECT_EQ(view.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
            QStringLiteral("b"));
  EXPECT_FALSE(view.flags(view.index(0, 0)).testFlag(Qt::ItemIsEditable));
}

TEST(ListViewModelTest, ViewShowsPageTextAsPlainTextCutToTheListsLimit) {
  // "红" is two bytes: a 600-byte cell of them is cut after 256 characters.
  std::string red;
  for (int i = 0; i < 300; ++i) red += "\xba\xec";
  struct Row {
    const char* name;
    Text cell;
    QString shown;
  };
  const Row rows[] = {
      {"short text whole", "15", QStringLiteral("15")},
      {"markup stays text", "<img src=/dev/zero>", QStringLiteral("<img src=/dev/zero>")},
      {"ASCII cut at 512 bytes", std::string(100000, 'a'),
       QString(512, QLatin1Char('a')) + QChar(0x2026)},
      {"never half a character", "a" + red, QStringLiteral("a") + QString(255, QChar(0x7EA2)) +
                                                QChar(0x2026)},
  };
  ListViewModel list(1);
  for (const Row& row : rows) list.SetCell(list.AppendRow(), 0, row.cell);
  ListViewTableModel view(list, {QStringLiteral("a")});
  for (int i = 0; i < static_cast<int>(std::size(rows)); ++i) {
    SCOPED_TRACE(rows[i].name);
    EXPECT_EQ(Shown(view, i, 0), rows[i].shown);
    EXPECT_EQ(list.Cell(i, 0), rows[i].cell) << "the store keeps the whole text";
    // A tooltip of markup would be rendered, loading what it names; the
    // shown text must come back escaped instead.
    const QString tip = view.data(view.index(i, 0), Qt::ToolTipRole).toString();
    EXPECT_FALSE(tip.contains(QStringLiteral("<img")));
    EXPECT_TRUE(tip.contains(rows[i].shown.toHtmlEscaped().left(20))) << tip.toStdString();
  }
}

TEST(ListViewModelTest, ViewFollowsAppendsSetsAndClearsFromAWorker) {
  ListViewModel list(2);
  ListViewTableModel view(list, {QStringLiteral("a"), QStringLiteral("b")});
  std::thread worker([&list] {
    for (int i = 0; i < 500; ++i) {
      const int row = list.AppendRow();
      list.SetCell(row, 0, std::to_string(i));
      list.SetCell(row, 1, kRedGbk);
    }
  });
  worker.join();
  EXPECT_EQ(view.rowCount(), 0) << "the view changes on the GUI thread only";
  Drain();
  ASSERT_EQ(view.rowCount(), 500);
  for (int row = 0; row < 500; ++row) {
    SCOPED_TRACE("row " + std::to_string(row));
    ASSERT_EQ(Shown(view, row, 0), QString::number(row));
    ASSERT_EQ(Shown(view, row, 1), QStringLiteral("红色"));
  }

  std::thread clearer([&list] {
    list.DeleteAllRows();
    list.SetCell(0, 0, "gone");  // fails: no row any more
    list.SetCell(list.AppendRow(), 0, "after");
  });
  clearer.join();
  Drain();
  ASSERT_EQ(view.rowCount(), 1);
  EXPECT_EQ(Shown(view, 0, 0), QStringLiteral("after"));
}

// Rows appended in one go land after the rows already there, each cut or
// padded to the column count, and reach the view in the store's order.
TEST(ListViewModelTest, AppendRowsAddsWholeRowsAfterTheExistingOnes) {
  ListViewModel list(2);
  ListViewTableModel view(list, {QStringLiteral("a"), QStringLiteral("b")});
  list.SetCell(list.AppendRow(), 0, "first");
  std::thread worker([&list] {
    EXPECT_EQ(list.AppendRows({{kRedGbk, "15"}, {"only one"}, {"x", "y", "cut off"}}), 1);
    EXPECT_EQ(list.AppendRows({}), 4) << "nothing to add: where the next row would go";
    list.SetCell(3, 1, "set after");
  });
  worker.join();
  ASSERT_EQ(list.RowCount(), 4);
  EXPECT_EQ(list.Cell(1, 0), kRedGbk);
  EXPECT_EQ(list.Cell(2, 0), "only one");
  EXPECT_EQ(list.Cell(2, 1), "");
  EXPECT_EQ(list.Cell(3, 1), "set after");
  EXPECT_EQ(list.Cell(3, 2), "") << "a third cell was never kept";

  Drain();
  ASSERT_EQ(view.rowCount(), 4);
  EXPECT_EQ(Shown(view, 0, 0), QStringLiteral("first"));
  EXPECT_EQ(Shown(view, 1, 0), QStringLiteral("红色"));
  EXPECT_EQ(Shown(view, 1, 1), QStringLiteral("15"));
  EXPECT_EQ(Shown(view, 2, 1), QString());
  EXPECT_EQ(Shown(view, 3, 0), QStringLiteral("x"));
  EXPECT_EQ(Shown(view, 3, 1), QStringLiteral("set after"));
}

TEST(ListViewModelTest, AppendOnTheGuiThreadIsShownOnlyAfterQueuedOperationsRun) {
  ListViewModel list(1);
  ListViewTableModel view(list, {QStringLiteral("a")});
  list.SetCell(list.AppendRow(), 0, "x");
  Drain();
  ASSERT_EQ(view.rowCount(), 1);
  EXPECT_EQ(Shown(view, 0, 0), QStringLiteral("x"));
}

// A worker may still write after the window and its views are gone.
TEST(ListViewModelTest, WritesAfterTheViewIsDestroyedAreSafe) {
  ListViewModel list(1);
  auto view = std::make_unique<ListViewTableModel>(list, QStringList{QStringLiteral("a")});
  list.AppendRow();  // posted to the view, never applied
  view.reset();
  std::thread worker([&list] {
    for (int i = 0; i < 100; ++i) list.SetCell(list.AppendRow(), 0, "late");
  });
  worker.join();
  Drain();
  EXPECT_EQ(list.RowCount(), 101);
  ListViewTableModel again(list, {QStringLiteral("a")});
  EXPECT_EQ(again.rowCount(), 101);
}

}  // namespace
}  // namespace velmora::platform
