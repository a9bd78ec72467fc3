// Rules of the contents tree editor: keys, levels, the sequence counter and
// the drag-scroll bands; the topic ID of a node key.
#include "contents/contentsfilewriter.h"
#include "contents/contentsrules.h"

#include <QSet>
#include <QtTest>

using namespace contents;

class TestContentsRules : public QObject {
    Q_OBJECT

private slots:
    void stripNodeIndex_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stripped");
        QTest::newRow("sequence number") << "IDH_A.7"
                                         << "IDH_A";
        QTest::newRow("topic id with a full stop") << "IDH_A.B.12"
                                                   << "IDH_A.B";
        QTest::newRow("no full stop") << "Main"
                                      << "Main";
        QTest::newRow("trailing full stop") << "IDH_A."
                                            << "IDH_A";
        QTest::newRow("leading full stop") << ".3"
                                           << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void stripNodeIndex() {
        QFETCH(QString, key);
        QFETCH(QString, stripped);
        QCOMPARE(StripNodeIndex(key), stripped);
        // the argument is shortened as well
        QCOMPARE(key, stripped);
    }

    // The contents file turns a node key back into a topic ID.
    void extractTopicID_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("topic");
        QTest::newRow("node key") << "IDH_INTRO.2"
                                  << "IDH_INTRO";
        QTest::newRow("topic ID with a full stop") << "IDH_FILE.OPEN.12"
                                                   << "IDH_FILE.OPEN";
        QTest::newRow("no sequence number") << "IDH_FILE.OPEN"
                                            << "IDH_FILE.OPEN";
        QTest::newRow("blanks around") << "  IDH_A .4"
                                       << "IDH_A";
        QTest::newRow("no full stop, blanks kept") << " IDH_A "
                                                   << " IDH_A ";
        QTest::newRow("leading full stop") << ".5"
                                           << "";
    }
    void extractTopicID() {
        QFETCH(QString, key);
        QFETCH(QString, topic);
        QCOMPARE(ExtractTopicID(key), topic);
    }

    void countNodeLevels() {
        QCOMPARE(CountNodeLevels(QString()), qint16(0));
        QCOMPARE(CountNodeLevels(QStringLiteral("Contents File")), qint16(0));
        QCOMPARE(CountNodeLevels(QStringLiteral("Contents File\\Intro")), qint16(1));
        QCOMPARE(CountNodeLevels(QStringLiteral("Contents File\\Start\\Intro")), qint16(2));
        // a backslash in a title counts like a level
        QCOMPARE(CountNodeLevels(QStringLiteral("Contents File\\A\\B")), qint16(2));
        QCOMPARE(CountNodeLevels(QStringLiteral("\\\\\\")), qint16(3));
        // never wraps into a negative level
        QCOMPARE(CountNodeLevels(QString(40000, QLatin1Char('\\'))), qint16(32767));
    }

    void newNodeKeyBase() {
        const QString id = QStringLiteral("IDH_A");
        const QString title = QStringLiteral("Getting started");
        QCOMPARE(NewNodeKeyBase(id, title, true), id);
        QCOMPARE(NewNodeKeyBase(id, title, false), id); // a heading with a typed ID keeps it
        QCOMPARE(NewNodeKeyBase(QString(), title, false), title);
        QCOMPARE(NewNodeKeyBase(QString(), title, true), QString()); // Topic: never the title
    }

    void sequenceStartsAtNodeCountAndCountsOn() {
        NodeKeySequence seq;
        QCOMPARE(seq.value(), 0);
        QCOMPARE(seq.NextKey(QStringLiteral("A"), 4, {}), QStringLiteral("A.5"));
        // the node count only matters while the counter is zero
        QCOMPARE(seq.NextKey(QStringLiteral("B"), 100, {}), QStringLiteral("B.6"));
        QCOMPARE(seq.value(), 6);
        NodeKeySequence empty;
        QCOMPARE(empty.NextKey(QStringLiteral("A"), 0, {}), QStringLiteral("A.1"));
    }

    void sequenceSkipsKeysInUse() {
        // keys kept from an earlier run: A.3 and A.4 exist, compared without case
        const QSet<QString> used{QStringLiteral("a.3"), QStringLiteral("a.4"),
                                 QStringLiteral("b.6")};
        auto inUse = [&](const QString& key) { return used.contains(key.toLower()); };
        NodeKeySequence seq;
        QCOMPARE(seq.NextKey(QStringLiteral("A"), 2, inUse), QStringLiteral("A.5"));
        QCOMPARE(seq.value(), 5);
        // the skipped number is not used again, and the counter never goes back
        QCOMPARE(seq.NextKey(QStringLiteral("B"), 2, inUse), QStringLiteral("B.7"));
        QCOMPARE(seq.NextKey(QStringLiteral("A"), 2, inUse), QStringLiteral("A.8"));
    }

    void sequenceKeysStayUniqueOverManyAdds() {
        QSet<QString> tree{QStringLiteral("Main"), QStringLiteral("X.2"), QStringLiteral("X.3")};
        NodeKeySequence seq;
        for (int i = 0; i < 50; ++i) {
            const QString key = seq.NextKey(QStringLiteral("X"), int(tree.size()),
                                            [&](const QString& k) { return tree.contains(k); });
            QVERIFY2(!tree.contains(key), qPrintable(key));
            tree.insert(key);
        }
        QCOMPARE(tree.size(), 53);
    }

    void twipsPerPixel() {
        QCOMPARE(TwipsPerPixel(96), 15.0);
        QCOMPARE(TwipsPerPixel(144), 10.0);
        QCOMPARE(TwipsPerPixel(0), 15.0);
    }

    void dragScrollBands_data() {
        QTest::addColumn<double>("y");
        QTest::addColumn<int>("direction");
        // tree 3000 twips high: up band (0, 100), down band (2800, 3000)
        QTest::newRow("top edge") << 0.0 << 0;
        QTest::newRow("just below top") << 1.0 << -1;
        QTest::newRow("inside up band") << 99.0 << -1;
        QTest::newRow("end of up band") << 100.0 << 0;
        QTest::newRow("middle") << 1500.0 << 0;
        QTest::newRow("start of down band") << 2800.0 << 0;
        QTest::newRow("inside down band") << 2801.0 << 1;
        QTest::newRow("bottom edge") << 3000.0 << 0;
        QTest::newRow("above the tree") << -50.0 << 0;
        QTest::newRow("below the tree") << 3100.0 << 0;
    }
    void dragScrollBands() {
        QFETCH(double, y);
        QFETCH(int, direction);
        QCOMPARE(DragScrollDirection(y, 3000), direction);
    }

    void dragScrollBandsOfALowTree() {
        // a tree lower than both bands: the up band wins where they overlap
        QCOMPARE(DragScrollDirection(50, 150), -1);
        QCOMPARE(DragScrollDirection(120, 150), 1);
    }
};

QTEST_GUILESS_MAIN(TestContentsRules)
#include "tst_contentsrules.moc"
