#include "app/poll_cycles.h"

#include <string_view>

#include "app/network_clock.h"
#include "app/sales_record.h"
#include "app/sku_stock_index.h"
#include "text/date_time.h"
#include "text/markers.h"
#include "text/regex_matcher.h"
#include "text/text.h"
#include "web/http_fetch.h"

namespace velmora {
namespace {

constexpr std::string_view kSectionStart = "skuMap";
constexpr std::string_view kSectionEnd = "salesProp";
// Group 1 the SKU's name, group 2 its identifier; run over the whole page.
constexpr std::string_view kSkuPattern =
    "names\":\"(.*?)\"[\\s\\S]*?skuId\":\"(.*?)\"}";
// Group 1 the stock figure, group 2 the identifier.
constexpr std::string_view kStockPattern = "stock\":(.*?),\"skuId\":\"(.*?)\"}";

// The number text of the integer values of `column` added up row by row, the
// way the window has always totalled it: each partial sum goes through its
// text form. Empty for no rows.
Text TotalOfColumn(const platform::ListViewModel& list, int column) {
  Text total;
  const int rows = list.RowCount();
  for (int j = 0; j < rows; ++j) {
    total = NumberText(static_cast<double>(TextToInteger(total)) +
                       static_cast<double>(TextToInteger(list.Cell(j, column))));
  }
  return total;
}

// The rule both cycles apply to a new total: an empty last total takes it as
// the starting point, a total of 0 (or none) is no data, an unchanged total
// is no sale. True when a sales event is to be recorded. Each test reads the
// box afresh, as the window may empty it at any moment.
bool TotalIsASale(platform::EditBoxModel& lastTotal, const Text& total) {
  if (lastTotal.GetText().empty()) lastTotal.SetText(total);
  if (TextToInteger(total) == 0) return false;
  return total != lastTotal.GetText();
}

}  // namespace

void RunAutoStockCycle(const CycleEnvironment& environment) {
  const MonitorControls& controls = environment.controls;
  platform::ListViewModel& skuList = controls.超级列表框1;
  platform::ListViewModel& salesList = controls.超级列表框2;
  platform::EditBoxModel& lastTotal = controls.编辑框2;

  // The matcher lives outside the locked stretch: made before, gone after.
  RegexMatcher matcher;
  platform::CriticalSectionGuard guard(environment.listLock);

  skuList.DeleteAllRows();
  const Text page = HttpFetch(controls.编辑框1.GetText());
  const Text section = TextBetween(page, kSectionStart, kSectionEnd);

  matcher.Search(kSkuPattern, page);
  const int matches = matcher.MatchCount();
  // One pass over the section gives every SKU's figure; looking each one up
  // with its own backward scan would cost the section's length per SKU.
  const SkuStockIndex stocks(section);
  for (int i = 1; i <= matches; ++i) {
    const int row = skuList.AppendRow();
    skuList.SetCell(row, 0, matcher.SubmatchText(i, 1));
    skuList.SetCell(row, 1, matcher.SubmatchText(i, 2));
    // The identifier is read back from the list: the row is the truth.
    skuList.SetCell(row, 2, stocks.StockOf(skuList.Cell(i - 1, 1)));
  }

  const Text total = TotalOfColumn(skuList, 2);
  if (!TotalIsASale(lastTotal, total)) return;

  const int salesRow = salesList.AppendRow();
  salesList.SetCell(salesRow, 0, DateTimeText(NetworkNow(environment.clockUrl)));
  // Last minus new: stock that went down is a positive sale, a restock a
  // negative one.
  salesList.SetCell(salesRow, 1,
                    NumberText(static_cast<double>(TextToInteger(lastTotal.GetText())) -
                               static_cast<double>(TextToInteger(total))));
  lastTotal.SetText(total);
  WriteSalesRecord(salesList, environment.runDirectory);
}

void RunManualStockCycle(const CycleEnvironment& environment) {
  const MonitorControls& controls = environment.controls;
  platform::ListViewModel& skuList = controls.超级列表框1;
  platform::ListViewModel& salesList = controls.超级列表框2;
  platform::EditBoxModel& lastTotal = controls.编辑框2;

  RegexMatcher matcher;
  platform::CriticalSectionGuard guard(environment.listLock);

  skuList.DeleteAllRows();
  const Text page = HttpFetch(controls.编辑框1.GetText());

  matcher.Search(kStockPattern, page);
  const int matches = matcher.MatchCount();
  for (int i = 1; i <= matches; ++i) {
    const int row = skuList.AppendRow();
    skuList.SetCell(row, 0, matcher.SubmatchText(i, 2));
    // The typed count is read for every row: the user may change it while
    // the cycle runs, and each row shows what it was computed from.
    skuList.SetCell(row, 1, controls.编辑框4.GetText());
    skuList.SetCell(row, 2, matcher.SubmatchText(i, 1));
    const double sold = TextToNumber(skuList.Cell(row, 1)) -
                        TextToNumber(skuList.Cell(row, 2));
    skuList.SetCell(row, 3, NumberText(sold));
  }

  const Text total = TotalOfColumn(skuList, 3);
  if (!TotalIsASale(lastTotal, total)) return;

  // The new running total is the sale figure, so the box takes it first.
  lastTotal.SetText(total);
  const int salesRow = salesList.AppendRow();
  salesList.SetCell(salesRow, 0, DateTimeText(NetworkNow(environment.clockUrl)));
  salesList.SetCell(salesRow, 1, total);
  WriteSalesRecord(salesList, environment.runDirectory);
}

}  // namespace velmora
