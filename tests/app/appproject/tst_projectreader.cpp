// The application-project reader and its line procedures, on real files.
#include "appproject/projectreader.h"
#include "appproject/qmtcodemod.h"
#include "appprojectfixture.h"

#include <QtTest>

using namespace QMTCOdeMod;
using appfixture::crlf;
using appfixture::formFile;

class TestProjectReader : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    void write(const QString& name, const QByteArray& bytes) {
        QVERIFY(testenv::writeAll(path(name), bytes));
    }

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void lineProcedures() {
        QCOMPARE(GetLineKey(QStringLiteral("Form=a.frm")), QStringLiteral("Form"));
        QCOMPARE(GetLineKey(QStringLiteral("Form =a.frm")), QStringLiteral("Form "));
        QCOMPARE(GetLineKey(QStringLiteral("Type=Exe")), QStringLiteral("Type"));
        // Only the first 254 characters are examined.
        QCOMPARE(GetLineKey(QString(260, u'x') + u'='), QString(254, u'x'));

        QCOMPARE(GetFolder(QStringLiteral("C:\\apps\\proj\\app.vbp")),
                 QStringLiteral("C:\\apps\\proj\\"));
        QCOMPARE(GetFolder(QStringLiteral("/home/u/proj/app.vbp")),
                 QStringLiteral("/home/u/proj/"));
        QCOMPARE(GetFolder(QStringLiteral("/home/u\\sub/app.vbp")),
                 QStringLiteral("/home/u\\sub/"));
        QCOMPARE(GetFolder(QStringLiteral("app.vbp")), QString());
        const QString longPath =
            QStringLiteral("/") + QString(300, u'd') + QStringLiteral("/a.vbp");
        QCOMPARE(GetFolder(longPath), longPath.left(302));

        QCOMPARE(GetFirstWord(QStringLiteral("cmdOK ")), QStringLiteral("cmdOK"));
        QCOMPARE(GetFirstWord(QStringLiteral("cmdOK")), QStringLiteral("cmdOK"));
        QCOMPARE(GetPropertyName(QStringLiteral("      Caption         =   \"a = b\"")),
                 QStringLiteral("Caption"));
        QCOMPARE(GetPropertyName(QStringLiteral("   End   ")), QStringLiteral("End"));
    }

    void objectNames_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::newRow("form") << "Begin VB.Form frmMain "
                              << "frmMain";
        QTest::newRow("indented") << "      Begin VB.TextBox Text1 "
                                  << "Text1";
        QTest::newRow("no trailing blank") << "   Begin MSComctlLib.ListView lvw"
                                           << "lvw";
        QTest::newRow("name line") << "Attribute VB_Name = \"frmMain\""
                                   << "BeginningOfCode";
        QTest::newRow("property value") << "   Caption = \"Begin the upload\""
                                        << "";
        QTest::newRow("begin in value") << "   Tag = \"x Begin VB.Label lbl \""
                                        << "";
        QTest::newRow("font block") << "   BeginProperty Font "
                                    << "";
        QTest::newRow("no name") << "   Begin VB.Label"
                                 << "";
        QTest::newRow("no type") << "   Begin lblName "
                                 << "";
        QTest::newRow("property") << "   Top = 120"
                                  << "";
        QTest::newRow("beyond examined part")
            << QString(250, u' ') + QStringLiteral("Begin VB.Label lbl") << "";
    }
    void objectNames() {
        QFETCH(QString, line);
        QFETCH(QString, name);
        QCOMPARE(GetObjectName(line), name);
    }

    void quotedText() {
        QCOMPARE(ExtractQuotedText(QStringLiteral("Attribute VB_Name = \" frmMain \"")),
                 QStringLiteral("frmMain"));
        const QString adjacent = QStringLiteral("Attribute VB_Name = \"\"");
        QCOMPARE(ExtractQuotedText(adjacent), adjacent);
        QCOMPARE(ExtractQuotedText(QStringLiteral("no quotes")), QStringLiteral("no quotes"));
        QCOMPARE(ExtractQuotedText(QStringLiteral("Attribute VB_Name = \"frmOpen ")),
                 QStringLiteral("frmOpen"));
    }

    void separateFormAndObject() {
        QString form = QStringLiteral("old");
        QString object = QStringLiteral("old");
        SeparateFormAndObject(QStringLiteral("frmMain.cmdOK"), form, object);
        QCOMPARE(form, QStringLiteral("frmMain"));
        QCOMPARE(object, QStringLiteral("cmdOK"));
        SeparateFormAndObject(QStringLiteral("frmMain"), form, object);
        QCOMPARE(form, QStringLiteral("frmMain"));
        QCOMPARE(object, QString());
        SeparateFormAndObject(QStringLiteral("frmMain.fra.cmd "), form, object);
        QCOMPARE(form, QStringLiteral("frmMain"));
        QCOMPARE(object, QStringLiteral("fra.cmd "));
        SeparateFormAndObject(QStringLiteral(".x"), form, object);
        QCOMPARE(form, QString());
        QCOMPARE(object, QStringLiteral("x"));
    }

    void lineSplitting() {
        QList<QByteArray> lines;
        QList<std::size_t> ends;
        const QByteArray bytes("a\r\nb\nc\rd\r\r\ne");
        ForEachLine(view(bytes), [&](std::string_view line, std::size_t end) {
            lines.append(QByteArray(line.data(), qsizetype(line.size())));
            ends.append(end);
        });
        QCOMPARE(lines, (QList<QByteArray>{"a", "b", "c", "d", "", "e"}));
        QCOMPARE(ends, (QList<std::size_t>{3, 5, 7, 9, 11, 12}));
        int count = 0;
        ForEachLine(std::string_view(), [&](std::string_view, std::size_t) { ++count; });
        QCOMPARE(count, 0);
    }

    void formLinesInOrder() {
        write(QStringLiteral("app.vbp"),
              crlf({"Type=Exe", "Form=frmMain.frm", "Module=Module1; Module1.bas",
                    "Form=Forms\\frmAbout.frm", "Startup=\"frmMain\""}));
        write(QStringLiteral("frmMain.frm"), formFile("frmMain"));
        write(QStringLiteral("Forms/frmAbout.frm"), formFile("frmAbout"));
        const auto forms = ReadProjectForms(path(QStringLiteral("app.vbp")));
        QCOMPARE(forms.size(), std::size_t(2));
        QCOMPARE(forms[0].formName, QStringLiteral("frmMain"));
        QCOMPARE(forms[0].fileName, QStringLiteral("frmMain.frm"));
        QCOMPARE(forms[1].formName, QStringLiteral("frmAbout"));
        QCOMPARE(forms[1].fileName, QStringLiteral("Forms\\frmAbout.frm"));
        QCOMPARE(
            GetFormFilePath(QStringLiteral("frmAbout"), forms, path(QStringLiteral("app.vbp"))),
            path(QStringLiteral("Forms/frmAbout.frm")));
        QCOMPARE(
            GetFormFilePath(QStringLiteral("frmabout"), forms, path(QStringLiteral("app.vbp"))),
            QString());

        // Reading again replaces the rows rather than adding to them.
        const auto again = ReadProjectForms(path(QStringLiteral("app.vbp")));
        QCOMPARE(again.size(), std::size_t(2));
    }

    void onlyExactFormKeys() {
        write(QStringLiteral("app.vbp"),
              QByteArray("form=lower.frm\r\nForm =blank.frm\r\nFORM=upper.frm\r\nForm\r\nForm=\r\n"
                         "Form=   spaced.frm   \r\nForms=plural.frm\n"));
        for (const char* name : {"lower", "blank", "upper", "spaced", "plural"})
            write(QString::fromLatin1(name) + QStringLiteral(".frm"), formFile(name));
        const auto forms = ReadProjectForms(path(QStringLiteral("app.vbp")));
        QCOMPARE(forms.size(), std::size_t(1));
        QCOMPARE(forms[0].formName, QStringLiteral("spaced"));
        QCOMPARE(forms[0].fileName, QStringLiteral("spaced.frm"));
    }

    void namesFromNameLine() {
        write(QStringLiteral("app.vbp"),
              QByteArray("Form=a.frm\r\nForm=b.frm\r\nForm=c.frm\r\nForm=d.frm"));
        write(QStringLiteral("a.frm"), QByteArray("Begin VB.Form x \r\nEnd\r\n"
                                                  "Attribute VB_Name = \"frmA\"\r\n"));
        write(QStringLiteral("b.frm"), QByteArray("Attribute VB_Name = \"\"\r\n"));
        // No name line: no row.
        write(QStringLiteral("c.frm"), QByteArray("Begin VB.Form c \r\nEnd\r\n"));
        // LF line ends and a last line without one.
        write(QStringLiteral("d.frm"),
              QByteArray("Begin VB.Form d \nEnd\nAttribute VB_Name = \"frmD\""));
        const auto forms = ReadProjectForms(path(QStringLiteral("app.vbp")));
        QCOMPARE(forms.size(), std::size_t(3));
        QCOMPARE(forms[0].formName, QStringLiteral("frmA"));
        QCOMPARE(forms[1].formName, QStringLiteral("Attribute VB_Name = \"\""));
        QCOMPARE(forms[2].formName, QStringLiteral("frmD"));
    }

    void formFilesFoundWithoutRegardToCase() {
        write(QStringLiteral("app.vbp"),
              crlf({"Form=forms\\sub\\frmAbout.frm", "Form=..\\up.frm"}));
        write(QStringLiteral("FORMS/Sub/FRMABOUT.FRM"), formFile("frmAbout"));
        write(QStringLiteral("proj/app.vbp"), crlf({"Form=..\\FORMS\\sub\\frmabout.frm"}));

        const auto forms = ReadProjectForms(path(QStringLiteral("app.vbp")));
        QCOMPARE(forms.size(), std::size_t(1));
        QCOMPARE(forms[0].fileName, QStringLiteral("forms\\sub\\frmAbout.frm"));
        QCOMPARE(
            GetFormFilePath(QStringLiteral("frmAbout"), forms, path(QStringLiteral("app.vbp"))),
            path(QStringLiteral("FORMS/Sub/FRMABOUT.FRM")));

        const auto up = ReadProjectForms(path(QStringLiteral("proj/app.vbp")));
        QCOMPARE(up.size(), std::size_t(1));
        QCOMPARE(up[0].formName, QStringLiteral("frmAbout"));
    }

    void unreadableFormsAreSkipped() {
        write(QStringLiteral("app.vbp"), crlf({"Form=missing.frm", "Form=C:\\abs\\frmAbs.frm",
                                               "Form=folder.frm", "Form=ok.frm"}));
        QVERIFY(QDir().mkpath(path(QStringLiteral("folder.frm"))));
        write(QStringLiteral("ok.frm"), formFile("frmOk"));
        const auto forms = ReadProjectForms(path(QStringLiteral("app.vbp")));
        QCOMPARE(forms.size(), std::size_t(1));
        QCOMPARE(forms[0].formName, QStringLiteral("frmOk"));
    }

    void unreadableProjectThrows() {
        QVERIFY_THROWS_EXCEPTION(FileError, ReadProjectForms(path(QStringLiteral("none.vbp"))));
        try {
            ReadProjectForms(path(QStringLiteral("none.vbp")));
        } catch (const FileError& e) {
            QVERIFY(e.text().contains(path(QStringLiteral("none.vbp"))));
        }
    }

    void listObjects() {
        const QByteArray form = crlf({
            "VERSION 5.00",
            "Begin VB.Form frmMain ",
            "   Caption         =   \"Main\"",
            "   BeginProperty Font ",
            "      Name            =   \"MS Sans Serif\"",
            "   EndProperty",
            "   Begin VB.Frame fraData ",
            "      Caption         =   \"Begin the upload\"",
            "      Begin VB.TextBox txtName ",
            "         Height          =   285",
            "      End",
            "      Begin VB.TextBox txtName ",
            "         Index           =   1",
            "      End",
            "      Begin VB.TextBox txtCity ",
            "      End",
            "   End",
            "End",
            "Attribute VB_Name = \"frmMain\"",
            "Private Sub x()",
            "  Begin VB.Label lblCode ",
            "End Sub",
        });
        write(QStringLiteral("frmMain.frm"), form);
        QList<qint64> progress;
        const QStringList objects = ListFormObjects(path(QStringLiteral("frmMain.frm")),
                                                    [&](qint64 bytes) { progress.append(bytes); });
        QCOMPARE(objects, (QStringList{QStringLiteral("frmMain"), QStringLiteral("fraData"),
                                       QStringLiteral("txtName"), QStringLiteral("txtName"),
                                       QStringLiteral("txtCity")}));
        QCOMPARE(progress.size(), 22);
        QCOMPARE(progress.last(), qint64(form.size()));
        QVERIFY(std::is_sorted(progress.begin(), progress.end()));

        write(QStringLiteral("other.frm"),
              formFile("frmOther", {"   Begin VB.Label lblOne ", "   End"}));
        QCOMPARE(ListFormObjects(path(QStringLiteral("other.frm"))),
                 (QStringList{QStringLiteral("frmOther"), QStringLiteral("lblOne")}));
        QVERIFY_THROWS_EXCEPTION(FileError, ListFormObjects(path(QStringLiteral("gone.frm"))));
    }
};

QTEST_GUILESS_MAIN(TestProjectReader)
#include "tst_projectreader.moc"
