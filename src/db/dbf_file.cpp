#include "db/dbf_file.h"

#include "db/file_io.h"
#include "db/journal.h"
#include "db/table_error.h"
#include "db/text.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <optional>

namespace korvel::db {
namespace {

// How many bytes may follow a table's last record: its end mark and some padding.
constexpr qint64 kTailAllowance = 8 * 1024;

uint32_t le32(const uchar* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t le16(const uchar* p) { return uint16_t(p[0] | (p[1] << 8)); }
void put32(char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = char((v >> (8 * i)) & 0xFF);
}
void put16(char* p, uint16_t v) {
  p[0] = char(v & 0xFF);
  p[1] = char(v >> 8);
}

// Width rules of the field types the layer knows, as a message says them; empty for a type
// the layer does not know.
QString widthRule(char type) {
  switch (type) {
    case 'C': return QStringLiteral("от 1 до 254");
    case 'N': case 'F': return QStringLiteral("от 1 до 20");
    case 'D': case 'B': case 'Y': case 'T': return QStringLiteral("8");
    case 'L': return QStringLiteral("1");
    case 'I': return QStringLiteral("4");
    case 'M': case 'G': case 'P': return QStringLiteral("4 или 10");
    case '0': return QStringLiteral("не меньше 1");
    default: return {};
  }
}

bool widthAcceptable(char type, int width) {
  switch (type) {
    case 'C': return width >= 1 && width <= 254;
    case 'N': case 'F': return width >= 1 && width <= 20;
    case 'D': return width == 8;
    case 'L': return width == 1;
    case 'I': return width == 4;
    case 'B': case 'Y': case 'T': return width == 8;
    case 'M': case 'G': case 'P': return width == 4 || width == 10;
    case '0': return width >= 1;  // Visual FoxPro's hidden null flags
    default: return false;
  }
}

// The header's last-update date (bytes 1 to 3) for today.
struct Stamp {
  char date[3];
};
Stamp today() {
  const QDate d = QDate::currentDate();
  return {{char(d.year() - 1900), char(d.month()), char(d.day())}};
}

QString resolvedFolder(const QString& path) {
  const QFileInfo info(path);
  const QString canonical = QFileInfo(info.absolutePath()).canonicalFilePath();
  return canonical.isEmpty() ? info.absolutePath() : canonical;
}

}  // namespace

QString DbfFile::displayName() const { return QFileInfo(path_).fileName(); }

void DbfFile::fail(const QString& what) const {
  throw TableError(QStringLiteral("Таблица %1: %2").arg(displayName(), what));
}

DbfFile::DbfFile(const QString& path) : DbfFile(path, path) {}

DbfFile::DbfFile(const QString& path, const QString& codepageOf) : path_(path), folder_(resolvedFolder(path)), file_(path) {
  if (!QFileInfo::exists(path)) fail(QStringLiteral("файл %1 не найден.").arg(path));
  // A table reached through a link to a file in another folder would be written where the
  // folder's lock does not reach.
  const QFileInfo info(path);
  if (info.isSymLink() && QFileInfo(info.canonicalFilePath()).absolutePath() != folder_)
    fail(QStringLiteral("файл — ссылка на файл %1 вне рабочей папки; такая таблица не открывается. Положите в "
                        "папку сам файл таблицы.")
             .arg(QDir::toNativeSeparators(info.canonicalFilePath())));
  if (!file_.open(QIODevice::ReadWrite)) {
    writable_ = false;
    if (!file_.open(QIODevice::ReadOnly))
      fail(QStringLiteral("файл не открывается (%1).").arg(io::causeText(file_)));
  }
  // Another program holding the table exclusively keeps us out; we only ever share it.
  if (io::lock(file_.handle(), io::LockKind::Shared) == EWOULDBLOCK) fail(QStringLiteral("файл занят другой программой."));
  const qint64 size = file_.size();
  if (size < 32)
    fail(QStringLiteral("файл короче заголовка таблицы (%1).")
             .arg(counted(size, QStringLiteral("байт"), QStringLiteral("байта"), QStringLiteral("байт"))));
  map();
  parseHeader(size);
  codepage_ = decideCodepage(codepageOf);
  journal_hooks::fileOpened(this);
}

DbfFile::~DbfFile() {
  journal_hooks::fileClosed(this);
  if (map_) file_.unmap(map_);
}

void DbfFile::reload() {
  fields_.clear();
  map();
  parseHeader(mappedSize_);
  if (afterReload) afterReload();
}

void DbfFile::unmap() {
  if (map_) file_.unmap(map_);
  map_ = nullptr;
}

void DbfFile::map() {
  if (map_) file_.unmap(map_);
  map_ = nullptr;
  mappedSize_ = file_.size();
  map_ = file_.map(0, mappedSize_);
  if (!map_) fail(QStringLiteral("файл не читается (%1).").arg(io::causeText(file_)));
  base_ = reinterpret_cast<const char*>(map_);
}

void DbfFile::parseHeader(qint64 fileSize) {
  const auto* h = reinterpret_cast<const uchar*>(base_);
  version_ = h[0];
  switch (version_) {
    case 0x03: case 0x83: case 0xF5: case 0x8B: case 0x30: case 0x31: case 0x32: break;
    default: fail(QStringLiteral("это не таблица DBF (первый байт 0x%1).").arg(version_, 2, 16, QLatin1Char('0')));
  }
  std::memcpy(date_, h + 1, 3);
  count_ = le32(h + 4);
  headerLength_ = le16(h + 8);
  recordLength_ = le16(h + 10);
  ldid_ = h[29];

  if (headerLength_ < 33 || headerLength_ > fileSize)
    fail(QStringLiteral("длина заголовка (%1) не согласуется с размером файла (%2).").arg(headerLength_).arg(fileSize));
  int pos = 32;
  int offset = 1;
  bool terminated = false;
  while (pos < headerLength_) {
    if (h[pos] == 0x0D) {
      terminated = true;
      break;
    }
    if (pos + 32 > headerLength_) break;
    const uchar* d = h + pos;
    FieldDef f;
    int n = 0;
    while (n < 11 && d[n] != 0) ++n;
    f.name = QString::fromLatin1(reinterpret_cast<const char*>(d), n).trimmed().toUpper();
    f.type = char(d[11]);
    f.width = d[16];
    f.decimals = d[17];
    f.offset = offset;
    if (f.name.isEmpty()) fail(QStringLiteral("поле №%1 без имени.").arg(fields_.size() + 1));
    if (f.width == 0) fail(QStringLiteral("поле %1 имеет нулевую ширину.").arg(f.name));
    const QString type = QString(QLatin1Char(f.type));
    if (widthRule(f.type).isEmpty()) fail(QStringLiteral("поле %1: неизвестный тип «%2».").arg(f.name, type));
    if (!widthAcceptable(f.type, f.width))
      fail(QStringLiteral("поле %1 типа «%2»: недопустимая ширина %3 (допустимо %4).")
               .arg(f.name, type).arg(f.width).arg(widthRule(f.type)));
    offset += f.width;
    fields_.push_back(f);
    pos += 32;
  }
  if (!terminated) fail(QStringLiteral("описание полей не завершено."));
  // The records begin right after the terminator; only Visual FoxPro keeps its 263 bytes of
  // database link there, and some writers leave one zero byte. A header length beyond that
  // would have every record read shifted.
  const bool visualFoxPro = version_ == 0x30 || version_ == 0x31 || version_ == 0x32;
  const int afterTerminator = headerLength_ - (pos + 1);
  if (!visualFoxPro && afterTerminator != 0 && !(afterTerminator == 1 && h[pos + 1] == 0))
    fail(QStringLiteral("длина заголовка (%1) не согласуется с описанием полей (%2): записи были бы прочитаны со "
                        "сдвигом.")
             .arg(headerLength_)
             .arg(pos + 1));
  if (fields_.empty()) fail(QStringLiteral("в таблице нет полей."));
  if (offset != recordLength_)
    fail(QStringLiteral("длина записи в заголовке (%1) не равна сумме ширин полей (%2).").arg(recordLength_).arg(offset));
  if (qint64(headerLength_) + qint64(count_) * recordLength_ > fileSize)
    fail(QStringLiteral("в заголовке %1, а файл обрывается раньше (таблица усечена).")
             .arg(counted(count_, QStringLiteral("запись"), QStringLiteral("записи"), QStringLiteral("записей"))));
  // After the last record a table holds its end mark (0x1A) and at most a little padding; a file
  // far longer than its header says is not this table (a damaged header, or bytes appended).
  const qint64 beyond = fileSize - (qint64(headerLength_) + qint64(count_) * recordLength_);
  if (beyond > kTailAllowance)
    fail(QStringLiteral("файл длиннее, чем сказано в заголовке: после %1 в нем еще %2. Таблица повреждена; "
                        "восстановите ее из резервной копии.")
             .arg(counted(count_, QStringLiteral("записи"), QStringLiteral("записей"), QStringLiteral("записей")),
                  counted(beyond, QStringLiteral("байт"), QStringLiteral("байта"), QStringLiteral("байт"))));
}

namespace {

// A code page as a .cpg file names it ("UTF-8", "1251", "CP1251", "866", "OEM 866"…).
std::optional<Codepage> codepageNamed(QString name) {
  name = name.toUpper().remove(QLatin1Char(' ')).remove(QLatin1Char('-')).remove(QLatin1Char('_'));
  for (const char* prefix : {"WINDOWS", "ANSI", "WIN", "OEM", "IBM", "DOS", "CP"})
    if (name.startsWith(QLatin1String(prefix))) name.remove(0, int(qstrlen(prefix)));
  if (name == QLatin1String("UTF8") || name == QLatin1String("65001")) return Codepage::Utf8;
  if (name == QLatin1String("1251")) return Codepage::Cp1251;
  if (name == QLatin1String("866")) return Codepage::Cp866;
  return std::nullopt;
}

// What a language-driver byte the program does not read stands for, for the message.
QString languageDriverName(uchar ldid) {
  switch (ldid) {
    case 0x00: return QStringLiteral("не указана");
    case 0x57: return QStringLiteral("«ANSI», кодовая страница компьютера, где таблицу сохранили");
    case 0x01: return QStringLiteral("CP437");
    case 0x02: return QStringLiteral("CP850");
    case 0x03: return QStringLiteral("Windows-1252");
    case 0x64: return QStringLiteral("CP852");
    case 0xC8: return QStringLiteral("Windows-1250");
    case 0xCA: return QStringLiteral("Windows-1254");
    case 0xCB: return QStringLiteral("Windows-1253");
    default: return QStringLiteral("неизвестна программе");
  }
}

}  // namespace

Codepage DbfFile::decideCodepage(const QString& tablePath) const {
  // The .cpg file beside the table (GIS programs write one) names the code page; without it
  // the header's language-driver byte does.
  const QFileInfo info(tablePath);
  const QString cpgName = info.completeBaseName() + QStringLiteral(".cpg");
  const QDir dir = info.absoluteDir();
  for (const QString& e : dir.entryList(QDir::Files | QDir::Hidden)) {
    if (e.compare(cpgName, Qt::CaseInsensitive) != 0) continue;
    QFile cpg(dir.filePath(e));
    if (!cpg.open(QIODevice::ReadOnly)) fail(QStringLiteral("файл %1 не читается; таблица не открыта.").arg(e));
    QString named = QString::fromUtf8(cpg.read(256)).trimmed();
    if (named.startsWith(QChar(0xFEFF))) named.remove(0, 1);
    if (const auto cp = codepageNamed(named)) return *cp;
    fail(QStringLiteral("кодовая страница «%1» (из файла %2) не поддерживается: программа читает и пишет таблицы "
                        "в кодировках Windows-1251, CP866 и UTF-8; таблица не открыта.")
             .arg(named, e));
  }
  switch (ldid_) {
    case 0xC9: return Codepage::Cp1251;
    case 0x65: case 0x26: return Codepage::Cp866;
    default: break;
  }
  fail(QStringLiteral("кодовая страница не определена: байт языкового драйвера 0x%1 (%2), файла %3 рядом нет; "
                      "таблица не открыта. Сохраните таблицу в кодировке Windows-1251, CP866 или UTF-8 "
                      "с файлом %3.")
           .arg(ldid_, 2, 16, QLatin1Char('0'))
           .arg(languageDriverName(ldid_), cpgName));
}

int DbfFile::fieldIndex(QStringView name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0) return int(i);
  return -1;
}

void DbfFile::requireWritable() const {
  if (!writable_) fail(QStringLiteral("файл доступен только для чтения, запись невозможна."));
}

void DbfFile::writePieces(std::initializer_list<Piece> pieces) {
  const qint64 oldLength = mappedSize_;
  std::vector<QByteArray> old;
  old.reserve(pieces.size());
  for (const Piece& p : pieces)
    old.push_back(p.pos < oldLength ? QByteArray(base_ + p.pos, int(std::min(p.n, oldLength - p.pos))) : QByteArray());
  size_t written = 0;
  for (const Piece& p : pieces) {
    const int err = io::writeAt(file_.handle(), p.pos, p.bytes, size_t(p.n));
    if (err == 0) {
      ++written;
      continue;
    }
    // Put back what this change wrote, the failed piece included (part of it may have landed),
    // so that nothing of it stays in the file or reaches it later.
    for (size_t i = 0; i <= written && i < old.size(); ++i) {
      const Piece& q = pieces.begin()[i];
      if (!old[i].isEmpty()) io::writeAt(file_.handle(), q.pos, old[i].constData(), size_t(old[i].size()));
    }
    io::truncate(file_.handle(), oldLength);
    fail(QStringLiteral("запись не удалась: %1.").arg(io::causeText(err)));
  }
}

void DbfFile::writeRecord(uint32_t index, const char* bytes) {
  requireWritable();
  if (index >= count_) fail(QStringLiteral("записи №%1 нет в таблице.").arg(qint64(index) + 1));
  const Stamp stamp = today();
  const bool redate = std::memcmp(stamp.date, date_, 3) != 0;
  // A record and the date are two writes: together they need a journal.
  std::optional<JournalScope> own;
  if (redate && !journal_hooks::covering(folder_)) own.emplace(folder_);
  if (Journal* j = journal_hooks::covering(folder_)) journal_hooks::beforeRecordWrite(*j, *this, index);
  const qint64 pos = headerLength_ + qint64(index) * recordLength_;
  if (redate) writePieces({{pos, bytes, recordLength_}, {1, stamp.date, 3}});
  else writePieces({{pos, bytes, recordLength_}});
  std::memcpy(date_, stamp.date, 3);
  if (own) own->commit();
}

uint32_t DbfFile::appendRecord(const char* bytes) {
  requireWritable();
  if (count_ == 0xFFFFFFFFu) fail(QStringLiteral("слишком много записей."));
  // The record, then the count and date: two writes, so always under a journal.
  std::optional<JournalScope> own;
  if (!journal_hooks::covering(folder_)) own.emplace(folder_);
  journal_hooks::beforeGrowth(*journal_hooks::covering(folder_), *this);
  const qint64 pos = headerLength_ + qint64(count_) * recordLength_;
  std::vector<char> buf(bytes, bytes + recordLength_);
  buf.push_back(0x1A);
  const Stamp stamp = today();
  char header[7];
  std::memcpy(header, stamp.date, 3);
  put32(header + 3, count_ + 1);
  writePieces({{pos, buf.data(), qint64(buf.size())}, {1, header, 7}});
  ++count_;
  std::memcpy(date_, stamp.date, 3);
  map();
  if (own) own->commit();
  return count_ - 1;
}

void DbfFile::create(const QString& path, std::vector<FieldDef> fields) {
  const int headerLength = 32 + 32 * int(fields.size()) + 1;
  int recordLength = 1;
  std::vector<char> h(size_t(headerLength), 0);
  const QDate today = QDate::currentDate();
  h[0] = 0x03;
  h[1] = char(today.year() - 1900);
  h[2] = char(today.month());
  h[3] = char(today.day());
  for (size_t i = 0; i < fields.size(); ++i) {
    const FieldDef& f = fields[i];
    if (!QString("CNFDL").contains(QLatin1Char(f.type)) || !widthAcceptable(f.type, f.width))
      throw TableError(QStringLiteral("Таблица %1: поле %2 такого типа записать нельзя.").arg(path, f.name));
    char* d = h.data() + 32 + 32 * i;
    const QByteArray name = f.name.toUpper().toLatin1().left(10);
    std::memcpy(d, name.constData(), size_t(name.size()));
    d[11] = f.type;
    put32(d + 12, uint32_t(recordLength));
    d[16] = char(f.width);
    d[17] = char(f.decimals);
    recordLength += f.width;
  }
  h[size_t(headerLength) - 1] = 0x0D;
  put16(h.data() + 8, uint16_t(headerLength));
  put16(h.data() + 10, uint16_t(recordLength));
  h[29] = char(0xC9);  // Windows-1251
  h.push_back(0x1A);
  QFile out(path);
  if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw TableError(QStringLiteral("Таблица %1 не создана: %2.").arg(path, io::causeText(out)));
  if (const int err = io::writeAt(out.handle(), 0, h.data(), h.size())) {
    out.close();
    QFile::remove(path);
    throw TableError(QStringLiteral("Таблица %1 не создана: %2.").arg(path, io::causeText(err)));
  }
}

}  // namespace korvel::db
