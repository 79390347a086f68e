#include "app/main_window.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/critical_section.h"
#include "platform/message_box.h"
#include "platform/qt_text.h"

namespace velmora {
namespace {

using platform::MessageBoxService;
using platform::ToQString;
using namespace std::chrono_literals;

// Upper bound for anything that must happen; never a speed expectation.
constexpr int kPatienceMs = 60000;
constexpr char kUrl[] = "http://127.0.0.1:9/item.htm";

void RaiseMax(std::atomic<int>& max, int value) {
  int seen = max.load();
  while (value > seen && !max.compare_exchange_weak(seen, value)) {
  }
}

// One window with its own lock, message-box service and fake routines.
struct Harness {
  MessageBoxService messageBox;
  platform::CriticalSection lock;
  std::atomic<int> autoCycles{0};
  std::atomic<int> manualCycles{0};
  int updateChecks = 0;
  int applicationEnds = 0;
  std::function<void(const UpdateEnvironment&)> onUpdateCheck;
  std::unique_ptr<MainWindow> window;

  explicit Harness(CycleRoutine autoCycle = {}, CycleRoutine manualCycle = {}) {
    if (!autoCycle) autoCycle = [this](const CycleEnvironment&) { ++autoCycles; };
    if (!manualCycle) manualCycle = [this](const CycleEnvironment&) { ++manualCycles; };
    window = std::make_unique<MainWindow>(WindowDependencies{
        .messageBox = messageBox,
        .listLock = lock,
        .autoStockCycle = std::move(autoCycle),
        .manualStockCycle = std::move(manualCycle),
        .checkForUpdate =
            [this](const UpdateEnvironment& environment) {
              ++updateChecks;
              if (onUpdateCheck) onUpdateCheck(environment);
            },
        .clockUrl = "http://127.0.0.1:9/",
        .runDirectory = std::filesystem::temp_directory_path(),
        .endApplication = [this] { ++applicationEnds; },
    });
    // An unexpected box must never block a test: answer up to a few of them.
    for (int i = 0; i < 4; ++i) messageBox.QueueAnswer(MessageBoxService::kAnsweredOk);
  }

  ~Harness() {
    if (window) {
      window->时钟1().SetPeriod(0);
      window->时钟2().SetPeriod(0);
      // Fake cycles use this harness: let every started one finish first.
      const bool finished =
          QTest::qWaitFor([this] { return window->CyclesInFlight() == 0; }, kPatienceMs);
      EXPECT_TRUE(finished) << "a cycle never finished";
    }
  }

  template <typename T>
  T* Find(const char* name) const {
    T* widget = window->findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  void Click(const char* name) { QTest::mouseClick(Find<QWidget>(name), Qt::LeftButton); }
  void Type(const char* name, const QString& text) {
    QTest::keyClicks(Find<QLineEdit>(name), text);
  }
  void SetPeriodText(const QString& text) {
    Find<QLineEdit>("编辑框3")->clear();
    Type("编辑框3", text);
  }
  QString WidgetText(const char* name) const { return Find<QLineEdit>(name)->text(); }
  QString LastMessage() const { return ToQString(messageBox.LastText()); }
};

QString TextOf(const QWidget* widget) {
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) return button->text();
  if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) return edit->text();
  return {};
}

TEST(MainWindowTest, WindowIsFixedCentredAndNarrowedOnCreation) {
  Harness h;
  MainWindow& window = *h.window;
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmora"));
  EXPECT_EQ(window.width(), 383);
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "must not be resizable";
  const Qt::WindowFlags flags = window.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(window.x(), area.x() + (area.width() - 487) / 2) << "centred from the design width";
  EXPECT_EQ(window.y(), area.y() + (area.height() - 435) / 2);
  EXPECT_TRUE(h.lock.IsLive()) << "OnWindowCreated creates the lock";
  EXPECT_EQ(window.时钟1().Period(), 0);
  EXPECT_EQ(window.时钟2().Period(), 0);
  EXPECT_EQ(QApplication::style()->name().toLower(), QStringLiteral("fusion"));
}

TEST(MainWindowTest, ControlsStartAtTheirPlacesWithTheirTexts) {
  struct Row {
    const char* name;
    QRect geometry;
    QString text;
    bool shown;
  };
  const Row rows[] = {
      {"按钮1", {8, 8, 60, 32}, QStringLiteral("开始"), true},
      {"按钮2", {74, 8, 60, 32}, QStringLiteral("停止"), true},
      {"单选框1", {141, 8, 80, 20}, QStringLiteral("自动库存"), true},
      {"单选框2", {141, 24, 80, 20}, QStringLiteral("手动库存"), true},
      {"编辑框4", {215, 17, 96, 24}, QStringLiteral("输入单SKU库存数"), false},
      {"编辑框2", {312, 17, 56, 24}, QString(), true},
      {"编辑框3", {8, 45, 50, 24}, QStringLiteral("500"), true},
      {"编辑框1", {69, 45, 299, 24}, QString(), true},
      {"超级列表框1", {8, 73, 365, 120}, QString(), true},
      {"超级列表框2", {8, 200, 365, 200}, QString(), true},
  };
  Harness h;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QWidget* widget = h.Find<QWidget>(row.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->geometry(), row.geometry);
    EXPECT_EQ(TextOf(widget), row.text);
    EXPECT_EQ(!widget->isHidden(), row.shown);
  }
  EXPECT_TRUE(h.Find<QRadioButton>("单选框1")->isChecked());
  EXPECT_FALSE(h.Find<QRadioButton>("单选框2")->isChecked());
  EXPECT_TRUE(h.Find<QLineEdit>("编辑框2")->isReadOnly());
  EXPECT_FALSE(h.Find<QLineEdit>("编辑框1")->isReadOnly());
  EXPECT_EQ(h.window->Controls().编辑框4.GetText(), MonitorState::kStockPrompt);
}

TEST(MainWindowTest, ListViewsHaveTheirColumnsAndReportStyle) {
  struct Row {
    const char* name;
    QStringList headers;
    std::vector<int> widths;
  };
  const Row rows[] = {
      {"超级列表框1",
       {QStringLiteral("SKU名称"), QStringLiteral("SKU"), QStringLiteral("剩余库存"),
        QStringLiteral("销量")},
       {120, 80, 80, 70}},
      {"超级列表框2", {QStringLiteral("时间"), QStringLiteral("销量")}, {200, 100}},
  };
  Harness h;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QTableView* view = h.Find<QTableView>(row.name);
    ASSERT_NE(view, nullptr);
    const QAbstractItemModel* model = view->model();
    ASSERT_EQ(model->columnCount(), row.headers.size());
    EXPECT_EQ(model->rowCount(), 0);
    for (int column = 0; column < row.headers.size(); ++column) {
      SCOPED_TRACE("column " + std::to_string(column));
      EXPECT_EQ(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                row.headers[column]);
      EXPECT_EQ(view->horizontalHeader()->sectionSize(column),
                row.widths[static_cast<std::size_t>(column)]);
    }
    EXPECT_TRUE(view->horizontalHeader()->sectionsClickable());
    EXPECT_FALSE(view->isSortingEnabled());
    EXPECT_TRUE(view->showGrid());
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_TRUE(view->verticalHeader()->isHidden());
  }
}

enum class Mode { kAuto, kManual };
enum class StockBox { kPrompt, kClickedEmpty, kTyped100 };

TEST(MainWindowTest, StartValidatesInputsThenSetsTheModesTimer) {
  struct Case {
    const char* name;
    Mode mode;
    bool url;
    StockBox stock;
    QString period;
    QString message;  // empty: no box
    int timer1;
    int timer2;
  };
  const QString enterUrl = QStringLiteral("输入网址");
  const QString enterCount = QStringLiteral("输入库存数量");
  const Case cases[] = {
      {"auto, no address", Mode::kAuto, false, StockBox::kPrompt, "500", enterUrl, 0, 0},
      {"manual, no address", Mode::kManual, false, StockBox::kTyped100, "500", enterUrl, 0, 0},
      {"manual, prompt left", Mode::kManual, true, StockBox::kPrompt, "500", enterCount, 0, 0},
      {"manual, box emptied by a click", Mode::kManual, true, StockBox::kClickedEmpty, "500",
       enterCount, 0, 0},
      {"auto, ready", Mode::kAuto, true, StockBox::kPrompt, "500", {}, 500, 0},
      {"manual, ready", Mode::kManual, true, StockBox::kTyped100, "500", {}, 0, 500},
      {"auto, period abc", Mode::kAuto, true, StockBox::kPrompt, "abc", {}, 0, 0},
      {"auto, period 0", Mode::kAuto, true, StockBox::kPrompt, "0", {}, 0, 0},
      {"auto, period -5", Mode::kAuto, true, StockBox::kPrompt, "-5", {}, 0, 0},
      {"manual, period -5", Mode::kManual, true, StockBox::kTyped100, "-5", {}, 0, 0},
      {"auto, leading integer", Mode::kAuto, true, StockBox::kPrompt, "750ms", {}, 750, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    if (c.mode == Mode::kManual) h.Click("单选框2");
    if (c.url) h.Type("编辑框1", QString::fromLatin1(kUrl));
    if (c.stock != StockBox::kPrompt) h.Click("编辑框4");
    if (c.stock == StockBox::kTyped100) h.Type("编辑框4", QStringLiteral("100"));
    h.SetPeriodText(c.period);
    h.Click("按钮1");
    if (c.message.isEmpty()) {
      EXPECT_EQ(h.messageBox.ShownCount(), 0) << h.LastMessage().toStdString();
    } else {
      EXPECT_EQ(h.messageBox.ShownCount(), 1);
      EXPECT_EQ(h.LastMessage(), c.message);
      EXPECT_EQ(h.messageBox.LastButtons(), MessageBoxService::kOkButton);
    }
    EXPECT_EQ(h.window->时钟1().Period(), c.timer1);
    EXPECT_EQ(h.window->时钟2().Period(), c.timer2);
  }
}

TEST(MainWindowTest, SamePeriodDoesNotRestartTheTimerAndANewOneDoes) {
  Harness h;
  h.Type("编辑框1", QString::fromLatin1(kUrl));
  h.Click("按钮1");
  ASSERT_EQ(h.window->时钟1().Period(), 500);
  EXPECT_EQ(h.window->时钟1().StartCount(), 1);
  h.Click("按钮1");
  EXPECT_EQ(h.window->时钟1().StartCount(), 1) << "same period restarted the interval";
  h.SetPeriodText(QStringLiteral("1000"));
  h.Click("按钮1");
  EXPECT_EQ(h.window->时钟1().StartCount(), 2);
  EXPECT_EQ(h.window->时钟1().Period(), 1000);
  EXPECT_EQ(h.window->时钟2().Period(), 0) << "starting leaves the other timer alone";
}

TEST(MainWindowTest, StopModeAndBoxClicksStopPollingAndEmptyWhatTheyShould) {
  struct Case {
    const char* name;
    Mode running;
    const char* action;
    bool stops;
    QString url;        // 编辑框1 afterwards
    QString lastTotal;  // 编辑框2 afterwards
    bool stockShown;
    QString stock;      // 编辑框4 afterwards
  };
  const QString url = QString::fromLatin1(kUrl);
  const QString prompt = QStringLiteral("输入单SKU库存数");
  const Case cases[] = {
      {"stop button", Mode::kAuto, "按钮2", true, url, "", false, prompt},
      {"auto mode again", Mode::kAuto, "单选框1", true, url, "", false, prompt},
      {"to manual", Mode::kAuto, "单选框2", true, url, "", true, prompt},
      {"press in address", Mode::kAuto, "编辑框1", true, "", "", false, prompt},
      {"manual to auto", Mode::kManual, "单选框1", true, url, "", false, prompt},
      {"manual mode again", Mode::kManual, "单选框2", true, url, "", true, "100"},
      {"manual, press in address", Mode::kManual, "编辑框1", true, "", "", true, "100"},
      {"manual, press in count", Mode::kManual, "编辑框4", false, url, "15", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    h.Type("编辑框1", url);
    if (c.running == Mode::kManual) {
      h.Click("单选框2");
      h.Click("编辑框4");
      h.Type("编辑框4", QStringLiteral("100"));
    }
    h.Click("按钮1");
    h.window->Controls().编辑框2.SetText("15");  // as a cycle would
    platform::Timer& running =
        c.running == Mode::kAuto ? h.window->时钟1() : h.window->时钟2();
    ASSERT_EQ(running.Period(), 500);

    h.Click(c.action);

    EXPECT_EQ(h.window->时钟1().Period(), c.stops || c.running != Mode::kAuto ? 0 : 500);
    EXPECT_EQ(h.window->时钟2().Period(), c.stops || c.running != Mode::kManual ? 0 : 500);
    EXPECT_EQ(h.WidgetText("编辑框1"), c.url);
    EXPECT_EQ(ToQString(h.window->Controls().编辑框1.GetText()), c.url);
    EXPECT_EQ(h.WidgetText("编辑框2"), c.lastTotal);
    EXPECT_EQ(ToQString(h.window->Controls().编辑框2.GetText()), c.lastTotal);
    EXPECT_EQ(!h.Find<QLineEdit>("编辑框4")->isHidden(), c.stockShown);
    EXPECT_EQ(h.WidgetText("编辑框4"), c.stock);
    EXPECT_EQ(ToQString(h.window->Controls().编辑框4.GetText()), c.stock);
    EXPECT_EQ(h.messageBox.ShownCount(), 0);
  }
}

TEST(MainWindowTest, StockBoxDropsTypedCharactersOtherThanDigitsAndMinus) {
  Harness h;
  h.Click("单选框2");
  h.Click("编辑框4");
  QLineEdit* box = h.Find<QLineEdit>("编辑框4");
  h.Type("编辑框4", QStringLiteral("12a-3b ."));
  // A full-width digit is not one of 0 to 9.
  QKeyEvent fullWidthFive(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                          QStringLiteral("５"));
  QApplication::sendEvent(box, &fullWidthFive);
  EXPECT_EQ(box->text(), QStringLiteral("12-3"));
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->text(), QStringLiteral("12-"));
  EXPECT_EQ(h.window->Controls().编辑框4.GetText(), "12-");

  QInputMethodEvent composed;
  composed.setCommitString(QStringLiteral("五6"));
  QApplication::sendEvent(box, &composed);
  EXPECT_EQ(box->text(), QStringLiteral("12-6"));

  h.window->Controls().编辑框4.SetText("abc");
  EXPECT_EQ(box->text(), QStringLiteral("abc")) << "text set by the program is not filtered";
}

TEST(MainWindowTest, CloseWithCancelKeepsEverythingRunning) {
  Harness h;
  h.Type("编辑框1", QString::fromLatin1(kUrl));
  h.Click("按钮1");
  h.window->show();
  h.messageBox.ClearQueuedAnswers();
  h.messageBox.QueueAnswer(MessageBoxService::kAnsweredCancel);
  const int shown = h.messageBox.ShownCount();
  EXPECT_FALSE(h.window->close()) << "the default close must be refused";
  EXPECT_EQ(h.messageBox.ShownCount(), shown + 1);
  EXPECT_EQ(h.LastMessage(), QStringLiteral("是否退出"));
  EXPECT_EQ(h.messageBox.LastButtons(), MessageBoxService::kOkCancelButtons);
  EXPECT_FALSE(h.window->IsDestroyed());
  EXPECT_TRUE(h.window->isVisible());
  EXPECT_EQ(h.window->时钟1().Period(), 500);
  EXPECT_TRUE(h.lock.IsLive());
  EXPECT_EQ(h.applicationEnds, 0);
}

TEST(MainWindowTest, CloseWithOkDestroysTheWindowAndDeletesTheLock) {
  Harness h;
  h.Type("编辑框1", QString::fromLatin1(kUrl));
  h.Click("按钮1");
  h.window->show();
  h.window->close();  // the harness answers OK
  EXPECT_EQ(h.LastMessage(), QStringLiteral("是否退出"));
  EXPECT_TRUE(h.window->IsDestroyed());
  EXPECT_FALSE(h.window->isVisible());
  EXPECT_FALSE(h.lock.IsLive()) << "OnWindowDestroyed deletes the lock";
  EXPECT_EQ(h.applicationEnds, 1) << "the event loop is told to end";
  EXPECT_EQ(h.window->时钟1().Period(), 0);
  h.window->Destroy();
  EXPECT_EQ(h.applicationEnds, 1) << "destroying twice ends nothing more";
  const int cycles = h.autoCycles;
  h.window->OnTimer1Tick();
  QTest::qWait(50);
  EXPECT_EQ(h.window->CyclesInFlight(), 0);
  EXPECT_EQ(h.autoCycles, cycles) << "a destroyed window starts no cycles";
}

TEST(MainWindowTest, FirstActivationRunsTheUpdateCheckOnce) {
  Harness h;
  h.window->show();
  h.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(h.window.get(), kPatienceMs));
  EXPECT_EQ(h.updateChecks, 1);
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other, kPatienceMs));
  h.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(h.window.get(), kPatienceMs));
  EXPECT_EQ(h.updateChecks, 1);
}

TEST(MainWindowTest, UpdateCheckCanDestroyTheWindowThroughItsEnvironment) {
  Harness h;
  const MessageBoxService* seenBox = nullptr;
  h.onUpdateCheck = [&seenBox](const UpdateEnvironment& environment) {
    seenBox = &environment.messageBox;
    environment.destroyWindow();
  };
  h.window->show();
  h.window->activateWindow();
  ASSERT_TRUE(QTest::qWaitFor([&h] { return h.updateChecks == 1; }, kPatienceMs));
  EXPECT_EQ(seenBox, &h.messageBox);
  EXPECT_TRUE(h.window->IsDestroyed());
  EXPECT_FALSE(h.lock.IsLive());
  EXPECT_EQ(h.applicationEnds, 1);
  EXPECT_EQ(h.messageBox.ShownCount(), 0) << "no exit question on this path";
}

TEST(MainWindowTest, CyclesRunOneAtATimeWithAtMostTwoThreads) {
  std::atomic<int> alive{0};
  std::atomic<int> maxAlive{0};
  std::atomic<int> inside{0};
  std::atomic<int> maxInside{0};
  std::atomic<int> completed{0};
  Harness h([&](const CycleEnvironment& environment) {
    RaiseMax(maxAlive, ++alive);
    {
      platform::CriticalSectionGuard guard(environment.listLock);
      RaiseMax(maxInside, ++inside);
      // Far longer than the period: ticks pile up unless bounded.
      std::this_thread::sleep_for(150ms);
      --inside;
    }
    ++completed;
    --alive;
  });
  h.Type("编辑框1", QString::fromLatin1(kUrl));
  h.SetPeriodText(QStringLiteral("10"));
  h.Click("按钮1");
  ASSERT_TRUE(QTest::qWaitFor([&] { return completed >= 4; }, kPatienceMs));
  h.Click("按钮2");
  ASSERT_TRUE(QTest::qWaitFor([&] { return h.window->CyclesInFlight() == 0; }, kPatienceMs));
  EXPECT_EQ(maxInside, 1) << "two cycles worked at once";
  EXPECT_LE(maxAlive, MainWindow::kMaxCyclesInFlight);
  EXPECT_EQ(alive, 0);
}

// The handlers never take the lock: a stop during a slow cycle does not wait
// for it, and the cycle may then refill the emptied last-total box.
TEST(MainWindowTest, HandlersRunWhileACycleHoldsTheLock) {
  std::promise<void> holding;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  Harness h([&](const CycleEnvironment& environment) {
    platform::CriticalSectionGuard guard(environment.listLock);
    holding.set_value();
    released.wait();
    environment.controls.超级列表框1.DeleteAllRows();
    const int row = environment.controls.超级列表框1.AppendRow();
    environment.controls.超级列表框1.SetCell(row, 0, "\xba\xec\xc9\xab");  // 红色
    environment.controls.超级列表框1.SetCell(row, 2, "12");
    environment.controls.编辑框2.SetText("20");
  });
  h.Type("编辑框1", QString::fromLatin1(kUrl));
  h.window->Controls().编辑框2.SetText("15");
  h.window->OnTimer1Tick();
  holding.get_future().wait();
  h.Click("按钮2");
  h.Click("单选框2");
  h.Click("编辑框1");
  EXPECT_EQ(h.WidgetText("编辑框2"), QString());
  release.set_value();
  ASSERT_TRUE(QTest::qWaitFor([&] { return h.window->CyclesInFlight() == 0; }, kPatienceMs));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(h.WidgetText("编辑框2"), QStringLiteral("20"));
  const QAbstractItemModel* list = h.Find<QTableView>("超级列表框1")->model();
  ASSERT_EQ(list->rowCount(), 1);
  EXPECT_EQ(list->index(0, 0).data().toString(), QStringLiteral("红色"));
  EXPECT_EQ(list->index(0, 2).data().toString(), QStringLiteral("12"));
}

// The real exit question: while it is open the timer goes on starting cycles.
TEST(MainWindowTest, PollingGoesOnBehindTheOpenExitQuestion) {
  Harness h;
  h.window->show();
  h.Type("编辑框1", QString::fromLatin1(kUrl));
  h.SetPeriodText(QStringLiteral("10"));
  h.Click("按钮1");
  h.messageBox.ClearQueuedAnswers();  // the exit question must really show

  int cyclesWhenSeen = -1;
  int cyclesWhenAnswered = -1;
  int checks = 0;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || cyclesWhenAnswered >= 0) return;
    if (cyclesWhenSeen < 0) cyclesWhenSeen = h.autoCycles;
    // Give up after a long while so a failure cannot hang the suite.
    if (h.autoCycles >= cyclesWhenSeen + 3 || ++checks > 20000) {
      cyclesWhenAnswered = h.autoCycles;
      box->button(QMessageBox::Cancel)->click();
    }
  });
  watcher.start(1);
  h.window->close();
  watcher.stop();
  EXPECT_EQ(h.LastMessage(), QStringLiteral("是否退出"));
  EXPECT_GE(cyclesWhenAnswered, cyclesWhenSeen + 3) << "no cycles ran behind the box";
  EXPECT_FALSE(h.window->IsDestroyed());
}

}  // namespace
}  // namespace velmora
