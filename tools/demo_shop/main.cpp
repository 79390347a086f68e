// velmora_demo_shop: serves the demo item page on loopback until killed.
// The first line on stdout is the address to paste into Velmora.
//
//   velmora_demo_shop [--port N] [--seed N] [--interval-ms N]
//
// --port 0 (the default) picks a free port; --interval-ms (at most a day, in
// ms) sets the mean time between random moves, and 0 keeps the stock
// still except for POST /step and POST /stock?sku=..&value=.. requests.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "tools/demo_shop/shop.h"

namespace {

bool ReadNumber(const char* text, long& value) {
  char* end = nullptr;
  value = std::strtol(text, &end, 10);
  return *text != '\0' && *end == '\0' && value >= 0;
}

// A day between moves is as slow as a demo needs; the random spread around
// the interval is drawn as an int, which a longer one would overflow.
constexpr long kLongestInterval = 24L * 60 * 60 * 1000;

int Usage() {
  std::fprintf(stderr,
               "usage: velmora_demo_shop [--port N] [--seed N] [--interval-ms N]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  velmora::demo::DemoShopOptions options;
  for (int i = 1; i < argc; ++i) {
    long value = 0;
    if (i + 1 >= argc || !ReadNumber(argv[i + 1], value)) return Usage();
    if (std::strcmp(argv[i], "--port") == 0 && value <= 65535) {
      options.port = static_cast<int>(value);
    } else if (std::strcmp(argv[i], "--seed") == 0) {
      options.seed = static_cast<std::uint32_t>(value);
    } else if (std::strcmp(argv[i], "--interval-ms") == 0 && value <= kLongestInterval) {
      options.stepInterval = std::chrono::milliseconds(value);
    } else {
      return Usage();
    }
    ++i;
  }

  velmora::demo::DemoShop shop(options);
  if (!shop.Start()) {
    std::fprintf(stderr, "velmora_demo_shop: cannot listen on %s:%d\n",
                 options.host.c_str(), options.port);
    return 1;
  }
  std::printf("%s\n", shop.ItemUrl().c_str());
  std::fflush(stdout);
  std::fprintf(stderr,
               "velmora_demo_shop: UTF-8 page %s, clock %s, total stock %d\n",
               shop.Utf8ItemUrl().c_str(), shop.ClockUrl().c_str(),
               shop.Stock().Total());
  for (;;) std::this_thread::sleep_for(std::chrono::hours(24));
}
