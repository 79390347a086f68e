// The HTTP client tests start libcurl once, before any test thread, as main
// does in the application.
#include <gtest/gtest.h>

#include "web/curl_transfer.h"

int main(int argc, char** argv) {
  const velmora::CurlGlobal curl;
  testing::InitGoogleTest(&argc, argv);
  return curl.ok() ? RUN_ALL_TESTS() : 1;
}
