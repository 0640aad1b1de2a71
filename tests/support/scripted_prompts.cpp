#include "scripted_prompts.h"

#include <gtest/gtest.h>

namespace korvel::test {

ScriptedPrompts::ScriptedPrompts() { setPrompts(this); }

ScriptedPrompts::~ScriptedPrompts() { setPrompts(nullptr); }

void ScriptedPrompts::message(const QString& text) {
  messages << text;
  if (onMessage) onMessage(text);
}

bool ScriptedPrompts::askYesNo(const QString& text) {
  return yesNoCancel(text) == Answer::Yes;
}

Answer ScriptedPrompts::yesNoCancel(const QString& text) {
  asked << text;
  if (answers.empty()) {
    ADD_FAILURE() << "unscripted question: " << text.toStdString();
    return Answer::Cancel;
  }
  const Answer a = answers.front();
  answers.pop_front();
  return a;
}

QString ScriptedPrompts::textInput(const QString& caption, const QString& initial) {
  textCaptions << caption;
  if (texts.empty()) {
    ADD_FAILURE() << "unscripted text input: " << caption.toStdString();
    return initial;
  }
  QString t = texts.front();
  texts.pop_front();
  return t;
}

QString ScriptedPrompts::selectionKey() {
  if (keys.empty()) {
    ADD_FAILURE() << "unscripted selection key";
    return QStringLiteral(" ");
  }
  QString k = keys.front();
  keys.pop_front();
  return k;
}

bool ScriptedPrompts::confirmDelete(const DeleteQuestion& question) {
  questions.push_back(question);
  if (confirmations.empty()) {
    ADD_FAILURE() << "unscripted confirmation: " << question.label1.toStdString();
    return false;
  }
  const bool yes = confirmations.front();
  confirmations.pop_front();
  return yes;
}

void ScriptedPrompts::showPicker(KorvelDialog& window, const QString& caption, PickerUse use) {
  pickerCaptions << caption;
  pickerUses.push_back(use);
  const KorvelDialog::AsPicker picker(window, use);
  window.setWindowTitle(caption);
  window.show();
  if (pickerActions.empty()) {
    ADD_FAILURE() << "unscripted picker: " << caption.toStdString();
  } else {
    auto action = std::move(pickerActions.front());
    pickerActions.pop_front();
    if (action) action(window);
  }
  window.hide();
}

int ScriptedPrompts::choose(const QString& text, const QStringList& options) {
  asked << text;
  choiceOptions.push_back(options);
  if (choices.empty()) {
    ADD_FAILURE() << "unscripted choice: " << text.toStdString();
    return -1;
  }
  const int c = choices.front();
  choices.pop_front();
  return c;
}

QString ScriptedPrompts::saveFileName(const QString& caption, const QString&, const QString& filter) {
  return openFileName(caption, filter);
}

QString ScriptedPrompts::openFileName(const QString& caption, const QString&) {
  fileCaptions << caption;
  if (files.empty()) {
    ADD_FAILURE() << "unscripted file dialog: " << caption.toStdString();
    return {};
  }
  QString f = files.front();
  files.pop_front();
  return f;
}

}  // namespace korvel::test
