// Synthetic item pages in GBK for benchmarks and demos: the shape the poll
// cycles read (a "names"/"skuId" list, then the "skuMap" section with each
// "stock" figure before its ,"skuId":"..."} key, then "salesProp"), padded
// with ordinary markup and Chinese text to a chosen size. Deterministic: the
// same arguments always give the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/text.h"

namespace velmora::bench {

struct PageSku {
  Text name;  // GBK, e.g. "藏青色 XL 款37"
  Text id;    // 13 digits
  int stock = 0;
};

// `count` SKUs with distinct Chinese names, distinct identifiers and stock
// figures from 0 to 999, drawn from `seed`.
std::vector<PageSku> MakeSkus(int count, std::uint32_t seed = 1);

// An item page declaring <meta charset=gbk>, about `targetBytes` long (never
// shorter than the SKU data needs). The SKU data stands in a script block
// about a third of the way in; filler markup surrounds it.
std::string MakeItemPage(const std::vector<PageSku>& skus, std::size_t targetBytes);

// A page in which "names\":\"" occurs `namesCount` times and no "skuId" (in
// any case) ever follows: the SKU pattern finds nothing and must say so
// after one pass.
std::string MakeNamesWithoutSkuIdPage(std::size_t targetBytes, int namesCount);

// A page of `namesCount` "names" entries in groups of five, each group's
// "skuId" standing about `gapBytes` after the group's first entry, so every
// match of the SKU pattern spans about `gapBytes`.
std::string MakeNamesFarFromSkuIdPage(std::size_t targetBytes, int namesCount,
                                      std::size_t gapBytes = 1024);

}  // namespace velmora::bench
