// Saves pictures of the window for the README (run under xvfb-run):
//   velmora_window_screenshot docs/window.png          the window as it starts
//   velmora_window_screenshot --demo docs/demo.png     watching the demo shop
// The update check is switched off. In --demo the demo shop runs in-process
// on loopback, its own HEAD / serves as the network clock (so nothing leaves
// this machine), the address is typed into the window and 开始 pressed as a
// person would, and the shop sells a few times before the picture is taken.
#include <QApplication>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/main_window.h"
#include "platform/critical_section.h"
#include "platform/message_box.h"
#include "tools/demo_shop/shop.h"
#include "web/curl_transfer.h"

namespace {

constexpr int kPatienceMs = 30000;

bool Save(QWidget& window, const char* path) {
  QTest::qWait(300);  // let the last paint settle
  if (!window.grab().save(QString::fromLocal8Bit(path))) {
    std::fprintf(stderr, "cannot write %s\n", path);
    return false;
  }
  return true;
}

void TypeInto(QWidget& window, const char* name, const std::string& text) {
  auto* edit = window.findChild<QLineEdit*>(QString::fromUtf8(name));
  QTest::mouseClick(edit, Qt::LeftButton);
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClicks(edit, QString::fromStdString(text));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const bool demo = argc == 3 && std::strcmp(argv[1], "--demo") == 0;
  if (argc != 2 && !demo) {
    std::fprintf(stderr, "usage: %s [--demo] OUTPUT.png\n", argv[0]);
    return 2;
  }
  const char* output = argv[argc - 1];
  velmora::CurlGlobal curl;
  velmora::demo::DemoShop shop({.seed = 20190522, .stepInterval = std::chrono::milliseconds(0)});
  if (demo && !shop.Start()) {
    std::fprintf(stderr, "the demo shop did not start\n");
    return 1;
  }
  const QTemporaryDir runDirectory;
  velmora::platform::MessageBoxService messageBox;
  velmora::platform::CriticalSection lock;
  velmora::WindowDependencies dependencies{
      .messageBox = messageBox,
      .listLock = lock,
      .checkForUpdate = [](const velmora::UpdateEnvironment&) {},
      .clockUrl = shop.ClockUrl(),
      .runDirectory = runDirectory.path().toStdString(),
  };
  if (!demo) {
    dependencies.autoStockCycle = {};
    dependencies.manualStockCycle = {};
  }
  velmora::MainWindow window(std::move(dependencies));
  window.show();
  if (!QTest::qWaitForWindowExposed(&window, kPatienceMs)) {
    std::fprintf(stderr, "the window was never shown\n");
    return 1;
  }
  if (!demo) return Save(window, output) ? 0 : 1;

  TypeInto(window, "编辑框1", shop.ItemUrl());
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("按钮1")), Qt::LeftButton);
  velmora::MonitorControls controls = window.Controls();
  if (!QTest::qWaitFor([&] { return !controls.编辑框2.GetText().empty(); }, kPatienceMs)) {
    std::fprintf(stderr, "no poll took the starting total\n");
    return 1;
  }
  for (int sale = 1; sale <= 6; ++sale) {
    shop.Stock().Step();
    if (!QTest::qWaitFor([&] { return controls.超级列表框2.RowCount() >= sale; }, kPatienceMs)) {
      std::fprintf(stderr, "no sales row for move %d\n", sale);
      return 1;
    }
  }
  // The picture shows polling still running, with the last total in its box.
  const bool saved = Save(window, output);
  QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("按钮2")), Qt::LeftButton);
  if (!QTest::qWaitFor([&] { return window.CyclesInFlight() == 0; }, kPatienceMs)) {
    std::fprintf(stderr, "a poll never finished\n");
    return 1;
  }
  shop.Stop();
  return saved ? 0 : 1;
}
