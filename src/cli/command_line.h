// The command-line manners the program and every tool share: --help and --version answered on
// standard output with status 0, wrong arguments told on standard error with the usage and
// status 2. Texts are Russian; a command calls itself by the name it was started by
// (korvel-make-workdir once installed, make-workdir in the build tree).
#pragma once

#include <QString>
#include <optional>

namespace korvel::cli {

// How a command presents itself. In both texts %1 stands for the command's name.
struct Command {
  const char* usage;  // the usage lines, each ending in a line break
  const char* help;   // what the command does and what its arguments mean
};

// The command's name: the file name it was started by.
QString commandName(const char* argv0);

// When the arguments hold --help (or -h) or --version, prints the answer and returns 0.
std::optional<int> answerHelpOrVersion(int argc, char** argv, const Command& command);

// Prints `problem` (when not empty) and the usage on standard error; returns 2.
int wrongArguments(const char* argv0, const Command& command, const QString& problem = {});

// Prints a line on standard error.
void sayError(const QString& text);

}  // namespace korvel::cli
