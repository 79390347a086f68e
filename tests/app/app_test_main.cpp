// GoogleTest main for the cycle and clock suites: libcurl started once before
// any thread, as the program's main does, and a QCoreApplication for the
// platform services that ask Qt where the program runs.
#include <QCoreApplication>

#include <gtest/gtest.h>

#include "web/curl_transfer.h"

int main(int argc, char** argv) {
  const velmora::CurlGlobal curl;
  QCoreApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return curl.ok() ? RUN_ALL_TESTS() : 1;
}
