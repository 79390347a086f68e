#include "app/sku_stock_index.h"

#include <functional>

#include "text/markers.h"
#include "text/text.h"

namespace velmora {
namespace {

constexpr std::string_view kStockKey = "stock\":";
constexpr std::string_view kIdKeyStart = ",\"skuId\":\"";
constexpr std::string_view kIdKeyEnd = "\"}";

// The next occurrence of `key` that starts a character, at or after `from`
// (itself the start of a character); npos when there is none.
std::size_t FindKey(std::string_view section, std::string_view key, std::size_t from) {
  if (from >= section.size()) return std::string_view::npos;
  const int found = Find(section, key, static_cast<int>(from) + 1);
  return found < 1 ? std::string_view::npos : static_cast<std::size_t>(found) - 1;
}

}  // namespace

SkuStockIndex::SkuStockIndex(std::string_view section) : section_(section) {
  // The keys are taken in the order they stand, each found once by the
  // character-aware search. Neither key contains the other's bytes in a way
  // that could overlap: the stock key holds no comma, so every stock key
  // found before a closing key lies wholly before it, and the latest one is
  // the nearest. Both keys start with one ASCII byte, so the byte after a
  // find starts a character and the search goes on from there.
  // Item pages spend well over 64 bytes of the section per SKU.
  entries_.reserve(section.size() / 64);
  std::size_t lastStockKey = std::string_view::npos;
  std::size_t nextStockKey = FindKey(section, kStockKey, 0);
  for (std::size_t pos = FindKey(section, kIdKeyStart, 0); pos != std::string_view::npos;
       pos = FindKey(section, kIdKeyStart, pos + 1)) {
    while (nextStockKey < pos) {
      lastStockKey = nextStockKey;
      nextStockKey = FindKey(section, kStockKey, nextStockKey + 1);
    }
    // The identifier whose closing key starts here ends at the first quote
    // and brace: an identifier containing them could never close here.
    const std::size_t idStart = pos + kIdKeyStart.size();
    const std::size_t idEnd = section.find(kIdKeyEnd, idStart);
    if (idEnd == std::string_view::npos) continue;
    std::string_view figure;
    if (lastStockKey != std::string_view::npos) {
      const std::size_t figureStart = lastStockKey + kStockKey.size();
      figure = section.substr(figureStart, pos - figureStart);
    }
    entries_.push_back({section.substr(idStart, idEnd - idStart), figure});
  }

  // At most half full, so a probe is short.
  std::size_t size = 16;
  while (size < 2 * entries_.size()) size *= 2;
  slots_.assign(size, 0);
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    // A later closing key of the same identifier takes over its slot.
    slots_[SlotOf(entries_[i].skuId)] = static_cast<std::uint32_t>(i + 1);
  }
}

std::size_t SkuStockIndex::SlotOf(std::string_view skuId) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = std::hash<std::string_view>{}(skuId) & mask;
  while (slots_[slot] != 0 && entries_[slots_[slot] - 1].skuId != skuId) {
    slot = (slot + 1) & mask;
  }
  return slot;
}

Text SkuStockIndex::StockOf(std::string_view skuId) const {
  if (skuId.find(kIdKeyEnd) != std::string_view::npos) {
    // Not an identifier the page pattern can yield; look it up the slow way.
    Text closingKey(kIdKeyStart);
    closingKey += skuId;
    closingKey += kIdKeyEnd;
    return TextBetweenLast(section_, closingKey, kStockKey);
  }
  const std::uint32_t entry = slots_[SlotOf(skuId)];
  return entry == 0 ? Text() : Text(entries_[entry - 1].figure);
}

}  // namespace velmora
