#include "app/sku_stock_index.h"

#include "text/markers.h"

namespace velmora {
namespace {

constexpr std::string_view kStockKey = "stock\":";
constexpr std::string_view kIdKeyStart = ",\"skuId\":\"";
constexpr std::string_view kIdKeyEnd = "\"}";

// Matches are accepted only where a character walk lands, as in the text
// search every other lookup uses: a lead byte 0x80-0xFF and the non-NUL byte
// after it form one character, never a match start.
std::size_t CharLength(std::string_view text, std::size_t pos) {
  return static_cast<unsigned char>(text[pos]) >= 0x80 && pos + 1 < text.size() &&
                 text[pos + 1] != '\0'
             ? 2
             : 1;
}

}  // namespace

SkuStockIndex::SkuStockIndex(std::string_view section) : section_(section) {
  // Neither key contains the other's bytes in a way that could overlap: the
  // stock key holds no comma, so every stock key seen before a closing key
  // lies wholly before it, and the latest one is the nearest.
  std::size_t lastStockKey = std::string_view::npos;
  for (std::size_t pos = 0; pos < section.size(); pos += CharLength(section, pos)) {
    const char c = section[pos];
    if (c == 's' && section.substr(pos, kStockKey.size()) == kStockKey) {
      lastStockKey = pos;
    } else if (c == ',' && section.substr(pos, kIdKeyStart.size()) == kIdKeyStart) {
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
      stocks_.insert_or_assign(section.substr(idStart, idEnd - idStart), figure);
    }
  }
}

Text SkuStockIndex::StockOf(std::string_view skuId) const {
  if (skuId.find(kIdKeyEnd) != std::string_view::npos) {
    // Not an identifier the page pattern can yield; look it up the slow way.
    Text closingKey(kIdKeyStart);
    closingKey += skuId;
    closingKey += kIdKeyEnd;
    return TextBetweenLast(section_, closingKey, kStockKey);
  }
  const auto found = stocks_.find(skuId);
  return found == stocks_.end() ? Text() : Text(found->second);
}

}  // namespace velmora
