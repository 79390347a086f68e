// The stock figure of every SKU in the SKU section of an item page, found in
// one pass over the section instead of one backward scan per SKU, so a cycle
// over a page with thousands of SKUs stays linear in the page size.
#pragma once

#include <string_view>
#include <unordered_map>

#include "text/text.h"

namespace velmora {

class SkuStockIndex {
 public:
  // Indexes `section`, which must outlive the index.
  explicit SkuStockIndex(std::string_view section);

  // Exactly TextBetweenLast(section, ",\"skuId\":\"" + skuId + "\"}",
  // "stock\":"): the text between the last closing key of this SKU and the
  // nearest stock key before it; empty when either is missing.
  Text StockOf(std::string_view skuId) const;

 private:
  std::string_view section_;
  // Identifier -> the figure before its last closing key (empty view when no
  // stock key precedes that key).
  std::unordered_map<std::string_view, std::string_view> stocks_;
};

}  // namespace velmora
