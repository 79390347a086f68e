// The stock figure of every SKU in the SKU section of an item page, found in
// one pass over the section instead of one backward scan per SKU, so a cycle
// over a page with thousands of SKUs stays linear in the page size.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

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
  // The slot of `skuId` in slots_: the one naming it, or the empty one
  // where it would go.
  std::size_t SlotOf(std::string_view skuId) const;

  std::string_view section_;
  // Every closing key's identifier with the figure before it (an empty view
  // when no stock key precedes that key), in page order.
  struct Entry {
    std::string_view skuId;
    std::string_view figure;
  };
  std::vector<Entry> entries_;
  // An open-addressing table over entries_: per slot, 1 + the index of the
  // identifier's last entry, or 0 when empty. One allocation for the lot,
  // where a node-based map would make one per SKU.
  std::vector<std::uint32_t> slots_;
};

}  // namespace velmora
