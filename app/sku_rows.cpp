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
  // The rows are built apart and appended in one go: one lock and one view
  // update for the lot instead of several per SKU.
  std::vector<std::vector<Text>> rows(static_cast<std::size_t>(matches));
  for (int i = 1; i <= matches; ++i) {
    std::vector<Text>& row = rows[static_cast<std::size_t>(i - 1)];
    row.resize(4);
    row[0] = matcher.SubmatchText(i, 1);
    row[1] = matcher.SubmatchText(i, 2);
    // The figure is looked up by the identifier as the row holds it.
    row[2] = stocks.StockOf(row[1]);
  }
  skuList.AppendRows(std::move(rows));
}

void ListManualStockRows(const Text& page, RegexMatcher& matcher,
                         const platform::EditBoxModel& typedCount,
                         platform::ListViewModel& skuList) {
  matcher.Search(kStockPattern, page);
  const int matches = matcher.MatchCount();
  std::vector<std::vector<Text>> rows(static_cast<std::size_t>(matches));
  for (int i = 1; i <= matches; ++i) {
    std::vector<Text>& row = rows[static_cast<std::size_t>(i - 1)];
    row.resize(4);
    row[0] = matcher.SubmatchText(i, 2);
    // The typed count is read for every row: the user may change it while
    // the cycle runs, and each row shows what it was computed from.
    row[1] = typedCount.GetText();
    row[2] = matcher.SubmatchText(i, 1);
    row[3] = NumberText(TextToNumber(row[1]) - TextToNumber(row[2]));
  }
  skuList.AppendRows(std::move(rows));
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
