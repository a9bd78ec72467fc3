// The tool-tip and help-ID writers on real form files and project databases.
#include "appproject/controltypes.h"
#include "appproject/formwriters.h"
#include "appproject/projectreader.h"
#include "appprojectfixture.h"
#include "codepage/ansi.h"

#include <QDateTime>
#include <QtTest>
#include <array>
#include <csignal>
#include <sys/resource.h>

using appfixture::crlf;

namespace {

const QByteArrayList kHead{"VERSION 5.00", "Begin VB.Form frmMain ",
                           "   Caption         =   \"Main\"", "   ClientHeight    =   3195",
                           "   StartUpPosition =   3  'Windows Default"};
const QByteArrayList kTail{"End",
                           "Attribute VB_Name = \"frmMain\"",
                           "Option Explicit",
                           "Private Sub cmdOK_Click()",
                           "    ' Begin VB.CommandButton cmdOK ",
                           "   Caption = \"Begin VB.Label lblCode \"",
                           "   Top = 1",
                           "End Sub"};

// The lines of a command button: Caption, Height, Left, TabIndex, Top and
// Width, with `extra` lines put right before the line named `before`.
QByteArrayList button(const QByteArray& name, const QByteArrayList& extra = {},
                      const QByteArray& before = {}) {
    QByteArrayList lines{"   Begin VB.CommandButton " + name + " "};
    const QList<QPair<QByteArray, QByteArray>> props{{"Caption", "\"OK\""}, {"Height", "375"},
                                                     {"Left", "120"},       {"TabIndex", "0"},
                                                     {"Top", "2640"},       {"Width", "1215"}};
    for (const auto& [prop, value] : props) {
        if (prop == before)
            lines += extra;
        lines += "      " + prop.leftJustified(16, ' ') + "=   " + value;
    }
    lines += "   End";
    return lines;
}

QByteArray form(const QByteArrayList& controls) {
    return crlf(kHead + controls + kTail);
}

QDateTime oldTime() {
    return QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
}

} // namespace

class TestFormWriters : public QObject {
    Q_OBJECT

private:
    testenv::RegistryFolder m_registry;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<dao::Database> m_db;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QString vbp() const { return path(QStringLiteral("app/app.vbp")); }
    QString formPath(const QString& file) const { return path(QStringLiteral("app/") + file); }

    // Writes the project file and its forms (file name, bytes), returns the table of forms.
    std::vector<FormRow> project(const QList<QPair<QString, QByteArray>>& forms) {
        QByteArray lines = "Type=Exe\r\n";
        for (const auto& [file, bytes] : forms) {
            lines += "Form=" + file.toLatin1() + "\r\n";
            testenv::writeAll(formPath(QString(file).replace(u'\\', u'/')), bytes);
        }
        testenv::writeAll(vbp(), lines);
        return QMTCOdeMod::ReadProjectForms(vbp());
    }

    QByteArray read(const QString& file) const { return testenv::readAll(formPath(file)); }

    void setOld(const QString& file) {
        QFile f(formPath(file));
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.setFileTime(oldTime(), QFileDevice::FileModificationTime));
    }
    QDateTime modified(const QString& file) const {
        return QFileInfo(formPath(file)).fileTime(QFileDevice::FileModificationTime);
    }

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_db = testenv::freshProject(path(QStringLiteral("proj.QMT")));
        QVERIFY(m_db);
    }
    void cleanup() {
        m_db.reset();
        m_dir.reset();
    }

    // ---- Tool tips

    void toolTipBeforeFirstLaterProperty() {
        const auto forms = project({{QStringLiteral("frmMain.frm"), form(button("cmdOK"))}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"),
                               QStringLiteral("Press here"));
        const QFileDevice::Permissions permissions =
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
            QFileDevice::ReadOther;
        QVERIFY(QFile::setPermissions(formPath(QStringLiteral("frmMain.frm")), permissions));
        const FormWriteResult result = CreateToolTips(*m_db, vbp(), forms);
        // The rewritten file keeps the form file's permissions.
        const auto owner = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                           QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                           QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
        QCOMPARE(QFile::permissions(formPath(QStringLiteral("frmMain.frm"))) & owner, permissions);
        QCOMPARE(result.failures, QStringList());
        QCOMPARE(result.formsRewritten, 1);
        QCOMPARE(read(QStringLiteral("frmMain.frm")),
                 form(button("cmdOK", {"ToolTipText    = \"Press here\""}, "Top")));
    }

    void existingToolTipReplacedInPlace() {
        const QByteArrayList old{"      ToolTipText     =   \"Old text\""};
        const auto forms =
            project({{QStringLiteral("frmMain.frm"), form(button("cmdOK", old, "Top"))}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("New text"));
        CreateToolTips(*m_db, vbp(), forms);
        QCOMPARE(read(QStringLiteral("frmMain.frm")),
                 form(button("cmdOK", {"ToolTipText    = \"New text\""}, "Top")));
    }

    void onlyFormsWithEntriesAreRewritten() {
        const QByteArray other = appfixture::formFile("frmOther", button("cmdOK"));
        const auto forms =
            project({{QStringLiteral("frmMain.frm"), form(button("cmdCancel") + button("cmdOK"))},
                     {QStringLiteral("frmOther.frm"), other}});
        setOld(QStringLiteral("frmOther.frm"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("Ok"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdCancel"),
                               QStringLiteral("Cancel"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmOther.cmdOK"), QStringLiteral("x"),
                               QStringLiteral("B")); // not active
        const FormWriteResult result = CreateToolTips(*m_db, vbp(), forms);
        QCOMPARE(result.formsRewritten, 1);
        QCOMPARE(read(QStringLiteral("frmMain.frm")),
                 form(button("cmdCancel", {"ToolTipText    = \"Cancel\""}, "Top") +
                      button("cmdOK", {"ToolTipText    = \"Ok\""}, "Top")));
        QCOMPARE(read(QStringLiteral("frmOther.frm")), other);
        QCOMPARE(modified(QStringLiteral("frmOther.frm")), oldTime());
    }

    void noEntriesTouchNothing() {
        const QByteArray bytes("Begin VB.Form frmMain \nEnd\nAttribute VB_Name = \"frmMain\"\n");
        const auto forms = project({{QStringLiteral("frmMain.frm"), bytes}});
        setOld(QStringLiteral("frmMain.frm"));
        QCOMPARE(CreateToolTips(*m_db, vbp(), forms).formsRewritten, 0);
        QCOMPARE(CreateContextSensitiveHelp(*m_db, vbp(), forms).formsRewritten, 0);
        QCOMPARE(read(QStringLiteral("frmMain.frm")), bytes);
        QCOMPARE(modified(QStringLiteral("frmMain.frm")), oldTime());
    }

    void applicationFormNamedLikeAWorkFile() {
        const QByteArray temp = appfixture::formFile("frmTemp", button("cmdOK"));
        const auto forms = project({{QStringLiteral("temp.frm"), temp},
                                    {QStringLiteral("frmMain.frm"), form(button("cmdOK"))}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmTemp.cmdOK"), QStringLiteral("T"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("M"));
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("ConS"), 9);
        QCOMPARE(CreateToolTips(*m_db, vbp(), forms).formsRewritten, 2);
        QCOMPARE(CreateContextSensitiveHelp(*m_db, vbp(), forms).formsRewritten, 1);
        QCOMPARE(
            read(QStringLiteral("temp.frm")),
            appfixture::formFile("frmTemp", button("cmdOK", {"ToolTipText    = \"T\""}, "Top")));
        QByteArrayList main = button("cmdOK", {"HelpContextID    = 9"}, "Left");
        main.insert(main.indexOf("      Top             =   2640"), "ToolTipText    = \"M\"");
        QCOMPARE(read(QStringLiteral("frmMain.frm")), form(main));
        // No work file is left behind.
        QCOMPARE(
            QDir(path(QStringLiteral("app"))).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList{QStringLiteral("app.vbp"), QStringLiteral("frmMain.frm"),
                         QStringLiteral("temp.frm")}));
    }

    void failingFormsAreReportedAndOthersWritten() {
        const QByteArray missing = form(button("cmdOK"));
        const auto forms = project({{QStringLiteral("frmMissing.frm"),
                                     QByteArray(missing).replace("frmMain", "frmMissing")},
                                    {QStringLiteral("frmMain.frm"), form(button("cmdOK"))}});
        QVERIFY(QFile::remove(formPath(QStringLiteral("frmMissing.frm"))));
        appfixture::addToolTip(*m_db, QStringLiteral("frmGone.cmdOK"), QStringLiteral("g"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmMissing.cmdOK"), QStringLiteral("m"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("ok"));
        const FormWriteResult result = CreateToolTips(*m_db, vbp(), forms);
        QCOMPARE(result.formsRewritten, 1);
        QCOMPARE(result.failures.size(), 2);
        QVERIFY(result.failures.at(0).contains(QStringLiteral("frmGone")));
        QVERIFY(result.failures.at(1).contains(QStringLiteral("frmMissing.frm")));
        QVERIFY(!QFile::exists(formPath(QStringLiteral("frmMissing.frm"))));
        QCOMPARE(read(QStringLiteral("frmMain.frm")),
                 form(button("cmdOK", {"ToolTipText    = \"ok\""}, "Top")));
    }

    // ---- Many forms: each is begun as soon as the entry queries are past it

    void eachFormGetsAllItsEntries() {
        // Names whose entries interleave in the queries' order (by Object,
        // case folded): a prefix of another name, the same name in other
        // case, a name past every ASCII one, an object that is a form name
        // alone, forms missing from the project, one only the help IDs name.
        const QStringList names{QStringLiteral("frm1"), QStringLiteral("frm10"),
                                QStringLiteral("frm2"), QString::fromUtf8("frm\u00c4")};
        QList<QPair<QString, QByteArray>> files;
        for (const QString& name : names) {
            const QByteArray bytes = ansi::fromUnicode(name);
            files.append({name + QStringLiteral(".frm"),
                          appfixture::formFile(bytes, button("cmdOK") + button("cmdNo"))});
        }
        const auto forms = project(files);
        QCOMPARE(int(forms.size()), int(names.size()));
        QHash<QString, QVariantList> tips;
        QHash<QString, QVariantList> ids;
        const auto tip = [&](const char* object) {
            const QString o = QString::fromUtf8(object);
            const QString text = QStringLiteral("t ") + o;
            tips.insert(o, QVariantList{text});
            appfixture::addToolTip(*m_db, o, text);
        };
        const auto help = [&](const char* object, const char* type, int number) {
            const QString o = QString::fromUtf8(object);
            ids.insert(o, QVariantList{number, QString::fromLatin1(type)});
            appfixture::addWhatsThis(*m_db, o, QString::fromLatin1(type), number);
        };
        tip("frm1");
        tip("frm1-x.cmdOK"); // after "frm1", before "frm1.*"
        tip("frm1.cmdOK");
        tip("frm10.cmdNo");
        tip("FRM2.cmdNo");
        tip("frm2.cmdOK");
        tip("frmZ.cmdOK");
        tip("frm\u00c4.cmdOK");
        help("frm1.cmdNo", "Both", 1);
        help("frm10.cmdOK", "ConS", 2);
        help("frm10.cmdNo", "WhtS", 3);
        help("frm2.cmdNo", "ConS", 4);
        help("frm\u00c4.cmdNo", "ConS", 5);
        help("frm0.cmdOK", "ConS", 6);

        QList<QByteArray> before;
        for (const QString& name : names)
            before << read(name + QStringLiteral(".frm"));
        const FormWriteResult result = WriteFormFiles(*m_db, {true, true, false}, vbp(), forms);
        // Reported in the order of the tool tips' forms, then the others'.
        QCOMPARE(result.failures.size(), 4);
        for (int i = 0; i < 4; ++i) {
            const char* form = std::array{"frm1-x ", "FRM2 ", "frmZ ", "frm0 "}[std::size_t(i)];
            QVERIFY2(result.failures.at(i).startsWith(u"The form " + QLatin1String(form)),
                     qPrintable(result.failures.join(u'\n')));
        }
        const QStringList warned{QStringLiteral("frm1: 1 control got a What's This ID"),
                                 QStringLiteral("frm1 is not in the form file"),
                                 QStringLiteral("frm10: 1 control got a What's This ID")};
        QCOMPARE(result.warnings.size(), warned.size());
        for (qsizetype i = 0; i < warned.size(); ++i)
            QVERIFY2(result.warnings.at(i).startsWith(warned.at(i)),
                     qPrintable(result.warnings.join(u'\n')));
        QCOMPARE(result.formsRewritten, int(names.size()));
        for (qsizetype i = 0; i < names.size(); ++i) {
            FormWriteResult alone;
            QCOMPARE(read(names.at(i) + QStringLiteral(".frm")),
                     RewriteForm(before.at(i), names.at(i), tips, ids, {true, true, false}, alone));
        }
    }

    void entriesOutOfOrderAreLeftOutAndNamed() {
        const auto forms =
            project({{QStringLiteral("frm1.frm"),
                      appfixture::formFile("frm1", button("cmdOK") + button("cmdNo"))},
                     {QStringLiteral("frm2.frm"), appfixture::formFile("frm2", button("cmdOK"))}});
        appfixture::addToolTip(*m_db, QStringLiteral("frm1.cmdOK"), QStringLiteral("a"));
        appfixture::addToolTip(*m_db, QStringLiteral("frm2.cmdOK"), QStringLiteral("b"));
        // Another tool stored an Object as bytes: such a row sorts after every text.
        m_db.reset();
        const QString project = path(QStringLiteral("proj.QMT"));
        QVERIFY(appfixture::foreignRows(
            project, QStringLiteral("INSERT INTO ToolTips VALUES "
                                    "(CAST('frm1.cmdNo' AS BLOB), 'late', 'A');")));
        m_db = dao::Database::OpenDatabase(project);
        const FormWriteResult result = CreateToolTips(*m_db, vbp(), forms);
        QCOMPARE(result.formsRewritten, 2);
        QCOMPARE(result.failures,
                 QStringList(QStringLiteral("The entry frm1.cmdNo came after the other entries of "
                                            "its form had been written, so it was left out.")));
        QVERIFY(read(QStringLiteral("frm1.frm")).contains("ToolTipText    = \"a\""));
        QVERIFY(!read(QStringLiteral("frm1.frm")).contains("late"));
    }

    void fullDiskLeavesTheFormAsItWas() {
        QByteArrayList many;
        for (int i = 0; i < 800; ++i)
            many += button("cmd" + QByteArray::number(i));
        const QByteArray big = crlf(kHead + many + kTail).replace("frmMain", "frmBig");
        const QByteArray small = form(button("cmdOK"));
        const auto forms =
            project({{QStringLiteral("frmBig.frm"), big}, {QStringLiteral("frmMain.frm"), small}});
        QVERIFY(big.size() > 100000);
        appfixture::addToolTip(*m_db, QStringLiteral("frmBig.cmd5"), QStringLiteral("b"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("s"));

        // Files may not grow past 64 KiB while the writer runs: the disk is "full".
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = 64 * 1024;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const FormWriteResult result = CreateToolTips(*m_db, vbp(), forms);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        QCOMPARE(result.formsRewritten, 1);
        QCOMPARE(result.failures.size(), 1);
        QVERIFY(result.failures.at(0).contains(QStringLiteral("frmBig.frm")));
        QCOMPARE(read(QStringLiteral("frmBig.frm")), big);
        QCOMPARE(read(QStringLiteral("frmMain.frm")),
                 form(button("cmdOK", {"ToolTipText    = \"s\""}, "Top")));
        QCOMPARE(QDir(path(QStringLiteral("app"))).entryList(QDir::Files | QDir::Hidden).size(), 3);
    }

    void controlLinesAreWholeLines() {
        // A caption that contains "Begin " is a property, not a control.
        const QByteArrayList label{
            "   Begin VB.Label lblInfo ",    "      Caption         =   \"Begin the upload\"",
            "      Height          =   255", "      TabIndex        =   1",
            "      Top             =   120", "   End"};
        QByteArrayList expected = label;
        expected.insert(4, "ToolTipText    = \"Info\"");
        const auto forms = project({{QStringLiteral("frmMain.frm"), form(label)}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.lblInfo"), QStringLiteral("Info"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.the"), QStringLiteral("x"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.upload\""), QStringLiteral("x"));
        CreateToolTips(*m_db, vbp(), forms);
        QCOMPARE(read(QStringLiteral("frmMain.frm")), form(expected));
    }

    void nestedPropertyBlocksAreSkipped() {
        const QByteArrayList font{"      BeginProperty Font ",
                                  "         Name            =   \"MS Sans Serif\"",
                                  "         Size            =   8.25",
                                  "         BeginProperty Inner ",
                                  "            Zed             =   1",
                                  "         EndProperty",
                                  "         Underline       =   0   'False",
                                  "      EndProperty"};
        const auto forms =
            project({{QStringLiteral("frmMain.frm"), form(button("cmdOK", font, "Height"))}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("t"));
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("Both"), 3);
        CreateToolTips(*m_db, vbp(), forms);
        CreateContextSensitiveHelp(*m_db, vbp(), forms);
        QByteArrayList expected = button("cmdOK", font, "Height");
        expected.insert(expected.indexOf("      Left            =   120"), "HelpContextID    = 3");
        expected.insert(expected.indexOf("      Top             =   2640"),
                        "ToolTipText    = \"t\"");
        expected.insert(expected.indexOf("      Width           =   1215"),
                        "WhatsThisHelpID    = 3");
        QCOMPARE(read(QStringLiteral("frmMain.frm")), form(expected));
    }

    void everyControlArrayElementGetsItsLine() {
        auto element = [](const QByteArray& index) {
            return QByteArrayList{
                "      Begin VB.TextBox Text1 ",         "         Height          =   285",
                "         Index           =   " + index, "         TabIndex        =   2",
                "         Top             =   50",       "      End"};
        };
        auto withTip = [](QByteArrayList lines) {
            lines.insert(4, "ToolTipText    = \"Name\"");
            return lines;
        };
        const QByteArrayList frameA{"   Begin VB.Frame fraA ", "      Caption         =   \"A\""};
        const QByteArrayList frameB{"   Begin VB.Frame fraB ", "      Caption         =   \"B\""};
        const QByteArrayList controls = frameA + element("0") + QByteArrayList{"   End"} + frameB +
                                        element("1") + QByteArrayList{"   End"} + button("cmdOK");
        const auto forms = project({{QStringLiteral("frmMain.frm"), form(controls)}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.Text1"), QStringLiteral("Name"));
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("Go"));
        CreateToolTips(*m_db, vbp(), forms);
        const QByteArrayList expected = frameA + withTip(element("0")) + QByteArrayList{"   End"} +
                                        frameB + withTip(element("1")) + QByteArrayList{"   End"} +
                                        button("cmdOK", {"ToolTipText    = \"Go\""}, "Top");
        QCOMPARE(read(QStringLiteral("frmMain.frm")), form(expected));
    }

    void toolTipTextIsWrittenSafely() {
        const QByteArray raw("      Tag             =   \"\x81\xFF\x80\"");
        const auto forms =
            project({{QStringLiteral("frmMain.frm"), form(button("cmdOK", {raw}, "Top"))}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"),
                               QStringLiteral("Say \"hi\"\r\nnow\n\u00e9\r\u20ac"));
        CreateToolTips(*m_db, vbp(), forms);
        const QByteArray line("ToolTipText    = \"Say \"\"hi\"\" now \xE9 \x80\"");
        QCOMPARE(read(QStringLiteral("frmMain.frm")), form(button("cmdOK", {raw, line}, "Top")));
        QCOMPARE(QMTCOdeMod::ToolTipLine(QStringLiteral("a\r\n\r\nb")),
                 QByteArray("ToolTipText    = \"a  b\""));
    }

    void statementsQuoteTheEntry() {
        const auto forms = project({{QStringLiteral("frmMain.frm"), form(button("it's"))}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.it's"), QStringLiteral("q"));
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.it's"), QStringLiteral("WhtS"), 4);
        QCOMPARE(CreateToolTips(*m_db, vbp(), forms).failures, QStringList());
        QCOMPARE(CreateContextSensitiveHelp(*m_db, vbp(), forms).failures, QStringList());
        QByteArrayList expected = button("it's", {"ToolTipText    = \"q\""}, "Top");
        expected.insert(expected.indexOf("      Width           =   1215"),
                        "WhatsThisHelpID    = 4");
        QCOMPARE(read(QStringLiteral("frmMain.frm")), form(expected));
    }

    void unmatchedEntriesKeepEveryByte() {
        // LF line ends, and a last line without one.
        QByteArray lf = form(button("cmdOK"));
        lf.replace("\r\n", "\n");
        lf.chop(1);
        const auto forms = project({{QStringLiteral("frmMain.frm"), lf}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdNone"), QStringLiteral("n"));
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.cmdNone"), QStringLiteral("Both"),
                                 2);
        // Nothing to write: the file keeps every byte and is not rewritten; the
        // missing control is named.
        const FormWriteResult tips = CreateToolTips(*m_db, vbp(), forms);
        QCOMPARE(tips.formsRewritten, 0);
        QCOMPARE(tips.warnings.size(), 1);
        QVERIFY(tips.warnings.first().startsWith(u"frmMain.cmdNone is not in the form file"));
        QCOMPARE(read(QStringLiteral("frmMain.frm")), lf);
        QCOMPARE(CreateContextSensitiveHelp(*m_db, vbp(), forms).formsRewritten, 0);
        QCOMPARE(read(QStringLiteral("frmMain.frm")), lf);
    }

    // ---- Help context and What's This numbers

    void bothNumbersPlacedInOrder() {
        const auto forms = project({{QStringLiteral("frmMain.frm"), form(button("cmdOK"))}});
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("Both"),
                                 1005);
        const FormWriteResult result = CreateContextSensitiveHelp(*m_db, vbp(), forms);
        QCOMPARE(result.formsRewritten, 1);
        QCOMPARE(read(QStringLiteral("frmMain.frm")),
                 crlf(kHead +
                      QByteArrayList{"   Begin VB.CommandButton cmdOK ",
                                     "      Caption         =   \"OK\"",
                                     "      Height          =   375", "HelpContextID    = 1005",
                                     "      Left            =   120", "      TabIndex        =   0",
                                     "      Top             =   2640", "WhatsThisHelpID    = 1005",
                                     "      Width           =   1215", "   End"} +
                      kTail));
    }

    void typesDecideWhichLines() {
        const QByteArrayList existing{"      HelpContextID   =   7"};
        const QByteArray whatsThis("      WhatsThisHelpID =   8");
        auto control = [&](const QByteArray& name) {
            QByteArrayList lines = button(name, existing, "Left");
            lines.insert(lines.indexOf("      Width           =   1215"), whatsThis);
            return lines;
        };
        const auto forms =
            project({{QStringLiteral("frmMain.frm"), form(control("cmdA") + control("cmdB") +
                                                          control("cmdC") + control("cmdD"))}});
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.cmdA"), QStringLiteral("ConS"), 20);
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.cmdB"), QStringLiteral("WhtS"), 30);
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.cmdC"), QStringLiteral("Both"), 0);
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.cmdD"), QStringLiteral("both"), 40);
        CreateContextSensitiveHelp(*m_db, vbp(), forms);

        auto replaced = [&](QByteArrayList lines, const QByteArray& context, const QByteArray& wt) {
            if (!context.isEmpty())
                lines.replace(lines.indexOf(existing.first()), "HelpContextID    = " + context);
            if (!wt.isEmpty())
                lines.replace(lines.indexOf(whatsThis), "WhatsThisHelpID    = " + wt);
            return lines;
        };
        QCOMPARE(read(QStringLiteral("frmMain.frm")),
                 form(replaced(control("cmdA"), "20", {}) + replaced(control("cmdB"), {}, "30") +
                      replaced(control("cmdC"), "0", "0") + control("cmdD")));
    }

    void existingWhatsThisLineIsNotDuplicated() {
        // The first property at or after HelpContextID is the WhatsThisHelpID line itself.
        const QByteArrayList line{"   Begin Acme.Gauge linSep ", "      BorderColor     =   0",
                                  "      WhatsThisHelpID =   5", "      X1              =   0",
                                  "   End"};
        const auto forms = project({{QStringLiteral("frmMain.frm"), form(line)}});
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.linSep"), QStringLiteral("Both"),
                                 40);
        CreateContextSensitiveHelp(*m_db, vbp(), forms);
        QCOMPARE(read(QStringLiteral("frmMain.frm")),
                 form({"   Begin Acme.Gauge linSep ", "      BorderColor     =   0",
                       "HelpContextID    = 40", "WhatsThisHelpID    = 40",
                       "      X1              =   0", "   End"}));
    }

    // ---- Real forms: nesting, old lines, types, line ends

    void linesLandInTheirOwnControl_data() {
        QTest::addColumn<QByteArray>("controls"); // lines of the form's controls, LF-separated
        QTest::addColumn<QString>("entries");     // tip:OBJECT=TEXT or help:OBJECT=TYPE/MAP, by |
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<int>("warnings");
        const QByteArray menus = "   Begin VB.Menu mnuFile \n"
                                 "      Caption         =   \"&File\"\n"
                                 "      Begin VB.Menu mnuLoadTop \n"
                                 "         Caption         =   \"Load\"\n"
                                 "         Begin VB.Menu mnuLoadFile \n"
                                 "            Caption         =   \"Pdf File\"\n"
                                 "         End\n"
                                 "      End\n"
                                 "   End";
        QTest::newRow("nested menus, three levels")
            << menus
            << "help:frmMain.mnuFile=ConS/1|help:frmMain.mnuLoadTop=ConS/2|"
               "help:frmMain.mnuLoadFile=ConS/3"
            << QByteArray("   Begin VB.Menu mnuFile \n"
                          "      Caption         =   \"&File\"\n"
                          "HelpContextID    = 1\n"
                          "      Begin VB.Menu mnuLoadTop \n"
                          "         Caption         =   \"Load\"\n"
                          "HelpContextID    = 2\n"
                          "         Begin VB.Menu mnuLoadFile \n"
                          "            Caption         =   \"Pdf File\"\n"
                          "HelpContextID    = 3\n"
                          "         End\n"
                          "      End\n"
                          "   End")
            << 0;
        QTest::newRow("menus have no tool tip or What's This number")
            << menus << "tip:frmMain.mnuLoadTop=t|help:frmMain.mnuLoadFile=Both/7"
            << QByteArray(menus).replace("\"Pdf File\"\n", "\"Pdf File\"\nHelpContextID    = 7\n")
            << 2;
        const QByteArray recent = "   Begin VB.Menu mnuRecent \n"
                                  "      Caption         =   \"-\"\n"
                                  "      Index           =   %1\n"
                                  "      Visible         =   0   'False\n"
                                  "   End";
        QByteArray array, arrayDone;
        for (const char* index : {"0", "1", "2"}) {
            array += QByteArray(recent).replace("%1", index) + '\n';
            arrayDone += QByteArray(recent)
                             .replace("%1", index)
                             .replace("      Index", "HelpContextID    = 12\n      Index") +
                         '\n';
        }
        array.chop(1);
        arrayDone.chop(1);
        QTest::newRow("control array of menus")
            << array << "help:frmMain.mnuRecent=ConS/12" << arrayDone << 0;
        const QByteArray user = "   Begin MSComctlLib.ProgressBar pbLoad \n"
                                "      Top             =   600\n"
                                "      Width           =   2000\n"
                                "      _ExtentX        =   3528\n"
                                "      _ExtentY        =   450\n"
                                "      Caption         =   \"Load\"\n"
                                "      ToolTipText     =   \"Old tip\"\n"
                                "   End";
        QTest::newRow("user control: the old tool tip after the new one goes")
            << user << "tip:frmMain.pbLoad=New tip"
            << QByteArray(user)
                   .replace("      ToolTipText     =   \"Old tip\"\n", "")
                   .replace("      Top", "ToolTipText    = \"New tip\"\n      Top")
            << 0;
        const QByteArray odd = "   Begin VB.Timer tmrPoll \n"
                               "      Interval        =   500\n"
                               "   End\n"
                               "   Begin VB.Line linSep \n"
                               "      X1              =   0\n"
                               "   End\n"
                               "   Begin VB.Shape shpBox \n"
                               "      Height          =   10\n"
                               "   End\n"
                               "   Begin VB.Label lblName \n"
                               "      Caption         =   \"Name\"\n"
                               "   End";
        QTest::newRow("types without the property get no line")
            << odd
            << "tip:frmMain.tmrPoll=a|tip:frmMain.linSep=b|tip:frmMain.shpBox=c|"
               "help:frmMain.tmrPoll=Both/1|help:frmMain.shpBox=WhtS/2|help:frmMain.lblName=Both/3"
            << QByteArray(odd).replace("\"Name\"\n", "\"Name\"\nWhatsThisHelpID    = 3\n")
            << 8; // and the form's WhatsThisHelp

        QTest::newRow("last own property before the first child")
            << QByteArray("   Begin VB.Frame fraA \n"
                          "      Caption         =   \"A\"\n"
                          "      Begin VB.TextBox txtA \n"
                          "         Text            =   \"a\"\n"
                          "      End\n"
                          "   End")
            << "tip:frmMain.fraA=frame|help:frmMain.fraA=Both/4"
            << QByteArray("   Begin VB.Frame fraA \n"
                          "      Caption         =   \"A\"\n"
                          "HelpContextID    = 4\n"
                          "ToolTipText    = \"frame\"\n"
                          "WhatsThisHelpID    = 4\n"
                          "      Begin VB.TextBox txtA \n"
                          "         Text            =   \"a\"\n"
                          "      End\n"
                          "   End")
            << 1; // the form's WhatsThisHelp
    }
    void linesLandInTheirOwnControl() {
        QFETCH(QByteArray, controls);
        QFETCH(QString, entries);
        QFETCH(QByteArray, expected);
        QFETCH(int, warnings);
        const auto forms = project({{QStringLiteral("frmMain.frm"), form(controls.split('\n'))}});
        for (const QString& entry : entries.split(u'|')) {
            const QString object = entry.section(u':', 1).section(u'=', 0, 0);
            const QString value = entry.section(u'=', 1);
            if (entry.startsWith(u"tip:"))
                appfixture::addToolTip(*m_db, object, value);
            else
                appfixture::addWhatsThis(*m_db, object, value.section(u'/', 0, 0),
                                         value.section(u'/', 1).toInt());
        }
        // Both writers in one pass give the bytes of one writer after the other.
        const QByteArray before = read(QStringLiteral("frmMain.frm"));
        const FormWriteResult both = WriteFormFiles(*m_db, {true, true, false}, vbp(), forms);
        QCOMPARE(both.failures, QStringList());
        QCOMPARE(both.warnings.size(), warnings);
        QCOMPARE(read(QStringLiteral("frmMain.frm")), form(expected.split('\n')));
        testenv::writeAll(formPath(QStringLiteral("frmMain.frm")), before);

        const FormWriteResult tips = CreateToolTips(*m_db, vbp(), forms);
        const FormWriteResult help = CreateContextSensitiveHelp(*m_db, vbp(), forms);
        QCOMPARE(tips.failures + help.failures, QStringList());
        QCOMPARE(tips.warnings.size() + help.warnings.size(), warnings);
        const QByteArray once = read(QStringLiteral("frmMain.frm"));
        QCOMPARE(once, form(expected.split('\n')));
        // A second Create changes nothing and touches no file.
        setOld(QStringLiteral("frmMain.frm"));
        QCOMPARE(CreateToolTips(*m_db, vbp(), forms).formsRewritten, 0);
        QCOMPARE(CreateContextSensitiveHelp(*m_db, vbp(), forms).formsRewritten, 0);
        QCOMPARE(WriteFormFiles(*m_db, {true, true, false}, vbp(), forms).formsRewritten, 0);
        QCOMPARE(read(QStringLiteral("frmMain.frm")), once);
        QCOMPARE(modified(QStringLiteral("frmMain.frm")), oldTime());
    }

    // One pass for both writers gives the bytes of one writer after the other,
    // whatever the line ends; unchanged lines are copied in spans.
    void onePassEqualsTwo_data() {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray lf = form(button("cmdOK") + button("cmdNo")).replace("\r\n", "\n");
        const QByteArray crlfForm = form(button("cmdOK") + button("cmdNo"));
        QTest::newRow("CR LF") << crlfForm;
        QTest::newRow("LF") << lf;
        QTest::newRow("mixed") << QByteArray(crlfForm).replace("Height          =   375\r\n",
                                                               "Height          =   375\n");
        QTest::newRow("lone CR") << QByteArray(lf).replace("Left            =   120\n",
                                                           "Left            =   120\r");
        QTest::newRow("byte-order mark, no last line end") << "\xEF\xBB\xBF" + crlfForm.chopped(2);
        QTest::newRow("ends inside a control") << crlfForm.left(crlfForm.indexOf("Width") + 3);
        QTest::newRow("blank lines and tabs")
            << QByteArray(crlfForm).replace("      Top", "\r\n\t  Top").replace("   End", "\t End");
    }
    void onePassEqualsTwo() {
        QFETCH(QByteArray, bytes);
        QHash<QString, QVariantList> tips;
        QHash<QString, QVariantList> ids;
        tips.insert(QStringLiteral("frmMain.cmdOK"), {QStringLiteral("ok")});
        tips.insert(QStringLiteral("frmMain.cmdNo"), {QStringLiteral("no \"way\"")});
        ids.insert(QStringLiteral("frmMain.cmdOK"), {7, QStringLiteral("Both")});
        ids.insert(QStringLiteral("frmMain.cmdNo"), {8, QStringLiteral("WhtS")});
        FormWriteResult first;
        FormWriteResult second;
        const QByteArray twice =
            RewriteFormHelpIds(RewriteFormToolTips(bytes, QStringLiteral("frmMain"), tips, first),
                               QStringLiteral("frmMain"), ids, first);
        const QByteArray once =
            RewriteForm(bytes, QStringLiteral("frmMain"), tips, ids, {true, true, false}, second);
        QCOMPARE(once, twice);
        QVERIFY(once != bytes);
        // With nothing to write, the bytes stay as they are where the line ends agree.
        FormWriteResult none;
        const QByteArray same =
            RewriteForm(bytes, QStringLiteral("frmOther"), tips, ids, {true, true, false}, none);
        QCOMPARE(same, RewriteFormToolTips(bytes, QStringLiteral("frmOther"), {}, none));
    }

    // ---- The form's WhatsThisHelp

    void formWhatsThisHelp_data() {
        QTest::addColumn<QByteArray>("form");     // the form's control line and own properties
        QTest::addColumn<QString>("helpType");    // of the entries of its twelve buttons
        QTest::addColumn<bool>("set");            // the Create-tab option
        QTest::addColumn<QByteArray>("expected"); // the form's control line and properties after
        QTest::addColumn<bool>("warned");
        const QByteArray form = "Begin VB.Form frmMain \n   Caption         =   \"Main\"\n";
        const QByteArray start = "   StartUpPosition =   3  'Windows Default\n";
        const QByteArray button = "   WhatsThisButton =   -1  'True\n";
        const QByteArray isTrue = "   WhatsThisHelp   =   -1  'True\n";
        const QByteArray isFalse = "   WhatsThisHelp   =   0   'False\n";
        const QByteArray state = "   WindowState     =   2  'Maximized\n";
        const QByteArray font = "   BeginProperty Font \n      Name            =   \"Arial\"\n"
                                "      WhatsThisHelp   =   -1  'True\n   EndProperty\n";
        QTest::newRow("absent: warned, form unchanged")
            << form + start << "WhtS" << false << form + start << true;
        QTest::newRow("absent: set as the last own property")
            << form + start << "WhtS" << true << form + start + isTrue << false;
        QTest::newRow("set in VB's order among the form's properties")
            << form + start + button + state << "Both" << true
            << form + start + button + isTrue + state << false;
        QTest::newRow("False: warned")
            << form + isFalse + state << "Both" << false << form + isFalse + state << true;
        QTest::newRow("False replaced where it stands")
            << form + start + isFalse + state << "WhtS" << true << form + start + isTrue + state
            << false;
        QTest::newRow("True: nothing to say")
            << form + isTrue << "WhtS" << false << form + isTrue << false;
        QTest::newRow("another non-zero number is True")
            << form + "   WhatsThisHelp   =   1\n"
            << "Both" << true << form + "   WhatsThisHelp   =   1\n"
            << false;
        QTest::newRow("a font's line is not the form's")
            << form + font + start << "WhtS" << false << form + font + start << true;
        QTest::newRow("help context IDs alone need no What's This")
            << form + start << "ConS" << true << form + start << false;
        QTest::newRow("an MDI form has no WhatsThisHelp")
            << "Begin VB.MDIForm frmMain \n" + start << "WhtS" << true
            << "Begin VB.MDIForm frmMain \n" + start << false;
    }
    void formWhatsThisHelp() {
        QFETCH(QByteArray, form);
        QFETCH(QString, helpType);
        QFETCH(bool, set);
        QFETCH(QByteArray, expected);
        QFETCH(bool, warned);
        QByteArrayList buttons;
        QByteArrayList written;
        for (int i = 0; i < 12; ++i) {
            const QByteArray name = "cmd" + QByteArray::number(i);
            const QByteArray number = QByteArray::number(100 + i);
            buttons += button(name);
            QByteArrayList lines = button(name);
            if (helpType != u"WhtS")
                lines.insert(3, "HelpContextID    = " + number); // after Height
            if (helpType != u"ConS")
                lines.insert(lines.size() - 2, "WhatsThisHelpID    = " + number); // before Width
            written += lines;
            appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.") + QString::fromLatin1(name),
                                     helpType, 100 + i);
        }
        const auto withForm = [&](const QByteArray& head, const QByteArrayList& controls) {
            QByteArrayList lines{"VERSION 5.00"};
            lines += head.chopped(1).split('\n');
            return crlf(lines + controls + kTail);
        };
        const auto forms = project({{QStringLiteral("frmMain.frm"), withForm(form, buttons)}});
        const FormWriteResult result = WriteFormFiles(*m_db, {false, true, set}, vbp(), forms);
        QCOMPARE(result.failures, QStringList());
        QCOMPARE(read(QStringLiteral("frmMain.frm")), withForm(expected, written));
        const QString warning =
            QStringLiteral("frmMain: 12 controls got What's This IDs, but the form's WhatsThisHelp "
                           "is False: the pop-ups will not show");
        QCOMPARE(result.warnings, warned ? QStringList(warning) : QStringList());
        QCOMPARE(result.formsRewritten, 1);
        QCOMPARE(result.controlsUpdated, expected == form ? 12 : 13);

        // The next Create finds the form as it left it.
        const FormWriteResult again = WriteFormFiles(*m_db, {false, true, set}, vbp(), forms);
        QCOMPARE(again.formsRewritten, 0);
        QCOMPARE(again.warnings, result.warnings);
    }

    void formWhatsThisHelpWarnsPerForm() {
        const auto forms =
            project({{QStringLiteral("frmMain.frm"), form(button("cmdOK"))},
                     {QStringLiteral("frmTwo.frm"),
                      form(button("cmdOK") + button("cmdNo")).replace("frmMain", "frmTwo")}});
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("WhtS"), 1);
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmTwo.cmdOK"), QStringLiteral("Both"), 2);
        appfixture::addWhatsThis(*m_db, QStringLiteral("frmTwo.cmdNo"), QStringLiteral("WhtS"), 3);
        const FormWriteResult result = WriteFormFiles(*m_db, {true, true, false}, vbp(), forms);
        QCOMPARE(result.warnings,
                 QStringList({QStringLiteral("frmMain: 1 control got a What's This ID, but the "
                                             "form's WhatsThisHelp is False: the pop-up will not "
                                             "show"),
                              QStringLiteral("frmTwo: 2 controls got What's This IDs, but the "
                                             "form's WhatsThisHelp is False: the pop-ups will not "
                                             "show")}));
        QCOMPARE(result.formsRewritten, 2);
    }

    void controlTypesKnowTheirProperties_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("has"); // T ToolTipText, H HelpContextID, W WhatsThisHelpID
        QTest::newRow("form") << "VB.Form"
                              << "H";
        QTest::newRow("button") << "VB.CommandButton"
                                << "THW";
        QTest::newRow("letter case") << "vb.textbox"
                                     << "THW";
        QTest::newRow("label") << "VB.Label"
                               << "TW";
        QTest::newRow("image") << "VB.Image"
                               << "TW";
        QTest::newRow("data") << "VB.Data"
                              << "TW";
        QTest::newRow("horizontal scroll bar") << "VB.HScrollBar"
                                               << "HW";
        QTest::newRow("vertical scroll bar") << "VB.VScrollBar"
                                             << "HW";
        QTest::newRow("OLE") << "VB.OLE"
                             << "HW";
        QTest::newRow("menu") << "VB.Menu"
                              << "H";
        QTest::newRow("timer") << "VB.Timer"
                               << "";
        QTest::newRow("line") << "VB.Line"
                              << "";
        QTest::newRow("shape") << "VB.Shape"
                               << "";
        QTest::newRow("property page") << "VB.PropertyPage"
                                       << "H";
        QTest::newRow("another library's control") << "MSComctlLib.ProgressBar"
                                                   << "THW";
    }
    void controlTypesKnowTheirProperties() {
        QFETCH(QString, type);
        QFETCH(QString, has);
        QString got;
        if (ControlTypeHasProperty(type, WrittenProperty::ToolTipText))
            got += u'T';
        if (ControlTypeHasProperty(type, WrittenProperty::HelpContextID))
            got += u'H';
        if (ControlTypeHasProperty(type, WrittenProperty::WhatsThisHelpID))
            got += u'W';
        QCOMPARE(got, has);
    }

    void lfFormsKeepLfAndForeignEntriesAreReported() {
        QByteArray lf = form(button("cmdOK") + button("cmdNo"));
        lf.replace("\r\n", "\n");
        const auto forms = project({{QStringLiteral("frmMain.frm"), lf}});
        appfixture::addToolTip(*m_db, QStringLiteral("frmMain.cmdOK"), QStringLiteral("ok"));
        // Entries another tool stored: numbers that are not map numbers, no tip text.
        m_db.reset();
        const QString project = path(QStringLiteral("proj.QMT"));
        QVERIFY(appfixture::foreignRows(
            project, QStringLiteral(
                         "INSERT INTO WhatsThis VALUES ('frmMain.cmdOK','T','abc','h','A','ConS'),"
                         "('frmMain.cmdNo','T',1.5,'h','A','ConS'),"
                         "('frmMain.cmdX','T',-5,'h','A','ConS'),"
                         "('frmMain.cmdY','T',99999999999,'h','A','ConS');"
                         "PRAGMA writable_schema = 1; UPDATE sqlite_master SET sql = "
                         "replace(sql, 'LONGTEXT COLLATE NOCASE NOT NULL', 'LONGTEXT') "
                         "WHERE name = 'ToolTips';")));
        QVERIFY(appfixture::foreignRows(
            project, QStringLiteral("INSERT INTO ToolTips VALUES ('frmMain.cmdNo',NULL,'A');")));
        m_db = dao::Database::OpenDatabase(project);
        const FormWriteResult tips = CreateToolTips(*m_db, vbp(), forms);
        const FormWriteResult help = CreateContextSensitiveHelp(*m_db, vbp(), forms);
        QCOMPARE(tips.failures, QStringList(QStringLiteral(
                                    "The tool tip of frmMain.cmdNo has no text stored, so it was "
                                    "left out.")));
        QCOMPARE(help.failures.size(), 4);
        for (const char* value : {"(abc)", "(1.5)", "(-5)", "(99999999999)"})
            QVERIFY2(help.failures.join(u' ').contains(QLatin1String(value)),
                     qPrintable(help.failures.join(u'\n')));
        QByteArray expected =
            form(button("cmdOK", {"ToolTipText    = \"ok\""}, "Top") + button("cmdNo"));
        expected.replace("\r\n", "\n");
        QCOMPARE(read(QStringLiteral("frmMain.frm")), expected);
    }
};

QTEST_GUILESS_MAIN(TestFormWriters)
#include "tst_formwriters.moc"
