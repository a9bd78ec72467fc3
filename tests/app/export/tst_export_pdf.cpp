// The printed manual read back with pdftotext: every title, in contents
// order, after a table of contents whose page numbers hold what they name;
// and qmt --export-pdf / --export-web as programs.
#include "bookfixture.h"

#include "export/printbook.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

QString program() {
    return qEnvironmentVariable("QUILLMATE_BUILD_DIR") + QStringLiteral("/bin/qmt");
}

// The text of a PDF's pages (all, or `first` to `last`), in reading order.
QString pdfText(const QString& pdf, int first = 0, int last = 0) {
    QStringList args{QStringLiteral("-layout")};
    if (first > 0)
        args << QStringLiteral("-f") << QString::number(first) << QStringLiteral("-l")
             << QString::number(last);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), args << pdf << QStringLiteral("-"));
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QStringLiteral("pdftotext failed: ") +
               QString::fromLocal8Bit(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestExportPdf : public QObject {
    Q_OBJECT

    testenv::RegistryFolder m_registry;
    QTemporaryDir m_dir;
    QString m_project;

private slots:
    void initTestCase() {
        m_project = m_dir.filePath(QStringLiteral("demo.QMT"));
        auto db = testenv::freshProject(m_project);
        bookfixture::fill(*db);
        QImage logo(40, 20, QImage::Format_RGB32);
        logo.fill(Qt::darkBlue);
        QVERIFY(logo.save(m_dir.filePath(QStringLiteral("logo.bmp")), "BMP"));
    }

    void titlesInContentsOrderWithPageNumbers() {
        const QString pdf = m_dir.filePath(QStringLiteral("manual.pdf"));
        {
            auto db = dao::Database::OpenDatabase(m_project);
            printbook::ExportPdf(*db, m_project, pdf);
        }
        QVERIFY(testenv::readAll(pdf).startsWith("%PDF-"));
        const QString text = pdfText(pdf);
        // Title page, contents, then one page per topic.
        const QStringList titles =
            bookfixture::kOrder +
            QStringList{QStringLiteral("Closes the window and keeps the changes.")};
        QVERIFY(pdfText(pdf, 1, 1).contains(u"Demo Help"));
        const QString body = pdfText(pdf, 3, 99);
        qsizetype at = -1;
        for (const QString& title : titles) {
            const QString heading =
                title == QLatin1String("Welcome to Demo") ? QStringLiteral("Welcome") : title;
            const qsizetype found = body.indexOf(heading, at + 1);
            QVERIFY2(found > at, qPrintable(title));
            at = found;
        }
        // The contents give each topic's page: that page begins with its heading.
        static const QRegularExpression entry(
            QStringLiteral("^[ \\t]*(\\S.*?)[ \\t]{2,}(\\d+)[ \\t]*$"),
            QRegularExpression::MultilineOption);
        int checked = 0;
        const QString contents = pdfText(pdf, 2, 2);
        for (const auto& m : entry.globalMatch(contents)) {
            const QString title = m.captured(1);
            const int page = m.captured(2).toInt();
            const QString heading =
                title == QLatin1String("Welcome to Demo") ? QStringLiteral("Welcome") : title;
            const QString pageText = pdfText(pdf, page, page);
            QVERIFY2(pageText.trimmed().startsWith(heading), qPrintable(title + u": " + pageText));
            // The page number stands below the text.
            QVERIFY2(pageText.trimmed().endsWith(QString::number(page)), qPrintable(pageText));
            ++checked;
        }
        QCOMPARE(checked, titles.size());
        // The picture is in the file (pdfimages lists it under two heading lines).
        QProcess images;
        images.start(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf});
        QVERIFY(images.waitForFinished(60000));
        const QList<QByteArray> lines = images.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines.at(2).contains(" 40    20 "), lines.at(2).constData());
        // The table and the jump's words are printed; hidden text is not.
        QVERIFY(text.contains(u"A4"));
        QVERIFY(text.contains(u"the welcome"));
        QVERIFY(!text.contains(u"IDH_WELCOME"));
    }

    void exportsFromTheCommandLine_data() {
        const auto list = [](auto... w) { return QStringList{QString::fromLatin1(w)...}; };
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("written");
        QTest::newRow("pdf") << list("--export-pdf", "demo.QMT", "out/m.pdf") << 0
                             << QStringLiteral("out/m.pdf");
        QTest::newRow("web") << list("--export-web", "demo.QMT", "site") << 0
                             << QStringLiteral("site/index.html");
        QTest::newRow("missing project")
            << list("--export-web", "none.QMT", "x") << 1 << QStringLiteral("");
        QTest::newRow("no target") << list("--export-pdf", "demo.QMT") << 2 << QStringLiteral("");
        QTest::newRow("unwritable")
            << list("--export-pdf", "demo.QMT", "demo.QMT/m.pdf") << 1 << QStringLiteral("");
    }

    void exportsFromTheCommandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, written);
        QDir(m_dir.path()).mkpath(QStringLiteral("out"));
        QProcess p;
        p.setWorkingDirectory(m_dir.path());
        p.start(program(), args);
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), status);
        if (status != 0) {
            QVERIFY(!p.readAllStandardError().isEmpty());
            return;
        }
        QVERIFY(QFileInfo(m_dir.filePath(written)).size() > 0);
        QCOMPARE(QDir(QFileInfo(m_dir.filePath(written)).path())
                     .entryList({QStringLiteral(".*qmt*")}, QDir::Files | QDir::Hidden),
                 QStringList()); // no work file left behind
    }
};

QTEST_MAIN(TestExportPdf)
#include "tst_export_pdf.moc"
