// The demo shop: a small item page on loopback whose stock sells off at
// random, so Velmora can be tried without touching a real marketplace. The
// page has the shape the poll cycles read: a list of {"names":..,"skuId":..}
// entries, then the "skuMap" section with each "stock" figure directly before
// its ,"skuId":"..."} key, then "salesProp".
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::demo {

// One SKU of the shop. Names are kept in both encodings the shop serves.
struct ShopSku {
  std::string nameUtf8;
  std::string nameGbk;
  std::string id;
  int stock = 0;
};

// What one call of ShopStock::Step did.
struct StockStep {
  std::string skuId;
  int change = 0;  // negative: units sold; positive: a restock
};

// The shop's stock. Every member is safe to call from any thread.
class ShopStock {
 public:
  // Four SKUs with stock drawn from `seed`; the same seed gives the same
  // stock and the same sequence of steps.
  explicit ShopStock(std::uint32_t seed);

  // One random move: mostly a sale of 1-3 units of a SKU that has stock, now
  // and then a restock of 5-20 units. A shop sold out restocks. Never leaves
  // a figure below 0.
  StockStep Step();

  // Sets one SKU's stock; false (nothing changed) for an unknown identifier.
  bool SetStock(std::string_view skuId, int stock);

  // Sum of all SKUs' stock.
  int Total() const;
  std::vector<ShopSku> Skus() const;

  // The item page, GBK bytes declaring <meta charset=gbk>.
  std::string PageGbk() const;
  // The same page in UTF-8, declaring <meta charset=utf-8>.
  std::string PageUtf8() const;

 private:
  std::string Page(bool gbk) const;

  mutable std::mutex mutex_;
  std::mt19937 random_;
  std::vector<ShopSku> skus_;
};

// Options of a running shop.
struct DemoShopOptions {
  std::string host = "127.0.0.1";
  int port = 0;  // 0: an ephemeral port, read back with Port()
  std::uint32_t seed = 1;
  // Mean time between random stock moves; 0 moves the stock only through
  // Stock() or the /step and /stock endpoints.
  std::chrono::milliseconds stepInterval{3000};
};

// The shop served over HTTP/1.1:
//   GET  /item        the item page in GBK (<meta charset=gbk>)
//   GET  /item-utf8   the same page in UTF-8 (<meta charset=utf-8>)
//   GET  /, HEAD /    a short index; every response carries a Date header,
//                     so the shop can also stand in for the network clock
//   POST /step        one random stock move; answers the new total
//   POST /stock?sku=111&value=7   sets one SKU's stock; 404 for unknown SKUs
//   GET  /total       the current total stock
class DemoShop {
 public:
  explicit DemoShop(DemoShopOptions options = {});
  ~DemoShop();
  DemoShop(const DemoShop&) = delete;
  DemoShop& operator=(const DemoShop&) = delete;

  // Binds and starts serving on background threads; false when the address
  // cannot be bound.
  bool Start();
  // Stops serving and the random moves; also done by the destructor.
  void Stop();

  // The bound port; 0 before Start or after a failed one.
  int Port() const;
  // http://host:port/item, the address to paste into Velmora.
  std::string ItemUrl() const;
  std::string Utf8ItemUrl() const;
  // http://host:port/ , an address whose HEAD answers with a Date header.
  std::string ClockUrl() const;

  ShopStock& Stock();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The current time as an RFC 1123 HTTP date, "Tue, 15 Nov 1994 08:12:31 GMT".
std::string HttpDateNow();

}  // namespace velmora::demo
