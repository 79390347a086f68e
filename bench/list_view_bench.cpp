// The sales log grows by one row per sales event and is never cleared while
// the window lives, so appending a row to a long list and repainting the view
// must stay cheap: well under 1 ms with 100,000 rows.
#include <QApplication>
#include <QCoreApplication>
#include <QTableView>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "platform/list_view_model.h"
#include "platform/report_list_view.h"

namespace {

using velmora::platform::ListViewModel;
using velmora::platform::ListViewTableModel;

// '2019年5月22日8时3分5秒' in GBK, the time text of a sales row.
constexpr char kTime[] =
    "2019\xc4\xea" "5\xd4\xc2" "22\xc8\xd5" "8\xca\xb1" "3\xb7\xd6" "5\xc3\xeb";

// A sales log of `rows` rows, shown as the window shows it (at its end when
// `atEnd`, else at its top), and one more row appended the way a poll cycle
// appends it. The rows arrive one by one with the view already attached, as
// in a long run of the window: a view given all rows at once keeps leaner
// bookkeeping and would flatter the figures.
struct SalesLog {
  SalesLog(std::int64_t rows, bool atEnd) {
    for (std::int64_t i = 0; i < rows; ++i) {
      const int row = store.AppendRow();
      store.SetCell(row, 0, kTime);
      store.SetCell(row, 1, std::to_string(i % 7 - 3));
    }
    view.setFont(velmora::platform::ProgramFont());
    velmora::platform::SetUpReportListView(view, model, {200, 100});
    view.resize(365, 200);
    view.show();
    if (atEnd) view.scrollToBottom();
    QCoreApplication::processEvents();
  }

  // The worker's side of the store, then the GUI side taking it in.
  void AppendRow() {
    const int row = store.AppendRow();
    store.SetCell(row, 0, kTime);
    store.SetCell(row, 1, "3");
    QCoreApplication::sendPostedEvents();
  }

  ListViewModel store{2};
  ListViewTableModel model{store, {QStringLiteral("time"), QStringLiteral("sold")}};
  QTableView view;
};

// One sales row appended, applied on the GUI thread and painted, with
// state.range(0) rows already in the list.
void BM_AppendRowAndRepaint(benchmark::State& state) {
  SalesLog log(state.range(0), /*atEnd=*/true);
  for (auto _ : state) {
    log.AppendRow();
    log.view.repaint();
  }
  state.counters["rows"] = log.store.RowCount();
}
BENCHMARK(BM_AppendRowAndRepaint)->Arg(0)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The append alone, as the view takes it in (scroll range, selection model),
// without painting: what a longer list could make slower.
void BM_AppendRowWithoutPainting(benchmark::State& state) {
  SalesLog log(state.range(0), /*atEnd=*/false);
  for (auto _ : state) log.AppendRow();
}
BENCHMARK(BM_AppendRowWithoutPainting)->Arg(0)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The way the window does it: the append is applied and the event loop paints
// whatever the insert made dirty.
void BM_AppendRowThroughEventLoop(benchmark::State& state) {
  SalesLog log(state.range(0), /*atEnd=*/false);
  for (auto _ : state) {
    log.AppendRow();
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_AppendRowThroughEventLoop)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The same append while the view follows the end of the list.
void BM_AppendRowScrollAndRepaint(benchmark::State& state) {
  SalesLog log(state.range(0), /*atEnd=*/false);
  for (auto _ : state) {
    log.AppendRow();
    log.view.scrollToBottom();
    log.view.repaint();
  }
}
BENCHMARK(BM_AppendRowScrollAndRepaint)->Arg(100000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
