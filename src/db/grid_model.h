// A read-only table model per data source: the passing rows of its table, in file order,
// with the columns a list grid shows. It follows the table's cursor and moves it.
#pragma once

#include "db/data_source.h"

#include <QAbstractTableModel>
#include <optional>
#include <vector>

namespace korvel::db {

struct GridColumn {
  QString field;  // lower case, as the program names it
  QString title;
};

class GridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  GridModel(DataSource& source, std::vector<GridColumn> columns, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation o, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  DataSource& source() const { return *source_; }
  // The row of the table's current record, or -1.
  int currentRow() const;
  // Makes the record shown in `row` the table's current record; false when the table no longer
  // shows that record (the cursor then stays where it was).
  bool setCurrentRow(int row);
  uint32_t recordAt(int row) const { return rows_[size_t(row)]; }

 signals:
  void currentRowChanged(int row);

 private:
  void rebuild();
  int rowOfIndex(uint32_t index) const;

  DataSource* source_;
  std::vector<GridColumn> columns_;
  std::vector<int> fields_;
  std::vector<uint32_t> rows_;
  // What the rows were built from; a reset that finds the same skips the rebuild (a bulk scan
  // that leaves the table as it found it costs the grid nothing).
  struct Basis {
    bool open = false;
    quint64 version = 0;
    QString filter;
    bool filtered = false;
    bool operator==(const Basis&) const = default;
  };
  std::optional<Basis> basis_;
};

}  // namespace korvel::db
