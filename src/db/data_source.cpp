#include "db/data_source.h"

namespace korvel::db {

DataSource::DataSource(const QString& name, Table& table, QObject* parent) : QObject(parent), table_(&table) {
  setObjectName(name);
  listener_ = table.addListener([this](TableEvent e) {
    if (!enabled_) return;
    switch (e) {
      case TableEvent::Reset: emit reset(); break;
      case TableEvent::RowChanged: emit rowChanged(); break;
      case TableEvent::Scrolled: emit cursorMoved(); break;
    }
  });
}

DataSource::~DataSource() { table_->removeListener(listener_); }

void DataSource::setEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (on) {
    emit reset();
    emit cursorMoved();
  }
}

void DataSource::setReadOnly(bool on) {
  if (on == readOnly_) return;
  readOnly_ = on;
  emit readOnlyChanged(on);
}

}  // namespace korvel::db
