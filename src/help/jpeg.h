// JPEG pictures through libjpeg: decoding a file (or bytes) into a QImage and encoding a QImage
// into a JPEG file. A corrupt or truncated picture is an error with a text, never a crash.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

namespace korvel {

// Decodes JPEG bytes. Returns a null image and, when error is given, the decoder's reason.
QImage decodeJpegData(const QByteArray& data, QString* error = nullptr);

// Reads and decodes a JPEG file. A missing or unreadable file is an error like a corrupt one.
QImage decodeJpeg(const QString& path, QString* error = nullptr);

// Encodes the image (any format; alpha is dropped onto white) as a baseline JPEG of the given
// quality (1 to 100). The file is replaced only when the whole picture has been encoded.
bool encodeJpeg(const QImage& image, const QString& path, int quality = 90,
                QString* error = nullptr);

}  // namespace korvel
