#include "pictureimage.h"

#include "bytes.h"
#include "lz77.h"
#include "picturedata.h"
#include "rtf/document.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>

#include <cstring>

namespace hc {

using namespace picturedata;

namespace {

// Transparent parts drawn on white: a help window's usual background.
QImage onWhite(const QImage& image) {
    QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    QImage out(argb.size(), QImage::Format_RGB32);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        QRgb* o = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const int a = qAlpha(in[x]);
            const auto mix = [a](int c) { return (c * a + 255 * (255 - a) + 127) / 255; };
            o[x] = qRgb(mix(qRed(in[x])), mix(qGreen(in[x])), mix(qBlue(in[x])));
        }
    }
    return out;
}

} // namespace

QByteArray PictureFile(const QImage& source) {
    QImage image = source;
    if (image.hasAlphaChannel())
        image = onWhite(image);
    int bits = 24;
    QList<QRgb> palette;
    const bool indexed = image.format() == QImage::Format_Mono ||
                         image.format() == QImage::Format_MonoLSB ||
                         image.format() == QImage::Format_Indexed8;
    if (indexed) {
        image = image.convertToFormat(QImage::Format_Indexed8);
        palette = image.colorTable();
        bits = palette.size() <= 2 ? 1 : palette.size() <= 16 ? 4 : 8;
    } else {
        image = image.convertToFormat(QImage::Format_BGR888);
    }
    const int w = image.width(), h = image.height();
    const qsizetype stride = rowBytes(w, bits);
    QByteArray data(stride * h, '\0');
    for (int y = 0; y < h; ++y) {
        // Bottom row first.
        char* row = data.data() + qsizetype(h - 1 - y) * stride;
        const uchar* line = image.constScanLine(y);
        if (bits == 24) {
            std::memcpy(row, line, std::size_t(w) * 3);
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const unsigned v = line[x];
            if (bits == 8)
                row[x] = char(v);
            else if (bits == 4)
                row[x / 2] = char(row[x / 2] | (v << (x % 2 ? 0 : 4)));
            else
                row[x / 8] = char(row[x / 8] | ((v & 1) << (7 - x % 8)));
        }
    }
    const QByteArray packed = Lz77Compress(data);
    const bool lz77 = packed.size() < data.size();
    const QByteArray& stored = lz77 ? packed : data;

    ByteWriter p;
    p.u8(kDib);
    p.u8(lz77 ? 2 : 0);
    p.packedULong(kDpi);
    p.packedULong(kDpi);
    p.packedUShort(1);
    p.packedUShort(unsigned(bits));
    p.packedULong(std::uint32_t(w));
    p.packedULong(std::uint32_t(h));
    p.packedULong(std::uint32_t(palette.size()));
    p.packedULong(0);
    p.packedULong(std::uint32_t(stored.size()));
    p.packedULong(0); // no hotspots
    p.u32(std::uint32_t(p.size() + 8 + 4 * palette.size()));
    p.u32(0);
    for (QRgb c : palette) {
        p.u8(std::uint8_t(qBlue(c)));
        p.u8(std::uint8_t(qGreen(c)));
        p.u8(std::uint8_t(qRed(c)));
        p.u8(0);
    }
    p.bytes(stored);

    ByteWriter out;
    out.u16(kPictureMagic);
    out.u16(1);
    out.u32(8);
    out.bytes(p.view());
    return out.take();
}

QImage ReadPicture(QByteArrayView stored) {
    const Header h = readHeader(stored);
    const int bits = h.info.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24)
        throw FormatError("picture: " + std::to_string(bits) + " bits a pixel are not read here");
    const qsizetype stride = rowBytes(h.info.width, bits);
    const QByteArray data =
        unpack(stored.sliced(h.dataAt, h.dataSize), h.info.packing, stride * h.info.height);
    QImage image(h.info.width, h.info.height, QImage::Format_RGB32);
    QList<QRgb> palette;
    for (int i = 0; i < h.info.colors && bits <= 8; ++i) {
        const qsizetype at = h.paletteAt + 4 * i;
        palette << qRgb(std::uint8_t(stored[at + 2]), std::uint8_t(stored[at + 1]),
                        std::uint8_t(stored[at]));
    }
    for (int y = 0; y < h.info.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint8_t*>(data.constData()) +
                          (h.info.height - 1 - y) * stride;
        QRgb* o = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < h.info.width; ++x) {
            unsigned v = 0;
            if (bits == 24) {
                o[x] = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                continue;
            }
            if (bits == 8)
                v = row[x];
            else if (bits == 4)
                v = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
            else
                v = (row[x / 8] >> (7 - x % 8)) & 1;
            o[x] = v < unsigned(palette.size()) ? palette[v] : qRgb(0, 0, 0);
        }
    }
    return image;
}

// A picture stored in the text as the image it shows: PNG and JPEG as they
// are, a device-independent bitmap with the file header it lacks, a
// device-dependent one of 1, 24 or 32 bits (the others need the palette of
// the screen they were made on).
QImage EmbeddedImage(const rtf::EmbeddedPicture& p) {
    using F = rtf::EmbeddedPicture::Format;
    if (p.format == F::Png || p.format == F::Jpeg)
        return QImage::fromData(p.data, p.format == F::Png ? "PNG" : "JPEG");
    if (p.format == F::Dib && p.data.size() >= 40) {
        const std::uint32_t headerSize = getU32(p.data, 0);
        const int bits = getU16(p.data, 14);
        const std::uint32_t compression = getU32(p.data, 16);
        std::uint32_t colors = getU32(p.data, 32);
        if (colors == 0 && bits <= 8)
            colors = 1u << bits;
        std::uint32_t masks = headerSize == 40 && compression == 3 ? 12 : 0;
        ByteWriter bmp;
        bmp.u8('B');
        bmp.u8('M');
        bmp.u32(std::uint32_t(14 + p.data.size()));
        bmp.u32(0);
        bmp.u32(14 + headerSize + masks + 4 * colors);
        QByteArray file = bmp.take();
        file += p.data;
        return QImage::fromData(file, "BMP");
    }
    if (p.format == F::Bitmap && p.width > 0 && p.height > 0 && p.widthBytes > 0 &&
        p.data.size() >= qsizetype(p.widthBytes) * p.height &&
        (p.bitsPerPixel == 1 || p.bitsPerPixel == 24 || p.bitsPerPixel == 32) &&
        qsizetype(p.width) * p.bitsPerPixel <= qsizetype(p.widthBytes) * 8) {
        QImage image(p.width, p.height, QImage::Format_RGB32);
        if (image.isNull())
            return {};
        for (int y = 0; y < p.height; ++y) {
            const auto* row = reinterpret_cast<const std::uint8_t*>(p.data.constData()) +
                              qsizetype(y) * p.widthBytes;
            QRgb* o = reinterpret_cast<QRgb*>(image.scanLine(y)); // rows top down
            for (int x = 0; x < p.width; ++x) {
                if (p.bitsPerPixel == 1) {
                    const bool on = (row[x / 8] >> (7 - x % 8)) & 1;
                    o[x] = on ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
                } else {
                    const int n = p.bitsPerPixel / 8;
                    o[x] = qRgb(row[n * x + 2], row[n * x + 1], row[n * x]);
                }
            }
        }
        return image;
    }
    return {};
}

} // namespace hc

// What the picture store reaches through dlsym() once a picture needs
// converting.
extern "C" {

bool qmthc_picture_from_file(const QByteArray& bytes, QByteArray& stored, QString& problem) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull()) {
        problem = reader.errorString();
        return false;
    }
    stored = hc::PictureFile(image);
    return true;
}

bool qmthc_picture_from_text(const rtf::EmbeddedPicture& picture, QByteArray& stored) {
    const QImage image = hc::EmbeddedImage(picture);
    if (image.isNull())
        return false;
    stored = hc::PictureFile(image);
    return true;
}
}
