// Reading the compiled-in starter data.
#include "help/starter_data.h"

#include "db/text.h"
#include "help/instruction_text.h"

#include <QFile>
#include <QStringList>

#include <stdexcept>

// Q_INIT_RESOURCE declares a function of the global namespace, so it cannot be used inside
// namespace korvel.
static void registerStarterResource() { Q_INIT_RESOURCE(starter); }

namespace korvel {
namespace {

QString readResource(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw std::runtime_error("starter data missing: " + path.toStdString() +
                             " (initStarterData not called?)");
  return QString::fromUtf8(file.readAll());
}

}  // namespace

void initStarterData() { registerStarterResource(); }

std::vector<CatalogueRow> starterCatalogue() {
  const QString text = readResource(QStringLiteral(":/starter/catalogue.tsv"));
  const QStringList lines = text.split(QLatin1Char('\n'));
  std::vector<CatalogueRow> rows;
  for (qsizetype i = 1; i < lines.size(); ++i) {  // line 0 is the header
    QString line = lines[i];
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    if (line.isEmpty()) continue;
    const QStringList cells = line.split(QLatin1Char('\t'));
    bool ok = cells.size() == 5;
    CatalogueRow row;
    if (ok) {
      row.id = cells[0];
      row.xar = cells[1];
      row.koef = cells[2].isEmpty() ? 0.0 : cells[2].toDouble(&ok);
      row.dop1 = cells[3];
      row.dop2 = cells[4];
    }
    if (!ok) throw std::runtime_error("catalogue.tsv: bad line " + std::to_string(i + 1));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<InstructionFile> starterInstructions() {
  std::vector<InstructionFile> files;
  for (int selector = 1; selector <= kInstructionCount; ++selector) {
    const QString name = instructionFileName(selector);
    files.push_back({name, readResource(QStringLiteral(":/starter/instructions/") + name)});
  }
  return files;
}

QByteArray toDosText(const QString& text) {
  QString dos;
  dos.reserve(text.size() + text.size() / 40);
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('\r')) {
      if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) ++i;
      dos += QLatin1String("\r\n");
    } else if (c == QLatin1Char('\n')) {
      dos += QLatin1String("\r\n");
    } else {
      dos += c;
    }
  }
  return db::encode(dos);
}

}  // namespace korvel
