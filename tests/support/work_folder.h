// A temporary working folder laid out like the starter folder, and the whole window set over
// it with scripted prompts: what every window test starts from.
#pragma once

#include "scripted_prompts.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace korvel {
class FormSet;
class HerdTables;
}

namespace korvel::test {

// An empty temporary folder; with `starter`, the starter tables (and catalogue) in it.
class WorkFolder {
 public:
  explicit WorkFolder(bool starter = true);
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
};

// The program as started on a working folder, windows created, nothing shown yet.
class App {
 public:
  explicit App(const QString& workDir);
  ~App();
  HerdTables& dm();
  ScriptedPrompts prompts;

 private:
  std::unique_ptr<FormSet> forms_;
};

}  // namespace korvel::test
