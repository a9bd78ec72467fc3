// Web help: the files of the folder (contents, index, search index, data of
// the URL forms, topic pages and their links) and writing them safely.
#include "bookfixture.h"

#include "export/webhelp.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QtTest>

namespace {

// The JSON object a "var name = {...};" script assigns.
QJsonObject scriptObject(const QByteArray& script, const QByteArray& name) {
    const QByteArray start = "var " + name + " = ";
    if (!script.startsWith(start) || !script.endsWith(";\n"))
        return {};
    return QJsonDocument::fromJson(script.mid(start.size(), script.size() - start.size() - 2))
        .object();
}

// The link texts of a page, in order, with their targets: "text>target".
QStringList links(const QByteArray& page) {
    static const QRegularExpression link(QStringLiteral("<a href=\"([^\"]*)\">([^<]*)</a>"));
    QStringList out;
    for (const auto& m : link.globalMatch(QString::fromUtf8(page)))
        out << m.captured(2) + u'>' + m.captured(1);
    return out;
}

} // namespace

class TestExportWeb : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;
    QString m_project;
    QString m_site;

    QByteArray file(const QString& name) const { return testenv::readAll(m_site + u'/' + name); }

private slots:
    void initTestCase() {
        m_project = m_dir.filePath(QStringLiteral("demo.QMT"));
        auto db = testenv::freshProject(m_project);
        bookfixture::fill(*db);
        QVERIFY(testenv::writeAll(m_dir.filePath(QStringLiteral("logo.bmp")), "BMpicture"));
        m_site = m_dir.filePath(QStringLiteral("web"));
        const webhelp::Result result = webhelp::ExportWebHelp(*db, m_project, m_site);
        QCOMPARE(result.files, 13); // 6 pages, 6 site files, 1 picture
        QVERIFY2(result.warnings.isEmpty(), qPrintable(result.warnings.join(u'\n')));
    }

    void contentsAndOtherTopicsAsLinks() {
        const QByteArray index = file(QStringLiteral("index.html"));
        QVERIFY(index.contains("<title>Demo Help</title>"));
        QVERIFY(index.contains("<span class=\"qm-heading\">Getting started</span>\n<ul>\n"));
        QCOMPARE(links(index),
                 QStringList({QStringLiteral("Contents>index.html"),
                              QStringLiteral("Index>keywords.html"),
                              QStringLiteral("index>keywords.html"), // without JavaScript
                              QStringLiteral("Welcome to Demo>IDH_WELCOME.htm"),
                              QStringLiteral("Installing Demo>IDH_SETUP.htm"),
                              QStringLiteral("Printing reports>IDH_PRINT.htm"),
                              QStringLiteral("Glossary term>IDH_TERM.htm"),
                              QStringLiteral("Hidden extras>IDH_EXTRAS.htm"),
                              QStringLiteral("Closes the window and keeps the changes.>WT_OK.htm"),
                              QStringLiteral("Index of keywords>keywords.html")}));
        // Nested lists close as they opened.
        QCOMPARE(index.count("<ul"), index.count("</ul>"));
        QCOMPARE(index.count("<li>"), index.count("</li>"));
    }

    void keywordIndex() {
        const QByteArray keywords = file(QStringLiteral("keywords.html"));
        // Sorted; a keyword of two topics lists both under it.
        QCOMPARE(links(keywords).mid(2),
                 QStringList({QStringLiteral("Welcome to Demo>IDH_WELCOME.htm"),
                              QStringLiteral("Hidden extras>IDH_EXTRAS.htm"),
                              QStringLiteral("installing>IDH_SETUP.htm"),
                              QStringLiteral("printing>IDH_PRINT.htm"),
                              QStringLiteral("reports>IDH_PRINT.htm"),
                              QStringLiteral("welcome>IDH_WELCOME.htm")}));
        QVERIFY(keywords.contains("<li>demo\n<ul>\n"));
    }

    void mapNumbersAndTopicIds() {
        const QJsonObject data = scriptObject(file(QStringLiteral("data.js")), "qmData");
        QCOMPARE(data.value(QStringLiteral("title")).toString(), QStringLiteral("Demo Help"));
        const QJsonObject map = data.value(QStringLiteral("map")).toObject();
        QCOMPARE(map.size(), 4);
        QCOMPARE(map.value(QStringLiteral("1000")).toString(), QStringLiteral("IDH_WELCOME.htm"));
        QCOMPARE(map.value(QStringLiteral("1001")).toString(), QStringLiteral("IDH_SETUP.htm"));
        QCOMPARE(map.value(QStringLiteral("2000")).toString(), QStringLiteral("WT_OK.htm"));
        const QJsonObject ids = data.value(QStringLiteral("ids")).toObject();
        QCOMPARE(ids.size(), 6);
        QCOMPARE(ids.value(QStringLiteral("idh_setup")).toString(),
                 QStringLiteral("IDH_SETUP.htm"));
        QCOMPARE(ids.value(QStringLiteral("wt_ok")).toString(), QStringLiteral("WT_OK.htm"));
    }

    void searchIndex() {
        const QJsonObject search = scriptObject(file(QStringLiteral("search.js")), "qmSearchIndex");
        const QJsonArray pages = search.value(QStringLiteral("pages")).toArray();
        QCOMPARE(pages.size(), 6);
        QCOMPARE(pages.at(0).toArray().at(0).toString(), QStringLiteral("Welcome to Demo"));
        QCOMPARE(pages.at(0).toArray().at(1).toString(), QStringLiteral("IDH_WELCOME.htm"));
        const QJsonObject words = search.value(QStringLiteral("words")).toObject();
        const auto pagesOf = [&](const char* word) {
            QStringList out;
            for (const QJsonValue& p : words.value(QLatin1String(word)).toArray())
                out << pages.at(p.toInt()).toArray().at(1).toString();
            return out.join(u' ');
        };
        QCOMPARE(pagesOf("zebrafish"), QStringLiteral("IDH_WELCOME.htm"));
        QCOMPARE(pagesOf("demo"), // titles and texts alike
                 QStringLiteral("IDH_WELCOME.htm IDH_SETUP.htm"));
        QCOMPARE(pagesOf("a4"), QStringLiteral("IDH_PRINT.htm")); // table cells
        QCOMPARE(pagesOf("window"), QStringLiteral("WT_OK.htm"));
        QVERIFY(!words.contains(QStringLiteral("idh_setup"))); // hidden text is no word
        QVERIFY(!words.contains(QStringLiteral("uldb")));      // nor a code
    }

    void topicPages() {
        const QByteArray welcome = file(QStringLiteral("IDH_WELCOME.htm"));
        QVERIFY(welcome.contains("<title>Welcome to Demo - Demo Help</title>"));
        QVERIFY(welcome.contains("<h1>Welcome</h1>")); // the topic header
        QVERIFY(welcome.contains("<a href=\"IDH_SETUP.htm\">installing</a>"));
        QVERIFY(welcome.contains("onclick=\"return qmPopup(this, 'qmpopup1');\">term</a>"));
        QVERIFY(welcome.contains("<div class=\"popup\" id=\"qmpopup1\"><p>A word with a "
                                 "meaning.</p>"));
        QVERIFY(welcome.contains("function qmPopup"));
        QVERIFY(file(QStringLiteral("style.css")).contains("div.popup {"));
        QVERIFY(welcome.contains("<img src=\"pic_logo.bmp\" alt=\"logo.bmp\">"));
        QCOMPARE(file(QStringLiteral("pic_logo.bmp")), QByteArray("BMpicture"));
        const QByteArray print = file(QStringLiteral("IDH_PRINT.htm"));
        QVERIFY(print.contains("<table class=\"rtf\">"));
        QVERIFY(!print.contains("qmPopup")); // no pop-ups, no script
        QVERIFY(file(QStringLiteral("IDH_SETUP.htm"))
                    .contains("Run the installer &amp; follow &lt;the&gt; steps."));
        const QByteArray entry = file(QStringLiteral("WT_OK.htm"));
        QVERIFY(entry.contains("<p>Closes the window and keeps the changes.</p>"));
    }

    void browseSequenceLinks() {
        const auto browse = [this](const char* page) {
            static const QRegularExpression nav(
                QStringLiteral("<nav class=\"qm-browse\">(.*)</nav>"));
            return nav.match(QString::fromUtf8(file(QLatin1String(page)))).captured(1);
        };
        QCOMPARE(browse("IDH_WELCOME.htm"),
                 QStringLiteral("<a rel=\"next\" href=\"IDH_SETUP.htm\">Next &raquo;</a>"));
        QCOMPARE(browse("IDH_SETUP.htm"),
                 QStringLiteral("<a rel=\"prev\" href=\"IDH_WELCOME.htm\">&laquo; Previous</a>"
                                "<a rel=\"next\" href=\"IDH_PRINT.htm\">Next &raquo;</a>"));
        QCOMPARE(browse("IDH_PRINT.htm"),
                 QStringLiteral("<a rel=\"prev\" href=\"IDH_SETUP.htm\">&laquo; Previous</a>"));
        QCOMPARE(browse("IDH_TERM.htm"), QString()); // in no sequence
    }

    void unchangedFilesAreLeftAlone() {
        auto db = dao::Database::OpenDatabase(m_project);
        QCOMPARE(webhelp::ExportWebHelp(*db, m_project, m_site).files, 0);
        bookfixture::addTopic(*db, QStringLiteral("IDH_NEW"), QStringLiteral("New topic"),
                              QStringLiteral("Fresh."));
        // The new page, and the lists that name it.
        QCOMPARE(webhelp::ExportWebHelp(*db, m_project, m_site).files, 4);
        // 14 files and the list of what the export wrote.
        QCOMPARE(QDir(m_site).entryList(QDir::Files | QDir::Hidden).size(), 15);

        // A deleted topic's page goes with the next export; the author's own files stay.
        QVERIFY(testenv::writeAll(m_site + QStringLiteral("/notes.txt"), "mine"));
        db->OpenRecordset(QStringLiteral("select * from GeneralHelp where TopicID = 'IDH_NEW'"))
            ->Delete();
        const webhelp::Result again = webhelp::ExportWebHelp(*db, m_project, m_site);
        QCOMPARE(again.removed, 1);
        QVERIFY(!QFileInfo::exists(m_site + QStringLiteral("/IDH_NEW.htm")));
        QVERIFY(QFileInfo::exists(m_site + QStringLiteral("/notes.txt")));
        QVERIFY(QFileInfo::exists(m_site + QStringLiteral("/pic_logo.bmp")));
        QCOMPARE(webhelp::ExportWebHelp(*db, m_project, m_site).removed, 0);
    }

    void searchWords_data() {
        const auto words = [](auto... w) { return QStringList{QString::fromUtf8(w)...}; };
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("case and punctuation")
            << QStringLiteral("Print-Preview, print!") << words("print", "preview");
        QTest::newRow("one letter is no word") << QStringLiteral("a b cd") << words("cd");
        QTest::newRow("letters beyond ASCII")
            << QStringLiteral("Größe ÄNDERN") << words("größe", "ändern");
        QTest::newRow("digits") << QStringLiteral("Windows 95 x86")
                                << words("windows", "95", "x86");
        QTest::newRow("empty") << QStringLiteral("") << QStringList();
    }

    void searchWords() {
        QFETCH(QString, text);
        QFETCH(QStringList, words);
        QCOMPARE(webhelp::SearchWords(text), words);
    }
};

QTEST_GUILESS_MAIN(TestExportWeb)
#include "tst_export_web.moc"
