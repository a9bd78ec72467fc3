#include "picture.h"

#include "bytes.h"
#include "lz77.h"
#include "project.h"
#include "rtf/document.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>

namespace hc {

namespace {

constexpr std::uint16_t kPictureMagic = 0x506C; // "lP"
constexpr std::uint8_t kDib = 6;
constexpr int kDpi = 96;

qsizetype rowBytes(int width, int bits) {
    return ((qsizetype(width) * bits + 31) / 32) * 4;
}

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

// Reads what the packing method made of the bitmap's bytes.
QByteArray unpack(QByteArrayView data, int packing, qsizetype expected) {
    QByteArray out = packing & 2 ? Lz77Decompress(data, -1) : data.toByteArray();
    if (packing & 1) {
        QByteArray runs;
        ByteReader r(out, "picture run lengths");
        while (!r.atEnd()) {
            const std::uint8_t n = r.u8();
            if (n & 0x80)
                runs += r.bytes(n & 0x7F);
            else
                runs += QByteArray(n, char(r.u8()));
        }
        out = runs;
    }
    if (out.size() < expected)
        throw FormatError("picture: its bitmap is shorter than its size says");
    return out;
}

struct Header {
    PictureInfo info;
    qsizetype dataAt = 0, dataSize = 0, paletteAt = 0;
};

Header readHeader(QByteArrayView stored) {
    ByteReader r(stored, "picture");
    const std::uint16_t magic = r.u16();
    if (magic != kPictureMagic && magic != 0x706C) // one picture, or several sizes of one
        r.fail("does not begin with lP or lp");
    if (r.u16() < 1)
        r.fail("holds no bitmap");
    const std::uint32_t at = r.u32();
    r.seek(at);
    Header h;
    const std::uint8_t type = r.u8();
    if (type != 5 && type != 6)
        r.fail("is not a bitmap (type " + std::to_string(type) + ")");
    h.info.packing = r.u8();
    r.packedULong();
    r.packedULong();
    r.packedUShort();
    h.info.bitCount = int(r.packedUShort());
    h.info.width = int(r.packedULong());
    h.info.height = int(r.packedULong());
    h.info.colors = int(r.packedULong());
    r.packedULong();
    h.dataSize = r.packedULong();
    r.packedULong();
    h.dataAt = qsizetype(at) + r.u32();
    r.u32();
    h.paletteAt = r.pos();
    if (h.info.colors == 0 && h.info.bitCount <= 8)
        h.info.colors = 1 << h.info.bitCount;
    if (h.dataAt + h.dataSize > stored.size() || h.paletteAt + 4 * h.info.colors > stored.size())
        r.fail("is shorter than its sizes say");
    return h;
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

PictureInfo ReadPictureInfo(QByteArrayView stored) {
    return readHeader(stored).info;
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

int PictureStore::number(const rtf::EmbeddedPicture& picture, QString& problem) {
    const QByteArray key = QByteArray(1, char(picture.format)) + picture.data;
    if (const auto it = m_byContent.constFind(key); it != m_byContent.constEnd())
        return *it;
    const QImage image = picture.binary ? QImage() : EmbeddedImage(picture);
    if (image.isNull()) {
        problem = QStringLiteral("a picture stored in the text cannot be read");
        return -1;
    }
    const int n = int(m_files.size());
    m_files.push_back(PictureFile(image));
    m_byContent.insert(key, n);
    return n;
}

int PictureStore::number(const QString& name, const QString& topicFolder, QString& problem) {
    QStringList folders = m_folders;
    folders << topicFolder;
    QString path;
    for (const QString& folder : std::as_const(folders)) {
        const QString candidate = ResolveProjectPath(folder, name);
        if (QFileInfo(candidate).isFile()) {
            path = QFileInfo(candidate).absoluteFilePath();
            break;
        }
    }
    if (path.isEmpty()) {
        problem = QStringLiteral("picture %1 is not found");
        return -1;
    }
    if (const auto it = m_byPath.constFind(path); it != m_byPath.constEnd())
        return *it;
    if (const auto it = m_problemOfPath.constFind(path); it != m_problemOfPath.constEnd()) {
        problem = *it;
        return -1;
    }
    QFile file(path);
    QByteArray bytes;
    if (file.open(QIODevice::ReadOnly))
        bytes = file.readAll();
    QByteArray stored;
    if (bytes.size() >= 8 && (getU16(bytes, 0) == kPictureMagic || getU16(bytes, 0) == 0x706C)) {
        // Already in the help file's own form (pictures with hotspots, several
        // resolutions of one): stored as it is.
        stored = bytes;
    } else {
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        reader.setDecideFormatFromContent(true);
        const QImage image = reader.read();
        if (image.isNull()) {
            problem = QStringLiteral("picture %1 cannot be read (") +
                      (file.error() != QFile::NoError ? file.errorString() : reader.errorString()) +
                      u')';
            m_problemOfPath.insert(path, problem);
            return -1;
        }
        stored = PictureFile(image);
    }
    const int n = int(m_files.size());
    m_files.push_back(stored);
    m_byPath.insert(path, n);
    return n;
}

} // namespace hc
