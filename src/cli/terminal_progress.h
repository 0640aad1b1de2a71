// A progress line for the batch tools: on a terminal it is rewritten in place ("\r") at most a
// few times a second; when the stream is not a terminal (a script, a pipe, a file) it stays
// silent, so that scripts read only the tools' own output.
#pragma once

#include "cli/command_line.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <unistd.h>

namespace korvel::tools {

class TerminalProgress {
 public:
  explicit TerminalProgress(FILE* stream = stderr) : stream_(stream), on_(::isatty(::fileno(stream)) != 0) {
    clock_.start();
  }
  ~TerminalProgress() { clear(); }
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  // Shows the text unless a line was shown less than a moment ago (`force` shows it anyway).
  void show(const QString& text, bool force = false) {
    if (!on_ || (!force && shown_ && clock_.elapsed() < kIntervalMs)) return;
    cli::print(stream_, u'\r' + text + QStringLiteral("\033[K"));
    std::fflush(stream_);
    shown_ = true;
    clock_.restart();
  }
  // Removes the line, so that what the tool prints next starts on a clean line.
  void clear() {
    if (!shown_) return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    shown_ = false;
  }

 private:
  static constexpr qint64 kIntervalMs = 200;
  FILE* stream_;
  bool on_;
  bool shown_ = false;
  QElapsedTimer clock_;
};

}  // namespace korvel::tools
