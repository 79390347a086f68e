// Search and split over large GBK pages. The per-byte cost of Find should
// stay flat from 1 MB to 10 MB (linear time, no allocation per step); the
// items/s column makes that comparison direct.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

#include "text/markers.h"
#include "text/text.h"

namespace {

// A page of mixed ASCII markup and double-byte text (中文 in GBK), the
// shape the poll cycle downloads, with the sought marker only at the end.
std::string MakePage(std::size_t bytes) {
  static const std::string kChunk =
      "<div class=\"sku\">\xD6\xD0\xCE\xC4 \"skuId\":\"1234\",\"stock\":\"56\"</div>\r\n";
  std::string page;
  page.reserve(bytes + 64);
  while (page.size() < bytes) page += kChunk;
  page += "salesProp";
  return page;
}

void BM_FindMarkerAtEnd(benchmark::State& state) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  for (auto _ : state) benchmark::DoNotOptimize(velmora::Find(page, "salesProp"));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FindMarkerAtEnd)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_FindIgnoreCase(benchmark::State& state) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  for (auto _ : state) benchmark::DoNotOptimize(velmora::Find(page, "SALESPROP", 1, true));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FindIgnoreCase)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// The worst case for a naive compare at every position: a long sought text
// that almost matches everywhere.
void BM_FindAdversarial(benchmark::State& state) {
  const std::string page(static_cast<std::size_t>(state.range(0)) << 20, 'a');
  const std::string sought = std::string(1000, 'a') + "b";
  for (auto _ : state) benchmark::DoNotOptimize(velmora::Find(page, sought));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FindAdversarial)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_FindBackwardWholeText(benchmark::State& state) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  for (auto _ : state) benchmark::DoNotOptimize(velmora::FindBackward(page, "\"stock\":\""));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FindBackwardWholeText)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

// Backward search visits every occurrence, and here they overlap: a long
// periodic marker in a periodic text.
void BM_FindBackwardOverlappingMarker(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(state.range(0)) << 20;
  const std::string page(bytes, 'a');
  const std::string marker(bytes / 2, 'a');
  for (auto _ : state) benchmark::DoNotOptimize(velmora::FindBackward(page, marker));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FindBackwardOverlappingMarker)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_SplitLines(benchmark::State& state) {
  const std::string page = MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  for (auto _ : state) benchmark::DoNotOptimize(velmora::Split(page, "\r\n"));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_SplitLines)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_TextBetweenSection(benchmark::State& state) {
  std::string page = "skuMap" + MakePage(static_cast<std::size_t>(state.range(0)) << 20);
  for (auto _ : state) benchmark::DoNotOptimize(velmora::TextBetween(page, "skuMap", "salesProp"));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_TextBetweenSection)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
