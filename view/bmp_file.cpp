#include "view/bmp_file.h"

#include <QImage>
#include <cstdint>
#include <cstring>

namespace vendrel {
namespace {

void put16(char* at, std::uint16_t v) {
    at[0] = char(v & 0xff);
    at[1] = char(v >> 8);
}

void put32(char* at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) {
        at[k] = char((v >> (8 * k)) & 0xff);
    }
}

}  // namespace

QByteArray encode_bmp32(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const std::uint32_t w = std::uint32_t(image.width());
    const std::uint32_t h = std::uint32_t(image.height());
    const std::uint32_t pixel_bytes = ((w * 32 + 31) / 32) * 4 * h;
    QByteArray file(int(54 + pixel_bytes), '\0');
    char* out = file.data();
    put16(out + 0, 0x4D42);
    put32(out + 2, pixel_bytes + 54);
    put32(out + 10, 54);
    put32(out + 14, 40);
    put32(out + 18, w);
    put32(out + 22, h);
    put16(out + 26, 1);
    put16(out + 28, 32);
    // Compression, image size, resolutions and colour counts stay 0.
    char* pixels = out + 54;
    for (std::uint32_t row = 0; row < h; ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(int(h - 1 - row)));
        char* target = pixels + std::size_t(row) * w * 4;
        for (std::uint32_t x = 0; x < w; ++x) {
            const QRgb c = line[x];
            target[4 * x + 0] = char(qBlue(c));
            target[4 * x + 1] = char(qGreen(c));
            target[4 * x + 2] = char(qRed(c));
            target[4 * x + 3] = 0;
        }
    }
    return file;
}

}  // namespace vendrel
