#include "platform/report_list_view.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QPalette>
#include <QStringList>
#include <QTableView>

namespace velmora::platform {

QFont ProgramFont() {
  QFont font;
  font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Microsoft YaHei"),
                    QStringLiteral("SimSun")});
  font.setPixelSize(12);
  return font;
}

void SetUpReportListView(QTableView& view, QAbstractItemModel& model,
                         std::initializer_list<int> columnWidths) {
  view.setModel(&model);
  view.setShowGrid(true);
  view.setSelectionBehavior(QAbstractItemView::SelectRows);
  view.setSelectionMode(QAbstractItemView::SingleSelection);
  view.setEditTriggers(QAbstractItemView::NoEditTriggers);
  view.setSortingEnabled(false);
  view.setWordWrap(false);
  view.setAlternatingRowColors(false);
  // A report-style list has no row headers; fixed row heights keep a long
  // sales log cheap to lay out.
  view.verticalHeader()->hide();
  view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 4);
  QHeaderView& header = *view.horizontalHeader();
  header.setSectionsClickable(true);
  header.setSortIndicatorShown(false);
  header.setHighlightSections(false);
  header.setStretchLastSection(false);
  header.setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  int column = 0;
  for (int width : columnWidths) header.resizeSection(column++, width);
  QPalette palette = view.palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  view.setPalette(palette);
}

}  // namespace velmora::platform
