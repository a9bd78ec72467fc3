// A help project its author wrote with Word (data/diskarcher), compiled here
// and compared with the help file the author's compiler made from the same
// sources: the same context strings, keywords with their references, titles
// and pictures; map numbers only as far as their map files are there.
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
        const hc::PictureInfo p = hc::ReadPictureInfo(stored);
        s.pictures.push_back(QStringLiteral("%1x%2/%3").arg(p.width).arg(p.height).arg(p.bitCount));
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
    void diskArcher() {
        QTemporaryDir dir;
        for (QDirIterator it(QStringLiteral(QM_HC_DATA "/diskarcher"), QDir::Files);
             it.hasNext();) {
            it.next();
            QVERIFY(QFile::copy(it.filePath(), dir.filePath(it.fileName())));
        }
        hc::Diagnostics d;
        const hc::CompileResult r = hc::Compile(dir.filePath(QStringLiteral("MArc2.hpj")), d, 1);
        QVERIFY2(r.written, qPrintable(d.lines().join(u'\n')));
        const QString lines = d.lines().join(u'\n');
        // The class library's map file by the author's absolute path is not here.
        QVERIFY(lines.contains(u"afxhelp.hm is not found"));
        QVERIFY2(!lines.contains(u"picture"), qPrintable(lines));

        const Summary ours = summary(hc::ReadHelpFile(testenv::readAll(r.helpFile)));
        const Summary theirs =
            summary(hc::ReadHelpFile(testenv::readAll(dir.filePath(QStringLiteral("author.hlp")))));
        QCOMPARE(ours.titles.size(), std::size_t(57));
        QCOMPARE(ours.titles, theirs.titles);
        QCOMPARE(ours.contexts.size(), std::size_t(65));
        QCOMPARE(ours.contexts, theirs.contexts);
        QCOMPARE(ours.keywords, theirs.keywords);
        QCOMPARE(ours.pictures.size(), std::size_t(19));
        QCOMPARE(ours.pictures, theirs.pictures);
        QCOMPARE(ours.pictureReferences, theirs.pictureReferences);
        // Every number of the project's own map file, none of the missing one's.
        QCOMPARE(ours.map.size(), std::size_t(44));
        QVERIFY(
            std::includes(theirs.map.begin(), theirs.map.end(), ours.map.begin(), ours.map.end()));
    }
};

QTEST_GUILESS_MAIN(TestHcRealProjects)
#include "tst_hc_realprojects.moc"
