// The container and its LZX compression, read back by chmlib, libmspack and
// 7-Zip: every file with the same bytes, whatever its size and content, and
// every name found through the directory's index chunks.
#include "chm/container.h"
#include "chm/lzx.h"
#include "hhcfixture.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace hhcfixture;

namespace {

QByteArray text(qsizetype size) {
    QByteArray out;
    for (int i = 0; out.size() < size; ++i)
        out += "<p>Line " + QByteArray::number(i) + " of the page, with <b>some</b> text.</p>\r\n";
    out.truncate(size);
    return out;
}

QByteArray randomBytes(qsizetype size, quint32 seed) {
    QRandomGenerator g(seed);
    QByteArray out(size, Qt::Uninitialized);
    for (char& c : out)
        c = char(g.bounded(256));
    return out;
}

// Byte counts that grow like the Fibonacci numbers: a Huffman code without
// a length limit would need codes far longer than 16 bits.
QByteArray skewed() {
    QByteArray out;
    qint64 a = 1, b = 1;
    for (int symbol = 0; symbol < 26; ++symbol) {
        out += QByteArray(qsizetype(a), char('A' + symbol));
        const qint64 next = a + b;
        a = b;
        b = next;
    }
    // Shuffled a little, so that not everything is one long match.
    QRandomGenerator g(7);
    for (qsizetype i = out.size() - 1; i > 0; i -= 3)
        std::swap(out[i], out[qsizetype(g.bounded(quint32(i)))]);
    return out;
}

QString writeChm(const QTemporaryDir& dir, const chm::ContainerWriter& w) {
    const QString path = dir.filePath(QStringLiteral("t.chm"));
    testenv::writeAll(path, w.write(0x409));
    return path;
}

} // namespace

class TestHhcFormat : public QObject {
    Q_OBJECT

private slots:
    void lzxRoundTrip_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("one byte") << QByteArray("x");
        QTest::newRow("frame less one") << text(chm::kLzxFrameSize - 1);
        QTest::newRow("one frame") << text(chm::kLzxFrameSize);
        QTest::newRow("frame and one") << text(chm::kLzxFrameSize + 1);
        QTest::newRow("reset interval") << text(2 * chm::kLzxFrameSize);
        QTest::newRow("several intervals") << text(300001);
        QTest::newRow("random") << randomBytes(100000, 1);
        QTest::newRow("long runs") << QByteArray(200000, 'a') + QByteArray(70000, '\0');
        QTest::newRow("skewed") << skewed();
        QTest::newRow("call bytes")
            << QByteArray(5000, char(0xE8)) + text(40000) + QByteArray(3000, char(0xE8));
    }

    // The file between two others, so that its start and end fall anywhere
    // in the frames.
    void lzxRoundTrip() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        const QByteArray before = text(1234), after = "after";
        chm::ContainerWriter w;
        QVERIFY(w.add("/before.htm", before));
        QVERIFY(w.add("/data.bin", content));
        QVERIFY(w.add("/after.htm", after));
        const QString path = writeChm(dir, w);
        const std::map<QString, QByteArray> expected{{QStringLiteral("/before.htm"), before},
                                                     {QStringLiteral("/data.bin"), content},
                                                     {QStringLiteral("/after.htm"), after}};

        chm::ChmFile chmlib(path);
        QVERIFY(chmlib.isOpen());
        for (const auto& [name, bytes] : expected)
            QCOMPARE(chmlib.read(name), std::optional<QByteArray>(bytes));

        const auto mspack = readWithMspack(path);
        QVERIFY(mspack);
        for (const auto& [name, bytes] : expected)
            QCOMPARE(mspack->at(name), bytes);

        QVERIFY(!sevenZip().isEmpty());
        QTemporaryDir out;
        QVERIFY(
            run(sevenZip(), {QStringLiteral("x"), QStringLiteral("-y"), u"-o" + out.path(), path}));
        std::map<QString, QByteArray> extracted = tree(out.path());
        QCOMPARE(extracted.size(), expected.size());
        for (const auto& [name, bytes] : expected)
            QCOMPARE(extracted[name.mid(1)], bytes);
    }

    // Compression pays on pages, and the reset table has one entry per frame.
    void lzxFrames() {
        const QByteArray pages = text(5 * chm::kLzxFrameSize + 100);
        const chm::LzxOutput out = chm::LzxCompress(pages);
        QCOMPARE(out.frameOffsets.size(), std::size_t(6));
        QCOMPARE(out.frameOffsets.front(), std::uint64_t(0));
        for (std::size_t i = 1; i < out.frameOffsets.size(); ++i) {
            QVERIFY(out.frameOffsets[i] > out.frameOffsets[i - 1]);
            QCOMPARE(out.frameOffsets[i] % 2, std::uint64_t(0)); // frames start on 16 bits
        }
        QVERIFY2(out.data.size() < std::size_t(pages.size() / 10),
                 qPrintable(QString::number(out.data.size())));
    }

    // Enough names for index chunks above index chunks; chmlib finds each one
    // through them, and all three readers list every one.
    void directoryOfManyNames() {
        QTemporaryDir dir;
        chm::ContainerWriter w;
        std::map<QString, QByteArray> files;
        const QStringList folders{QStringLiteral("Pages"), QStringLiteral("pages_2"),
                                  QStringLiteral("_Under"), QStringLiteral("Z~zeta"),
                                  QStringLiteral("Gr\u00f6\u00dfe")};
        for (int i = 0; i < 8000; ++i) {
            const QString name = QStringLiteral("/%1/Topic_%2_%3_with_a_rather_long_name.htm")
                                     .arg(folders[i % folders.size()])
                                     .arg(i % 7 ? QStringLiteral("a") : QStringLiteral("B"))
                                     .arg(i);
            const QByteArray content = "page " + QByteArray::number(i);
            QVERIFY(w.add(name.toUtf8(), content));
            files[name] = content;
        }
        // One name in two letter cases is one file.
        QVERIFY(!w.add("/PAGES/topic_A_5_with_a_rather_long_name.htm", "again"));
        const QString path = writeChm(dir, w);
        QVERIFY2(w.sizes().directoryChunks > 100,
                 qPrintable(QString::number(w.sizes().directoryChunks)));

        chm::ChmFile chmlib(path);
        QVERIFY(chmlib.isOpen());
        for (const auto& [name, content] : files)
            QVERIFY2(chmlib.size(name) == content.size(), qPrintable(name));
        QCOMPARE(chmlib.size(QStringLiteral("/pages/TOPIC_A_5_WITH_A_RATHER_LONG_NAME.HTM")), 6);
        QCOMPARE(chmlib.size(QStringLiteral("/Pages/Topic_a_0_with_a_rather_long_name.htm")), -1);
        QStringList listed = chmlib.files();
        listed.removeIf([](const QString& n) { return n.endsWith(u'/'); });
        QCOMPARE(listed.size(), qsizetype(files.size()));

        QTemporaryDir out;
        QVERIFY(
            run(sevenZip(), {QStringLiteral("x"), QStringLiteral("-y"), u"-o" + out.path(), path}));
        std::map<QString, QByteArray> extracted = tree(out.path());
        QCOMPARE(extracted.size(), files.size());
        for (const auto& [name, content] : files)
            QCOMPARE(extracted[name.mid(1)], content);
    }

    // Files whose values would make chmlib divide by zero or loop for ever
    // are refused before chmlib opens them.
    void brokenFilesAreRefused_data() {
        QTest::addColumn<QByteArray>("find"); // where to patch: after this, or at 0 when empty
        QTest::addColumn<int>("at");          // from there
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("intact") << QByteArray() << 0 << QByteArray("ITSF");
        QTest::newRow("chunk size zero") << QByteArray("ITSP") << 0x10 << QByteArray(4, '\0');
        QTest::newRow("window size zero") << QByteArray("LZXC") << 0x0C << QByteArray(4, '\0');
        QTest::newRow("reset interval zero") << QByteArray("LZXC") << 0x08 << QByteArray(4, '\0');
        QTest::newRow("listing chunks in a loop")
            << QByteArray("PMGL") << 0x10 << QByteArray(4, '\0');
        QTest::newRow("frame size zero")
            << QByteArray("\x08\0\0\0\x28\0\0\0", 8) << 0x18 << QByteArray(8, '\0');
    }

    void brokenFilesAreRefused() {
        QFETCH(QByteArray, find);
        QFETCH(int, at);
        QFETCH(QByteArray, bytes);
        chm::ContainerWriter w;
        QVERIFY(w.add("/a.htm", text(5000)));
        QByteArray file = w.write(0x409);
        const qsizetype base = find.isEmpty() ? 0 : file.indexOf(find);
        QVERIFY(base >= 0);
        file.replace(base + at, bytes.size(), bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.chm"));
        QVERIFY(testenv::writeAll(path, file));
        chm::ChmFile chm(path);
        QCOMPARE(chm.isOpen(), find.isEmpty());
        if (chm.isOpen())
            QCOMPARE(chm.read(QStringLiteral("/a.htm")), std::optional<QByteArray>(text(5000)));
    }

    // The order the directory is sorted in: ASCII without regard to case.
    void nameOrder() {
        using W = chm::ContainerWriter;
        QVERIFY(W::nameLess("/_a", "/a"));
        QVERIFY(W::nameLess("/_a", "/B"));
        QVERIFY(W::nameLess("/A", "/b"));
        QVERIFY(W::nameLess("/a", "/a/"));
        QVERIFY(!W::nameLess("/B", "/a"));
        QVERIFY(!W::nameLess("/A", "/a") && !W::nameLess("/a", "/A"));
        QVERIFY(W::nameLess("/z", "/\xc3\xa9"));
    }
};

QTEST_GUILESS_MAIN(TestHhcFormat)
#include "tst_hhc_format.moc"
