// A report-style list view as state that any thread may read and write.
//
// The rows live in ListViewModel, guarded by a mutex held only for one
// operation; that store is the truth poll cycles read back. The GUI thread
// shows them through ListViewTableModel, a mirror kept up to date by queued
// append / set / clear operations posted in the store's own order, so a
// worker never waits for the GUI thread and the view only ever touches rows
// it has been told about (one row appended costs one insert, not a reset).
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <mutex>
#include <vector>

#include "text/text.h"

namespace velmora::platform {

class ListViewTableModel;

class ListViewModel {
 public:
  explicit ListViewModel(int columnCount);
  ListViewModel(const ListViewModel&) = delete;
  ListViewModel& operator=(const ListViewModel&) = delete;

  [[nodiscard]] int ColumnCount() const { return columnCount_; }

  // Appends a row of empty cells; returns its 0-based index, -1 on failure.
  int AppendRow();
  // Appends whole rows at once, each cut or padded with empty cells to the
  // column count; returns the index of the first, -1 on failure (nothing
  // appended). One lock and one update of the view for the lot, so a
  // cycle listing thousands of SKUs does not pay per row.
  int AppendRows(std::vector<std::vector<Text>> rows);
  // Sets one cell; false when row or column is out of range.
  bool SetCell(int row, int column, Text text);
  // The whole text of one cell; empty when row or column is out of range.
  [[nodiscard]] Text Cell(int row, int column) const;
  // The number of rows.
  [[nodiscard]] int RowCount() const;
  // Removes every row.
  void DeleteAllRows();
  // Calls visit(cells) for every row in order, as one read: the cells are
  // lent, not copied, so a long list is read at the cost of the bytes. The
  // list is locked meanwhile; `visit` must not call back into it.
  template <typename Visit>
  void ForEachRow(Visit&& visit) const {
    std::lock_guard lock(mutex_);
    for (const std::vector<Text>& row : rows_) visit(row);
  }

 private:
  friend class ListViewTableModel;

  // Only the GUI-side mirror attaches, on its own thread.
  void AttachView(ListViewTableModel* view);
  void DetachView();

  const int columnCount_;
  mutable std::mutex mutex_;
  std::vector<std::vector<Text>> rows_;
  ListViewTableModel* view_ = nullptr;
};

// The GUI thread's mirror of one ListViewModel, for a QTableView. Attaches to
// the store on construction (taking a snapshot of its rows) and detaches on
// destruction; live on the GUI thread only. Cells are read-only and the model
// never sorts.
class ListViewTableModel : public QAbstractTableModel {
 public:
  ListViewTableModel(ListViewModel& store, QStringList headers,
                     QObject* parent = nullptr);
  ~ListViewTableModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  friend class ListViewModel;

  void ApplyAppend();
  void ApplyAppendRows(std::vector<std::vector<Text>> rows);
  void ApplySet(int row, int column, const Text& text);
  void ApplyClear();

  ListViewModel& store_;
  const QStringList headers_;
  // GBK, as in the store; converted for display only when painted.
  std::vector<std::vector<Text>> rows_;
};

}  // namespace velmora::platform
