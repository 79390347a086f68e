#include "app/poll_cycles.h"

#include "app/network_clock.h"
#include "app/sales_record.h"
#include "app/sku_rows.h"
#include "text/date_time.h"
#include "text/regex_matcher.h"
#include "text/text.h"
#include "web/http_fetch.h"

namespace velmora {
namespace {

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
  ListAutoStockRows(page, matcher, skuList);
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
  // A failed write is left for the next sale, which writes every row again.
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
  ListManualStockRows(page, matcher, controls.编辑框4, skuList);
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
