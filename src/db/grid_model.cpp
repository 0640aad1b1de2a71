#include "db/grid_model.h"

#include "db/table_error.h"

#include <algorithm>

namespace korvel::db {

GridModel::GridModel(DataSource& source, std::vector<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), source_(&source), columns_(std::move(columns)) {
  connect(source_, &DataSource::reset, this, &GridModel::rebuild);
  connect(source_, &DataSource::rowChanged, this, [this] {
    const int row = currentRow();
    if (row >= 0) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
  });
  connect(source_, &DataSource::cursorMoved, this, [this] { emit currentRowChanged(currentRow()); });
  connect(source_, &DataSource::readOnlyChanged, this, [this] {
    if (!rows_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  });
  rebuild();
}

void GridModel::rebuild() {
  Table& t = source_->table();
  const Basis now{t.isOpen(), t.dataVersion(), t.filter(), t.filtered()};
  if (basis_ && *basis_ == now) return;
  basis_ = now;
  beginResetModel();
  rows_.clear();
  fields_.clear();
  if (t.isOpen()) {
    rows_ = t.passingRecords();
    for (const GridColumn& c : columns_) fields_.push_back(t.hasField(c.field) ? t.fieldIndex(c.field) : -1);
  }
  endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }
int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
  Table& t = source_->table();
  const size_t col = size_t(index.column());
  if (!t.isOpen() || col >= fields_.size() || fields_[col] < 0) return {};
  const uint32_t rec = rows_[size_t(index.row())];
  if (rec >= t.file().recordCount()) return {};
  return t.textAt(rec, fields_[col]);
}

QVariant GridModel::headerData(int section, Qt::Orientation o, int role) const {
  if (role != Qt::DisplayRole || o != Qt::Horizontal || section < 0 || section >= int(columns_.size())) return {};
  return columns_[size_t(section)].title;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.isValid() && !source_->readOnly()) f |= Qt::ItemIsEditable;
  return f;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole || source_->readOnly()) return false;
  Table& t = source_->table();
  // Never into another row than the one edited in the grid.
  if (!setCurrentRow(index.row())) return false;
  t.edit();
  t.fieldByName(columns_[size_t(index.column())].field).setString(value.toString());
  t.post();
  return true;
}

int GridModel::rowOfIndex(uint32_t idx) const {
  const auto it = std::lower_bound(rows_.begin(), rows_.end(), idx);
  return it != rows_.end() && *it == idx ? int(it - rows_.begin()) : -1;
}

int GridModel::currentRow() const {
  const int recNo = source_->table().recNo();
  return recNo > 0 ? rowOfIndex(uint32_t(recNo - 1)) : -1;
}

bool GridModel::setCurrentRow(int row) {
  if (row < 0 || row >= int(rows_.size())) return false;
  return source_->table().goToIndex(rows_[size_t(row)]);
}

}  // namespace korvel::db
