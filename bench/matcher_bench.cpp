// How fast a fetched item page is read: response decoding, then the SKU
// pattern with every capture read, over ordinary pages of several sizes and
// two hostile ones. The split benchmarks show where the time goes:
//   read/     DecodeResponseText + Search + MatchCount + SubmatchText (the
//             poll cycle's path)
//   decode/   DecodeResponseText alone (a GBK page: copy and charset search)
//   convert/  one GBK to UTF-8 conversion pass (Utf8FromGbk)
//   search/   RegexMatcher::Search alone (its own decoding, RE2, offset map)
//   engine/   RE2 alone over the UTF-8 text, the matcher's match loop
// Every figure is MB/s of page bytes (1 MB = 10^6 bytes).
#include <benchmark/benchmark.h>
#include <re2/re2.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/page_generator.h"
#include "text/gbk_codec.h"
#include "text/regex_matcher.h"
#include "web/response_decoding.h"

namespace velmora::bench {
namespace {

constexpr std::string_view kSkuPattern = R"re(names":"(.*?)"[\s\S]*?skuId":"(.*?)"})re";
constexpr std::size_t kMB = 1000 * 1000;

struct Page {
  std::string name;
  Bytes bytes;
  int expectedMatches;
};

std::vector<Page> MakePages() {
  std::vector<Page> pages;
  auto add = [&pages](std::string name, const std::string& page, int matches) {
    pages.push_back({std::move(name), Bytes(page.begin(), page.end()), matches});
  };
  add("100KB_20sku", MakeItemPage(MakeSkus(20), 100 * 1000), 20);
  add("1MB_200sku", MakeItemPage(MakeSkus(200), kMB), 200);
  add("1MB_2000sku", MakeItemPage(MakeSkus(2000), kMB), 2000);
  add("4MB_5000sku", MakeItemPage(MakeSkus(5000), 4 * kMB), 5000);
  add("1MB_5000names_no_skuId", MakeNamesWithoutSkuIdPage(kMB, 5000), 0);
  add("1MB_5000names_1KB_before_skuId", MakeNamesFarFromSkuIdPage(kMB, 5000, 1024), 1000);
  // The same ordinary page written in UTF-8: the converting path.
  std::string utf8 = Utf8FromGbk(MakeItemPage(MakeSkus(200), kMB));
  utf8.replace(utf8.find("charset=gbk"), 11, "charset=utf-8");
  add("1MB_200sku_utf8", utf8, 200);
  return pages;
}

const std::vector<Page>& Pages() {
  static const std::vector<Page> pages = MakePages();
  return pages;
}

void CountBytes(benchmark::State& state, std::size_t pageSize) {
  state.counters["MB/s"] = benchmark::Counter(
      static_cast<double>(pageSize) * static_cast<double>(state.iterations()) / 1e6,
      benchmark::Counter::kIsRate);
  state.counters["pageKB"] = static_cast<double>(pageSize) / 1000.0;
}

void ReadPage(benchmark::State& state, const Page& page) {
  int matches = 0;
  for (auto _ : state) {
    const Text text = DecodeResponseText(page.bytes);
    RegexMatcher matcher;
    matcher.Search(kSkuPattern, text);
    matches = matcher.MatchCount();
    for (int m = 1; m <= matches; ++m) {
      benchmark::DoNotOptimize(matcher.SubmatchText(m, 1));
      benchmark::DoNotOptimize(matcher.SubmatchText(m, 2));
    }
  }
  if (matches != page.expectedMatches) {
    state.SkipWithError(("found " + std::to_string(matches) + " SKUs").c_str());
  }
  state.counters["skus"] = matches;
  CountBytes(state, page.bytes.size());
}

void DecodeOnly(benchmark::State& state, const Page& page) {
  for (auto _ : state) benchmark::DoNotOptimize(DecodeResponseText(page.bytes));
  CountBytes(state, page.bytes.size());
}

void ConvertOnly(benchmark::State& state, const Page& page) {
  const Text text = DecodeResponseText(page.bytes);
  for (auto _ : state) benchmark::DoNotOptimize(Utf8FromGbk(text));
  CountBytes(state, page.bytes.size());
}

void SearchOnly(benchmark::State& state, const Page& page) {
  const Text text = DecodeResponseText(page.bytes);
  RegexMatcher matcher;
  for (auto _ : state) benchmark::DoNotOptimize(matcher.Search(kSkuPattern, text));
  CountBytes(state, page.bytes.size());
}

// The matcher's loop without its decoding and offset mapping.
void EngineOnly(benchmark::State& state, const Page& page) {
  const std::string utf8 = Utf8FromGbk(DecodeResponseText(page.bytes));
  RE2::Options options;
  options.set_case_sensitive(false);
  options.set_log_errors(false);
  options.set_max_mem(64 << 20);
  const RE2 engine("(?m)" + Utf8FromGbk(kSkuPattern), options);
  const re2::StringPiece text(utf8);
  re2::StringPiece groups[3];
  int matches = 0;
  for (auto _ : state) {
    matches = 0;
    std::size_t from = 0;
    while (engine.Match(text, from, text.size(), RE2::UNANCHORED, groups, 3)) {
      ++matches;
      from = static_cast<std::size_t>(groups[0].data() - text.data()) + groups[0].size();
      if (groups[0].empty()) ++from;
    }
    benchmark::DoNotOptimize(matches);
  }
  state.counters["skus"] = matches;
  CountBytes(state, page.bytes.size());
}

void Register() {
  const std::pair<const char*, void (*)(benchmark::State&, const Page&)> kinds[] = {
      {"read/", ReadPage},     {"decode/", DecodeOnly}, {"convert/", ConvertOnly},
      {"search/", SearchOnly}, {"engine/", EngineOnly},
  };
  for (const auto& [prefix, run] : kinds) {
    for (const Page& page : Pages()) {
      benchmark::RegisterBenchmark((prefix + page.name).c_str(), run, std::cref(page))
          ->Unit(benchmark::kMillisecond);
    }
  }
}

}  // namespace
}  // namespace velmora::bench

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  velmora::bench::Register();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
