// What the three source files of the cows window share: its colours, its fixed messages and
// the guards that hold the cow refresh flag and detach the cow list while a handler moves the
// cow table.
#pragma once

#include "db/data_module.h"

#include <QColor>
#include <QString>

namespace korvel::cow_card {

inline const QColor kRed(255, 0, 0);
inline const QColor kGreen(0, 128, 0);
inline const QColor kTeal(0, 128, 128);
inline const QColor kOlive(128, 128, 0);
inline const QColor kYellow(255, 255, 0);

inline QString emptyFarmMessage() { return QStringLiteral("В этом хозяйстве нет записей коров. Можно только ДОБАВИТЬ!"); }
inline QString duplicateCowMessage() {
  return QStringLiteral("Такая кличка/идентификационный № уже есть... повтор недопустим.");
}

// Holds the cow refresh flag however the handler ends.
class SuppressCowRefresh {
 public:
  explicit SuppressCowRefresh(TDataModule5& dm) : dm_(dm) { dm_.cowRefreshSuppressed = true; }
  ~SuppressCowRefresh() { dm_.cowRefreshSuppressed = false; }
  SuppressCowRefresh(const SuppressCowRefresh&) = delete;
  SuppressCowRefresh& operator=(const SuppressCowRefresh&) = delete;

 private:
  TDataModule5& dm_;
};

// The cow list detached from the table while a handler moves it.
class DetachCowList {
 public:
  explicit DetachCowList(TDataModule5& dm) : dm_(dm) { dm_.DataSource3.setEnabled(false); }
  ~DetachCowList() { dm_.DataSource3.setEnabled(true); }
  DetachCowList(const DetachCowList&) = delete;
  DetachCowList& operator=(const DetachCowList&) = delete;

 private:
  TDataModule5& dm_;
};

}  // namespace korvel::cow_card
