// Reading a filled scoring form: the first worksheet of a workbook package (any application's
// .xlsx, read over libzip: its small parts with QXmlStreamReader, its sheet and shared
// strings with a faster scanner of their own) or a CSV file, into the text of its cells.
//
// Every file comes from outside: whatever it holds ends in a UserError naming it, with memory
// bounded — a part of the package is read at most up to kMaxPartBytes unpacked, a CSV file up
// to kMaxTextBytes, and the form up to kMaxCells cells.
#include "scoreform/filled_form.h"

#include "base/user_error.h"
#include "db/file_io.h"
#include "db/text.h"
#include "evaluation/spreadsheet.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QIODevice>
#include <QStringDecoder>
#include <QUrl>
#include <QXmlStreamReader>

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <functional>
#include <unordered_map>

namespace korvel::scoreform {

QString FilledForm::cellName(int row, int column) {
  return xlsx::columnName(column + 1) + QString::number(row + 1);
}

namespace {

constexpr qint64 kMaxPartBytes = 512LL << 20;  // a package part, unpacked
constexpr qint64 kMaxRunBytes = 4LL << 20;     // a package part's text between two tags
constexpr qint64 kMaxTextBytes = 512LL << 20;  // a CSV file
constexpr size_t kMaxCells = 16'000'000;       // the form's cells, empty ones between others included

[[noreturn]] void refuse(const QString& path, const QString& what) {
  throw UserError(QStringLiteral("Файл %1: %2").arg(QDir::toNativeSeparators(path), what));
}

// Short cell texts ("5", "++", "100") repeat through a form: one copy of each is shared by
// every cell that holds it, which spares a form of millions of cells as many allocations.
class TextPool {
 public:
  QString take(QStringView text) {
    if (text.size() > 4) return text.toString();
    quint64 key = quint64(text.size());
    for (QChar c : text) {
      if (c.unicode() >= 0x8000) return text.toString();
      key = key << 15 | c.unicode();
    }
    auto found = pool_.find(key);
    if (found != pool_.end()) return found->second;
    QString copy = text.toString();
    if (pool_.size() < 65536) pool_.emplace(key, copy);
    return copy;
  }

 private:
  std::unordered_map<quint64, QString> pool_;
};

// The cells read so far. Empty cells are not stored: a row ends with its last filled cell, and
// the form with its last row holding one.
class Grid {
 public:
  explicit Grid(const QString& path) : path_(path) {}

  void put(size_t row, size_t column, QString text) {
    if (text.isEmpty()) return;
    if (row >= rows_.size()) rows_.resize(row + 1);
    auto& cells = rows_[row];
    if (column >= cells.size()) {
      cells_ += column + 1 - cells.size();
      if (cells_ > kMaxCells)
        refuse(path_, QStringLiteral("в бланке больше %1 ячеек (до ячейки %2); такой файл не читается — разделите его на части.")
                          .arg(QStringLiteral("16 000 000"), FilledForm::cellName(int(row), int(column))));
      cells.resize(column + 1);
    }
    cells[column] = std::move(text);
  }

  bool empty() const { return rows_.empty(); }

  FilledForm take() {
    FilledForm form;
    form.rows = std::move(rows_);
    return form;
  }

 private:
  QString path_;
  std::vector<std::vector<QString>> rows_;
  size_t cells_ = 0;
};

// ---- CSV --------------------------------------------------------------------------------------

// UTF-8 with or without its mark, UTF-16 with its mark (a spreadsheet's "Unicode text"), any
// other bytes Windows-1251. Null means binary: control characters no text file holds.
QString decodeText(const QByteArray& bytes) {
  QString text;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
  } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                         QStringConverter::Flag::ConvertInvalidToNull);
    text = utf16.decode(QByteArrayView(bytes).sliced(2));
  } else {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    text = utf8.decode(bytes);
    if (utf8.hasError()) text = db::decode(bytes.constData(), bytes.size(), db::Codepage::Cp1251);
  }
  for (QChar c : text)
    if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') return {};
  return text.isNull() ? QStringLiteral("") : text;
}

// The separator the first non-empty line uses outside quotes: ';' (also when it has commas
// too), else a tab, else ','; ';' for a form of one column.
QChar csvSeparator(QStringView text) {
  bool quoted = false, semicolon = false, tab = false, comma = false, filled = false;
  for (QChar c : text) {
    if (c == u'"') quoted = !quoted;
    if (quoted) continue;
    if (c == u'\n' || c == u'\r') {
      if (filled) break;
      continue;
    }
    if (c == u';') semicolon = true;
    else if (c == u'\t') tab = true;
    else if (c == u',') comma = true;
    if (!c.isSpace()) filled = true;
  }
  return semicolon ? u';' : tab ? u'\t' : comma ? u',' : u';';
}

FilledForm readCsv(const QString& path, QFile& file) {
  if (file.size() > kMaxTextBytes)
    refuse(path, QStringLiteral("файл больше 512 МБ; такой бланк не читается — разделите его на части."));
  const QByteArray bytes = file.readAll();
  if (bytes.size() != file.size()) refuse(path, QStringLiteral("не читается (%1).").arg(db::io::causeText(file)));
  const QString text = decodeText(bytes);
  if (text.isNull()) refuse(path, QStringLiteral("это не книга .xlsx и не текст CSV."));
  const QChar separator = csvSeparator(text);

  Grid grid(path);
  TextPool pool;
  const qsizetype n = text.size();
  qsizetype i = 0;
  size_t row = 0, column = 0;
  QString field;
  while (i < n) {
    QStringView value;
    if (text[i] == u'"') {
      // Quoted: doubled quotes stand for one; separators and line breaks inside are text.
      const size_t openedOn = row;
      field.resize(0);
      ++i;
      for (;;) {
        const qsizetype quote = text.indexOf(u'"', i);
        if (quote < 0)
          refuse(path, QStringLiteral("кавычка, открытая в строке %1, не закрыта до конца файла.").arg(openedOn + 1));
        field.append(QStringView(text).mid(i, quote - i));
        i = quote + 1;
        if (i < n && text[i] == u'"') {
          field.append(u'"');
          ++i;
        } else {
          break;
        }
      }
      // Anything between the closing quote and the separator is kept, as spreadsheets do.
      const qsizetype start = i;
      while (i < n && text[i] != separator && text[i] != u'\n' && text[i] != u'\r') ++i;
      field.append(QStringView(text).mid(start, i - start));
      value = field;
    } else {
      const qsizetype start = i;
      while (i < n && text[i] != separator && text[i] != u'\n' && text[i] != u'\r') ++i;
      value = QStringView(text).mid(start, i - start);
    }
    if (!value.isEmpty()) grid.put(row, column, pool.take(value));
    if (i < n && text[i] == separator) {
      ++i;
      ++column;
      continue;
    }
    // The end of the line: CRLF, LF or CR.
    if (i < n && text[i] == u'\r') {
      ++i;
      if (i < n && text[i] == u'\n') ++i;
    } else if (i < n) {
      ++i;
    }
    ++row;
    column = 0;
  }
  if (grid.empty()) refuse(path, QStringLiteral("в файле нет ни одной заполненной ячейки."));
  return grid.take();
}


// ---- The workbook package ---------------------------------------------------------------------

// One part of the package as the XML reader reads it: unpacked as it is read, refused past
// kMaxPartBytes whatever the archive claims its size is.
class PartDevice : public QIODevice {
 public:
  explicit PartDevice(zip_file_t* file) : file_(file) { open(QIODevice::ReadOnly | QIODevice::Unbuffered); }
  ~PartDevice() override { zip_fclose(file_); }
  bool isSequential() const override { return true; }
  bool tooBig = false;
  bool failed = false;  // unreadable: damaged data, a wrong checksum

 protected:
  qint64 readData(char* data, qint64 maxSize) override {
    if (tooBig || failed) return -1;
    const zip_int64_t n = zip_fread(file_, data, zip_uint64_t(maxSize));
    if (n < 0) {
      failed = true;
      return -1;
    }
    read_ += n;
    const std::reverse_iterator<const char*> end(data + n), start(data);
    const qint64 afterTag = std::find(end, start, '<') - end;  // bytes after the chunk's last '<'
    sinceTag_ = afterTag < n ? afterTag : sinceTag_ + n;
    if (read_ > kMaxPartBytes || sinceTag_ > kMaxRunBytes) {
      tooBig = true;
      return -1;
    }
    return n;
  }
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  zip_file_t* file_;
  qint64 read_ = 0;
  qint64 sinceTag_ = 0;  // bytes since the last '<'
};

// The XML reader of a part. Refuses nesting deeper than any workbook part has: the reader keeps
// every open element, and a part nested a hundred million deep would take gigabytes.
class PartReader : public QXmlStreamReader {
 public:
  using QXmlStreamReader::QXmlStreamReader;
  TokenType next() {
    const TokenType token = readNext();
    if (token == StartElement && ++depth_ > 100) raiseError(QStringLiteral("nested too deep"));
    if (token == EndElement) --depth_;
    return token;
  }

 private:
  int depth_ = 0;
};

[[noreturn]] void refuseTooBig(const QString& path, const QString& part) {
  refuse(path, QStringLiteral("часть книги %1 после распаковки больше 512 МБ или в ней текст длиннее 4 МБ без разметки; "
                              "такой файл не читается (он повреждён или собран нарочно).").arg(part));
}

// ---- Worksheets and shared strings, tokenised ---------------------------------------------------

// The bulky parts of a workbook (a worksheet, its shared strings) read straight from their
// UTF-8 bytes: a form of a million cells is a hundred megabytes of markup, which this reads
// several times faster than QXmlStreamReader. It gives the elements and texts such a part has,
// checks that elements nest and close as they must, and refuses what no such part holds (a
// document type, named entities beyond XML's five, text in another encoding).
class PartScanner {
 public:
  enum class Token { Start, End, Text, Finished };

  PartScanner(PartDevice& in, const QString& path, const QString& part) : in_(in), path_(path), part_(part) {
    buffer_.reserve(kChunk * 2);
  }

  Token next() {
    if (pendingEnd_) {
      pendingEnd_ = false;
      return Token::End;
    }
    for (;;) {
      if (pos_ == buffer_.size() && !fill()) {
        if (!open_.empty() || !rootSeen_) broken();
        return Token::Finished;
      }
      if (buffer_[pos_] != '<') {
        if (scanText()) return Token::Text;
        continue;
      }
      const std::optional<Token> token = scanMarkup();
      if (token) return *token;
    }
  }

  // The element's name without its prefix (at Start and End).
  std::string_view name() const { return name_; }
  // An attribute of the element just started, by its name without prefix; empty if absent.
  std::string_view attribute(std::string_view wanted) {
    for (const auto& [attributeName, value] : attributes_)
      if (attributeName == wanted) {
        if (value.find('&') == std::string_view::npos) return value;
        scratch_.clear();
        decode(value, scratch_);
        return scratch_;
      }
    return {};
  }
  // The text just read, its references replaced (at Text).
  std::string_view text() const { return text_; }

  // Passes by the element just started, all it holds included.
  void skip() {
    if (pendingEnd_) {  // an empty element: nothing in it
      pendingEnd_ = false;
      return;
    }
    for (size_t depth = open_.size(); open_.size() >= depth;)
      if (next() == Token::Finished) return;
  }

  [[noreturn]] void broken() const {
    qint64 line = lines_ + 1 + std::count(buffer_.begin(), buffer_.begin() + qsizetype(std::min(pos_, buffer_.size())), '\n');
    refuse(path_, QStringLiteral("книга повреждена: часть %1 не читается (строка %2).").arg(part_).arg(line));
  }

 private:
  static constexpr size_t kChunk = 1 << 20;

  // Keeps the bytes not yet read, reads more behind them; false when the part has ended.
  bool fill() {
    if (ended_) return false;
    lines_ += std::count(buffer_.begin(), buffer_.begin() + qsizetype(pos_), '\n');
    buffer_.erase(0, pos_);
    pos_ = 0;
    const size_t kept = buffer_.size();
    buffer_.resize(kept + kChunk);
    const qint64 n = in_.read(buffer_.data() + kept, qint64(kChunk));
    if (n < 0) {
      buffer_.resize(kept);
      if (in_.tooBig) refuseTooBig(path_, part_);
      broken();
    }
    buffer_.resize(kept + size_t(n));
    if (n == 0) ended_ = true;
    if (first_ && buffer_.size() >= 2) {
      first_ = false;
      if (buffer_.starts_with("\xEF\xBB\xBF")) pos_ = 3;
      else if (buffer_.starts_with("\xFF\xFE") || buffer_.starts_with("\xFE\xFF") || buffer_[0] == '\0' || buffer_[1] == '\0')
        refuse(path_, QStringLiteral("книга повреждена: часть %1 записана не в кодировке UTF-8.").arg(part_));
    }
    return n > 0;
  }

  // Makes at least `count` bytes from pos_ on readable; false when the part ends before.
  bool have(size_t count) {
    while (buffer_.size() - pos_ < count)
      if (!fill()) return false;
    return true;
  }

  // The position of `what` at or after `from` (an offset from pos_), reading on as needed;
  // the part ending first is a broken part.
  size_t find(std::string_view what, size_t from) {
    for (;;) {
      const size_t at = buffer_.find(what, pos_ + from);
      if (at != std::string::npos) return at - pos_;
      from = buffer_.size() - pos_ >= what.size() ? buffer_.size() - pos_ - what.size() + 1 : 0;
      if (!fill()) broken();
    }
  }

  // Text up to the next '<'; true when it is to be reported (inside an element).
  bool scanText() {
    size_t end = 0;
    for (;;) {  // to the next '<' or, after the root, the part's end
      const size_t at = buffer_.find('<', pos_ + end);
      if (at != std::string::npos) {
        end = at - pos_;
        break;
      }
      end = buffer_.size() - pos_;
      if (!fill()) {
        if (!open_.empty()) broken();
        break;
      }
    }
    const std::string_view raw(buffer_.data() + pos_, end);
    pos_ += end;
    if (open_.empty()) {
      if (raw.find_first_not_of(" \t\r\n") != std::string_view::npos) broken();
      return false;
    }
    text_.clear();
    decode(raw, text_);
    return true;
  }

  std::optional<Token> scanMarkup() {
    if (!have(2)) broken();
    const char second = buffer_[pos_ + 1];
    if (second == '?') {  // the declaration or a processing instruction
      pos_ += find("?>", 2) + 2;
      return std::nullopt;
    }
    if (second == '!') {
      if (!have(9)) broken();
      const std::string_view head(buffer_.data() + pos_, 9);
      if (head.starts_with("<!--")) {
        pos_ += find("-->", 4) + 3;
        return std::nullopt;
      }
      if (head == "<![CDATA[" && !open_.empty()) {
        const size_t end = find("]]>", 9);
        text_.assign(buffer_.data() + pos_ + 9, end - 9);
        pos_ += end + 3;
        return Token::Text;
      }
      broken();  // a document type, with the entities it may define
    }
    const size_t end = tagEnd();
    const std::string_view tag(buffer_.data() + pos_, end + 1);
    pos_ += end + 1;
    if (second == '/') {
      std::string_view qualified = tag.substr(2, tag.size() - 3);
      while (!qualified.empty() && isSpace(qualified.back())) qualified.remove_suffix(1);
      if (open_.empty() || open_.back() != qualified) broken();
      open_.pop_back();
      setName(qualified);
      return Token::End;
    }
    parseStart(tag);
    return Token::Start;
  }

  // The offset of the '>' that ends the tag at pos_, quoted attribute values passed over.
  size_t tagEnd() {
    size_t i = 1;
    char quote = 0;
    for (;;) {
      if (pos_ + i >= buffer_.size()) {
        if (!fill()) broken();
        continue;
      }
      const char c = buffer_[pos_ + i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        return i;
      } else if (c == '<') {
        broken();
      }
      ++i;
    }
  }

  void parseStart(std::string_view tag) {
    tag.remove_prefix(1);
    tag.remove_suffix(1);
    const bool empty = !tag.empty() && tag.back() == '/';
    if (empty) tag.remove_suffix(1);
    size_t i = 0;
    while (i < tag.size() && !isSpace(tag[i])) ++i;
    const std::string_view qualified = tag.substr(0, i);
    if (qualified.empty()) broken();
    attributes_.clear();
    for (;;) {
      while (i < tag.size() && isSpace(tag[i])) ++i;
      if (i == tag.size()) break;
      const size_t nameStart = i;
      while (i < tag.size() && tag[i] != '=' && !isSpace(tag[i])) ++i;
      std::string_view attributeName = tag.substr(nameStart, i - nameStart);
      while (i < tag.size() && isSpace(tag[i])) ++i;
      if (i == tag.size() || tag[i] != '=' || attributeName.empty()) broken();
      ++i;
      while (i < tag.size() && isSpace(tag[i])) ++i;
      if (i == tag.size() || (tag[i] != '"' && tag[i] != '\'')) broken();
      const size_t close = tag.find(tag[i], i + 1);
      if (close == std::string_view::npos) broken();
      if (const size_t colon = attributeName.rfind(':'); colon != std::string_view::npos)
        attributeName.remove_prefix(colon + 1);
      attributes_.emplace_back(attributeName, tag.substr(i + 1, close - i - 1));
      i = close + 1;
    }
    if (open_.empty() && rootSeen_) broken();  // a second root
    rootSeen_ = true;
    if (open_.size() >= 100) broken();  // nested deeper than any workbook part is
    setName(qualified);
    if (empty) pendingEnd_ = true;
    else open_.emplace_back(qualified);
  }

  void setName(std::string_view qualified) {
    const size_t colon = qualified.rfind(':');
    name_ = colon == std::string_view::npos ? qualified : qualified.substr(colon + 1);
  }

  static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  // Appends `raw` with its character and entity references replaced.
  void decode(std::string_view raw, std::string& out) const {
    for (size_t i = 0; i < raw.size();) {
      const size_t amp = raw.find('&', i);
      out.append(raw.substr(i, amp == std::string_view::npos ? std::string_view::npos : amp - i));
      if (amp == std::string_view::npos) return;
      const size_t semicolon = raw.find(';', amp);
      if (semicolon == std::string_view::npos) broken();
      const std::string_view entity = raw.substr(amp + 1, semicolon - amp - 1);
      i = semicolon + 1;
      if (entity == "lt") out += '<';
      else if (entity == "gt") out += '>';
      else if (entity == "amp") out += '&';
      else if (entity == "quot") out += '"';
      else if (entity == "apos") out += '\'';
      else if (entity.size() > 1 && entity[0] == '#') {
        const bool hex = entity[1] == 'x';
        bool ok = false;
        const uint code = QByteArrayView(entity.substr(hex ? 2 : 1)).toUInt(&ok, hex ? 16 : 10);
        if (!ok || code == 0 || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) broken();
        const char32_t c = code;
        out += QString::fromUcs4(&c, 1).toStdString();
      } else {
        broken();
      }
    }
  }

  PartDevice& in_;
  const QString& path_;
  const QString& part_;
  std::string buffer_;
  size_t pos_ = 0;
  qint64 lines_ = 0;  // line breaks before the buffer's start
  bool ended_ = false, first_ = true, rootSeen_ = false, pendingEnd_ = false;
  std::vector<std::string> open_;  // the elements open, by their qualified names
  std::string_view name_;  // in buffer_, which holds it until the next token is read
  std::string text_, scratch_;
  std::vector<std::pair<std::string_view, std::string_view>> attributes_;
};

// Bytes of UTF-8 as text; the few short ASCII ones a sheet repeats cost no conversion.
QString utf8Text(std::string_view bytes) { return QString::fromUtf8(bytes.data(), qsizetype(bytes.size())); }

struct Relationship {
  QString type;    // ends in "/worksheet", "/sharedStrings", "/officeDocument"…
  QString target;  // the part's name in the archive
};

class Package {
 public:
  explicit Package(const QString& path) : path_(path) {
    int error = 0;
#ifdef Q_OS_WIN
    const QByteArray name = path.toUtf8();  // libzip takes UTF-8 names on Windows
#else
    const QByteArray name = QFile::encodeName(path);
#endif
    zip_ = zip_open(name.constData(), ZIP_RDONLY, &error);
    if (!zip_) refuse(path_, QStringLiteral("книга повреждена: архив не читается."));
  }
  ~Package() { zip_discard(zip_); }
  Package(const Package&) = delete;
  Package& operator=(const Package&) = delete;

  bool has(const QString& part) const { return locate(part) >= 0; }

  // Reads the part with QXmlStreamReader; a part too large, damaged or not well-formed is refused.
  void parse(const QString& part, const std::function<void(PartReader&)>& read) {
    const std::unique_ptr<PartDevice> device = open(part);
    PartReader xml(device.get());
    read(xml);
    if (device->tooBig) refuseTooBig(path_, part);
    if (device->failed || xml.hasError())
      refuse(path_, QStringLiteral("книга повреждена: часть %1 не читается (строка %2).").arg(part).arg(xml.lineNumber()));
  }

  // Reads a bulky part (a worksheet, the shared strings) with the faster PartScanner.
  void scan(const QString& part, const std::function<void(PartScanner&)>& read) {
    const std::unique_ptr<PartDevice> device = open(part);
    PartScanner xml(*device, path_, part);
    read(xml);
  }

  // What a relationships part lists, by Id; external targets are left out.
  QHash<QString, Relationship> relationships(const QString& part) {
    QHash<QString, Relationship> found;
    const qsizetype slash = part.lastIndexOf(u'/');
    const QString rels = part.left(slash + 1) + QStringLiteral("_rels/") + part.mid(slash + 1) + QStringLiteral(".rels");
    if (!has(rels)) return found;
    parse(rels, [&](PartReader& xml) {
      while (!xml.atEnd()) {
        if (xml.next() != QXmlStreamReader::StartElement || xml.name() != u"Relationship") continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (a.value(QLatin1String("TargetMode")).compare(u"External", Qt::CaseInsensitive) == 0) continue;
        found.insert(a.value(QLatin1String("Id")).toString(),
                     {a.value(QLatin1String("Type")).toString(), resolve(part, a.value(QLatin1String("Target")))});
      }
    });
    return found;
  }

  static inline const QString kProtected = QStringLiteral(
      "книга защищена паролем. Откройте её в программе электронных таблиц, снимите пароль, сохраните как .xlsx или "
      "CSV и загрузите снова.");

 private:
  zip_int64_t locate(const QString& part) const {
    return zip_name_locate(zip_, part.toUtf8().constData(), ZIP_FL_NOCASE);
  }
  // The part unpacked as it is read; one missing, damaged or encrypted is refused.
  std::unique_ptr<PartDevice> open(const QString& part) {
    const zip_int64_t index = locate(part);
    if (index < 0) refuse(path_, QStringLiteral("книга повреждена: в ней нет части %1.").arg(part));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip_, zip_uint64_t(index), 0, &stat) == 0 && (stat.valid & ZIP_STAT_SIZE) &&
        stat.size > zip_uint64_t(kMaxPartBytes))
      refuseTooBig(path_, part);
    zip_file_t* file = zip_fopen_index(zip_, zip_uint64_t(index), 0);
    if (!file) {
      const int code = zip_error_code_zip(zip_get_error(zip_));
      if (code == ZIP_ER_NOPASSWD || code == ZIP_ER_WRONGPASSWD) refuse(path_, kProtected);
      refuse(path_, QStringLiteral("книга повреждена: часть %1 не читается.").arg(part));
    }
    return std::make_unique<PartDevice>(file);
  }
  // A relationship's target as a part name: relative to the source part's folder, or from the
  // package's root when it starts with '/'.
  static QString resolve(const QString& source, QStringView target) {
    const QString decoded = QUrl::fromPercentEncoding(target.toUtf8());
    if (decoded.startsWith(u'/')) return QDir::cleanPath(decoded.mid(1));
    return QDir::cleanPath(source.left(source.lastIndexOf(u'/') + 1) + decoded);
  }

  QString path_;
  zip_t* zip_ = nullptr;
};

// Text escaped as the spreadsheet applications escape control characters: "_x000D_".
QString unescapeText(QString text) {
  if (!text.contains(QLatin1String("_x"))) return text;
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
      bool ok = false;
      const uint code = QStringView(text).mid(i + 2, 4).toUInt(&ok, 16);
      if (ok) {
        out.append(QChar(char16_t(code)));
        i += 6;
        continue;
      }
    }
    out.append(text[i]);
  }
  return out;
}

// The text of a shared or inline string (the scanner at its <si> or <is>): its <t>, or the
// <t> of every run joined; phonetic guides are not the text.
QString richText(PartScanner& xml) {
  std::string text;
  bool inText = false;
  for (int depth = 1; depth > 0;) {
    switch (xml.next()) {
      case PartScanner::Token::Start:
        if (xml.name() == "rPh" || xml.name() == "phoneticPr") {
          xml.skip();
        } else {
          ++depth;
          inText = xml.name() == "t";
        }
        break;
      case PartScanner::Token::End:
        --depth;
        inText = false;
        break;
      case PartScanner::Token::Text:
        if (inText) text += xml.text();
        break;
      case PartScanner::Token::Finished: xml.broken();
    }
  }
  return unescapeText(utf8Text(text));
}

// Calls `use` with the bytes as UTF-16 text: short ASCII ones, as a sheet's numbers and
// references are, without an allocation.
template <typename Use>
auto withUtf16(std::string_view bytes, Use&& use) {
  char16_t chars[64];
  if (bytes.size() <= std::size(chars) &&
      std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    std::copy(bytes.begin(), bytes.end(), chars);
    return use(QStringView(chars, qsizetype(bytes.size())));
  }
  const QString text = utf8Text(bytes);
  return use(QStringView(text));
}

// A stored number as a person would type it: "82" for 82, 8.2E1 or 82.00000000000001; a
// fraction with the decimal comma.
QString numberText(QStringView stored, TextPool& pool) {
  const qsizetype sign = stored.startsWith(u'-') ? 1 : 0;
  const qsizetype digits = stored.size() - sign;
  bool plain = digits > 0 && digits <= 15 && (stored[sign] != u'0' || (digits == 1 && !sign));
  for (qsizetype i = sign; plain && i < stored.size(); ++i) plain = stored[i].isDigit() && stored[i].unicode() < 128;
  if (plain) return pool.take(stored);
  bool ok = false;
  const double value = stored.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value)) return pool.take(stored);
  if (value == 0) return QStringLiteral("0");
  return pool.take(QString::number(value, 'g', 15).replace(u'.', u','));
}

// "C7" as a row and column from 0; false when garbled or outside the sheet.
bool parseCellReference(QStringView ref, size_t& row, size_t& column) {
  qsizetype letters = 0;
  while (letters < ref.size() && ref[letters].unicode() < 128 && ref[letters].isLetter()) ++letters;
  const int number = xlsx::columnNumber(ref.left(letters));
  const QStringView digits = ref.mid(letters);
  if (number == 0 || digits.isEmpty() || digits.size() > 7) return false;
  size_t r = 0;
  for (QChar c : digits) {
    if (c.unicode() < u'0' || c.unicode() > u'9') return false;
    r = r * 10 + (c.unicode() - u'0');
  }
  if (r < 1 || r > size_t(xlsx::kMaxRows)) return false;
  row = r - 1;
  column = size_t(number - 1);
  return true;
}

class SheetReader {
 public:
  SheetReader(const QString& path, const std::vector<QString>& strings) : path_(path), strings_(strings), grid_(path) {}

  void read(PartScanner& xml) {
    for (;;) {
      switch (xml.next()) {
        case PartScanner::Token::Start: start(xml); break;
        case PartScanner::Token::Text:
          if (inValue_) value_ += xml.text();
          break;
        case PartScanner::Token::End:
          if (xml.name() == "v") inValue_ = false;
          else if (xml.name() == "c" && inCell_) finishCell();
          break;
        case PartScanner::Token::Finished: return;
      }
    }
  }

  Grid& grid() { return grid_; }

 private:
  enum class Type { Number, Shared, Inline, Formula, Boolean, Other };

  void start(PartScanner& xml) {
    const std::string_view name = xml.name();
    if (name == "row") {
      const std::string_view r = xml.attribute("r");
      if (r.empty()) {
        row_ = nextRow_;
      } else {
        bool ok = false;
        const uint n = QByteArrayView(r).toUInt(&ok);
        if (!ok || n < 1 || n > uint(xlsx::kMaxRows)) garbled(QStringLiteral("строка с неверным номером «%1»").arg(utf8Text(r)));
        row_ = n - 1;
      }
      nextRow_ = row_ + 1;
      column_ = size_t(-1);
    } else if (name == "c") {
      const std::string_view r = xml.attribute("r");
      if (r.empty()) {
        cellRow_ = row_;
        cellColumn_ = column_ + 1;
        if (cellColumn_ >= size_t(xlsx::kMaxColumns)) garbled(QStringLiteral("в строке %1 больше 16 384 ячеек").arg(row_ + 1));
      } else if (!withUtf16(r, [this](QStringView ref) { return parseCellReference(ref, cellRow_, cellColumn_); })) {
        garbled(QStringLiteral("ячейка с неверным адресом «%1»").arg(utf8Text(r).left(20)));
      }
      column_ = cellColumn_;
      const std::string_view t = xml.attribute("t");
      type_ = t.empty() || t == "n" ? Type::Number
            : t == "s"              ? Type::Shared
            : t == "inlineStr"      ? Type::Inline
            : t == "str"            ? Type::Formula
            : t == "b"              ? Type::Boolean
                                    : Type::Other;  // "e" (an error's text), "d" (a date as text)
      inCell_ = true;
      hasValue_ = hasFormula_ = false;
      value_.clear();
      inlineText_.clear();
    } else if (inCell_ && name == "v") {
      inValue_ = hasValue_ = true;
    } else if (inCell_ && name == "f") {
      hasFormula_ = true;
      xml.skip();
    } else if (inCell_ && name == "is") {
      hasValue_ = true;
      inlineText_ = richText(xml);
    }
  }

  void finishCell() {
    inCell_ = false;
    const auto cell = [this] { return FilledForm::cellName(int(cellRow_), int(cellColumn_)); };
    if (hasFormula_ && !hasValue_)
      refuse(path_, QStringLiteral("в ячейке %1 формула без вычисленного значения. Откройте файл в программе электронных "
                                   "таблиц, пересчитайте его и сохраните снова.").arg(cell()));
    if (type_ == Type::Inline) {
      grid_.put(cellRow_, cellColumn_, std::move(inlineText_));
      return;
    }
    if (value_.empty()) return;
    QString text;
    switch (type_) {
      case Type::Number: text = withUtf16(value_, [this](QStringView v) { return numberText(v, pool_); }); break;
      case Type::Shared: {
        bool ok = false;
        const qulonglong index = QByteArrayView(value_).trimmed().toULongLong(&ok);
        if (!ok || index >= strings_.size())
          refuse(path_, QStringLiteral("книга повреждена: ячейка %1 ссылается на текст, которого в книге нет.").arg(cell()));
        text = strings_[index];
        break;
      }
      case Type::Boolean: text = value_ == "0" ? QStringLiteral("ЛОЖЬ") : QStringLiteral("ИСТИНА"); break;
      default: text = withUtf16(value_, [this](QStringView v) { return pool_.take(v); }); break;
    }
    grid_.put(cellRow_, cellColumn_, std::move(text));
  }

  [[noreturn]] void garbled(const QString& what) const {
    refuse(path_, QStringLiteral("книга повреждена: %1 (на листе не больше 1 048 576 строк и 16 384 столбцов, до XFD1048576).")
                      .arg(what));
  }

  const QString& path_;
  const std::vector<QString>& strings_;
  Grid grid_;
  TextPool pool_;
  size_t row_ = 0, nextRow_ = 0, column_ = size_t(-1);
  size_t cellRow_ = 0, cellColumn_ = 0;
  Type type_ = Type::Number;
  bool inCell_ = false, inValue_ = false, hasValue_ = false, hasFormula_ = false;
  std::string value_;
  QString inlineText_;
};

FilledForm readWorkbook(const QString& path) {
  Package package(path);
  if (!package.has(QStringLiteral("[Content_Types].xml"))) {
    if (package.has(QStringLiteral("mimetype")) && package.has(QStringLiteral("content.xml")))
      refuse(path, QStringLiteral("это файл OpenDocument (например, .ods); сохраните книгу как .xlsx или CSV и загрузите снова."));
    refuse(path, QStringLiteral("это архив ZIP, а не книга .xlsx."));
  }

  // The workbook part: where the package's relationships say; a part they declare of another
  // kind (a text document's, a presentation's) is no workbook.
  QString workbook = QStringLiteral("xl/workbook.xml");
  for (const Relationship& r : package.relationships(QString()))
    if (r.type.endsWith(u"/officeDocument")) workbook = r.target;
  QString declared;
  package.parse(QStringLiteral("[Content_Types].xml"), [&](PartReader& xml) {
    while (!xml.atEnd()) {
      if (xml.next() != QXmlStreamReader::StartElement || xml.name() != u"Override") continue;
      const QXmlStreamAttributes a = xml.attributes();
      if (a.value(QLatin1String("PartName")).mid(1).compare(workbook, Qt::CaseInsensitive) == 0)
        declared = a.value(QLatin1String("ContentType")).toString();
    }
  });
  if (!package.has(workbook) || (!declared.isEmpty() && !declared.contains(u"spreadsheetml") && !declared.contains(u"ms-excel")))
    refuse(path, QStringLiteral("это архив ZIP (возможно, документ другого вида), а не книга .xlsx."));

  // The first worksheet a person sees: sheets in their order, hidden ones and charts passed by.
  struct SheetEntry {
    QString name, id;
  };
  std::vector<SheetEntry> sheets;
  package.parse(workbook, [&](PartReader& xml) {
    while (!xml.atEnd()) {
      if (xml.next() != QXmlStreamReader::StartElement || xml.name() != u"sheet") continue;
      const QXmlStreamAttributes a = xml.attributes();
      if (!a.value(QLatin1String("state")).isEmpty() && a.value(QLatin1String("state")) != u"visible") continue;
      for (const QXmlStreamAttribute& attribute : a)
        if (attribute.name() == u"id" && !attribute.namespaceUri().isEmpty())
          sheets.push_back({a.value(QLatin1String("name")).toString(), attribute.value().toString()});
    }
  });
  const QHash<QString, Relationship> parts = package.relationships(workbook);
  const SheetEntry* first = nullptr;
  QString sheetPart, stringsPart;
  for (const SheetEntry& sheet : sheets) {
    const auto r = parts.find(sheet.id);
    if (r != parts.end() && r->type.endsWith(u"/worksheet")) {
      first = &sheet;
      sheetPart = r->target;
      break;
    }
  }
  if (!first) refuse(path, QStringLiteral("в книге нет ни одного листа с таблицей."));
  for (const Relationship& r : parts)
    if (r.type.endsWith(u"/sharedStrings")) stringsPart = r.target;

  std::vector<QString> strings;
  if (!stringsPart.isEmpty() && package.has(stringsPart))
    package.scan(stringsPart, [&](PartScanner& xml) {
      for (auto token = xml.next(); token != PartScanner::Token::Finished; token = xml.next())
        if (token == PartScanner::Token::Start && xml.name() == "si") strings.push_back(richText(xml));
    });
  SheetReader sheet(path, strings);
  package.scan(sheetPart, [&](PartScanner& xml) { sheet.read(xml); });
  if (sheet.grid().empty())
    refuse(path, QStringLiteral("на первом листе «%1» нет ни одной заполненной ячейки.").arg(first->name));
  return sheet.grid().take();
}

// An OLE compound file: a password-protected workbook (its package encrypted inside), an old
// .xls, or another program's document. Told apart by the names of the streams it holds.
[[noreturn]] void refuseCompoundFile(const QString& path, QFile& file) {
  auto utf16 = [](const char* name) {
    QByteArray bytes;
    for (const char* c = name; *c; ++c) bytes.append(*c).append('\0');
    return bytes + QByteArray(2, '\0');
  };
  const QByteArray names[] = {utf16("EncryptedPackage"), utf16("Workbook"), utf16("Book")};
  bool found[3] = {false, false, false};
  QByteArray tail;
  for (qint64 read = 0; read < (256LL << 20) && !file.atEnd();) {
    const QByteArray chunk = tail + file.read(1 << 20);
    if (chunk.size() == tail.size()) break;
    read += chunk.size() - tail.size();
    for (int i = 0; i < 3; ++i) found[i] = found[i] || chunk.contains(names[i]);
    tail = chunk.right(64);
  }
  if (found[0]) refuse(path, Package::kProtected);
  if (found[1] || found[2])
    refuse(path, QStringLiteral("это книга старого формата .xls; такие не читаются — сохраните её как .xlsx или CSV и "
                                "загрузите снова."));
  refuse(path, QStringLiteral("это не книга .xlsx и не текст CSV."));
}

}  // namespace

FilledForm readFilledForm(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    refuse(path, QStringLiteral("не открывается (%1).").arg(db::io::causeText(file)));
  if (file.size() == 0) refuse(path, QStringLiteral("файл пуст."));
  const QByteArray head = file.peek(8);
  if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06")) {
    file.close();
    return readWorkbook(path);
  }
  if (head == QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) refuseCompoundFile(path, file);
  return readCsv(path, file);
}

}  // namespace korvel::scoreform
