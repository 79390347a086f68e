// Runs the program as `velmora` does, with one change: its poll cycle blocks
// forever, holding the list lock, as a cycle stuck in a download would. Once
// that cycle is blocked the probe asks to close the window and answers the
// exit question with OK. The process must then end at once with code 0.
#include <QLineEdit>
#include <QTimer>
#include <QtGlobal>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "app/application.h"
#include "platform/critical_section.h"

int main(int argc, char** argv) {
  using namespace std::chrono_literals;
  using velmora::platform::MessageBoxService;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  auto blocked = std::make_shared<std::atomic<bool>>(false);

  velmora::ApplicationRoutines routines;
  routines.autoStockCycle = [blocked](const velmora::CycleEnvironment& environment) {
    velmora::platform::CriticalSectionGuard guard(environment.listLock);
    environment.controls.编辑框2.SetText("15");
    if (!blocked->exchange(true)) {
      std::puts("cycle blocked");
      std::fflush(stdout);
    }
    for (;;) std::this_thread::sleep_for(1h);
  };
  routines.checkForUpdate = [](const velmora::UpdateEnvironment&) {};
  routines.afterShow = [blocked](velmora::MainWindow& window, MessageBoxService& messageBox) {
    window.Controls().编辑框1.SetText("http://127.0.0.1:9/item.htm");
    window.findChild<QLineEdit*>(QStringLiteral("编辑框3"))->setText(QStringLiteral("20"));
    window.OnStartClicked();
    messageBox.QueueAnswer(MessageBoxService::kAnsweredOk);
    auto* watcher = new QTimer(&window);
    QObject::connect(watcher, &QTimer::timeout, &window, [blocked, watcher, &window] {
      // Wait until a second cycle is queued on the lock behind the first.
      if (!*blocked || window.CyclesInFlight() < 2) return;
      watcher->stop();
      std::puts("closing");
      std::fflush(stdout);
      window.close();
    });
    watcher->start(10);
  };
  velmora::RunApplicationAndExit(argc, argv, std::move(routines));
}
