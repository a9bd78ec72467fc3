// The parts of the help file format: the context-string hash, LZ77, the B+
// trees, and the reader on a help file compiled by Microsoft's tools.
#include "btree.h"
#include "bytes.h"
#include "common/testenv.h"
#include "contexthash.h"
#include "filesystem.h"
#include "hcfixture.h"
#include "hlpreader.h"
#include "lz77.h"

#include <QRandomGenerator>
#include <QtTest>

class TestHcFormat : public QObject {
    Q_OBJECT

private slots:
    void contextHash_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<uint>("hash");
        // Values from the documented character table, worked out apart from this code.
        QTest::newRow("IDH_SETUP") << QByteArray("IDH_SETUP") << 0xD49AC529u;
        QTest::newRow("letters in any case") << QByteArray("idh_setup") << 0xD49AC529u;
        QTest::newRow("empty") << QByteArray() << 1u;
        QTest::newRow("one letter") << QByteArray("a") << 0x11u;
        QTest::newRow("digit 9") << QByteArray("Z9") << 0x717u;
        QTest::newRow("point, underscore, 0") << QByteArray("x.y_0") << 0x083664E6u;
        QTest::newRow("blank") << QByteArray("two words") << 0xB1803C55u;
        QTest::newRow("accented") << QByteArray("caf\xe9") << 0x00178B1Du;
        QTest::newRow("hyphen, !") << QByteArray("a-b!") << 0x00148D29u;
        QTest::newRow("brackets, caret") << QByteArray("[brackets]^") << 0x6E90134Bu;
    }
    void contextHash() {
        QFETCH(QByteArray, text);
        QFETCH(uint, hash);
        QCOMPARE(hc::ContextHash(text), hash);
        const bool portable = !text.isEmpty() && !text.contains(' ') && !text.contains('-') &&
                              !text.contains('[') && !text.contains('\xe9');
        QCOMPARE(hc::IsPortableContextString(text), portable);
    }

    void lz77RoundTrips() {
        QByteArray random(20000, '\0');
        QRandomGenerator rng(7);
        for (char& c : random)
            c = char(rng.bounded(256));
        const QByteArray samples[] = {
            QByteArray(),
            QByteArray("a"),
            QByteArray("abcabcabcabcabcabcabc"),
            QByteArray(5000, 'x'),
            QByteArray("The help compiler packs topic text. ").repeated(300),
            random};
        for (const QByteArray& s : samples) {
            const QByteArray packed = hc::Lz77Compress(s);
            QCOMPARE(hc::Lz77Decompress(packed), s);
            if (s.size() > 1000 && s != random)
                QVERIFY(packed.size() < s.size() / 3);
            // A bounded block: the prefix it takes unpacks to itself and fits.
            for (qsizetype limit : {1, 2, 9, 100, 4084}) {
                qsizetype consumed = -1;
                const QByteArray part = hc::Lz77Compress(s, limit, &consumed);
                QVERIFY(part.size() <= limit);
                QCOMPARE(hc::Lz77Decompress(part), s.left(consumed));
                QVERIFY(consumed == s.size() || part.size() >= limit - 2);
            }
        }
        // A pair that reaches before the start is refused; the output limit holds.
        QVERIFY_THROWS_EXCEPTION(hc::FormatError,
                                 hc::Lz77Decompress(QByteArray("\x01\x05\x00", 3)));
        QCOMPARE(hc::Lz77Decompress(hc::Lz77Compress(QByteArray(100, 'y')), 10),
                 QByteArray(10, 'y'));
    }

    // A block packed a piece at a time: open fields filled in afterwards in
    // the packed bytes, pieces taken back, a full block left as it was.
    void lz77BlockPackerFillsFieldsAndUndoes_data() {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QList<QList<int>>>("fields");
        QTest::addColumn<int>("undoAfter"); // the piece taken back, then appended again; -1: none
        const QByteArray text = "Records that repeat. Records that repeat. ";
        QTest::newRow("fields in repeated pieces")
            << QList<QByteArray>{text, text, text} << QList<QList<int>>{{0, 12}, {12}, {0, 4, 38}}
            << -1;
        QTest::newRow("field at a piece's end, then a copy of it")
            << QList<QByteArray>{text + "abcd", text + "abcd"} << QList<QList<int>>{{42}, {}} << -1;
        QTest::newRow("short pieces") << QList<QByteArray>{"abcd", "abcdabcd", "abcd", "ab"}
                                      << QList<QList<int>>{{0}, {4}, {}, {}} << -1;
        QTest::newRow("undo") << QList<QByteArray>{text, text + "xyzw", text}
                              << QList<QList<int>>{{8}, {42}, {0}} << 1;
        QTest::newRow("undo the first")
            << QList<QByteArray>{text, text} << QList<QList<int>>{{0}, {16}} << 0;
    }
    void lz77BlockPackerFillsFieldsAndUndoes() {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QList<QList<int>>, fields);
        QFETCH(int, undoAfter);
        hc::Lz77BlockPacker packer(0x4000, 4084);
        packer.clear();
        hc::Lz77BlockPacker straight(0x4000, 4084); // the same pieces, none taken back
        straight.clear();
        QByteArray expected;
        std::vector<std::uint32_t> values;
        for (qsizetype i = 0; i < pieces.size(); ++i) {
            const std::vector<int> at(fields[i].begin(), fields[i].end());
            QVERIFY(straight.append(pieces[i], at));
            QVERIFY(packer.append(pieces[i], at));
            if (i == undoAfter) {
                packer.undo();
                QCOMPARE(packer.inputSize(), expected.size());
                QVERIFY(packer.append(pieces[i], at));
            }
            QByteArray piece = pieces[i];
            for (int f : at) {
                const std::uint32_t value = 0xA1B2C3D4u + std::uint32_t(values.size());
                values.push_back(value);
                for (int k = 0; k < 4; ++k)
                    piece[f + k] = char(value >> (8 * k));
            }
            expected += piece;
        }
        // A piece taken back leaves no trace in how the rest is packed.
        QCOMPARE(packer.packed(), straight.packed());
        const std::vector<int>& open = packer.openBytes();
        QCOMPARE(open.size(), 4 * values.size());
        for (std::size_t f = 0; f < values.size(); ++f)
            for (std::size_t k = 0; k < 4; ++k)
                packer.setPacked(open[4 * f + k], char(values[f] >> (8 * k)));
        QCOMPARE(hc::Lz77Decompress(packer.packed()), expected);
        QVERIFY(expected.size() < 100 || packer.packed().size() < expected.size() * 3 / 4);

        // A piece that does not fit leaves the block as it was.
        const QByteArray before = packer.packed().toByteArray();
        QRandomGenerator rng(3);
        QByteArray noise(0x3000, '\0');
        for (char& c : noise)
            c = char(rng.bounded(256));
        QVERIFY(!packer.append(noise, {}));
        QCOMPARE(packer.packed(), before);
        QCOMPARE(packer.inputSize(), expected.size());
    }

    void treesSortedLinkedAndSearchable() {
        // Long keys on small pages: several index levels.
        hc::BTreeEntries entries;
        for (int i = 0; i < 900; ++i) {
            const QByteArray key = QByteArray::number(100000 + i) + QByteArray(40, 'k');
            entries.leaf().stringz(key);
            entries.leaf().u16(7);
            entries.add(int(key.size()) + 1);
        }
        hc::BTreeShape built;
        const QByteArray tree = hc::BuildBTree("z2", 256, false, entries, &built);
        hc::BTreeReader reader(tree, "test tree");
        QVERIFY(reader.header().levels >= 3);
        const auto read = reader.entries();
        QCOMPARE(read.size(), entries.size());
        for (std::size_t i = 0; i < read.size(); ++i)
            QCOMPARE(read[i].toByteArray(), entries.leaf(i).toByteArray());
        const hc::BTreeShape shape = reader.shape();
        QCOMPARE(shape.leafPages, built.leafPages);
        QCOMPARE(shape.firstEntryOfLeaf, built.firstEntryOfLeaf);
        for (std::size_t i = 0; i < entries.size(); i += 37) {
            const QByteArray want = entries.key(i).chopped(1).toByteArray();
            const auto found = reader.find([&](QByteArrayView k) { return k.compare(want); });
            QVERIFY(found.has_value());
            QCOMPARE(reader.keyOf(*found).toByteArray(), want);
        }
        QVERIFY(!reader.find([](QByteArrayView k) { return k.compare(QByteArrayView("2")); }));
        // An empty tree is one empty leaf.
        const QByteArray emptyTree =
            hc::BuildBTree("L4", 2048, false, {}); // the reader keeps a view
        hc::BTreeReader empty(emptyTree, "empty");
        QCOMPARE(empty.header().levels, 1);
        QVERIFY(empty.entries().empty());
        // A broken back link is found.
        QByteArray broken = tree;
        broken[38 + 4] = char(5);
        QVERIFY_THROWS_EXCEPTION(hc::FormatError, hc::BTreeReader(broken, "broken").entries());
    }

    void readsAMicrosoftCompiledFile() {
        const QByteArray bytes = testenv::readAll(QStringLiteral(QM_HC_DATA "/winfile.hlp"));
        QVERIFY(!bytes.isEmpty());
        const hc::HelpFileRead h = hc::ReadHelpFile(bytes);
        QCOMPARE(h.title, QByteArray("File Manager Help"));
        QCOMPARE(h.minor, 21);
        QVERIFY(h.lz77);
        QCOMPARE(h.phraseKind, QByteArray("phrases"));
        QCOMPARE(h.phraseCount, 661);
        QCOMPARE(h.topics.size(), std::size_t(169));
        QCOMPARE(h.contexts.size(), std::size_t(167));
        QCOMPARE(h.map.size(), std::size_t(78));
        QCOMPARE(h.keywords.size(), std::size_t(113));
        QCOMPARE(h.titles.size(), std::size_t(170)); // one for the closing header too
        QCOMPARE(h.topics[0].title, QByteArray("Contents for File Manager Help"));
        QVERIFY(
            h.topics[0].text.contains("Windows NT File Manager is a tool you can use to organize"));
        QCOMPARE(h.topics[0].hotspots.front().text, QByteArray("What Is File Manager?"));
        // Every context string leads to the start of a topic, found through the tree too;
        // every jump of the contents topic leads to a topic.
        int starts = 0;
        for (const auto& [hash, offset] : h.contexts) {
            const hc::TopicRead* t = h.topicAt(offset);
            QVERIFY(t);
            starts += t->offset == offset ? 1 : 0;
            std::uint32_t found = 0;
            QVERIFY(h.findContext(std::uint32_t(hash), found));
            QCOMPARE(found, offset);
        }
        QVERIFY(starts >= 160);
        for (const hc::HotspotRead& s : h.topics[0].hotspots) {
            std::uint32_t offset = 0;
            QVERIFY(h.findContext(s.hash, offset));
            QCOMPARE(h.topicAt(offset)->offset, offset);
        }
        std::uint32_t first = 0;
        QVERIFY(h.findContext(h.topics[0].hotspots.front().hash, first));
        QCOMPARE(h.topicAt(first)->title, QByteArray("What Is File Manager?"));
        const QString dump = hc::DumpHelpFile(h);
        QVERIFY(dump.contains(QStringLiteral("topic 1 at 0x00000335: Changing Display Options")));
        QVERIFY(dump.contains(QStringLiteral("keyword: display, changing options")));
    }

    // Read topic by topic (as --dump does, a few blocks at a time) the file
    // gives the same topics and the same listing as read whole, packed or not.
    void topicByTopicReadingMatchesWholeReading_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("another compiler's file, with phrases")
            << testenv::readAll(QStringLiteral(QM_HC_DATA "/winfile.hlp"));
        for (const bool compress : {false, true}) {
            QTemporaryDir dir;
            QByteArray rtf = hcfixture::kRtfHeader;
            for (int i = 0; i < 60; ++i)
                rtf += hcfixture::topic(
                    "IDH_" + QByteArray::number(i), "T" + QByteArray::number(i),
                    QByteArray("A paragraph that runs on and on.\\par ").repeated(40 + i * 7),
                    "key" + QByteArray::number(i % 5));
            const hcfixture::Compiled c = hcfixture::compile(
                dir.path(), hcfixture::project(compress ? "COMPRESS=1\r\n" : "", "IDH_3=3\r\n"),
                rtf + "}}");
            QVERIFY(c.result.written);
            QTest::newRow(compress ? "packed blocks" : "plain blocks")
                << testenv::readAll(c.result.helpFile);
        }
    }
    void topicByTopicReadingMatchesWholeReading() {
        QFETCH(QByteArray, bytes);
        const hc::HelpFileRead whole = hc::ReadHelpFile(bytes);
        QString listing;
        hc::HelpFileDump dump([&](const QString& piece) { listing += piece; });
        std::vector<std::uint32_t> offsets, ends;
        std::vector<QByteArray> texts;
        const hc::HelpFileRead tables = hc::ReadHelpFile(
            bytes, [&](const hc::HelpFileRead& h, hc::TopicRead&& topic, std::uint32_t next) {
                dump.topic(h, topic, next);
                offsets.push_back(topic.offset);
                ends.push_back(next);
                texts.push_back(topic.text);
            });
        dump.finish(tables);
        QVERIFY(tables.topics.empty());
        QVERIFY(whole.topics.size() > 1);
        QCOMPARE(offsets.size(), whole.topics.size());
        for (std::size_t i = 0; i < offsets.size(); ++i) {
            QCOMPARE(offsets[i], whole.topics[i].offset);
            QCOMPARE(texts[i], whole.topics[i].text);
            if (i + 1 < offsets.size())
                QCOMPARE(ends[i], whole.topics[i + 1].offset);
        }
        QCOMPARE(listing, hc::DumpHelpFile(whole));
        QVERIFY(listing.endsWith(QStringLiteral("\ntopics: %1\n").arg(whole.topics.size())));
    }

    void damagedFilesAreRefusedNotCrashedOn() {
        const QByteArray good = testenv::readAll(QStringLiteral(QM_HC_DATA "/winfile.hlp"));
        QRandomGenerator rng(11);
        int refused = 0;
        for (int round = 0; round < 300; ++round) {
            QByteArray bad = good;
            const int changes = 1 + int(rng.bounded(8));
            for (int i = 0; i < changes; ++i)
                bad[qsizetype(rng.bounded(quint32(bad.size())))] = char(rng.bounded(256));
            if (round % 10 == 0)
                bad.truncate(qsizetype(rng.bounded(quint32(bad.size()))));
            bool whole = true, streamed = true;
            std::size_t topics = 0, topicsStreamed = 0;
            try {
                topics = hc::ReadHelpFile(bad).topics.size();
            } catch (const hc::FormatError&) {
                whole = false;
                ++refused;
            }
            // Topic by topic, the same file is refused or read the same way.
            try {
                hc::ReadHelpFile(bad, [&](const hc::HelpFileRead&, hc::TopicRead&&, std::uint32_t) {
                    ++topicsStreamed;
                });
            } catch (const hc::FormatError&) {
                streamed = false;
            }
            QCOMPARE(streamed, whole);
            if (whole)
                QCOMPARE(topicsStreamed, topics);
        }
        QVERIFY(refused > 0);
        QVERIFY_THROWS_EXCEPTION(hc::FormatError,
                                 hc::ReadHelpFile(QByteArray("{\\rtf1 not a help file}")));

        // An internal file whose used size, plus its header, passes 4 GB.
        hc::FileSystemWriter fs;
        fs.add("|SYSTEM", QByteArray(40, 'x'));
        QByteArray huge = fs.build();
        huge.replace(16 + 4, 4, "\xF8\xFF\xFF\xFF", 4); // the first file's used size
        QVERIFY_THROWS_EXCEPTION(hc::FormatError, hc::FileSystemReader{huge});
    }
};

QTEST_GUILESS_MAIN(TestHcFormat)
#include "tst_hc_format.moc"
