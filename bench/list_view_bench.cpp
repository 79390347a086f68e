// The sales log grows by one row per sales event and is never cleared while
// the window lives, so appending a row to a long list and repainting the view
// must stay cheap: well under 1 ms with 100,000 rows.
#include <QApplication>
#include <QCoreApplication>
#include <QTableView>
#include <QtGlobal>

#include <benchmark/benchmark.h>

#include <string>

#include "platform/list_view_model.h"
#include "platform/report_list_view.h"

namespace {

using velmora::platform::ListViewModel;
using velmora::platform::ListViewTableModel;

// '2019年5月22日8时3分5秒' in GBK, the time text of a sales row.
constexpr char kTime[] =
    "2019\xc4\xea" "5\xd4\xc2" "22\xc8\xd5" "8\xca\xb1" "3\xb7\xd6" "5\xc3\xeb";

// The sales log as the window builds it.
void SetUpLikeTheSalesLog(QTableView& view, QAbstractItemModel& model) {
  view.setFont(velmora::platform::ProgramFont());
  velmora::platform::SetUpReportListView(view, model, {200, 100});
  view.resize(365, 200);
}

// One sales row appended on a worker's side of the store, applied on the GUI
// thread and painted, with state.range(0) rows already in the list.
void BM_AppendRowAndRepaint(benchmark::State& state) {
  ListViewModel store(2);
  for (int i = 0; i < state.range(0); ++i) {
    const int row = store.AppendRow();
    store.SetCell(row, 0, kTime);
    store.SetCell(row, 1, std::to_string(i % 7 - 3));
  }
  ListViewTableModel model(store, {QStringLiteral("time"), QStringLiteral("sold")});
  QTableView view;
  SetUpLikeTheSalesLog(view, model);
  view.show();
  view.scrollToBottom();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    const int row = store.AppendRow();
    store.SetCell(row, 0, kTime);
    store.SetCell(row, 1, "3");
    QCoreApplication::sendPostedEvents();
    view.repaint();
  }
  state.counters["rows"] = store.RowCount();
}
BENCHMARK(BM_AppendRowAndRepaint)->Arg(0)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The append alone, as the view takes it in (scroll range, selection model),
// without painting: what a longer list could make slower.
void BM_AppendRowWithoutPainting(benchmark::State& state) {
  ListViewModel store(2);
  for (int i = 0; i < state.range(0); ++i) store.SetCell(store.AppendRow(), 0, kTime);
  ListViewTableModel model(store, {QStringLiteral("time"), QStringLiteral("sold")});
  QTableView view;
  SetUpLikeTheSalesLog(view, model);
  view.show();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    const int row = store.AppendRow();
    store.SetCell(row, 0, kTime);
    store.SetCell(row, 1, "3");
    QCoreApplication::sendPostedEvents();
  }
}
BENCHMARK(BM_AppendRowWithoutPainting)->Arg(0)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The way the window does it: the append is applied and the event loop paints
// whatever the insert made dirty.
void BM_AppendRowThroughEventLoop(benchmark::State& state) {
  ListViewModel store(2);
  for (int i = 0; i < state.range(0); ++i) store.SetCell(store.AppendRow(), 0, kTime);
  ListViewTableModel model(store, {QStringLiteral("time"), QStringLiteral("sold")});
  QTableView view;
  SetUpLikeTheSalesLog(view, model);
  view.show();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    const int row = store.AppendRow();
    store.SetCell(row, 0, kTime);
    store.SetCell(row, 1, "3");
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
  }
}
BENCHMARK(BM_AppendRowThroughEventLoop)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The same append while the view follows the end of the list.
void BM_AppendRowScrollAndRepaint(benchmark::State& state) {
  ListViewModel store(2);
  for (int i = 0; i < state.range(0); ++i) store.SetCell(store.AppendRow(), 0, kTime);
  ListViewTableModel model(store, {QStringLiteral("time"), QStringLiteral("sold")});
  QTableView view;
  SetUpLikeTheSalesLog(view, model);
  view.show();
  QCoreApplication::processEvents();
  for (auto _ : state) {
    const int row = store.AppendRow();
    store.SetCell(row, 0, kTime);
    store.SetCell(row, 1, "3");
    QCoreApplication::sendPostedEvents();
    view.scrollToBottom();
    view.repaint();
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
