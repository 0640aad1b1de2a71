// Shared pieces of the help tests: recorded prompts and a temporary working folder.
#pragma once

#include "ui/prompts.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace korvel::test {

// Prompts that record every message and answer nothing else.
class RecordingPrompts : public Prompts {
 public:
  RecordingPrompts() { setPrompts(this); }
  ~RecordingPrompts() override { setPrompts(nullptr); }
  void message(const QString& text) override { messages << text; }
  bool askYesNo(const QString&) override { return false; }
  Answer yesNoCancel(const QString& text) override {
    messages << text;
    return Answer::Cancel;
  }
  QString textInput(const QString&, const QString& initial) override { return initial; }
  QString selectionKey() override { return QStringLiteral(" "); }
  bool confirmDelete(const DeleteQuestion&) override { return false; }
  void showPicker(KorvelDialog&, const QString&, PickerUse) override {}
  int choose(const QString&, const QStringList&) override { return -1; }
  QString saveFileName(const QString&, const QString&, const QString&) override { return {}; }
  QString openFileName(const QString&, const QString&) override { return {}; }

  QStringList messages;
};

// Makes a fresh temporary folder the process's working folder for the test's lifetime.
class WorkingFolder {
 public:
  WorkingFolder() : old_(QDir::currentPath()) {
    EXPECT_TRUE(dir_.isValid());
    QDir::setCurrent(dir_.path());
  }
  ~WorkingFolder() { QDir::setCurrent(old_); }
  QString path(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
  QString old_;
};

}  // namespace korvel::test
