#include "app/sku_rows.h"

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "app/sku_stock_index.h"
#include "text/markers.h"

namespace velmora {
namespace {

constexpr std::string_view kSectionStart = "skuMap";
constexpr std::string_view kSectionEnd = "salesProp";
// Group 1 the SKU's name, group 2 its identifier; run over the whole page.
constexpr std::string_view kSkuPattern =
    "names\":\"(.*?)\"[\\s\\S]*?skuId\":\"(.*?)\"}";
// Group 1 the stock figure, group 2 the identifier.
constexpr std::string_view kStockPattern = "stock\":(.*?),\"skuId\":\"(.*?)\"}";

}  // namespace

void ListAutoStockRows(const Text& page, RegexMatcher& matcher,
                       platform::ListViewModel& skuList) {
  const Text section = TextBetween(page, kSectionStart, kSectionEnd);
  matcher.Search(kSkuPattern, page);
  const int matches = matcher.MatchCount();
  if (matches == 0) return;
  // One pass over the section gives every SKU's figure; looking each one up
  // with its own backward scan would cost the section's length per SKU.
  const SkuStockIndex stocks(section);
  const int firstRow = skuList.RowCount();
  for (int i = 1; i <= matches; ++i) {
    const int row = skuList.AppendRow();
    skuList.SetCell(row, 0, matcher.SubmatchText(i, 1));
    skuList.SetCell(row, 1, matcher.SubmatchText(i, 2));
    // The identifier is read back from the list: the row is the truth.
    skuList.SetCell(row, 2, stocks.StockOf(skuList.Cell(firstRow + i - 1, 1)));
  }
}

void ListManualStockRows(const Text& page, RegexMatcher& matcher,
                         const platform::EditBoxModel& typedCount,
                         platform::ListViewModel& skuList) {
  matcher.Search(kStockPattern, page);
  const int matches = matcher.MatchCount();
  for (int i = 1; i <= matches; ++i) {
    const int row = skuList.AppendRow();
    skuList.SetCell(row, 0, matcher.SubmatchText(i, 2));
    // The typed count is read for every row: the user may change it while
    // the cycle runs, and each row shows what it was computed from.
    skuList.SetCell(row, 1, typedCount.GetText());
    skuList.SetCell(row, 2, matcher.SubmatchText(i, 1));
    const double sold =
        TextToNumber(skuList.Cell(row, 1)) - TextToNumber(skuList.Cell(row, 2));
    skuList.SetCell(row, 3, NumberText(sold));
  }
}

Text TotalOfColumn(const platform::ListViewModel& list, int column) {
  // Each partial sum goes through its number text and back to an integer.
  // For a whole number within 32 bits that round trip is the number itself,
  // so the text is only formed where it can change the value (a sum beyond
  // 32 bits wraps when read back) and once at the end.
  bool anyRow = false;
  double value = 0.0;  // the integer value of the total text so far
  double last = 0.0;   // the last partial sum, whose text is the total
  const auto index = static_cast<std::size_t>(column);
  list.ForEachRow([&](const std::vector<Text>& row) {
    const std::string_view cell =
        index < row.size() ? std::string_view(row[index]) : std::string_view();
    last = value + static_cast<double>(TextToInteger(cell));
    value = last >= std::numeric_limits<std::int32_t>::min() &&
                    last <= std::numeric_limits<std::int32_t>::max()
                ? last
                : static_cast<double>(TextToInteger(NumberText(last)));
    anyRow = true;
  });
  return anyRow ? NumberText(last) : Text();
}

}  // namespace velmora
