// Help projects their authors wrote with word processors (data/<project>),
// compiled here and compared with the help file each author's compiler made
// from the same sources (author.hlp): the same context strings, keywords with
// their references, titles and pictures; map numbers only as far as their map
// files are there (a class library's map file, included by the author's
// absolute path, never is).
#include "hcfixture.h"

#include "picture.h"

#include <QDirIterator>
#include <QtTest>

#include <algorithm>

namespace {

struct Summary {
    std::vector<std::int32_t> contexts;
    std::vector<std::pair<QByteArray, std::size_t>> keywords; // text, references
    std::vector<QByteArray> titles;
    std::vector<QString> pictures; // width x height / bits of each |bm file
    std::size_t pictureReferences = 0;
    std::vector<std::int32_t> map;
};

Summary summary(const hc::HelpFileRead& h) {
    Summary s;
    for (const auto& [hash, offset] : h.contexts)
        s.contexts.push_back(hash);
    for (const hc::KeywordRead& k : h.keywords)
        s.keywords.push_back({k.text, k.offsets.size()});
    for (const hc::TopicRead& t : h.topics) {
        s.titles.push_back(t.title);
        s.pictureReferences += t.pictures.size();
    }
    for (const auto& [number, stored] : h.bitmaps) {
        try {
            const hc::PictureInfo p = hc::ReadPictureInfo(stored);
            s.pictures.push_back(
                QStringLiteral("%1x%2/%3").arg(p.width).arg(p.height).arg(p.bitCount));
        } catch (const hc::FormatError&) {
            s.pictures.push_back(QStringLiteral("metafile"));
        }
    }
    for (const auto& [number, offset] : h.map)
        s.map.push_back(number);
    for (auto* v : {&s.contexts, &s.map})
        std::sort(v->begin(), v->end());
    std::sort(s.titles.begin(), s.titles.end());
    std::sort(s.pictures.begin(), s.pictures.end());
    return s;
}

} // namespace

class TestHcRealProjects : public QObject {
    Q_OBJECT

private slots:
    void compiledLikeTheAuthors_data() {
        QTest::addColumn<QString>("project"); // under data/
        // The author's help file: topics, context strings, keywords, places of
        // keywords, pictures.
        QTest::addColumn<int>("topics");
        QTest::addColumn<int>("contexts");
        QTest::addColumn<int>("keywords");
        QTest::addColumn<int>("references");
        QTest::addColumn<int>("pictures");
        // Of those, metafiles: the second copy of a picture Word stores
        // twice in the text, where ours keep the first (PNG) copy as a bitmap.
        QTest::addColumn<int>("metafiles");
        // Ours: map numbers (those of the map files that are there), and the
        // empty untitled topics the author's compiler made at a file's end.
        QTest::addColumn<int>("map");
        QTest::addColumn<int>("emptyTopicsLess");

        // Word; a class library's map file by an absolute path.
        QTest::newRow("diskarcher")
            << "diskarcher/MArc2.hpj" << 57 << 65 << 13 << 36 << 19 << 0 << 44 << 0;
        // An office suite's RTF: {\*\footnote}, character styles as {\*\cs} groups.
        QTest::newRow("niftexture")
            << "niftexture/NifTexture.hpj" << 55 << 92 << 4 << 11 << 15 << 0 << 2 << 0;
        // Italian; one keyword in two spellings; an empty topic at a file's end.
        QTest::newRow("vidsend") << "vidsend/vidsend2.hpj" << 79 << 117 << 5 << 16 << 21 << 0 << 3
                                 << 1;
        // Six topic files; a map file in the folder above with numbers past
        // 0x7FFFFFFF; marks after blanks that are text; an alias written the other
        // way round; pictures stored in the text.
        QTest::newRow("demist") << "demist/hlp/demist.hpj" << 258 << 310 << 109 << 161 << 54 << 10
                                << 145 << 0;
    }

    void compiledLikeTheAuthors() {
        QFETCH(QString, project);
        QFETCH(int, topics);
        QFETCH(int, contexts);
        QFETCH(int, keywords);
        QFETCH(int, references);
        QFETCH(int, pictures);
        QFETCH(int, metafiles);
        QFETCH(int, map);
        QFETCH(int, emptyTopicsLess);

        QTemporaryDir dir;
        const QString root = QStringLiteral(QM_HC_DATA "/") + project.section(u'/', 0, 0);
        for (QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            it.next();
            const QString to = dir.filePath(QDir(root).relativeFilePath(it.filePath()));
            QVERIFY(QDir().mkpath(QFileInfo(to).path()));
            QVERIFY(QFile::copy(it.filePath(), to));
        }
        const QString hpj = dir.filePath(project.section(u'/', 1));
        hc::Diagnostics d;
        const hc::CompileResult r = hc::Compile(hpj, d, 1);
        const QString lines = d.lines().join(u'\n');
        QVERIFY2(r.written, qPrintable(lines));
        // The class library's map file by the author's absolute path is not here.
        QVERIFY(lines.contains(u"afxhelp.hm is not found", Qt::CaseInsensitive));
        QVERIFY2(!lines.contains(u"picture"), qPrintable(lines));

        const Summary ours = summary(hc::ReadHelpFile(testenv::readAll(r.helpFile)));
        const Summary theirs = summary(hc::ReadHelpFile(
            testenv::readAll(QFileInfo(hpj).dir().filePath(QStringLiteral("author.hlp")))));
        QCOMPARE(theirs.titles.size(), std::size_t(topics));
        QCOMPARE(theirs.contexts.size(), std::size_t(contexts));
        QCOMPARE(theirs.keywords.size(), std::size_t(keywords));
        std::size_t places = 0;
        for (const auto& [text, count] : theirs.keywords)
            places += count;
        QCOMPARE(places, std::size_t(references));
        QCOMPARE(theirs.pictures.size(), std::size_t(pictures));

        std::vector<QByteArray> expectedTitles = theirs.titles;
        const auto empty = std::find(expectedTitles.begin(), expectedTitles.end(), QByteArray());
        expectedTitles.erase(empty, empty + emptyTopicsLess);
        QCOMPARE(ours.titles, expectedTitles);
        QCOMPARE(ours.contexts, theirs.contexts);
        QCOMPARE(ours.keywords, theirs.keywords);
        std::vector<QString> bitmaps = theirs.pictures;
        std::erase(bitmaps, QStringLiteral("metafile"));
        QCOMPARE(theirs.pictures.size() - bitmaps.size(), std::size_t(metafiles));
        QCOMPARE(ours.pictures.size(), theirs.pictures.size());
        QVERIFY(std::includes(ours.pictures.begin(), ours.pictures.end(), bitmaps.begin(),
                              bitmaps.end()));
        QCOMPARE(ours.pictureReferences, theirs.pictureReferences);
        // Every number of the project's own map files, none of the missing one's.
        QCOMPARE(ours.map.size(), std::size_t(map));
        QVERIFY(
            std::includes(theirs.map.begin(), theirs.map.end(), ours.map.begin(), ours.map.end()));
    }
};

QTEST_GUILESS_MAIN(TestHcRealProjects)
#include "tst_hc_realprojects.moc"
