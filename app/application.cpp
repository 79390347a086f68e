#include "app/application.h"

#include <QApplication>
#include <QDir>

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/critical_section.h"
#include "platform/services.h"

namespace velmora {

void RunApplicationAndExit(int argc, char** argv, ApplicationRoutines routines) {
  // libcurl's global set-up is not thread-safe; it must precede every cycle.
  curl_global_init(CURL_GLOBAL_ALL);
  QApplication application(argc, argv);
  // Relative paths resolve beside the program, whatever started it.
  QDir::setCurrent(QCoreApplication::applicationDirPath());

  platform::MessageBoxService messageBox;
  MainWindow window(WindowDependencies{
      .messageBox = messageBox,
      .listLock = platform::g_listLock,
      .autoStockCycle = std::move(routines.autoStockCycle),
      .manualStockCycle = std::move(routines.manualStockCycle),
      .checkForUpdate = std::move(routines.checkForUpdate),
  });
  window.show();
  if (routines.afterShow) routines.afterShow(window, messageBox);
  application.exec();

  // Cycles blocked in a download are never joined (see the header).
  std::fflush(nullptr);
  std::quick_exit(0);
}

}  // namespace velmora
