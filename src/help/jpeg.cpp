// JPEG decoding and encoding with the IJG API. libjpeg reports fatal errors by calling
// error_exit, which must not return: ours jumps back to the setjmp point of the call in
// progress. No C++ object with a destructor lives in a frame that the jump leaves, and the
// state that outlives the jump is reached through a pointer, so its value stays defined.
#include "help/jpeg.h"

#include "db/file_io.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>
#include <csetjmp>
#include <cstdlib>
#include <memory>

#include <jerror.h>
#include <jpeglib.h>

namespace korvel {
namespace {

// Pictures larger than this are refused before any pixel memory is taken: a corrupt header
// can claim a size of 65500 × 65500.
constexpr qint64 kMaxPixels = 64LL * 1024 * 1024;

struct ErrorManager {
  jpeg_error_mgr pub;  // must be first: libjpeg sees only this part
  std::jmp_buf jump;
  char fatal[JMSG_LENGTH_MAX];
  char warning[JMSG_LENGTH_MAX];
  int badWarnings;
};

extern "C" void onFatal(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->fatal);
  std::longjmp(err->jump, 1);
}

// Warnings are corrupt data that libjpeg papers over with grey blocks (a truncated file,
// a broken Huffman code). A help picture like that is as useless as a missing one, so the
// decoder counts them; trace messages are dropped.
extern "C" void onMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  cinfo->err->num_warnings++;
  if (cinfo->err->msg_code == JWRN_EXTRANEOUS_DATA) return;  // stray bytes between markers
  (*cinfo->err->format_message)(cinfo, err->warning);
  err->badWarnings++;
}

extern "C" void silentOutput(j_common_ptr) {}

void setUpErrors(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = onFatal;
  err.pub.emit_message = onMessage;
  err.pub.output_message = silentOutput;
  err.fatal[0] = '\0';
  err.warning[0] = '\0';
  err.badWarnings = 0;
}

struct DecodeJob {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  const unsigned char* data;
  unsigned long size;
  QImage image;
  JSAMPLE* cmykRow = nullptr;  // one scan line of CMYK samples, freed by the caller
  bool tooLarge = false;
  bool noMemory = false;
};

void cmykRowToRgb(const JSAMPLE* in, uchar* out, JDIMENSION width, bool inverted) {
  for (JDIMENSION x = 0; x < width; ++x) {
    int c = in[4 * x], m = in[4 * x + 1], y = in[4 * x + 2], k = in[4 * x + 3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    out[3 * x] = uchar(c * k / 255);
    out[3 * x + 1] = uchar(m * k / 255);
    out[3 * x + 2] = uchar(y * k / 255);
  }
}

// Runs the whole decompression; returns false after any fatal error. Only plain C data and
// the job reached through its pointer are touched after setjmp.
bool runDecode(DecodeJob* job) {
  job->cinfo.err = &job->err.pub;
  setUpErrors(job->err);
  if (setjmp(job->err.jump)) {
    jpeg_destroy_decompress(&job->cinfo);
    return false;
  }
  jpeg_create_decompress(&job->cinfo);
  jpeg_mem_src(&job->cinfo, job->data, job->size);
  jpeg_read_header(&job->cinfo, TRUE);

  const bool cmyk = job->cinfo.jpeg_color_space == JCS_CMYK || job->cinfo.jpeg_color_space == JCS_YCCK;
  job->cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_calc_output_dimensions(&job->cinfo);
  const qint64 pixels = qint64(job->cinfo.output_width) * job->cinfo.output_height;
  if (pixels <= 0 || pixels > kMaxPixels) {
    job->tooLarge = true;
    jpeg_destroy_decompress(&job->cinfo);
    return false;
  }
  job->image = QImage(int(job->cinfo.output_width), int(job->cinfo.output_height),
                      QImage::Format_RGB888);
  if (job->image.isNull()) {
    job->noMemory = true;
    jpeg_destroy_decompress(&job->cinfo);
    return false;
  }
  if (cmyk) {
    job->cmykRow = static_cast<JSAMPLE*>(std::malloc(size_t(job->cinfo.output_width) * 4));
    if (!job->cmykRow) {
      job->noMemory = true;
      jpeg_destroy_decompress(&job->cinfo);
      return false;
    }
  }

  jpeg_start_decompress(&job->cinfo);
  const bool inverted = job->cinfo.saw_Adobe_marker;
  while (job->cinfo.output_scanline < job->cinfo.output_height) {
    uchar* line = job->image.scanLine(int(job->cinfo.output_scanline));
    JSAMPROW row = cmyk ? job->cmykRow : reinterpret_cast<JSAMPROW>(line);
    if (jpeg_read_scanlines(&job->cinfo, &row, 1) != 1) break;
    if (cmyk) cmykRowToRgb(job->cmykRow, line, job->cinfo.output_width, inverted);
  }
  jpeg_finish_decompress(&job->cinfo);
  jpeg_destroy_decompress(&job->cinfo);
  return true;
}

void setError(QString* error, const QString& text) {
  if (error) *error = text;
}

struct EncodeJob {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  const QImage* rgb;  // Format_RGB888
  int quality;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
};

bool runEncode(EncodeJob* job) {
  job->cinfo.err = &job->err.pub;
  setUpErrors(job->err);
  if (setjmp(job->err.jump)) {
    jpeg_destroy_compress(&job->cinfo);
    return false;
  }
  jpeg_create_compress(&job->cinfo);
  jpeg_mem_dest(&job->cinfo, &job->out, &job->outSize);
  job->cinfo.image_width = JDIMENSION(job->rgb->width());
  job->cinfo.image_height = JDIMENSION(job->rgb->height());
  job->cinfo.input_components = 3;
  job->cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&job->cinfo);
  jpeg_set_quality(&job->cinfo, job->quality, TRUE);
  jpeg_start_compress(&job->cinfo, TRUE);
  while (job->cinfo.next_scanline < job->cinfo.image_height) {
    // libjpeg takes non-const rows but only reads them.
    JSAMPROW row = const_cast<JSAMPROW>(job->rgb->constScanLine(int(job->cinfo.next_scanline)));
    jpeg_write_scanlines(&job->cinfo, &row, 1);
  }
  jpeg_finish_compress(&job->cinfo);
  jpeg_destroy_compress(&job->cinfo);
  return true;
}

}  // namespace

QImage decodeJpegData(const QByteArray& data, QString* error) {
  if (data.isEmpty()) {
    setError(error, QStringLiteral("Файл пуст: это не рисунок JPEG"));
    return {};
  }
  auto job = std::make_unique<DecodeJob>();
  job->data = reinterpret_cast<const unsigned char*>(data.constData());
  job->size = static_cast<unsigned long>(data.size());
  const bool ok = runDecode(job.get());
  std::free(job->cmykRow);
  if (!ok) {
    if (job->tooLarge)
      setError(error, QStringLiteral("Рисунок JPEG слишком велик или имеет нулевой размер"));
    else if (job->noMemory)
      setError(error, QStringLiteral("Не хватает памяти для рисунка JPEG"));
    else
      setError(error, QStringLiteral("Рисунок JPEG испорчен: ") + QString::fromLatin1(job->err.fatal));
    return {};
  }
  if (job->err.badWarnings > 0) {
    setError(error, QStringLiteral("Рисунок JPEG испорчен: ") + QString::fromLatin1(job->err.warning));
    return {};
  }
  return job->image.convertToFormat(QImage::Format_RGB32);
}

QImage decodeJpeg(const QString& path, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    setError(error, QStringLiteral("Файл не найден или не читается: ") + path);
    return {};
  }
  // Help pictures are small; anything near this size is not one of ours.
  constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;
  if (file.size() > kMaxFileSize) {
    setError(error, QStringLiteral("Файл слишком велик для рисунка: ") + path);
    return {};
  }
  const QByteArray data = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    setError(error, QStringLiteral("Файл не читается: ") + path);
    return {};
  }
  return decodeJpegData(data, error);
}

bool encodeJpeg(const QImage& image, const QString& path, int quality, QString* error) {
  if (image.isNull()) {
    setError(error, QStringLiteral("Нет рисунка для записи"));
    return false;
  }
  QImage rgb(image.size(), QImage::Format_RGB888);
  rgb.fill(Qt::white);  // transparent parts land on white, as on the help window's ground
  {
    QImage src = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < src.height(); ++y) {
      const QRgb* in = reinterpret_cast<const QRgb*>(src.constScanLine(y));
      uchar* out = rgb.scanLine(y);
      for (int x = 0; x < src.width(); ++x) {
        const QRgb p = in[x];
        const int inv = 255 - qAlpha(p);
        out[3 * x] = uchar(qRed(p) + inv);
        out[3 * x + 1] = uchar(qGreen(p) + inv);
        out[3 * x + 2] = uchar(qBlue(p) + inv);
      }
    }
  }
  auto job = std::make_unique<EncodeJob>();
  job->rgb = &rgb;
  job->quality = qBound(1, quality, 100);
  const bool ok = runEncode(job.get());
  // jpeg_mem_dest allocates with malloc; the buffer is ours whatever happened.
  QByteArray bytes;
  if (ok) bytes = QByteArray(reinterpret_cast<const char*>(job->out), qsizetype(job->outSize));
  std::free(job->out);
  if (!ok) {
    setError(error, QStringLiteral("Ошибка кодирования JPEG: ") + QString::fromLatin1(job->err.fatal));
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    setError(error, QStringLiteral("файл не записывается (%1)").arg(db::io::causeText(file)));
    return false;
  }
  return true;
}

}  // namespace korvel
