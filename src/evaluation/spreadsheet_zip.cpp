#include "evaluation/spreadsheet_zip.h"

#include "db/crc32.h"

#include <QDateTime>

#include <libdeflate.h>

#include <algorithm>

namespace korvel::xlsx {

namespace {

// The fastest level: the parts are repetitive XML that it still packs six to one, and deflating
// is the largest single cost of a workbook of thousands of sheets.
constexpr int kLevel = 1;
constexpr uint32_t kLocalHeader = 0x04034b50, kCentralHeader = 0x02014b50, kEnd = 0x06054b50;
constexpr uint32_t kZip64End = 0x06064b50, kZip64Locator = 0x07064b50;
constexpr uint16_t kVersion = 20, kVersionZip64 = 45, kDeflated = 8;

class Bytes {
 public:
  Bytes& u16(uint16_t v) {
    b_.push_back(char(v & 0xFF));
    b_.push_back(char(v >> 8));
    return *this;
  }
  Bytes& u32(uint32_t v) { return u16(uint16_t(v & 0xFFFF)).u16(uint16_t(v >> 16)); }
  Bytes& u64(uint64_t v) { return u32(uint32_t(v & 0xFFFFFFFF)).u32(uint32_t(v >> 32)); }
  Bytes& raw(const QByteArray& s) {
    b_.insert(b_.end(), s.begin(), s.end());
    return *this;
  }
  const char* data() const { return b_.data(); }
  size_t size() const { return b_.size(); }

 private:
  std::vector<char> b_;
};

uint32_t fits32(uint64_t v) {
  if (v > 0xFFFFFFFFu) throw ZipFailure(QStringLiteral("книга превышает 4 ГБ — предел формата .xlsx"));
  return uint32_t(v);
}

}  // namespace

ZipWriter::ZipWriter(QIODevice& out) : out_(out), compressor_(libdeflate_alloc_compressor(kLevel)) {
  if (!compressor_) throw std::bad_alloc();
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  dosTime_ = uint16_t(t.hour() << 11 | t.minute() << 5 | t.second() / 2);
  dosDate_ = uint16_t(std::max(0, d.year() - 1980) << 9 | d.month() << 5 | d.day());
}

ZipWriter::~ZipWriter() { libdeflate_free_compressor(compressor_); }

void ZipWriter::write(const char* bytes, size_t n) {
  // A write cut short (the disk filled up in its middle) is followed by another, which fails
  // with the system's reason.
  for (size_t done = 0; done < n;) {
    const qint64 w = out_.write(bytes + done, qint64(n - done));
    if (w <= 0) throw ZipFailure(QStringLiteral("файл не принял данные"));
    done += size_t(w);
  }
  written_ += n;
}

void ZipWriter::add(const QByteArray& name, std::string_view data) {
  buffer_.resize(libdeflate_deflate_compress_bound(compressor_, data.size()));
  const size_t packed =
      libdeflate_deflate_compress(compressor_, data.data(), data.size(), buffer_.data(), buffer_.size());
  if (packed == 0) throw ZipFailure(QStringLiteral("данные не удалось сжать"));
  const Entry e{name, db::crc32(0, data.data(), data.size()), packed, data.size(), written_};
  Bytes h;
  h.u32(kLocalHeader).u16(kVersion).u16(0).u16(kDeflated).u16(dosTime_).u16(dosDate_);
  h.u32(e.crc).u32(fits32(e.compressed)).u32(fits32(e.size)).u16(uint16_t(name.size())).u16(0).raw(name);
  write(h.data(), h.size());
  write(buffer_.data(), packed);
  entries_.push_back(e);
}

void ZipWriter::finish(const QByteArray& listedFirst) {
  std::stable_partition(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.name == listedFirst; });
  const uint64_t directoryStart = written_;
  for (const Entry& e : entries_) {
    Bytes c;
    c.u32(kCentralHeader).u16(kVersion).u16(kVersion).u16(0).u16(kDeflated).u16(dosTime_).u16(dosDate_);
    c.u32(e.crc).u32(fits32(e.compressed)).u32(fits32(e.size)).u16(uint16_t(e.name.size()));
    c.u16(0).u16(0).u16(0).u16(0).u32(0).u32(fits32(e.offset)).raw(e.name);
    write(c.data(), c.size());
  }
  const uint64_t directorySize = written_ - directoryStart;
  const uint64_t count = entries_.size();
  Bytes end;
  if (count > 0xFFFF) {
    const uint64_t zip64End = written_;
    end.u32(kZip64End).u64(44).u16(kVersionZip64).u16(kVersionZip64).u32(0).u32(0);
    end.u64(count).u64(count).u64(directorySize).u64(directoryStart);
    end.u32(kZip64Locator).u32(0).u64(zip64End).u32(1);
  }
  const uint16_t shownCount = count > 0xFFFF ? 0xFFFF : uint16_t(count);
  end.u32(kEnd).u16(0).u16(0).u16(shownCount).u16(shownCount);
  end.u32(fits32(directorySize)).u32(fits32(directoryStart)).u16(0);
  write(end.data(), end.size());
}

}  // namespace korvel::xlsx
