// The .xlsx container: a ZIP archive written front to back into a device, each part deflated
// and written the moment it is added, so that a workbook of thousands of sheets never waits in
// memory. Parts over 4 GB or archives whose directory starts beyond 4 GB are refused; more
// than 65,535 parts take the ZIP64 end record, as the applications expect.
#pragma once

#include "base/user_error.h"

#include <QByteArray>
#include <QIODevice>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct libdeflate_compressor;

namespace korvel::xlsx {

// The device refused bytes (a full disk), or the archive outgrew the ZIP format; the text says
// which, for the writer's message.
struct ZipFailure : UserError {
  using UserError::UserError;
};

class ZipWriter {
 public:
  explicit ZipWriter(QIODevice& out);
  ~ZipWriter();
  ZipWriter(const ZipWriter&) = delete;
  ZipWriter& operator=(const ZipWriter&) = delete;

  // Deflates the part and writes it. Throws ZipFailure.
  void add(const QByteArray& name, std::string_view data);
  // Writes the central directory, which lists `listedFirst` (when added) before the other
  // parts in the order they were added. Throws ZipFailure.
  void finish(const QByteArray& listedFirst = {});

 private:
  struct Entry {
    QByteArray name;
    uint32_t crc;
    uint64_t compressed;
    uint64_t size;
    uint64_t offset;
  };
  void write(const char* bytes, size_t n);

  QIODevice& out_;
  libdeflate_compressor* compressor_;
  std::vector<char> buffer_;
  std::vector<Entry> entries_;
  uint64_t written_ = 0;
  uint16_t dosTime_ = 0, dosDate_ = 0;
};

}  // namespace korvel::xlsx
