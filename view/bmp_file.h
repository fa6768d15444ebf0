#pragma once
// Uncompressed 32-bit BMP: a 14-byte file header, a 40-byte information
// header, no colour table, then the rows bottom-up, each pixel as blue,
// green, red and an unused byte.

#include <QByteArray>

class QImage;

namespace vendrel {

QByteArray encode_bmp32(const QImage& image);

}  // namespace vendrel
