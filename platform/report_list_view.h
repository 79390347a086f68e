// The look shared by the window's widgets: the program font and the
// report-style list view.
#pragma once

#include <QFont>

#include <initializer_list>

class QAbstractItemModel;
class QTableView;

namespace velmora::platform {

// A 12-pixel font that holds the CJK characters itself; a font without them
// would send every Chinese cell through font fallback on each paint.
QFont ProgramFont();

// Turns `view` into a report-style list view over `model`: column headers
// shown and clickable but never sorting, grid lines, full-row single
// selection, no editing, no row headers, black text on white, and the given
// column widths from column 0 on.
void SetUpReportListView(QTableView& view, QAbstractItemModel& model,
                         std::initializer_list<int> columnWidths);

}  // namespace velmora::platform
