#include "platform/list_view_model.h"

#include <QMetaObject>
#include <QTextDocument>

#include <algorithm>
#include <climits>
#include <iterator>
#include <utility>

#include "platform/qt_text.h"

namespace velmora::platform {
namespace {

// A cell is painted from at most this many bytes, as the system's own list
// control shows at most 259 characters of an item. The store keeps the whole
// text; a cell that took in a megabyte of a minified page would otherwise be
// converted and laid out again on every repaint, for seconds each time.
constexpr std::size_t kMostShownBytes = 512;

// The shown part of a cell: all of it when short, otherwise the characters
// that fit in kMostShownBytes (never half of one), then an ellipsis.
QString ShownText(std::string_view cell) {
  if (cell.size() <= kMostShownBytes) return ToQString(cell);
  std::size_t end = 0;
  for (;;) {
    // The decoder's rule: a byte 0x81-0xFE and the non-NUL byte after it are
    // one character.
    const auto lead = static_cast<unsigned char>(cell[end]);
    const bool pair = lead >= 0x81 && lead != 0xFF && cell[end + 1] != '\0';
    const std::size_t next = end + (pair ? 2 : 1);
    if (next > kMostShownBytes) break;
    end = next;
  }
  return ToQString(cell.substr(0, end)) + QChar(0x2026);
}

}  // namespace

ListViewModel::ListViewModel(int columnCount)
    : columnCount_(columnCount < 1 ? 1 : columnCount) {}

int ListViewModel::AppendRow() {
  std::lock_guard lock(mutex_);
  if (rows_.size() >= static_cast<std::size_t>(INT_MAX)) return -1;
  try {
    rows_.emplace_back(static_cast<std::size_t>(columnCount_));
  } catch (const std::bad_alloc&) {
    return -1;
  }
  // Posting under the mutex keeps the mirror's operations in store order,
  // whichever threads make them; postEvent never blocks on the GUI thread.
  if (view_ != nullptr) {
    ListViewTableModel* view = view_;
    QMetaObject::invokeMethod(view, [view] { view->ApplyAppend(); },
                              Qt::QueuedConnection);
  }
  return static_cast<int>(rows_.size()) - 1;
}

int ListViewModel::AppendRows(std::vector<std::vector<Text>> rows) {
  for (std::vector<Text>& row : rows) row.resize(static_cast<std::size_t>(columnCount_));
  std::lock_guard lock(mutex_);
  const std::size_t first = rows_.size();
  if (rows.size() > static_cast<std::size_t>(INT_MAX) - first) return -1;
  if (rows.empty()) return static_cast<int>(first);
  try {
    rows_.reserve(first + rows.size());
    if (view_ != nullptr) {
      ListViewTableModel* view = view_;
      QMetaObject::invokeMethod(
          view, [view, shown = rows] { view->ApplyAppendRows(shown); },
          Qt::QueuedConnection);
    }
  } catch (const std::bad_alloc&) {
    return -1;
  }
  std::move(rows.begin(), rows.end(), std::back_inserter(rows_));
  return static_cast<int>(first);
}

bool ListViewModel::SetCell(int row, int column, Text text) {
  if (column < 0 || column >= columnCount_ || row < 0) return false;
  std::lock_guard lock(mutex_);
  if (static_cast<std::size_t>(row) >= rows_.size()) return false;
  Text& cell = rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
  cell = std::move(text);
  if (view_ != nullptr) {
    // The mirror keeps GBK too and converts only the cells it paints, so a
    // cycle filling thousands of rows does no display work of its own.
    ListViewTableModel* view = view_;
    QMetaObject::invokeMethod(
        view, [view, row, column, shown = cell] { view->ApplySet(row, column, shown); },
        Qt::QueuedConnection);
  }
  return true;
}

Text ListViewModel::Cell(int row, int column) const {
  if (column < 0 || column >= columnCount_ || row < 0) return {};
  std::lock_guard lock(mutex_);
  if (static_cast<std::size_t>(row) >= rows_.size()) return {};
  return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

int ListViewModel::RowCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(rows_.size());
}

void ListViewModel::DeleteAllRows() {
  std::lock_guard lock(mutex_);
  rows_.clear();
  if (view_ != nullptr) {
    ListViewTableModel* view = view_;
    QMetaObject::invokeMethod(view, [view] { view->ApplyClear(); },
                              Qt::QueuedConnection);
  }
}

void ListViewModel::AttachView(ListViewTableModel* view) {
  std::lock_guard lock(mutex_);
  view_ = view;
  view->rows_.assign(rows_.begin(), rows_.end());
}

void ListViewModel::DetachView() {
  // Operations already posted are dropped with the view object itself.
  std::lock_guard lock(mutex_);
  view_ = nullptr;
}

ListViewTableModel::ListViewTableModel(ListViewModel& store, QStringList headers,
                                       QObject* parent)
    : QAbstractTableModel(parent), store_(store), headers_(std::move(headers)) {
  store_.AttachView(this);
}

ListViewTableModel::~ListViewTableModel() { store_.DetachView(); }

int ListViewTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ListViewTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : store_.ColumnCount();
}

QVariant ListViewTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()) ||
      index.column() >= store_.ColumnCount()) {
    return {};
  }
  const Text& cell =
      rows_[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return ShownText(cell);
    case Qt::ToolTipRole:
      // Qt reads a tooltip that looks like markup as rich text and would
      // load the images a page's "<img src=...>" names; cells come from
      // pages, so the tooltip is always plain text made safe.
      if (cell.empty()) return {};
      return Qt::convertFromPlainText(ShownText(cell), Qt::WhiteSpaceNormal);
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

QVariant ListViewTableModel::headerData(int section, Qt::Orientation orientation,
                                        int role) const {
  if (orientation != Qt::Horizontal) return {};
  if (role == Qt::DisplayRole && section >= 0 && section < headers_.size()) {
    return headers_[section];
  }
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
  }
  return {};
}

Qt::ItemFlags ListViewTableModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void ListViewTableModel::ApplyAppend() {
  const int row = static_cast<int>(rows_.size());
  beginInsertRows({}, row, row);
  rows_.emplace_back(static_cast<std::size_t>(store_.ColumnCount()));
  endInsertRows();
}

void ListViewTableModel::ApplyAppendRows(std::vector<std::vector<Text>> rows) {
  if (rows.empty()) return;
  const int first = static_cast<int>(rows_.size());
  beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
  std::move(rows.begin(), rows.end(), std::back_inserter(rows_));
  endInsertRows();
}

void ListViewTableModel::ApplySet(int row, int column, const Text& text) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
  const QModelIndex cell = index(row, column);
  emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void ListViewTableModel::ApplyClear() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  endResetModel();
}

}  // namespace velmora::platform
