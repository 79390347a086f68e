// Saves a picture of the window as it starts, for the README:
//   xvfb-run -a build/<dir>/tests/app/velmora_window_screenshot docs/window.png
// Polling and the update check are switched off; everything else is the real
// window.
#include <QApplication>
#include <QPixmap>
#include <QTest>

#include <cstdio>

#include "app/main_window.h"
#include "platform/critical_section.h"
#include "platform/message_box.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  velmora::platform::MessageBoxService messageBox;
  velmora::platform::CriticalSection lock;
  velmora::MainWindow window(velmora::WindowDependencies{
      .messageBox = messageBox,
      .listLock = lock,
      .autoStockCycle = {},
      .manualStockCycle = {},
      .checkForUpdate = [](const velmora::UpdateEnvironment&) {},
  });
  window.show();
  if (!QTest::qWaitForWindowExposed(&window, 30000)) {
    std::fprintf(stderr, "the window was never shown\n");
    return 1;
  }
  QTest::qWait(200);  // let the first paint settle
  if (!window.grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
