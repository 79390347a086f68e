#include "bench/page_generator.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string_view>
#include <utility>

#include "text/gbk_codec.h"

namespace velmora::bench {
namespace {

// A small deterministic generator, so pages are the same on every machine.
class Lcg {
 public:
  explicit Lcg(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
  std::uint32_t Next() {
    state_ = state_ * 1664525u + 1013904223u;
    return state_ >> 8;
  }

 private:
  std::uint32_t state_;
};

// Lines of an ordinary item page: description text, attribute lists, styles,
// tracking scripts and image tags, about a fifth of the bytes Chinese. None
// holds a key the poll cycles look for.
constexpr std::array<std::string_view, 8> kFillerUtf8 = {
    "<div class=\"desc-item\"><p>这款商品采用优质面料，柔软舒适，透气性好，适合春夏季节穿着。</p></div>\n",
    "<li class=\"tb-attr\" title=\"brand\"><span>品牌：</span>某某服饰 / 货号：A1023 / 适用季节：四季</li>\n",
    "<script type=\"text/javascript\">window.__track && __track.push({\"page\":\"item\",\"pos\":12,\"spm\":\"a1z10.1-c.w4004\"});</script>\n",
    "<a href=\"//shop.example.invalid/category-1234.htm?search=y&amp;catName=%C4%D0\" target=\"_blank\">男装 上衣 外套</a>\n",
    ".tb-property .tb-prop dl{margin:0 0 8px;padding:0;font-size:12px;line-height:20px;color:#666}\n",
    "<img data-src=\"//img.example.invalid/bao/uploaded/i4/0/TB2xYz_!!0-item_pic.jpg_60x60q90.jpg\" alt=\"细节图\">\n",
    "<tr><td class=\"label\">发货地</td><td>浙江 杭州</td><td class=\"label\">运费</td><td>快递 免运费</td></tr>\n",
    "<input type=\"hidden\" name=\"allow_quantity\" value=\"1999\"><input type=\"hidden\" name=\"buy_param\" value=\"\">\n",
};

const std::array<Text, kFillerUtf8.size()>& FillerLines() {
  static const std::array<Text, kFillerUtf8.size()> lines = [] {
    std::array<Text, kFillerUtf8.size()> gbk;
    for (std::size_t i = 0; i < gbk.size(); ++i) gbk[i] = GbkFromUtf8(kFillerUtf8[i]);
    return gbk;
  }();
  return lines;
}

// Appends whole filler lines while they fit in `bytes`, then spaces.
void AppendFiller(std::string& page, std::size_t bytes, std::uint32_t& line) {
  const auto& lines = FillerLines();
  const std::size_t end = page.size() + bytes;
  for (;;) {
    const Text& next = lines[line % lines.size()];
    if (page.size() + next.size() > end) break;
    page += next;
    ++line;
  }
  page.append(end - page.size(), ' ');
}

std::string PageHead() {
  return GbkFromUtf8(
      "<!DOCTYPE html>\n<html><head>\n"
      "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\n"
      "<title>【热卖】男士休闲外套 春秋款-淘宝网</title>\n</head>\n<body>\n");
}

constexpr std::string_view kPageTail = "</body></html>\n";

std::string NamesEntry(const PageSku& sku, int index) {
  return "{\"names\":\"" + sku.name + "\",\"pvs\":\"1627207:" + std::to_string(28320 + index) +
         ";20509:28314\"";
}

}  // namespace

std::vector<PageSku> MakeSkus(int count, std::uint32_t seed) {
  static constexpr std::string_view kColours[] = {"红色", "黑色", "白色", "藏青色",
                                                  "卡其色", "浅灰色", "酒红色", "米白色"};
  static constexpr std::string_view kSizes[] = {"S", "M", "L", "XL", "XXL", "均码", "加大码"};
  Lcg random(seed);
  std::vector<PageSku> skus;
  skus.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (int i = 0; i < count; ++i) {
    const auto u = static_cast<std::size_t>(i);
    PageSku sku;
    sku.name = GbkFromUtf8(std::string(kColours[u % std::size(kColours)]) + " " +
                           std::string(kSizes[(u / std::size(kColours)) % std::size(kSizes)]) +
                           " 款" + std::to_string(i + 1));
    sku.id = std::to_string(4012300000000ull + seed * 100000ull + u);
    sku.stock = static_cast<int>(random.Next() % 1000);
    skus.push_back(std::move(sku));
  }
  return skus;
}

std::string MakeItemPage(const std::vector<PageSku>& skus, std::size_t targetBytes) {
  std::string data = "<script>\nvar g_config = {\"itemId\":\"600123456789\",\"propertyList\":[\n";
  for (std::size_t i = 0; i < skus.size(); ++i) {
    data += "  " + NamesEntry(skus[i], static_cast<int>(i)) + ",\"skuId\":\"" + skus[i].id + "\"}";
    data += i + 1 < skus.size() ? ",\n" : "\n";
  }
  data += "],\n\"skuMap\":{\n";
  for (std::size_t i = 0; i < skus.size(); ++i) {
    data += "  \";1627207:" + std::to_string(28320 + i) +
            ";20509:28314;\":{\"price\":\"59.00\",\"priceCent\":5900,\"stock\":" +
            std::to_string(skus[i].stock) + ",\"skuId\":\"" + skus[i].id + "\"}";
    data += i + 1 < skus.size() ? ",\n" : "\n";
  }
  data += "},\n\"salesProp\":{\"1627207\":[\"28320\"]}};\n</script>\n";

  std::string page = PageHead();
  const std::size_t fixed = page.size() + data.size() + kPageTail.size();
  const std::size_t filler = targetBytes > fixed ? targetBytes - fixed : 0;
  std::uint32_t line = 0;
  AppendFiller(page, filler / 3, line);
  page += data;
  AppendFiller(page, filler - filler / 3, line);
  page += kPageTail;
  return page;
}

std::string MakeNamesWithoutSkuIdPage(std::size_t targetBytes, int namesCount) {
  const std::vector<PageSku> skus = MakeSkus(namesCount);
  std::string page = PageHead();
  const std::size_t fixed = page.size() + kPageTail.size();
  std::size_t entries = 0;
  for (std::size_t i = 0; i < skus.size(); ++i) entries += NamesEntry(skus[i], 0).size() + 2;
  const std::size_t filler = targetBytes > fixed + entries ? targetBytes - fixed - entries : 0;
  const std::size_t gap = skus.empty() ? filler : filler / skus.size();
  std::uint32_t line = 0;
  for (std::size_t i = 0; i < skus.size(); ++i) {
    AppendFiller(page, gap, line);
    page += NamesEntry(skus[i], 0) + "}\n";
  }
  AppendFiller(page, targetBytes > page.size() + kPageTail.size()
                         ? targetBytes - page.size() - kPageTail.size()
                         : 0,
               line);
  page += kPageTail;
  return page;
}

std::string MakeNamesFarFromSkuIdPage(std::size_t targetBytes, int namesCount,
                                      std::size_t gapBytes) {
  constexpr int kGroup = 5;
  const std::vector<PageSku> skus = MakeSkus(namesCount);
  std::string page = PageHead();
  std::uint32_t line = 0;
  for (std::size_t first = 0; first < skus.size(); first += kGroup) {
    const std::size_t groupStart = page.size();
    const std::size_t last = std::min(skus.size(), first + kGroup);
    for (std::size_t i = first; i < last; ++i) {
      page += NamesEntry(skus[i], 0) + "},\n";
      // Spread the group's entries evenly over the gap.
      const std::size_t due = groupStart + (i - first + 1) * gapBytes / kGroup;
      if (page.size() < due) AppendFiller(page, due - page.size(), line);
    }
    page += "{\"skuId\":\"" + skus[first].id + "\"},\n";
  }
  if (targetBytes > page.size() + kPageTail.size()) {
    AppendFiller(page, targetBytes - page.size() - kPageTail.size(), line);
  }
  page += kPageTail;
  return page;
}

}  // namespace velmora::bench
