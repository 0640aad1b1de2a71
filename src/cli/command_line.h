// The command-line manners the program and every tool share: --help and --version answered on
// standard output with status 0, wrong arguments told on standard error with the usage and
// status 2. Texts are Russian; a command calls itself by the name it was started by
// (korvel-make-workdir once installed, make-workdir in the build tree).
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <optional>

namespace korvel::cli {

// How a command presents itself. In both texts %1 stands for the command's name.
struct Command {
  const char* usage;  // the usage lines, each ending in a line break
  const char* help;   // what the command does and what its arguments mean
};

// The command line, the command's own name first. On Windows it is read from the wide command
// line, so that a folder such as C:\Users\Анна\Documents\Корвель arrives whole whatever the
// system's code page; elsewhere argv is decoded from the locale's encoding.
QStringList arguments(int argc, char** argv);

// The command's name: the file name it was started by.
QString commandName(const QString& argv0);

// When the arguments (the command's name first) hold --help (or -h) or --version, prints the
// answer and returns 0.
std::optional<int> answerHelpOrVersion(const QStringList& args, const Command& command);

// Prints `problem` (when not empty) and the usage on standard error; returns 2.
int wrongArguments(const QString& argv0, const Command& command, const QString& problem = {});

// Writes text to a standard stream: on Linux in the locale's encoding; on Windows to a console
// as UTF-16 (which every console code page shows), and to a pipe or a file as UTF-8.
void print(FILE* stream, const QString& text);

// Prints a line on standard error.
void sayError(const QString& text);

// A command's whole work: whatever it throws ends it with a Russian message on standard error
// and status 1 (the program's own errors carry their text; a lack of memory or a fault of a
// library is told as such), never with an abort.
int guarded(const std::function<int()>& work);

}  // namespace korvel::cli
