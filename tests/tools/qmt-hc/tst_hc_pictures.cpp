// Pictures in the help file: \{bmc\}, \{bml\}, \{bmr\} found beside the
// project, in its BMROOT folders or beside the topic file, and pictures
// stored in the topic file itself (\pict), each stored once as a |bm file in
// the bits it came with, and read back pixel for pixel.
#include "hcfixture.h"

#include "picture.h"
#include "pictureimage.h"

#include <QBuffer>
#include <QImage>
#include <QtTest>

#include <functional>

using namespace hcfixture;

namespace {

// A BMP file as drawing programs write it: `bits` per pixel (1, 4 and 8 with
// `palette`, 24 without), bottom row first, rows padded to four bytes.
QByteArray bmp(int bits, int w, int h, const QList<QRgb>& palette,
               const std::function<unsigned(int, int)>& pixel) {
    const qsizetype stride = ((qsizetype(w) * bits + 31) / 32) * 4;
    QByteArray rows(stride * h, '\0');
    for (int y = 0; y < h; ++y) {
        char* row = rows.data() + (h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const unsigned v = pixel(x, y);
            if (bits == 24) {
                row[3 * x] = char(qBlue(v));
                row[3 * x + 1] = char(qGreen(v));
                row[3 * x + 2] = char(qRed(v));
            } else if (bits == 8) {
                row[x] = char(v);
            } else if (bits == 4) {
                row[x / 2] = char(row[x / 2] | (v << (x % 2 ? 0 : 4)));
            } else {
                row[x / 8] = char(row[x / 8] | (v << (7 - x % 8)));
            }
        }
    }
    hc::ByteWriter f;
    const std::uint32_t offset = 14 + 40 + 4 * std::uint32_t(palette.size());
    f.u16(0x4D42);
    f.u32(offset + std::uint32_t(rows.size()));
    f.u32(0);
    f.u32(offset);
    f.u32(40);
    f.i32(w);
    f.i32(h);
    f.u16(1);
    f.u16(std::uint16_t(bits));
    f.u32(0);
    f.u32(std::uint32_t(rows.size()));
    f.i32(2835);
    f.i32(2835);
    f.u32(std::uint32_t(palette.size()));
    f.u32(0);
    for (QRgb c : palette) {
        f.u8(std::uint8_t(qBlue(c)));
        f.u8(std::uint8_t(qGreen(c)));
        f.u8(std::uint8_t(qRed(c)));
        f.u8(0);
    }
    f.bytes(rows);
    return f.take();
}

QList<QRgb> ramp(int n) {
    QList<QRgb> p;
    for (int i = 0; i < n; ++i)
        p << qRgb(i * 255 / std::max(n - 1, 1), (i * 37) % 256, 255 - i * 255 / std::max(n - 1, 1));
    return p;
}

QString lines(const Compiled& c) {
    return c.diagnostics.lines().join(u'\n');
}

} // namespace

class TestHcPictures : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    // Each kind of picture file, stored and read back pixel for pixel.
    void pictureKinds_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QImage>("expected");
        QTest::addColumn<int>("bits"); // as the help file stores it
        constexpr int w = 13, h = 5;   // rows that need padding at every depth
        const auto row = [&](const char* name, const QString& file, int bits, int storedBits,
                             const QList<QRgb>& palette, std::function<unsigned(int, int)> pixel) {
            QImage expected(w, h, QImage::Format_RGB32);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    expected.setPixel(x, y, bits == 24 ? pixel(x, y) : palette[int(pixel(x, y))]);
            QTest::newRow(name) << file << bmp(bits, w, h, palette, pixel) << expected
                                << storedBits;
        };
        row("1 bit", QStringLiteral("one.bmp"), 1, 1, {qRgb(0, 0, 0), qRgb(255, 255, 255)},
            [](int x, int y) { return unsigned(x + y) % 2; });
        row("4 bits", QStringLiteral("four.bmp"), 4, 4, ramp(16),
            [](int x, int y) { return unsigned(x * 3 + y) % 16; });
        row("8 bits", QStringLiteral("eight.bmp"), 8, 8, ramp(200),
            [](int x, int y) { return unsigned(x * 7 + y * 3) % 200; });
        row("24 bits", QStringLiteral("colour.bmp"), 24, 24, {},
            [](int x, int y) { return qRgb(x * 19, y * 50, 77); });

        // PNG with transparent pixels: on white, in 24 bits.
        QImage png(w, h, QImage::Format_ARGB32);
        QImage onWhite(w, h, QImage::Format_RGB32);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const bool clear = (x + y) % 3 == 0;
                png.setPixel(x, y, clear ? qRgba(10, 20, 30, 0) : qRgba(x * 19, 40, y * 50, 255));
                onWhite.setPixel(x, y, clear ? qRgb(255, 255, 255) : qRgb(x * 19, 40, y * 50));
            }
        QByteArray pngBytes;
        QBuffer buffer(&pngBytes);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(png.save(&buffer, "PNG"));
        QTest::newRow("PNG, transparent")
            << QStringLiteral("clear.png") << pngBytes << onWhite << 24;
    }
    void pictureKinds() {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QImage, expected);
        QFETCH(int, bits);
        testenv::writeAll(m_dir->filePath(file), bytes);
        const QByteArray rtf =
            kRtfHeader + topic("IDH_A", "A", "See \\{bmc " + file.toLatin1() + "\\} here") + "}";
        const Compiled c = compile(m_dir->path(), project(""), rtf);
        QVERIFY2(c.result.written, qPrintable(lines(c)));
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        QVERIFY2(!lines(c).contains(u"picture"), qPrintable(lines(c)));
        QCOMPARE(c.file.bitmaps.size(), std::size_t(1));
        QCOMPARE(c.file.topics[0].pictures, (std::vector<std::pair<std::uint8_t, int>>{{0x86, 0}}));
        const QByteArray& stored = c.file.bitmaps.at(0);
        QCOMPARE(hc::ReadPictureInfo(stored).bitCount, bits);
        const QImage back = hc::ReadPicture(stored);
        QCOMPARE(back.size(), expected.size());
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                QVERIFY2(back.pixel(x, y) == expected.pixel(x, y),
                         qPrintable(QStringLiteral("pixel %1,%2: %3 for %4")
                                        .arg(x)
                                        .arg(y)
                                        .arg(back.pixel(x, y), 0, 16)
                                        .arg(expected.pixel(x, y), 0, 16)));
    }

    // Pictures stored in the text: PNG, JPEG and bitmaps become the help
    // file's bitmaps in the line where they stand, the same bytes once;
    // Word's second copy is skipped; a metafile is named with its topic.
    void picturesStoredInTheText_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("bitmaps");
        QTest::addColumn<int>("references");
        QTest::addColumn<QImage>("first"); // the first bitmap as read back
        QTest::addColumn<QString>("warning");

        QImage image(5, 3, QImage::Format_RGB32);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                image.setPixel(x, y, qRgb(x * 50, y * 100, 200 - x * 40));
        const auto encoded = [&](const char* format) {
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, format);
            return bytes.toHex();
        };
        const QByteArray png = "{\\pict\\picw5\\pich3\\pngblip\r\n" + encoded("PNG") + "}";
        const QByteArray wmf = "{\\pict\\wmetafile8\\picw5\\pich3 010009000003}";
        // A device-independent bitmap is a BMP file without its first 14 bytes.
        const QByteArray dib =
            "{\\pict\\dibitmap0\\picw5\\pich3 " +
            bmp(24, 5, 3, {}, [&](int x, int y) { return image.pixel(x, y); }).mid(14).toHex() +
            "}";
        // A device-dependent bitmap of one bit, rows top down, two bytes each.
        QImage mono(9, 2, QImage::Format_RGB32);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 9; ++x)
                mono.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
        const QByteArray ddb = "{\\pict\\wbitmap0\\picw9\\pich2\\wbmbitspixel1\\wbmplanes1"
                               "\\wbmwidthbytes2 5500aa80}";

        QTest::newRow("PNG, Word's two copies")
            << "{\\*\\shppict" + png + "}{\\nonshppict" + wmf + "}" << 1 << 1 << image << "";
        QTest::newRow("the same PNG twice") << png + " and " + png << 1 << 2 << image << "";
        QTest::newRow("device-independent bitmap") << dib << 1 << 1 << image << "";
        QTest::newRow("device-dependent bitmap") << ddb << 1 << 1 << mono << "";
        QTest::newRow("metafile alone")
            << wmf << 0 << 0 << QImage()
            << "topic IDH_A: the help file cannot show its metafile picture stored in the text";
        QTest::newRow("broken PNG")
            << QByteArray("{\\pict\\pngblip 89504e470d0a}") << 0 << 0 << QImage()
            << "topic IDH_A: a picture stored in the text cannot be read; it is left out";
    }
    void picturesStoredInTheText() {
        QFETCH(QByteArray, text);
        QFETCH(int, bitmaps);
        QFETCH(int, references);
        QFETCH(QImage, first);
        QFETCH(QString, warning);
        const QByteArray rtf = kRtfHeader + topic("IDH_A", "A", "See " + text + " here") + "}";
        const Compiled c = compile(m_dir->path(), project(""), rtf);
        QVERIFY2(c.result.written, qPrintable(lines(c)));
        QVERIFY2(c.error.isEmpty(), qPrintable(c.error));
        QCOMPARE(c.file.bitmaps.size(), std::size_t(bitmaps));
        QCOMPARE(c.file.topics[0].pictures.size(), std::size_t(references));
        for (const auto& [command, number] : c.file.topics[0].pictures)
            QVERIFY(command == 0x86 && number == 0);
        if (warning.isEmpty())
            QVERIFY2(!lines(c).contains(u"picture"), qPrintable(lines(c)));
        else
            QVERIFY2(lines(c).contains(warning), qPrintable(lines(c)));
        // The text around the picture stays as it was.
        const QByteArray& t = c.file.topics[0].text;
        QVERIFY2(t.contains("See  ") && t.contains("  here"), t.constData());
        if (!first.isNull())
            QCOMPARE(hc::ReadPicture(c.file.bitmaps.at(0)), first);
    }

    // Where pictures are found, each stored once, at its place in the line
    // or at a margin; a picture that is missing or unreadable is named with
    // its topic and left out.
    void placesAndProblems() {
        const QString dir = m_dir->path();
        const QByteArray small = bmp(24, 2, 2, {}, [](int, int) { return qRgb(1, 2, 3); });
        testenv::writeAll(dir + u"/art2/Logo.BMP", small);  // second BMROOT folder, other case
        testenv::writeAll(dir + u"/src/beside.bmp", small); // beside the topic file
        testenv::writeAll(dir + u"/src/broken.bmp", "BM not a picture");
        QDir().mkpath(dir + u"/art1");
        const QByteArray rtf =
            kRtfHeader +
            topic("IDH_A", "A",
                  "\\{bml logo.bmp\\} text \\{bmr beside.bmp\\}\\par {\\uldb \\{bmc logo.bmp\\}}"
                  "{\\v IDH_A} \\{bmc missing.bmp\\} \\{bmc broken.bmp\\}"
                  "{\\*\\shppict{\\pict\\pngblip 89504e47}}{\\nonshppict{\\pict\\wmetafile8 "
                  "0100}}") +
            "}";
        testenv::writeAll(dir + u"/src/help.rtf", rtf);
        testenv::writeAll(dir + u"/help.hpj",
                          project("BMROOT=art1, art2\r\n", {}, "src\\help.rtf"));
        Compiled c;
        c.result = hc::Compile(dir + u"/help.hpj", c.diagnostics, 1000000000);
        QVERIFY2(c.result.written, qPrintable(lines(c)));
        c.file = hc::ReadHelpFile(testenv::readAll(c.result.helpFile));
        QCOMPARE(c.file.bitmaps.size(), std::size_t(2));
        QCOMPARE(c.file.topics[0].pictures,
                 (std::vector<std::pair<std::uint8_t, int>>{{0x87, 0}, {0x88, 1}, {0x86, 0}}));
        // The picture in the line is a button: a jump around it.
        QCOMPARE(c.file.topics[0].hotspots.size(), std::size_t(1));
        QCOMPARE(c.file.topics[0].hotspots[0].code, std::uint8_t(0xE3));
        const QString l = lines(c);
        QVERIFY2(l.contains(u"topic IDH_A: picture missing.bmp is not found; it is left out"),
                 qPrintable(l));
        QVERIFY2(l.contains(u"topic IDH_A: picture broken.bmp cannot be read"), qPrintable(l));
        QVERIFY(!l.contains(u"logo.bmp") && !l.contains(u"beside.bmp"));
        QCOMPARE(l.count(u"a picture stored in the text cannot be read; it is left out"), 1);
        QVERIFY(hc::DumpHelpFile(c.file).contains(u"picture |bm1: 2x2, 24 bits"));
    }
};

QTEST_GUILESS_MAIN(TestHcPictures)
#include "tst_hc_pictures.moc"
