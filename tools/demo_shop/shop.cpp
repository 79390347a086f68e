#include "tools/demo_shop/shop.h"

#include <httplib.h>

#include <condition_variable>
#include <cstdio>
#include <thread>

namespace velmora::demo {
namespace {

struct SkuName {
  const char* utf8;
  const char* gbk;
  const char* id;
};

// The GBK spellings are written as bytes so the page needs no converter.
constexpr SkuName kSkuNames[] = {
    {"红色", "\xBA\xEC\xC9\xAB", "111"},
    {"蓝色", "\xC0\xB6\xC9\xAB", "222"},
    {"黑色", "\xBA\xDA\xC9\xAB", "333"},
    {"白色", "\xB0\xD7\xC9\xAB", "444"},
};
constexpr const char* kTitleUtf8 = "纯棉T恤";
constexpr const char* kTitleGbk = "\xB4\xBF\xC3\xDE" "T" "\xD0\xF4";

int Draw(std::mt19937& random, int low, int high) {
  return std::uniform_int_distribution<int>(low, high)(random);
}

}  // namespace

ShopStock::ShopStock(std::uint32_t seed) : random_(seed) {
  for (const SkuName& name : kSkuNames) {
    skus_.push_back({name.utf8, name.gbk, name.id, Draw(random_, 40, 120)});
  }
}

StockStep ShopStock::Step() {
  std::lock_guard lock(mutex_);
  std::vector<std::size_t> inStock;
  for (std::size_t i = 0; i < skus_.size(); ++i) {
    if (skus_[i].stock > 0) inStock.push_back(i);
  }
  // One move in eight is a restock, and a sold-out shop always restocks.
  if (inStock.empty() || Draw(random_, 1, 8) == 1) {
    ShopSku& sku = skus_[static_cast<std::size_t>(
        Draw(random_, 0, static_cast<int>(skus_.size()) - 1))];
    const int added = Draw(random_, 5, 20);
    sku.stock += added;
    return {sku.id, added};
  }
  ShopSku& sku = skus_[inStock[static_cast<std::size_t>(
      Draw(random_, 0, static_cast<int>(inStock.size()) - 1))]];
  const int sold = std::min(sku.stock, Draw(random_, 1, 3));
  sku.stock -= sold;
  return {sku.id, -sold};
}

bool ShopStock::SetStock(std::string_view skuId, int stock) {
  std::lock_guard lock(mutex_);
  for (ShopSku& sku : skus_) {
    if (sku.id == skuId) {
      sku.stock = stock;
      return true;
    }
  }
  return false;
}

int ShopStock::Total() const {
  std::lock_guard lock(mutex_);
  int total = 0;
  for (const ShopSku& sku : skus_) total += sku.stock;
  return total;
}

std::vector<ShopSku> ShopStock::Skus() const {
  std::lock_guard lock(mutex_);
  return skus_;
}

std::string ShopStock::PageGbk() const { return Page(true); }
std::string ShopStock::PageUtf8() const { return Page(false); }

std::string ShopStock::Page(bool gbk) const {
  const std::vector<ShopSku> skus = Skus();
  std::string page;
  page += "<!DOCTYPE html>\n<html><head><meta charset=";
  page += gbk ? "gbk" : "utf-8";
  page += "><title>";
  page += gbk ? kTitleGbk : kTitleUtf8;
  page += "</title></head>\n<body><h1>";
  page += gbk ? kTitleGbk : kTitleUtf8;
  page += "</h1>\n<script>\nvar g_config = {\"itemId\":\"600123456789\",\n";
  page += "\"propertyList\":[\n";
  for (std::size_t i = 0; i < skus.size(); ++i) {
    page += "  {\"names\":\"";
    page += gbk ? skus[i].nameGbk : skus[i].nameUtf8;
    page += "\",\"skuId\":\"" + skus[i].id + "\"}";
    page += i + 1 < skus.size() ? ",\n" : "\n";
  }
  page += "],\n\"skuMap\":{\n";
  for (std::size_t i = 0; i < skus.size(); ++i) {
    page += "  \";1627207:2832" + std::to_string(i) + ";\":{\"price\":\"59.00\",";
    page += "\"stock\":" + std::to_string(skus[i].stock);
    page += ",\"skuId\":\"" + skus[i].id + "\"}";
    page += i + 1 < skus.size() ? ",\n" : "\n";
  }
  page += "},\n\"salesProp\":{\"1627207\":[";
  for (std::size_t i = 0; i < skus.size(); ++i) {
    page += i ? ",\"" : "\"";
    page += "2832" + std::to_string(i) + "\"";
  }
  page += "]}};\n</script>\n</body></html>\n";
  return page;
}

std::string HttpDateNow() {
  using namespace std::chrono;
  const auto now = floor<seconds>(system_clock::now());
  const auto day = floor<days>(now);
  const year_month_day date(day);
  const hh_mm_ss time(now - day);
  static constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed",
                                              "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr",
                                            "May", "Jun", "Jul", "Aug",
                                            "Sep", "Oct", "Nov", "Dec"};
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT",
                kWeekdays[weekday(day).c_encoding()],
                static_cast<unsigned>(date.day()),
                kMonths[static_cast<unsigned>(date.month()) - 1],
                static_cast<int>(date.year()),
                static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count()));
  return text;
}

struct DemoShop::Impl {
  explicit Impl(DemoShopOptions shopOptions)
      : options(std::move(shopOptions)), stock(options.seed),
        random(options.seed ^ 0x9E3779B9u) {}

  std::string Address() const {
    return "http://" + options.host + ":" + std::to_string(port);
  }

  void StepLoop() {
    std::unique_lock lock(stopMutex);
    while (!stopping) {
      // Spread the moves between half and one and a half mean intervals so
      // the log does not tick like a metronome.
      const auto mean = options.stepInterval.count();
      const auto wait = std::chrono::milliseconds(
          Draw(random, static_cast<int>(mean / 2), static_cast<int>(mean * 3 / 2)));
      if (stopChanged.wait_for(lock, wait, [this] { return stopping; })) break;
      stock.Step();
    }
  }

  DemoShopOptions options;
  ShopStock stock;
  std::mt19937 random;
  httplib::Server server;
  int port = 0;
  std::thread serverThread;
  std::thread stepThread;
  std::mutex stopMutex;
  std::condition_variable stopChanged;
  bool stopping = false;
};

DemoShop::DemoShop(DemoShopOptions options)
    : impl_(std::make_unique<Impl>(std::move(options))) {}

DemoShop::~DemoShop() { Stop(); }

bool DemoShop::Start() {
  Impl& impl = *impl_;
  if (impl.port != 0) return true;
  httplib::Server& server = impl.server;
  server.set_post_routing_handler(
      [](const httplib::Request&, httplib::Response& response) {
        response.set_header("Date", HttpDateNow());
      });
  server.Get("/item", [&impl](const httplib::Request&, httplib::Response& response) {
    response.set_content(impl.stock.PageGbk(), "text/html");
  });
  server.Get("/item-utf8", [&impl](const httplib::Request&, httplib::Response& response) {
    response.set_content(impl.stock.PageUtf8(), "text/html");
  });
  server.Get("/", [&impl](const httplib::Request&, httplib::Response& response) {
    response.set_content("Velmora demo shop. Item page: " + impl.Address() +
                             "/item (GBK), " + impl.Address() + "/item-utf8\n",
                         "text/plain");
  });
  server.Get("/total", [&impl](const httplib::Request&, httplib::Response& response) {
    response.set_content(std::to_string(impl.stock.Total()) + "\n", "text/plain");
  });
  server.Post("/step", [&impl](const httplib::Request&, httplib::Response& response) {
    impl.stock.Step();
    response.set_content(std::to_string(impl.stock.Total()) + "\n", "text/plain");
  });
  server.Post("/stock", [&impl](const httplib::Request& request, httplib::Response& response) {
    const std::string value = request.get_param_value("value");
    char* end = nullptr;
    const long stock = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' ||
        !impl.stock.SetStock(request.get_param_value("sku"), static_cast<int>(stock))) {
      response.status = 404;
      response.set_content("unknown sku or bad value\n", "text/plain");
      return;
    }
    response.set_content(std::to_string(impl.stock.Total()) + "\n", "text/plain");
  });

  const int port = impl.options.port == 0
                       ? server.bind_to_any_port(impl.options.host)
                       : (server.bind_to_port(impl.options.host, impl.options.port)
                              ? impl.options.port
                              : -1);
  if (port <= 0) return false;
  impl.port = port;
  impl.serverThread = std::thread([&server] { server.listen_after_bind(); });
  // stop() is a no-op until the accept loop runs, so wait for it here rather
  // than let an early Stop() leave the thread listening forever.
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (impl.options.stepInterval.count() > 0) {
    impl.stepThread = std::thread([&impl] { impl.StepLoop(); });
  }
  return true;
}

void DemoShop::Stop() {
  Impl& impl = *impl_;
  {
    std::lock_guard lock(impl.stopMutex);
    impl.stopping = true;
  }
  impl.stopChanged.notify_all();
  if (impl.stepThread.joinable()) impl.stepThread.join();
  impl.server.stop();
  if (impl.serverThread.joinable()) impl.serverThread.join();
}

int DemoShop::Port() const { return impl_->port; }
std::string DemoShop::ItemUrl() const { return impl_->Address() + "/item"; }
std::string DemoShop::Utf8ItemUrl() const { return impl_->Address() + "/item-utf8"; }
std::string DemoShop::ClockUrl() const { return impl_->Address() + "/"; }
ShopStock& DemoShop::Stock() { return impl_->stock; }

}  // namespace velmora::demo
