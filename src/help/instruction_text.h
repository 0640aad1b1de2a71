// Instruction text files: which file each instruction selector names, and reading a file
// (Windows-1251, or UTF-8 as Notepad saves it) into display lines.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvel {

// The instruction selectors: 1 to 7 the main menu's, 8 the loading of scores (the cows
// window's).
inline constexpr int kInstructionCount = 8;
inline constexpr int kScoresInstruction = 8;

// The file of an instruction selector (1 to 8) as the program names it in its working folder,
// in the platform's own form ("./bik.txt" here, ".\bik.txt" on Windows); empty when the
// selector names no file.
QString instructionFilePath(int selector);

// The bare file name of a selector ("bik.txt"); empty outside 1 to 8.
QString instructionFileName(int selector);

// The text of a file: UTF-8 when it starts with the UTF-8 mark, or when it is valid UTF-8 and
// not plain ASCII; Windows-1251 otherwise.
QString instructionText(const QByteArray& bytes);

// Splits the text (instructionText) into lines: a line ends at CR LF, at a lone CR or at a lone LF.
// A terminator at the very end does not start another line, so empty text has no lines.
QStringList instructionLines(const QByteArray& bytes);

// Reads a file into lines; false when it cannot be opened or read.
bool readInstructionFile(const QString& path, QStringList* lines);

}  // namespace korvel
