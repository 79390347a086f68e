// The work of both poll cycles written as bare loops, for comparison with the
// real cycles in cycle_bench.cpp: the same decoding of the response, then the
// keys found straight away with the prefix scan (no character rules, no lazy
// runs or backtracking, no matcher, no list model, no lock), every cell put
// in one flat vector. No correct cycle can do less per SKU, so the ratio of
// these loops' costs at 2,000 and 200 SKUs is the least any cycle can reach
// on these pages with today's per-page cost.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string_view>
#include <vector>

#include "bench/page_generator.h"
#include "text/regex_prefix.h"
#include "text/text.h"
#include "web/response_decoding.h"

namespace {

using namespace velmora;
using regex_detail::FindPrefix;

constexpr auto kNone = std::string_view::npos;

Bytes PageBody(int skuCount) {
  return TextToBytes(bench::MakeItemPage(bench::MakeSkus(skuCount), std::size_t{1} << 20));
}

// Every closing key's identifier with the figure after the nearest stock key
// before it, and an open-addressing table over them.
class BareStockIndex {
 public:
  explicit BareStockIndex(std::string_view section) {
    constexpr std::string_view kIdKey = ",\"skuId\":\"";
    for (std::size_t key = FindPrefix(section, 0, kIdKey, true); key != kNone;
         key = FindPrefix(section, key + 1, kIdKey, true)) {
      const std::size_t idEnd = section.find("\"}", key + kIdKey.size());
      if (idEnd == kNone) break;
      const std::size_t stock = section.rfind("stock\":", key);
      entries_.push_back({section.substr(key + kIdKey.size(), idEnd - key - kIdKey.size()),
                          stock == kNone ? std::string_view()
                                         : section.substr(stock + 7, key - stock - 7)});
    }
    std::size_t size = 16;
    while (size < 2 * entries_.size()) size *= 2;
    slots_.assign(size, 0);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      slots_[SlotOf(entries_[i].id)] = static_cast<std::uint32_t>(i + 1);
    }
  }

  std::string_view StockOf(std::string_view id) const {
    const std::uint32_t entry = slots_[SlotOf(id)];
    return entry == 0 ? std::string_view() : entries_[entry - 1].figure;
  }

 private:
  std::size_t SlotOf(std::string_view id) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = std::hash<std::string_view>{}(id) & mask;
    while (slots_[slot] != 0 && entries_[slots_[slot] - 1].id != id) slot = (slot + 1) & mask;
    return slot;
  }

  struct Entry {
    std::string_view id;
    std::string_view figure;
  };
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_;
};

void BM_BareAutoLoop(benchmark::State& state) {
  const Bytes body = PageBody(static_cast<int>(state.range(0)));
  std::vector<Text> cells;
  for (auto _ : state) {
    cells.clear();
    const Text decoded = DecodeResponseText(body);
    const std::string_view page(decoded);
    const std::size_t start = page.find("skuMap");
    const std::size_t end = start == kNone ? kNone : page.find("salesProp", start);
    const BareStockIndex stocks(end == kNone ? std::string_view()
                                             : page.substr(start + 6, end - start - 6));
    for (std::size_t at = 0;;) {
      const std::size_t names = FindPrefix(page, at, "names\":\"", false);
      if (names == kNone) break;
      const std::size_t nameEnd = page.find('"', names + 8);
      if (nameEnd == kNone) break;
      const std::size_t id = FindPrefix(page, nameEnd + 1, "skuId\":\"", false);
      const std::size_t idEnd = id == kNone ? kNone : FindPrefix(page, id + 8, "\"}", false);
      if (idEnd == kNone) break;
      const std::string_view skuId = page.substr(id + 8, idEnd - id - 8);
      cells.emplace_back(page.substr(names + 8, nameEnd - names - 8));
      cells.emplace_back(skuId);
      cells.emplace_back(stocks.StockOf(skuId));
      cells.emplace_back();
      at = idEnd + 2;
    }
    double total = 0;
    for (std::size_t i = 2; i < cells.size(); i += 4) total += TextToInteger(cells[i]);
    benchmark::DoNotOptimize(NumberText(total));
  }
  state.counters["rows"] = static_cast<double>(cells.size() / 4);
}
BENCHMARK(BM_BareAutoLoop)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BareManualLoop(benchmark::State& state) {
  const Bytes body = PageBody(static_cast<int>(state.range(0)));
  const Text typedCount = "1000";
  std::vector<Text> cells;
  for (auto _ : state) {
    cells.clear();
    const Text decoded = DecodeResponseText(body);
    const std::string_view page(decoded);
    for (std::size_t at = 0;;) {
      const std::size_t stock = FindPrefix(page, at, "stock\":", false);
      if (stock == kNone) break;
      const std::size_t id = FindPrefix(page, stock + 7, ",\"skuId\":\"", false);
      const std::size_t idEnd = id == kNone ? kNone : FindPrefix(page, id + 10, "\"}", false);
      if (idEnd == kNone) break;
      const std::string_view figure = page.substr(stock + 7, id - stock - 7);
      cells.emplace_back(page.substr(id + 10, idEnd - id - 10));
      cells.push_back(typedCount);
      cells.emplace_back(figure);
      cells.push_back(NumberText(TextToNumber(typedCount) - TextToNumber(figure)));
      at = idEnd + 2;
    }
    double total = 0;
    for (std::size_t i = 3; i < cells.size(); i += 4) total += TextToInteger(cells[i]);
    benchmark::DoNotOptimize(NumberText(total));
  }
  state.counters["rows"] = static_cast<double>(cells.size() / 4);
}
BENCHMARK(BM_BareManualLoop)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
